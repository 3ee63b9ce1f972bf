#include "capture/ReplaySchedule.h"

#include <QtGlobal>

namespace {
constexpr double NsPerUsec = 1000.0;
}

ReplaySchedule::ReplaySchedule(const QList<qint64> &usecTimes, double speed)
{
    if (usecTimes.isEmpty())
        return;
    const bool immediate = speed == AsFastAsPossible;
    const double factor = immediate ? 0.0 : NsPerUsec / qBound(MinSpeed, speed, MaxSpeed);
    const qint64 first = usecTimes.first();
    m_dueNs.reserve(usecTimes.size());
    qint64 latest = 0;
    for (const qint64 time : usecTimes) {
        latest = qMax(latest, qRound64(double(time - first) * factor));
        m_dueNs.append(latest);
    }
    m_passNs = usecTimes.size() > 1 ? latest + latest / (usecTimes.size() - 1) : 0;
    if (!immediate)
        m_passNs = qMax(m_passNs, MinPassNs);
}
