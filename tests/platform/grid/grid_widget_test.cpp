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
    EXPECT_EQ(widget.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "text");
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

TEST_F(GridWidgetTest, ACellClickMakesThatCellCurrent)
{
    const QModelIndex cell = widget.model()->index(2, 1);
    EXPECT_EQ(cell.data().toString(), "row 2"); // the heading row is no data row
    const QPoint at = widget.visualRect(cell).center();
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(widget.grid().row(), 3);
    EXPECT_EQ(widget.grid().currentText(), "row 2");
}

} // namespace
} // namespace corvane::platform
