#pragma once

#include "analysis/chart_appearance.h"
#include "analysis/chart_grid.h"
#include "analysis/chart_type.h"

#include <QChartView>
#include <cstdint>

class QAbstractSeries;
class QGraphicsRectItem;

namespace corvane {

// The chart control: holds a grid of labelled values, a chart type and the
// plot appearance, and draws them with Qt Charts. The 3D kinds are drawn
// flat with depth shading and the plot base as a strip under the plot; a
// step chart is a line through step points.
class ChartControl : public QChartView {
    Q_OBJECT
public:
    explicit ChartControl(QWidget* parent = nullptr);

    // One category per row, labelled by the row's label, one data series.
    void setData(ChartGrid grid);
    const ChartGrid& data() const { return m_data; }

    // 0 to 7; anything else fails with Invalid procedure call.
    void setChartType(std::int32_t type);
    std::int32_t chartType() const { return m_chartType; }

    void setAppearance(const PlotAppearance& appearance);
    const PlotAppearance& appearance() const { return m_appearance; }

    // The series that carries the data, null while there is none.
    QAbstractSeries* dataSeries() const { return m_dataSeries; }
    // The plot base strip, shown under 3D kinds.
    const QGraphicsRectItem* base() const { return m_base; }

private:
    void redraw();
    void drawBars(double low, double high);
    void drawPoints(double low, double high);
    void applyAppearance();
    void placeBase();

    ChartGrid m_data;
    std::int32_t m_chartType = VtChChartType2dBar;
    PlotAppearance m_appearance;
    QAbstractSeries* m_dataSeries = nullptr;
    QGraphicsRectItem* m_base;
};

} // namespace corvane
