#include "analysis/analysis_window.h"
#include "app/main_window.h"
#include "base/clock.h"
#include "browse/recent_log_view.h"
#include "capture/capture_tab.h"
#include "capture/log_database.h"
#include "loopback_sender.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/grid/grid_widget.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"
#include "scripted_dialogs.h"
#include "wait_for.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QUdpSocket>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using testing::ScriptedDialogs;

const QString Traffic = QStringLiteral(
    "<133>ns5gt: NetScreen device_id=ns5gt  [Root]system-notification-00257(traffic): "
    "start_time=\"2009-01-22 15:13:46\" duration=25 policy_id=11 service=http proto=6 src zone=Untrust "
    "dst zone=Trust action=Permit sent=178 rcvd=84 src=115.89.244.226 dst=210.99.50.44 src_port=43826 "
    "dst_port=80");

using testing::failureBox;
using testing::waitFor;

class MainWindowTest : public ::testing::Test {
protected:
    // The chart window outlives the main window; neither outlives the test.
    void TearDown() override
    {
        std::vector<QPointer<QWidget>> windows;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (qobject_cast<MainWindow*>(top) || qobject_cast<AnalysisWindow*>(top))
                windows.emplace_back(top);
        for (const QPointer<QWidget>& top : windows)
            delete top.data();
    }

    template <typename T> T* find(const char* name)
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* box) { return find<QLineEdit>(box)->text(); }
    QString captureState() { return find<QCheckBox>("chkState")->text(); }

    void open()
    {
        window = new MainWindow(folder.path(), dialogs, clock);
        window->show();
    }

    // Start Capture on a port the system picks.
    void startCapture()
    {
        find<QLineEdit>("txtLocalHostPort")->setText(QStringLiteral("0"));
        find<QPushButton>("cmdCapture")->click();
        port = window->captureTab().socket().boundPort();
        ASSERT_GT(port, 0);
    }
    void send(const QByteArray& datagram) { testing::LoopbackSender(port).send(datagram); }
    bool logged(const char* count)
    {
        return waitFor([&] { return text("txtNoMsgs") == QLatin1String(count); });
    }

    testing::ProgramFolder folder;
    ScriptedDialogs dialogs;
    FixedClock clock { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)) };
    // Deletes itself when closed.
    QPointer<MainWindow> window;
    int port = 0;
};

TEST_F(MainWindowTest, WithoutADatabaseReportsAndStillOpens)
{
    ASSERT_TRUE(QFile::remove(folder.databasePath()));
    dialogs.expectBox(
        { failureBox(3024, QStringLiteral("Could not find file '%1'.").arg(folder.databasePath())),
            platform::MessageAnswer::Ok, QStringLiteral("UNEXPECTED ERROR"), {}, {} });
    open();
    dialogs.verifyAllUsed();
    EXPECT_EQ(window->state().GridSortOrder, platform::GridSortOrder::Unset);
    EXPECT_EQ(window->logDatabase(), nullptr);
    EXPECT_EQ(window->recentLogView().grid().grid().rows(), 1);
    EXPECT_FALSE(QFile::exists(folder.databasePath())); // never created
    EXPECT_EQ(folder.errorLogCount(), 1);
}

// The Report tab lists the stored reports once the load has opened the
// database; the tab itself is tested on its own.
TEST_F(MainWindowTest, LoadsTheReportTabAfterTheDatabase)
{
    open();
    EXPECT_EQ(
        find<QComboBox>("dbcboReport")->count(), folder.count(QStringLiteral("SELECT count(*) FROM Report")));
}

// The boxes and the logs grid show what the session reports; its storing is
// tested without a window. A failed start is reported and changes nothing.
TEST_F(MainWindowTest, TheStateFollowsStartAndStopAndFailedStartsChangeNothing)
{
    open();
    for (const char* counter : { "txtNoMsgs", "txtMissed", "txtDBsize" })
        EXPECT_TRUE(text(counter).isEmpty()) << counter;
    dialogs.expectBox(failureBox(13, QStringLiteral("Type mismatch")));
    find<QLineEdit>("txtLocalHostPort")->setText(QStringLiteral("abc"));
    find<QPushButton>("cmdCapture")->click();
    dialogs.verifyAllUsed();
    EXPECT_EQ(captureState(), "Capture:OFF");
    EXPECT_EQ(
        find<QPlainTextEdit>("txtSyslogMsg")->toPlainText(), "Preparing to Capture Data... Please wait");

    startCapture();
    EXPECT_TRUE(find<QCheckBox>("chkState")->isChecked());
    EXPECT_EQ(captureState(), "Capture:ON");
    // Pressed twice: the second press fails and capture goes on.
    dialogs.expectBox(failureBox(40020, QStringLiteral("Invalid operation at current state")));
    find<QPushButton>("cmdCapture")->click();
    dialogs.verifyAllUsed();
    EXPECT_EQ(captureState(), "Capture:ON");
    EXPECT_EQ(window->captureTab().socket().boundPort(), port);
    EXPECT_EQ(folder.errorLogCount(), 2);

    find<QPushButton>("cmdStopCapture")->click();
    EXPECT_FALSE(find<QCheckBox>("chkState")->isChecked());
    EXPECT_EQ(captureState(), "Capture:OFF");
}

// The main window open and capturing.
class CapturingMainWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        open();
        startCapture();
    }
};

TEST_F(CapturingMainWindowTest, ShowsTheCountsAndTheLastDatagram)
{
    send(QString(Traffic)
             .remove(QStringLiteral(" src_port=43826"))
             .remove(QStringLiteral(" dst_port=80"))
             .toUtf8());
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines.append(QStringLiteral("line %1 of a long datagram").arg(i));
    const QString whole = Traffic + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
    send(whole.toUtf8());
    ASSERT_TRUE(logged("2"));
    EXPECT_EQ(text("txtMissed"), "2");
    EXPECT_EQ(text("txtDBsize"), databaseSizeText(window->logDatabase()->DatabaseFileSize()));
    EXPECT_TRUE(waitFor([&] { return find<QPlainTextEdit>("txtSyslogMsg")->toPlainText() == whole; }));
}

// Typed, as a user who counts misses afresh would: the count goes on from it.
TEST_F(CapturingMainWindowTest, TheMissedCountGoesOnFromATypedOne)
{
    auto* missed = find<QLineEdit>("txtMissed");
    missed->selectAll();
    QTest::keyClick(missed, Qt::Key_Delete);
    QTest::keyClicks(missed, QStringLiteral("100"));
    send(QString(Traffic).remove(QStringLiteral(" dst_port=80")).toUtf8());
    ASSERT_TRUE(logged("1"));
    EXPECT_EQ(text("txtMissed"), "101");
}

TEST_F(CapturingMainWindowTest, TheGridShowsNewRowsOnceRefreshedAndSortsOnFromTheSharedOrder)
{
    for (int i = 0; i < 3; ++i)
        send(Traffic.toUtf8());
    ASSERT_TRUE(logged("3"));
    platform::Grid& grid = window->recentLogView().grid().grid();
    EXPECT_EQ(grid.rows(), 1);
    auto* refresh = find<QPushButton>("cmdRefreshDB");
    refresh->click();
    EXPECT_EQ(refresh->text(), "Refresh Logs");
    ASSERT_EQ(grid.rows(), 4);
    // Heading clicks go on from the sort order shared with the preview:
    // descending, then ascending.
    for (int click = 0; click < 2; ++click) {
        grid.selectColumnForHeadingClick(0);
        window->recentLogView().msgSyslogDB_Click();
    }
    EXPECT_EQ(grid.text(1, 0), "1");
    EXPECT_EQ(window->state().GridSortOrder, platform::GridSortOrder::DescendingNext);
}

TEST_F(MainWindowTest, Command1OpensOneChartWindowAndAFreshOneOnceClosed)
{
    open();
    auto* command1 = find<QPushButton>("Command1");
    EXPECT_EQ(window->analysisWindow(), nullptr);
    command1->click();
    QPointer<AnalysisWindow> chart = window->analysisWindow();
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_FALSE(chart->isModal());
    EXPECT_TRUE(window->isEnabled());

    // Pressed again while open: the same window, not loaded again.
    auto* type = chart->findChild<QComboBox*>(QStringLiteral("cboChartType"));
    ASSERT_NE(type, nullptr);
    type->setCurrentIndex(3);
    emit type->activated(3);
    command1->click();
    EXPECT_EQ(window->analysisWindow(), chart);
    EXPECT_EQ(type->currentText(), "Line 2D");

    // Closed, it is gone; the next press loads a fresh one.
    chart->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(chart.isNull());
    command1->click();
    chart = window->analysisWindow();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->findChild<QComboBox*>(QStringLiteral("cboChartType"))->currentText(), "Bar 2D");
}

// Closing the main window ends capture: the port is free at once, and what
// was received is stored before the window goes.
TEST_F(CapturingMainWindowTest, ClosingFreesThePortAtOnceAndStoresWhatWasReceived)
{
    constexpr int Burst = 2000;
    {
        const testing::LoopbackSender to(port);
        for (int i = 0; i < Burst; ++i) {
            to.send(Traffic.toUtf8());
            if (i % 100 == 99) // paced so a busy machine drops nothing in the system's buffer
                QThread::msleep(1);
        }
    }
    window->close();
    QUdpSocket probe;
    EXPECT_TRUE(probe.bind(QHostAddress::AnyIPv4, static_cast<quint16>(port)));
    probe.close();
    ASSERT_TRUE(waitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }));
    EXPECT_EQ(folder.count(QStringLiteral("SELECT count(*) FROM syslog")), Burst);
}

// The chart window still reads every chart to its end once the main window
// has gone: a failure would show a box nobody expected.
TEST_F(CapturingMainWindowTest, TheChartWindowOutlivesTheMainWindow)
{
    send(Traffic.toUtf8());
    ASSERT_TRUE(logged("1"));
    find<QPushButton>("Command1")->click();
    const QPointer<AnalysisWindow> chart = window->analysisWindow();
    window->close();
    ASSERT_TRUE(waitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }));
    ASSERT_FALSE(chart.isNull());
    EXPECT_TRUE(chart->isVisible());
    auto* charts = chart->findChild<QComboBox*>(QStringLiteral("cboCharts"));
    ASSERT_NE(charts, nullptr);
    for (int i = 0; i < charts->count(); ++i) {
        charts->setCurrentIndex(i);
        emit charts->activated(i);
        ASSERT_TRUE(waitFor([&] { return !chart->isBuilding(); })) << i;
    }
}

} // namespace
} // namespace corvane
