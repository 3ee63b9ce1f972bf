// OSC over TCP: both framings decoded from byte fixtures cut anywhere, and the choice between them.
#include "osc/StreamDecoder.h"

#include <QtEndian>
#include <QtTest>

namespace {

using Choice = StreamDecoder::Choice;
using Framing = FramingDetector::Framing;
using Messages = QList<QByteArray>;

QByteArray be32(qint32 value)
{
    const qint32 bigEndian = qToBigEndian(value);
    return QByteArray(reinterpret_cast<const char *>(&bigEndian), sizeof bigEndian);
}

// "/a\0\0" | ",i\0\0" | 00000001, and a blob holding END and ESC.
const QByteArray kA("/a\0\0,i\0\0\0\0\0\x01", 12);
const QByteArray kEscapes("/e\0\0,b\0\0\0\0\0\x02\xC0\xDB\0\0", 16);
const QByteArray kMiB(MaxStreamMessageBytes, 'x');
const qint32 kMiBSize = qint32(MaxStreamMessageBytes);

// The stream whole and, when short, byte by byte and in two at every position.
QList<Messages> splitsOf(const QByteArray &stream)
{
    constexpr qsizetype splitAllUpTo = 64;
    if (stream.size() > splitAllUpTo)
        return {{stream}};
    QList<Messages> splits{{stream}, {}};
    for (qsizetype at = 0; at < stream.size(); ++at) {
        splits += Messages{stream.left(at + 1), stream.mid(at + 1)};
        splits[1] += stream.mid(at, 1);
    }
    return splits;
}

} // namespace

class tst_Framing : public QObject
{
    Q_OBJECT

private slots:
    void decodeStream_data()
    {
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<StreamFault>("fault");
        QTest::addColumn<qint64>("faultOffset");
        QTest::addColumn<qsizetype>("pending");
        const auto row = [](const char *name, Choice choice, const QByteArray &stream, const Messages &messages,
                            qsizetype pending = 0, StreamFault fault = StreamFault::None, qint64 offset = -1) {
            QTest::newRow(name) << choice << stream << messages << fault << offset << pending;
        };
        const QByteArray prefixedA = be32(12) + kA; // size | message
        row("length: two in one read", Choice::LengthPrefix, prefixedA + be32(16) + kEscapes, {kA, kEscapes});
        row("length: zero size skipped", Choice::LengthPrefix, be32(0) + prefixedA, {kA});
        row("length: half message", Choice::LengthPrefix, prefixedA + prefixedA.left(6), {kA}, 6);
        row("length: negative", Choice::LengthPrefix, prefixedA + be32(-4) + kA, {kA}, 0, StreamFault::NegativeLength, 16);
        row("length: 1 MiB", Choice::LengthPrefix, be32(kMiBSize) + kMiB, {kMiB});
        row("length: over 1 MiB", Choice::LengthPrefix, be32(kMiBSize + 1) + kMiB + "x", {}, 0, StreamFault::LengthOverLimit, 0);
        // END | message | END
        row("slip: double END", Choice::Slip, "\xC0" + kA + "\xC0\xC0" + kA + "\xC0", {kA, kA});
        row("slip: single END", Choice::Slip, kA + "\xC0" + kA + "\xC0", {kA, kA});
        row("slip: half message", Choice::Slip, "\xC0" + kA + "\xC0/a\xDB", {kA}, 3);
        row("slip: bad escape", Choice::Slip, "\xC0" + kA + "\xC0/\xDB" "a\xC0", {kA}, 0, StreamFault::BadEscape, 16);
        row("slip: ESC END", Choice::Slip, "/\xDB\xC0\xC0", {}, 0, StreamFault::BadEscape, 2);
        row("slip: 1 MiB", Choice::Slip, "\xC0" + kMiB + "\xC0", {kMiB});
        row("slip: over 1 MiB", Choice::Slip, kMiB + "x\xC0", {}, 0, StreamFault::FrameOverLimit, kMiBSize);
        row("slip: escape over 1 MiB", Choice::Slip, kMiB + "\xDB\xDC", {}, 0, StreamFault::FrameOverLimit, kMiBSize + 1);
        row("auto: length prefix", Choice::Auto, prefixedA + prefixedA, {kA, kA});
        row("auto: SLIP", Choice::Auto, SlipFramer::encode(kA) + SlipFramer::encode(kEscapes), {kA, kEscapes});
        row("auto: too short to tell", Choice::Auto, prefixedA.left(4), {}, 4);
        row("auto: raw OSC", Choice::Auto, kA, {}, 0, StreamFault::UnknownFraming, 0);
    }

    void decodeStream()
    {
        QFETCH(Choice, choice);
        QFETCH(QByteArray, stream);
        for (const Messages &pieces : splitsOf(stream)) {
            StreamDecoder decoder(choice);
            Messages messages;
            for (const QByteArray &piece : pieces)
                messages += decoder.feed(piece);
            QTEST(messages, "messages");
            QTEST(decoder.fault(), "fault");
            QTEST(decoder.faultOffset(), "faultOffset");
            QTEST(decoder.pendingBytes(), "pending");
        }
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
        QTest::newRow("1 MiB, bundle") << be32(kMiBSize) + "#" << Framing::LengthPrefix;
        QTest::newRow("raw message") << QByteArray("/") << Framing::Unknown;
        QTest::newRow("raw bundle") << QByteArray("#bundle") << Framing::Unknown;
        QTest::newRow("zero size") << be32(0) + "/" << Framing::Unknown;
        QTest::newRow("unaligned size") << be32(13) + "/" << Framing::Unknown;
        QTest::newRow("over 1 MiB") << be32(kMiBSize + 4) + "/" << Framing::Unknown;
        QTest::newRow("size, no packet") << be32(12) + "a" << Framing::Unknown;
    }

    void detect()
    {
        QFETCH(QByteArray, first);
        QTEST(FramingDetector::detect(first), "framing");
    }

    // Every prefix of a framed stream is undecided or right, and five bytes always decide; the
    // table above holds what begins neither framing.
    void detectNeverContradicts()
    {
        const QByteArray length = LengthPrefixFramer::encode(kA) + LengthPrefixFramer::encode(kEscapes);
        const QByteArray slip = SlipFramer::encode(kEscapes) + SlipFramer::encode(kA);
        for (qsizetype n = 0; n <= length.size(); ++n)
            QCOMPARE(FramingDetector::detect(length.left(n)),
                     n < FramingDetector::DecisionBytes ? Framing::Undecided : Framing::LengthPrefix);
        for (qsizetype n = 1; n <= slip.size(); ++n)
            QCOMPARE(FramingDetector::detect(slip.left(n)), Framing::Slip);
    }
};

QTEST_GUILESS_MAIN(tst_Framing)
#include "tst_framing.moc"
