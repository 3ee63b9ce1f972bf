// Any bytes may claim to be a bundle: walking them must stay inside the datagram, every item must
// lie inside the bundle that holds it, and the rows shown must account for every message.
#include "FuzzCheck.h"
#include "osc/BundleRows.h"
#include "osc/OscBundle.h"
#include "osc/OscTextEncoding.h"

#include <array>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Raw data, not a copy: no terminating NUL hides a read past the end from ASan.
    const QByteArray datagram =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    const OscBundle::Walk walk = OscBundle::walk(datagram);
    FUZZ_CHECK(walk.items.isEmpty() || OscBundle::isBundle(datagram));
    FUZZ_CHECK((walk.stop == OscBundle::Stop::None) == (walk.stopOffset == -1));
    FUZZ_CHECK(walk.stopOffset <= datagram.size());

    // The end of the latest bundle seen at each depth; messages sit one level below theirs.
    std::array<qsizetype, OscBundle::MaxDepth + 2> ends{};
    qsizetype messages = 0;
    for (const OscBundle::Item &item : walk.items) {
        FUZZ_CHECK(item.offset >= 0 && item.size >= 0 && item.offset + item.size <= datagram.size());
        FUZZ_CHECK(item.depth >= 0 && item.depth <= OscBundle::MaxDepth + 1);
        if (item.depth > 0)
            FUZZ_CHECK(item.offset + item.size <= ends[size_t(item.depth - 1)]);
        if (item.kind == OscBundle::Item::Kind::Bundle) {
            FUZZ_CHECK(item.depth <= OscBundle::MaxDepth);
            ends[size_t(item.depth)] = item.offset + item.size;
        } else {
            ++messages;
        }
    }

    const BundleRows rows([](const QString &, const QString &english) { return english; });
    const BundleRows::Rows shown = rows.rows(datagram, QString(), OscTextEncoding(), QDate::currentDate());
    const bool noteRow = walk.stop != OscBundle::Stop::None || (messages == 0 && !walk.items.isEmpty());
    FUZZ_CHECK(shown.messages.size() == messages);
    FUZZ_CHECK(shown.lines.size() == messages + (noteRow ? 1 : 0) && shown.addresses.size() == shown.lines.size());
    return 0;
}
