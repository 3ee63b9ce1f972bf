#include "comm/LogEntry.h"

#include "comm/CommunicationBase.h"

#include <limits>

namespace {

constexpr qint64 MSecsPerMinute = 60 * 1000;

// QDateTime::currentDateTime() asks the C library for the local zone on every call, which costs
// microseconds, several times what the rest of logging a datagram does. The zone's offset only
// changes at transitions, and those fall on whole minutes, so it is looked up once per minute
// and applied to the clock: the result shows the same local time.
QDateTime currentLocalTime()
{
    thread_local qint64 offsetMinute = std::numeric_limits<qint64>::min();
    thread_local int offsetSeconds = 0;

    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 minute = now / MSecsPerMinute;
    if (minute != offsetMinute) {
        offsetSeconds =
                QDateTime::fromMSecsSinceEpoch(minute * MSecsPerMinute, Qt::LocalTime).offsetFromUtc();
        offsetMinute = minute;
    }
    return QDateTime::fromMSecsSinceEpoch(now, Qt::OffsetFromUTC, offsetSeconds);
}

} // namespace

LogEntry::LogEntry() = default;

LogEntry::LogEntry(LogDirection direction, const QByteArray &data, const QString &encoding)
    : timestamp(currentLocalTime()),
      direction(direction),
      data(data),
      hexText(CommunicationBase::toHexString(data))
{
    if (direction == LogDirection::Tx || direction == LogDirection::Rx)
        text = CommunicationBase::decodeBytes(data, encoding);
}

LogEntry::LogEntry(const QString &systemMessage)
    : timestamp(currentLocalTime()),
      direction(LogDirection::System),
      text(systemMessage),
      hexText(systemMessage)
{
}

LogEntry LogEntry::datagram(LogDirection direction, const QByteArray &datagram, const QString &line)
{
    LogEntry entry;
    entry.timestamp = currentLocalTime();
    entry.direction = direction;
    entry.data = datagram;
    entry.text = line;
    return entry;
}

QString LogEntry::hexForm() const
{
    if (hexText.isEmpty() && !data.isEmpty())
        return CommunicationBase::toHexString(data);
    return hexText;
}

QString LogEntry::addressForm() const
{
    if (!address.isEmpty() || direction == LogDirection::System)
        return address;
    const qsizetype nul = data.indexOf('\0');
    return QString::fromUtf8(data.constData(), nul < 0 ? data.size() : nul);
}
