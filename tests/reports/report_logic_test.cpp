// The report logic without windows: filter dates, placeholder replacement,
// the preview layout arithmetic, the export file and the catalogue's
// write-back on a real database file.
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/failure/failure.h"
#include "platform/grid/grid.h"
#include "program_folder.h"
#include "qstring_printer.h"
#include "reports/filter_date_text.h"
#include "reports/preview_layout.h"
#include "reports/report_catalogue.h"
#include "reports/report_export.h"
#include "reports/report_query.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::Failure;
using platform::Grid;

QByteArray readFile(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

TEST(FilterDateText, TurnsDayFirstIntoMonthFirst)
{
    const struct {
        const char* typed;
        const char* expected;
    } cases[] = {
        {"05/12/2005 13:04:09", "12/5/2005 13:4:9"},
        {"06/12/2005", "12/6/2005 0:0:0"},
        {"5/12/2005 21:07:03", "12/5/2005 21:7:3"},
        {"29/02/2028 23:59:59", "2/29/2028 23:59:59"},
        {" 1/1/2026 0:00 ", "1/1/2026 0:0:0"},
        {"31/12/9999 23:59:59", "12/31/9999 23:59:59"},
        // Not dates: empty, so the placeholder is replaced by nothing.
        {"", ""},
        {"29/02/2027", ""},
        {"12/13/2026", ""},
        {"05/12/05", ""},
        {"05/12/2005 24:00:00", ""},
        {"05/12/2005 12:60:00", ""},
        {"05/12/2005 12:00:60", ""},
        {"2005-12-05", ""},
        {"05/12/2005T13:04:09", ""},
        {"today", ""},
    };
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
        {"WHERE d >= #filter1# AND d <= #filter2#", "WHERE d >= #12/5/2005 13:4:9# AND d <= ##"},
        {"x = 'filter3' OR y = 'filter3'", "x = 'a five b' OR y = 'a five b'"},
        {"x = 'Filter3' AND y = 'FILTER4'", "x = 'Filter3' AND y = 'FILTER4'"},
        {"x = 'filter4'", "x = 'O'Brien'"},
        {"no placeholders", "no placeholders"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplacePlaceholders(QString::fromLatin1(c.queryTemplate), values).toStdString(), c.expected);
}

TEST(ReportQuery, DateFiltersGoThroughFilterDateTextAndTheRestAsTyped)
{
    FilterTexts boxes{QStringLiteral("05/12/2005 13:04:09"), QStringLiteral("not a date"), QStringLiteral(" 10.* "),
                      QStringLiteral("'"), {}, {}, {}, {}, QStringLiteral("05/12/2005")};
    const FilterTexts values = FilterValues(boxes);
    EXPECT_EQ(values[0], QStringLiteral("12/5/2005 13:4:9"));
    EXPECT_EQ(values[1], QString());
    EXPECT_EQ(values[2], QStringLiteral(" 10.* "));
    EXPECT_EQ(values[3], QStringLiteral("'"));
    EXPECT_EQ(values[8], QStringLiteral("05/12/2005"));
    EXPECT_EQ(ReportCriterion(QStringLiteral("Members' Club")), QStringLiteral("[Report Name]='Members'' Club'"));
}

Grid gridOfColumns(int columns, int rows = 1)
{
    QStringList headings;
    for (int c = 0; c < columns; ++c)
        headings << QStringLiteral("C%1").arg(c);
    std::vector<QStringList> data(static_cast<size_t>(rows), QStringList(headings.size(), QStringLiteral("v")));
    Grid grid;
    grid.setContents(headings, std::move(data));
    return grid;
}

std::vector<int> widthsOf(const Grid& grid)
{
    std::vector<int> widths;
    for (int c = 0; c < grid.cols(); ++c)
        widths.push_back(grid.colWidth(c));
    return widths;
}

TEST(PreviewLayout, InitialLayoutSharesTheWidthAndRefreshKeepsProportions)
{
    Grid grid = gridOfColumns(4);
    GridPlacement placement{90, 120, 5295, 3615};
    InitialLayout(grid, placement, 8100, 6000, ZoomFactor(QStringLiteral("1.00")));
    EXPECT_EQ(placement.left, 50);
    EXPECT_EQ(placement.top, 50);
    EXPECT_EQ(placement.width, 8000);
    EXPECT_EQ(placement.height, 5800);
    EXPECT_EQ(widthsOf(grid), (std::vector<int>{2000, 2000, 2000, 2000}));
    EXPECT_EQ(grid.colAlignment(3), Grid::LeftBottom);
    EXPECT_DOUBLE_EQ(grid.fontSize(), 8);

    // 1000 twips wider: each of four columns gains 250.
    RefreshLayout(grid, placement, 9100, 6000, 1.0);
    EXPECT_EQ(widthsOf(grid), (std::vector<int>{2250, 2250, 2250, 2250}));

    // A zoom changes the text only.
    RefreshLayout(grid, placement, 9100, 6000, ZoomFactor(QStringLiteral("1.20")));
    EXPECT_EQ(widthsOf(grid), (std::vector<int>{2250, 2250, 2250, 2250}));
    EXPECT_DOUBLE_EQ(grid.fontSize(), 9.6);

    // Unequal columns keep their shares; halves go to the even neighbour.
    placement.width = 4096;
    const int before[] = {512, 1536, 2048, 0};
    for (int c = 0; c < 4; ++c)
        grid.setColWidth(c, before[c]);
    RefreshLayout(grid, placement, 4100 + 100, 6000, 1.0);
    EXPECT_EQ(widthsOf(grid), (std::vector<int>{512, 1538, 2050, 0})) << "512.5 and 1537.5 go to the even side";
}

TEST(PreviewLayout, ZoomEntriesGiveTheirFontSizes)
{
    const struct {
        const char* entry;
        double points;
    } cases[] = {{"0.65", 5.2}, {"0.70", 5.6}, {"1.00", 8}, {"1.30", 10.4}, {"1.40", 11.2}};
    for (const auto& c : cases) {
        Grid grid = gridOfColumns(2);
        GridPlacement placement{50, 50, 1000, 1000};
        RefreshLayout(grid, placement, 2000, 2000, ZoomFactor(QString::fromLatin1(c.entry)));
        EXPECT_NEAR(grid.fontSize(), c.points, 1e-12) << c.entry;
    }
}

TEST(PreviewLayout, AGridOfWidthZeroFailsBeforeChangingAnything)
{
    Grid grid = gridOfColumns(3);
    GridPlacement placement{50, 50, 0, 500};
    try {
        RefreshLayout(grid, placement, 5000, 5000, 1.3);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), 11);
    }
    EXPECT_EQ(placement.width, 0);
    EXPECT_NE(grid.fontSize(), 1.3 * 8);
    // Without columns there is nothing to divide.
    Grid empty;
    RefreshLayout(empty, placement, 5000, 5000, 1.0);
    EXPECT_EQ(placement.width, 4900);
}

TEST(ReportExport, WritesEveryCellFollowedByACommaAndCrLf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    Grid grid;
    grid.setContents({QStringLiteral("A"), QStringLiteral("B")},
                     {{QStringLiteral("1"), QStringLiteral("x")},
                      {QStringLiteral("a,b"), QString()},
                      {QStringLiteral("\"q\""), QStringLiteral("caf\u00e9")}});
    std::vector<int> progress;
    WriteExport(grid, ExportRangeOf(grid), path, [&](int row) { progress.push_back(row); });
    EXPECT_EQ(readFile(path), QByteArray("A,B,\r\n1,x,\r\na,b,,\r\n\"q\",caf\xc3\xa9,\r\n"));
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(grid.row(), 3);
    EXPECT_EQ(grid.col(), 1);

    // A second export to the same path replaces the first.
    Grid headingsOnly;
    headingsOnly.setContents({QStringLiteral("Only")}, {});
    WriteExport(headingsOnly, ExportRangeOf(headingsOnly), path);
    EXPECT_EQ(readFile(path), QByteArray("Only,\r\n"));
}

TEST(ReportExport, RefusesWhatItCannotCountBeforeWriting)
{
    const struct {
        int columns;
        int dataRows;
        bool fits;
    } cases[] = {
        {255, 1, true}, {256, 1, false}, {0, 0, false}, {1, 32766, true}, {1, 32767, false},
    };
    for (const auto& c : cases) {
        const Grid grid = gridOfColumns(c.columns, c.dataRows);
        bool fits = true;
        try {
            ExportRangeOf(grid);
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), 6);
            fits = false;
        }
        EXPECT_EQ(fits, c.fits) << c.columns << " columns, " << c.dataRows << " data rows";
    }
}

TEST(ReportExport, APathThatCannotBeOpenedFailsWithNothingWritten)
{
    QTemporaryDir dir;
    Grid grid = gridOfColumns(1);
    try {
        WriteExport(grid, ExportRangeOf(grid), dir.filePath(QStringLiteral("missing/out.csv")));
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), 75);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing"))));
}

class ReportCatalogueTest : public ::testing::Test {
protected:
    testing::ProgramFolder folder;
    platform::db::DatabaseEngine engine;
};

TEST_F(ReportCatalogueTest, FiltersAreRememberedPerReportAcrossAReopen)
{
    const QString a = QStringLiteral("Traffic From A Source IP Between Two Dates");
    const QString b = QStringLiteral("Traffic Between Two Dates");
    {
        ReportCatalogue reports(engine, folder.databasePath());
        ASSERT_GE(reports.names().size(), 8);
        EXPECT_EQ(reports.names().first(), b);
        ASSERT_TRUE(reports.pick(a));
        EXPECT_EQ(reports.caption(3), QStringLiteral("Source IP (* for wildcard)"));
        EXPECT_FALSE(ReportCatalogue::isAvailable(reports.caption(4)));
        reports.saveFilters({QStringLiteral("01/12/2026"), {}, QStringLiteral("192.0.2.*")});
        ASSERT_TRUE(reports.pick(b));
        EXPECT_EQ(reports.filterValue(3), QString());
    }
    ReportCatalogue reopened(engine, folder.databasePath());
    ASSERT_TRUE(reopened.pick(a));
    EXPECT_EQ(reopened.filterValue(1), QStringLiteral("01/12/2026"));
    EXPECT_EQ(reopened.filterValue(3), QStringLiteral("192.0.2.*"));
    EXPECT_FALSE(reopened.pick(QStringLiteral("No such report")));
    EXPECT_EQ(reopened.currentName(), a);
}

TEST_F(ReportCatalogueTest, BuildQueryFillsTheTemplateOfTheCurrentReport)
{
    {
        platform::db::Connection writer(folder.databasePath());
        writer.execute(QStringLiteral("INSERT INTO Report ([Report Name], SQL0, L1) VALUES "
                                      "('Members'' Club', 'SELECT * FROM syslog WHERE [src=] = ''filter3'' AND "
                                      "[start_time=] >= #filter1#', 'From'), ('Empty', '', 'x')"));
    }
    ReportCatalogue reports(engine, folder.databasePath());
    ASSERT_TRUE(reports.pick(QStringLiteral("Members' Club")));
    const QString query = reports.buildQuery(
        {QStringLiteral("05/12/2005 13:04:09"), {}, QStringLiteral("filter1 host")});
    // "filter1" typed into filter 3 arrives after filter 1's turn, so it stays.
    EXPECT_EQ(query, QStringLiteral("SELECT * FROM syslog WHERE [src=] = 'filter1 host' AND "
                                    "[start_time=] >= #12/5/2005 13:4:9#"));
    EXPECT_EQ(reports.currentName(), QStringLiteral("Members' Club"));
    EXPECT_EQ(reports.filterValue(3), QStringLiteral("filter1 host"));

    ASSERT_TRUE(reports.pick(QStringLiteral("Empty")));
    try {
        reports.buildQuery({});
        FAIL() << "a report without a query ran";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), 3129);
    }
}

} // namespace
} // namespace corvane
