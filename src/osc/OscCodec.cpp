#include "osc/OscCodec.h"

#include "osc/DatagramReader.h"
#include "osc/OscTextEncoding.h"

#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <type_traits>

namespace OscCodec {
namespace {

constexpr char Nul = '\0';
constexpr char AddressLead = '/';

constexpr qsizetype BlobSizeFieldSize = Int32Size;
// A tag this codec does not know is taken to occupy one 32-bit slot.
constexpr qsizetype UnknownArgumentSize = 4;
// The shortest datagram read as a message: one word of address. Shorter ones are shown as text.
constexpr qsizetype ShortestRenderedMessage = 4;
// Room a rendering needs beyond the datagram's own length in the usual case (spaces, decimals).
constexpr qsizetype RenderingSlack = 32;
constexpr int FloatDecimals = 4;

constexpr QLatin1StringView BundleAddress("#bundle");
constexpr QLatin1StringView BundleLabel("[OSC Bundle] ");
constexpr QLatin1StringView NoTypeTagText("(no type tag)");
constexpr QLatin1StringView TrueText("True");
constexpr QLatin1StringView FalseText("False");
constexpr QLatin1StringView NilText("Nil");
constexpr QChar Separator(u' ');
constexpr QChar Quote(u'"');

template <typename Integer>
void appendDecimal(QString &out, Integer value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(QLatin1StringView(digits, result.ptr - digits));
}

// True when the value lies exactly halfway between two texts of FloatDecimals decimals. For a
// binary fraction that happens only when value * 2^(FloatDecimals + 1) is an odd integer.
bool isTieAtLastDecimal(double value)
{
    constexpr double TieScale = double(1 << (FloatDecimals + 1));
    return std::fabs(std::fmod(value * TieScale, 2.0)) == 1.0;
}

// The text QString::number(value, 'f', FloatDecimals) gives, without its temporary string.
// std::to_chars writes the same digits except for NaN and infinities, negative zero (Qt drops
// its sign) and exact ties (Qt rounds them away from zero, to_chars to even).
void appendFixed(QString &out, double value)
{
    if (!std::isfinite(value) || isTieAtLastDecimal(value)) {
        out.append(QString::number(value, 'f', FloatDecimals));
        return;
    }
    if (value == 0.0)
        value = 0.0; // negative zero is written without its sign
    // The longest finite double has 309 integer digits, a sign, a point and the decimals.
    char digits[320];
    const auto result = std::to_chars(digits, digits + sizeof digits, value,
                                      std::chars_format::fixed, FloatDecimals);
    out.append(QLatin1StringView(digits, result.ptr - digits));
}

// One rendered item and the space that separates it from the next.
void appendItem(QString &out, QLatin1StringView item)
{
    out.append(item);
    out.append(Separator);
}

// A number argument that lies inside the datagram is rendered with its separator; one cut short
// by the end of the datagram is left out.
template <typename Number>
void appendItem(QString &out, std::optional<Number> number)
{
    if (!number)
        return;
    if constexpr (std::is_integral_v<Number>)
        appendDecimal(out, *number);
    else
        appendFixed(out, *number);
    out.append(Separator);
}

// Renders the argument of one tag at position and moves position past it. Returns false when
// the rest of the message cannot be walked (a string without terminator, an impossible blob).
bool renderArgument(const DatagramReader &datagram, QChar tag, qsizetype &position, QString &out,
                    const OscTextEncoding &strings)
{
    switch (tag.unicode()) {
    case Tag::Int32:
        appendItem(out, datagram.int32At(position));
        position += Int32Size;
        return true;
    case Tag::Float32:
        appendItem(out, datagram.float32At(position));
        position += Float32Size;
        return true;
    case Tag::Int64:
        appendItem(out, datagram.int64At(position));
        position += Int64Size;
        return true;
    case Tag::Float64:
        appendItem(out, datagram.float64At(position));
        position += Float64Size;
        return true;
    case Tag::String:
    case Tag::Symbol: {
        const qsizetype end = datagram.nulFrom(position);
        if (end < 0)
            return false;
        out.append(Quote);
        strings.appendDecoded(out, datagram.bytes(position, end));
        out.append(Quote);
        out.append(Separator);
        position = afterString(end);
        return true;
    }
    case Tag::True:
        appendItem(out, TrueText);
        return true;
    case Tag::False:
        appendItem(out, FalseText);
        return true;
    case Tag::Nil:
        appendItem(out, NilText);
        return true;
    case Tag::TimeTag:
        position += TimeTagSize;
        return true;
    case Tag::Blob: {
        const auto size = datagram.int32At(position);
        const qsizetype dataStart = position + BlobSizeFieldSize;
        if (!size || *size < 0 || !datagram.holds(dataStart, *size))
            return false;
        position = dataStart + roundUpToFour(*size);
        return true;
    }
    case Tag::Infinitum:
    case Tag::ArrayBegin:
    case Tag::ArrayEnd:
        return true;
    default:
        position += UnknownArgumentSize;
        return true;
    }
}

// A value this close to a whole number inside the int32 range goes out as an int32.
constexpr double WholeNumberTolerance = 0.0001;
constexpr double Int32Min = -2147483648.0;
constexpr double Int32Max = 2147483647.0;
constexpr int ValueDecimals = 6;

// Halves round away from zero: add 0.5 with the value's sign, then truncate.
double nearestWhole(double value)
{
    return std::trunc(value + std::copysign(0.5, value));
}

QString withLead(const QString &text, QChar lead)
{
    const QString stripped = text.trimmed();
    return stripped.startsWith(lead) ? stripped : lead + stripped;
}

} // namespace

void appendOscString(QByteArray &message, const QByteArray &bytes)
{
    message.append(bytes);
    const qsizetype terminator = message.size();
    message.append(afterString(terminator) - terminator, Nul);
}

void appendInt32(QByteArray &message, qint32 value)
{
    char bytes[Int32Size];
    qToBigEndian(value, bytes);
    message.append(bytes, Int32Size);
}

void appendFloat32(QByteArray &message, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendInt32(message, qint32(bits));
}

QString sentAddress(const QString &address)
{
    return withLead(address, QChar(AddressLead));
}

QString sentTypeTags(const QString &typeTags)
{
    return withLead(typeTags, QChar(TypeTagLead));
}

QByteArray buildOscMessage(const QString &address, const QString &typeTags, const QString &values)
{
    static const QRegularExpression valueSeparators(QStringLiteral("[\\s,]+"));

    const QString tags = sentTypeTags(typeTags);
    const QStringList valueList = values.split(valueSeparators, Qt::SkipEmptyParts);

    QByteArray message;
    appendOscString(message, sentAddress(address).toUtf8());
    appendOscString(message, tags.toUtf8());

    // Tag n (after the comma) takes value n; the first tag without a value ends the arguments.
    for (qsizetype n = 1; n < tags.size() && n - 1 < valueList.size(); ++n) {
        const QString &value = valueList.at(n - 1);
        switch (tags.at(n).unicode()) {
        case Tag::String:
        case Tag::Symbol:
            appendOscString(message, value.toUtf8());
            break;
        case Tag::Float32:
            appendFloat32(message, value.toFloat());
            break;
        case Tag::Int32:
            appendInt32(message, value.toInt(nullptr, 10));
            break;
        default:
            break;
        }
    }
    return message;
}

QString valueTypeTags(double value)
{
    const bool whole = std::abs(value - nearestWhole(value)) < WholeNumberTolerance
        && value >= Int32Min && value <= Int32Max;
    return whole ? QStringLiteral(",i") : QStringLiteral(",f");
}

QString valueText(double value)
{
    return QString::number(value, 'f', ValueDecimals);
}

QByteArray buildValueMessage(const QString &address, double value)
{
    const QString tags = valueTypeTags(value);
    // An int32 carries the rounded value, a float32 the six-decimal text.
    const QString argument = tags == QLatin1String(",i") ? QString::number(qint64(nearestWhole(value)))
                                                         : valueText(value);
    return buildOscMessage(address, tags, argument);
}

QByteArray buildTypedValueMessage(const QString &address, double value, bool integer)
{
    return buildOscMessage(address, integer ? QStringLiteral(",i") : QStringLiteral(",f"),
                           typedValueText(value, integer));
}

QString typedValueText(double value, bool integer)
{
    if (!integer)
        return valueText(value);
    const double whole = std::isnan(value) ? 0.0 : std::clamp(nearestWhole(value), Int32Min, Int32Max);
    return QString::number(qint64(whole));
}

QString decodeOscToText(const QByteArray &datagram)
{
    static const OscTextEncoding utf8;
    return decodeOscToText(datagram, utf8);
}

QString decodeOscToText(const QByteArray &datagram, const OscTextEncoding &strings)
{
    const DatagramReader reader(datagram);
    if (reader.size() < ShortestRenderedMessage)
        return QString::fromUtf8(datagram);

    qsizetype addressEnd = reader.nulFrom(0);
    if (addressEnd < 0)
        addressEnd = reader.size();

    QString out;
    out.reserve(reader.size() + RenderingSlack);
    reader.appendText(out, 0, addressEnd);
    const bool isBundle = out == BundleAddress;
    out.append(Separator);

    const qsizetype tagStart = afterString(addressEnd);
    if (tagStart >= reader.size())
        return out;
    const qsizetype tagEnd = reader.nulFrom(tagStart);
    if (tagEnd < 0 || reader.byteAt(tagStart) != TypeTagLead) {
        out.append(NoTypeTagText);
        return out;
    }

    // The tag text is walked where it was just appended; indices stay valid as out grows.
    const qsizetype tagTextStart = out.size();
    reader.appendText(out, tagStart, tagEnd);
    const qsizetype tagTextEnd = out.size();
    out.append(Separator);

    qsizetype position = afterString(tagEnd);
    for (qsizetype i = tagTextStart + 1; i < tagTextEnd; ++i) {
        if (!renderArgument(reader, out.at(i), position, out, strings))
            break;
    }

    if (isBundle)
        out.prepend(BundleLabel);
    return std::move(out).trimmed();
}

OscFirstArgument readFirstArgument(const QByteArray &datagram)
{
    static const OscTextEncoding utf8;
    return readFirstArgument(datagram, utf8);
}

OscFirstArgument readFirstArgument(const QByteArray &datagram, const OscTextEncoding &strings)
{
    OscFirstArgument result;
    const DatagramReader reader(datagram);

    const qsizetype addressEnd = reader.nulFrom(0);
    if (addressEnd <= 0)
        return result;
    result.address = reader.text(0, addressEnd);

    // A type-tag string needs its comma and at least one tag character.
    const qsizetype tagStart = afterString(addressEnd);
    const qsizetype tagEnd = reader.nulFrom(tagStart);
    if (tagEnd < 0 || reader.byteAt(tagStart) != TypeTagLead || tagEnd - tagStart == 1)
        return result;

    const qsizetype argumentStart = afterString(tagEnd);
    const auto setNumber = [&result](double number) {
        result.kind = ArgumentKind::Number;
        result.number = number;
    };
    switch (reader.byteAt(tagStart + 1)) {
    case Tag::Float32:
        if (const auto value = reader.float32At(argumentStart))
            setNumber(*value);
        break;
    case Tag::Int32:
        if (const auto value = reader.int32At(argumentStart))
            setNumber(*value);
        break;
    case Tag::Float64:
        if (const auto value = reader.float64At(argumentStart))
            setNumber(*value);
        break;
    case Tag::Int64:
        if (const auto value = reader.int64At(argumentStart))
            setNumber(double(*value));
        break;
    case Tag::String:
    case Tag::Symbol: {
        const qsizetype end = reader.nulFrom(argumentStart);
        if (end > argumentStart) {
            result.kind = ArgumentKind::Text;
            strings.appendDecoded(result.text, reader.bytes(argumentStart, end));
        }
        break;
    }
    case Tag::True:
        setNumber(1.0);
        break;
    case Tag::False:
        setNumber(0.0);
        break;
    default:
        break;
    }
    return result;
}

} // namespace OscCodec
