#pragma once

#include <QObject>
#include <QTimer>
#include <QtGlobal>

class OscLink;

// Watches, once a second while the link is bound, how many datagrams the system dropped on its
// socket for want of buffer room, and reports each growth once. The count runs from the last
// reset across every socket the link binds; where the system does not tell, nothing is reported.
class DropMonitor : public QObject
{
    Q_OBJECT

public:
    static constexpr int PollIntervalMs = 1000;

    explicit DropMonitor(OscLink *link, QObject *parent = nullptr);

    quint64 dropped() const { return m_dropped; }

public slots:
    // Reads the count now, as the timer does and as the link's release does first.
    void poll();
    // Starts counting again from zero.
    void reset();

signals:
    void droppedChanged(quint64 dropped);
    // The drops seen since the previous report.
    void dropsDetected(quint64 newDrops);

private:
    void start();

    OscLink *m_link;
    QTimer m_timer;
    // The socket's own count at the last reading.
    quint64 m_baseline = 0;
    quint64 m_dropped = 0;
};
