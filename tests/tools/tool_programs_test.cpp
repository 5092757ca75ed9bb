// The built corvane-newdb and corvane-query, run as a user runs them.
#include "platform/db/connection.h"
#include "platform/db/result_set.h"
#include "program_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane::platform::db;

namespace {

struct ToolRun {
    int exitCode;
    QByteArray out;
    QString err;
};

ToolRun run(const char* tool, const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(CORVANE_BIN_DIR "/") + QLatin1String(tool), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return { process.exitCode(), process.readAllStandardOutput(),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

// A template filled the way the report tab fills it: month-first dates, then
// patterns with * that the stored row matches.
QString filled(QString sql)
{
    sql.replace(QStringLiteral("filter1"), QStringLiteral("1/1/2005 0:0:0"));
    sql.replace(QStringLiteral("filter2"), QStringLiteral("1/1/2030 0:0:0"));
    sql.replace(QStringLiteral("filter3"), QStringLiteral("192.168.2.*"));
    sql.replace(QStringLiteral("filter4"), QStringLiteral("1.2.3.*"));
    sql.replace(QRegularExpression(QStringLiteral("filter[5-9]")), QStringLiteral("*"));
    return sql;
}

TEST(NewDb, ShipsUsableReportsWithMatchingCaptions)
{
    QTemporaryDir dir;
    const ToolRun made = run("corvane-newdb", { dir.path() });
    ASSERT_EQ(made.exitCode, 0) << qPrintable(made.err);
    const QString database = dir.filePath(QStringLiteral("syslog97.mdb"));
    Connection(database).execute(
        QStringLiteral("INSERT INTO syslog ([start_time=], [src=], [dst=], [service=], [policy_id=], "
                       "[action=], [sent+rcvd], [dst_port=]) VALUES ('2006-06-02 14:55:45', "
                       "'192.168.2.1', '1.2.3.4', 'udp/port:7001', '119', 'Deny', 460, '7001')"));
    Connection connection(database, OpenMode::ReadOnly);
    // SQLite's own query, not the dialect's.
    ResultSet reports = ResultSet::fromSqlite(
        connection, SqliteQuery { QStringLiteral("SELECT * FROM Report ORDER BY rowid"), 0 });
    QStringList names;
    for (reports.moveFirst(); !reports.eof(); reports.moveNext()) {
        const QString name = reports.value(QStringLiteral("Report Name")).toText();
        const QString sql = reports.value(QStringLiteral("SQL0")).toText();
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(names.contains(name, Qt::CaseInsensitive)) << "names are unique";
        names.append(name);
        for (int k = 1; k <= 9; ++k) {
            const QString placeholder = QStringLiteral("filter") + QString::number(k);
            const QString caption = reports.value(QStringLiteral("L") + QString::number(k)).toText();
            EXPECT_EQ(sql.contains(placeholder), caption != QLatin1String("<Not Available>")) << k;
            EXPECT_FALSE(caption.isEmpty()) << k;
            EXPECT_TRUE(reports.value(QStringLiteral("t") + QString::number(k)).displayText().isEmpty());
            if (k <= 2) {
                EXPECT_TRUE(sql.contains(QLatin1Char('#') + placeholder + QLatin1Char('#')))
                    << "dates sit between # marks";
            }
        }
        // One read-only SELECT over real columns that finds the stored row.
        EXPECT_EQ(ResultSet(connection, filled(sql), QueryAccess::ReadOnly).recordCount(), 1)
            << qPrintable(filled(sql));
    }
    for (const char* words : { "Denied", "Sources", "Destinations", "Service", "Policy", "Source IP" })
        EXPECT_FALSE(names.filter(QLatin1String(words)).isEmpty()) << words;
}

TEST(NewDbRefusal, NeverOverwritesAndFailsClearly)
{
    const std::pair<const char*, const char*> cases[] = {
        // A file there before the run (none: the folder is missing), and what the error names.
        { "syslog97.mdb", "syslog97.mdb" },
        { "Errlog.txt", "Errlog.txt" },
        { nullptr, "Path not found" },
    };
    const QByteArray old("keep me\r\n");
    for (const auto& [present, wording] : cases) {
        SCOPED_TRACE(wording);
        QTemporaryDir dir;
        QFile file(dir.filePath(QLatin1String(present)));
        if (present) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(old);
            file.close();
        }
        const ToolRun refused
            = run("corvane-newdb", { present ? dir.path() : dir.filePath(QStringLiteral("absent")) });
        EXPECT_NE(refused.exitCode, 0);
        EXPECT_TRUE(refused.err.contains(QLatin1String(wording))) << qPrintable(refused.err);
        // Nothing else written, nothing overwritten.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            present ? QStringList { QLatin1String(present) } : QStringList());
        if (present) {
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), old);
        }
    }
    EXPECT_NE(run("corvane-newdb", {}).exitCode, 0);
}

class QueryTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        Connection(db).execute(
            QStringLiteral("INSERT INTO syslog ([src zone=], [src=], [start_time=], [sent+rcvd]) VALUES "
                           "('Trust', '192.0.2.1', '2026-12-04 15:04:05', 100), ('trust', '192.0.2.17', "
                           "'2026-12-05 09:00:00', 50), "
                           "('Untrust', 'a,b', '2026-12-05 15:04:06', 25.5)"));
        Connection(db).execute(QStringLiteral(
            "INSERT INTO Report ([Report Name], SQL0, t1, t3) VALUES ('Zone''s sources', "
            "'SELECT [src=] FROM syslog WHERE [start_time=] >= #filter1# AND [src zone=] = ''filter3''', "
            "'05/12/2026', 'trust')"));
    }
    corvane::testing::ProgramFolder folder;
    const QString db = folder.databasePath();
};

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
        // Trust and trust are one group, as Jet compares text.
        { { db, "SELECT count(*) AS n, sum([sent+rcvd]) AS b FROM syslog GROUP BY [src zone=] ORDER BY n" },
            "n,b,\r\n1,25.5,\r\n2,150,\r\n" },
        // A cell holding a comma is quoted, so the line keeps its fields.
        { { db, "SELECT [src=] FROM syslog WHERE [src=] LIKE 'a*'" }, "src=,\r\n\"a,b\",\r\n" },
        // Expressions without a name are headed as Jet heads them; with TOP's
        // wrapper too.
        { { db, "SELECT Left([src=], 3), [src=], Right([src=], 2) & ',' FROM syslog WHERE [src=] LIKE 'a*'" },
            "Expr1000,src=,Expr1001,\r\n\"a,b\",\"a,b\",\",b,\",\r\n" },
        { { db, "SELECT TOP 1 Len([src=]), [src zone=] FROM syslog ORDER BY [src zone=]" },
            "Expr1000,src zone=,\r\n9,Trust,\r\n10,trust,\r\n" }, // trust ties with Trust
        { { db, "DELETE FROM syslog" }, "", 1, "Error 3129: " },
        { { folder.path() + "/missing.mdb", "SELECT * FROM syslog" }, "", 1, "Error 3024: " },
        { { db, "SELECT count(*) AS n FROM syslog" }, "n,\r\n3,\r\n" }, // nothing was deleted
        { { db, option, report }, "src=,\r\n192.0.2.17,\r\n" },
        { { db, option, report, "--filter1", "01/12/2026" }, "src=,\r\n192.0.2.1,\r\n192.0.2.17,\r\n" },
        { { db, option, report, "--filter", "3=Untrust" }, "src=,\r\n\"a,b\",\r\n" },
        // Not a date: the placeholder goes, and the query is refused.
        { { db, option, report, "--filter1", "12/31/2026" }, "", 1, "Error " },
        { { db, option, "No such report" }, "", 1, "Error 3265: " },
        { { db, option, report, "--filter10", "x" }, "", 2, "usage: " },
        // Nothing is written back.
        { { db, "SELECT t1, t3 FROM Report WHERE t1 IS NOT NULL" }, "t1,t3,\r\n05/12/2026,trust,\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ToolRun result = run("corvane-query", c.arguments);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
        EXPECT_TRUE(!c.err || result.err.startsWith(QLatin1String(c.err))) << result.err.toStdString();
    }
    // An archive beside the database counts only when asked for.
    ASSERT_TRUE(QFile::copy(db, folder.path() + "/syslog97-20261201-000000.mdb"));
    const QString count = QStringLiteral("SELECT count(*) AS n FROM syslog");
    EXPECT_EQ(run("corvane-query", { db, count }).out, "n,\r\n3,\r\n");
    const ToolRun both = run("corvane-query", { "--with-archives", db, count });
    EXPECT_EQ(both.out, "n,\r\n6,\r\n");
    EXPECT_EQ(both.err, "Read 2 files: syslog97-20261201-000000.mdb, syslog97.mdb\n");
}

} // namespace
