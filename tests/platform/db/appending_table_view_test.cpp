#include "db_test_support.h"
#include "platform/db/appending_table_view.h"
#include "platform/db/transaction.h"

#include <QDateTime>
#include <variant>

using namespace corvane::platform;
using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

const QStringList LogSchema = {
    QStringLiteral("CREATE TABLE syslog (logno INTEGER PRIMARY KEY, [start_time=] DATETEXT, "
                   "[src zone=] TEXT COLLATE NOCASE, [sent+rcvd] REAL)"),
    QStringLiteral("CREATE TABLE strict_t (a TEXT NOT NULL, b TEXT NOT NULL)"),
};

TEST(AppendingTableView, DateColumnsStoreCanonicalTextOrTheTextAsGiven)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    AppendingTableView view(connection, QStringLiteral("syslog"));
    const auto text = [](const char* s) { return Value(QString::fromUtf8(s)); };
    const std::pair<std::variant<Value, QDateTime>, Value> cases[] = {
        { Value(0), text("1899-12-30 00:00:00") }, { Value(38714.5), text("2005-12-28 12:00:00") },
        { text("12/5/2005 13:4:9"), text("2005-12-05 13:04:09") },
        // unreadable stamps are kept whole, so no datagram is refused
        { text("2005-13-45 10:00:00"), text("2005-13-45 10:00:00") },
        { Value(1e12), text("1000000000000") }, // beyond the last date: the number as written
        { Value(), Value() },
        { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5, 678)), text("2026-12-05 15:04:05") },
        { QDateTime(), Value() },
        { QDateTime(QDate(99, 1, 1), QTime(0, 0)), Value() }, // before the first date
    };
    // An unfinished row, dropped by the next addNew.
    view.addNew();
    view.setValue(QStringLiteral("sent+rcvd"), Value(460.0));
    for (const auto& [input, expected] : cases) {
        view.addNew();
        if (const auto* value = std::get_if<Value>(&input))
            view.setValue(QStringLiteral("START_TIME="), *value);
        else
            view.setValue(QStringLiteral("start_time="), std::get<QDateTime>(input));
        // A text column takes the value unchanged, date-like or not.
        view.setValue(QStringLiteral("src zone="), Value(QStringLiteral("12/5/2005")));
        view.update();
        const QString where = QStringLiteral(" FROM syslog WHERE logno = %1").arg(view.lastInsertedRowId());
        EXPECT_EQ(firstValue(connection, QStringLiteral("SELECT [start_time=]") + where), expected)
            << qPrintable(expected.displayText());
        EXPECT_EQ(firstValue(connection, QStringLiteral("SELECT [src zone=]") + where),
            Value(QStringLiteral("12/5/2005")));
    }
    // Columns never set stay Null.
    EXPECT_EQ(firstValue(connection, QStringLiteral("SELECT count([sent+rcvd]) FROM syslog")), Value(0));
}

TEST(AppendingTableView, CountsOnceAtOpenAndCommitsEachRowByItself)
{
    ScratchDatabase scratch(LogSchema);
    Connection writer = scratch.open();
    writer.execute(QStringLiteral("INSERT INTO strict_t VALUES ('old', '1'), ('old', '2')"));
    AppendingTableView view(writer, QStringLiteral("strict_t"));
    Connection reader = scratch.open(OpenMode::ReadOnly);
    // Rows another connection adds later are not counted by this view.
    scratch.open().execute(QStringLiteral("INSERT INTO strict_t VALUES ('elsewhere', '')"));
    const QString count = QStringLiteral("SELECT count(*) FROM strict_t");
    const auto append = [&](int i) {
        view.addNew();
        view.setValue(QStringLiteral("A"), Value(QStringLiteral("row")));
        view.setValue(QStringLiteral("b"), Value(i));
        view.update();
    };
    for (int i = 1; i <= 3; ++i) {
        append(i);
        EXPECT_EQ(view.recordCount(), 2 + i);
        EXPECT_FALSE(writer.inTransaction());
        // Committed at once: a reader on its own connection sees it.
        EXPECT_EQ(firstValue(reader, count), Value(3 + i));
    }
    // A reader in the middle of a read neither blocks the writer nor sees
    // its rows until it reads again (WAL).
    {
        Transaction reading(reader);
        EXPECT_EQ(firstValue(reader, count), Value(6));
        append(4);
        EXPECT_EQ(firstValue(reader, count), Value(6));
    }
    EXPECT_EQ(firstValue(reader, count), Value(7));
}

TEST(AppendingTableView, MisuseFailsAndLeavesNoHalfRow)
{
    ScratchDatabase scratch(LogSchema);
    Connection connection = scratch.open();
    AppendingTableView view(connection, QStringLiteral("strict_t"));
    const std::pair<std::function<void()>, int> cases[] = {
        { [&] { view.update(); }, 3020 },
        { [&] { view.setValue(QStringLiteral("a"), Value(1)); }, 3020 },
        { [&] {
             view.addNew();
             view.setValue(QStringLiteral("c"), Value(1));
         },
            3265 },
        // refused by the table: the row is dropped, not kept for a later update
        { [&] {
             view.setValue(QStringLiteral("a"), Value(1));
             view.update();
         },
            3146 },
        { [&] { view.update(); }, 3020 },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(failureNumber(cases[i].first), cases[i].second) << i;
    EXPECT_EQ(view.recordCount(), 0);
    EXPECT_EQ(firstValue(connection, QStringLiteral("SELECT count(*) FROM strict_t")), Value(0));
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(failureNumber([&] { AppendingTableView(connection, QStringLiteral("nosuch")); }), 3078);
}

} // namespace
