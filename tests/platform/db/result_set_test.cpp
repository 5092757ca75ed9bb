#include "db_test_support.h"
#include "platform/db/result_set.h"
#include "platform/db/value.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <limits>

using namespace corvane::platform;
using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

const QStringList LogSchema = {
    QStringLiteral("CREATE TABLE syslog (logno INTEGER PRIMARY KEY, [src=] TEXT COLLATE NOCASE, "
                   "[sent+rcvd] REAL)"),
    QStringLiteral("INSERT INTO syslog([src=], [sent+rcvd]) VALUES ('10.0.0.1', 460), ('10.0.0.2', 12.5), "
                   "('10.0.0.3', NULL)"),
};

TEST(ResultSet, RowsInTheQueryOrderWithNavigationAndColumnsByName)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    ResultSet result(
        connection, QStringLiteral("SELECT [src=] AS Src, [sent+rcvd] FROM syslog ORDER BY [logno] desc"));
    EXPECT_EQ(result.columnNames(), QStringList({ QStringLiteral("Src"), QStringLiteral("sent+rcvd") }));
    QStringList seen;
    for (result.moveFirst(); !result.eof(); result.moveNext())
        seen.append(result.value(QStringLiteral("SRC")).displayText());
    EXPECT_EQ(seen,
        QStringList({ QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.1") }));
    EXPECT_EQ(failureNumber([&] { result.moveNext(); }), 3021);
    EXPECT_EQ(failureNumber([&] { result.value(0); }), 3021);
    result.moveLast();
    EXPECT_EQ(result.value(QStringLiteral("Sent+Rcvd")).displayText(), QStringLiteral("460"));
    // By the result's own names only.
    EXPECT_EQ(failureNumber([&] { result.value(QStringLiteral("src=")); }), 3265);
    EXPECT_EQ(failureNumber([&] { result.value(2); }), 3265);

    ResultSet empty(connection, QStringLiteral("SELECT * FROM syslog WHERE logno > 99"));
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(empty.columnCount(), 3);
    QString description;
    EXPECT_EQ(failureNumber([&] { empty.moveLast(); }, &description), 3021);
    EXPECT_EQ(description, QStringLiteral("No current record."));
    EXPECT_EQ(failureNumber([&] { empty.value(QStringLiteral("src=")); }), 3021);
}

TEST(ResultSet, ReadOnlyQueriesRefuseAnythingButOneSelect)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    // Refused as dialect text and as SQLite's own SQL alike; a second statement
    // is refused for being one.
    const auto refusal = [&](const QString& text) {
        const int asDialect = failureNumber([&] { ResultSet(connection, text, QueryAccess::ReadOnly); });
        const int asSqlite = failureNumber([&] {
            ResultSet::fromSqlite(connection, SqliteQuery { text, 0 }, QueryAccess::ReadOnly);
        });
        return asDialect == asSqlite ? asDialect : -2;
    };
    for (const char* sql :
        { "DELETE FROM syslog", "DROP TABLE syslog", "WITH x AS (SELECT 1) DELETE FROM syslog",
            "PRAGMA journal_mode=DELETE", "PRAGMA table_info(syslog)" /* reads, yet no plain SELECT */,
            "BEGIN", "ATTACH DATABASE 'other.mdb' AS other" })
        EXPECT_EQ(refusal(QString::fromUtf8(sql)), 3129) << sql;
    EXPECT_EQ(refusal(QStringLiteral("SELECT 1; DELETE FROM syslog")), 3142);
    // Nothing changed or attached, and the connection is unrestricted again.
    EXPECT_FALSE(QFileInfo::exists(scratch.file("other.mdb")));
    EXPECT_EQ(firstValue(connection, QStringLiteral("SELECT count(*) FROM syslog")), Value(3));
    EXPECT_EQ(firstValue(connection, QStringLiteral("PRAGMA journal_mode")), Value(QStringLiteral("wal")));
    connection.execute(QStringLiteral("INSERT INTO syslog([src=]) VALUES ('after')"));

    ResultSet read(connection,
        QStringLiteral("SELECT ucase([src=]), count(*) FROM syslog WHERE logno IN (SELECT logno FROM "
                       "syslog) GROUP BY [src=]"),
        QueryAccess::ReadOnly);
    EXPECT_EQ(read.recordCount(), 4);
}

TEST(ResultSet, HiddenTrailingColumnsAreDropped)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    const std::pair<int, QStringList> cases[] = {
        { 1, { QStringLiteral("a"), QStringLiteral("b") } }, { 5, {} }, // more than there are
    };
    for (const auto& [hidden, names] : cases) {
        ResultSet result = ResultSet::fromSqlite(connection,
            SqliteQuery { QStringLiteral("SELECT logno AS a, [src=] AS b, 9 AS rank FROM syslog"), hidden });
        EXPECT_EQ(result.columnNames(), names) << hidden;
        ASSERT_EQ(result.rows().size(), 3u);
        EXPECT_EQ(result.rows()[0].size(), static_cast<std::size_t>(names.size())) << hidden;
        EXPECT_EQ(failureNumber([&] { result.value(QStringLiteral("rank")); }), 3265) << hidden;
    }
}

TEST(Value, DisplayTextIsWhatTheGridShows)
{
    const std::pair<Value, const char*> cases[] = {
        { Value(), "" }, { Value(460.0), "460" }, { Value(-0.0), "0" }, { Value(0.1), "0.1" },
        { Value(0.1 + 0.2), "0.30000000000000004" }, // the shortest that reads back
        { Value(1.5e-7), "1.5e-07" }, { Value(9007199254740992.0), "9007199254740992" },
        { Value(1e20), "1e+20" }, { Value(QStringLiteral("460.0")), "460.0" }, // text stays as written
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(value.displayText(), QString::fromUtf8(text)) << text;
}

TEST(Value, ConversionsRoundHalfAwayFromZeroAndRefuseWhatIsNoNumber)
{
    struct Case {
        Value value;
        bool intOk;
        std::int64_t asInt;
        bool doubleOk;
        double asDouble;
    };
    const Case cases[] = {
        { Value(), false, 0, false, 0 },
        { Value(2.5), true, 3, true, 2.5 },
        { Value(-2.5), true, -3, true, -2.5 },
        { Value(1e19), false, 0, true, 1e19 },
        { Value(std::numeric_limits<double>::quiet_NaN()), false, 0, false, 0 },
        { Value(QStringLiteral(" 17 ")), true, 17, true, 17 },
        // read as a whole number, not through a double
        { Value(QStringLiteral("9223372036854775807")), true, 9223372036854775807LL, true,
            9223372036854775807.0 },
        { Value(QStringLiteral("3.75")), true, 4, true, 3.75 },
        { Value(QStringLiteral("12abc")), false, 0, false, 0 },
    };
    for (const Case& c : cases) {
        bool ok = !c.intOk;
        EXPECT_EQ(c.value.toInt64(&ok), c.asInt) << qPrintable(c.value.displayText());
        EXPECT_EQ(ok, c.intOk) << qPrintable(c.value.displayText());
        ok = !c.doubleOk;
        EXPECT_EQ(c.value.toDouble(&ok), c.asDouble) << qPrintable(c.value.displayText());
        EXPECT_EQ(ok, c.doubleOk) << qPrintable(c.value.displayText());
    }
    // The storage class is part of the value.
    EXPECT_NE(Value(1), Value(1.0));
    EXPECT_NE(Value(1), Value(QStringLiteral("1")));
    EXPECT_NE(Value(), Value(QString()));
}

} // namespace
