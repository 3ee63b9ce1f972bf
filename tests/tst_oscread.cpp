// Reading what arrives: address patterns against addresses, and bundles walked and shown as rows.
#include "osc/BundleRows.h"
#include "osc/OscAddressPattern.h"
#include "osc/OscCodec.h"
#include "osc/OscTextEncoding.h"

#include <QtEndian>
#include <QtTest>

namespace {

const char *const kStops[] = {"", "truncated", "negative", "unaligned", "past end", "too deep"};
constexpr quint64 kUnixEpoch = 2208988800ULL << 32;

QByteArray be32(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// "#bundle\0" | time tag (8) | then each element: its size (4) | its bytes.
QByteArray bundle(quint64 tag, const QList<QByteArray> &elements = {})
{
    QByteArray bytes = QByteArray("#bundle\0", 8) + be32(qint32(tag >> 32)) + be32(qint32(tag));
    for (const QByteArray &element : elements)
        bytes += be32(qint32(element.size())) + element;
    return bytes;
}

// "/a\0\0" | ",i\0\0" | 00000001 : twelve bytes.
const QByteArray kMessage = OscCodec::buildOscMessage(QStringLiteral("/a"), QStringLiteral(",i"), QStringLiteral("1"));

} // namespace

class tst_OscRead : public QObject
{
    Q_OBJECT

private slots:
    void pattern_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("matches");
        const struct { const char *pattern, *address; bool matches; } rows[] = {
            {"/mix/*", "/mix/vol", true},          {"/mix/*", "/mix/a/b", false},
            {"/*ab", "/aab", true},                {"/*[0-9]x", "/a1b2x", true},
            {"/mix/v?l", "/mix/vol", true},        {"/mix/v?l", "/mix/vl", false},
            {"/ch/[1-3]/vol", "/ch/2/vol", true},  {"/ch/[1-3]/vol", "/ch/4/vol", false},
            {"/ch/[!1-3]", "/ch/4", true},         {"/ch/[!1-3]", "/ch/2", false},
            {"/a[-x]", "/a-", true},               {"/a[x-]", "/a-", true},
            {"/ch/{1,2}/vol", "/ch/2/vol", true},  {"/ch/{1,2}/vol", "/ch/3/vol", false},
            {"/{foo,foobar}x", "/foobarx", true},  {"/*{a,b}", "/xxb", true},
            {"/mix", "/mix/vol", false},
            // Malformed: a set or list left open, or closed only past a separator.
            {"/ch/[1-3", "/ch/[1-3", false},       {"/ch/{1,2", "/ch/{1,2", false},
            {"/{a/b,c}", "/a/b", false},
        };
        for (const auto &row : rows)
            QTest::addRow("%s %s", row.pattern, row.address) << row.pattern << row.address << row.matches;
    }

    void pattern()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, address);
        QFETCH(bool, matches);
        QCOMPARE(OscAddressPattern::matches(pattern, address), matches);
    }

    // Each item as kind, depth, offset and size: "B1:36+32" is a bundle at depth 1 filling bytes [36, 68).
    void walk_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("walked");
        const QByteArray one = bundle(1, {kMessage});
        QByteArray overhang = bundle(1, {bundle(9, {kMessage}), kMessage});
        qToBigEndian(qint32(16), overhang.data() + 36); // past its own bundle's end, not the datagram's
        // The first 17 bundles of a chain, each 20 bytes (size field and header) inside the last.
        auto chain = [](int size) {
            QString items = QStringLiteral("B0:0+%1").arg(size);
            for (int depth = 1; depth <= OscBundle::MaxDepth; ++depth)
                items += QStringLiteral(" B%1:%2+%3").arg(depth).arg(20 * depth).arg(size - 20 * depth);
            return items;
        };
        QTest::newRow("nested") << bundle(7, {kMessage, bundle(9, {kMessage}), kMessage})
                                << "B0:0+84 M1:20+12 B1:36+32 M2:56+12 M1:72+12";
        QTest::newRow("empty") << bundle(7) << "B0:0+16";
        QTest::newRow("no time tag") << QByteArray("#bundle\0\0\0\0\0", 12) << "truncated at 8";
        QTest::newRow("size cut short") << one + QByteArray(2, '\0') << "B0:0+34 M1:20+12 truncated at 32";
        QTest::newRow("negative size") << one + be32(-4) + kMessage << "B0:0+48 M1:20+12 negative at 32";
        QTest::newRow("size not a multiple of 4") << one + be32(6) + kMessage << "B0:0+48 M1:20+12 unaligned at 32";
        QTest::newRow("past the datagram") << one + be32(16) + kMessage << "B0:0+48 M1:20+12 past end at 32";
        QTest::newRow("past its own bundle") << overhang << "B0:0+68 B1:20+32 past end at 36";
        QTest::newRow("inner bundle without time tag") << bundle(1, {QByteArray("#bundle\0", 8)}) << "B0:0+28 truncated at 28";
        QByteArray deep = kMessage;
        for (int level = 0; level <= OscBundle::MaxDepth; ++level)
            deep = bundle(1, {deep});
        QTest::newRow("16 deep") << deep << chain(352) + " M17:340+12";
        QTest::newRow("17 deep") << bundle(1, {deep}) << chain(372) + " too deep at 340";
    }

    void walk()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, walked);
        const OscBundle::Walk walk = OscBundle::walk(datagram);
        QStringList items;
        for (const OscBundle::Item &item : walk.items)
            items << QStringLiteral("%1%2:%3+%4").arg(item.kind == OscBundle::Item::Kind::Bundle ? 'B' : 'M')
                         .arg(item.depth).arg(item.offset).arg(item.size);
        if (walk.stop != OscBundle::Stop::None)
            items << QStringLiteral("%1 at %2").arg(kStops[int(walk.stop)]).arg(walk.stopOffset);
        QCOMPARE(items.join(QLatin1Char(' ')), walked);
    }

    void rows()
    {
        const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0, 0, 500));
        const quint64 tag = kUnixEpoch + (quint64(noon.toSecsSinceEpoch()) << 32) + 0x80000000u;
        const BundleRows english([](const QString &, const QString &english) { return english; });
        auto shown = [&](const QByteArray &datagram, const QDate &today) {
            return english.rows(datagram, QStringLiteral("> "), OscTextEncoding(), today).lines;
        };
        QCOMPARE(shown(bundle(tag, {kMessage, bundle(1, {kMessage})}) + be32(-4), noon.date()),
                 QStringList({"> #bundle 12:00:00.500 ▸ /a ,i 1", "> #bundle immediately ▸▸ /a ,i 1",
                              "> #bundle: stopped at byte 68 (negative element size)"}));
        QCOMPARE(shown(bundle(tag, {bundle(1)}), noon.date().addDays(-1)),
                 QStringList("> #bundle 2026-12-06 12:00:00.500 (empty)"));
    }
};

QTEST_MAIN(tst_OscRead)
#include "tst_oscread.moc"
