#include "db_test_support.h"
#include "platform/db/result_set.h"
#include "platform/db/statement.h"
#include "scratch_database.h"

#include <QFileInfo>

using namespace corvane::platform;
using namespace corvane::platform::db;
using corvane::platform::db::testing::failureNumber;
using corvane::platform::db::testing::ScratchDatabase;

namespace {

const QStringList LogSchema = {
    QStringLiteral("CREATE TABLE syslog (logno INTEGER PRIMARY KEY, [src=] TEXT COLLATE NOCASE, "
                   "[sent+rcvd] REAL)"),
    QStringLiteral("INSERT INTO syslog([src=], [sent+rcvd]) VALUES ('10.0.0.1', 460), ('10.0.0.2', 12.5), "
                   "('10.0.0.3', NULL)"),
};

QStringList walk(ResultSet& result, const QString& column)
{
    QStringList seen;
    for (result.moveFirst(); !result.eof(); result.moveNext())
        seen.append(result.value(column).displayText());
    return seen;
}

TEST(ResultSet, RowsInTheQueryOrderWithNavigation)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    ResultSet result(
        connection, QStringLiteral("SELECT [src=], [sent+rcvd] FROM syslog ORDER BY [logno] desc"));
    EXPECT_EQ(result.columnNames(), QStringList({ QStringLiteral("src="), QStringLiteral("sent+rcvd") }));
    EXPECT_EQ(result.recordCount(), 3);
    EXPECT_EQ(walk(result, QStringLiteral("src=")),
        QStringList({ QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.1") }));
    EXPECT_TRUE(result.eof());
    EXPECT_EQ(failureNumber([&] { result.moveNext(); }), 3021);
    EXPECT_EQ(failureNumber([&] { result.value(0); }), 3021);
    result.moveLast();
    EXPECT_EQ(result.value(QStringLiteral("SENT+RCVD")).displayText(), QStringLiteral("460"));
    result.moveNext();
    EXPECT_TRUE(result.eof());
    ASSERT_EQ(result.rows().size(), 3u);
    EXPECT_TRUE(result.rows()[0][1].isNull());
}

TEST(ResultSet, EmptyResultHasNoCurrentRecord)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    ResultSet empty(connection, QStringLiteral("SELECT * FROM syslog WHERE logno > 99"));
    EXPECT_EQ(empty.recordCount(), 0);
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(empty.columnCount(), 3);
    QString description;
    EXPECT_EQ(failureNumber([&] { empty.moveLast(); }, &description), 3021);
    EXPECT_EQ(description, QStringLiteral("No current record."));
    EXPECT_EQ(failureNumber([&] { empty.moveFirst(); }), 3021);
    EXPECT_EQ(failureNumber([&] { empty.value(QStringLiteral("src=")); }), 3021);
}

TEST(ResultSet, ColumnsByNameWithoutRegardToCase)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    ResultSet result(
        connection, QStringLiteral("SELECT sum([sent+rcvd]) AS Total, min([src=]) AS Src FROM syslog"));
    result.moveFirst();
    struct Case {
        const char* name;
        int number; // -1: found
        const char* text;
    };
    const Case cases[] = {
        { "Total", -1, "472.5" },
        { "TOTAL", -1, "472.5" },
        { "total", -1, "472.5" },
        { "src", -1, "10.0.0.1" },
        { "Tota", 3265, "" },
        { "", 3265, "" },
        { "src=", 3265, "" },
    };
    for (const Case& c : cases) {
        QString text;
        EXPECT_EQ(
            failureNumber([&] { text = result.value(QString::fromUtf8(c.name)).displayText(); }), c.number)
            << c.name;
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.name;
    }
    EXPECT_EQ(failureNumber([&] { result.value(2); }), 3265);
    EXPECT_EQ(failureNumber([&] { result.value(-1); }), 3265);
}

TEST(ResultSet, ReadOnlyQueriesRefuseAnythingButOneSelect)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    const QString other = scratch.file("other.mdb");
    struct Case {
        const char* sql;
        int number;
    };
    const Case cases[] = {
        { "DELETE FROM syslog", 3129 },
        { "UPDATE syslog SET [src=] = 'x'", 3129 },
        { "INSERT INTO syslog([src=]) VALUES ('x')", 3129 },
        { "DROP TABLE syslog", 3129 },
        { "CREATE TABLE evil(x)", 3129 },
        { "PRAGMA journal_mode=DELETE", 3129 },
        { "PRAGMA table_info(syslog)", 3129 },
        { "BEGIN", 3129 },
        { "ATTACH DATABASE 'other.mdb' AS other", 3129 },
        { "VACUUM", 3129 },
        { "SELECT 1; DELETE FROM syslog", 3142 },
        { "SELECT count(*) FROM syslog; SELECT 1", 3142 },
        { "WITH x AS (SELECT 1) DELETE FROM syslog", 3129 },
    };
    // Refused both as dialect text and as SQLite's own SQL, where the
    // statement checks and the authorizer stop it.
    for (const Case& c : cases) {
        QString description;
        EXPECT_EQ(
            failureNumber([&] { ResultSet(connection, QString::fromUtf8(c.sql), QueryAccess::ReadOnly); },
                &description),
            c.number)
            << c.sql;
        EXPECT_FALSE(description.isEmpty()) << c.sql;
        EXPECT_EQ(failureNumber([&] {
            ResultSet::fromSqlite(connection, SqliteQuery{QString::fromUtf8(c.sql), 0}, QueryAccess::ReadOnly);
        }),
            c.number)
            << c.sql;
    }
    // Nothing changed, nothing attached or created, and the connection still reads and writes.
    EXPECT_FALSE(QFileInfo::exists(other));
    ResultSet check(
        connection, QStringLiteral("SELECT count(*), (SELECT count(*) FROM sqlite_schema) FROM syslog"));
    EXPECT_EQ(check.value(0), Value(3));
    EXPECT_EQ(check.value(1), Value(1));
    ResultSet journal = ResultSet::fromSqlite(connection, SqliteQuery{QStringLiteral("PRAGMA journal_mode"), 0});
    EXPECT_EQ(journal.value(0).toText(), QStringLiteral("wal"));
    connection.execute(QStringLiteral("INSERT INTO syslog([src=]) VALUES ('after')"));

    // Plain reads with functions, grouping and sub-queries pass.
    ResultSet read = ResultSet::fromSqlite(connection,
        SqliteQuery{QStringLiteral("SELECT upper([src=]), count(*) FROM syslog WHERE logno IN (SELECT logno FROM "
                                   "syslog) GROUP BY [src=] ORDER BY 1"), 0},
        QueryAccess::ReadOnly);
    EXPECT_EQ(read.recordCount(), 4);
}

TEST(ResultSet, HiddenTrailingColumnsAreDropped)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    struct Case {
        int hidden;
        QStringList names;
    };
    const Case cases[] = {
        { 0, { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("rank") } },
        { 1, { QStringLiteral("a"), QStringLiteral("b") } },
        { 3, {} },
        { 5, {} },
    };
    for (const Case& c : cases) {
        ResultSet result = ResultSet::fromSqlite(connection,
            SqliteQuery { QStringLiteral("SELECT logno AS a, [src=] AS b, 9 AS rank FROM syslog"), c.hidden },
            QueryAccess::ReadOnly);
        EXPECT_EQ(result.columnNames(), c.names) << c.hidden;
        EXPECT_EQ(result.recordCount(), 3) << c.hidden;
        ASSERT_FALSE(result.rows().empty());
        EXPECT_EQ(static_cast<int>(result.rows()[0].size()), c.names.size());
        EXPECT_EQ(failureNumber([&] { result.value(QStringLiteral("rank")); }), c.hidden == 0 ? -1 : 3265);
    }
}

} // namespace
