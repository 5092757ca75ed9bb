// The report logic without windows: filter dates, placeholder replacement,
// the preview layout arithmetic and the export's limits. The windows' own
// tests cover the catalogue and the export file on a real database.
#include "platform/failure/failure.h"
#include "report_windows.h"
#include "reports/filter_date_text.h"
#include "reports/preview_layout.h"
#include "reports/report_query.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::Failure;
using platform::Grid;
using testing::widthsOf;

TEST(FilterDateText, TurnsDayFirstIntoMonthFirst)
{
    const struct {
        const char* typed;
        const char* expected;
    } cases[] = { { "05/12/2005 13:04:09", "12/5/2005 13:4:9" }, { "06/12/2005", "12/6/2005 0:0:0" },
        { "29/02/2028 23:59:59", "2/29/2028 23:59:59" }, { " 1/1/2026 0:00 ", "1/1/2026 0:0:0" },
        // Not dates: empty, so the placeholder is replaced by nothing.
        { "", "" }, { "29/02/2027", "" }, { "12/13/2026", "" }, { "05/12/05", "" },
        { "05/12/2005 24:00:00", "" }, { "05/12/2005 12:60:00", "" }, { "2005-12-05", "" } };
    for (const auto& c : cases)
        EXPECT_EQ(FilterDateText(QString::fromLatin1(c.typed)).toStdString(), c.expected) << c.typed;
}

TEST(ReplacePlaceholders, ReplacesInOrderOverTheGrowingText)
{
    FilterTexts values;
    values[0] = QStringLiteral("12/5/2005 13:4:9");
    values[2] = QStringLiteral("a filter5 b");
    values[3] = QStringLiteral("O'Brien");
    values[4] = QStringLiteral("five");
    const struct {
        const char* queryTemplate;
        const char* expected;
    } cases[] = {
        { "WHERE d >= #filter1# AND d <= #filter2#", "WHERE d >= #12/5/2005 13:4:9# AND d <= ##" },
        { "x = 'filter3' OR y = 'filter3'", "x = 'a five b' OR y = 'a five b'" },
        { "x = 'Filter3' AND y = 'FILTER4'", "x = 'Filter3' AND y = 'FILTER4'" },
        { "x = 'filter4'", "x = 'O'Brien'" },
        { "no placeholders", "no placeholders" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            replacePlaceholders(QString::fromLatin1(c.queryTemplate), values).toStdString(), c.expected);
}

Grid gridOfColumns(int columns, int rows = 1)
{
    QStringList headings;
    for (int c = 0; c < columns; ++c)
        headings << QStringLiteral("C%1").arg(c);
    std::vector<QStringList> data(
        static_cast<size_t>(rows), QStringList(headings.size(), QStringLiteral("v")));
    Grid grid;
    grid.setContents(headings, std::move(data));
    return grid;
}

TEST(PreviewLayout, InitialLayoutSharesTheWidthAndRefreshKeepsProportions)
{
    Grid grid = gridOfColumns(4);
    GridPlacement placement { 90, 120, 5295, 3615 };
    initialLayout(grid, placement, 8100, 6000, zoomFactor(QStringLiteral("1.00")));
    EXPECT_EQ(placement.left, 50);
    EXPECT_EQ(placement.top, 50);
    EXPECT_EQ(placement.width, 8000);
    EXPECT_EQ(placement.height, 5800);
    EXPECT_EQ(widthsOf(grid), (std::vector<int> { 2000, 2000, 2000, 2000 }));
    EXPECT_EQ(grid.colAlignment(3), Grid::LeftBottom);
    EXPECT_DOUBLE_EQ(grid.fontSize(), 8);

    // 1000 twips wider: each of four columns gains 250.
    refreshLayout(grid, placement, 9100, 6000, 1.0);
    EXPECT_EQ(widthsOf(grid), (std::vector<int> { 2250, 2250, 2250, 2250 }));

    // A zoom changes the text only.
    refreshLayout(grid, placement, 9100, 6000, zoomFactor(QStringLiteral("1.20")));
    EXPECT_EQ(widthsOf(grid), (std::vector<int> { 2250, 2250, 2250, 2250 }));
    EXPECT_DOUBLE_EQ(grid.fontSize(), 9.6);

    // Unequal columns keep their shares; halves go to the even neighbour.
    placement.width = 4096;
    const int before[] = { 512, 1536, 2048, 0 };
    for (int c = 0; c < 4; ++c)
        grid.setColWidth(c, before[c]);
    refreshLayout(grid, placement, 4100 + 100, 6000, 1.0);
    EXPECT_EQ(widthsOf(grid), (std::vector<int> { 512, 1538, 2050, 0 }))
        << "512.5 and 1537.5 go to the even side";
}

} // namespace
} // namespace corvane
