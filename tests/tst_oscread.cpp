// Reading what arrives: address patterns against addresses, and bundles walked and shown as rows.
#include "osc/BundleRows.h"
#include "osc/OscAddressPattern.h"
#include "osc/OscBundle.h"
#include "osc/OscCodec.h"
#include "osc/OscTextEncoding.h"

#include <QtEndian>
#include <QtTest>

namespace {

constexpr qint64 kSecondsFrom1900To1970 = 2208988800LL;

QByteArray be32(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

quint64 tagOf(const QDateTime &moment)
{
    const qint64 ms = moment.toMSecsSinceEpoch();
    return (quint64(ms / 1000 + kSecondsFrom1900To1970) << 32) | ((quint64(ms % 1000) << 32) / 1000);
}

// "#bundle\0" | time tag (8) | then each element: size (4) | its bytes.
QByteArray bundle(quint64 tag, const QList<QByteArray> &elements = {})
{
    QByteArray bytes("#bundle\0", 8);
    bytes.append(QByteArray(8, '\0'));
    qToBigEndian(tag, bytes.data() + 8);
    for (const QByteArray &element : elements)
        bytes += be32(qint32(element.size())) + element;
    return bytes;
}

// "/a\0\0" | ",i\0\0" | 00000001 : twelve bytes.
const QByteArray kMessage = OscCodec::buildOscMessage(QStringLiteral("/a"), QStringLiteral(",i"), QStringLiteral("1"));

// depth bundles, one inside the other, around kMessage.
QByteArray nested(int depth)
{
    return depth == 0 ? kMessage : bundle(OscBundle::Immediately, {nested(depth - 1)});
}

// "B1:36+32" is a bundle at depth 1 whose bytes are [36, 68).
QStringList summary(const OscBundle::Walk &walk)
{
    QStringList items;
    for (const OscBundle::Item &item : walk.items)
        items << QStringLiteral("%1%2:%3+%4").arg(item.kind == OscBundle::Item::Kind::Bundle ? 'B' : 'M')
                     .arg(item.depth).arg(item.offset).arg(item.size);
    return items;
}

QString english(const QString &, const QString &english) { return english; }

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
        auto row = [](const char *name, const char *pattern, const char *address, bool matches) {
            QTest::newRow(name) << QString::fromUtf8(pattern) << QString::fromUtf8(address) << matches;
        };
        row("plain", "/mix/vol", "/mix/vol", true);
        row("plain is case-sensitive", "/Mix/vol", "/mix/vol", false);
        row("star in a part", "/mix/*", "/mix/vol", true);
        row("star never takes a slash", "/mix/*", "/mix/a/b", false);
        row("star alone is one part", "/*", "/mix/vol", false);
        row("star backs up", "/*ab", "/aab", true);
        row("star before a set", "/*[0-9]x", "/a1b2x", true);
        row("question mark", "/mix/v?l", "/mix/vol", true);
        row("question mark takes one", "/mix/v?l", "/mix/vl", false);
        row("range", "/ch/[1-3]/vol", "/ch/2/vol", true);
        row("outside the range", "/ch/[1-3]/vol", "/ch/4/vol", false);
        row("negated range", "/ch/[!1-3]", "/ch/4", true);
        row("negated range refuses", "/ch/[!1-3]", "/ch/2", false);
        row("dash first is itself", "/a[-x]", "/a-", true);
        row("dash last is itself", "/a[x-]", "/a-", true);
        row("dash last is no range", "/a[x-]", "/aw", false);
        row("list", "/ch/{1,2}/vol", "/ch/2/vol", true);
        row("not in the list", "/ch/{1,2}/vol", "/ch/3/vol", false);
        row("list of different lengths", "/{foo,foobar}x", "/foobarx", true);
        row("star then list", "/*{a,b}", "/xxb", true);
        row("fewer parts", "/mix", "/mix/vol", false);
        row("unclosed set", "/ch/[1-3", "/ch/[1-3", false);
        row("unclosed list", "/ch/{1,2", "/ch/{1,2", false);
        row("list across a slash", "/{a/b,c}", "/a/b", false);
    }

    void pattern()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, address);
        QFETCH(bool, matches);
        QCOMPARE(OscAddressPattern::matches(pattern, address), matches);
    }

    // Offsets in the rows count from the datagram's first byte; a message element is 4 + 12 bytes.
    void walk_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<OscBundle::Stop>("stop");
        QTest::addColumn<qsizetype>("stopOffset");
        using S = OscBundle::Stop;
        QTest::newRow("nested") << bundle(7, {kMessage, bundle(9, {kMessage}), kMessage})
                                << QStringList{"B0:0+84", "M1:20+12", "B1:36+32", "M2:56+12", "M1:72+12"} << S::None
                                << qsizetype(-1);
        QTest::newRow("empty") << bundle(7) << QStringList{"B0:0+16"} << S::None << qsizetype(-1);
        QTest::newRow("no time tag") << QByteArray("#bundle\0\0\0\0\0", 12) << QStringList() << S::Truncated << qsizetype(8);
        // One whole message, then a second element that stops the walk at its size field, byte 32.
        auto afterOne = [](const char *name, const QByteArray &tail, OscBundle::Stop stop) {
            const QByteArray datagram = bundle(OscBundle::Immediately, {kMessage}) + tail;
            QTest::newRow(name) << datagram << QStringList{"B0:0+" + QString::number(datagram.size()), "M1:20+12"}
                                << stop << qsizetype(32);
        };
        afterOne("size cut short", QByteArray(2, '\0'), S::Truncated);
        afterOne("negative size", be32(-4) + kMessage, S::NegativeSize);
        afterOne("size not a multiple of 4", be32(6) + kMessage, S::UnalignedSize);
        afterOne("past the datagram", be32(16) + kMessage, S::PastEnd);
        // The inner bundle says it is 32 bytes; its element would end beyond them, though not beyond the datagram.
        QByteArray overhang = bundle(OscBundle::Immediately, {bundle(9, {kMessage}), kMessage});
        qToBigEndian(qint32(16), overhang.data() + 36);
        QTest::newRow("past its own bundle") << overhang << QStringList{"B0:0+68", "B1:20+32"} << S::PastEnd
                                             << qsizetype(36);
        QTest::newRow("inner bundle without time tag") << bundle(1, {QByteArray("#bundle\0", 8)}) << QStringList{"B0:0+28"}
                                                       << S::Truncated << qsizetype(28);
        QStringList deepest{"B0:0+" + QString::number(nested(17).size())};
        for (int depth = 1; depth <= OscBundle::MaxDepth; ++depth)
            deepest << QStringLiteral("B%1:%2+%3").arg(depth).arg(20 * depth).arg(nested(17 - depth).size());
        QTest::newRow("nested 16 deep") << nested(17) << (deepest << "M17:340+12") << S::None << qsizetype(-1);
        deepest.removeLast();
        deepest[0] = "B0:0+" + QString::number(nested(18).size());
        for (int depth = 1; depth <= OscBundle::MaxDepth; ++depth)
            deepest[depth] = QStringLiteral("B%1:%2+%3").arg(depth).arg(20 * depth).arg(nested(18 - depth).size());
        QTest::newRow("nested 17 deep") << nested(18) << deepest << S::TooDeep << qsizetype(340);
    }

    void walk()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QStringList, items);
        QFETCH(OscBundle::Stop, stop);
        QFETCH(qsizetype, stopOffset);
        const OscBundle::Walk walk = OscBundle::walk(datagram);
        QCOMPARE(summary(walk), items);
        QCOMPARE(walk.stop, stop);
        QCOMPARE(walk.stopOffset, stopOffset);
    }

    void rows_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QStringList>("lines");
        const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0, 0, 500));
        QTest::newRow("nested, today")
            << bundle(tagOf(noon), {kMessage, bundle(OscBundle::Immediately, {kMessage})})
            << QStringList{"#bundle 12:00:00.500 ▸ /a ,i 1", "#bundle immediately ▸▸ /a ,i 1"};
        QTest::newRow("empty, another day") << bundle(tagOf(noon.addDays(1)), {bundle(1)})
                                            << QStringList{"#bundle 2026-12-07 12:00:00.500 (empty)"};
        QTest::newRow("stopped") << bundle(1, {kMessage}) + be32(-4)
                                 << QStringList{"#bundle immediately ▸ /a ,i 1",
                                                "#bundle: stopped at byte 32 (negative element size)"};
    }

    void rows()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QStringList, lines);
        QStringList shown;
        for (const BundleRows::Row &row : BundleRows(english).rows(datagram, OscTextEncoding(), QDate(2026, 12, 6)))
            shown << row.line;
        QCOMPARE(shown, lines);
        QCOMPARE(OscBundle::timeTagToDateTime((quint64(kSecondsFrom1900To1970) << 32) | 0x80000000u).toMSecsSinceEpoch(), 500);
    }
};

QTEST_MAIN(tst_OscRead)
#include "tst_oscread.moc"
