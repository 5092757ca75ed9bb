// The preview window: zoom, resize, sort, keys and the export.
#include "report_windows.h"
#include "reports/report_export.h"

#include <QDir>
#include <QProcess>

namespace corvane {
namespace {

using namespace testing;

TEST_F(ReportWindowsTest, AQueryThatWouldWriteIsRefusedAndThePreviewOpensEmpty)
{
    // The apostrophe in a name no longer breaks the find.
    execute(QStringLiteral("INSERT INTO Report ([Report Name], SQL0) VALUES ('Members'' wipe', 'DELETE FROM "
                           "syslog'), ('By source', 'SELECT 1')"));
    open();
    pick(QStringLiteral("Members' wipe"));
    dialogs.expectBox(failureBox(3129,
        QStringLiteral("Invalid SQL statement: report and chart queries only read the database, so only a "
                       "SELECT is run.")));
    const bool looked = runReport([&](ReportPreview& preview) {
        EXPECT_EQ(preview.grid().grid().rows(), 1);
        EXPECT_EQ(preview.grid().grid().cols(), 0);
        // Escape closes it as it first opens, with the zoom box in focus.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(preview.isVisible());
    });
    EXPECT_TRUE(looked);
    dialogs.verifyAllUsed();

    // A report without a query fails before the preview; the query box keeps what it had.
    execute(QStringLiteral("UPDATE Report SET SQL0 = NULL WHERE [Report Name] = 'By source'"));
    pick(QStringLiteral("By source"));
    find<QPlainTextEdit>("txtSQL")->setPlainText(QStringLiteral("kept"));
    dialogs.expectBox(failureBox(3129,
        QStringLiteral(
            "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.: "
            "report \"By source\" has no query")));
    EXPECT_FALSE(runReport());
    dialogs.verifyAllUsed();
    EXPECT_EQ(find<QPlainTextEdit>("txtSQL")->toPlainText(), "kept");
}

// A report of four columns of the fixture's rows, picked.
class FourColumnPreview : public ReportWindowsTest {
protected:
    void SetUp() override
    {
        ReportWindowsTest::SetUp();
        execute(QStringLiteral("INSERT INTO Report ([Report Name], SQL0) VALUES "
                               "('Four', 'SELECT [src=], [dst=], [action=], [sent+rcvd] FROM syslog')"));
        open();
        pick(QStringLiteral("Four"));
    }
    // Runs the report; at looks at its preview before it closes.
    void look(const std::function<void(ReportPreview&, platform::Grid&)>& at)
    {
        ASSERT_TRUE(runReport([&](ReportPreview& preview) { at(preview, preview.grid().grid()); }));
    }
};

TEST_F(FourColumnPreview, OnlyAnEntryChosenChangesTheZoom)
{
    look([&](ReportPreview& preview, platform::Grid& grid) {
        auto* zoom = child<QComboBox>(&preview, "cboZoomView");
        // Typed characters never reach the zoom box.
        zoom->setFocus();
        QTest::keyClicks(zoom, QStringLiteral("1x"));
        QTest::keyClick(zoom, Qt::Key_Backspace);
        EXPECT_EQ(zoom->currentText(), "1.00");
        EXPECT_DOUBLE_EQ(grid.fontSize(), 8);
        // An arrow key chooses the next entry.
        QTest::keyClick(zoom, Qt::Key_Down);
        EXPECT_EQ(zoom->currentText(), "1.10");
        EXPECT_DOUBLE_EQ(grid.fontSize(), 8.8);
    });
}

// A resize lays the grid out again in the new area. Below 1600 twips high it
// springs back; any width goes, down to a grid of width 0, and the grid
// widens again with equal columns.
TEST_F(FourColumnPreview, AResizeLaysTheGridOutAgainKeepingWidenedColumns)
{
    look([&](ReportPreview& preview, platform::Grid& grid) {
        const int frameWidth = preview.frameGeometry().width() - preview.width();
        preview.resize(platform::twipsToPixels(300) - frameWidth, platform::twipsToPixels(300));
        EXPECT_NEAR(platform::pixelsToTwips(preview.frameGeometry().height()), 1600, 15);
        EXPECT_EQ(preview.gridPlacement().width, 0);
        preview.resize(platform::twipsToPixels(4500) - frameWidth, preview.height());
        EXPECT_EQ(widthsOf(grid), std::vector<int>(4, 1050));
        // A column the user widens keeps its share through a zoom and a resize.
        preview.grid().horizontalHeader()->resizeSection(0, platform::twipsToPixels(2100));
        const auto share
            = [&](int col) { return grid.colWidth(col) / double(preview.gridPlacement().width); };
        const double first = share(0);
        const double second = share(1);
        QTest::keyClick(child<QComboBox>(&preview, "cboZoomView"), Qt::Key_Up);
        preview.resize(platform::twipsToPixels(6000) - frameWidth, preview.height());
        EXPECT_NEAR(share(0), first, 1.0 / preview.gridPlacement().width);
        EXPECT_NEAR(share(1), second, 1.0 / preview.gridPlacement().width);
        EXPECT_GT(grid.colWidth(0), grid.colWidth(1));
    });
}

// A heading click goes on from the sort order shared with the log grid,
// which starts as if after an ascending sort: descending first.
TEST_F(FourColumnPreview, AHeadingClickGoesOnFromTheSharedSortOrder)
{
    look([&](ReportPreview& preview, platform::Grid& grid) {
        emit preview.grid().horizontalHeader()->sectionClicked(3);
        ASSERT_TRUE(waitUntilIdle(preview)); // sorted on a thread of its own
        EXPECT_EQ(column(grid, 3), (QStringList { "sent+rcvd", "1500", "460", "77", "9" }));
        EXPECT_EQ(host->state.GridSortOrder, platform::GridSortOrder::AscendingNext);
        emit preview.grid().horizontalHeader()->sectionClicked(0);
        ASSERT_TRUE(waitUntilIdle(preview));
        EXPECT_EQ(
            column(grid, 0), (QStringList { "src=", "192.0.2.1", "192.0.2.10", "192.0.2.2", "203.0.113.5" }));
        // A click below the first data row sorts nothing.
        grid.setCurrentCell(2, 1);
        preview.msgReport_Click();
        EXPECT_EQ(host->state.GridSortOrder, platform::GridSortOrder::DescendingNext);
    });
}

TEST_F(FourColumnPreview, OnlyAButtonWithTheFocusReactsToEnter)
{
    look([&](ReportPreview& preview, platform::Grid&) {
        const struct {
            const char* focus;
            Qt::Key key;
            bool open;
        } cases[] = {
            { "msgReport", Qt::Key_Return, true },
            { "msgReport", Qt::Key_Enter, true },
            { "cboZoomView", Qt::Key_Return, true },
            { "cmdClose", Qt::Key_Enter, false },
        };
        for (const auto& c : cases) {
            QWidget* widget = child<QWidget>(&preview, c.focus);
            widget->setFocus();
            QTest::keyClick(widget, c.key);
            EXPECT_EQ(preview.isVisible(), c.open) << c.focus;
        }
    });
}

// A report of the rows with the action Permit, exported into a temporary
// folder.
class SourcesExport : public ReportWindowsTest {
protected:
    void SetUp() override
    {
        ReportWindowsTest::SetUp();
        execute(QStringLiteral(
            "INSERT INTO Report ([Report Name], SQL0) VALUES "
            "('Sources', 'SELECT [src=], [sent+rcvd], ''a,b'' AS [x y], \"q\"\"uot\u00e9\" AS Q FROM syslog "
            "WHERE [action=] = ''filter3''')"));
        open();
        pick(QStringLiteral("Sources"));
        type("T3", QStringLiteral("Permit"));
    }
    // Yes to the confirmation, then target in the save dialog.
    void expectExport(const QString& target)
    {
        dialogs.expectBox(confirmation, MessageAnswer::Yes);
        dialogs.expectSave(target);
    }

    // The program's own words, typing slip included.
    const QString confirmation = QStringLiteral("This report will now be save to the location you select. "
                                                "The report can then be loaded into other programs "
                                                "like Excel, Word, NotePad etc... Do you want to continue? ");
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("GymReport.csv"));
};

TEST_F(SourcesExport, NoOrACancelledDialogWritesNothing)
{
    ASSERT_TRUE(runReport([&](ReportPreview& preview) {
        auto* exportButton = child<QPushButton>(&preview, "cmdExport");
        // No: nothing else happens.
        dialogs.expectBox({ confirmation, MessageAnswer::No, QStringLiteral("Export Confirmation"),
            platform::MessageIcon::Question, platform::MessageButtons::YesNo });
        exportButton->click();
        expectExport(QString());
        dialogs.expectBox(
            { QStringLiteral("No Filename entered, data has not been exported"), MessageAnswer::Ok,
                QString(ApplicationTitle), platform::MessageIcon::None, platform::MessageButtons::Ok });
        exportButton->click();
    }));
    dialogs.verifyAllUsed();
    EXPECT_TRUE(QDir(out.path()).isEmpty());
}

// Sorted twice (descending, then ascending): the file follows the grid.
// Cells are written as they are, in UTF-8; only one that would split the
// line goes in quotes.
TEST_F(SourcesExport, TheFileFollowsTheSortedGrid)
{
    ASSERT_TRUE(runReport([&](ReportPreview& preview) {
        for (int click = 0; click < 2; ++click) {
            emit preview.grid().horizontalHeader()->sectionClicked(1);
            ASSERT_TRUE(waitUntilIdle(preview));
        }
        expectExport(path);
        child<QPushButton>(&preview, "cmdExport")->click();
        ASSERT_TRUE(waitUntilIdle(preview));
        const QByteArray cells = "\"a,b\",\"q\"\"uot\xc3\xa9\",\r\n";
        EXPECT_EQ(readFile(path),
            "src=,sent+rcvd,x y,Q,\r\n203.0.113.5,77," + cells + "192.0.2.1,460," + cells + "192.0.2.2,1500,"
                + cells);
        EXPECT_FALSE(child<QLabel>(&preview, "lblPrint")->isVisible());
        EXPECT_FALSE(child<QProgressBar>(&preview, "prgPrint")->isVisible());
        EXPECT_FALSE(QApplication::overrideCursor());
        const platform::Grid& grid = preview.grid().grid();
        EXPECT_EQ(grid.row(), 3);
        EXPECT_EQ(grid.col(), 3);
    }));
    dialogs.verifyAllUsed();
}

// A folder that does not exist: reported, the status stays up.
TEST_F(SourcesExport, AMissingFolderIsReportedAndTheStatusStays)
{
    ASSERT_TRUE(runReport([&](ReportPreview& preview) {
        const QString missing = out.filePath(QStringLiteral("missing/GymReport.csv"));
        expectExport(missing);
        dialogs.expectBox(failureBox(
            75, QStringLiteral("Path/File access error: %1 (No such file or directory)").arg(missing)));
        child<QPushButton>(&preview, "cmdExport")->click();
        ASSERT_TRUE(waitUntilIdle(preview));
        dialogs.verifyAllUsed();
        EXPECT_EQ(child<QLabel>(&preview, "lblPrint")->text(), " Exporting..");
        EXPECT_FALSE(child<QLabel>(&preview, "lblPrint")->isHidden());
    }));
}

TEST_F(SourcesExport, NoRecordsWriteTheHeadingLineAlone)
{
    type("T3", QStringLiteral("nothing"));
    expectExport(path);
    EXPECT_TRUE(runReport([](ReportPreview& preview) {
        child<QPushButton>(&preview, "cmdExport")->click();
        EXPECT_TRUE(waitUntilIdle(preview));
    }));
    dialogs.verifyAllUsed();
    EXPECT_EQ(readFile(path), "src=,sent+rcvd,x y,Q,\r\n");
}

// Any number of rows (the old 16-bit row counter stopped at 32,767), byte for
// byte what corvane-query prints; a cancelled export leaves the file as it
// was, and a cancelled reading closes the preview with nothing shown.
TEST_F(ReportWindowsTest, ExportWritesEveryRowAndCancelLeavesEverythingAsItWas)
{
    execute(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
                       "INSERT INTO syslog ([src=], [start_time=], [sent+rcvd]) "
                       "SELECT '10.0.' || (i % 256) || '.' || (i / 256), '2026-12-04 00:00:00', i FROM n"));
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("all.csv"));
    open();
    pick(AllTraffic);
    type("T1", QStringLiteral("01/12/2026 00:00:00"));
    type("T2", QStringLiteral("31/12/2026 23:59:59"));
    const auto exportTo = [&](ReportPreview& preview) {
        dialogs.expectBox(QString::fromLatin1(ExportConfirmationText), MessageAnswer::Yes);
        dialogs.expectSave(path);
        child<QPushButton>(&preview, "cmdExport")->click();
    };
    ASSERT_TRUE(runReport([&](ReportPreview& preview) {
        EXPECT_EQ(preview.grid().grid().rows(), 40005);
        exportTo(preview);
        ASSERT_TRUE(waitUntilIdle(preview));
    }));
    dialogs.verifyAllUsed();
    QProcess queryTool;
    queryTool.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-query"),
        { folder.databasePath(), find<QPlainTextEdit>("txtSQL")->toPlainText() });
    ASSERT_TRUE(queryTool.waitForFinished(30000));
    const QByteArray exported = readFile(path);
    EXPECT_EQ(exported, queryTool.readAllStandardOutput());
    EXPECT_EQ(exported.count("\r\n"), 40005);

    ASSERT_TRUE(runReport([&](ReportPreview& preview) {
        exportTo(preview);
        child<QPushButton>(&preview, "cmdCancel")->click();
        ASSERT_TRUE(waitUntilIdle(preview));
        EXPECT_TRUE(preview.isVisible());
    }));
    EXPECT_EQ(readFile(path), exported);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList { "all.csv" });

    bool closedEmpty = false;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        ASSERT_NE(preview, nullptr);
        child<QPushButton>(preview, "cmdCancel")->click();
        closedEmpty = waitUntilIdle(*preview) && preview->grid().grid().rows() == 1;
    });
    find<QPushButton>("cmdRunReport")->click(); // returns once the preview has closed itself
    EXPECT_TRUE(closedEmpty);
}

} // namespace
} // namespace corvane
