#include "db_test_support.h"
#include "platform/db/appending_table_view.h"
#include "platform/db/result_set.h"
#include "platform/db/transaction.h"
#include "scratch_database.h"

#include <QDateTime>
#include <variant>

using namespace corvane::platform;
using namespace corvane::platform::db;
using corvane::platform::db::testing::failureNumber;
using corvane::platform::db::testing::ScratchDatabase;

namespace {

const QStringList LogSchema = {
    QStringLiteral("CREATE TABLE syslog (logno INTEGER PRIMARY KEY, [start_time=] DATETEXT, "
                   "[src zone=] TEXT COLLATE NOCASE, LogDate DATETEXT, [sent+rcvd] REAL)"),
    QStringLiteral("CREATE TABLE missed (syslog TEXT COLLATE NOCASE)"),
    QStringLiteral("CREATE TABLE strict_t (a TEXT NOT NULL, b TEXT NOT NULL)"),
};

// Reads back in SQLite's own SQL, so the check does not lean on the dialect.
Value stored(const Connection& connection, const QString& sql)
{
    const ResultSet result = ResultSet::fromSqlite(connection, SqliteQuery{sql, 0});
    return result.value(0);
}

TEST(AppendingTableView, DateColumnsStoreCanonicalTextOrTheTextAsGiven)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    AppendingTableView view(connection, QStringLiteral("syslog"));
    using Input = std::variant<Value, QDateTime>;
    struct Case {
        Input input;
        Value expected;
    };
    const auto text = [](const char* s) { return Value(QString::fromUtf8(s)); };
    const Case cases[] = {
        { Value(0), text("1899-12-30 00:00:00") },
        { Value(0.0), text("1899-12-30 00:00:00") },
        { Value(38714.5), text("2005-12-28 12:00:00") },
        { Value(-1.25), text("1899-12-29 06:00:00") },
        { text("2005-12-28 10:00:00"), text("2005-12-28 10:00:00") },
        { text("12/5/2005 13:4:9"), text("2005-12-05 13:04:09") },
        { text("13/7/2026"), text("2026-07-13 00:00:00") },
        { text("Jul 1, 2026 3:04 PM"), text("2026-07-01 15:04:00") },
        // unreadable stamps are kept whole, so no datagram is refused
        { text("2005-13-45 10:00:00"), text("2005-13-45 10:00:00") },
        { text("\\\"2005-03-16 16:33:2"), text("\\\"2005-03-16 16:33:2") },
        { text(""), text("") },
        { Value(1e12), text("1000000000000") }, // beyond the last date: the number as written
        { Value(), Value() },
        { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5, 678)), text("2026-12-05 15:04:05") },
        { QDateTime(), Value() },
    };
    for (const Case& c : cases) {
        view.addNew();
        if (const auto* value = std::get_if<Value>(&c.input))
            view.setValue(QStringLiteral("START_TIME="), *value);
        else
            view.setValue(QStringLiteral("start_time="), std::get<QDateTime>(c.input));
        view.setValue(QStringLiteral("src zone="), Value(QStringLiteral("2005-12-28")));
        view.update();
        const QString row = QString::number(view.lastInsertedRowId());
        EXPECT_EQ(stored(connection, QStringLiteral("SELECT [start_time=] FROM syslog WHERE logno = ") + row),
            c.expected)
            << c.expected.displayText().toStdString();
        // A text column takes the value unchanged, date-like or not.
        EXPECT_EQ(stored(connection, QStringLiteral("SELECT [src zone=] FROM syslog WHERE logno = ") + row),
            Value(QStringLiteral("2005-12-28")));
    }
}

TEST(AppendingTableView, CountsOnceAtOpenAndCommitsEachRowByItself)
{
    ScratchDatabase scratch(LogSchema);
    Connection writer = scratch.open();
    writer.execute(QStringLiteral("INSERT INTO missed VALUES ('old 1'), ('old 2')"));
    AppendingTableView view(writer, QStringLiteral("missed"));
    EXPECT_EQ(view.recordCount(), 2);

    // Rows another connection adds later are not counted by this view.
    Connection other = scratch.open();
    other.execute(QStringLiteral("INSERT INTO missed VALUES ('elsewhere')"));
    Connection reader = scratch.open(OpenMode::ReadOnly);
    for (int i = 1; i <= 5; ++i) {
        view.addNew();
        view.setValue(QStringLiteral("SysLog"), Value(QStringLiteral("row %1").arg(i)));
        view.update();
        EXPECT_EQ(view.recordCount(), 2 + i);
        EXPECT_FALSE(writer.inTransaction());
        // Committed at once: a reader on its own connection sees it.
        EXPECT_EQ(stored(reader, QStringLiteral("SELECT count(*) FROM missed")), Value(3 + i));
        EXPECT_EQ(stored(reader, QStringLiteral("SELECT syslog FROM missed ORDER BY rowid DESC LIMIT 1")),
            Value(QStringLiteral("row %1").arg(i)));
    }
    // A reader in the middle of a read neither blocks the writer nor sees
    // its rows until it reads again (WAL).
    {
        Transaction reading(reader);
        EXPECT_EQ(stored(reader, QStringLiteral("SELECT count(*) FROM missed")), Value(8));
        view.addNew();
        view.setValue(QStringLiteral("syslog"), Value(QStringLiteral("while reading")));
        view.update();
        EXPECT_EQ(stored(reader, QStringLiteral("SELECT count(*) FROM missed")), Value(8));
    }
    EXPECT_EQ(stored(reader, QStringLiteral("SELECT count(*) FROM missed")), Value(9));
}

TEST(AppendingTableView, MisuseFailsAndLeavesNoHalfRow)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    AppendingTableView view(connection, QStringLiteral("strict_t"));
    struct Case {
        const char* name;
        std::function<void()> action;
        int number;
    };
    const Case cases[] = {
        { "update without addNew", [&] { view.update(); }, 3020 },
        { "setValue without addNew", [&] { view.setValue(QStringLiteral("a"), Value(1)); }, 3020 },
        { "unknown column",
            [&] {
                view.addNew();
                view.setValue(QStringLiteral("c"), Value(1));
            },
            3265 },
        { "insert refused by the table",
            [&] {
                view.addNew();
                view.setValue(QStringLiteral("A"), Value(QStringLiteral("only a")));
                view.update();
            },
            3146 },
        { "the refused row is not kept for a later update", [&] { view.update(); }, 3020 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(failureNumber(c.action), c.number) << c.name;
    EXPECT_EQ(view.recordCount(), 0);
    EXPECT_EQ(stored(connection, QStringLiteral("SELECT count(*) FROM strict_t")), Value(0));
    EXPECT_FALSE(connection.inTransaction());

    // The view still works after the failure.
    view.addNew();
    view.setValue(QStringLiteral("a"), Value(QStringLiteral("x")));
    view.setValue(QStringLiteral("b"), Value(QStringLiteral("y")));
    view.update();
    EXPECT_EQ(view.recordCount(), 1);
    EXPECT_EQ(stored(connection, QStringLiteral("SELECT a || b FROM strict_t")), Value(QStringLiteral("xy")));
    EXPECT_EQ(failureNumber([&] { AppendingTableView(connection, QStringLiteral("nosuch")); }), 3078);
}

TEST(AppendingTableView, AddNewStartsAfreshAndUnsetColumnsStayNull)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    AppendingTableView view(connection, QStringLiteral("syslog"));
    view.addNew();
    view.setValue(QStringLiteral("src zone="), Value(QStringLiteral("dropped")));
    view.addNew(); // the unfinished row is dropped
    view.setValue(QStringLiteral("sent+rcvd"), Value(460.0));
    view.update();
    const long long first = view.lastInsertedRowId();
    view.addNew();
    view.setValue(QStringLiteral("src zone="), Value(QStringLiteral("Trust")));
    view.update();
    EXPECT_GT(view.lastInsertedRowId(), first);
    ResultSet rows(connection, QStringLiteral("SELECT [src zone=], [sent+rcvd] FROM syslog ORDER BY logno"));
    ASSERT_EQ(rows.recordCount(), 2);
    EXPECT_TRUE(rows.rows()[0][0].isNull());
    EXPECT_EQ(rows.rows()[0][1].displayText(), QStringLiteral("460"));
    EXPECT_EQ(rows.rows()[1][0], Value(QStringLiteral("Trust")));
    EXPECT_TRUE(rows.rows()[1][1].isNull());
}

} // namespace
