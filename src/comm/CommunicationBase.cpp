#include "comm/CommunicationBase.h"

#include <QFile>
#include <QStringConverter>
#include <QTextStream>
#include <QtEndian>

#include <array>

namespace {

const QString Utf8Encoding = QStringLiteral("UTF-8");
const QString AsciiEncoding = QStringLiteral("ASCII");
const QString UnicodeEncoding = QStringLiteral("Unicode");

constexpr char UpperHexDigits[] = "0123456789ABCDEF";
constexpr QChar HexByteSeparator = u' ';
constexpr QChar CsvQuote = u'"';

// The two-character form of every byte value, built on first use and only read afterwards.
struct HexPair
{
    QChar high;
    QChar low;
};

const std::array<HexPair, 256> &hexTable()
{
    static const std::array<HexPair, 256> table = [] {
        std::array<HexPair, 256> pairs;
        for (int value = 0; value < 256; ++value) {
            pairs[value] = {QLatin1Char(UpperHexDigits[value >> 4]),
                            QLatin1Char(UpperHexDigits[value & 0x0F])};
        }
        return pairs;
    }();
    return table;
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool isUtf8Name(const QString &encoding)
{
    return encoding.isEmpty() || encoding == Utf8Encoding;
}

// UTF-16 with an optional leading byte-order mark (dropped); little-endian without one.
// A trailing odd byte cannot form a code unit and is ignored.
QString decodeUtf16(const QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const bool littleEndianMark = data.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool bigEndianMark = data.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    const qsizetype markSize = (littleEndianMark || bigEndianMark) ? 2 : 0;
    const qsizetype units = (data.size() - markSize) / 2;

    QString text(units, Qt::Uninitialized);
    if (bigEndianMark)
        qFromBigEndian<char16_t>(bytes + markSize, units, text.data());
    else
        qFromLittleEndian<char16_t>(bytes + markSize, units, text.data());
    return text;
}

// Opening a named converter costs microseconds, more than logging the datagram it decodes, and
// a log keeps one encoding for long stretches: the last one opened is kept. Stateless converters
// carry nothing from one call to the next, so reusing one is the same as opening it afresh.
// A name the platform lacks is kept too, as an invalid converter, so it is not looked up again.
template <typename Converter>
Converter &namedConverter(const QString &encoding)
{
    thread_local QString cachedName;
    thread_local Converter converter;
    if (encoding != cachedName) {
        converter = Converter(encoding.toUtf8().constData(), QStringConverter::Flag::Stateless);
        cachedName = encoding;
    }
    return converter;
}

QByteArray encodeUtf16LittleEndian(const QString &text)
{
    QByteArray bytes(text.size() * qsizetype(sizeof(char16_t)), Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.constData(), text.size(), bytes.data());
    return bytes;
}

void writeTwoDigits(QChar *&out, int value)
{
    *out++ = QLatin1Char(char('0' + value / 10));
    *out++ = QLatin1Char(char('0' + value % 10));
}

QString quotedCsvField(const QString &field)
{
    QString escaped = field;
    escaped.replace(CsvQuote, QStringLiteral("\"\""));
    return CsvQuote + escaped + CsvQuote;
}

// CR and LF as the two characters \r and \n, so that an entry stays on its line.
QString escapedLineBreaks(const QString &text)
{
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString escaped = text;
    escaped.replace(u'\r', QLatin1String("\\r"));
    escaped.replace(u'\n', QLatin1String("\\n"));
    return escaped;
}

} // namespace

CommunicationBase::CommunicationBase(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<LogEntry>("LogEntry");
}

CommunicationBase::~CommunicationBase() = default;

int CommunicationBase::maxLogEntries() const
{
    return DefaultMaxLogEntries;
}

void CommunicationBase::appendEntry(const LogEntry &entry)
{
    const int limit = maxLogEntries();
    m_entries.append(entry);
    if (limit >= 1 && m_entries.size() > limit)
        m_entries.remove(0, m_entries.size() - limit);
    emit logEntryAdded(entry);
}

void CommunicationBase::addTxData(const QByteArray &data)
{
    appendEntry(LogEntry(LogDirection::Tx, data, m_encoding));
    addTxBytes(data.size());
}

void CommunicationBase::addRxData(const QByteArray &data)
{
    appendEntry(LogEntry(LogDirection::Rx, data, m_encoding));
    addRxBytes(data.size());
}

void CommunicationBase::addTxDatagram(const QByteArray &datagram, const QString &line)
{
    appendEntry(LogEntry::datagram(LogDirection::Tx, datagram, line));
    addTxBytes(datagram.size());
}

void CommunicationBase::addRxDatagram(const QByteArray &datagram, const QString &line)
{
    appendEntry(LogEntry::datagram(LogDirection::Rx, datagram, line));
    addRxBytes(datagram.size());
}

void CommunicationBase::addRxDatagramRows(const QByteArray &datagram, const QStringList &lines,
                                          const QStringList &addresses)
{
    Q_ASSERT(lines.size() == addresses.size());
    for (qsizetype row = 0; row < lines.size(); ++row) {
        LogEntry entry = LogEntry::datagram(LogDirection::Rx, datagram, lines.at(row));
        entry.address = addresses.at(row);
        appendEntry(entry);
    }
    addRxBytes(datagram.size());
}

void CommunicationBase::addSystemMessage(const QString &message)
{
    appendEntry(LogEntry(message));
}

void CommunicationBase::addTxBytes(qint64 count)
{
    m_txBytes += count;
    emit countersUpdated();
}

void CommunicationBase::addRxBytes(qint64 count)
{
    m_rxBytes += count;
    emit countersUpdated();
}

void CommunicationBase::clearLog()
{
    m_entries.clear();
    emit logCleared();
}

void CommunicationBase::resetCounters()
{
    m_txBytes = 0;
    m_rxBytes = 0;
    emit countersUpdated();
}

void CommunicationBase::setShowTimestamp(bool show)
{
    if (show == m_showTimestamp)
        return;
    m_showTimestamp = show;
    emit displayFormatChanged();
}

void CommunicationBase::setAutoScroll(bool autoScroll)
{
    m_autoScroll = autoScroll;
}

void CommunicationBase::setHexDisplay(bool hex)
{
    if (hex == m_hexDisplay)
        return;
    m_hexDisplay = hex;
    emit displayFormatChanged();
}

void CommunicationBase::setEncoding(const QString &encoding)
{
    m_encoding = encoding;
}

QList<LogEntry> CommunicationBase::entries() const
{
    return m_entries;
}

QByteArray CommunicationBase::encodeText(const QString &text) const
{
    return encodeText(text, m_encoding);
}

QString CommunicationBase::decodeBytes(const QByteArray &data) const
{
    return decodeBytes(data, m_encoding);
}

bool CommunicationBase::exportToFile(const QString &fileName, bool hex, bool csv) const
{
    return exportToFile(fileName, hex, csv, LogFilter());
}

bool CommunicationBase::exportToFile(const QString &fileName, bool hex, bool csv, const LogFilter &filter) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;

    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out.setGenerateByteOrderMark(false);
    if (csv)
        out << "Timestamp,Direction,Data\n";
    const bool filtered = filter.isActive();
    for (const LogEntry &entry : std::as_const(m_entries)) {
        if (filtered && !filter.accepts(entry))
            continue;
        const QString data = hex ? entry.hexForm() : entry.text;
        if (csv) {
            out << quotedCsvField(timeString(entry)) << ',' << quotedCsvField(directionTag(entry))
                << ',' << quotedCsvField(data) << '\n';
        } else {
            out << timeString(entry) << ' ' << directionTag(entry) << ' ' << escapedLineBreaks(data)
                << '\n';
        }
    }
    out.flush();

    // A full disk only shows once the buffers reach the device, so both the stream and the
    // file's final flush on close must have taken every byte.
    const bool streamWritten = out.status() == QTextStream::Ok;
    file.close();
    return streamWritten && file.error() == QFileDevice::NoError;
}

QStringList CommunicationBase::supportedEncodings()
{
    return {Utf8Encoding, AsciiEncoding, QStringLiteral("GBK"), QStringLiteral("GB2312"),
            UnicodeEncoding};
}

QString CommunicationBase::decodeBytes(const QByteArray &data, const QString &encoding)
{
    if (data.isEmpty())
        return QString();
    if (isUtf8Name(encoding))
        return QString::fromUtf8(data);
    if (encoding == AsciiEncoding)
        return QString::fromLatin1(data);
    if (encoding == UnicodeEncoding)
        return decodeUtf16(data);

    QStringDecoder &decoder = namedConverter<QStringDecoder>(encoding);
    if (!decoder.isValid())
        return QString::fromUtf8(data);
    return decoder.decode(data);
}

QByteArray CommunicationBase::encodeText(const QString &text, const QString &encoding)
{
    if (isUtf8Name(encoding))
        return text.toUtf8();
    if (encoding == AsciiEncoding)
        return text.toLatin1();
    if (encoding == UnicodeEncoding)
        return encodeUtf16LittleEndian(text);

    QStringEncoder &encoder = namedConverter<QStringEncoder>(encoding);
    if (!encoder.isValid())
        return text.toUtf8();
    return encoder.encode(text);
}

QString CommunicationBase::timeString(const LogEntry &entry)
{
    if (!entry.timestamp.isValid())
        return QString();

    // Formatted by hand: the view and the export call this for every line they write.
    const QTime time = entry.timestamp.time();
    QString text(12, Qt::Uninitialized);
    QChar *out = text.data();
    writeTwoDigits(out, time.hour());
    *out++ = u':';
    writeTwoDigits(out, time.minute());
    *out++ = u':';
    writeTwoDigits(out, time.second());
    *out++ = u'.';
    *out++ = QLatin1Char(char('0' + time.msec() / 100));
    writeTwoDigits(out, time.msec() % 100);
    return text;
}

QString CommunicationBase::directionTag(const LogEntry &entry)
{
    switch (entry.direction) {
    case LogDirection::Tx:
        return QStringLiteral("[TX]");
    case LogDirection::Rx:
        return QStringLiteral("[RX]");
    case LogDirection::System:
        return QStringLiteral("[SYS]");
    }
    return QString();
}

QString CommunicationBase::toHexString(const QByteArray &data)
{
    if (data.isEmpty())
        return QString();

    const std::array<HexPair, 256> &table = hexTable();
    QString hex(data.size() * 3 - 1, Qt::Uninitialized);
    QChar *out = hex.data();
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i > 0)
            *out++ = HexByteSeparator;
        const HexPair &pair = table[uchar(data[i])];
        *out++ = pair.high;
        *out++ = pair.low;
    }
    return hex;
}

bool CommunicationBase::isValidHexString(const QString &text)
{
    qsizetype digits = 0;
    for (QChar c : text) {
        if (hexDigitValue(c) >= 0)
            ++digits;
        else if (c != u' ' && c != u'-')
            return false;
    }
    return digits > 0 && digits % 2 == 0;
}

QString CommunicationBase::normalizeHexString(const QString &text)
{
    QString normalized;
    normalized.reserve(text.size() + text.size() / 2);
    qsizetype digits = 0;
    for (QChar c : text) {
        const int value = hexDigitValue(c);
        if (value < 0)
            continue;
        if (digits > 0 && digits % 2 == 0)
            normalized += HexByteSeparator;
        normalized += QLatin1Char(UpperHexDigits[value]);
        ++digits;
    }
    return normalized;
}

QByteArray CommunicationBase::hexStringToBytes(const QString &text)
{
    qsizetype digits = 0;
    for (QChar c : text) {
        if (hexDigitValue(c) >= 0)
            ++digits;
    }
    if (digits == 0 || digits % 2 != 0)
        return QByteArray();

    QByteArray bytes(digits / 2, Qt::Uninitialized);
    qsizetype written = 0;
    int high = -1;
    for (QChar c : text) {
        const int value = hexDigitValue(c);
        if (value < 0)
            continue;
        if (high < 0) {
            high = value;
        } else {
            bytes[written++] = char((high << 4) | value);
            high = -1;
        }
    }
    return bytes;
}
