#include "analysis/analysis_window.h"
#include "app/clock.h"
#include "app/main_window.h"
#include "browse/recent_log_view.h"
#include "capture/capture_tab.h"
#include "capture/log_database.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/grid/grid_widget.h"
#include "platform/udp/udp_socket.h"
#include "loopback_sender.h"
#include "program_folder.h"
#include "scripted_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using testing::ScriptedDialogs;

const QString Traffic = QStringLiteral(
    "<133>ns5gt: NetScreen device_id=ns5gt  [Root]system-notification-00257(traffic): "
    "start_time=\"2009-01-22 15:13:46\" duration=25 policy_id=11 service=http proto=6 src zone=Untrust "
    "dst zone=Trust action=Permit sent=178 rcvd=84 src=115.89.244.226 dst=210.99.50.44 src_port=43826 "
    "dst_port=80");

QString failureBox(int number, const QString& description)
{
    return ErrorLogger::failureMessage(platform::Failure(number, description));
}

void sendTo(int port, const QByteArray& bytes)
{
    testing::LoopbackSender(port).send(bytes);
}

bool waitFor(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

class MainWindowTest : public ::testing::Test {
protected:
    template <typename T> T* find(const char* name)
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void open()
    {
        window = std::make_unique<MainWindow>(folder.path(), dialogs, clock);
        window->show();
    }

    // Start Capture on a port the system picks.
    int startCapture()
    {
        find<QLineEdit>("txtLocalHostPort")->setText(QStringLiteral("0"));
        find<QPushButton>("cmdCapture")->click();
        return window->captureTab().socket().boundPort();
    }

    long long count(const QString& sql)
    {
        platform::db::DatabaseEngine engine;
        platform::db::ResultSet result(engine.open(folder.databasePath()), sql);
        return result.value(0).toInt64();
    }

    testing::ProgramFolder folder;
    ScriptedDialogs dialogs;
    FixedClock clock{QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5))};
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, OpensWithItsTabsAndEmptyCounters)
{
    open();
    EXPECT_EQ(window->windowTitle(), "Corvane (Beta) 1.0");
    auto* tabs = find<QTabWidget>("SSTab1");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), " Capture");
    EXPECT_EQ(tabs->tabText(1), " Report ");
    EXPECT_EQ(tabs->tabText(2), " Parse");
    EXPECT_FALSE(find<QCheckBox>("chkState")->isChecked());
    EXPECT_EQ(find<QCheckBox>("chkState")->text(), "Capture:OFF");
    EXPECT_EQ(find<QLineEdit>("txtRemoteHostPort")->text(), "2350");
    EXPECT_EQ(find<QLineEdit>("txtLocalHostPort")->text(), "514");
    for (const char* counter : {"txtNoMsgs", "txtMissed", "txtDBsize"})
        EXPECT_TRUE(find<QLineEdit>(counter)->text().isEmpty()) << counter;
    EXPECT_EQ(find<QLineEdit>("txtMissed")->accessibleName(), "Messages Ignored");
    EXPECT_EQ(window->state().GridSortOrder, 1);
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST(MainWindowStartUp, WithoutADatabaseReportsAndStillOpens)
{
    QTemporaryDir folder;
    QFile log(folder.filePath(QStringLiteral("Errlog.txt")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("0\r\n");
    log.close();
    ScriptedDialogs dialogs;
    const QString missing = folder.filePath(QStringLiteral("syslog97.mdb"));
    FixedClock clock{QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5))};
    dialogs.expectBox(failureBox(3024, QStringLiteral("Could not find file '%1'.").arg(missing)));
    MainWindow window(folder.path(), dialogs, clock);
    dialogs.verifyAllUsed();
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].request.title, "UNEXPECTED ERROR");
    EXPECT_EQ(window.state().GridSortOrder, 0);
    EXPECT_EQ(window.logDatabase(), nullptr);
    EXPECT_EQ(window.recentLogView().grid().grid().rows(), 1);
    EXPECT_FALSE(QFile::exists(missing)); // never created
}

TEST_F(MainWindowTest, StoresAndCountsEveryDatagram)
{
    open();
    const int port = startCapture();
    ASSERT_GT(port, 0);
    EXPECT_TRUE(find<QCheckBox>("chkState")->isChecked());
    EXPECT_EQ(find<QCheckBox>("chkState")->text(), "Capture:ON");

    // A complete message, one lacking two keys, garbage, and an empty datagram.
    QString lacking = Traffic;
    lacking.remove(QStringLiteral(" src_port=43826")).remove(QStringLiteral(" dst_port=80"));
    sendTo(port, Traffic.toUtf8());
    ASSERT_TRUE(waitFor([&] { return find<QLineEdit>("txtNoMsgs")->text() == "1"; }));
    EXPECT_TRUE(find<QLineEdit>("txtMissed")->text().isEmpty());
    // The message box follows within a frame.
    EXPECT_TRUE(waitFor([&] { return find<QPlainTextEdit>("txtSyslogMsg")->toPlainText() == Traffic; }));
    EXPECT_TRUE(find<QLineEdit>("txtDBsize")->text().endsWith(" Bytes"));

    sendTo(port, lacking.toUtf8());
    ASSERT_TRUE(waitFor([&] { return find<QLineEdit>("txtNoMsgs")->text() == "2"; }));
    EXPECT_EQ(find<QLineEdit>("txtMissed")->text(), "2");

    sendTo(port, QByteArray("garbage \xff\x00 bytes", 15));
    sendTo(port, QByteArray());
    ASSERT_TRUE(waitFor([&] { return find<QLineEdit>("txtNoMsgs")->text() == "4"; }));
    EXPECT_EQ(find<QLineEdit>("txtMissed")->text(), "32");

    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 4);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM missed")), 32);

    // A value too long for its column: reported, no row, the counters kept.
    sendTo(port, (QStringLiteral("src=") + QString(300, QLatin1Char('x'))).toUtf8());
    dialogs.expectBox(failureBox(6, QStringLiteral("Overflow")));
    ASSERT_TRUE(waitFor([&] { return dialogs.boxes().size() == 1; }));
    EXPECT_EQ(find<QLineEdit>("txtNoMsgs")->text(), "4");
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 4);
    EXPECT_EQ(folder.errorLogCount(), 1);

    find<QPushButton>("cmdStopCapture")->click();
    EXPECT_FALSE(find<QCheckBox>("chkState")->isChecked());
    EXPECT_EQ(find<QCheckBox>("chkState")->text(), "Capture:OFF");
}

TEST_F(MainWindowTest, MissedCountGoesOnFromWhatTheBoxShows)
{
    open();
    const int port = startCapture();
    const QString lackingOne = QString(Traffic).remove(QStringLiteral(" dst_port=80"));
    for (const auto& [before, after] : std::vector<std::pair<QString, QString>>{
             {"100", "101"}, {"not a number", "1"}, {"32767", "32768"}, {"2.6", "4"}}) {
        find<QLineEdit>("txtMissed")->setText(before);
        const QString logged = find<QLineEdit>("txtNoMsgs")->text();
        sendTo(port, lackingOne.toUtf8());
        ASSERT_TRUE(waitFor([&] { return find<QLineEdit>("txtNoMsgs")->text() != logged; }));
        EXPECT_EQ(find<QLineEdit>("txtMissed")->text(), after) << before.toStdString();
    }
}

TEST_F(MainWindowTest, StartCaptureFailures)
{
    open();
    struct Case {
        QString port;
        QString box;
    };
    const std::vector<Case> cases = {
        {QString(), failureBox(13, QStringLiteral("Type mismatch"))},
        {QStringLiteral("abc"), failureBox(13, QStringLiteral("Type mismatch"))},
        {QStringLiteral("70000"), failureBox(10022, QStringLiteral("Invalid argument: UDP port 70000 is outside 0 to 65535"))},
    };
    for (const Case& c : cases) {
        dialogs.expectBox(c.box);
        find<QLineEdit>("txtLocalHostPort")->setText(c.port);
        find<QPushButton>("cmdCapture")->click();
        dialogs.verifyAllUsed();
        EXPECT_EQ(find<QCheckBox>("chkState")->text(), "Capture:OFF") << c.port.toStdString();
        EXPECT_EQ(find<QPlainTextEdit>("txtSyslogMsg")->toPlainText(), "Preparing to Capture Data... Please wait");
    }

    // Pressed twice: the second press fails and capture goes on.
    const int port = startCapture();
    dialogs.expectBox(failureBox(40020, QStringLiteral("Invalid operation at current state")));
    find<QPushButton>("cmdCapture")->click();
    dialogs.verifyAllUsed();
    EXPECT_EQ(find<QCheckBox>("chkState")->text(), "Capture:ON");
    EXPECT_EQ(window->captureTab().socket().boundPort(), port);
    sendTo(port, Traffic.toUtf8());
    EXPECT_TRUE(waitFor([&] { return find<QLineEdit>("txtNoMsgs")->text() == "1"; }));
    EXPECT_EQ(folder.errorLogCount(), 4);
}

TEST_F(MainWindowTest, TheSizeLimitStopsCapture)
{
    open();
    const int port = startCapture();
    window->logDatabase()->setFileSizeSource([] { return MaxDatabaseBytes + 1; });
    dialogs.expectBox(QString(MaximumSizeMessage));
    sendTo(port, Traffic.toUtf8());
    ASSERT_TRUE(waitFor([&] { return find<QCheckBox>("chkState")->text() == "Capture:OFF"; }));
    EXPECT_EQ(find<QLineEdit>("txtDBsize")->text(), "1950000001 Bytes");
    EXPECT_EQ(window->captureTab().socket().state(), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 1); // the row that crossed the limit stays
    dialogs.verifyAllUsed();
}

TEST_F(MainWindowTest, RefreshShowsNewRowsAndTheSortAlternates)
{
    open();
    const int port = startCapture();
    for (const char* zone : {"b", "C", "a"})
        sendTo(port, QString(Traffic).replace(QStringLiteral("src zone=Untrust"), QStringLiteral("src zone=") + zone).toUtf8());
    ASSERT_TRUE(waitFor([&] { return find<QLineEdit>("txtNoMsgs")->text() == "3"; }));

    platform::GridWidget& view = window->recentLogView().grid();
    EXPECT_EQ(view.grid().rows(), 1); // not until Refresh Logs
    auto* refresh = find<QPushButton>("cmdRefreshDB");
    refresh->click();
    EXPECT_EQ(refresh->text(), "Refresh Logs");
    ASSERT_EQ(view.grid().rows(), 4);
    EXPECT_EQ(view.grid().text(0, 0), "logno");
    EXPECT_EQ(view.grid().text(1, 0), "3"); // newest first

    const int zone = view.grid().cols() > 7 ? 7 : 0;
    ASSERT_EQ(view.grid().text(0, zone), "src zone=");
    auto zones = [&] {
        QStringList out;
        for (int r = 1; r < view.grid().rows(); ++r)
            out << view.grid().text(r, zone);
        return out;
    };
    view.grid().selectColumnForHeadingClick(zone);
    window->recentLogView().msgSyslogDB_Click();
    EXPECT_EQ(zones(), (QStringList{"C", "b", "a"}));
    EXPECT_EQ(window->state().GridSortOrder, 2);
    view.grid().selectColumnForHeadingClick(zone);
    window->recentLogView().msgSyslogDB_Click();
    EXPECT_EQ(zones(), (QStringList{"a", "b", "C"}));

    // A click below the first data row changes nothing.
    view.grid().setCurrentCell(2, zone);
    window->recentLogView().msgSyslogDB_Click();
    EXPECT_EQ(window->state().GridSortOrder, 1);

    refresh->click();
    EXPECT_EQ(view.grid().text(1, 0), "3");
    EXPECT_EQ(window->state().GridSortOrder, 1);
}

TEST_F(MainWindowTest, Command1OpensOneChartWindowAndANewOneAfterItIsClosed)
{
    open();
    auto* command1 = find<QPushButton>("Command1");
    EXPECT_EQ(command1->text(), "Command1");
    EXPECT_EQ(window->analysisWindow(), nullptr);
    command1->click();
    QPointer<AnalysisWindow> chart = window->analysisWindow();
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_FALSE(chart->isModal());
    EXPECT_EQ(chart->parentWidget(), nullptr);
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
    ASSERT_NE(window->analysisWindow(), nullptr);
    EXPECT_EQ(window->analysisWindow()->findChild<QComboBox*>(QStringLiteral("cboChartType"))->currentText(), "Bar 2D");
    EXPECT_TRUE(dialogs.boxes().empty());
}

} // namespace
} // namespace corvane
