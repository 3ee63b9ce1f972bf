#include "comm/LogEntry.h"

#include "comm/CommunicationBase.h"

LogEntry::LogEntry() = default;

LogEntry::LogEntry(LogDirection direction, const QByteArray &data, const QString &encoding)
    : timestamp(QDateTime::currentDateTime()),
      direction(direction),
      data(data),
      hexText(CommunicationBase::toHexString(data))
{
    if (direction == LogDirection::Tx || direction == LogDirection::Rx)
        text = CommunicationBase::decodeBytes(data, encoding);
}

LogEntry::LogEntry(const QString &systemMessage)
    : timestamp(QDateTime::currentDateTime()),
      direction(LogDirection::System),
      text(systemMessage),
      hexText(systemMessage)
{
}
