#include "db_test_support.h"
#include "platform/db/appending_table_view.h"
#include "platform/db/result_set.h"
#include "platform/db/row_set_view.h"
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

TEST(AppendingTableView, CountsWhenFirstAskedAndCommitsEachRowByItself)
{
    ScratchDatabase scratch(LogSchema);
    Connection writer = scratch.open();
    writer.execute(QStringLiteral("INSERT INTO strict_t VALUES ('old', '1'), ('old', '2')"));
    AppendingTableView view(writer, QStringLiteral("strict_t"));
    Connection reader = scratch.open(OpenMode::ReadOnly);
    // Not counted at open: a row added before the first question counts,
    // rows another connection adds after it do not.
    scratch.open().execute(QStringLiteral("INSERT INTO strict_t VALUES ('before', '')"));
    EXPECT_EQ(view.recordCount(), 3);
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
        EXPECT_EQ(view.recordCount(), 3 + i);
        EXPECT_FALSE(writer.inTransaction());
        // Committed at once: a reader on its own connection sees it.
        EXPECT_EQ(firstValue(reader, count), Value(4 + i));
    }
    // A reader in the middle of a read neither blocks the writer nor sees
    // its rows until it reads again (WAL).
    {
        Transaction reading(reader);
        EXPECT_EQ(firstValue(reader, count), Value(7));
        append(4);
        EXPECT_EQ(firstValue(reader, count), Value(7));
    }
    EXPECT_EQ(firstValue(reader, count), Value(8));
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

// Row order is the table's order (rowid), not the order of the names.
const QStringList ReportSchema = {
    QStringLiteral("CREATE TABLE Report ([Report Name] TEXT COLLATE NOCASE, SQL0 TEXT COLLATE NOCASE, "
                   "t1 TEXT COLLATE NOCASE, t4 TEXT COLLATE NOCASE)"),
    QStringLiteral("INSERT INTO Report VALUES ('Zeta', 'SELECT 1', '1/1/2026', NULL), "
                   "('Alpha', 'SELECT 2', NULL, 'x'), ('Twin', 'SELECT 3', NULL, NULL), "
                   "('Twin', 'SELECT 4', NULL, NULL), ('O''Brien', 'SELECT 5', NULL, NULL)"),
};

QString text(const RowSetView& view, const char* column)
{
    return view.value(QString::fromUtf8(column)).displayText();
}

TEST(RowSetView, FindFirstMakesTheFirstMatchInTableOrderCurrent)
{
    ScratchDatabase scratch(ReportSchema);
    Connection connection = scratch.open();
    RowSetView view(connection, QStringLiteral("Report"));
    EXPECT_EQ(view.value(4, QStringLiteral("report name")), Value(QStringLiteral("O'Brien")));
    EXPECT_EQ(text(view, "sql0"), QStringLiteral("SELECT 1"));
    struct Case {
        const char* criterion;
        int number; // -1: no failure
        bool found;
        const char* sql0; // the current row's SQL0 afterwards
    };
    const Case cases[] = {
        { "[Report Name]='alpha'", -1, true, "SELECT 2" }, // Jet compares text without case
        { "[Report Name]='Twin'", -1, true, "SELECT 3" },
        { "[Report Name]='Nobody'", -1, false, "SELECT 3" }, // no match: the current row stays
        { "[Report Name]='O''Brien'", -1, true, "SELECT 5" },
        { "[Report Name]='x'; DELETE FROM Report", 3142, false, "SELECT 5" },
        { "[No Such]='x'", 3061, false, "SELECT 5" },
    };
    for (const Case& c : cases) {
        bool found = false;
        EXPECT_EQ(failureNumber([&] { found = view.findFirst(QString::fromUtf8(c.criterion)); }), c.number)
            << c.criterion;
        EXPECT_EQ(found, c.found) << c.criterion;
        EXPECT_EQ(text(view, "SQL0"), QString::fromUtf8(c.sql0)) << c.criterion;
    }
    EXPECT_EQ(firstValue(connection, QStringLiteral("SELECT count(*) FROM Report")), Value(5));
}

TEST(RowSetView, UpdateWritesTheEditedColumnsOfTheCurrentRowOnly)
{
    ScratchDatabase scratch(ReportSchema);
    Connection connection = scratch.open();
    Connection other = scratch.open();
    RowSetView view(connection, QStringLiteral("Report"));

    ASSERT_TRUE(view.findFirst(QStringLiteral("[Report Name]='Alpha'")));
    view.setValue(QStringLiteral("T1"), Value(QStringLiteral("12/5/2005 13:4:9")));
    view.setValue(QStringLiteral("t4"), Value(QStringLiteral("10.0.*")));
    EXPECT_EQ(text(view, "t4"), QStringLiteral("10.0.*")); // the edit shows before update
    view.update();
    ResultSet stored(other, QStringLiteral("SELECT t1, t4 FROM Report ORDER BY rowid"));
    EXPECT_EQ(stored.rows()[1][0], Value(QStringLiteral("12/5/2005 13:4:9"))); // text column: as typed
    EXPECT_EQ(stored.rows()[1][1], Value(QStringLiteral("10.0.*")));
    EXPECT_EQ(stored.rows()[0][0], Value(QStringLiteral("1/1/2026")));
    EXPECT_TRUE(stored.rows()[2][1].isNull());

    // An edit not updated is lost when another row becomes current.
    view.setValue(QStringLiteral("t4"), Value(QStringLiteral("lost")));
    ASSERT_TRUE(view.findFirst(QStringLiteral("[Report Name]='Twin'")));
    EXPECT_EQ(text(view, "t4"), QString());

    // Refresh reads what others wrote and makes the first row current; a row
    // deleted behind the view's back cannot be updated.
    other.execute(QStringLiteral("UPDATE Report SET t1 = 'from elsewhere' WHERE [Report Name] = 'Zeta'"));
    view.refresh();
    EXPECT_EQ(text(view, "t1"), QStringLiteral("from elsewhere"));
    other.execute(QStringLiteral("DELETE FROM Report WHERE [Report Name] = 'Zeta'"));
    view.setValue(QStringLiteral("t1"), Value(QStringLiteral("y")));
    EXPECT_EQ(failureNumber([&] { view.update(); }), 3167);
}

TEST(RowSetView, EmptyTableHasNoCurrentRow)
{
    ScratchDatabase scratch({ ReportSchema.front() });
    Connection connection = scratch.open();
    RowSetView view(connection, QStringLiteral("report"));
    EXPECT_FALSE(view.findFirst(QStringLiteral("[Report Name]='x'")));
    EXPECT_EQ(failureNumber([&] { view.moveTo(0); }), 3021);
    EXPECT_EQ(failureNumber([&] { view.value(QStringLiteral("SQL0")); }), 3021);
    EXPECT_EQ(failureNumber([&] { view.setValue(QStringLiteral("t1"), Value(1)); }), 3021);
    EXPECT_EQ(failureNumber([&] { view.update(); }), 3021);
    EXPECT_EQ(failureNumber([&] { RowSetView(connection, QStringLiteral("Reports")); }), 3078);
}

} // namespace
