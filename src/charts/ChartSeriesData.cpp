#include "charts/ChartSeriesData.h"

ChartSeriesData::ChartSeriesData(QObject *parent)
    : QObject(parent)
{
}

void ChartSeriesData::append(const QDateTime &time, double value)
{
    points.append(qMakePair(time, value));
    if (points.size() > MaxPoints)
        points.remove(0, points.size() - MaxPoints);
}
