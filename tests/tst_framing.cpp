// OSC over TCP: the length-prefix and SLIP framings, decoded from byte fixtures in any split,
// and the choice between them from a connection's first bytes.
#include "osc/FramingDetector.h"
#include "osc/LengthPrefixFramer.h"
#include "osc/SlipFramer.h"
#include "osc/StreamDecoder.h"

#include <QtEndian>
#include <QtTest>

Q_DECLARE_METATYPE(StreamFault)
Q_DECLARE_METATYPE(FramingDetector::Framing)

namespace {

using Framing = FramingDetector::Framing;
using Messages = QList<QByteArray>;

struct Outcome
{
    Messages messages;
    StreamFault fault;
    qint64 faultOffset;
    qsizetype pending;
};

QByteArray be32(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

template <typename Framer>
Outcome decodeWith(const Messages &pieces)
{
    Framer framer;
    Messages messages;
    for (const QByteArray &piece : pieces)
        messages += framer.feed(piece);
    return {messages, framer.fault(), framer.faultOffset(), framer.pendingBytes()};
}

Outcome decode(bool slip, const Messages &pieces)
{
    return slip ? decodeWith<SlipFramer>(pieces) : decodeWith<LengthPrefixFramer>(pieces);
}

// "/a\0\0" | ",i\0\0" | 00000001, and a blob holding END and ESC.
const QByteArray kA("/a\0\0,i\0\0\0\0\0\x01", 12);
const QByteArray kEscapes("/e\0\0,b\0\0\0\0\0\x02\xC0\xDB\0\0", 16);
const QByteArray kMiB(MaxStreamMessageBytes, 'x');
constexpr qsizetype kSplitAll = 64; // streams up to this size are also split at every byte

// The stream whole and, when short, byte by byte and in two at every position.
QList<Messages> splitsOf(const QByteArray &stream)
{
    QList<Messages> splits{{stream}};
    if (stream.size() > kSplitAll)
        return splits;
    for (qsizetype at = 1; at < stream.size(); ++at)
        splits += Messages{stream.left(at), stream.mid(at)};
    splits += Messages{};
    for (const char byte : stream)
        splits.last() += QByteArray(1, byte);
    return splits;
}

} // namespace

class tst_Framing : public QObject
{
    Q_OBJECT

private slots:
    void decodeStream_data()
    {
        QTest::addColumn<bool>("slip");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<StreamFault>("fault");
        QTest::addColumn<qint64>("faultOffset");
        QTest::addColumn<qsizetype>("pending");
        const StreamFault none = StreamFault::None;
        const qsizetype mib = MaxStreamMessageBytes;
        const QByteArray prefixedA = be32(12) + kA; // size | message
        QTest::newRow("length: two in one read") << false << prefixedA + be32(16) + kEscapes << Messages{kA, kEscapes} << none << -1LL << qsizetype(0);
        QTest::newRow("length: zero size skipped") << false << be32(0) + prefixedA << Messages{kA} << none << -1LL << qsizetype(0);
        QTest::newRow("length: half message") << false << prefixedA + prefixedA.left(6) << Messages{kA} << none << -1LL << qsizetype(6);
        QTest::newRow("length: negative") << false << prefixedA + be32(-4) + kA << Messages{kA} << StreamFault::NegativeLength << 16LL << qsizetype(0);
        QTest::newRow("length: 1 MiB") << false << be32(qint32(mib)) + kMiB << Messages{kMiB} << none << -1LL << qsizetype(0);
        QTest::newRow("length: over 1 MiB") << false << be32(qint32(mib + 1)) + kMiB + "x" << Messages{} << StreamFault::LengthOverLimit << 0LL << qsizetype(0);
        // END | message | END
        QTest::newRow("slip: double END") << true << "\xC0" + kA + "\xC0\xC0" + kA + "\xC0" << Messages{kA, kA} << none << -1LL << qsizetype(0);
        QTest::newRow("slip: single END") << true << kA + "\xC0" + kA + "\xC0" << Messages{kA, kA} << none << -1LL << qsizetype(0);
        QTest::newRow("slip: escapes") << true << QByteArray("\xC0/e\0\0,b\0\0\0\0\0\x02\xDB\xDC\xDB\xDD\0\0\xC0", 20) << Messages{kEscapes} << none << -1LL << qsizetype(0);
        QTest::newRow("slip: half message") << true << "\xC0" + kA + "\xC0/a\xDB" << Messages{kA} << none << -1LL << qsizetype(3);
        QTest::newRow("slip: bad escape") << true << "\xC0" + kA + "\xC0/\xDB" "a\xC0" << Messages{kA} << StreamFault::BadEscape << 16LL << qsizetype(0);
        QTest::newRow("slip: ESC END") << true << QByteArray("/\xDB\xC0\xC0") << Messages{} << StreamFault::BadEscape << 2LL << qsizetype(0);
        QTest::newRow("slip: 1 MiB") << true << "\xC0" + kMiB + "\xC0" << Messages{kMiB} << none << -1LL << qsizetype(0);
        QTest::newRow("slip: over 1 MiB") << true << kMiB + "x\xC0" << Messages{} << StreamFault::FrameOverLimit << qint64(mib) << qsizetype(0);
        QTest::newRow("slip: escape over 1 MiB") << true << kMiB + "\xDB\xDC" << Messages{} << StreamFault::FrameOverLimit << qint64(mib + 1) << qsizetype(0);
    }

    void decodeStream()
    {
        QFETCH(bool, slip);
        QFETCH(QByteArray, stream);
        QFETCH(Messages, messages);
        QFETCH(StreamFault, fault);
        QFETCH(qint64, faultOffset);
        QFETCH(qsizetype, pending);
        for (const Messages &pieces : splitsOf(stream)) {
            const Outcome got = decode(slip, pieces);
            QCOMPARE(got.messages, messages);
            QCOMPARE(got.fault, fault);
            QCOMPARE(got.faultOffset, faultOffset);
            QCOMPARE(got.pending, pending);
        }
    }

    void autoDecode_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<Framing>("framing");
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<qsizetype>("pending");
        const QByteArray prefixedA = LengthPrefixFramer::encode(kA);
        QTest::newRow("length prefix") << prefixedA + prefixedA << Framing::LengthPrefix << Messages{kA, kA} << qsizetype(0);
        QTest::newRow("SLIP") << SlipFramer::encode(kA) + SlipFramer::encode(kEscapes) << Framing::Slip << Messages{kA, kEscapes} << qsizetype(0);
        QTest::newRow("too short to tell") << prefixedA.left(4) << Framing::Undecided << Messages{} << qsizetype(4);
        QTest::newRow("raw OSC") << kA << Framing::Unknown << Messages{} << qsizetype(0);
    }

    void autoDecode()
    {
        QFETCH(QByteArray, stream);
        QFETCH(Framing, framing);
        for (const Messages &pieces : splitsOf(stream)) {
            StreamDecoder decoder(StreamDecoder::Choice::Auto);
            Messages messages;
            for (const QByteArray &piece : pieces)
                messages += decoder.feed(piece);
            QTEST(messages, "messages");
            QCOMPARE(decoder.framing(), framing);
            QTEST(decoder.pendingBytes(), "pending");
            QCOMPARE(decoder.fault(), framing == Framing::Unknown ? StreamFault::UnknownFraming : StreamFault::None);
        }
        // A chosen framing is used from the first byte, even where Auto would refuse the stream.
        QCOMPARE(StreamDecoder(StreamDecoder::Choice::Slip).feed(kA + "\xC0"), Messages{kA});
        QCOMPARE(StreamDecoder(StreamDecoder::Choice::LengthPrefix).feed(be32(0) + be32(12) + kA), Messages{kA});
    }

    void encode()
    {
        QCOMPARE(LengthPrefixFramer::encode(kA), be32(12) + kA);
        QCOMPARE(SlipFramer::encode(kEscapes), QByteArray("\xC0/e\0\0,b\0\0\0\0\0\x02\xDB\xDC\xDB\xDD\0\0\xC0", 20));
    }

    void detect_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<Framing>("framing");
        QTest::newRow("nothing yet") << QByteArray() << Framing::Undecided;
        QTest::newRow("END") << QByteArray("\xC0") << Framing::Slip;
        QTest::newRow("size begun") << QByteArray("\0\0\0", 3) << Framing::Undecided;
        QTest::newRow("size, no packet yet") << be32(12) << Framing::Undecided;
        QTest::newRow("size, message") << be32(12) + "/" << Framing::LengthPrefix;
        QTest::newRow("1 MiB, bundle") << be32(qint32(MaxStreamMessageBytes)) + "#" << Framing::LengthPrefix;
        QTest::newRow("raw message") << QByteArray("/") << Framing::Unknown;
        QTest::newRow("raw bundle") << QByteArray("#bundle") << Framing::Unknown;
        QTest::newRow("high byte set") << QByteArray("\x01") << Framing::Unknown;
        QTest::newRow("zero size") << be32(0) + "/" << Framing::Unknown;
        QTest::newRow("unaligned size") << be32(13) + "/" << Framing::Unknown;
        QTest::newRow("over 1 MiB") << be32(qint32(MaxStreamMessageBytes) + 4) + "/" << Framing::Unknown;
        QTest::newRow("size, no packet") << be32(12) + "a" << Framing::Unknown;
    }

    void detect()
    {
        QFETCH(QByteArray, first);
        QTEST(FramingDetector::detect(first), "framing");
    }

    // Every prefix of a framed stream is undecided or right, and five bytes always decide.
    void detectNeverContradicts()
    {
        const QByteArray bundle = QByteArray("#bundle\0", 8) + be32(0) + be32(1) + be32(12) + kA;
        for (const QByteArray &packet : {kA, kEscapes, bundle}) {
            const QByteArray length = LengthPrefixFramer::encode(packet) + LengthPrefixFramer::encode(kA);
            const QByteArray slip = SlipFramer::encode(packet) + SlipFramer::encode(kA);
            for (qsizetype n = 0; n <= length.size(); ++n) {
                const Framing expected = n < FramingDetector::DecisionBytes ? Framing::Undecided : Framing::LengthPrefix;
                QCOMPARE(FramingDetector::detect(length.left(n)), expected);
            }
            for (qsizetype n = 1; n <= slip.size(); ++n)
                QCOMPARE(FramingDetector::detect(slip.left(n)), Framing::Slip);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Framing)
#include "tst_framing.moc"
