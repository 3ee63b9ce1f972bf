#pragma once

#include "charts/ChartModel.h"

#include <QList>
#include <QWidget>

class ChartSeriesData;
class QPainter;
class QTimer;

namespace ChartPlot {
struct PlotLayout;
}

// A self-painted line chart of live series over a sliding time window; it repaints
// itself five times a second so the time axis keeps moving. Series take the chart
// page's colours by their position in the list.
class ChartWidget : public QWidget
{
    Q_OBJECT

public:
    Q_INVOKABLE explicit ChartWidget(QWidget *parent = nullptr);

    // The list and its series stay owned by the caller and must outlive the widget's paints.
    void setSeriesList(const QList<ChartSeriesData *> *seriesList);
    void setTimeWindow(int seconds);
    int timeWindow() const;

public slots:
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void paintChart(QPainter &painter, int width, int height);
    void drawNoData(QPainter &painter, int width, int height);
    void drawFrame(QPainter &painter, const ChartPlot::PlotLayout &layout);
    void drawGrid(QPainter &painter, const ChartPlot::PlotLayout &layout);
    void drawSeries(QPainter &painter, const ChartPlot::PlotLayout &layout);
    // Values down the left margin, clock times along the bottom.
    void drawLabels(QPainter &painter, const ChartPlot::PlotLayout &layout, int height);

    QTimer *m_refreshTimer = nullptr;
    const QList<ChartSeriesData *> *m_seriesList = nullptr;
    int m_timeWindow = ChartModel::DefaultTimeWindow;
};
