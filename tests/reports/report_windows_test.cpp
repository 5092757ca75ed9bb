// The report tab and the preview window driven as a user drives them, on a
// real database in a temporary program folder, with the scripted dialogs.
#include "app/main_window.h"
#include "base/clock.h"
#include "base/error_logger.h"
#include "browse/recent_log_view.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/grid/grid_widget.h"
#include "platform/grid/twips.h"
#include "program_folder.h"
#include "qstring_printer.h"
#include "reports/report_preview.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::MessageAnswer;
using testing::ScriptedDialogs;

const QString SourceReport = QStringLiteral("Traffic From A Source IP Between Two Dates");
const QString AllTraffic = QStringLiteral("Traffic Between Two Dates");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString failureBox(int number, const QString& description)
{
    return ErrorLogger::failureMessage(platform::Failure(number, description));
}

template <typename T> T* child(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

class ReportWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        execute(QStringLiteral(
            "INSERT INTO syslog ([src=], [dst=], [start_time=], [sent+rcvd], [action=]) VALUES "
            "('192.0.2.1', '198.51.100.7', '2026-12-01 10:00:00', 460, 'Permit'), "
            "('192.0.2.10', '198.51.100.8', '2026-12-02 11:00:00', 9, 'Deny'), "
            "('192.0.2.2', '198.51.100.7', '2026-12-03 12:00:00', 1500, 'Permit'), "
            "('203.0.113.5', '198.51.100.9', '2026-12-09 08:00:00', 77, 'Permit')"));
    }

    void execute(const QString& sql) { platform::db::Connection(folder.databasePath()).execute(sql); }

    long long count(const QString& sql)
    {
        const platform::db::ResultSet result(engine.open(folder.databasePath()), sql);
        return result.value(0).toInt64();
    }

    void open()
    {
        window = std::make_unique<MainWindow>(folder.path(), dialogs, clock);
        window->show();
    }

    template <typename T> T* find(const char* name) { return child<T>(window.get(), name); }

    // The user picks a report from the list.
    void pick(const QString& name)
    {
        auto* list = find<QComboBox>("dbcboReport");
        const int index = list->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    void type(const char* box, const QString& text) { find<QLineEdit>(box)->setText(text); }

    // Presses VIEW REPORT; while the modal preview is open, look runs on it,
    // then the preview is closed. Returns whether a preview opened.
    bool runReport(const std::function<void(ReportPreview&)>& look = {})
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
            if (!preview)
                return;
            opened = true;
            if (look)
                look(*preview);
            child<QPushButton>(preview, "cmdClose")->click();
        });
        find<QPushButton>("cmdRunReport")->click();
        QCoreApplication::processEvents(); // let a timer that found no preview go
        return opened;
    }

    testing::ProgramFolder folder;
    platform::db::DatabaseEngine engine;
    ScriptedDialogs dialogs;
    FixedClock clock { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)) };
    std::unique_ptr<MainWindow> window;
};

QStringList column(const platform::Grid& grid, int col)
{
    QStringList cells;
    for (int r = 0; r < grid.rows(); ++r)
        cells << grid.text(r, col);
    return cells;
}

std::vector<int> widthsOf(const platform::Grid& grid)
{
    std::vector<int> widths;
    for (int c = 0; c < grid.cols(); ++c)
        widths.push_back(grid.colWidth(c));
    return widths;
}

TEST_F(ReportWindowsTest, PickShowsTheReportsFiltersAndWhichAreUsed)
{
    execute(QStringLiteral(
        "INSERT INTO Report ([Report Name], SQL0, L1, L2, L3, L4, L5, L6, L7, L8, L9, t3) VALUES "
        "('Markers', 'SELECT 1', '<not available>', '', '<Not Available>', 'Host', "
        "'<Not Available> ', '<Not Available>', '<Not Available>', '<Not Available>', "
        "'<Not Available>', 'kept')"));
    open();
    auto* sql = find<QPlainTextEdit>("txtSQL");
    EXPECT_EQ(find<QComboBox>("dbcboReport")->currentText(), QString());
    for (const char* box : { "T1", "T5", "T9" })
        EXPECT_TRUE(find<QLineEdit>(box)->isEnabled()) << "all available before the first pick";

    sql->setPlainText(QStringLiteral("old query"));
    pick(QStringLiteral("Markers"));
    EXPECT_EQ(sql->toPlainText(), QString());
    const struct {
        const char* box;
        bool enabled;
        const char* accessibleName;
    } boxes[] = {
        { "T1", true, "<not available>" }, // the marker in other case does not count
        { "T2", true, "Filter 2" }, // an empty caption
        { "T3", false, "<Not Available>" },
        { "T4", true, "Host" },
        { "T5", true, "<Not Available> " },
        { "T9", false, "<Not Available>" },
    };
    for (const auto& b : boxes) {
        EXPECT_EQ(find<QLineEdit>(b.box)->isEnabled(), b.enabled) << b.box;
        EXPECT_EQ(find<QLineEdit>(b.box)->accessibleName(), QString::fromLatin1(b.accessibleName)) << b.box;
    }
    EXPECT_EQ(find<QLineEdit>("T3")->text(), "kept") << "an unused filter still shows its value";
    EXPECT_EQ(find<QLabel>("L4")->text(), "Host");

    // Picking the same report again: the query box empties, what was typed stays.
    type("T4", QStringLiteral("typed"));
    sql->setPlainText(QStringLiteral("old query"));
    pick(QStringLiteral("Markers"));
    EXPECT_EQ(sql->toPlainText(), QString());
    EXPECT_EQ(find<QLineEdit>("T4")->text(), "typed");
    EXPECT_TRUE(dialogs.boxes().empty());
}

// The selector's click also comes from opening or closing its list.
TEST_F(ReportWindowsTest, OpeningOrClosingTheListEmptiesTheQuery)
{
    open();
    pick(AllTraffic);
    auto* list = find<QComboBox>("dbcboReport");
    auto* sql = find<QPlainTextEdit>("txtSQL");
    const struct {
        const char* action;
        std::function<void()> act;
    } cases[] = {
        { "open", [&] { list->showPopup(); } },
        { "close", [&] { list->hidePopup(); } },
    };
    for (const auto& c : cases) {
        sql->setPlainText(QStringLiteral("old query"));
        c.act();
        EXPECT_EQ(sql->toPlainText(), QString()) << c.action;
        EXPECT_EQ(list->currentText(), AllTraffic) << c.action;
    }
    EXPECT_TRUE(dialogs.boxes().empty());
}

// Values stored longer than the box's typing limit are shown and kept whole.
TEST_F(ReportWindowsTest, TheFilterLimitStopsTypingOnly)
{
    const QString stored = QStringLiteral("192.0.2.%1").arg(QString(52, QLatin1Char('1')));
    execute(
        QStringLiteral("UPDATE Report SET t3 = '%1' WHERE [Report Name] = '%2'").arg(stored, SourceReport));
    open();
    pick(SourceReport);
    const struct {
        const char* box;
        QString typed;
        QString shown;
    } cases[] = {
        { "T3", QString(), stored },
        { "T3", QStringLiteral("9"), stored }, // no growth past the limit
        { "T2", QString(55, QLatin1Char('x')), QString(50, QLatin1Char('x')) },
    };
    for (const auto& c : cases) {
        auto* box = find<QLineEdit>(c.box);
        box->end(false);
        QTest::keyClicks(box, c.typed);
        EXPECT_EQ(box->text(), c.shown) << c.box << " typed " << c.typed.size();
    }
    pick(AllTraffic);
    pick(SourceReport);
    EXPECT_EQ(find<QLineEdit>("T3")->text(), stored);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Report WHERE t3 = '%1'").arg(stored)), 1);
}

TEST_F(ReportWindowsTest, TabFollowsTheLayout)
{
    open();
    find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    QApplication::setActiveWindow(window.get());
    find<QComboBox>("dbcboReport")->setFocus();
    QStringList order;
    for (int i = 0; i < 11 && QApplication::focusWidget(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' '), "T1 T2 T3 T4 T5 T6 T7 T8 T9 txtSQL cmdRunReport");
}

TEST_F(ReportWindowsTest, TypedFiltersAreWrittenBackPerReportAndSurviveARestart)
{
    open();
    pick(SourceReport);
    type("T1", QStringLiteral("01/12/2026"));
    type("T3", QStringLiteral("192.0.2.*"));
    pick(AllTraffic);
    EXPECT_EQ(find<QLineEdit>("T3")->text(), QString());
    EXPECT_EQ(find<QLineEdit>("T1")->text(), QString());
    pick(SourceReport);
    EXPECT_EQ(find<QLineEdit>("T3")->text(), "192.0.2.*");

    // A run saves too; the next start shows the values again.
    type("T2", QStringLiteral("31/12/2026 23:59:59"));
    ASSERT_TRUE(runReport());
    window.reset();
    open();
    pick(SourceReport);
    EXPECT_EQ(find<QLineEdit>("T1")->text(), "01/12/2026");
    EXPECT_EQ(find<QLineEdit>("T2")->text(), "31/12/2026 23:59:59");
    EXPECT_EQ(find<QLineEdit>("T3")->text(), "192.0.2.*");
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(ReportWindowsTest, ViewReportWithoutAPickAsksForOne)
{
    open();
    dialogs.expectBox({ QStringLiteral("Please select a Report"), MessageAnswer::Ok,
        QString(ApplicationTitle), platform::MessageIcon::None, platform::MessageButtons::Ok });
    EXPECT_FALSE(runReport());
    dialogs.verifyAllUsed();
    EXPECT_EQ(find<QPlainTextEdit>("txtSQL")->toPlainText(), QString());
}

TEST_F(ReportWindowsTest, ViewReportFillsTheTemplateAndPreviewsItsRows)
{
    open();
    pick(SourceReport);
    type("T1", QStringLiteral("01/12/2026"));
    type("T2", QStringLiteral("05/12/2026 23:59:59"));
    type("T3", QStringLiteral("192.0.2.*"));
    bool looked = runReport([&](ReportPreview& preview) {
        EXPECT_EQ(preview.windowTitle(), "Report Preview");
        EXPECT_EQ(child<QComboBox>(&preview, "cboZoomView")->currentText(), "1.00");
        const platform::Grid& grid = preview.grid().grid();
        ASSERT_EQ(grid.cols(), 9);
        EXPECT_EQ(grid.text(0, 0), "start_time=");
        EXPECT_EQ(column(grid, 1), (QStringList { "src=", "192.0.2.1", "192.0.2.10", "192.0.2.2" }));
        EXPECT_EQ(grid.text(1, 8), "460");
        EXPECT_FALSE(child<QLabel>(&preview, "lblPrint")->isVisible());
    });
    ASSERT_TRUE(looked);
    const QString query = find<QPlainTextEdit>("txtSQL")->toPlainText();
    EXPECT_TRUE(query.contains(QStringLiteral("[start_time=] >= #12/1/2026 0:0:0# AND [start_time=] <= "
                                              "#12/5/2026 23:59:59#")))
        << query.toStdString();
    EXPECT_TRUE(query.contains(QStringLiteral("LIKE '192.0.2.*'")));

    // Again with other values: the preview follows what was typed just before.
    type("T3", QStringLiteral("203.*"));
    type("T2", QStringLiteral("31/12/2026"));
    looked = runReport([&](ReportPreview& preview) {
        EXPECT_EQ(column(preview.grid().grid(), 1), (QStringList { "src=", "203.0.113.5" }));
    });
    EXPECT_TRUE(looked);
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(ReportWindowsTest, AQueryThatWouldWriteIsRefusedAndThePreviewOpensEmpty)
{
    // The apostrophe in a name no longer breaks the find.
    execute(QStringLiteral("INSERT INTO Report ([Report Name], SQL0) VALUES ('Members'' wipe', 'DELETE FROM "
                           "syslog'), ('By source', 'SELECT 1')"));
    open();
    pick(QStringLiteral("Members' wipe"));
    dialogs.expectBox(failureBox(3129,
        QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
                       "'UPDATE'. Report and chart queries are read-only.")));
    const bool looked = runReport([&](ReportPreview& preview) {
        EXPECT_EQ(preview.grid().grid().rows(), 1);
        EXPECT_EQ(preview.grid().grid().cols(), 0);
    });
    EXPECT_TRUE(looked);
    dialogs.verifyAllUsed();
    EXPECT_FALSE(QApplication::overrideCursor()) << "the busy pointer ends with the failure";
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 4);

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
    EXPECT_EQ(folder.errorLogCount(), 2);
}

TEST_F(ReportWindowsTest, ZoomResizeAndTheSortSharedWithTheLogGrid)
{
    execute(QStringLiteral("INSERT INTO Report ([Report Name], SQL0) VALUES "
                           "('Four', 'SELECT [src=], [dst=], [action=], [sent+rcvd] FROM syslog')"));
    open();
    // A heading click in the log grid sorts descending first.
    platform::GridWidget& logs = window->recentLogView().grid();
    emit logs.horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(window->state().GridSortOrder, 2);

    pick(QStringLiteral("Four"));
    const bool looked = runReport([&](ReportPreview& preview) {
        platform::Grid& grid = preview.grid().grid();
        auto* zoom = child<QComboBox>(&preview, "cboZoomView");
        ASSERT_EQ(zoom->count(), 10);
        EXPECT_EQ(zoom->itemText(0), "0.65");
        EXPECT_EQ(zoom->itemText(4), "0.90");

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

        const std::vector<int> before = widthsOf(grid);
        zoom->setCurrentIndex(7);
        emit zoom->activated(7);
        EXPECT_DOUBLE_EQ(grid.fontSize(), 9.6);
        EXPECT_EQ(widthsOf(grid), before) << "zoom changes the text only";

        // A resize lays the grid out again in the new area.
        const float gridWidth = preview.gridPlacement().width;
        const int wider = platform::twipsToPixels(1000);
        preview.resize(preview.width() + wider, preview.height());
        EXPECT_FLOAT_EQ(preview.gridPlacement().width, gridWidth + platform::pixelsToTwips(wider));

        // Below 1600 twips high it springs back; any width goes, down to a
        // grid of width 0, and the grid widens again with equal columns.
        const int frameWidth = preview.frameGeometry().width() - preview.width();
        preview.resize(platform::twipsToPixels(300) - frameWidth, platform::twipsToPixels(300));
        EXPECT_NEAR(platform::pixelsToTwips(preview.frameGeometry().height()), 1600, 15);
        EXPECT_EQ(preview.gridPlacement().width, 0);
        preview.resize(platform::twipsToPixels(4500) - frameWidth, preview.height());
        EXPECT_EQ(widthsOf(grid), std::vector<int>(4, 1050));

        // The next heading click follows the log grid's: ascending now.
        emit preview.grid().horizontalHeader()->sectionClicked(3);
        EXPECT_EQ(column(grid, 3), (QStringList { "sent+rcvd", "9", "77", "460", "1500" }));
        EXPECT_EQ(window->state().GridSortOrder, 1);
        emit preview.grid().horizontalHeader()->sectionClicked(0);
        EXPECT_EQ(
            column(grid, 0), (QStringList { "src=", "203.0.113.5", "192.0.2.2", "192.0.2.10", "192.0.2.1" }));
        // A click below the first data row sorts nothing.
        grid.setCurrentCell(2, 1);
        preview.msgReport_Click();
        EXPECT_EQ(window->state().GridSortOrder, 2);
    });
    ASSERT_TRUE(looked);
    EXPECT_TRUE(dialogs.boxes().empty()) << dialogs.boxTexts().join('\n').toStdString();
}

// Only a button with the focus reacts to Enter.
TEST_F(ReportWindowsTest, EnterInThePreviewPressesNoButton)
{
    open();
    pick(AllTraffic);
    type("T1", QStringLiteral("01/12/2026"));
    type("T2", QStringLiteral("31/12/2026"));
    const bool looked = runReport([&](ReportPreview& preview) {
        for (const char* focus : { "msgReport", "cboZoomView" }) {
            for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Enter }) {
                QWidget* widget = child<QWidget>(&preview, focus);
                widget->setFocus();
                QTest::keyClick(widget, key);
                EXPECT_TRUE(preview.isVisible()) << focus;
            }
        }
    });
    EXPECT_TRUE(looked);
    EXPECT_TRUE(dialogs.boxes().empty()) << dialogs.boxTexts().join('\n').toStdString();
}

TEST_F(ReportWindowsTest, ExportWritesTheGridAsShown)
{
    execute(QStringLiteral(
        "INSERT INTO Report ([Report Name], SQL0) VALUES "
        "('Sources', 'SELECT [src=], [sent+rcvd] FROM syslog WHERE [action=] = ''filter3'''), "
        "('Commas', 'SELECT ''a,b'' AS [x y], \"q\"\"uot\u00e9\" AS Q FROM syslog WHERE [sent+rcvd] = 9')"));
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("GymReport.csv"));
    open();
    pick(QStringLiteral("Sources"));
    type("T3", QStringLiteral("Permit"));
    const QString confirmation = QStringLiteral("This report will now be save to the location you select. "
                                                "The report can then be loaded into other programs "
                                                "like Excel, Word, NotePad etc... Do you want to continue? ");

    bool looked = runReport([&](ReportPreview& preview) {
        auto* exportButton = child<QPushButton>(&preview, "cmdExport");
        // No: nothing else happens.
        dialogs.expectBox({ confirmation, MessageAnswer::No, QStringLiteral("Export Confirmation"),
            platform::MessageIcon::Question, platform::MessageButtons::YesNo });
        exportButton->click();
        EXPECT_TRUE(dialogs.saves().empty());

        // A cancelled dialog writes nothing.
        dialogs.expectBox(confirmation, MessageAnswer::Yes);
        dialogs.expectSave(QString());
        dialogs.expectBox(
            { QStringLiteral("No Filename entered, data has not been exported"), MessageAnswer::Ok,
                QString(ApplicationTitle), platform::MessageIcon::None, platform::MessageButtons::Ok });
        exportButton->click();
        dialogs.verifyAllUsed();
        ASSERT_EQ(dialogs.saves().size(), 1u);
        const platform::SaveFileRequest& request = dialogs.saves()[0].request;
        EXPECT_EQ(request.title, "Save As");
        EXPECT_EQ(request.filter, "All Files (*.*)|*.*");
        EXPECT_EQ(request.initialName, "GymReport");
        EXPECT_EQ(request.defaultExtension, "csv");

        // Sorted twice (descending, then ascending): the file follows the grid.
        emit preview.grid().horizontalHeader()->sectionClicked(1);
        emit preview.grid().horizontalHeader()->sectionClicked(1);
        dialogs.expectBox(confirmation, MessageAnswer::Yes);
        dialogs.expectSave(path);
        exportButton->click();
        EXPECT_EQ(
            readFile(path), "src=,sent+rcvd,\r\n203.0.113.5,77,\r\n192.0.2.1,460,\r\n192.0.2.2,1500,\r\n");
        EXPECT_FALSE(child<QLabel>(&preview, "lblPrint")->isVisible());
        EXPECT_FALSE(child<QProgressBar>(&preview, "prgPrint")->isVisible());
        EXPECT_FALSE(QApplication::overrideCursor());
        const platform::Grid& grid = preview.grid().grid();
        EXPECT_EQ(grid.row(), 3);
        EXPECT_EQ(grid.col(), 1);

        // A folder that does not exist: reported, the status stays up.
        dialogs.expectBox(confirmation, MessageAnswer::Yes);
        const QString missing = out.filePath(QStringLiteral("missing/GymReport.csv"));
        dialogs.expectSave(missing);
        dialogs.expectBox(failureBox(
            75, QStringLiteral("Path/File access error: %1 (No such file or directory)").arg(missing)));
        exportButton->click();
        dialogs.verifyAllUsed();
        EXPECT_EQ(child<QLabel>(&preview, "lblPrint")->text(), " Exporting..");
        EXPECT_FALSE(child<QLabel>(&preview, "lblPrint")->isHidden());
        EXPECT_FALSE(QApplication::overrideCursor());
    });
    ASSERT_TRUE(looked);

    // No records: the heading line alone. Cells are written unquoted.
    const struct {
        const char* report;
        const char* filter3;
        QByteArray file;
    } cases[] = {
        { "Sources", "nothing", "src=,sent+rcvd,\r\n" },
        { "Commas", "", "x y,Q,\r\na,b,q\"uot\xc3\xa9,\r\n" },
    };
    for (const auto& c : cases) {
        pick(QString::fromLatin1(c.report));
        type("T3", QString::fromLatin1(c.filter3));
        dialogs.expectBox(confirmation, MessageAnswer::Yes);
        dialogs.expectSave(path);
        EXPECT_TRUE(
            runReport([](ReportPreview& preview) { child<QPushButton>(&preview, "cmdExport")->click(); }));
        EXPECT_EQ(readFile(path), c.file) << c.report;
    }
    dialogs.verifyAllUsed();
    EXPECT_EQ(folder.errorLogCount(), 1);
}

} // namespace
} // namespace corvane
