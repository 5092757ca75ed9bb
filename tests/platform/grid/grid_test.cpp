#include "platform/grid/grid.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

Grid gridOf(const QStringList& column)
{
    Grid grid;
    std::vector<QStringList> rows;
    for (int i = 0; i < column.size(); ++i)
        rows.push_back({column[i], QString::number(i)});
    grid.setContents({"key", "index"}, rows);
    return grid;
}

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
        const char* name;
        QStringList cells;
        SortDirection direction;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"numbers by value", {"10", "2", "-1", "1.5"}, SortDirection::Ascending, {"-1", "1.5", "2", "10"}},
        {"numbers descending", {"10", "2", "33"}, SortDirection::Descending, {"33", "10", "2"}},
        {"text without regard to case", {"b", "A", "c", "a"}, SortDirection::Ascending, {"A", "a", "b", "c"}},
        {"numbers before text", {"x", "10", "Deny", "9"}, SortDirection::Ascending, {"9", "10", "Deny", "x"}},
        {"mixed, descending is the reverse", {"x", "10", "Deny", "9"}, SortDirection::Descending,
         {"x", "Deny", "10", "9"}},
        {"addresses are text", {"192.0.2.10", "192.0.2.9", "10.0.0.1"}, SortDirection::Ascending,
         {"10.0.0.1", "192.0.2.10", "192.0.2.9"}},
        {"blank cells are text", {"5", "", " 3 "}, SortDirection::Ascending, {" 3 ", "5", ""}},
    };
    for (const Case& c : cases) {
        Grid grid = gridOf(c.cells);
        grid.selectColumnForHeadingClick(0);
        EXPECT_EQ(grid.row(), 1) << c.name;
        grid.sort(c.direction);
        EXPECT_EQ(columnOf(grid, 0), c.expected) << c.name;
        EXPECT_EQ(grid.text(0, 0), "key") << c.name;
    }
}

TEST(Grid, EqualKeysKeepTheirOrderAndRowsMoveWhole)
{
    Grid grid = gridOf({"b", "a", "B", "a"});
    grid.selectColumnForHeadingClick(0);
    grid.sort(SortDirection::Ascending);
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"1", "3", "0", "2"}));
    grid.sort(SortDirection::Descending);
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"0", "2", "1", "3"}));
}

TEST(Grid, SortsOnlyTheSelectedRowsByTheSelectedColumns)
{
    Grid grid;
    grid.setContents({"a", "b"}, {{"1", "z"}, {"9", "b"}, {"9", "a"}, {"3", "y"}, {"0", "q"}});
    // Rows 2..4, keyed on a then b.
    grid.setCurrentCell(2, 0);
    grid.setSelectionEnd(4, 1);
    grid.sort(SortDirection::Ascending);
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"z", "y", "a", "b", "q"}));

    // A single selected cell of row 1: nothing moves.
    grid.setCurrentCell(1, 1);
    grid.sort(SortDirection::Descending);
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"z", "y", "a", "b", "q"}));
}

TEST(Grid, WhatCountsAsANumber)
{
    const std::vector<std::pair<QString, bool>> cases = {
        {"42", true},   {"-4.5", true}, {"1e3", true},  {" 7 ", true}, {".5", true},
        {"", false},    {"abc", false}, {"0x1F", false}, {"inf", false}, {"nan", false},
        {"1.2.3", false}, {"12abc", false}, {"--1", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Grid::isNumber(text), expected) << text.toStdString();
}

TEST(Grid, HeadingClickOnAnEmptyGridKeepsTheHeadingRow)
{
    Grid grid;
    grid.setContents({"a", "b"}, {});
    grid.selectColumnForHeadingClick(1);
    EXPECT_EQ(grid.row(), 0);
    EXPECT_EQ(grid.col(), 1);
    grid.sort(SortDirection::Ascending); // nothing to sort, no failure
    EXPECT_EQ(grid.rows(), 1);
}

TEST(Grid, CellsOutsideTheGridFail)
{
    Grid grid;
    grid.setContents({"a"}, {{"1"}});
    EXPECT_THROW(grid.text(2, 0), std::exception);
    EXPECT_THROW(grid.setCurrentCell(0, 1), std::exception);
    EXPECT_THROW(grid.setColWidth(-1, 10), std::exception);
}

} // namespace
} // namespace corvane::platform
