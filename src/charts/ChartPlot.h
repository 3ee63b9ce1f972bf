#pragma once

#include <QDateTime>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

class ChartSeriesData;

// The arithmetic behind ChartWidget's drawing: where the plot sits, which value range
// and time ticks it shows and how values and times are written. Free of painting.
namespace ChartPlot {

constexpr int LeftMargin = 48;   // value labels live here
constexpr int TopMargin = 4;
constexpr int RightMargin = 8;
constexpr int BottomMargin = 20; // time labels live here
constexpr int GridRows = 4;      // five horizontal lines, four bands
constexpr int LabelWidth = 44;
constexpr int LabelHeight = 16;

struct ValueRange
{
    double min = 0.0;
    double max = 0.0;
};

// What one paint shows for the given series, widget size, clock and window.
struct PlotLayout
{
    enum class Content { NoData, BackgroundOnly, Plot };

    Content content = Content::NoData;
    QRect plot;
    qint64 startMs = 0;
    double spanSeconds = 0.0;
    ValueRange axis;
    QList<qint64> ticks; // milliseconds since the epoch, strictly before now
};

QRect plotRect(const QSize &widgetSize);

// Pads a value range by a tenth of its width, or by 0.1 when it is (nearly) flat.
ValueRange paddedRange(const ValueRange &range);

// Grid and label spacing in milliseconds for a window of the given length.
qint64 tickStepMs(double spanSeconds);

// The step-aligned tick times after startMs and strictly before nowMs.
QList<qint64> tickTimes(qint64 startMs, qint64 nowMs, qint64 stepMs);

PlotLayout layoutFor(const QList<ChartSeriesData *> *seriesList, const QSize &widgetSize,
                     const QDateTime &now, int windowSeconds);

double timeToX(const PlotLayout &layout, qint64 msecsSinceEpoch);
double valueToY(const PlotLayout &layout, double value);

// Grid row `row` (0 at the top) and the boxes its value label and a tick's time label sit in.
int gridRowY(const QRect &plot, int row);
QRectF valueLabelRect(const QRect &plot, int row);
QRectF timeLabelRect(const PlotLayout &layout, qint64 tick, int widgetHeight);

// The value written beside grid row `row` (0 at the top).
double rowValue(const PlotLayout &layout, int row);
QString valueLabel(double value);
QString timeLabel(qint64 msecsSinceEpoch);

} // namespace ChartPlot
