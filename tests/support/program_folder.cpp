#include "program_folder.h"

#include "base/error_logger.h"
#include "base/new_database.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"

#include <QFile>

namespace corvane::testing {

ProgramFolder::ProgramFolder()
{
    createNewDatabase(m_dir.path());
}

long long countIn(const QString& database, const QString& sql)
{
    const platform::db::DatabaseEngine engine;
    return platform::db::ResultSet(engine.open(database), sql).value(0).toInt64();
}

QString failureBox(int number, const QString& description)
{
    return ErrorLogger::failureMessage(platform::Failure(number, description));
}

int ProgramFolder::errorLogCount() const
{
    QFile log(errorLogPath());
    if (!log.open(QIODevice::ReadOnly))
        return -1;
    return log.readLine().trimmed().toInt();
}

} // namespace corvane::testing
