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
        corvane::platform::db::Connection writer(folder.databasePath());
        writer.execute(
            QStringLiteral("INSERT INTO syslog ([src zone=], [src=], [start_time=], [sent+rcvd]) VALUES "
                           "('Trust', '192.0.2.1', '2026-12-04 15:04:05', 100), ('trust', '192.0.2.17', "
                           "'2026-12-05 09:00:00', 50), "
                           "('Untrust', 'a,b', '2026-12-05 15:04:06', 25.5)"));
    }
    corvane::testing::ProgramFolder folder;
};

TEST_F(QueryTool, PrintsTheRowsAsTheExportWritesThem)
{
    const ToolRun result = run({ folder.databasePath(),
        QStringLiteral("SELECT [src zone=], sum([sent+rcvd]) AS TotalBytes FROM syslog WHERE "
                       "[start_time=]=>#12/4/2026 3:04:05 PM# GROUP BY [src zone=] ORDER BY "
                       "sum([sent+rcvd]) desc") });
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    // Trust and trust are one group, as Jet compares text.
    EXPECT_TRUE(result.out == "src zone=,TotalBytes,\r\nTrust,150,\r\nUntrust,25.5,\r\n"
        || result.out == "src zone=,TotalBytes,\r\ntrust,150,\r\nUntrust,25.5,\r\n")
        << result.out.toStdString();
    // A comma in a cell is written as it stands.
    EXPECT_EQ(
        run({ folder.databasePath(), QStringLiteral("SELECT [src=] FROM syslog WHERE [src=] LIKE 'a*'") })
            .out,
        QByteArray("src=,\r\na,b,\r\n"));
}

TEST_F(QueryTool, FailuresGoToStandardErrorWithTheirNumber)
{
    const std::pair<QStringList, const char*> cases[] = {
        { { folder.databasePath(), QStringLiteral("DELETE FROM syslog") }, "Error 3129: " },
        { { folder.path() + QStringLiteral("/missing.mdb"), QStringLiteral("SELECT * FROM syslog") },
            "Error 3024: " },
    };
    for (const auto& [arguments, start] : cases) {
        const ToolRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 1) << arguments[1].toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_TRUE(result.err.startsWith(QLatin1String(start))) << result.err.toStdString();
    }
    // Nothing was deleted.
    EXPECT_EQ(run({ folder.databasePath(), QStringLiteral("SELECT count(*) AS n FROM syslog") }).out,
        QByteArray("n,\r\n3,\r\n"));
}

TEST_F(QueryTool, RunsAStoredReportWithGivenOrStoredFilters)
{
    {
        corvane::platform::db::Connection writer(folder.databasePath());
        writer.execute(QStringLiteral(
            "INSERT INTO Report ([Report Name], SQL0, t1, t3) VALUES ('Zone''s sources', "
            "'SELECT [src=] FROM syslog WHERE [start_time=] >= #filter1# AND [src zone=] = ''filter3''', "
            "'05/12/2026', 'trust')"));
    }
    const QString db = folder.databasePath();
    const QString report = QStringLiteral("Zone's sources");
    const QString option = QStringLiteral("--report");
    const struct {
        QStringList arguments;
        QByteArray out;
    } cases[] = {
        { { db, option, report }, "src=,\r\n192.0.2.17,\r\n" },
        { { db, option, report, QStringLiteral("--filter1"), QStringLiteral("01/12/2026") },
            "src=,\r\n192.0.2.1,\r\n192.0.2.17,\r\n" },
        { { db, option, report, QStringLiteral("--filter"), QStringLiteral("3=Untrust") },
            "src=,\r\na,b,\r\n" },
        // Not a date: the placeholder goes, and the query is refused.
        { { db, option, report, QStringLiteral("--filter1"), QStringLiteral("12/31/2026") }, "" },
    };
    for (const auto& c : cases) {
        const ToolRun result = run(c.arguments);
        EXPECT_EQ(result.out, c.out) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(result.exitCode, c.out.isEmpty() ? 1 : 0) << result.err.toStdString();
    }

    // Nothing is written back.
    EXPECT_EQ(run({ db, QStringLiteral("SELECT t1, t3 FROM Report WHERE t1 IS NOT NULL") }).out,
        QByteArray("t1,t3,\r\n05/12/2026,trust,\r\n"));
    const ToolRun unknown = run({ db, option, QStringLiteral("No such report") });
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.startsWith(QLatin1String("Error 3265: "))) << unknown.err.toStdString();
    EXPECT_EQ(run({ db, option, report, QStringLiteral("--filter10"), QStringLiteral("x") }).exitCode, 2);
}

} // namespace
