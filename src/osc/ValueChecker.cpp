#include "osc/ValueChecker.h"

#include "osc/MessageComposer.h"
#include "osc/OscCodec.h"
#include "osc/OscTextEncoding.h"

#include <QList>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ValueChecker {
namespace {

constexpr QChar Quote(u'"');
constexpr QChar Escape(u'\\');
constexpr QChar ValueSeparator(u',');
constexpr int CodePointDigits = 4;

// One typed value. An unclosed quote makes the last value: the rest of the text from the quote.
struct TypedValue
{
    QString text;
    bool quoted = false;
    bool unclosed = false;
};

bool isSeparator(QChar c)
{
    return c.isSpace() || c == ValueSeparator;
}

QList<TypedValue> splitValues(QStringView values)
{
    QList<TypedValue> split;
    qsizetype i = 0;
    for (;;) {
        while (i < values.size() && isSeparator(values.at(i)))
            ++i;
        if (i == values.size())
            return split;
        TypedValue value;
        if (values.at(i) != Quote) {
            const qsizetype start = i;
            while (i < values.size() && !isSeparator(values.at(i)))
                ++i;
            value.text = values.mid(start, i - start).toString();
            split.append(value);
            continue;
        }
        const qsizetype opening = i++;
        value.quoted = true;
        value.unclosed = true;
        while (i < values.size() && value.unclosed) {
            const QChar c = values.at(i++);
            if (c == Escape && i < values.size() && values.at(i) == Quote)
                value.text.append(values.at(i++));
            else if (c == Quote)
                value.unclosed = false;
            else
                value.text.append(c);
        }
        if (value.unclosed) {
            value.text = values.mid(opening).toString();
            split.append(value);
            return split;
        }
        split.append(value);
    }
}

constexpr QChar ArrayOpen(u'[');
constexpr QChar ArrayClose(u']');

bool takesValue(QChar tag)
{
    return QStringView(u"ifsShdcrmtb").contains(tag);
}

bool takesNoValue(QChar tag)
{
    return QStringView(u"TFNI[]").contains(tag);
}

template <typename T>
void appendBigEndian(QByteArray &message, T value)
{
    char bytes[sizeof(T)];
    qToBigEndian(value, bytes);
    message.append(bytes, sizeof(T));
}

std::optional<Problem> appendWholeNumber(QByteArray &message, const QString &text, bool wide)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    if (!wholeNumber.match(text).hasMatch())
        return Problem::NotWholeNumber;
    bool inRange = false;
    const qlonglong number = text.toLongLong(&inRange, 10);
    if (wide) {
        if (!inRange)
            return Problem::OutsideInt64;
        appendBigEndian(message, qint64(number));
        return std::nullopt;
    }
    if (!inRange || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
        return Problem::OutsideInt32;
    OscCodec::appendInt32(message, qint32(number));
    return std::nullopt;
}

std::optional<Problem> appendDecimalNumber(QByteArray &message, const QString &text, bool wide)
{
    static const QRegularExpression decimalNumber(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    bool parsed = false;
    const double number = decimalNumber.match(text).hasMatch() ? text.toDouble(&parsed) : 0.0;
    if (wide) {
        if (!parsed || !std::isfinite(number))
            return Problem::NotFiniteNumber;
        appendBigEndian(message, number);
        return std::nullopt;
    }
    const float single = float(number);
    if (!parsed || !std::isfinite(single))
        return Problem::NotFiniteNumber;
    OscCodec::appendFloat32(message, single);
    return std::nullopt;
}

// A colour "#RRGGBBAA" or MIDI's four bytes "0090407f": four bytes written as eight hex digits.
std::optional<Problem> appendFourBytes(QByteArray &message, const QString &text, bool colour)
{
    static const QRegularExpression fourBytes(QStringLiteral("^[0-9a-fA-F]{8}$"));
    const QString digits = colour ? text.mid(1) : text;
    if ((colour && !text.startsWith(QLatin1Char('#'))) || !fourBytes.match(digits).hasMatch())
        return colour ? Problem::NotColour : Problem::NotMidi;
    message.append(QByteArray::fromHex(digits.toLatin1()));
    return std::nullopt;
}

std::optional<Problem> appendCharacter(QByteArray &message, const QString &text)
{
    const QList<uint> points = text.toUcs4();
    if (points.size() != 1)
        return Problem::NotOneCharacter;
    appendBigEndian(message, quint32(points.first()));
    return std::nullopt;
}

std::optional<Problem> appendTimeTag(QByteArray &message, const QString &text, const QDateTime &now)
{
    const std::optional<quint64> timeTag = MessageComposer::parseTimeTag(text, now);
    if (!timeTag)
        return Problem::NotTimeTag;
    appendBigEndian(message, *timeTag);
    return std::nullopt;
}

std::optional<Problem> appendBlob(QByteArray &message, const QString &text)
{
    const std::optional<QByteArray> bytes = MessageComposer::hexBytes(text);
    if (!bytes)
        return Problem::NotHexBytes;
    OscCodec::appendInt32(message, qint32(bytes->size()));
    message.append(*bytes);
    message.append(QByteArray((4 - bytes->size() % 4) % 4, '\0'));
    return std::nullopt;
}

std::optional<Problem> appendString(QByteArray &message, const QString &text, const OscTextEncoding &strings,
                                    QString *uncarried)
{
    const std::optional<QByteArray> bytes = strings.encode(text, uncarried);
    if (!bytes)
        return Problem::UncarriedCharacter;
    OscCodec::appendOscString(message, *bytes);
    return std::nullopt;
}

std::optional<Problem> appendValue(QByteArray &message, QChar tag, const QString &text, const OscTextEncoding &strings,
                                   const QDateTime &now, QString *uncarried)
{
    switch (tag.unicode()) {
    case u'i':
    case u'h':
        return appendWholeNumber(message, text, tag == u'h');
    case u'f':
    case u'd':
        return appendDecimalNumber(message, text, tag == u'd');
    case u'c':
        return appendCharacter(message, text);
    case u'r':
    case u'm':
        return appendFourBytes(message, text, tag == u'r');
    case u't':
        return appendTimeTag(message, text, now);
    case u'b':
        return appendBlob(message, text);
    default:
        return appendString(message, text, strings, uncarried);
    }
}

Refusal refusal(Problem problem, QChar tag, const QString &value = QString())
{
    Refusal refused;
    refused.problem = problem;
    refused.tag = tag;
    refused.value = value;
    return refused;
}

QString codePoint(const QString &character)
{
    const QList<uint> units = character.toUcs4();
    const uint value = units.isEmpty() ? 0 : units.first();
    return QString::number(value, 16).toUpper().rightJustified(CodePointDigits, QLatin1Char('0'));
}

} // namespace

Checked check(const QString &address, const QString &typeTags, const QString &values,
              const OscTextEncoding &strings)
{
    return check(address, typeTags, values, strings, QDateTime::currentDateTimeUtc());
}

Checked check(const QString &address, const QString &typeTags, const QString &values,
              const OscTextEncoding &strings, const QDateTime &now)
{
    const QString tags = OscCodec::sentTypeTags(typeTags);
    const QStringView tagChars = QStringView(tags).mid(1);
    // Tags that take no value ignore whatever was typed.
    const QList<TypedValue> typed = std::any_of(tagChars.begin(), tagChars.end(), takesValue)
        ? splitValues(values) : QList<TypedValue>();

    Checked checked;
    QByteArray arguments;
    qsizetype next = 0;
    bool unquotedString = false;
    int arrayDepth = 0;
    for (const QChar tag : tagChars) {
        arrayDepth += tag == ArrayOpen ? 1 : tag == ArrayClose ? -1 : 0;
        if (arrayDepth < 0) {
            checked.refusal = refusal(Problem::UnbalancedArray, tag);
            return checked;
        }
        if (takesNoValue(tag))
            continue;
        if (!takesValue(tag)) {
            checked.refusal = refusal(Problem::UnsupportedTag, tag);
            return checked;
        }
        if (next == typed.size()) {
            checked.refusal = refusal(Problem::MissingValue, tag);
            return checked;
        }
        const TypedValue &value = typed.at(next++);
        if (value.unclosed) {
            checked.refusal = refusal(Problem::UnclosedQuote, QChar(), value.text);
            return checked;
        }
        QString uncarried;
        const std::optional<Problem> problem = appendValue(arguments, tag, value.text, strings, now, &uncarried);
        if (problem) {
            checked.refusal = refusal(*problem, tag, value.text);
            if (*problem == Problem::UncarriedCharacter) {
                checked.refusal->character = uncarried;
                checked.refusal->encoding = strings.wireName();
            }
            return checked;
        }
        unquotedString = unquotedString || (!value.quoted && (tag == u's' || tag == u'S'));
    }
    if (arrayDepth > 0) {
        checked.refusal = refusal(Problem::UnbalancedArray, ArrayOpen);
        return checked;
    }
    if (next < typed.size()) {
        const TypedValue &left = typed.at(next);
        checked.refusal = refusal(left.unclosed ? Problem::UnclosedQuote : Problem::ValueLeftOver, QChar(), left.text);
        checked.refusal->suggestQuotes = unquotedString && !left.quoted;
        return checked;
    }

    OscCodec::appendOscString(checked.datagram, OscCodec::sentAddress(address).toUtf8());
    OscCodec::appendOscString(checked.datagram, tags.toUtf8());
    checked.datagram.append(arguments);
    return checked;
}

ReasonText reason(const Refusal &refusal)
{
    const QString tag(refusal.tag);
    const QString &value = refusal.value;
    switch (refusal.problem) {
    case Problem::NotWholeNumber:
        return {QStringLiteral("参数无效: %1 需要整数, 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs a whole number, got \"%2\"").arg(tag, value)};
    case Problem::OutsideInt32:
        return {QStringLiteral("参数无效: %1 需要 -2147483648 到 2147483647 之间的整数, 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs a whole number from -2147483648 to 2147483647, got \"%2\"")
                    .arg(tag, value)};
    case Problem::NotFiniteNumber:
        return {QStringLiteral("参数无效: %1 需要有限的数, 小数点用 \".\", 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs a finite number with \".\" as decimal point, got \"%2\"")
                    .arg(tag, value)};
    case Problem::MissingValue:
        return {QStringLiteral("参数无效: %1 缺少值").arg(tag),
                QStringLiteral("Invalid value: %1 is missing its value").arg(tag)};
    case Problem::ValueLeftOver: {
        ReasonText text{QStringLiteral("参数无效: 多余的值 \"%1\"").arg(value),
                        QStringLiteral("Invalid value: \"%1\" is left over").arg(value)};
        if (refusal.suggestQuotes) {
            text.chinese += QStringLiteral(", 含空格或逗号的字符串请用双引号括起");
            text.english += QStringLiteral("; put a string with spaces or commas in double quotes");
        }
        return text;
    }
    case Problem::UnclosedQuote:
        return {QStringLiteral("参数无效: 引号未闭合, 得到 %1").arg(value),
                QStringLiteral("Invalid value: unclosed quote, got %1").arg(value)};
    case Problem::UncarriedCharacter: {
        const QString &character = refusal.character;
        const QString point = codePoint(character);
        return {QStringLiteral("参数无效: %1 的字符 \"%2\" (U+%3) 无法用 %4 编码, 得到 \"%5\"")
                    .arg(tag, character, point, refusal.encoding, value),
                QStringLiteral("Invalid value: %1 has \"%2\" (U+%3), which %4 cannot encode, got \"%5\"")
                    .arg(tag, character, point, refusal.encoding, value)};
    }
    case Problem::UnsupportedTag:
        return {QStringLiteral("参数无效: 不支持类型标签 %1").arg(tag),
                QStringLiteral("Invalid value: type tag %1 is not supported").arg(tag)};
    case Problem::OutsideInt64:
        return {QStringLiteral("参数无效: %1 需要 64 位范围内的整数, 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs a whole number in the 64-bit range, got \"%2\"").arg(tag, value)};
    case Problem::NotOneCharacter:
        return {QStringLiteral("参数无效: %1 需要一个字符, 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs one character, got \"%2\"").arg(tag, value)};
    case Problem::NotColour:
        return {QStringLiteral("参数无效: %1 需要颜色 #RRGGBBAA, 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs a colour #RRGGBBAA, got \"%2\"").arg(tag, value)};
    case Problem::NotMidi:
        return {QStringLiteral("参数无效: %1 需要四个十六进制字节, 如 0090407f, 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs four hex bytes such as 0090407f, got \"%2\"").arg(tag, value)};
    case Problem::NotTimeTag:
        return {QStringLiteral("参数无效: %1 需要 now, now+250ms, immediately, ISO 日期时间或 1900 年起的秒数, 得到 \"%2\"")
                    .arg(tag, value),
                QStringLiteral("Invalid value: %1 needs now, now+250ms, immediately, an ISO date-time or seconds "
                               "since 1900, got \"%2\"").arg(tag, value)};
    case Problem::NotHexBytes:
        return {QStringLiteral("参数无效: %1 需要十六进制字节, 如 0a0b0c, 得到 \"%2\"").arg(tag, value),
                QStringLiteral("Invalid value: %1 needs hex bytes such as 0a0b0c, got \"%2\"").arg(tag, value)};
    case Problem::UnbalancedArray:
        return {QStringLiteral("参数无效: 数组括号 %1 不成对").arg(tag),
                QStringLiteral("Invalid value: array bracket %1 has no partner").arg(tag)};
    case Problem::NotRawBytes:
        return {QStringLiteral("参数无效: 原始字节需要成对的十六进制数字, 得到 \"%1\"").arg(value),
                QStringLiteral("Invalid value: raw bytes need hex digits in pairs, got \"%1\"").arg(value)};
    }
    return {};
}

} // namespace ValueChecker
