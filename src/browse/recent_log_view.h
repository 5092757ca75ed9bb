#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace corvane {

class ErrorLogger;
class SharedState;

namespace platform {
class GridWidget;
}

// The "Logs" grid of the capture tab with its Refresh Logs button. The grid
// keeps its own copy of the rows and changes only on a refresh.
class RecentLogView : public QWidget {
    Q_OBJECT
public:
    RecentLogView(SharedState& state, const ErrorLogger& logger, QWidget* parent = nullptr);

    // Loads the newest rows without the button's captions, as the main
    // window's load does; failures are the caller's.
    void load();

    platform::GridWidget& grid() { return *m_grid; }
    // The "Logs" caption and the Refresh Logs button, for the capture tab
    // to place beside its other controls.
    QLabel* caption() const { return m_label; }
    QPushButton* refreshButton() const { return m_refresh; }

    void cmdRefreshDB_Click();
    void msgSyslogDB_Click();

private:
    SharedState& m_state;
    const ErrorLogger& m_logger;
    QLabel* m_label;
    QPushButton* m_refresh;
    platform::GridWidget* m_grid;
};

} // namespace corvane
