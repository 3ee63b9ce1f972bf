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

    // Appends one value and drops the oldest ones beyond MaxPoints.
    void append(const QDateTime &time, double value);

    QString name;
    QColor color;
    QList<QPair<QDateTime, double>> points;
};
