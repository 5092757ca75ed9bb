#include "platform/db/connection.h"
#include "program_folder.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode;
    QByteArray out;
    QString err;
};

ToolRun run(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-query"), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return { process.exitCode(), process.readAllStandardOutput(),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

class QueryTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        corvane::platform::db::Connection(db).execute(
            QStringLiteral("INSERT INTO syslog ([src zone=], [src=], [start_time=], [sent+rcvd]) VALUES "
                           "('Trust', '192.0.2.1', '2026-12-04 15:04:05', 100), ('trust', '192.0.2.17', "
                           "'2026-12-05 09:00:00', 50), "
                           "('Untrust', 'a,b', '2026-12-05 15:04:06', 25.5)"));
        corvane::platform::db::Connection(db).execute(QStringLiteral(
            "INSERT INTO Report ([Report Name], SQL0, t1, t3) VALUES ('Zone''s sources', "
            "'SELECT [src=] FROM syslog WHERE [start_time=] >= #filter1# AND [src zone=] = ''filter3''', "
            "'05/12/2026', 'trust')"));
    }
    corvane::testing::ProgramFolder folder;
    const QString db = folder.databasePath();
};

TEST_F(QueryTool, GroupsTextAsJetCompares)
{
    const ToolRun result = run({ db,
        QStringLiteral("SELECT [src zone=], sum([sent+rcvd]) AS TotalBytes FROM syslog WHERE "
                       "[start_time=]=>#12/4/2026 3:04:05 PM# GROUP BY [src zone=] ORDER BY "
                       "sum([sent+rcvd]) desc") });
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out == "src zone=,TotalBytes,\r\nTrust,150,\r\nUntrust,25.5,\r\n"
        || result.out == "src zone=,TotalBytes,\r\ntrust,150,\r\nUntrust,25.5,\r\n")
        << result.out.toStdString();
}

// Rows as the export writes them, or a failure on standard error with its number.
TEST_F(QueryTool, RunsAQueryOrAStoredReportWithGivenOrStoredFilters)
{
    const QString report = QStringLiteral("Zone's sources");
    const QString option = QStringLiteral("--report");
    const struct {
        QStringList arguments;
        QByteArray out;
        int exitCode = 0;
        const char* err = nullptr; // how standard error starts, if it is checked
    } cases[] = {
        { { db, "SELECT [src=] FROM syslog WHERE [src=] LIKE 'a*'" }, "src=,\r\na,b,\r\n" },
        { { db, "DELETE FROM syslog" }, "", 1, "Error 3129: " },
        { { folder.path() + "/missing.mdb", "SELECT * FROM syslog" }, "", 1, "Error 3024: " },
        { { db, "SELECT count(*) AS n FROM syslog" }, "n,\r\n3,\r\n" }, // nothing was deleted
        { { db, option, report }, "src=,\r\n192.0.2.17,\r\n" },
        { { db, option, report, "--filter1", "01/12/2026" }, "src=,\r\n192.0.2.1,\r\n192.0.2.17,\r\n" },
        { { db, option, report, "--filter", "3=Untrust" }, "src=,\r\na,b,\r\n" },
        // Not a date: the placeholder goes, and the query is refused.
        { { db, option, report, "--filter1", "12/31/2026" }, "", 1, "Error " },
        { { db, option, "No such report" }, "", 1, "Error 3265: " },
        { { db, option, report, "--filter10", "x" }, "", 2, "usage: " },
        // Nothing is written back.
        { { db, "SELECT t1, t3 FROM Report WHERE t1 IS NOT NULL" }, "t1,t3,\r\n05/12/2026,trust,\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ToolRun result = run(c.arguments);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
        EXPECT_TRUE(!c.err || result.err.startsWith(QLatin1String(c.err))) << result.err.toStdString();
    }
}

} // namespace
