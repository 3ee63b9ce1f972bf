#include "osc/BundleRows.h"

#include "osc/OscCodec.h"
#include "osc/OscTextEncoding.h"

namespace {

const QString kMarker = QStringLiteral("#bundle");
// One in front of a message for each bundle it sits in.
constexpr QChar kLevelMarker = QChar(0x25B8);
const QString kTimeOfDay = QStringLiteral("HH:mm:ss.zzz");
const QString kDateAndTime = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

// The address a message starts with: its bytes up to the first NUL.
QString addressOf(QByteArrayView message)
{
    const qsizetype nul = message.indexOf('\0');
    QString address;
    OscTextEncoding::appendUtf8(address, nul < 0 ? message : message.first(nul));
    return address;
}

} // namespace

BundleRows::BundleRows(Pick pick)
    : m_pick(std::move(pick))
{
}

BundleRows::Rows BundleRows::rows(const QByteArray &datagram, const QString &sender,
                                  const OscTextEncoding &strings, const QDate &today) const
{
    const OscBundle::Walk walk = OscBundle::walk(datagram);
    Rows rows;
    // Elements mostly share their bundle's time tag: its text is made once per run of them.
    quint64 lastTag = OscBundle::Immediately;
    QString lastTagText;
    for (const OscBundle::Item &item : walk.items) {
        if (lastTagText.isNull() || item.timeTag != lastTag) {
            lastTag = item.timeTag;
            lastTagText = timeTagText(item.timeTag, today);
        }
        if (item.kind != OscBundle::Item::Kind::Message)
            continue;
        Message message{datagram.sliced(item.offset, item.size), QString()};
        message.rendered = OscCodec::decodeOscToText(message.bytes, strings);
        rows.lines.append(sender + kMarker + QLatin1Char(' ') + lastTagText + QLatin1Char(' ')
                          + QString(item.depth, kLevelMarker) + QLatin1Char(' ') + message.rendered);
        rows.addresses.append(addressOf(message.bytes));
        rows.messages.append(message);
    }
    QString note;
    if (walk.stop != OscBundle::Stop::None) {
        note = kMarker + QStringLiteral(": ") + stopText(walk.stop, walk.stopOffset);
    } else if (rows.messages.isEmpty() && !walk.items.isEmpty()) {
        note = kMarker + QLatin1Char(' ') + timeTagText(walk.items.constFirst().timeTag, today) + QLatin1Char(' ')
            + m_pick(QStringLiteral("(空)"), QStringLiteral("(empty)"));
    }
    if (!note.isEmpty()) {
        rows.lines.append(sender + note);
        rows.addresses.append(kMarker);
    }
    return rows;
}

QString BundleRows::timeTagText(quint64 timeTag, const QDate &today) const
{
    if (timeTag == OscBundle::Immediately)
        return m_pick(QStringLiteral("立即"), QStringLiteral("immediately"));
    const QDateTime moment = OscBundle::timeTagToDateTime(timeTag);
    return moment.toString(moment.date() == today ? kTimeOfDay : kDateAndTime);
}

QString BundleRows::stopText(OscBundle::Stop stop, qsizetype offset) const
{
    QString reason;
    switch (stop) {
    case OscBundle::Stop::Truncated:
        reason = m_pick(QStringLiteral("数据不完整"), QStringLiteral("truncated"));
        break;
    case OscBundle::Stop::NegativeSize:
        reason = m_pick(QStringLiteral("元素大小为负"), QStringLiteral("negative element size"));
        break;
    case OscBundle::Stop::UnalignedSize:
        reason = m_pick(QStringLiteral("元素大小不是 4 的倍数"), QStringLiteral("element size not a multiple of 4"));
        break;
    case OscBundle::Stop::PastEnd:
        reason = m_pick(QStringLiteral("元素超出消息包末尾"), QStringLiteral("element past the end of its bundle"));
        break;
    case OscBundle::Stop::TooDeep:
        reason = m_pick(QStringLiteral("嵌套超过 %1 层"), QStringLiteral("nested deeper than %1 levels"))
                     .arg(OscBundle::MaxDepth);
        break;
    case OscBundle::Stop::None:
        break;
    }
    return m_pick(QStringLiteral("第 %1 字节处停止 (%2)"), QStringLiteral("stopped at byte %1 (%2)")).arg(offset).arg(reason);
}
