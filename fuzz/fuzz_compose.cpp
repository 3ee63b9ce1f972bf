// Whatever is typed into the send group, the composer either refuses it, with a reason it can
// word, or builds a message under the address and tags as sent that carries exactly the arguments
// its tags announce, no more and no fewer, in whole 4-byte items; as a bundle, that message is its
// one element; as raw bytes, the datagram is the typed hex.
#include "FuzzCheck.h"
#include "osc/MessageComposer.h"
#include "osc/OscBundle.h"
#include "osc/OscCodec.h"
#include "osc/OscTextEncoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QtEndian>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr size_t MaxFieldLength = 96;
constexpr qsizetype WordSize = 4;
constexpr qsizetype WideSize = 8;
const char *const Encodings[] = {"UTF-8", "ASCII", "GBK", "Unicode"};

QString typedText(const std::string &bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// Where the arguments end when walked by their tags, or -1 when a string has no terminator.
qsizetype argumentsEnd(const QByteArray &message, QStringView tags, qsizetype position)
{
    for (const QChar tag : tags.mid(1)) {
        if (QStringView(u"ifcrm").contains(tag)) {
            position += WordSize;
        } else if (QStringView(u"hdt").contains(tag)) {
            position += WideSize;
        } else if (tag == u'b') {
            const qsizetype size = qFromBigEndian<qint32>(message.constData() + position);
            position += WordSize + ((size + WordSize - 1) & ~(WordSize - 1));
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
    MessageComposer::Request request;
    request.raw = input.ConsumeBool();
    request.bundle = input.ConsumeBool();
    if (input.ConsumeBool())
        request.bundleDelayMs = input.ConsumeIntegral<qint32>();
    request.address = typedText(input.ConsumeRandomLengthString(MaxFieldLength));
    request.tags = typedText(input.ConsumeRandomLengthString(MaxFieldLength));
    request.values = typedText(input.ConsumeRemainingBytesAsString());

    const MessageComposer::Composed composed =
        MessageComposer::compose(request, strings, QDateTime::currentDateTimeUtc());
    if (composed.refusal) {
        FUZZ_CHECK(composed.datagram.isEmpty());
        FUZZ_CHECK(!ValueChecker::reason(*composed.refusal).english.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!composed.logText.isEmpty());
    if (request.raw) {
        FUZZ_CHECK(composed.datagram == MessageComposer::hexBytes(request.values));
        return 0;
    }
    QByteArray message = composed.datagram;
    if (request.bundle) {
        const OscBundle::Walk walk = OscBundle::walk(composed.datagram);
        FUZZ_CHECK(walk.stop == OscBundle::Stop::None && walk.items.size() == 2);
        message = composed.datagram.mid(walk.items.at(1).offset);
        FUZZ_CHECK(message.size() == walk.items.at(1).size);
    }
    QByteArray head;
    OscCodec::appendOscString(head, OscCodec::sentAddress(request.address).toUtf8());
    OscCodec::appendOscString(head, OscCodec::sentTypeTags(request.tags).toUtf8());
    FUZZ_CHECK(message.startsWith(head));
    FUZZ_CHECK(argumentsEnd(message, OscCodec::sentTypeTags(request.tags), head.size()) == message.size());

    // An exact-size heap copy, so a read one byte past the message is caught.
    std::vector<char> exact(message.cbegin(), message.cend());
    OscCodec::decodeOscToText(QByteArray::fromRawData(exact.data(), qsizetype(exact.size())), strings);
    return 0;
}
