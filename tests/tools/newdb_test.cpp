#include "app/field_keys.h"
#include "platform/db/connection.h"
#include "platform/db/result_set.h"
#include "platform/db/statement.h"
#include "platform/failure/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

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

QByteArray bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class NewDb : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const ToolRun run = runNewDb({ m_dir.path() });
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    }
    QString database() const { return m_dir.filePath(QStringLiteral("syslog97.mdb")); }
    QString errorLog() const { return m_dir.filePath(QStringLiteral("Errlog.txt")); }

    QTemporaryDir m_dir;
};

struct ColumnShape {
    QString name;
    QString type;
    QString collation;
};

// Schema queries are SQLite's own, not the dialect's.
ResultSet sqliteRows(const Connection& connection, const QString& sql)
{
    return ResultSet::fromSqlite(connection, SqliteQuery{sql, 0});
}

std::vector<ColumnShape> columnsOf(const Connection& connection, const QString& table)
{
    std::vector<ColumnShape> shapes;
    ResultSet info = sqliteRows(
        connection, QStringLiteral("SELECT name, type FROM pragma_table_info('%1') ORDER BY cid").arg(table));
    for (const auto& row : info.rows()) {
        const QByteArray name = row[0].toText().toUtf8();
        const char* collation = nullptr;
        EXPECT_EQ(sqlite3_table_column_metadata(connection.handle(), nullptr, table.toUtf8().constData(),
                      name.constData(), nullptr, &collation, nullptr, nullptr, nullptr),
            SQLITE_OK);
        shapes.push_back({ row[0].toText(), row[1].toText(), QString::fromUtf8(collation) });
    }
    return shapes;
}

TEST_F(NewDb, EveryTableHasItsColumnsInOrder)
{
    const QString text = QStringLiteral("TEXT");
    const QString nocase = QStringLiteral("NOCASE");
    const QString binary = QStringLiteral("BINARY");
    std::vector<ColumnShape> syslog { { QStringLiteral("logno"), QStringLiteral("INTEGER"), binary } };
    const corvane::FieldKeys keys;
    for (const QString& key : keys.keys())
        syslog.push_back(key == QLatin1String("start_time=")
                ? ColumnShape { key, QStringLiteral("DATETEXT"), binary }
                : ColumnShape { key, text, nocase });
    syslog.push_back({ QStringLiteral("LogDate"), QStringLiteral("DATETEXT"), binary });
    syslog.push_back({ QStringLiteral("sent+rcvd"), QStringLiteral("REAL"), binary });
    std::vector<ColumnShape> report { { QStringLiteral("Report Name"), text, nocase },
        { QStringLiteral("SQL0"), text, nocase } };
    for (const char* prefix : { "L", "t" })
        for (int k = 1; k <= 9; ++k)
            report.push_back({ QLatin1String(prefix) + QString::number(k), text, nocase });

    const std::pair<QString, std::vector<ColumnShape>> tables[] = {
        { QStringLiteral("syslog"), syslog },
        { QStringLiteral("missed"), { { QStringLiteral("syslog"), text, nocase } } },
        { QStringLiteral("Report"), report },
        { QStringLiteral("Statustype"), { { QStringLiteral("Status Type"), text, nocase } } },
        { QStringLiteral("Membershipdetails"), { { QStringLiteral("Membership Status"), text, nocase } } },
        { QStringLiteral("paymentdetails"),
            { { QStringLiteral("Payment Amount"), QStringLiteral("REAL"), binary },
                { QStringLiteral("payment date"), QStringLiteral("DATETEXT"), binary } } },
        { QStringLiteral("SignIn"),
            { { QStringLiteral("MembershipID"), QStringLiteral("INTEGER"), binary },
                { QStringLiteral("date"), QStringLiteral("DATETEXT"), binary } } },
    };
    Connection connection(database(), OpenMode::ReadOnly);
    for (const auto& [table, expected] : tables) {
        const auto actual = columnsOf(connection, table);
        ASSERT_EQ(actual.size(), expected.size()) << qPrintable(table);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(actual[i].name, expected[i].name) << qPrintable(table) << " column " << i;
            EXPECT_EQ(actual[i].type, expected[i].type)
                << qPrintable(table + QLatin1Char('.') + expected[i].name);
            EXPECT_EQ(actual[i].collation, expected[i].collation)
                << qPrintable(table + QLatin1Char('.') + expected[i].name);
        }
    }
    ResultSet tablesThere = sqliteRows(
        connection, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table'"));
    EXPECT_EQ(tablesThere.value(0), Value(7));
    // logno is the rowid itself, so a new row always gets a number above every stored one.
    ResultSet pk = sqliteRows(
        connection, QStringLiteral("SELECT pk FROM pragma_table_info('syslog') WHERE name = 'logno'"));
    EXPECT_EQ(pk.value(0), Value(1));
    ResultSet index = sqliteRows(connection,
        QStringLiteral("SELECT ii.name FROM pragma_index_list('syslog') AS il, "
                       "pragma_index_info(il.name) AS ii"));
    ASSERT_EQ(index.recordCount(), 1);
    EXPECT_EQ(index.value(0), Value(QStringLiteral("start_time=")));
    EXPECT_EQ(
        sqliteRows(connection, QStringLiteral("PRAGMA journal_mode")).value(0), Value(QStringLiteral("wal")));
    for (const char* empty :
        { "syslog", "missed", "Statustype", "Membershipdetails", "paymentdetails", "SignIn" })
        EXPECT_EQ(
            ResultSet(connection, QStringLiteral("SELECT count(*) FROM ") + QLatin1String(empty)).value(0),
            Value(0))
            << empty;
}

// A template filled the way the report tab fills it: month-first dates,
// the wildcard for every other filter.
QString filled(QString sql)
{
    sql.replace(QStringLiteral("filter1"), QStringLiteral("1/1/2005 0:0:0"));
    sql.replace(QStringLiteral("filter2"), QStringLiteral("1/1/2030 0:0:0"));
    sql.replace(QRegularExpression(QStringLiteral("filter[3-9]")), QStringLiteral("*"));
    return sql;
}

TEST_F(NewDb, ReportsAreUsableJetTemplatesWithMatchingCaptions)
{
    {
        Connection writer(database());
        writer.execute(
            QStringLiteral("INSERT INTO syslog ([start_time=], [src=], [dst=], [service=], [policy_id=], "
                           "[action=], [sent+rcvd], [dst_port=]) VALUES ('2006-06-02 14:55:45', "
                           "'192.168.2.1', '1.2.3.4', 'udp/port:7001', '119', 'Deny', 460, '7001')"));
    }
    Connection connection(database(), OpenMode::ReadOnly);
    ResultSet reports = sqliteRows(connection, QStringLiteral("SELECT * FROM Report ORDER BY rowid"));
    EXPECT_GE(reports.recordCount(), 6);
    QStringList names;
    for (reports.moveFirst(); !reports.eof(); reports.moveNext()) {
        const QString name = reports.value(QStringLiteral("Report Name")).toText();
        const QString sql = reports.value(QStringLiteral("SQL0")).toText();
        EXPECT_FALSE(names.contains(name, Qt::CaseInsensitive)) << "names are unique: " << qPrintable(name);
        names.append(name);
        EXPECT_TRUE(sql.startsWith(QLatin1String("SELECT "))) << qPrintable(sql);
        EXPECT_TRUE(sql.contains(QLatin1String(" FROM syslog"))) << qPrintable(sql);
        EXPECT_FALSE(sql.contains(QLatin1Char(';')) || sql.contains(QLatin1Char('"'))) << qPrintable(sql);
        for (int k = 1; k <= 9; ++k) {
            const QString placeholder = QStringLiteral("filter") + QString::number(k);
            const QString caption = reports.value(QStringLiteral("L") + QString::number(k)).toText();
            EXPECT_EQ(sql.contains(placeholder), caption != QLatin1String("<Not Available>"))
                << qPrintable(name) << " filter " << k << " caption '" << qPrintable(caption) << "'";
            EXPECT_FALSE(caption.isEmpty()) << qPrintable(name) << " L" << k;
            EXPECT_TRUE(reports.value(QStringLiteral("t") + QString::number(k)).displayText().isEmpty());
            if (k <= 2) {
                EXPECT_EQ(sql.contains(placeholder),
                    sql.contains(QLatin1Char('#') + placeholder + QLatin1Char('#')))
                    << qPrintable(name) << ": dates sit between # marks";
            }
        }
        // The template names only real columns and reads the stored row.
        ResultSet rows(connection, filled(sql), QueryAccess::ReadOnly);
        EXPECT_EQ(rows.recordCount(), 1) << qPrintable(name) << ": " << qPrintable(filled(sql));
    }
    const QStringList mustHave[]
        = { { QStringLiteral("Denied") }, { QStringLiteral("Sources") }, { QStringLiteral("Destinations") },
              { QStringLiteral("Service") }, { QStringLiteral("Policy") }, { QStringLiteral("Source IP") } };
    for (const QStringList& words : mustHave)
        EXPECT_FALSE(names.filter(words.front()).isEmpty()) << qPrintable(words.front());
    // A source IP report takes a * pattern through LIKE.
    EXPECT_FALSE(ResultSet(connection,
        QStringLiteral("SELECT 1 FROM Report WHERE InStr(SQL0, '[src=] LIKE ''filter3''') > 0"))
                     .rows()
                     .empty());
}

TEST_F(NewDb, ErrorLogHoldsTheCountZero)
{
    EXPECT_EQ(bytes(errorLog()), QByteArray("0\r\n"));
    // Only the two files are left; no temporary or journal files.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ QStringLiteral("Errlog.txt"), QStringLiteral("syslog97.mdb") }));
}

TEST(NewDbRefusal, NeverOverwritesAndFailsClearly)
{
    struct Case {
        const char* name;
        bool database;
        bool errorLog;
        bool folderMissing;
        const char* wording;
    };
    const Case cases[] = {
        { "database exists", true, false, false, "syslog97.mdb" },
        { "error log exists", false, true, false, "Errlog.txt" },
        { "both exist", true, true, false, "already exists" },
        { "missing folder", false, false, true, "Path not found" },
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString folder = c.folderMissing ? dir.filePath(QStringLiteral("absent")) : dir.path();
        const QByteArray old("keep me\r\n");
        for (const auto& [exists, file] :
            { std::pair { c.database, "syslog97.mdb" }, std::pair { c.errorLog, "Errlog.txt" } }) {
            if (!exists)
                continue;
            QFile f(dir.filePath(QLatin1String(file)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        const ToolRun run = runNewDb({ folder });
        EXPECT_NE(run.exitCode, 0) << c.name;
        EXPECT_TRUE(run.errors.contains(QLatin1String(c.wording)))
            << c.name << ": " << qPrintable(run.errors);
        EXPECT_EQ(
            bytes(dir.filePath(QStringLiteral("syslog97.mdb"))), c.database ? old : QByteArray("<missing>"))
            << c.name;
        EXPECT_EQ(
            bytes(dir.filePath(QStringLiteral("Errlog.txt"))), c.errorLog ? old : QByteArray("<missing>"))
            << c.name;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
            int(c.database) + int(c.errorLog))
            << c.name << ": nothing else written";
        EXPECT_FALSE(QFileInfo::exists(folder) && c.folderMissing) << c.name;
    }
    EXPECT_NE(runNewDb({}).exitCode, 0);
}

} // namespace
