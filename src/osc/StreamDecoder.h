#pragma once

#include "osc/FramingDetector.h"
#include "osc/LengthPrefixFramer.h"
#include "osc/SlipFramer.h"

// The decoder of one TCP connection: a chosen framing, or the one its first bytes show.
class StreamDecoder
{
public:
    enum class Choice { Auto, LengthPrefix, Slip };

    explicit StreamDecoder(Choice choice);

    // The messages this chunk completes, in order. Under Auto the first bytes are held until
    // they decide; bytes that begin neither framing are a fault. After a fault nothing more.
    QList<QByteArray> feed(const QByteArray &chunk);

    // The framing in use: Undecided while Auto waits for more bytes, Unknown when it failed.
    FramingDetector::Framing framing() const { return m_framing; }

    bool hasPartialMessage() const { return pendingBytes() > 0; }
    qsizetype pendingBytes() const;
    StreamFault fault() const;
    qint64 faultOffset() const;

private:
    FramingDetector::Framing m_framing;
    QByteArray m_firstBytes; // held under Auto until they decide
    LengthPrefixFramer m_lengthPrefix;
    SlipFramer m_slip;
};
