#include "capture/Replayer.h"

namespace {
constexpr qint64 NsPerMs = 1000000;
}

Replayer::Replayer(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Replayer::sendDue);
}

void Replayer::setDatagrams(const QList<CapturedDatagram> &datagrams)
{
    stop();
    m_payloads.clear();
    m_usecTimes.clear();
    m_payloads.reserve(datagrams.size());
    m_usecTimes.reserve(datagrams.size());
    for (const CapturedDatagram &datagram : datagrams) {
        m_payloads.append(datagram.payload);
        m_usecTimes.append(datagram.usecSinceEpoch);
    }
}

void Replayer::setSpeed(double speed)
{
    m_speed = speed;
}

void Replayer::setLooping(bool looping)
{
    m_looping = looping;
}

void Replayer::start()
{
    stop();
    if (m_payloads.isEmpty())
        return;
    m_schedule = ReplaySchedule(m_usecTimes, m_speed);
    m_next = 0;
    m_passStartNs = 0;
    m_running = true;
    m_clock.start();
    emit progress(0, total());
    m_timer.start(0);
}

void Replayer::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_timer.stop();
    emit finished();
}

void Replayer::sendDue()
{
    const qint64 nowNs = m_clock.nsecsElapsed();
    int sent = 0;
    while (sent < MaxBatch && m_passStartNs + m_schedule.dueNs(m_next) <= nowNs) {
        emit datagramDue(m_payloads.at(m_next));
        // Whoever sends may stop the replay, for example when the send fails.
        if (!m_running)
            return;
        ++sent;
        if (++m_next < total())
            continue;
        emit progress(m_next, total());
        if (!m_looping) {
            m_running = false;
            emit finished();
            return;
        }
        m_passStartNs += m_schedule.passNs();
        m_next = 0;
    }
    if (sent > 0 && m_next > 0)
        emit progress(m_next, total());
    scheduleNext(nowNs);
}

void Replayer::scheduleNext(qint64 nowNs)
{
    // Timers wake in whole milliseconds: sleep to the last one before the due time, then turn
    // the event loop until the datagram is due.
    const qint64 waitNs = m_passStartNs + m_schedule.dueNs(m_next) - nowNs;
    m_timer.start(int(qMax<qint64>(0, waitNs / NsPerMs)));
}
