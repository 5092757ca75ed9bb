#pragma once

#include "analysis/chart_appearance.h"
#include "analysis/chart_grid.h"

#include <QImage>
#include <QWidget>

namespace corvane {

class ChartControl;

// The window PRINT prints: the chart alone, as MSChartPrint. It is never
// shown on screen; PRINT gives it the chart's data and the chosen chart type
// and prints its image.
class ChartPrintWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChartPrintWindow(QWidget* parent = nullptr);

    ChartControl& chart() { return *m_msChartPrint; }
    const ChartControl& chart() const { return *m_msChartPrint; }

    // The window's image as the screen would show it.
    QImage image();

private:
    ChartControl* m_msChartPrint;
};

} // namespace corvane
