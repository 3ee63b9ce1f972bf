// Any bytes at all may arrive on a TCP connection, in pieces of any size: both stream decoders
// must stay inside what they were given, agree with themselves however the stream is cut, never
// hand out more than the limit, and give back exactly what their own encoder wrote.
#include "FuzzCheck.h"
#include "osc/FramingDetector.h"
#include "osc/LengthPrefixFramer.h"
#include "osc/SlipFramer.h"
#include "osc/StreamDecoder.h"

#include <algorithm>
#include <cstdint>

namespace {

// The first input bytes choose how the rest is cut; the rest is the stream.
constexpr size_t CutBytes = 4;

struct Outcome
{
    QList<QByteArray> messages;
    StreamFault fault;
    qint64 faultOffset;
    qsizetype pending;

    bool operator==(const Outcome &other) const
    {
        return messages == other.messages && fault == other.fault
            && faultOffset == other.faultOffset && pending == other.pending;
    }
};

template <typename Framer>
Outcome decodeInPieces(const uint8_t *data, size_t size, const uint8_t *cuts, size_t cutCount,
                       Framer framer = {})
{
    QList<QByteArray> messages;
    size_t position = 0;
    for (size_t piece = 0; position < size; ++piece) {
        // Raw pieces, not copies: no terminating NUL hides a read past the end from ASan.
        const size_t length = cutCount == 0 ? size : std::min<size_t>(size - position, 1 + cuts[piece % cutCount]);
        messages += framer.feed(QByteArray::fromRawData(reinterpret_cast<const char *>(data + position), qsizetype(length)));
        position += length;
    }
    return {messages, framer.fault(), framer.faultOffset(), framer.pendingBytes()};
}

template <typename Framer>
void checkDecoder(const uint8_t *stream, size_t size, const uint8_t *cuts, size_t cutCount)
{
    const Outcome whole = decodeInPieces<Framer>(stream, size, cuts, 0);
    FUZZ_CHECK(decodeInPieces<Framer>(stream, size, cuts, cutCount) == whole);
    for (const QByteArray &message : whole.messages) {
        FUZZ_CHECK(!message.isEmpty() && message.size() <= MaxStreamMessageBytes);
        Framer again;
        FUZZ_CHECK(again.feed(Framer::encode(message)) == QList<QByteArray>{message});
    }
    FUZZ_CHECK(whole.fault == StreamFault::None ? whole.faultOffset == -1
                                                : whole.faultOffset >= 0 && whole.faultOffset < qint64(size));
}

template <typename Framer>
void checkRoundTrip(const QList<QByteArray> &datagrams)
{
    QByteArray stream;
    QList<QByteArray> sent;
    for (const QByteArray &datagram : datagrams) {
        stream += Framer::encode(datagram);
        if (!datagram.isEmpty())
            sent += datagram;
    }
    Framer framer;
    FUZZ_CHECK(framer.feed(stream) == sent);
    FUZZ_CHECK(framer.fault() == StreamFault::None && !framer.hasPartialMessage());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const size_t cutCount = std::min(size, CutBytes);
    const uint8_t *stream = data + cutCount;
    const size_t streamSize = size - cutCount;

    checkDecoder<LengthPrefixFramer>(stream, streamSize, data, cutCount);
    checkDecoder<SlipFramer>(stream, streamSize, data, cutCount);

    // Auto holds the first bytes back until they decide; the cut must not change the outcome.
    const StreamDecoder automatic(StreamDecoder::Choice::Auto);
    const Outcome whole = decodeInPieces(stream, streamSize, data, 0, automatic);
    FUZZ_CHECK(decodeInPieces(stream, streamSize, data, cutCount, automatic) == whole);
    for (const QByteArray &message : whole.messages)
        FUZZ_CHECK(!message.isEmpty() && message.size() <= MaxStreamMessageBytes);

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(stream), qsizetype(streamSize));
    const FramingDetector::Framing framing = FramingDetector::detect(bytes);
    if (streamSize >= size_t(FramingDetector::DecisionBytes))
        FUZZ_CHECK(framing != FramingDetector::Framing::Undecided);

    // The stream as two datagrams, cut where the first byte says, each written by both encoders.
    const qsizetype cut = cutCount == 0 ? 0 : qsizetype(data[0]) % (bytes.size() + 1);
    const QList<QByteArray> datagrams{bytes.left(cut), bytes.mid(cut)};
    checkRoundTrip<LengthPrefixFramer>(datagrams);
    checkRoundTrip<SlipFramer>(datagrams);
    if (!datagrams[1].isEmpty())
        FUZZ_CHECK(FramingDetector::detect(SlipFramer::encode(datagrams[1])) == FramingDetector::Framing::Slip);
    const QByteArray prefixed = LengthPrefixFramer::encode(datagrams[1]);
    const bool oscLike = !datagrams[1].isEmpty() && datagrams[1].size() % 4 == 0
        && (datagrams[1].front() == '/' || datagrams[1].front() == '#');
    if (oscLike)
        FUZZ_CHECK(FramingDetector::detect(prefixed) == FramingDetector::Framing::LengthPrefix);
    return 0;
}
