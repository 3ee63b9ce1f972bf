#include "charts/ChartSeriesData.h"

ChartSeriesData::ChartSeriesData(QObject *parent)
    : QObject(parent)
{
}

QDateTime ChartSeriesData::currentTime()
{
    return withFixedOffset(QDateTime::currentDateTime());
}

QDateTime ChartSeriesData::withFixedOffset(const QDateTime &time)
{
    return time.timeSpec() == Qt::LocalTime ? time.toOffsetFromUtc(time.offsetFromUtc()) : time;
}

void ChartSeriesData::append(const QDateTime &time, double value)
{
    points.append(qMakePair(time, value));
    if (points.size() > MaxPoints)
        points.remove(0, points.size() - MaxPoints);
}
