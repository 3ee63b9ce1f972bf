#pragma once

#include "osc/ValueChecker.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

class OscTextEncoding;

// What the send area puts on the wire: a message checked by ValueChecker, optionally wrapped in a
// bundle with a time tag, or raw bytes typed in hex and sent as they are. Nothing here needs
// widgets or a socket.
namespace MessageComposer {

struct Request
{
    QString address;
    // Type tags as typed, e.g. ",if" or "ihb".
    QString tags;
    QString values;
    // The values are hex bytes, sent as the whole datagram.
    bool raw = false;
    bool bundle = false;
    // The bundle's time tag: now plus this many milliseconds; none means "immediately".
    std::optional<qint64> bundleDelayMs;
};

struct Composed
{
    QByteArray datagram;
    // The TX row: "OSC /address ,tags values" as typed where those tags alone are used (i f s S T F N
    // I), otherwise "OSC " and the datagram's rendering.
    QString logText;
    std::optional<ValueChecker::Refusal> refusal;
};

Composed compose(const Request &request, const OscTextEncoding &strings, const QDateTime &now);

// "immediately", "now", "now+250ms" (or "now-250ms"), an ISO 8601 date-time (local time unless it
// names its zone), or seconds since 1900 with an optional fraction ("3913056000.5").
std::optional<quint64> parseTimeTag(const QString &text, const QDateTime &now);
// Seconds since 1900 in UTC in the high 32 bits, the binary fraction in the low 32.
quint64 timeTagAt(const QDateTime &moment);

// One bundle holding the message.
QByteArray bundle(const QByteArray &message, quint64 timeTag);

// Hex digits in pairs, white space between the pairs allowed; "" is no bytes.
std::optional<QByteArray> hexBytes(QStringView text);

} // namespace MessageComposer
