#pragma once

#include <QByteArray>

// Tells from the first bytes of a TCP connection which framing its peer writes.
//
// The rule, in order:
//  - END (0xC0) first: SLIP written the OSC 1.1 way, with an END before each message.
//  - otherwise the first four bytes as a big-endian int32 must be a size a peer can mean: above
//    zero, a multiple of four (every OSC packet is) and at most 1 MiB, so its first byte is 0x00;
//    and the fifth byte must begin an OSC packet, '/' (a message) or '#' (a bundle). Then it is a
//    length prefix.
//  - anything else is Unknown. That includes '/' or '#' first: raw OSC with no framing, or SLIP
//    written with END only after each message, which look the same until the first END; a stream
//    framing cannot be claimed for either from its first bytes.
// The two positive answers exclude each other (0xC0 against 0x00 first), so a valid stream of
// either framing is never taken for the other.
class FramingDetector
{
public:
    enum class Framing { Undecided, Unknown, LengthPrefix, Slip };

    // The most bytes a decision needs.
    static constexpr int DecisionBytes = 5;

    // Undecided while the bytes seen so far could still begin either framing.
    static Framing detect(const QByteArray &firstBytes);
};
