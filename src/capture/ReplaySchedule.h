#pragma once

#include <QList>

// When each datagram of a capture is due, counted from the start of a pass: the file's own
// spacing divided by the speed. Every time is taken from the first datagram's, so rounding never
// adds up over a long file; a time earlier than the one before it (a capture merged out of order)
// is due together with that one.
class ReplaySchedule
{
public:
    static constexpr double MinSpeed = 0.25;
    static constexpr double MaxSpeed = 8.0;
    // Every datagram is due at once: sent as fast as the event loop goes.
    static constexpr double AsFastAsPossible = 0.0;
    // A looping pass of a file without spacing (one datagram, or all at one time) still waits
    // this long before it starts again, unless sending as fast as possible.
    static constexpr qint64 MinPassNs = 1000000;

    ReplaySchedule() = default;
    // speed is clamped to MinSpeed..MaxSpeed unless it is AsFastAsPossible.
    ReplaySchedule(const QList<qint64> &usecTimes, double speed);

    int size() const { return int(m_dueNs.size()); }
    qint64 dueNs(int index) const { return m_dueNs.at(index); }
    // How long one pass lasts when looping: the last datagram's time plus the mean spacing, so
    // the first datagram follows the last as the others follow each other.
    qint64 passNs() const { return m_passNs; }

private:
    QList<qint64> m_dueNs;
    qint64 m_passNs = 0;
};
