#include "base/new_database.h"
#include "base/report_definitions.h"
#include "db_test_support.h"
#include "platform/db/grouped_scan.h"
#include "platform/db/query_cursor.h"
#include "platform/db/schema_reader.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/statement.h"
#include "platform/db/transaction.h"
#include "platform/jet/translator/translator.h"
#include "qstring_printer.h"

#include <cstring>
#include <random>
#include <sqlite3.h>

using namespace corvane::platform;
using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

// Rows as the firewalls send them, and as they should not: keys in several
// spellings, Nulls and empty texts, sums that tie, fractions, texts to sum.
struct Data {
    bool mixed; // spellings and fractions that make the reading order matter
    int rows;
};

void PrintTo(const Data& data, std::ostream* out)
{
    *out << (data.mixed ? "mixed" : "plain") << " data, " << data.rows << " rows";
}

QString pick(std::mt19937& random, std::initializer_list<const char*> choices)
{
    const auto* chosen = choices.begin() + random() % choices.size();
    return *chosen ? QString::fromUtf8(*chosen) : QString();
}

void fill(Connection& connection, const Data& data)
{
    std::mt19937 random(data.mixed ? 7 : 11);
    Transaction transaction(connection);
    Statement insert(connection,
        QStringLiteral(
            "INSERT INTO syslog ([start_time=], [src=], [dst=], [service=], [policy_id=], [action=], "
            "[sent=], [sent+rcvd], [src zone=]) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"));
    for (int i = 0; i < data.rows; ++i) {
        const QString day = QStringLiteral("2026-11-%1 %2:00:00")
                                .arg(1 + random() % 30, 2, 10, QLatin1Char('0'))
                                .arg(random() % 24, 2, 10, QLatin1Char('0'));
        QString src = QStringLiteral("10.0.%1.%2").arg(random() % 3).arg(random() % 40);
        if (data.mixed && random() % 3 == 0)
            src = pick(random,
                { "Host-A", "host-a", "HOST-A", "host-b", "Host-B", "", nullptr, "Gateway-North",
                    "GATEWAY-north" });
        // Keys first met late, then met again in another spelling: the rows'
        // order decides which one shows.
        if (data.mixed && i % 7 == 0)
            src = QStringLiteral("%1-%2").arg(i * 8 / data.rows % 2 ? "PAIR" : "Pair").arg(i * 4 / data.rows);
        const QString service = data.mixed ? pick(random, { "http", "HTTP", "dns", "Dns", "", nullptr })
                                           : pick(random, { "http", "dns", "smtp", nullptr });
        const double whole[] = { 0, 40, 100, 1500 };
        Value bytes(whole[random() % 4]);
        if (random() % 10 == 0)
            bytes = Value();
        else if (data.mixed && random() % 4 == 0)
            bytes = Value(pick(random, { "0.1", "12.5", "0.3" }).toDouble());
        const Value text
            = random() % 8 == 0 ? Value() : Value(pick(random, { "120", "7", "", "abc", "1.5", "9x" }));
        insert.bind(1, Value(day));
        insert.bind(2, src.isNull() ? Value() : Value(src));
        insert.bind(3, Value(QStringLiteral("192.0.2.%1").arg(random() % 25)));
        insert.bind(4, service.isNull() ? Value() : Value(service));
        insert.bind(5, random() % 9 == 0 ? Value() : Value(QString::number(1 + random() % 4)));
        insert.bind(6,
            Value(data.mixed ? pick(random, { "Permit", "permit", "Deny" })
                             : pick(random, { "Permit", "Deny" })));
        insert.bind(7, text);
        insert.bind(8, bytes);
        // NOCASE stops comparing at a NUL: SQLite groups the last two as one.
        const QString zones[]
            = { QStringLiteral("Trust"), QStringLiteral("nul") + QChar(0) + QStringLiteral("one"),
                  QStringLiteral("NUL") + QChar(0) + QStringLiteral("two") };
        insert.bind(9, Value(zones[data.mixed ? random() % 3 : 0]));
        insert.step();
        insert.reset();
    }
    transaction.commit();
}

// Equal as stored: same type, and a double to the last bit.
bool same(const Value& a, const Value& b)
{
    if (a.type() != b.type())
        return false;
    if (!a.isDouble())
        return a == b;
    const double x = a.toDouble();
    const double y = b.toDouble();
    return std::memcmp(&x, &y, sizeof x) == 0;
}

// The rows through the grouped scan and through SQLite's own GROUP BY,
// value by value and in order. True when the grouped scan answered.
bool expectSameRows(const Connection& connection, const QString& jet)
{
    const SqliteQuery translated = toSqliteQuery(connection, jet);
    const long long before = GroupedScan::completedScans();
    const ResultSet grouped = ResultSet::fromSqlite(connection, translated, QueryAccess::ReadOnly);
    const bool answered = GroupedScan::completedScans() > before;
    const ResultSet plain = ResultSet::fromSqlite(
        connection, SqliteQuery { translated.sql, translated.hiddenTrailingColumns }, QueryAccess::ReadOnly);
    EXPECT_EQ(grouped.columnNames(), plain.columnNames()) << qPrintable(jet);
    EXPECT_EQ(grouped.recordCount(), plain.recordCount()) << qPrintable(jet);
    for (std::size_t r = 0; r < std::min(grouped.rows().size(), plain.rows().size()); ++r) {
        for (std::size_t c = 0; c < plain.rows()[r].size(); ++c) {
            if (!same(grouped.rows()[r][c], plain.rows()[r][c])) {
                ADD_FAILURE() << qPrintable(jet) << "\nrow " << r << " column " << c << ": "
                              << qPrintable(grouped.rows()[r][c].displayText()) << " instead of "
                              << qPrintable(plain.rows()[r][c].displayText());
                return answered;
            }
        }
    }
    return answered;
}

// The tunings that reach each way of reading with a few thousand rows.
const GroupedScan::Tuning Readings[] = {
    {}, // one connection, in the plain query's order
    { 1, 0.0 }, // two connections over the whole table, read again in order where it matters
    { 1, 2.0 }, // two connections in rowid order where the plain query reads so, the index otherwise
};

class GroupedScanTest : public ::testing::TestWithParam<Data> {
protected:
    GroupedScanTest()
    {
        Connection connection = m_scratch.open();
        fill(connection, GetParam());
    }
    ~GroupedScanTest() override { GroupedScan::tune({}); }

    ScratchDatabase m_scratch { corvane::schemaStatements() };
};

TEST_P(GroupedScanTest, ShippedReportsGiveSqlitesRows)
{
    Connection connection = m_scratch.open(OpenMode::ReadOnly);
    const std::pair<const char*, const char*> ranges[] = {
        { "11/1/2026", "11/30/2026 23:59:59" }, // the month
        { "11/7/2026", "11/7/2026 23:59:59" }, // a day
        { "11/3/2026 13:00:00", "11/20/2026 9:00:00" }, { "12/1/2026", "12/31/2026" }, // no rows
    };
    for (const GroupedScan::Tuning& tuning : Readings) {
        GroupedScan::tune(tuning);
        for (const corvane::ReportDefinition& report : corvane::shippedReports()) {
            if (!report.sql.contains(QLatin1String("GROUP BY")))
                continue;
            for (const auto& [from, to] : ranges) {
                QString jet = report.sql;
                jet.replace(QLatin1String("filter1"), QLatin1String(from));
                jet.replace(QLatin1String("filter2"), QLatin1String(to));
                EXPECT_TRUE(expectSameRows(connection, jet)) << qPrintable(jet);
            }
        }
    }
}

TEST_P(GroupedScanTest, OtherGroupingsGiveSqlitesRows)
{
    Connection connection = m_scratch.open(OpenMode::ReadOnly);
    const std::pair<const char*, bool> queries[] = {
        { "SELECT [service=], [action=], Count(*) AS n FROM syslog GROUP BY [service=], [action=] ORDER BY "
          "Count(*) DESC, [service=]",
            true },
        { "SELECT TOP 3 [dst=], Sum([sent+rcvd]) FROM syslog WHERE [action=] = 'permit' GROUP BY [dst=] "
          "ORDER BY "
          "Sum([sent+rcvd])",
            true },
        { "SELECT TOP 2 [action=], [src=] FROM syslog GROUP BY [src=], [action=] ORDER BY Count([dst=]) DESC",
            true },
        { "SELECT TOP 5 PERCENT [src=], Count([src=]) FROM syslog GROUP BY [src=] ORDER BY Count([src=]) "
          "DESC",
            true },
        { "SELECT TOP 4 [service=], Avg([sent+rcvd]) AS a FROM syslog GROUP BY [service=] ORDER BY "
          "[service=] DESC",
            true },
        { "SELECT [policy_id=], Sum([sent=]) AS s, Count([sent=]), Avg([sent=]) FROM syslog GROUP BY "
          "[policy_id=]",
            true },
        { "SELECT [sent+rcvd], Count(*) FROM syslog GROUP BY [sent+rcvd] ORDER BY Count(*) DESC, [sent+rcvd]",
            true },
        { "SELECT s.[src=], Count(s.[logno]) FROM syslog AS s WHERE s.[src=] LIKE 'p*' GROUP BY s.[src=]",
            true },
        { "SELECT [service=] AS Service, Sum([sent+rcvd]) AS Bytes FROM syslog WHERE [start_time=] >= "
          "#11/10/2026# "
          "GROUP BY [service=] ORDER BY Bytes DESC, Service",
            true },
        // SQLite groups along the index here, without sorting: nothing to gain.
        { "SELECT [start_time=], Count(*) FROM syslog GROUP BY [start_time=] ORDER BY Count(*) DESC", false },
        { "SELECT [src zone=], Count(*) FROM syslog GROUP BY [src zone=]", true }, // but for NULs in texts
    };
    for (const GroupedScan::Tuning& tuning : Readings) {
        GroupedScan::tune(tuning);
        for (const auto& [jet, answered] : queries) {
            const bool nul = QByteArray(jet).contains("[src zone=]") && GetParam().mixed;
            EXPECT_EQ(expectSameRows(connection, QString::fromUtf8(jet)), answered && !nul) << jet;
        }
    }
}

TEST_P(GroupedScanTest, GivesSqlitesRowsWhileTheConnectionReadsElsewhere)
{
    // A read already open on the connection: no second connection can see
    // the state it sees, so the caller's connection reads alone.
    Connection connection = m_scratch.open(OpenMode::ReadOnly);
    GroupedScan::tune(Readings[1]);
    QueryCursor open(connection, QStringLiteral("SELECT [logno] FROM syslog"));
    std::vector<Value> row;
    ASSERT_TRUE(open.next(row));
    for (const char* jet :
        { "SELECT TOP 10 [src=], Count(*) FROM syslog WHERE [start_time=] >= #11/2/2026# GROUP "
          "BY [src=] ORDER BY Count(*) DESC",
            "SELECT [service=], Sum([sent+rcvd]) FROM syslog GROUP BY [service=]" })
        EXPECT_TRUE(expectSameRows(connection, QString::fromUtf8(jet))) << jet;
    EXPECT_TRUE(open.next(row));
}

INSTANTIATE_TEST_SUITE_P(Data, GroupedScanTest, ::testing::Values(Data { false, 3000 }, Data { true, 3000 }),
    [](const ::testing::TestParamInfo<Data>& info) { return info.param.mixed ? "Mixed" : "Plain"; });

TEST(GroupedScan, OtherShapesStayWithSqlite)
{
    ScratchDatabase scratch(corvane::schemaStatements());
    Connection connection = scratch.open();
    const jet::SchemaSnapshot schema = readSchema(connection);
    const char* queries[] = {
        "SELECT DISTINCT [src=], Count(*) FROM syslog GROUP BY [src=]",
        "SELECT [src=], Count(*) FROM syslog GROUP BY [src=] HAVING Count(*) > 1",
        "SELECT [src=], Max([sent+rcvd]) FROM syslog GROUP BY [src=]",
        "SELECT [src=], Sum([sent+rcvd]) * 2 FROM syslog GROUP BY [src=]",
        "SELECT Year([start_time=]), Count(*) FROM syslog GROUP BY Year([start_time=])",
        "SELECT [src=], Count(*) FROM syslog WHERE [dst=] IN (SELECT [dst=] FROM syslog) GROUP BY [src=]",
        "SELECT a.[src=], Count(*) FROM syslog AS a INNER JOIN syslog AS b ON a.[logno] = b.[logno] GROUP BY "
        "a.[src=]",
        "SELECT TOP 10 PERCENT [src=], Count(*) FROM syslog GROUP BY [src=]",
        "SELECT [src=], Count(*) FROM syslog GROUP BY [src=] ORDER BY Len([src=])",
        "SELECT Count(*), Sum([sent+rcvd]) FROM syslog",
        "SELECT [src=] FROM syslog GROUP BY [src=] UNION SELECT [dst=] FROM syslog GROUP BY [dst=]",
    };
    for (const char* query : queries) {
        const jet::Translation translation
            = jet::translate(QString::fromUtf8(query), { connection.now(), &schema });
        EXPECT_FALSE(translation.grouped.has_value()) << query;
    }
    EXPECT_TRUE(jet::translate(
        QStringLiteral("SELECT [src=], Count(*) FROM syslog GROUP BY [src=]"), { connection.now(), &schema })
                    .grouped.has_value());
}

int interruptAfter(void* calls)
{
    return --*static_cast<int*>(calls) < 0;
}

TEST(GroupedScan, InterruptedScanFailsAsSqlitesOwnDoes)
{
    ScratchDatabase scratch(corvane::schemaStatements());
    {
        Connection connection = scratch.open();
        fill(connection, { false, 3000 });
    }
    Connection connection = scratch.open(OpenMode::ReadOnly);
    const SqliteQuery query = toSqliteQuery(connection,
        QStringLiteral(
            "SELECT TOP 10 [src=], Count([logno]) AS Sessions, Sum([sent+rcvd]) AS TotalBytes FROM "
            "syslog GROUP BY [src=] ORDER BY Sum([sent+rcvd]) DESC"));
    for (const GroupedScan::Tuning& tuning : Readings) {
        GroupedScan::tune(tuning);
        for (int calls : { 0, 5, 40 }) {
            QString grouped;
            QString plain;
            int left = calls;
            sqlite3_progress_handler(connection.handle(), 10, interruptAfter, &left);
            const int groupedNumber = failureNumber(
                [&] { ResultSet::fromSqlite(connection, query, QueryAccess::ReadOnly); }, &grouped);
            left = calls;
            const int plainNumber = failureNumber(
                [&] {
                    ResultSet::fromSqlite(connection, SqliteQuery { query.sql, query.hiddenTrailingColumns },
                        QueryAccess::ReadOnly);
                },
                &plain);
            sqlite3_progress_handler(connection.handle(), 0, nullptr, nullptr);
            EXPECT_NE(plainNumber, -1) << calls;
            EXPECT_EQ(groupedNumber, plainNumber) << calls;
            EXPECT_EQ(grouped, plain) << calls;
        }
    }
    GroupedScan::tune({});
    // The connection answers again once nothing interrupts it.
    EXPECT_TRUE(expectSameRows(connection,
        QStringLiteral("SELECT [src=], Count(*) FROM syslog GROUP BY [src=] ORDER BY Count(*) DESC")));
}

} // namespace
