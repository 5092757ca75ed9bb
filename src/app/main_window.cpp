#include "app/main_window.h"

#include "analysis/analysis_window.h"
#include "base/trap.h"
#include "browse/recent_log_view.h"
#include "capture/capture_session.h"
#include "capture/capture_tab.h"
#include "capture/log_database.h"
#include "convert/parse_tab.h"
#include "platform/failure/failure_codes.h"
#include "reports/report_tab.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace corvane {

MainWindow::MainWindow(QString programFolder, platform::Dialogs& dialogs, const Clock& clock, QWidget* parent)
    : QMainWindow(parent)
    , m_state(std::make_shared<SharedState>(programFolder, &clock))
    , m_logger(std::make_shared<const ErrorLogger>(programFolder, dialogs))
    , m_clock(clock)
    , m_dialogs(dialogs)
    , m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Corvane (Beta) 1.0"));

    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_recentLogView = new RecentLogView(*m_state, *m_logger);
    auto* session = new CaptureSession(clock, *m_logger, dialogs,
        [this] { return std::make_unique<LogDatabase>(m_state->engine(), m_state->databasePath); });
    connect(session, &CaptureSession::drained, this, [this] {
        if (m_closeWhenDrained)
            close();
    });
    m_captureTab = new CaptureTab(
        session, m_recentLogView, m_recentLogView->caption(), m_recentLogView->refreshButton());
    m_tabs->addTab(m_captureTab, QStringLiteral(" Capture"));
    m_reportTab = new ReportTab(*m_state, *m_logger, dialogs);
    m_tabs->addTab(m_reportTab, QStringLiteral(" Report "));
    m_parseTab = new ParseTab(*m_logger, dialogs);
    m_tabs->addTab(m_parseTab, QStringLiteral(" Parse"));
    connect(m_parseTab, &ParseTab::chartWindowRequested, this, &MainWindow::showAnalysisWindow);
    setCentralWidget(m_tabs);
    resize(1000, 720); // fits a 1024x768 screen

    Form_Load();
}

MainWindow::~MainWindow() = default;

LogDatabase* MainWindow::logDatabase()
{
    return m_captureTab->session().logDatabase();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    CaptureSession& session = m_captureTab->session();
    if (session.isStoring()) {
        if (!std::exchange(m_closeWhenDrained, true)) {
            session.stopCapture();
        } else if (const long long unstored = session.abandon(); unstored > 0) {
            // Asked again while storing cannot go on (a full disk): the user
            // leaves, and what could not be stored is counted in the log.
            trap(*m_logger, [&] {
                throw platform::failure::DiskFull.make(
                    QStringLiteral("the window closed with %1 received datagrams not stored").arg(unstored));
            });
        }
    }
    if (session.isStoring()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

AnalysisWindow* MainWindow::analysisWindow() const
{
    return m_analysisWindow;
}

void MainWindow::showAnalysisWindow()
{
    if (!m_analysisWindow) {
        m_analysisWindow = new AnalysisWindow(m_state, m_logger, m_clock, m_dialogs);
    }
    m_analysisWindow->show();
    m_analysisWindow->raise();
    m_analysisWindow->activateWindow();
}

void MainWindow::Form_Load()
{
    bool reportsBound = false;
    trap(*m_logger, [&] {
        m_state->databasePath = SharedState::databasePathIn(m_state->programFolder());
        // Opened to tell at once when the file is missing or foreign, then let
        // go: capture opens it again while it stores.
        [[maybe_unused]] const LogDatabase check(m_state->engine(), m_state->databasePath);
        reportsBound = true;
        m_state->GridSortOrder = platform::GridSortOrder::DescendingNext;
        m_recentLogView->load();
    });
    // The report list opens once the load is over, if the load got as far
    // as binding it.
    if (reportsBound)
        trap(*m_logger, [&] { m_reportTab->load(); });
}

} // namespace corvane
