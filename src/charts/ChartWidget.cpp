#include "charts/ChartWidget.h"

#include "charts/ChartPlot.h"
#include "charts/ChartSeriesData.h"
#include "theme/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {

constexpr int RepaintIntervalMs = 200;
constexpr int MinimumHeight = 100;

const QColor BackgroundColor = Theme::Inset;
const QColor TextColor = Theme::DimText;
const QColor FrameColor = Theme::Border;
const QColor GridColor = Theme::withAlpha(Theme::Border, 50);

constexpr qreal GridPenWidth = 1.0;
constexpr qreal SeriesPenWidth = 1.5;

} // namespace

ChartWidget::ChartWidget(QWidget *parent)
    : QWidget(parent)
{
    setMinimumHeight(MinimumHeight);
    setAutoFillBackground(false);
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(RepaintIntervalMs);
    connect(m_refreshTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_refreshTimer->start();
}

void ChartWidget::setSeriesList(const QList<ChartSeriesData *> *seriesList)
{
    m_seriesList = seriesList;
}

void ChartWidget::setTimeWindow(int seconds)
{
    m_timeWindow = qMax(seconds, ChartModel::MinimumTimeWindow);
}

int ChartWidget::timeWindow() const
{
    return m_timeWindow;
}

void ChartWidget::refresh()
{
    update();
}

void ChartWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    update();
}

void ChartWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintChart(painter, width(), height());
}

void ChartWidget::paintChart(QPainter &painter, int width, int height)
{
    painter.fillRect(0, 0, width, height, BackgroundColor);

    const ChartPlot::PlotLayout layout = ChartPlot::layoutFor(m_seriesList, QSize(width, height),
                                                              ChartSeriesData::currentTime(), m_timeWindow);
    switch (layout.content) {
    case ChartPlot::PlotLayout::Content::NoData:
        drawNoData(painter, width, height);
        return;
    case ChartPlot::PlotLayout::Content::BackgroundOnly:
        return;
    case ChartPlot::PlotLayout::Content::Plot:
        break;
    }

    drawFrame(painter, layout);
    painter.save();
    painter.setClipRect(layout.plot);
    drawGrid(painter, layout);
    drawSeries(painter, layout);
    painter.restore();
    drawLabels(painter, layout, height);
}

void ChartWidget::drawNoData(QPainter &painter, int width, int height)
{
    painter.setPen(TextColor);
    painter.setFont(Theme::uiFont(Theme::NoticePointSize));
    painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter, QStringLiteral("No Data"));
}

void ChartWidget::drawFrame(QPainter &painter, const ChartPlot::PlotLayout &layout)
{
    painter.setPen(QPen(FrameColor, 1, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(layout.plot.adjusted(0, 0, -1, -1));
}

void ChartWidget::drawGrid(QPainter &painter, const ChartPlot::PlotLayout &layout)
{
    const QRect &plot = layout.plot;
    painter.setPen(QPen(GridColor, GridPenWidth, Qt::SolidLine));
    for (int row = 0; row <= ChartPlot::GridRows; ++row) {
        const int y = ChartPlot::gridRowY(plot, row);
        painter.drawLine(plot.left(), y, plot.left() + plot.width(), y);
    }
    for (const qint64 tick : layout.ticks) {
        const double x = ChartPlot::timeToX(layout, tick);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.top() + plot.height()));
    }
}

void ChartWidget::drawSeries(QPainter &painter, const ChartPlot::PlotLayout &layout)
{
    painter.setBrush(Qt::NoBrush);
    for (int index = 0; index < m_seriesList->size(); ++index) {
        const ChartSeriesData *series = m_seriesList->at(index);
        if (series->points.isEmpty())
            continue;
        QPainterPath path;
        for (const auto &point : series->points) {
            const qint64 ms = point.first.toMSecsSinceEpoch();
            if (ms < layout.startMs)
                continue;
            const QPointF at(ChartPlot::timeToX(layout, ms),
                             ChartPlot::valueToY(layout, point.second));
            if (path.elementCount() == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        painter.setPen(QPen(ChartModel::seriesColor(index), SeriesPenWidth, Qt::SolidLine));
        painter.drawPath(path);
    }
}

void ChartWidget::drawLabels(QPainter &painter, const ChartPlot::PlotLayout &layout, int height)
{
    painter.setPen(TextColor);
    painter.setFont(Theme::uiFont(Theme::CaptionPointSize));
    for (int row = 0; row <= ChartPlot::GridRows; ++row) {
        painter.drawText(ChartPlot::valueLabelRect(layout.plot, row), Qt::AlignRight | Qt::AlignVCenter,
                         ChartPlot::valueLabel(ChartPlot::rowValue(layout, row)));
    }
    for (const qint64 tick : layout.ticks) {
        painter.drawText(ChartPlot::timeLabelRect(layout, tick, height), Qt::AlignCenter,
                         ChartPlot::timeLabel(tick));
    }
}
