#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QtGlobal>

// Walking an OSC bundle ("#bundle", a 64-bit time tag, then elements each preceded by its int32
// size) without trusting a byte of it: every element that is whole is listed, and the walk stops
// at the first size that is negative, not a multiple of four or past the end of its bundle, at a
// bundle nested deeper than MaxDepth, or at bytes too short to hold a size or a time tag.
namespace OscBundle {

constexpr int MaxDepth = 16;
// What every bundle starts with: "#bundle" and its NUL.
constexpr QByteArrayView Marker("#bundle\0", 8);
// The time tag that means "at once".
constexpr quint64 Immediately = 1;

enum class Stop { None, Truncated, NegativeSize, UnalignedSize, PastEnd, TooDeep };

struct Item
{
    enum class Kind { Bundle, Message };
    Kind kind = Kind::Message;
    // Where the item's own bytes start in the datagram (after its size field), and how many.
    qsizetype offset = 0;
    qsizetype size = 0;
    // The outermost bundle is at depth 0, the elements it holds at 1, and so on.
    int depth = 0;
    // A bundle's own time tag; for a message, that of the bundle that holds it.
    quint64 timeTag = Immediately;
};

struct Walk
{
    // Bundles and messages in the order their bytes appear, the outermost bundle first.
    QList<Item> items;
    Stop stop = Stop::None;
    // The byte at which the walk stopped; -1 when it did not.
    qsizetype stopOffset = -1;
};

// True when the datagram starts with Marker.
bool isBundle(const QByteArray &datagram);

// The datagram's bundles and messages; an empty walk for a datagram that is not a bundle.
Walk walk(const QByteArray &datagram);

// The moment a time tag names (seconds since 1900 in UTC, and a binary fraction), in local time.
QDateTime timeTagToDateTime(quint64 timeTag);

} // namespace OscBundle
