#include "program_folder.h"

#include "base/new_database.h"

#include <QFile>

namespace corvane::testing {

ProgramFolder::ProgramFolder()
{
    createNewDatabase(m_dir.path());
}

int ProgramFolder::errorLogCount() const
{
    QFile log(errorLogPath());
    if (!log.open(QIODevice::ReadOnly))
        return -1;
    return log.readLine().trimmed().toInt();
}

} // namespace corvane::testing
