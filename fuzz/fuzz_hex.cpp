// The hexadecimal helpers behind the log's hex display and export: bytes survive a round
// trip through their text, and the three readers of hex text agree with each other.
#include "FuzzCheck.h"
#include "comm/CommunicationBase.h"

#include <cstdint>

namespace {

qsizetype digitCount(const QString &normalized)
{
    return normalized.size() - normalized.count(QLatin1Char(' '));
}

void checkRoundTrip(const QByteArray &bytes)
{
    const QString hex = CommunicationBase::toHexString(bytes);
    FUZZ_CHECK(hex.size() == (bytes.isEmpty() ? 0 : 3 * bytes.size() - 1));
    FUZZ_CHECK(CommunicationBase::hexStringToBytes(hex) == bytes);
    FUZZ_CHECK(CommunicationBase::normalizeHexString(hex) == hex);
    FUZZ_CHECK(CommunicationBase::isValidHexString(hex) == !bytes.isEmpty());
}

void checkReadersAgree(const QString &text)
{
    const QString normalized = CommunicationBase::normalizeHexString(text);
    const QByteArray bytes = CommunicationBase::hexStringToBytes(text);
    const qsizetype digits = digitCount(normalized);

    FUZZ_CHECK(CommunicationBase::normalizeHexString(normalized) == normalized);
    FUZZ_CHECK(CommunicationBase::hexStringToBytes(normalized) == bytes);
    FUZZ_CHECK(bytes.size() == (digits % 2 == 0 ? digits / 2 : 0));
    FUZZ_CHECK(CommunicationBase::isValidHexString(normalized) == (digits > 0 && digits % 2 == 0));
    if (CommunicationBase::isValidHexString(text)) {
        FUZZ_CHECK(!bytes.isEmpty());
        FUZZ_CHECK(CommunicationBase::toHexString(bytes) == normalized);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    checkRoundTrip(bytes);
    checkReadersAgree(QString::fromUtf8(bytes));
    checkReadersAgree(QString::fromLatin1(bytes));
    return 0;
}
