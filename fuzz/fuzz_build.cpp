// Whatever a user types into the send group, the message built from it is well formed OSC
// that both readers take apart without leaving it, and it carries the address as typed.
#include "FuzzCheck.h"
#include "osc/OscCodec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr size_t MaxFieldLength = 96;

QString typedText(FuzzedDataProvider &input)
{
    const std::string bytes = input.ConsumeRandomLengthString(MaxFieldLength);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QString addressAsSent(const QString &typed)
{
    const QString address = typed.trimmed();
    return address.startsWith(QLatin1Char('/')) ? address : QLatin1Char('/') + address;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString address = typedText(input);
    const QString tags = typedText(input);
    const QString values = typedText(input);

    const QByteArray message = OscCodec::buildOscMessage(address, tags, values);
    FUZZ_CHECK(message.size() % 4 == 0);

    // An exact-size heap copy, so a read one byte past the message is caught.
    std::vector<char> exact(message.cbegin(), message.cend());
    const QByteArray received = QByteArray::fromRawData(exact.data(), qsizetype(exact.size()));
    OscCodec::decodeOscToText(received);
    const OscCodec::OscFirstArgument first = OscCodec::readFirstArgument(received);

    const QString sent = addressAsSent(address);
    if (!sent.contains(QChar(0)))
        FUZZ_CHECK(first.address == sent);
    return 0;
}
