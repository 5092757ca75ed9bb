#include "db_test_support.h"
#include "platform/db/result_set.h"
#include "platform/db/row_set_view.h"

using namespace corvane::platform;
using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

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
