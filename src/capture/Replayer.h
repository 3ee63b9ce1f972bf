#pragma once

#include "capture/CapturedDatagram.h"
#include "capture/ReplaySchedule.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

// Plays datagrams back with their captured spacing at a chosen speed, once or looping. Send
// times are measured on a monotonic clock against the schedule, so late wake-ups never push the
// datagrams after them back. The holder sends what datagramDue() carries.
class Replayer : public QObject
{
    Q_OBJECT

public:
    // Most datagrams handed out in one turn of the event loop, so that sending as fast as
    // possible (or catching up after a stall) leaves the window responsive.
    static constexpr int MaxBatch = 256;

    explicit Replayer(QObject *parent = nullptr);

    // Stops a replay that is running; the new datagrams play from the next start().
    void setDatagrams(const QList<CapturedDatagram> &datagrams);
    // Speed and looping take effect at the next start().
    void setSpeed(double speed);
    void setLooping(bool looping);
    bool isRunning() const { return m_running; }
    int total() const { return int(m_payloads.size()); }

public slots:
    void start();
    void stop();

signals:
    void datagramDue(const QByteArray &payload);
    // sent datagrams of the current pass, out of total; reported once per batch
    void progress(int sent, int total);
    // The last datagram went out (not looping), or stop() was called.
    void finished();

private:
    void sendDue();
    void scheduleNext(qint64 nowNs);

    QList<QByteArray> m_payloads;
    QList<qint64> m_usecTimes;
    double m_speed = 1.0;
    bool m_looping = false;
    ReplaySchedule m_schedule;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_passStartNs = 0;
    int m_next = 0;
    bool m_running = false;
};
