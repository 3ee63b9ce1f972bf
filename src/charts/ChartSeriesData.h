#pragma once

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

// One named, coloured series of time-stamped values, oldest first.
class ChartSeriesData : public QObject
{
    Q_OBJECT

public:
    // Bounds the memory of a series and the work of every redraw.
    static constexpr qsizetype MaxPoints = 5000;

    explicit ChartSeriesData(QObject *parent = nullptr);

    // The local wall-clock time now, held with its UTC offset rather than as "local time":
    // such a time converts to milliseconds since the epoch without a time-zone lookup, which
    // every redraw does for thousands of points.
    static QDateTime currentTime();
    static QDateTime withFixedOffset(const QDateTime &time);

    // Appends one value and drops the oldest ones beyond MaxPoints.
    void append(const QDateTime &time, double value);

    QString name;
    QColor color;
    QList<QPair<QDateTime, double>> points;
};
