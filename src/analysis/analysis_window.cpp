#include "analysis/analysis_window.h"

#include "analysis/chart_appearance.h"
#include "analysis/chart_control.h"
#include "analysis/chart_print_window.h"
#include "analysis/chart_printer.h"
#include "base/background_task.h"
#include "base/error_logger.h"
#include "base/trap.h"
#include "platform/dialogs/screen_placement.h"
#include "platform/grid/design_geometry.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace corvane {

namespace {

using platform::twipsToPixels;

// The window's design, in twips.
constexpr int ClientWidth = 10140;
constexpr int ClientHeight = 6660;
constexpr int MinimumWidth = 6000;
constexpr int MinimumHeight = 3600;
constexpr int ChartLeft = 45;
constexpr int ChartTop = 1305;

constexpr const char* ChartEntries[] = {
    "Last 24 hour Zone Traffic",
    "Last 24 hour Top 10 Source IP",
    "Last 24 hour Top 10 Destination IP",
    "",
};
constexpr const char* ChartTypeEntries[] = {
    "Bar 3D",
    "Bar 2D",
    "Line 3D",
    "Line 2D",
    "Area 3D",
    "Area 2D",
    "Step 3D",
    "Step 2D",
};
constexpr int FirstSource = 0;
constexpr int FirstChartType = 1; // "Bar 2D"

} // namespace

AnalysisWindow::AnalysisWindow(std::shared_ptr<SharedState> state, std::shared_ptr<const ErrorLogger> logger,
    const Clock& clock, platform::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_state(std::move(state))
    , m_loggerHeld(std::move(logger))
    , m_logger(*m_loggerHeld)
    , m_dialogs(dialogs)
    , m_builder(*m_state, m_logger, clock)
    , m_printerLookup(&QPrinterInfo::defaultPrinter)
    , m_frame1(new QGroupBox(this))
    , m_label25(new QLabel(QStringLiteral("Select Chart Data"), m_frame1))
    , m_cboCharts(new QComboBox(m_frame1))
    , m_label1(new QLabel(QStringLiteral("Select Chart Type"), m_frame1))
    , m_cboChartType(new QComboBox(m_frame1))
    , m_cmdPrintChart(new QPushButton(QStringLiteral("PRINT"), m_frame1))
    , m_msChart1(new ChartControl(this))
    , m_task(new BackgroundTask(this))
{
    setObjectName(QStringLiteral("frmAnalysis"));
    setWindowTitle(QStringLiteral("Analysis"));
    // No close handler: closing unloads the window.
    setAttribute(Qt::WA_DeleteOnClose);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_label25->setObjectName(QStringLiteral("Label25"));
    m_label25->setFont(platform::designFont(QStringLiteral("Arial")));
    m_label25->setBuddy(m_cboCharts);
    m_cboCharts->setObjectName(QStringLiteral("cboCharts"));
    m_cboCharts->setFont(platform::designFont(QStringLiteral("MS Sans Serif")));
    m_cboCharts->setAccessibleName(m_label25->text());
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(platform::designFont(QStringLiteral("Arial")));
    m_label1->setBuddy(m_cboChartType);
    m_cboChartType->setObjectName(QStringLiteral("cboChartType"));
    m_cboChartType->setFont(platform::designFont(QStringLiteral("MS Sans Serif")));
    m_cboChartType->setAccessibleName(m_label1->text());
    m_cmdPrintChart->setObjectName(QStringLiteral("cmdPrintChart"));
    m_cmdPrintChart->setFont(platform::designFont(QStringLiteral("Tahoma"), true));
    m_cmdPrintChart->setToolTip(QStringLiteral("Print Chart"));
    m_msChart1->setObjectName(QStringLiteral("MSChart1"));
    m_msChart1->setAccessibleName(QStringLiteral("Chart"));

    platform::setGeometryInTwips(m_frame1, 135, 45, 9870, 1185);
    platform::setGeometryInTwips(m_label25, 180, 315, 1950, 285);
    platform::setGeometryInTwips(m_cboCharts, 1935, 270, 6045, 315);
    platform::setGeometryInTwips(m_label1, 180, 720, 1680, 285);
    platform::setGeometryInTwips(m_cboChartType, 1935, 675, 6045, 315);
    platform::setGeometryInTwips(m_cmdPrintChart, 8145, 270, 1500, 750);
    platform::setGeometryInTwips(m_msChart1, ChartLeft, ChartTop, 10050, 5280);
    // Any size from the list row up: the chart takes what the lists leave.
    resize(twipsToPixels(ClientWidth), twipsToPixels(ClientHeight));
    setMinimumSize(twipsToPixels(MinimumWidth), twipsToPixels(MinimumHeight));
    setTabOrder(m_cboCharts, m_cboChartType);
    setTabOrder(m_cboChartType, m_cmdPrintChart);
    setTabOrder(m_cmdPrintChart, m_msChart1);

    // A pick by mouse or arrow key; picks made in code call the handler.
    connect(m_cboCharts, &QComboBox::activated, this, &AnalysisWindow::cboCharts_Click);
    connect(m_cboChartType, &QComboBox::activated, this, &AnalysisWindow::cboChartType_Click);
    connect(m_cmdPrintChart, &QPushButton::clicked, this, &AnalysisWindow::cmdPrintChart_Click);
    auto next = [this] {
        if (const auto position = std::exchange(m_nextPosition, std::nullopt))
            startBuild(*position);
    };
    connect(m_task, &BackgroundTask::finished, this, [this, next] {
        if (!m_nextPosition)
            built();
        next();
    });
    connect(m_task, &BackgroundTask::failed, this, [this, next](int number, const QString& description) {
        for (const platform::Failure& failure : m_build->categoryFailures)
            m_logger.LogError(failure);
        trap(m_logger, [&] { throw platform::Failure(number, description); });
        next();
    });
    connect(m_task, &BackgroundTask::cancelled, this, next);

    Form_Load();
}

// The build ends before the builder and the state it reads go.
AnalysisWindow::~AnalysisWindow()
{
    delete m_task;
}

void AnalysisWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int left = twipsToPixels(ChartLeft);
    const int top = twipsToPixels(ChartTop);
    m_msChart1->setGeometry(left, top, std::max(0, width() - 2 * left), std::max(0, height() - top - left));
}

// Opened where it fits whole on its screen, smaller if the screen is.
void AnalysisWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_placed, true) || !screen())
        return;
    const QRect available = screen()->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    resize(size().boundedTo(available.size() - frameExtra).expandedTo(minimumSize()));
    const QRect frame
        = platform::keptInside(QRect(frameGeometry().topLeft(), size() + frameExtra), available);
    move(frame.topLeft());
}

void AnalysisWindow::Form_Load()
{
    trap(m_logger, [&] {
        for (const char* entry : ChartEntries)
            m_cboCharts->addItem(QString::fromLatin1(entry));
        // The first chart is drawn before the chart type list is filled.
        m_cboCharts->setCurrentIndex(FirstSource);
        cboCharts_Click();
        for (const char* entry : ChartTypeEntries)
            m_cboChartType->addItem(QString::fromLatin1(entry));
        m_cboChartType->setCurrentIndex(FirstChartType);
        cboChartType_Click();
    });
}

void AnalysisWindow::cboCharts_Click()
{
    const auto position = static_cast<std::int16_t>(m_cboCharts->currentIndex());
    if (m_task->isRunning()) {
        m_nextPosition = position; // the latest pick wins
        m_task->cancel();
        return;
    }
    startBuild(position);
}

bool AnalysisWindow::isBuilding() const
{
    return m_task->isRunning() || m_nextPosition.has_value();
}

void AnalysisWindow::startBuild(std::int16_t position)
{
    m_build = std::make_shared<ChartBuild>();
    m_task->start([build = m_build, &builder = m_builder, position](
                      BackgroundTask&) { build->grid = builder.build(position, build->categoryFailures); });
}

// Back on the window's thread: the categories' failures are reported, and
// the chart keeps what it showed unless the whole build succeeded.
void AnalysisWindow::built()
{
    for (const platform::Failure& failure : m_build->categoryFailures)
        m_logger.LogError(failure);
    trap(m_logger, [&] {
        m_msChart1->setData(m_build->grid);
        m_msChart1->setAppearance(buildAppearance());
        m_msChart1->setVisible(true);
    });
}

void AnalysisWindow::cboChartType_Click()
{
    // Only ever runs with a pick from the full list, always a valid type.
    const auto type = static_cast<std::int16_t>(m_cboChartType->currentIndex());
    m_msChart1->setChartType(static_cast<std::int32_t>(type));
}

void AnalysisWindow::cmdPrintChart_Click()
{
    trap(m_logger, [&] {
        const auto type = static_cast<std::int16_t>(m_cboChartType->currentIndex());
        if (!m_printWindow)
            m_printWindow = std::make_unique<ChartPrintWindow>();
        ChartControl& printChart = m_printWindow->chart();
        printChart.setData(m_msChart1->data());
        printChart.setAppearance(m_msChart1->appearance());
        printChart.setChartType(type);
        ChartPrinter(m_printerLookup, m_dialogs).print(m_printWindow->image(), windowTitle());
    });
}

} // namespace corvane
