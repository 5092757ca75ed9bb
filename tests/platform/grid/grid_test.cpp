#include "platform/grid/grid.h"
#include "platform/grid/grid_widget.h"

#include <QHeaderView>
#include <QTest>
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

class GridWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<QStringList> rows;
        for (int i = 0; i < 6; ++i)
            rows.push_back({ QString::number(i), QStringLiteral("row %1").arg(i) });
        widget.grid().setContents({ "logno", "text" }, rows);
        widget.grid().setColWidth(1, 3000);
        widget.refresh();
        widget.resize(400, 300);
        widget.show();
        QObject::connect(&widget, &GridWidget::gridClicked, [this] { ++clicks; });
    }

    GridWidget widget;
    int clicks = 0;
};

TEST_F(GridWidgetTest, AHeadingClickSelectsTheColumnWithRowOneCurrent)
{
    EXPECT_EQ(widget.columnWidth(1), 200); // twips become pixels
    widget.grid().setCurrentCell(4, 0);
    QHeaderView* header = widget.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(widget.grid().row(), 1);
    EXPECT_EQ(widget.grid().col(), 1);
    EXPECT_EQ(widget.grid().selectionBottom(), 6);
    EXPECT_EQ(widget.selectionModel()->selectedIndexes().size(), 6); // shown as selected too
}

// The grid keeps what the mouse selected: a drag from row 1 is what the
// sort then reorders.
TEST_F(GridWidgetTest, TheGridTakesTheCellsTheMouseSelected)
{
    const struct {
        const char* gesture;
        QPoint from; // (column, data row from 0)
        QPoint to;
        int row, col, rowSel, colSel;
    } cases[] = {
        { "a click on a cell", { 1, 2 }, { 1, 2 }, 3, 1, 3, 1 },
        { "a drag down from row 1", { 0, 0 }, { 1, 2 }, 1, 0, 3, 1 },
        { "a drag up to row 1", { 1, 3 }, { 0, 0 }, 4, 1, 1, 0 },
    };
    for (const auto& c : cases) {
        clicks = 0;
        const auto at = [this](QPoint cell) {
            return widget.visualRect(widget.model()->index(cell.y(), cell.x())).center();
        };
        QTest::mousePress(widget.viewport(), Qt::LeftButton, {}, at(c.from));
        QTest::mouseMove(widget.viewport(), at(c.to));
        QTest::mouseRelease(widget.viewport(), Qt::LeftButton, {}, at(c.to));
        const Grid& grid = widget.grid();
        EXPECT_EQ(clicks, 1) << c.gesture;
        EXPECT_EQ((std::vector<int> { grid.row(), grid.col(), grid.rowSel(), grid.colSel() }),
            (std::vector<int> { c.row, c.col, c.rowSel, c.colSel }))
            << c.gesture;
    }
}

} // namespace
} // namespace corvane::platform
