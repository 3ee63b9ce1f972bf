// Any bytes at all may arrive on the bound port: rendering them and reading their first
// argument must stay inside the datagram and give a consistent result.
#include "FuzzCheck.h"
#include "osc/OscCodec.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Raw data, not a copy: no terminating NUL hides a read past the end from ASan.
    const QByteArray datagram =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString text = OscCodec::decodeOscToText(datagram);
    const OscCodec::OscFirstArgument first = OscCodec::readFirstArgument(datagram);

    if (first.kind != OscCodec::ArgumentKind::None)
        FUZZ_CHECK(!first.address.isEmpty());
    if (first.kind == OscCodec::ArgumentKind::Text)
        FUZZ_CHECK(!first.text.isEmpty());
    if (!first.address.isEmpty())
        FUZZ_CHECK(text.contains(first.address.trimmed()));
    return 0;
}
