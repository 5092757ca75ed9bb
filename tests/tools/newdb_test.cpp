#include "platform/db/connection.h"
#include "platform/db/result_set.h"

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
    QString errors;
};

ToolRun runNewDb(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-newdb"), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()) };
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
    const ToolRun made = runNewDb({ dir.path() });
    ASSERT_EQ(made.exitCode, 0) << qPrintable(made.errors);
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
        const ToolRun run = runNewDb({ present ? dir.path() : dir.filePath(QStringLiteral("absent")) });
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.errors.contains(QLatin1String(wording))) << qPrintable(run.errors);
        // Nothing else written, nothing overwritten.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            present ? QStringList { QLatin1String(present) } : QStringList());
        if (present) {
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), old);
        }
    }
    EXPECT_NE(runNewDb({}).exitCode, 0);
}

} // namespace
