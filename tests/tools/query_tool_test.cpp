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

ToolRun query(const QString& database, const QString& text)
{
    QProcess process;
    process.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-query"), {database, text});
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), process.readAllStandardOutput(), QString::fromLocal8Bit(process.readAllStandardError())};
}

class QueryTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        corvane::platform::db::Connection writer(folder.databasePath());
        writer.execute(QStringLiteral(
            "INSERT INTO syslog ([src zone=], [src=], [start_time=], [sent+rcvd]) VALUES "
            "('Trust', '192.0.2.1', '2026-12-04 15:04:05', 100), ('trust', '192.0.2.17', '2026-12-05 09:00:00', 50), "
            "('Untrust', 'a,b', '2026-12-05 15:04:06', 25.5)"));
    }
    corvane::testing::ProgramFolder folder;
};

TEST_F(QueryTool, PrintsTheRowsAsTheExportWritesThem)
{
    const ToolRun run = query(folder.databasePath(),
                          QStringLiteral("SELECT [src zone=], sum([sent+rcvd]) AS TotalBytes FROM syslog WHERE "
                                         "[start_time=]=>#12/4/2026 3:04:05 PM# GROUP BY [src zone=] ORDER BY "
                                         "sum([sent+rcvd]) desc"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Trust and trust are one group, as Jet compares text.
    const QByteArray out = run.out;
    EXPECT_TRUE(out == "src zone=,TotalBytes,\r\nTrust,150,\r\nUntrust,25.5,\r\n"
                || out == "src zone=,TotalBytes,\r\ntrust,150,\r\nUntrust,25.5,\r\n")
        << out.toStdString();

    // A comma in a cell is written as it stands.
    EXPECT_EQ(query(folder.databasePath(), QStringLiteral("SELECT [src=] FROM syslog WHERE [src=] LIKE 'a*'")).out,
              QByteArray("src=,\r\na,b,\r\n"));
}

TEST_F(QueryTool, FailuresGoToStandardErrorWithTheirNumber)
{
    struct Case {
        QString database;
        QString text;
        const char* start;
    };
    const std::vector<Case> cases = {
        {folder.databasePath(), QStringLiteral("DELETE FROM syslog"), "Error 3129: "},
        {folder.databasePath(), QStringLiteral("SELECT * FROM syslog; DELETE FROM syslog"), "Error 3142: "},
        {folder.databasePath(), QStringLiteral("SELECT [logno] FROM syslog WHERE [start_time=]<#2/30/2026#"),
         "Error 3075: Syntax error in date"},
        {folder.path() + QStringLiteral("/missing.mdb"), QStringLiteral("SELECT * FROM syslog"), "Error 3024: "},
    };
    for (const Case& c : cases) {
        const ToolRun run = query(c.database, c.text);
        EXPECT_NE(run.exitCode, 0) << c.text.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith(QLatin1String(c.start))) << run.err.toStdString();
    }
    // Nothing was deleted.
    EXPECT_EQ(query(folder.databasePath(), QStringLiteral("SELECT count(*) AS n FROM syslog")).out,
              QByteArray("n,\r\n3,\r\n"));
}

} // namespace
