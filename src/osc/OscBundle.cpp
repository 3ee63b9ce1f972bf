#include "osc/OscBundle.h"

#include "osc/DatagramReader.h"

#include <array>

namespace OscBundle {

namespace {

// The marker and the time tag come before a bundle's first element.
constexpr qsizetype kHeaderSize = Marker.size() + OscCodec::TimeTagSize;
constexpr qsizetype kSizeFieldSize = OscCodec::Int32Size;
constexpr qint64 kMillisecondsPerSecond = 1000;
constexpr int kFractionBits = 32;

bool startsWithMarker(const QByteArray &datagram, qsizetype offset, qsizetype size)
{
    return size >= Marker.size() && QByteArrayView(datagram).sliced(offset, Marker.size()) == Marker;
}

} // namespace

bool isBundle(const QByteArray &datagram)
{
    return datagram.startsWith(Marker);
}

Walk walk(const QByteArray &datagram)
{
    Walk result;
    if (!isBundle(datagram))
        return result;
    const OscCodec::DatagramReader reader(datagram);
    auto stopAt = [&result](Stop stop, qsizetype offset) {
        result.stop = stop;
        result.stopOffset = offset;
        return result;
    };

    // The bundles still open, outermost first: where each ends and its time tag. A loop over this
    // fixed stack rather than recursion, so no datagram decides how deep the call stack goes.
    struct Open
    {
        qsizetype end;
        quint64 timeTag;
    };
    std::array<Open, MaxDepth + 1> open{};
    int depth = 0;

    const auto outerTag = reader.word64At(Marker.size());
    if (!outerTag)
        return stopAt(Stop::Truncated, Marker.size());
    result.items.append({Item::Kind::Bundle, 0, reader.size(), 0, *outerTag});
    open[0] = {reader.size(), *outerTag};
    qsizetype position = kHeaderSize;

    for (;;) {
        const Open &bundle = open[size_t(depth)];
        if (position == bundle.end) {
            if (depth == 0)
                return result;
            // A nested bundle ends where its parent's next element starts.
            --depth;
            continue;
        }
        if (bundle.end - position < kSizeFieldSize)
            return stopAt(Stop::Truncated, position);
        const qint32 size = *reader.int32At(position);
        if (size < 0)
            return stopAt(Stop::NegativeSize, position);
        if (size % OscCodec::Alignment != 0)
            return stopAt(Stop::UnalignedSize, position);
        const qsizetype offset = position + kSizeFieldSize;
        if (size > bundle.end - offset)
            return stopAt(Stop::PastEnd, position);

        if (startsWithMarker(datagram, offset, size)) {
            if (depth == MaxDepth)
                return stopAt(Stop::TooDeep, offset);
            if (size < kHeaderSize)
                return stopAt(Stop::Truncated, offset + Marker.size());
            const quint64 timeTag = *reader.word64At(offset + Marker.size());
            result.items.append({Item::Kind::Bundle, offset, size, depth + 1, timeTag});
            open[size_t(++depth)] = {offset + size, timeTag};
            position = offset + kHeaderSize;
            continue;
        }
        result.items.append({Item::Kind::Message, offset, size, depth + 1, bundle.timeTag});
        position = offset + size;
    }
}

QDateTime timeTagToDateTime(quint64 timeTag)
{
    const qint64 seconds = qint64(timeTag >> kFractionBits) - OscCodec::SecondsFrom1900To1970;
    const quint64 fraction = timeTag & 0xFFFFFFFFu;
    // The fraction counts 2^-32 seconds; rounded to the nearest millisecond.
    const qint64 milliseconds =
        qint64((fraction * kMillisecondsPerSecond + (quint64(1) << (kFractionBits - 1))) >> kFractionBits);
    return QDateTime::fromMSecsSinceEpoch(seconds * kMillisecondsPerSecond + milliseconds, Qt::LocalTime);
}

} // namespace OscBundle
