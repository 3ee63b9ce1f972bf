#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class ChartSeriesData;

// One received line of the traffic log, as "[sender:port] /address ,tags values".
struct TrafficLine
{
    QDateTime time;
    QString text;
};

// Finds the OSC addresses whose messages carry a number (an int32 or float32 argument) and
// returns one new series per address, named after it, holding the first number of each of its
// messages at the line's time; most frequent address first. Colours continue the page's
// sequence from `firstColorIndex`. The caller owns the series.
QList<ChartSeriesData *> analyzeTraffic(const QList<TrafficLine> &received, int firstColorIndex);
