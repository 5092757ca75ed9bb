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
            rows.push_back({QString::number(i), QStringLiteral("row %1").arg(i)});
        widget.grid().setContents({"logno", "text"}, rows);
        widget.grid().setColWidth(0, 1500);
        widget.grid().setColWidth(1, 3000);
        widget.refresh();
        widget.resize(400, 300);
        widget.show();
        QObject::connect(&widget, &GridWidget::gridClicked, [this] { ++clicks; });
    }

    QPoint cellCentre(int dataRow, int col)
    {
        return widget.visualRect(widget.model()->index(dataRow, col)).center();
    }

    GridWidget widget;
    int clicks = 0;
};

TEST_F(GridWidgetTest, ShowsTheGridWithWidthsInPixels)
{
    EXPECT_EQ(widget.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "text");
    EXPECT_EQ(widget.model()->data(widget.model()->index(2, 1)).toString(), "row 2");
    EXPECT_EQ(widget.columnWidth(0), 100);
    EXPECT_EQ(widget.columnWidth(1), 200);
}

TEST_F(GridWidgetTest, AHeadingClickSelectsTheColumnWithRowOneCurrent)
{
    widget.grid().setCurrentCell(4, 0);
    QHeaderView* header = widget.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(widget.grid().row(), 1);
    EXPECT_EQ(widget.grid().col(), 1);
    EXPECT_EQ(widget.grid().selectionBottom(), 6);
}

TEST_F(GridWidgetTest, ACellClickMakesThatCellCurrent)
{
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(widget.grid().row(), 3);
    EXPECT_EQ(widget.grid().col(), 1);
    EXPECT_EQ(widget.grid().currentText(), "row 2");
}

} // namespace
} // namespace corvane::platform
