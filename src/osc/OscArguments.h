#pragma once

#include "osc/OscTextEncoding.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// One OSC message read in full, each value in its exact form: what monitors show when a user
// needs to know precisely what arrived, rather than the log's rounded line.
namespace OscArguments {

struct Argument
{
    // The type tag, e.g. 'f'; '[' and ']' for the ends of an array.
    char tag = '\0';
    // Where the argument's bytes start in the message (for T F N I [ ], where they would start).
    qsizetype offset = 0;
    qsizetype size = 0;
    // The exact form: floats in the shortest text that reads back to the same value, strings
    // whole, blobs as their size and the first 16 bytes in hexadecimal, time tags as a local
    // date-time, 'c' as its character, 'r' as #RRGGBBAA, 'm' as four hexadecimal bytes.
    QString text;
    // The colour of an 'r' argument as 0xRRGGBBAA.
    quint32 rgba = 0;
    // The value of a 't' argument. Its text is the date-time it names, the time tag 1 included
    // (a moment in 1900); callers that show "immediately" compare this with OscBundle::Immediately.
    quint64 timeTag = 0;
};

struct Message
{
    QString address;
    // The type-tag string as it arrived, with its leading ','.
    QString typeTags;
    QList<Argument> arguments;
    // False when the message ended before its type tags said it would; arguments holds those
    // that were whole.
    bool complete = true;
};

// Reads a single message (not a bundle); string arguments are decoded in the given character set
// and shown in double quotes. An unknown tag ends the reading (its size is unknown) as a
// truncation does: complete is false.
Message read(const QByteArray &message, const OscTextEncoding &strings);

// The values of all arguments, separated by single spaces.
QString valuesText(const Message &message);

// The name of a type tag, e.g. "int32", "float32", "string", "blob".
QString typeName(char tag);

// The shortest decimal text that reads back to exactly this value.
QString exactFloat(float value);
QString exactDouble(double value);

} // namespace OscArguments
