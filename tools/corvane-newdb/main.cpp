#include "base/command_line.h"
#include "base/error_logger.h"
#include "base/new_database.h"
#include "base/shared_state.h"
#include "platform/failure/failure.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

// corvane-newdb FOLDER: a new, empty log database and error log for the
// program to run from FOLDER.
int main(int argc, char* argv[])
{
    if (const auto answered = corvane::answerHelpOrVersion(argc, argv, "corvane-newdb",
            "usage: corvane-newdb FOLDER\n"
            "Writes FOLDER/syslog97.mdb and FOLDER/Errlog.txt; never overwrites either.\n"))
        return *answered;
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2 || arguments[1].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr,
            "usage: corvane-newdb FOLDER\n"
            "Writes FOLDER/syslog97.mdb and FOLDER/Errlog.txt; never overwrites either.\n");
        return 2;
    }
    try {
        corvane::createNewDatabase(arguments[1]);
    } catch (const corvane::platform::Failure& failure) {
        std::fprintf(stderr, "corvane-newdb: nothing written: %s (error %d)\n",
            failure.description().toLocal8Bit().constData(), failure.number());
        return 1;
    }
    std::printf("Wrote %s and %s in %s\n", corvane::SharedState::DatabaseFileName,
        QString(corvane::ErrorLogFileName).toLocal8Bit().constData(), arguments[1].toLocal8Bit().constData());
    return 0;
}
