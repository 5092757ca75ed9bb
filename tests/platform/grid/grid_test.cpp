#include "platform/grid/grid.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

QStringList columnOf(const Grid& grid, int col)
{
    QStringList out;
    for (int r = 1; r < grid.rows(); ++r)
        out << grid.text(r, col);
    return out;
}

TEST(Grid, HeadingClickSortsTheWholeColumn)
{
    struct Case {
        QStringList cells;
        SortDirection direction;
        QStringList expected;
    };
    // Long enough that an unstable sort would reorder them.
    const QStringList equalKeys = QString("aAAaAaaAAAaAaAaaAAaAaaAaA").split(QString(), Qt::SkipEmptyParts);
    const Case cases[] = {
        { { "10", "2", "-1", "1.5", ".5" }, SortDirection::Ascending, { "-1", ".5", "1.5", "2", "10" } },
        { { "x", "10", "Deny", "9" }, SortDirection::Ascending, { "9", "10", "Deny", "x" } },
        { { "x", "10", "Deny", "9" }, SortDirection::Descending, { "x", "Deny", "10", "9" } },
        // Equal keys keep their order, either way.
        { { "b", "a", "B" }, SortDirection::Descending, { "b", "B", "a" } },
        { equalKeys, SortDirection::Ascending, equalKeys },
        { { "192.0.2.10", "192.0.2.9", "10.0.0.1" }, SortDirection::Ascending,
            { "10.0.0.1", "192.0.2.10", "192.0.2.9" } }, // addresses are text
        // Blank cells and "inf" or "nan" are text.
        { { "5", "", " 3 ", "nan", "inf" }, SortDirection::Ascending, { " 3 ", "5", "", "inf", "nan" } },
    };
    for (const Case& c : cases) {
        const std::string name = c.cells.join(',').toStdString();
        Grid grid;
        std::vector<QStringList> rows;
        for (int i = 0; i < c.cells.size(); ++i)
            rows.push_back({ c.cells[i], QString::number(i) });
        grid.setContents({ "key", "index" }, rows);
        grid.selectColumnForHeadingClick(0);
        grid.sort(c.direction);
        EXPECT_EQ(columnOf(grid, 0), c.expected) << name;
        EXPECT_EQ(grid.text(0, 0), "key") << name;
        for (int r = 1; r < grid.rows(); ++r) // rows move whole
            EXPECT_EQ(c.cells[grid.text(r, 1).toInt()], grid.text(r, 0)) << name;
    }
}

TEST(Grid, SortsOnlyTheSelectedRowsByTheSelectedColumns)
{
    Grid grid;
    grid.setContents({ "a", "b" }, { { "9", "c" }, { "9", "b" }, { "9", "a" }, { "3", "y" }, { "0", "q" } });
    // Rows 2..4, keyed on a then b.
    grid.setCurrentCell(2, 0);
    grid.setSelectionEnd(4, 1);
    grid.sort(SortDirection::Ascending);
    EXPECT_EQ(columnOf(grid, 1), (QStringList { "c", "y", "a", "b", "q" }));

    // A single selected cell of row 1: nothing moves.
    grid.setCurrentCell(1, 1);
    grid.sort(SortDirection::Descending);
    EXPECT_EQ(columnOf(grid, 1), (QStringList { "c", "y", "a", "b", "q" }));
}

TEST(Grid, AnEmptyGridKeepsTheHeadingRowAndRefusesCellsOutside)
{
    Grid grid;
    grid.setContents({ "a", "b" }, {});
    grid.selectColumnForHeadingClick(1);
    EXPECT_EQ(grid.row(), 0);
    EXPECT_EQ(grid.col(), 1);
    grid.sort(SortDirection::Ascending); // nothing to sort, no failure
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_THROW(grid.text(1, 0), std::exception);
    EXPECT_THROW(grid.setCurrentCell(0, 2), std::exception);
    EXPECT_THROW(grid.setColWidth(-1, 10), std::exception);
}

} // namespace
} // namespace corvane::platform
