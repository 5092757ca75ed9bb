#include "analysis/chart_control.h"

#include "platform/failure/failure_codes.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QGraphicsRectItem>
#include <QLineSeries>
#include <QLinearGradient>
#include <QSet>
#include <QValueAxis>
#include <algorithm>

namespace corvane {

namespace {

// The base's design height is depth in the control's 3D space; drawn flat it
// becomes a strip under the plot, 200 points giving 8 pixels.
constexpr double BasePixelsPerPoint = 0.04;
constexpr qreal BaseZValue = 0.5; // above the plot background, below grid and series
constexpr int FramePenWidth = 3;
// One data series: one colour whatever the chart type.
const QColor SeriesColor(32, 159, 223);

QColor toColor(const RgbColor& color)
{
    return QColor(color.red, color.green, color.blue);
}

// Both category axes drop a label they already hold, so equal or empty labels
// get invisible zero-width spaces to stay apart and keep every category.
// Past a few categories the labels no longer fit side by side and the axis
// would cut each to its first letters: they lean instead, whole.
constexpr std::size_t UprightLabels = 6;
constexpr int LeaningAngle = -45;

void fitLabels(QAbstractAxis* axis, std::size_t categories)
{
    axis->setLabelsAngle(categories > UprightLabels ? LeaningAngle : 0);
}

QStringList distinctLabels(const ChartGrid& grid)
{
    QStringList labels;
    QSet<QString> used;
    for (const ChartRow& row : grid) {
        QString label = row.label;
        while (label.isEmpty() || used.contains(label))
            label += QChar(0x200B);
        used.insert(label);
        labels.append(label);
    }
    return labels;
}

// Light at the left edge, dark at the right: the side of a raised shape.
QBrush depthBrush(const QColor& color, bool across)
{
    QLinearGradient gradient(0, 0, across ? 1 : 0, across ? 0 : 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, color.lighter(150));
    gradient.setColorAt(1, color.darker(160));
    return QBrush(gradient);
}

QValueAxis* valueAxis(double low, double high)
{
    auto* axis = new QValueAxis;
    axis->setRange(low, high);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.10g"));
    return axis;
}

} // namespace

ChartControl::ChartControl(QWidget* parent)
    : QChartView(new QChart, parent)
    , m_base(new QGraphicsRectItem(chart()))
{
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->hide();
    chart()->setBackgroundRoundness(0);
    m_base->setZValue(BaseZValue);
    m_base->setPen(Qt::NoPen);
    m_base->hide();
    connect(chart(), &QChart::plotAreaChanged, this, [this] { placeBase(); });
    redraw();
}

void ChartControl::setData(ChartGrid grid)
{
    m_data = std::move(grid);
    redraw();
}

void ChartControl::setChartType(std::int32_t type)
{
    if (!isValidChartType(type))
        throw platform::failure::InvalidProcedureCall.make(QStringLiteral("chart type %1").arg(type));
    m_chartType = type;
    redraw();
}

void ChartControl::setAppearance(const PlotAppearance& appearance)
{
    m_appearance = appearance;
    applyAppearance();
}

void ChartControl::redraw()
{
    QChart* plot = chart();
    plot->removeAllSeries();
    m_dataSeries = nullptr;
    for (QAbstractAxis* axis : plot->axes()) {
        plot->removeAxis(axis);
        delete axis;
    }
    // The value axis always shows 0, as bars and areas stand on it.
    double low = 0;
    double high = 0;
    for (const ChartRow& row : m_data) {
        low = std::min(low, row.number());
        high = std::max(high, row.number());
    }
    if (low == high)
        high = low + 1;
    if (kindOf(m_chartType) == ChartKind::Bar)
        drawBars(low, high);
    else
        drawPoints(low, high);
    applyAppearance();
}

void ChartControl::drawBars(double low, double high)
{
    QChart* plot = chart();
    auto* set = new QBarSet(QString());
    for (const ChartRow& row : m_data)
        set->append(row.number());
    auto* series = new QBarSeries;
    series->append(set);
    plot->addSeries(series);
    set->setColor(SeriesColor);
    if (isThreeDimensional(m_chartType)) {
        set->setBrush(depthBrush(SeriesColor, true));
        set->setPen(QPen(SeriesColor.darker(200)));
    }
    auto* categories = new QBarCategoryAxis;
    categories->append(distinctLabels(m_data));
    fitLabels(categories, m_data.size());
    plot->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    QValueAxis* values = valueAxis(low, high);
    plot->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    m_dataSeries = series;
}

void ChartControl::drawPoints(double low, double high)
{
    QChart* plot = chart();
    const ChartKind kind = kindOf(m_chartType);
    const bool depth = isThreeDimensional(m_chartType);
    auto* line = new QLineSeries;
    for (std::size_t i = 0; i < m_data.size(); ++i) {
        const double x = static_cast<double>(i);
        if (kind == ChartKind::Step) {
            line->append(x - 0.5, m_data[i].number());
            line->append(x + 0.5, m_data[i].number());
        } else {
            line->append(x, m_data[i].number());
        }
    }

    QList<QAbstractSeries*> drawn;
    if (kind == ChartKind::Area) {
        auto* floor = new QLineSeries;
        for (const QPointF& point : line->points())
            floor->append(point.x(), 0);
        auto* area = new QAreaSeries(line, floor);
        plot->addSeries(area);
        // The edges must go with the area when the next redraw removes it.
        for (QLineSeries* edge : { line, floor })
            if (!edge->parent())
                edge->setParent(area);
        area->setColor(SeriesColor);
        area->setBorderColor(SeriesColor.darker(150));
        if (depth) {
            area->setBrush(depthBrush(SeriesColor, false));
            area->setPen(QPen(SeriesColor.darker(200), 2));
        }
        drawn.append(area);
        m_dataSeries = area;
    } else {
        if (depth) {
            // A wide dark band under the line gives it depth.
            auto* shade = new QLineSeries;
            shade->append(line->points());
            plot->addSeries(shade);
            plot->addSeries(line);
            QColor band = SeriesColor.darker(180);
            band.setAlpha(110);
            shade->setPen(QPen(band, 9, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
            line->setPen(QPen(SeriesColor, 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
            drawn.append(shade);
        } else {
            plot->addSeries(line);
            line->setPen(QPen(SeriesColor, 2));
        }
        drawn.append(line);
        m_dataSeries = line;
    }

    // Category i spans i - 0.5 to i + 0.5, its label in the middle.
    auto* categories = new QCategoryAxis;
    categories->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    fitLabels(categories, m_data.size());
    categories->setStartValue(-0.5);
    const QStringList labels = distinctLabels(m_data);
    for (qsizetype i = 0; i < labels.size(); ++i)
        categories->append(labels[i], static_cast<double>(i) + 0.5);
    categories->setRange(-0.5, static_cast<double>(std::max<qsizetype>(labels.size(), 1)) - 0.5);
    plot->addAxis(categories, Qt::AlignBottom);
    QValueAxis* values = valueAxis(low, high);
    plot->addAxis(values, Qt::AlignLeft);
    for (QAbstractSeries* series : drawn) {
        series->attachAxis(categories);
        series->attachAxis(values);
    }
}

void ChartControl::applyAppearance()
{
    QChart* plot = chart();
    // The backdrop is the chart's own background, its frame a thick line
    // inside the view's thin one.
    const bool filled = m_appearance.backdropFillStyle == VtFillStyleBrush;
    plot->setBackgroundBrush(filled ? QBrush(toColor(m_appearance.backdropFillColor)) : QBrush(Qt::NoBrush));
    if (m_appearance.backdropFrameStyle == VtFrameStyleThickInner) {
        plot->setBackgroundPen(QPen(Qt::black, FramePenWidth));
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        plot->setBackgroundPen(Qt::NoPen);
        setFrameStyle(QFrame::NoFrame);
    }
    // The wall stands behind the data: the plot area's background.
    const bool wall = m_appearance.wallBrushStyle == VtBrushStyleSolid;
    plot->setPlotAreaBackgroundVisible(wall);
    plot->setPlotAreaBackgroundBrush(
        wall ? QBrush(toColor(m_appearance.wallBrushColor)) : QBrush(Qt::NoBrush));
    m_base->setBrush(QBrush(toColor(m_appearance.baseBrushColor)));
    placeBase();
}

void ChartControl::placeBase()
{
    const bool shown = isThreeDimensional(m_chartType) && m_appearance.baseBrushStyle == VtBrushStyleSolid
        && m_appearance.baseHeight > 0;
    m_base->setVisible(shown);
    if (!shown)
        return;
    const QRectF area = chart()->plotArea();
    const double height = std::min<double>(m_appearance.baseHeight * BasePixelsPerPoint, area.height());
    m_base->setRect(area.left(), area.bottom() - height, area.width(), height);
}

} // namespace corvane
