#pragma once

#include "analysis/chart_builder.h"
#include "platform/failure/failure.h"

#include <QPrinterInfo>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace corvane {

class BackgroundTask;
class ChartControl;
class ChartPrintWindow;
class Clock;
class ErrorLogger;
class SharedState;

namespace platform {
class Dialogs;
}

// frmAnalysis: one chart of the log database, its data source and chart type
// picked from two lists, and PRINT. It only reads the database. Constructing
// it loads it (lists filled, source 0 charted as "Bar 2D"); closing it
// deletes it, so the opener keeps a QPointer and makes a new one after a
// close.
// What one build read, on the task's thread.
struct ChartBuild {
    ChartGrid grid;
    std::vector<platform::Failure> categoryFailures;
};

class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    // Holds the state and the logger it reads: it may outlive the main window.
    AnalysisWindow(std::shared_ptr<SharedState> state, std::shared_ptr<const ErrorLogger> logger,
        const Clock& clock, platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    ChartControl& chart() { return *m_msChart1; }
    // A chart's rows are read on a thread of its own; the window goes on
    // answering meanwhile.
    bool isBuilding() const;
    // The print window of the last PRINT, null before the first.
    ChartPrintWindow* printWindow() const { return m_printWindow.get(); }

    // Where PRINT looks for the default printer; a null printer means none.
    void setPrinterLookup(std::function<QPrinterInfo()> lookup) { m_printerLookup = std::move(lookup); }

    void cboCharts_Click();
    void cboChartType_Click();
    void cmdPrintChart_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void startBuild(std::int16_t position);
    void built();

    std::shared_ptr<SharedState> m_state;
    std::shared_ptr<const ErrorLogger> m_loggerHeld;
    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;
    ChartBuilder m_builder;
    std::function<QPrinterInfo()> m_printerLookup;
    QGroupBox* m_frame1;
    QLabel* m_label25;
    QComboBox* m_cboCharts;
    QLabel* m_label1;
    QComboBox* m_cboChartType;
    QPushButton* m_cmdPrintChart;
    ChartControl* m_msChart1;
    std::unique_ptr<ChartPrintWindow> m_printWindow;
    BackgroundTask* m_task;
    std::shared_ptr<ChartBuild> m_build;
    // A pick made while a build runs: built next.
    std::optional<std::int16_t> m_nextPosition;
    bool m_placed = false;
};

} // namespace corvane
