// Whatever is typed into the send group, the value checker either refuses it, with a reason it
// can word, or builds a message under the address and tags as sent that carries exactly the
// arguments its tags announce, no more and no fewer, in whole 4-byte items.
#include "FuzzCheck.h"
#include "osc/OscCodec.h"
#include "osc/OscTextEncoding.h"
#include "osc/ValueChecker.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr size_t MaxFieldLength = 96;
constexpr qsizetype WordSize = 4;
const char *const Encodings[] = {"UTF-8", "ASCII", "GBK", "Unicode"};

QString typedText(const std::string &bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// Where the arguments end when walked by their tags, or -1 when a string has no terminator.
qsizetype argumentsEnd(const QByteArray &message, QStringView tags, qsizetype position)
{
    for (const QChar tag : tags.mid(1)) {
        if (tag == u'i' || tag == u'f') {
            position += WordSize;
        } else if (tag == u's' || tag == u'S') {
            const qsizetype nul = message.indexOf('\0', position);
            if (nul < 0)
                return -1;
            position = (nul + WordSize) & ~(WordSize - 1);
        }
    }
    return position;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const OscTextEncoding strings(QString::fromLatin1(input.PickValueInArray(Encodings)));
    const QString address = typedText(input.ConsumeRandomLengthString(MaxFieldLength));
    const QString tags = typedText(input.ConsumeRandomLengthString(MaxFieldLength));
    const QString values = typedText(input.ConsumeRemainingBytesAsString());

    const ValueChecker::Checked checked = ValueChecker::check(address, tags, values, strings);
    if (checked.refusal) {
        FUZZ_CHECK(checked.datagram.isEmpty());
        FUZZ_CHECK(!ValueChecker::reason(*checked.refusal).english.isEmpty());
        return 0;
    }
    QByteArray head;
    OscCodec::appendOscString(head, OscCodec::sentAddress(address).toUtf8());
    OscCodec::appendOscString(head, OscCodec::sentTypeTags(tags).toUtf8());
    FUZZ_CHECK(checked.datagram.startsWith(head));
    FUZZ_CHECK(argumentsEnd(checked.datagram, OscCodec::sentTypeTags(tags), head.size()) == checked.datagram.size());

    // An exact-size heap copy, so a read one byte past the message is caught.
    std::vector<char> exact(checked.datagram.cbegin(), checked.datagram.cend());
    OscCodec::decodeOscToText(QByteArray::fromRawData(exact.data(), qsizetype(exact.size())), strings);
    return 0;
}
