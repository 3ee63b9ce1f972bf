#include "osc/MessageComposer.h"

#include "osc/DatagramReader.h"
#include "osc/OscBundle.h"
#include "osc/OscCodec.h"
#include "osc/OscTextEncoding.h"

#include <QRegularExpression>
#include <QtEndian>

#include <cctype>
#include <cmath>
#include <limits>

namespace MessageComposer {
namespace {

constexpr double FractionScale = 4294967296.0;
constexpr qint64 MsPerSecond = 1000;
const QString NowWord = QStringLiteral("now");
const QString ImmediatelyWord = QStringLiteral("immediately");

// Tags whose values the TX row can show as they were typed.
bool typedTextShows(QStringView tags)
{
    for (const QChar tag : tags.mid(1)) {
        if (!QStringView(u"ifsSTFNI").contains(tag))
            return false;
    }
    return true;
}

std::optional<quint64> timeTagAtMs(qint64 msSince1970)
{
    const qint64 ms = msSince1970 + OscCodec::SecondsFrom1900To1970 * MsPerSecond;
    if (ms < 0 || ms / MsPerSecond > qint64(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    const quint64 seconds = quint64(ms / MsPerSecond);
    const quint64 fraction = quint64(double(ms % MsPerSecond) / MsPerSecond * FractionScale);
    return (seconds << 32) | fraction;
}

bool isHexDigit(QChar c)
{
    return c.unicode() < 0x80 && std::isxdigit(c.unicode());
}

} // namespace

Composed compose(const Request &request, const OscTextEncoding &strings, const QDateTime &now)
{
    Composed composed;
    if (request.raw) {
        const std::optional<QByteArray> bytes = hexBytes(request.values);
        if (!bytes || bytes->isEmpty()) {
            ValueChecker::Refusal refusal;
            refusal.problem = ValueChecker::Problem::NotRawBytes;
            refusal.value = request.values;
            composed.refusal = refusal;
            return composed;
        }
        composed.datagram = *bytes;
    } else {
        ValueChecker::Checked checked = ValueChecker::check(request.address, request.tags, request.values, strings, now);
        if (checked.refusal) {
            composed.refusal = checked.refusal;
            return composed;
        }
        composed.datagram = checked.datagram;
        if (request.bundle) {
            const quint64 timeTag = request.bundleDelayMs
                ? timeTagAtMs(now.toMSecsSinceEpoch() + *request.bundleDelayMs).value_or(OscBundle::Immediately)
                : OscBundle::Immediately;
            composed.datagram = bundle(checked.datagram, timeTag);
            // As received bundles are shown, with the delay asked for rather than a clock time.
            const QString delay = request.bundleDelayMs ? QStringLiteral(" +%1ms").arg(*request.bundleDelayMs) : QString();
            composed.logText = QStringLiteral("OSC #bundle%1 \u25B8 ").arg(delay)
                + OscCodec::decodeOscToText(checked.datagram, strings);
            return composed;
        }
        const QString tags = OscCodec::sentTypeTags(request.tags);
        if (typedTextShows(tags)) {
            composed.logText = QStringLiteral("OSC %1 %2 %3")
                                   .arg(OscCodec::sentAddress(request.address), tags, request.values.trimmed());
            return composed;
        }
    }
    composed.logText = QStringLiteral("OSC ") + OscCodec::decodeOscToText(composed.datagram, strings);
    return composed;
}

std::optional<quint64> parseTimeTag(const QString &text, const QDateTime &now)
{
    static const QRegularExpression nowPlus(QStringLiteral("^now\\s*([+-])\\s*([0-9]{1,12})\\s*ms$"));
    static const QRegularExpression seconds(QStringLiteral("^[0-9]{1,10}(\\.[0-9]+)?$"));
    const QString trimmed = text.trimmed();
    if (trimmed.compare(ImmediatelyWord, Qt::CaseInsensitive) == 0)
        return OscBundle::Immediately;
    if (trimmed.compare(NowWord, Qt::CaseInsensitive) == 0)
        return timeTagAtMs(now.toMSecsSinceEpoch());
    const QRegularExpressionMatch offset = nowPlus.match(trimmed.toLower());
    if (offset.hasMatch()) {
        const qint64 ms = offset.captured(2).toLongLong();
        return timeTagAtMs(now.toMSecsSinceEpoch() + (offset.captured(1) == QLatin1String("-") ? -ms : ms));
    }
    if (seconds.match(trimmed).hasMatch()) {
        const double value = trimmed.toDouble();
        const double whole = std::floor(value);
        if (whole > double(std::numeric_limits<quint32>::max()))
            return std::nullopt;
        return (quint64(whole) << 32) | quint64((value - whole) * FractionScale);
    }
    const QDateTime moment = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!moment.isValid())
        return std::nullopt;
    return timeTagAtMs(moment.toMSecsSinceEpoch());
}

quint64 timeTagAt(const QDateTime &moment)
{
    return timeTagAtMs(moment.toMSecsSinceEpoch()).value_or(OscBundle::Immediately);
}

QByteArray bundle(const QByteArray &message, quint64 timeTag)
{
    QByteArray datagram = OscBundle::Marker.toByteArray();
    char word[sizeof(quint64)];
    qToBigEndian(timeTag, word);
    datagram.append(word, sizeof(quint64));
    OscCodec::appendInt32(datagram, qint32(message.size()));
    datagram.append(message);
    return datagram;
}

std::optional<QByteArray> hexBytes(QStringView text)
{
    QByteArray bytes;
    qsizetype i = 0;
    for (;;) {
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        if (i == text.size())
            return bytes;
        if (i + 1 == text.size() || !isHexDigit(text.at(i)) || !isHexDigit(text.at(i + 1)))
            return std::nullopt;
        bytes.append(char(text.mid(i, 2).toUInt(nullptr, 16)));
        i += 2;
    }
}

} // namespace MessageComposer
