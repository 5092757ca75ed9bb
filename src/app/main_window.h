#pragma once

#include "base/error_logger.h"
#include "base/shared_state.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

class QCloseEvent;
class QTabWidget;

namespace corvane {

class AnalysisWindow;
class CaptureTab;
class Clock;
class LogDatabase;
class ParseTab;
class RecentLogView;
class ReportTab;

namespace platform {
class Dialogs;
}

// frmMain: the capture, report and parse tabs. Constructing it runs its
// load, which builds the shared state and opens the log views; a failure
// there is reported and the window opens all the same. Closing it deletes it
// with its socket and views; an open chart window keeps the program running.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(
        QString programFolder, platform::Dialogs& dialogs, const Clock& clock, QWidget* parent = nullptr);
    ~MainWindow() override;

    SharedState& state() { return *m_state; }
    const ErrorLogger& logger() const { return *m_logger; }
    CaptureTab& captureTab() { return *m_captureTab; }
    RecentLogView& recentLogView() { return *m_recentLogView; }
    ReportTab& reportTab() { return *m_reportTab; }
    ParseTab& parseTab() { return *m_parseTab; }
    // The chart window while it is open; null before Command1 and after it closed.
    AnalysisWindow* analysisWindow() const;
    // The views datSyslog1 and datMissed, open while capture stores; null
    // otherwise.
    LogDatabase* logDatabase();

    // Command1 on the parse tab: the chart window, not modal and without an
    // owner; made on first use, and again after the user has closed it.
    void showAnalysisWindow();

protected:
    // Capture ends with the window, but what it received is stored first:
    // the window stays, showing the count rise, and closes once it is done.
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();

    // Shared with the chart window, which may outlive this one.
    std::shared_ptr<SharedState> m_state;
    std::shared_ptr<const ErrorLogger> m_logger;
    const Clock& m_clock;
    platform::Dialogs& m_dialogs;
    QTabWidget* m_tabs;
    RecentLogView* m_recentLogView;
    CaptureTab* m_captureTab;
    ReportTab* m_reportTab;
    ParseTab* m_parseTab;
    QPointer<AnalysisWindow> m_analysisWindow;
    bool m_closeWhenDrained = false;
};

} // namespace corvane
