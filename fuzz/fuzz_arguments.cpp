// Any bytes at all may be a message: reading it exactly must stay inside it, and every argument
// read must lie within the message, one after another.
#include "FuzzCheck.h"
#include "osc/OscArguments.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Raw data, not a copy: no terminating NUL hides a read past the end from ASan.
    const QByteArray message = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const OscArguments::Message read = OscArguments::read(message, OscTextEncoding());

    qsizetype end = 0;
    for (const OscArguments::Argument &argument : read.arguments) {
        FUZZ_CHECK(argument.offset >= end && argument.size >= 0);
        FUZZ_CHECK(argument.offset + argument.size <= message.size());
        FUZZ_CHECK(!argument.text.isEmpty() || argument.tag == 't');
        end = argument.offset + argument.size;
    }
    FUZZ_CHECK(read.arguments.size() <= qMax<qsizetype>(read.typeTags.size() - 1, 0));
    OscArguments::valuesText(read);
    return 0;
}
