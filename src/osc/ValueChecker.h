#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>

#include <optional>

class OscTextEncoding;

// Checks the values a user typed against the type tags before anything is sent, and builds the
// message only when every tag that takes a value has exactly one that parses as its type.
//
// Values are separated by white space and commas. A value in double quotes keeps its spaces and
// commas and loses the quotes; \" inside it is a quote. Each of i, f, s and S takes one value:
// i a whole number in the int32 range, f a finite float32 written with "." as the decimal point
// (an exponent is fine), s and S any text the string encoding can carry. T, F, N and I take none,
// and when no tag takes a value, whatever was typed is ignored.
// The rest of OSC's tags take one value each too: h a whole number in the int64 range, d a finite
// float64, c one character, r a colour "#RRGGBBAA", m four bytes in hex ("0090407f"), t a time tag
// (see MessageComposer::parseTimeTag), b bytes in hex ("0a0b0c", "" for none). "[" and "]" open and
// close an array and take nothing; they must pair up.
namespace ValueChecker {

enum class Problem {
    NotWholeNumber,
    OutsideInt32,
    NotFiniteNumber,
    MissingValue,
    ValueLeftOver,
    UnclosedQuote,
    UncarriedCharacter,
    UnsupportedTag,
    OutsideInt64,
    NotOneCharacter,
    NotColour,
    NotMidi,
    NotTimeTag,
    NotHexBytes,
    UnbalancedArray,
    // Raw bytes to send as they are: hex digits in pairs.
    NotRawBytes,
};

struct Refusal
{
    Problem problem = Problem::MissingValue;
    // The tag whose value is refused; null for a value left over or an unclosed quote.
    QChar tag;
    // The value as typed, without its quotes; from its opening quote on for an unclosed one.
    QString value;
    // UncarriedCharacter: the character and the encoding that lacks it.
    QString character;
    QString encoding;
    // ValueLeftOver: a string took an unquoted value, so the rest of it is probably left over.
    bool suggestQuotes = false;
};

struct Checked
{
    // The whole message when the values fit the tags; empty when refused.
    QByteArray datagram;
    std::optional<Refusal> refusal;
};

struct ReasonText
{
    QString chinese;
    QString english;
};

// The address is sent as buildOscMessage sends it; strings go out in the given encoding.
Checked check(const QString &address, const QString &typeTags, const QString &values,
              const OscTextEncoding &strings);
// The same, with "now" in a t value meaning the given moment.
Checked check(const QString &address, const QString &typeTags, const QString &values,
              const OscTextEncoding &strings, const QDateTime &now);

// For example 参数无效: i 需要整数, 得到 "abc" and Invalid value: i needs a whole number, got "abc".
ReasonText reason(const Refusal &refusal);

} // namespace ValueChecker
