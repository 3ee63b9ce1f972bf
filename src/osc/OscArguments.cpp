#include "osc/OscArguments.h"

#include "osc/DatagramReader.h"
#include "osc/OscBundle.h"

#include <QStringList>

#include <charconv>

namespace OscArguments {
namespace {

using OscCodec::DatagramReader;
using OscCodec::TypeTagLead;
namespace Tag = OscCodec::Tag;
using OscCodec::afterString;
using OscCodec::roundUpToFour;
using OscCodec::Int32Size;
using OscCodec::Int64Size;
// A blob is shown by its size and this many of its first bytes.
constexpr qsizetype BlobBytesShown = 16;
constexpr int RgbaHexDigits = 8;
constexpr int MidiBytes = 4;
constexpr char32_t FirstPrintable = 0x20;
constexpr char32_t Delete = 0x7f;
constexpr char32_t LastCodePoint = 0x10ffff;
constexpr QLatin1StringView DateTimeFormat("yyyy-MM-dd HH:mm:ss.zzz");
constexpr QChar Quote(u'"');

template <typename Number>
QString shortest(Number value)
{
    // Enough for the longest shortest form of a double: sign, 17 digits, point, exponent.
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return QString::fromLatin1(digits, result.ptr - digits);
}

QString hexBytes(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' '));
}

// A 'c' argument: the character itself when it can be shown, its code point otherwise.
QString characterText(quint32 codePoint)
{
    const bool printable = codePoint >= FirstPrintable && codePoint != Delete
        && codePoint <= LastCodePoint && !QChar::isSurrogate(codePoint);
    // Built from its UTF-16 units: QString::fromUcs4 would drop a byte-order mark.
    if (printable && QChar::requiresSurrogates(codePoint))
        return QString(QChar(QChar::highSurrogate(codePoint))) + QChar(QChar::lowSurrogate(codePoint));
    if (printable)
        return QString(QChar(char16_t(codePoint)));
    return QStringLiteral("U+%1").arg(codePoint, 4, 16, QLatin1Char('0')).toUpper();
}

QString blobText(const DatagramReader &reader, qsizetype from, qsizetype size)
{
    const qsizetype shown = qMin(size, BlobBytesShown);
    QString text = QStringLiteral("%1 bytes").arg(size);
    if (shown > 0)
        text += QStringLiteral(": ") + hexBytes(reader.bytes(from, from + shown));
    if (size > shown)
        text += QStringLiteral(" \u2026");
    return text;
}

// Ends a string or blob argument whose padding may be cut off by the end of the message: the
// value is whole, so it is read, but it and the message end with the bytes there are.
qsizetype endPadded(const DatagramReader &reader, Argument &argument, qsizetype next)
{
    next = qMin(next, reader.size());
    argument.size = next - argument.offset;
    return next;
}

// Reads the argument of one tag at position into argument and returns where the next one
// starts, or -1 when the message does not hold it whole or the tag's size is unknown.
qsizetype readArgument(const DatagramReader &reader, qsizetype position, Argument &argument,
                       const OscTextEncoding &strings)
{
    argument.offset = position;
    switch (argument.tag) {
    case Tag::Int32:
        if (const auto value = reader.int32At(position)) {
            argument.text = QString::number(*value);
            argument.size = Int32Size;
        }
        break;
    case Tag::Float32:
        if (const auto value = reader.float32At(position)) {
            argument.text = exactFloat(*value);
            argument.size = Int32Size;
        }
        break;
    case Tag::Int64:
        if (const auto value = reader.int64At(position)) {
            argument.text = QString::number(*value);
            argument.size = Int64Size;
        }
        break;
    case Tag::Float64:
        if (const auto value = reader.float64At(position)) {
            argument.text = exactDouble(*value);
            argument.size = Int64Size;
        }
        break;
    case Tag::TimeTag:
        if (const auto value = reader.word64At(position)) {
            argument.timeTag = *value;
            argument.text = OscBundle::timeTagToDateTime(*value).toString(DateTimeFormat);
            argument.size = Int64Size;
        }
        break;
    case Tag::String:
    case Tag::Symbol: {
        const qsizetype end = reader.nulFrom(position);
        if (end < 0)
            return -1;
        QString text;
        strings.appendDecoded(text, reader.bytes(position, end));
        argument.text = Quote + text + Quote;
        return endPadded(reader, argument, afterString(end));
    }
    case Tag::Blob: {
        const auto size = reader.int32At(position);
        const qsizetype dataStart = position + Int32Size;
        if (!size || *size < 0 || !reader.holds(dataStart, *size))
            return -1;
        argument.text = blobText(reader, dataStart, *size);
        return endPadded(reader, argument, dataStart + roundUpToFour(*size));
    }
    case Tag::Char:
        if (const auto value = reader.word32At(position)) {
            argument.text = characterText(*value);
            argument.size = Int32Size;
        }
        break;
    case Tag::Rgba:
        if (const auto value = reader.word32At(position)) {
            argument.rgba = *value;
            argument.text = QLatin1Char('#')
                + QStringLiteral("%1").arg(*value, RgbaHexDigits, 16, QLatin1Char('0')).toUpper();
            argument.size = Int32Size;
        }
        break;
    case Tag::Midi:
        if (reader.holds(position, MidiBytes)) {
            argument.text = hexBytes(reader.bytes(position, position + MidiBytes));
            argument.size = MidiBytes;
        }
        break;
    case Tag::True:
        argument.text = QStringLiteral("True");
        return position;
    case Tag::False:
        argument.text = QStringLiteral("False");
        return position;
    case Tag::Nil:
        argument.text = QStringLiteral("Nil");
        return position;
    case Tag::Infinitum:
        argument.text = QStringLiteral("Infinitum");
        return position;
    case Tag::ArrayBegin:
    case Tag::ArrayEnd:
        argument.text = QString(QLatin1Char(argument.tag));
        return position;
    default:
        // Without knowing the tag's size, nothing after it can be found.
        return -1;
    }
    return argument.size > 0 ? position + argument.size : -1;
}

} // namespace

Message read(const QByteArray &message, const OscTextEncoding &strings)
{
    Message result;
    const DatagramReader reader(message);

    const qsizetype addressEnd = reader.nulFrom(0);
    if (addressEnd < 0) {
        result.address = QString::fromUtf8(message);
        result.complete = false;
        return result;
    }
    result.address = reader.text(0, addressEnd);

    // A message without a type-tag string promises no arguments.
    const qsizetype tagStart = afterString(addressEnd);
    if (reader.byteAt(tagStart) != TypeTagLead)
        return result;
    const qsizetype tagEnd = reader.nulFrom(tagStart);
    if (tagEnd < 0) {
        result.typeTags = reader.text(tagStart, reader.size());
        result.complete = false;
        return result;
    }
    result.typeTags = reader.text(tagStart, tagEnd);

    // Padding cut off by the end of the message leaves the arguments nothing to stand on.
    qsizetype position = qMin(afterString(tagEnd), reader.size());
    for (qsizetype i = tagStart + 1; i < tagEnd; ++i) {
        Argument argument;
        argument.tag = reader.byteAt(i);
        position = readArgument(reader, position, argument, strings);
        if (position < 0) {
            result.complete = false;
            break;
        }
        result.arguments.append(argument);
    }
    return result;
}

QString valuesText(const Message &message)
{
    QStringList values;
    values.reserve(message.arguments.size());
    for (const Argument &argument : message.arguments)
        values << argument.text;
    return values.join(QLatin1Char(' '));
}

QString typeName(char tag)
{
    switch (tag) {
    case Tag::Int32: return QStringLiteral("int32");
    case Tag::Float32: return QStringLiteral("float32");
    case Tag::String: return QStringLiteral("string");
    case Tag::Blob: return QStringLiteral("blob");
    case Tag::Int64: return QStringLiteral("int64");
    case Tag::TimeTag: return QStringLiteral("timetag");
    case Tag::Float64: return QStringLiteral("float64");
    case Tag::Symbol: return QStringLiteral("symbol");
    case Tag::Char: return QStringLiteral("char");
    case Tag::Rgba: return QStringLiteral("rgba");
    case Tag::Midi: return QStringLiteral("midi");
    case Tag::True: return QStringLiteral("true");
    case Tag::False: return QStringLiteral("false");
    case Tag::Nil: return QStringLiteral("nil");
    case Tag::Infinitum: return QStringLiteral("infinitum");
    case Tag::ArrayBegin: return QStringLiteral("array begin");
    case Tag::ArrayEnd: return QStringLiteral("array end");
    default: return QStringLiteral("unknown");
    }
}

QString exactFloat(float value)
{
    return shortest(value);
}

QString exactDouble(double value)
{
    return shortest(value);
}

} // namespace OscArguments
