#pragma once

#include <QByteArray>
#include <QString>

class OscTextEncoding;

// The OSC 1.0 byte format: building single messages from the texts a user types, rendering any
// received datagram as one readable line, and reading a message's address and first argument.
// Nothing here keeps state and nothing reports an error: malformed input gives a partial result,
// and no operation ever reads outside the datagram it is given.
namespace OscCodec {

enum class ArgumentKind { None, Number, Text };

struct OscFirstArgument
{
    QString address;
    ArgumentKind kind = ArgumentKind::None;
    double number = 0.0;
    QString text;
};

// Values are separated by any run of white space and commas; the n-th tag takes the n-th value,
// and writing stops at the first tag left without one (the type-tag string still names them all).
QByteArray buildOscMessage(const QString &address, const QString &typeTags, const QString &values);

// The parts messages are built from, for builders that check their values first.
// The address as it is sent: trimmed, with a leading "/" put in front when it has none.
QString sentAddress(const QString &address);
// The type tags as they are sent: trimmed, with a leading "," put in front when they have none.
QString sentTypeTags(const QString &typeTags);
// The bytes, one NUL, then NULs up to a multiple of four bytes.
void appendOscString(QByteArray &message, const QByteArray &bytes);
void appendInt32(QByteArray &message, qint32 value);
void appendFloat32(QByteArray &message, float value);

// One control value as a single-argument message: ",i" with the nearest int32 when the value is
// within 0.0001 of a whole number in the int32 range (halves round away from zero), otherwise ",f".
QString valueTypeTags(double value);
QByteArray buildValueMessage(const QString &address, double value);
// The value in fixed-point notation with six decimals, as a sent value is logged.
QString valueText(double value);

// One control value in the control's own type, whatever its value: ",f" as a float32, or ",i" with
// the value rounded (halves away from zero) and held within the int32 range.
QByteArray buildTypedValueMessage(const QString &address, double value, bool integer);
// The value as that message carries it: six decimals for ",f", the whole number for ",i".
QString typedValueText(double value, bool integer);

// For example "/mix ,fT 0.7500 True"; a bundle is labelled "[OSC Bundle] " but not taken apart.
QString decodeOscToText(const QByteArray &datagram);
// The same, with the text of string arguments (s, S) read in the given character set.
QString decodeOscToText(const QByteArray &datagram, const OscTextEncoding &strings);

OscFirstArgument readFirstArgument(const QByteArray &datagram);
// The same, with the text of a string argument read in the given character set.
OscFirstArgument readFirstArgument(const QByteArray &datagram, const OscTextEncoding &strings);

} // namespace OscCodec
