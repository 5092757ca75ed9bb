#include "platform/grid/grid_widget.h"

#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

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
