#include "analysis/chart_print_window.h"

#include "analysis/chart_control.h"
#include "platform/grid/design_geometry.h"

namespace corvane {

namespace {

using platform::twipsToPixels;

// The chart window's chart with a margin all round, in twips.
constexpr int Margin = 120;
constexpr int ChartWidth = 10050;
constexpr int ChartHeight = 5280;

} // namespace

ChartPrintWindow::ChartPrintWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_msChartPrint(new ChartControl(this))
{
    setObjectName(QStringLiteral("frmChartPrint"));
    setWindowTitle(QStringLiteral("Print Chart"));
    // Rendered for the printer only, never shown to the user.
    setAttribute(Qt::WA_DontShowOnScreen);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    m_msChartPrint->setObjectName(QStringLiteral("MSChartPrint"));
    m_msChartPrint->setAccessibleName(QStringLiteral("Chart"));
    platform::setGeometryInTwips(m_msChartPrint, Margin, Margin, ChartWidth, ChartHeight);
    setFixedSize(twipsToPixels(ChartWidth + 2 * Margin), twipsToPixels(ChartHeight + 2 * Margin));
}

QImage ChartPrintWindow::image()
{
    // Showing lays the chart out; the window stays off the screen.
    show();
    QImage image = grab().toImage();
    hide();
    return image;
}

} // namespace corvane
