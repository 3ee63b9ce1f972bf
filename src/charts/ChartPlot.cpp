#include "charts/ChartPlot.h"

#include "charts/ChartSeriesData.h"

#include <limits>

namespace ChartPlot {

namespace {

constexpr double RowFraction = 1.0 / GridRows;
constexpr double FlatRangeLimit = 0.001;
constexpr double FlatRangePad = 0.1;
constexpr double RangePadFactor = 0.1;

constexpr qint64 ShortStepMs = 5000;
constexpr qint64 MediumStepMs = 10000;
constexpr qint64 LongStepMs = 30000;
constexpr double ShortSpanSeconds = 30.0;
constexpr double MediumSpanSeconds = 120.0;

} // namespace

QRect plotRect(const QSize &widgetSize)
{
    return QRect(LeftMargin, TopMargin,
                 widgetSize.width() - LeftMargin - RightMargin,
                 widgetSize.height() - TopMargin - BottomMargin);
}

ValueRange paddedRange(const ValueRange &range)
{
    const double width = range.max - range.min;
    const double pad = width < FlatRangeLimit ? FlatRangePad : RangePadFactor * width;
    return { range.min - pad, range.max + pad };
}

qint64 tickStepMs(double spanSeconds)
{
    if (spanSeconds <= ShortSpanSeconds)
        return ShortStepMs;
    if (spanSeconds <= MediumSpanSeconds)
        return MediumStepMs;
    return LongStepMs;
}

QList<qint64> tickTimes(qint64 startMs, qint64 nowMs, qint64 stepMs)
{
    QList<qint64> ticks;
    for (qint64 tick = startMs + stepMs - startMs % stepMs; tick < nowMs; tick += stepMs)
        ticks.append(tick);
    return ticks;
}

PlotLayout layoutFor(const QList<ChartSeriesData *> *seriesList, const QSize &widgetSize,
                     const QDateTime &now, int windowSeconds)
{
    PlotLayout layout;
    if (!seriesList || seriesList->isEmpty() || seriesList->first()->points.isEmpty())
        return layout;

    layout.plot = plotRect(widgetSize);
    if (layout.plot.width() < 1 || layout.plot.height() < 1) {
        layout.content = PlotLayout::Content::BackgroundOnly;
        return layout;
    }

    layout.startMs = now.toMSecsSinceEpoch() - qint64(windowSeconds) * 1000;
    const qint64 nowMs = now.toMSecsSinceEpoch();
    layout.spanSeconds = double(nowMs - layout.startMs) / 1000.0;

    ValueRange seen { std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest() };
    bool any = false;
    for (const ChartSeriesData *series : *seriesList) {
        for (const auto &point : series->points) {
            if (point.first.toMSecsSinceEpoch() < layout.startMs)
                continue;
            any = true;
            seen.min = qMin(seen.min, point.second);
            seen.max = qMax(seen.max, point.second);
        }
    }
    if (!any)
        return layout;

    layout.content = PlotLayout::Content::Plot;
    layout.axis = paddedRange(seen);
    layout.ticks = tickTimes(layout.startMs, nowMs, tickStepMs(layout.spanSeconds));
    return layout;
}

double timeToX(const PlotLayout &layout, qint64 msecsSinceEpoch)
{
    const double seconds = double(msecsSinceEpoch - layout.startMs) / 1000.0;
    return layout.plot.left() + seconds / layout.spanSeconds * layout.plot.width();
}

double valueToY(const PlotLayout &layout, double value)
{
    const double fraction = (value - layout.axis.min) / (layout.axis.max - layout.axis.min);
    return layout.plot.top() + layout.plot.height() - fraction * layout.plot.height();
}

int gridRowY(const QRect &plot, int row)
{
    return plot.top() + (row * plot.height()) / GridRows;
}

QRectF valueLabelRect(const QRect &plot, int row)
{
    const double centre = plot.top() + row * plot.height() * RowFraction;
    return QRectF(0, centre - LabelHeight / 2, LabelWidth, LabelHeight);
}

QRectF timeLabelRect(const PlotLayout &layout, qint64 tick, int widgetHeight)
{
    return QRectF(timeToX(layout, tick) - LabelWidth / 2, widgetHeight - BottomMargin + 2,
                  LabelWidth, LabelHeight);
}

double rowValue(const PlotLayout &layout, int row)
{
    return layout.axis.max - row * (layout.axis.max - layout.axis.min) * RowFraction;
}

QString valueLabel(double value)
{
    const double magnitude = qAbs(value);
    const int decimals = magnitude >= 10000.0 ? 0 : magnitude >= 1.0 ? 1 : 3;
    return QString::number(value, 'f', decimals);
}

QString timeLabel(qint64 msecsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace ChartPlot
