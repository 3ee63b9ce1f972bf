#include "osc/DropMonitor.h"

#include "osc/OscLink.h"

DropMonitor::DropMonitor(OscLink *link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    m_timer.setInterval(PollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &DropMonitor::poll);
    connect(m_link, &OscLink::bound, this, &DropMonitor::start);
    // The last reading catches what was dropped since the previous tick.
    connect(m_link, &OscLink::aboutToRelease, this, &DropMonitor::poll);
    connect(m_link, &OscLink::released, &m_timer, &QTimer::stop);
}

void DropMonitor::start()
{
    const std::optional<quint64> drops = m_link->receiveDrops();
    if (!drops)
        return;
    m_baseline = *drops;
    m_timer.start();
}

void DropMonitor::poll()
{
    const std::optional<quint64> drops = m_link->receiveDrops();
    if (!drops || *drops <= m_baseline)
        return;
    const quint64 newDrops = *drops - m_baseline;
    m_baseline = *drops;
    m_dropped += newDrops;
    emit dropsDetected(newDrops);
    emit droppedChanged(m_dropped);
}

void DropMonitor::reset()
{
    m_baseline = m_link->receiveDrops().value_or(m_baseline);
    m_dropped = 0;
    emit droppedChanged(m_dropped);
}
