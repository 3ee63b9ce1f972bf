#include "comm/DatagramView.h"

#include "i18n/LanguageManager.h"
#include "osc/OscArguments.h"
#include "osc/OscBundle.h"
#include "theme/Theme.h"

namespace {

constexpr QLatin1StringView DateTimeFormat("yyyy-MM-dd HH:mm:ss.zzz");
constexpr QLatin1StringView BundleMarker("#bundle");
constexpr QLatin1StringView Indent("    ");
constexpr QChar ElementMark(u'\u25b8');
// Offsets are written with at least this many hex digits; a longer datagram widens them.
constexpr int DumpOffsetDigits = 4;
constexpr qsizetype WideDumpOffset = 0x10000;
constexpr int WideDumpOffsetDigits = 8;
constexpr char FirstPrintable = 0x20;
constexpr char LastPrintable = 0x7e;
constexpr QChar Unprintable(u'.');

QString stopReason(OscBundle::Stop stop)
{
    switch (stop) {
    case OscBundle::Stop::Truncated: return picked("数据不完整", "bytes run out");
    case OscBundle::Stop::NegativeSize: return picked("大小为负", "negative size");
    case OscBundle::Stop::UnalignedSize: return picked("大小不是 4 的倍数", "size not a multiple of 4");
    case OscBundle::Stop::PastEnd: return picked("大小超出末尾", "size past the end");
    case OscBundle::Stop::TooDeep: return picked("嵌套超过 16 层", "nested deeper than 16");
    case OscBundle::Stop::None: break;
    }
    return {};
}

} // namespace

DatagramView::DatagramView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("inspectorView"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(Theme::monoFont(Theme::LogPointSize));
    LanguageManager::instance().addListener(this, [this] { render(); });
}

void DatagramView::showEntry(const LogEntry &entry)
{
    m_entry = entry;
    m_showing = true;
    render();
}

void DatagramView::clear()
{
    m_entry = LogEntry();
    m_showing = false;
    QPlainTextEdit::clear();
}

void DatagramView::setStringEncoding(const QString &name)
{
    m_strings.follow(name);
    render();
}

QStringList DatagramView::hexDump(const QByteArray &datagram)
{
    const int offsetDigits = datagram.size() > WideDumpOffset ? WideDumpOffsetDigits : DumpOffsetDigits;
    QStringList lines;
    for (qsizetype start = 0; start < datagram.size(); start += BytesPerDumpLine) {
        const QByteArray bytes = datagram.mid(start, BytesPerDumpLine);
        QString ascii;
        for (const char byte : bytes)
            ascii += byte >= FirstPrintable && byte <= LastPrintable ? QChar::fromLatin1(byte) : Unprintable;
        const QString hex = QString::fromLatin1(bytes.toHex(' '));
        lines << QStringLiteral("%1  %2  %3")
                     .arg(start, offsetDigits, 16, QLatin1Char('0'))
                     .arg(hex, -(BytesPerDumpLine * 3 - 1))
                     .arg(ascii);
    }
    return lines;
}

void DatagramView::render()
{
    if (!m_showing)
        return;
    if (m_entry.direction == LogDirection::System) {
        setPlainText(m_entry.text);
        return;
    }

    const QByteArray &datagram = m_entry.data;
    QStringList lines;
    lines << m_entry.text;
    lines << QStringLiteral("%1  %2  %3")
                 .arg(m_entry.direction == LogDirection::Rx ? QStringLiteral("RX") : QStringLiteral("TX"),
                      m_entry.timestamp.toString(DateTimeFormat),
                      picked("%1 字节", "%1 bytes").arg(datagram.size()));
    lines << QString();
    if (OscBundle::isBundle(datagram))
        describeBundle(lines, datagram);
    else
        describeMessage(lines, datagram, 0, datagram.size(), QString());
    lines << QString() << picked("十六进制:", "Hex:");
    lines << hexDump(datagram);
    setPlainText(lines.join(QLatin1Char('\n')));
}

void DatagramView::describeMessage(QStringList &lines, const QByteArray &datagram, qsizetype from,
                                    qsizetype size, const QString &heading) const
{
    const OscArguments::Message message = OscArguments::read(datagram.mid(from, size), m_strings);
    lines << heading + message.address + QLatin1Char(' ') + message.typeTags;
    const QString indent = QString(heading.size(), QLatin1Char(' '));
    for (qsizetype i = 0; i < message.arguments.size(); ++i) {
        const OscArguments::Argument &argument = message.arguments.at(i);
        const QString value = argument.tag == 't' && argument.timeTag == OscBundle::Immediately
            ? timeTagText(argument.timeTag) : argument.text;
        lines << indent + QStringLiteral("  [%1] %2 @%3: %4")
                              .arg(i)
                              .arg(OscArguments::typeName(argument.tag))
                              .arg(from + argument.offset)
                              .arg(value);
    }
    if (!message.complete)
        lines << indent + picked("  (消息不完整)", "  (message cut short)");
}

void DatagramView::describeBundle(QStringList &lines, const QByteArray &datagram) const
{
    const OscBundle::Walk walk = OscBundle::walk(datagram);
    for (const OscBundle::Item &item : walk.items) {
        QString indent;
        for (int level = 0; level < item.depth; ++level)
            indent += Indent;
        const QString marks = item.depth > 0 ? QString(item.depth, ElementMark) + QLatin1Char(' ') : QString();
        if (item.kind == OscBundle::Item::Kind::Bundle) {
            lines << indent + marks + BundleMarker + QLatin1Char(' ') + timeTagText(item.timeTag)
                    + QStringLiteral(" @%1").arg(item.offset);
        } else {
            describeMessage(lines, datagram, item.offset, item.size, indent + marks);
        }
    }
    if (walk.stop != OscBundle::Stop::None) {
        lines << picked("#bundle: 第 %1 字节处停止 (%2)", "#bundle: stopped at byte %1 (%2)")
                     .arg(walk.stopOffset)
                     .arg(stopReason(walk.stop));
    }
}

QString DatagramView::timeTagText(quint64 timeTag) const
{
    if (timeTag == OscBundle::Immediately)
        return picked("立即", "immediately");
    return OscBundle::timeTagToDateTime(timeTag).toString(DateTimeFormat);
}
