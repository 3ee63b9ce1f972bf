#pragma once

#include <QtGlobal>

// What a stream decoder refuses. A TCP peer is untrusted: it may announce any size or send any
// bytes, so a decoder stops at the first of these and yields nothing after it.
enum class StreamFault {
    None,
    NegativeLength,  // a length prefix read as a negative int32
    LengthOverLimit, // a length prefix above MaxStreamMessageBytes
    FrameOverLimit,  // a SLIP frame that grows above MaxStreamMessageBytes
    BadEscape,       // a SLIP ESC followed by anything but ESC_END or ESC_ESC
    UnknownFraming,  // first bytes that begin neither framing, when it was to be detected
};

// The largest message either framing carries; the larger UDP datagram limit does not apply to
// a stream, where one announced size could otherwise make us hold gigabytes.
inline constexpr qsizetype MaxStreamMessageBytes = 1024 * 1024;
