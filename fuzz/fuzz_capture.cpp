// Any bytes at all may sit in a capture file's record: taking the frame apart must stay inside
// it, and a datagram it finds must be a piece of the frame.
#include "FuzzCheck.h"
#include "capture/PacketDecoder.h"

#include <cstdint>

namespace {
// The link types the reader takes, and one it does not (IEEE 802.11).
constexpr int LinkTypes[] = {0, 1, 12, 14, 101, 108, 113, 228, 229, 276, 105};
constexpr size_t PrefixBytes = 3;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < PrefixBytes)
        return 0;
    // First byte: the link type; next two: how much longer the frame was on the wire.
    const int linkType = LinkTypes[data[0] % (sizeof LinkTypes / sizeof LinkTypes[0])];
    const quint32 missing = quint32(data[1]) << 8 | data[2];
    // Raw data, not a copy: no terminating NUL hides a read past the end from ASan.
    const QByteArray frame = QByteArray::fromRawData(reinterpret_cast<const char *>(data + PrefixBytes),
                                                     qsizetype(size - PrefixBytes));
    const quint32 wireLength = quint32(frame.size()) + missing;

    const PacketDecoder::Result result = PacketDecoder::decode(linkType, frame, wireLength);
    FUZZ_CHECK((result.outcome == PacketDecoder::Outcome::UnsupportedLink) == !PacketDecoder::supportsLinkType(linkType));
    if (result.outcome == PacketDecoder::Outcome::Cut)
        FUZZ_CHECK(missing > 0);
    if (result.outcome == PacketDecoder::Outcome::Malformed)
        FUZZ_CHECK(result.defect != PacketDecoder::Defect::None);
    if (result.outcome == PacketDecoder::Outcome::Datagram) {
        FUZZ_CHECK(result.datagram.payload.size() + 8 <= frame.size());
        FUZZ_CHECK(result.datagram.payload.isEmpty() || frame.contains(result.datagram.payload));
    }
    return 0;
}
