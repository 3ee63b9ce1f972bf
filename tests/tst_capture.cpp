// Capture files: what the writer records is what tcpdump reads, what tcpdump and other tools
// write is what the reader returns, and broken files say which packet broke them. Replay keeps the
// order and never runs ahead of the scaled spacing.
#include "capture/CaptureReader.h"
#include "capture/CaptureWriter.h"
#include "capture/ReplayDialog.h"
#include "capture/ReplaySchedule.h"
#include "capture/Replayer.h"
#include "i18n/LanguageManager.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>

#include <pcap/pcap.h>

#include <csignal>
#include <sys/resource.h>

namespace {

constexpr qint64 BaseUsec = 1700000000123456;
constexpr int PcapFileHeaderBytes = 24;
constexpr int PcapRecordHeaderBytes = 16;
const QHostAddress Ipv4A(QStringLiteral("10.0.0.1"));
const QHostAddress Ipv4B(QStringLiteral("10.0.0.2"));
const QHostAddress Ipv6A(QStringLiteral("fe80::1"));
const QHostAddress Ipv6B(QStringLiteral("fe80::2"));

struct Frame
{
    QByteArray bytes;
    quint32 wireLength = 0;   // 0: as captured
};

// A capture file written by libpcap itself, one frame per record, 1 ms apart.
void writePcap(const QString &fileName, int linkType, const QList<Frame> &frames)
{
    pcap_t *pcap = pcap_open_dead(linkType, CaptureWriter::SnapshotLength);
    pcap_dumper_t *dumper = pcap_dump_open(pcap, QFile::encodeName(fileName).constData());
    QVERIFY(dumper);
    for (int i = 0; i < frames.size(); ++i) {
        pcap_pkthdr header = {};
        header.ts.tv_sec = BaseUsec / 1000000;
        header.ts.tv_usec = BaseUsec % 1000000 + i * 1000;
        header.caplen = bpf_u_int32(frames[i].bytes.size());
        header.len = frames[i].wireLength ? frames[i].wireLength : header.caplen;
        pcap_dump(reinterpret_cast<u_char *>(dumper), &header, reinterpret_cast<const u_char *>(frames[i].bytes.constData()));
    }
    pcap_dump_close(dumper);
    pcap_close(pcap);
}

QByteArray udp(const QHostAddress &from, const QHostAddress &to, const QByteArray &payload)
{
    return CaptureWriter::buildPacket(from, 1000, to, 2000, payload);
}

// pcapng: a section header, then interface descriptions and enhanced packets, all little-endian.
QByteArray pcapngBlock(quint32 type, const QByteArray &body)
{
    QByteArray padded = body;
    padded.append((4 - body.size() % 4) % 4, '\0');
    const quint32 total = quint32(padded.size() + 12);
    QByteArray block(4, '\0');
    qToLittleEndian(type, block.data());
    block.append(reinterpret_cast<const char *>(&total), 4).append(padded).append(reinterpret_cast<const char *>(&total), 4);
    return block;
}

QByteArray littleEndianWords(std::initializer_list<quint32> words)
{
    QByteArray bytes;
    for (quint32 word : words)
        bytes.append(reinterpret_cast<const char *>(&word), 4);
    return bytes;
}

QByteArray pcapng(const QList<int> &linkTypes, const QList<QByteArray> &packets, int secondInterfaceAfter)
{
    QByteArray file = pcapngBlock(0x0A0D0D0A, littleEndianWords({0x1A2B3C4D, 1, 0xFFFFFFFF, 0xFFFFFFFF}));
    file += pcapngBlock(1, littleEndianWords({quint32(linkTypes[0]), 65535}));
    for (int i = 0; i < packets.size(); ++i) {
        if (i == secondInterfaceAfter)
            file += pcapngBlock(1, littleEndianWords({quint32(linkTypes[1]), 65535}));
        const quint64 usec = BaseUsec + i * 1000;
        file += pcapngBlock(6, littleEndianWords({0, quint32(usec >> 32), quint32(usec), quint32(packets[i].size()),
                                                  quint32(packets[i].size())}) + packets[i]);
    }
    return file;
}

QString tcpdumpRead(const QString &fileName, const QStringList &options)
{
    QProcess tcpdump;
    tcpdump.start(QStringLiteral("tcpdump"), QStringList{QStringLiteral("-r"), fileName} + options);
    tcpdump.waitForFinished();
    return QString::fromLocal8Bit(tcpdump.readAllStandardOutput());
}

// Extension headers (hex) put between an IPv6 header and what it carries; first names the first.
QByteArray withIpv6Headers(const QByteArray &packet, quint8 first, const char *headers)
{
    const QByteArray inserted = QByteArray::fromHex(headers);
    QByteArray extended = packet.left(40) + inserted + packet.mid(40);
    extended[6] = char(first);
    qToBigEndian(quint16(packet.size() - 40 + inserted.size()), extended.data() + 4);
    return extended;
}

bool hasTcpdump()
{
    return !QStandardPaths::findExecutable(QStringLiteral("tcpdump")).isEmpty();
}

// Every field of each datagram on one line, so a single comparison covers them all.
QStringList described(const QList<CapturedDatagram> &datagrams)
{
    QStringList lines;
    for (const CapturedDatagram &d : datagrams)
        lines << QStringLiteral("%1 %2.%3 > %4.%5 %6").arg(d.usecSinceEpoch).arg(d.source.toString()).arg(d.sourcePort)
                     .arg(d.destination.toString()).arg(d.destinationPort).arg(QString::fromLatin1(d.payload.toHex()));
    return lines;
}

QList<QByteArray> payloads(const QList<CapturedDatagram> &datagrams)
{
    QList<QByteArray> result;
    for (const CapturedDatagram &datagram : datagrams)
        result.append(datagram.payload);
    return result;
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        LanguageManager::instance().setLanguage(1);
    }

    void recordedTrafficReadsBackWithTcpdump()
    {
        if (!hasTcpdump())
            QSKIP("tcpdump is missing: scripts/bootstrap installs it");
        CaptureWriter writer;
        QVERIFY2(writer.open(path(QStringLiteral("traffic.pcap"))), qPrintable(writer.errorString()));
        QStringList expected;
        qint64 usec = BaseUsec;
        for (const QHostAddress &loopback : {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)}) {
            QUdpSocket sender;
            QUdpSocket receiver;
            QVERIFY(sender.bind(loopback, 0) && receiver.bind(loopback, 0));
            for (const QByteArray &payload : {QByteArray("/a\0\0,\0\0\0", 8), QByteArray(1200, 'x'), QByteArray(3, 'y')}) {
                sender.writeDatagram(payload, loopback, receiver.localPort());
                QTRY_VERIFY(receiver.hasPendingDatagrams());
                const QNetworkDatagram datagram = receiver.receiveDatagram();
                writer.write(usec, datagram.senderAddress(), quint16(datagram.senderPort()), loopback, receiver.localPort(), datagram.data());
                const QString family = loopback.protocol() == QAbstractSocket::IPv4Protocol ? QStringLiteral("IP") : QStringLiteral("IP6");
                expected << QStringLiteral("%1.%2 %3 %4.%5 > %4.%6: UDP, length %7")
                                .arg(usec / 1000000).arg(usec % 1000000, 6, 10, QLatin1Char('0')).arg(family, loopback.toString())
                                .arg(sender.localPort()).arg(receiver.localPort()).arg(payload.size());
                usec += 250000;
            }
        }
        // Mixed families are both written as IPv6; an IPv4-mapped address as IPv4.
        writer.write(usec, QHostAddress(QStringLiteral("127.0.0.1")), 9000, QHostAddress(QStringLiteral("::1")), 9001, "m");
        writer.write(usec, QHostAddress(QStringLiteral("::ffff:127.0.0.1")), 9002, QHostAddress(QStringLiteral("127.0.0.2")), 9003, "v4");
        expected << QStringLiteral("%1.%2 IP6 ::ffff:127.0.0.1.9000 > ::1.9001: UDP, length 1").arg(usec / 1000000).arg(usec % 1000000, 6, 10, QLatin1Char('0'))
                 << QStringLiteral("%1.%2 IP 127.0.0.1.9002 > 127.0.0.2.9003: UDP, length 2").arg(usec / 1000000).arg(usec % 1000000, 6, 10, QLatin1Char('0'));
        writer.close();

        const QString read = tcpdumpRead(writer.fileName(), {QStringLiteral("-nn"), QStringLiteral("-tt")});
        QCOMPARE(read.trimmed().split(u'\n'), expected);
        // -vv checks the IPv4 header checksum and every UDP checksum.
        const QString verbose = tcpdumpRead(writer.fileName(), {QStringLiteral("-nn"), QStringLiteral("-vv")});
        QVERIFY2(!verbose.contains(QLatin1String("bad")), qPrintable(verbose));
        QCOMPARE(verbose.count(QLatin1String("udp sum ok")), 8);
    }

    // A file-size limit makes the disk "fill" in the middle of a record.
    void writeFailureStopsOnceAndKeepsWholeRecords()
    {
        const QByteArray payload(100, 'p');
        const int recordBytes = PcapRecordHeaderBytes + udp(Ipv4A, Ipv4B, payload).size();
        CaptureWriter writer;
        QSignalSpy failed(&writer, &CaptureWriter::failed);
        QVERIFY(writer.open(path(QStringLiteral("full.pcap"))));

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved = {};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = PcapFileHeaderBytes + 2 * recordBytes + recordBytes / 2;
        setrlimit(RLIMIT_FSIZE, &limited);
        for (int i = 0; i < 5; ++i)
            writer.write(BaseUsec + i, Ipv4A, 1000, Ipv4B, 2000, payload);
        const bool flushed = writer.flush();
        writer.write(BaseUsec, Ipv4A, 1000, Ipv4B, 2000, payload);
        setrlimit(RLIMIT_FSIZE, &saved);

        QVERIFY(!flushed);
        QCOMPARE(failed.count(), 1);
        QVERIFY(!writer.isOpen());
        QCOMPARE(QFileInfo(writer.fileName()).size(), PcapFileHeaderBytes + 2 * recordBytes);
    }

    void readerTakesBackWhatWasWritten()
    {
        CaptureWriter writer;
        QVERIFY(writer.open(path(QStringLiteral("round.pcap"))));
        writer.write(BaseUsec, Ipv4A, 1111, Ipv4B, 2000, "first");
        writer.write(BaseUsec + 7, Ipv6A, 2222, Ipv6B, 3000, "second");
        writer.write(BaseUsec + 9, Ipv4A, 3333, Ipv6B, 2000, QByteArray());

        // Flushed by its timer while still open.
        CaptureReader reader;
        QTRY_VERIFY(reader.read(writer.fileName()) && reader.datagrams().size() == 3);
        writer.close();
        QCOMPARE(described(reader.datagrams()),
                 described({{BaseUsec, Ipv4A, 1111, Ipv4B, 2000, "first"}, {BaseUsec + 7, Ipv6A, 2222, Ipv6B, 3000, "second"},
                            {BaseUsec + 9, QHostAddress(QStringLiteral("::ffff:10.0.0.1")), 3333, Ipv6B, 2000, {}}}));
        QVERIFY(reader.read(writer.fileName(), 2000));
        QCOMPARE(payloads(reader.datagrams()), (QList<QByteArray>{"first", QByteArray()}));
    }

    void readerDecodesEachLinkType_data()
    {
        QTest::addColumn<int>("linkType");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("ipv6");
        QTest::addColumn<bool>("kept");

        const QByteArray macs(12, '\x02');
        const QByteArray v4 = udp(Ipv4A, Ipv4B, "/link");
        const QByteArray v6 = udp(Ipv6A, Ipv6B, "/link");
        const QByteArray cooked = QByteArray::fromHex("00000304000600000000000000000800");
        QByteArray outgoing = cooked;
        outgoing[1] = 4;
        QByteArray tcpWithoutLength = v4;
        tcpWithoutLength[2] = tcpWithoutLength[3] = 0;
        tcpWithoutLength[9] = 6;

        QTest::newRow("ethernet") << 1 << macs + QByteArray::fromHex("0800") + v4 << false << true;
        QTest::newRow("ethernet 802.1Q") << 1 << macs + QByteArray::fromHex("81000064" "0800") + v4 << false << true;
        QTest::newRow("ethernet 802.1ad + 802.1Q, IPv6") << 1 << macs + QByteArray::fromHex("88a8000a8100001486dd") + v6 << true << true;
        QTest::newRow("ethernet ARP") << 1 << macs + QByteArray::fromHex("0806") + v4 << false << false;
        QTest::newRow("linux cooked v1") << 113 << cooked + v4 << false << true;
        QTest::newRow("linux cooked v1, loopback copy going out") << 113 << outgoing + v4 << false << false;
        QTest::newRow("linux cooked v2, IPv6") << 276 << QByteArray::fromHex("86dd00000000000103040006000000000000") + QByteArray(2, '\0') + v6 << true << true;
        QTest::newRow("null, little-endian") << 0 << QByteArray::fromHex("02000000") + v4 << false << true;
        QTest::newRow("null, big-endian AF_INET6 of macOS") << 0 << QByteArray::fromHex("0000001e") + v6 << true << true;
        QTest::newRow("loop, AF_INET6 of NetBSD") << 108 << QByteArray::fromHex("00000018") + v6 << true << true;
        QTest::newRow("loop, AF_INET6 of FreeBSD, little-endian") << 108 << QByteArray::fromHex("1c000000") + v6 << true << true;
        QTest::newRow("loop, AF_INET6 of Linux") << 108 << QByteArray::fromHex("0000000a") + v6 << true << true;
        QTest::newRow("raw IPv4") << DLT_RAW << v4 << false << true;
        QTest::newRow("raw IPv6 with extension headers") << DLT_RAW << withIpv6Headers(v6, 0, "3c00010400000000" "1100010400000000") << true << true;
        QTest::newRow("raw IPv6, whole datagram in one fragment") << DLT_RAW << withIpv6Headers(v6, 44, "1100000000000007") << true << true;
        QTest::newRow("raw IPv4 TCP of length 0, as seen on its sender") << DLT_RAW << tcpWithoutLength << false << false;
        QTest::newRow("IPv4") << 228 << v4 << false << true;
        QTest::newRow("IPv6") << 229 << v6 << true << true;
    }

    void readerDecodesEachLinkType()
    {
        QFETCH(int, linkType);
        QFETCH(QByteArray, frame);
        QFETCH(bool, ipv6);
        QFETCH(bool, kept);
        const QString fileName = path(QStringLiteral("link.pcap"));
        writePcap(fileName, linkType, {{frame}});

        CaptureReader reader;
        QVERIFY2(reader.read(fileName), qPrintable(reader.errorString()));
        const CapturedDatagram sent{BaseUsec, ipv6 ? Ipv6A : Ipv4A, 1000, ipv6 ? Ipv6B : Ipv4B, 2000, "/link"};
        QCOMPARE(described(reader.datagrams()), kept ? described({sent}) : QStringList());
    }

    void readerTakesTcpdumpCaptures_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("loopback, ethernet") << QStringList{QStringLiteral("-i"), QStringLiteral("lo")};
        QTest::newRow("any, linux cooked v1") << QStringList{QStringLiteral("-i"), QStringLiteral("any"), QStringLiteral("-y"), QStringLiteral("LINUX_SLL")};
        QTest::newRow("any, linux cooked v2") << QStringList{QStringLiteral("-i"), QStringLiteral("any"), QStringLiteral("-y"), QStringLiteral("LINUX_SLL2")};
    }

    void readerTakesTcpdumpCaptures()
    {
        QFETCH(QStringList, options);
        if (!hasTcpdump())
            QSKIP("tcpdump is missing: scripts/bootstrap installs it");
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::Any, 0));
        const QString fileName = path(QStringLiteral("tcpdump.pcap"));
        QFile::remove(fileName);
        QProcess tcpdump;
        tcpdump.start(QStringLiteral("tcpdump"), options + QStringList{QStringLiteral("-U"), QStringLiteral("-w"), fileName,
                                                                        QStringLiteral("udp dst port %1").arg(receiver.localPort())});
        QByteArray errors;
        QTRY_VERIFY((errors += tcpdump.readAllStandardError()).contains("listening on") || tcpdump.state() == QProcess::NotRunning);
        if (tcpdump.state() == QProcess::NotRunning)
            QSKIP(qPrintable(QStringLiteral("tcpdump cannot capture here: ") + QString::fromLocal8Bit(errors)));

        const QList<QByteArray> sent = {"/one", "/two", QByteArray(700, 'z'), "/four"};
        QUdpSocket sender;
        for (int i = 0; i < sent.size(); ++i)
            sender.writeDatagram(sent[i], i % 2 ? QHostAddress(QHostAddress::LocalHostIPv6) : QHostAddress(QHostAddress::LocalHost), receiver.localPort());
        CaptureReader reader;
        QTRY_COMPARE((reader.read(fileName), payloads(reader.datagrams())), sent);
        tcpdump.terminate();
        tcpdump.waitForFinished();
        QVERIFY2(reader.read(fileName, receiver.localPort()), qPrintable(reader.errorString()));
        QCOMPARE(payloads(reader.datagrams()), sent);
        QCOMPARE(reader.datagrams().at(1).destination, QHostAddress(QHostAddress::LocalHostIPv6));
    }

    void badInputNamesItsPacket_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("datagramsBefore");

        const auto pcapBytes = [this](int linkType, const QList<Frame> &frames) {
            const QString fileName = path(QStringLiteral("crafted.pcap"));
            writePcap(fileName, linkType, frames);
            QFile file(fileName);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray whole = udp(Ipv4A, Ipv4B, "/whole");
        const QByteArray three = pcapBytes(DLT_RAW, {{whole}, {whole}, {whole}});
        const int third = PcapFileHeaderBytes + 2 * int(PcapRecordHeaderBytes + whole.size());
        QByteArray badUdpLength = whole;
        badUdpLength[25] = 4;
        QByteArray fragment = whole;
        fragment[6] = 0x20;

        QTest::newRow("not a capture") << QByteArray("just some text, not a capture file") << QStringLiteral("packet 1 (byte 0 of the file): not a capture") << 0;
        QTest::newRow("record cut short") << three.chopped(5) << QStringLiteral("packet 3 (byte %1 of the file): cannot read: truncated").arg(third) << 2;
        QTest::newRow("record header cut short") << three.left(third + 7) << QStringLiteral("packet 3 (byte %1 of the file): cannot read: truncated").arg(third) << 2;
        QTest::newRow("snapshot length cuts a datagram")
            << pcapBytes(DLT_RAW, {{whole}, {whole.left(30), quint32(whole.size())}, {whole}})
            << QStringLiteral("packet 2 (byte %1 of the file): the snapshot length cut the datagram (30 of 34 bytes kept)").arg(PcapFileHeaderBytes + PcapRecordHeaderBytes + whole.size())
            << 1;
        QTest::newRow("unsupported link type") << pcapBytes(105, {{whole}}) << QStringLiteral("packet 1 (byte 24 of the file): unsupported link type 105") << 0;
        QTest::newRow("bad UDP length") << pcapBytes(DLT_RAW, {{whole}, {badUdpLength}, {whole}}) << QStringLiteral("packet 2 (byte ") << 1;
        QTest::newRow("pcapng interfaces of two link types")
            << pcapng({101, 1}, {whole, whole, whole}, 1) << QStringLiteral("packet 2 (byte ") << 1;
        QTest::newRow("pcapng, fragment skipped with a note")
            << pcapng({101}, {fragment, whole}, -1) << QStringLiteral("packet 1 is an IP fragment, skipped") << 1;
        QTest::newRow("IPv6 fragment skipped with a note")
            << pcapBytes(DLT_RAW, {{whole}, {withIpv6Headers(udp(Ipv6A, Ipv6B, "/6"), 44, "1100000100000007")}})
            << QStringLiteral("packet 2 is an IP fragment, skipped") << 1;
    }

    void badInputNamesItsPacket()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        QFETCH(int, datagramsBefore);
        QFile bad(path(QStringLiteral("bad.pcap")));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write(file);
        bad.close();

        CaptureReader reader;
        const bool whole = reader.read(bad.fileName());
        const QString shown = whole ? reader.notes().value(0) : reader.errorString();
        QVERIFY2(shown.startsWith(problem), qPrintable(shown));
        QCOMPARE(reader.datagrams().size(), datagramsBefore);
    }

    void scheduleKeepsSpacingWithoutDrift()
    {
        QList<qint64> times;
        for (int i = 0; i < 30000; ++i)
            times << BaseUsec + i * 333;
        times << BaseUsec;   // a time out of order is due with the one before it
        const ReplaySchedule schedule(times, 3.0);
        QCOMPARE(schedule.dueNs(29999), qint64(29999) * 111000);
        QCOMPARE(schedule.dueNs(30000), schedule.dueNs(29999));
        QCOMPARE(ReplaySchedule(times, 100.0).dueNs(3), ReplaySchedule(times, ReplaySchedule::MaxSpeed).dueNs(3));
        QCOMPARE(ReplaySchedule(times, ReplaySchedule::AsFastAsPossible).dueNs(29999), qint64(0));
        QVERIFY(ReplaySchedule({BaseUsec}, 1.0).passNs() > 0);
    }

    void replayKeepsOrderAndScaledSpacing_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<bool>("looping");
        QTest::newRow("x0.5") << 0.5 << false;
        QTest::newRow("x1") << 1.0 << false;
        QTest::newRow("x4") << 4.0 << false;
        QTest::newRow("as fast as possible") << ReplaySchedule::AsFastAsPossible << false;
        QTest::newRow("x4, looping until stopped") << 4.0 << true;
    }

    void replayKeepsOrderAndScaledSpacing()
    {
        QFETCH(double, speed);
        QFETCH(bool, looping);
        QList<CapturedDatagram> datagrams;
        for (int i = 0; i < 6; ++i)
            datagrams << CapturedDatagram{BaseUsec + i * 20000, Ipv4A, 1, Ipv4B, 2, QByteArray::number(i)};
        QList<QByteArray> expected = payloads(datagrams);
        if (looping)
            expected += expected.mid(0, 2);
        Replayer replayer;
        replayer.setDatagrams(datagrams);
        replayer.setSpeed(speed);
        replayer.setLooping(looping);
        QList<QByteArray> received;
        QElapsedTimer clock;
        qint64 lastAtNs = 0;
        connect(&replayer, &Replayer::datagramDue, this, [&](const QByteArray &payload) {
            received << payload;
            lastAtNs = clock.nsecsElapsed();
            if (looping && received.size() == expected.size())
                replayer.stop();
        });
        QSignalSpy finished(&replayer, &Replayer::finished);
        clock.start();
        replayer.start();
        QTRY_COMPARE(finished.count(), 1);
        if (looping)
            QTest::qWait(20);   // nothing more once stopped
        QCOMPARE(received, expected);
        QVERIFY(!replayer.isRunning());
        if (speed != ReplaySchedule::AsFastAsPossible)
            QVERIFY2(lastAtNs >= qint64(100000000 / speed), qPrintable(QString::number(lastAtNs)));
    }

    void dialogReplaysAFileToARealReceiver()
    {
        CaptureWriter writer;
        QVERIFY(writer.open(path(QStringLiteral("dialog.pcap"))));
        for (int i = 0; i < 5; ++i)
            writer.write(BaseUsec + i * 1000, Ipv4A, 1000, Ipv4B, i % 2 ? 7000 : 8000, QByteArray("/d") + QByteArray::number(i));
        writer.close();
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        QList<QByteArray> received;
        connect(&receiver, &QUdpSocket::readyRead, this, [&] {
            while (receiver.hasPendingDatagrams())
                received << receiver.receiveDatagram().data();
        });
        QUdpSocket sender;
        ReplayDialog dialog;
        connect(&dialog, &ReplayDialog::datagramDue, &sender, [&](const QByteArray &payload) {
            sender.writeDatagram(payload, QHostAddress::LocalHost, receiver.localPort());
        });
        dialog.show();

        dialog.openFile(writer.fileName());
        auto *count = dialog.findChild<QLabel *>(QStringLiteral("replayCountLabel"));
        QCOMPARE(count->text(), QStringLiteral("5 datagrams"));
        dialog.findChild<QSpinBox *>(QStringLiteral("replayPortSpin"))->setValue(8000);
        QCOMPARE(count->text(), QStringLiteral("3 datagrams"));
        auto *speed = dialog.findChild<QComboBox *>(QStringLiteral("replaySpeedCombo"));
        speed->setCurrentIndex(speed->count() - 1);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("replayStartButton")), Qt::LeftButton);

        QTRY_COMPARE(received, (QList<QByteArray>{"/d0", "/d2", "/d4"}));

        QFile::resize(writer.fileName(), QFileInfo(writer.fileName()).size() - 3);
        dialog.openFile(writer.fileName());
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("replayError"))->text().startsWith(QLatin1String("packet 5 (byte ")));
        QCOMPARE(count->text(), QStringLiteral("2 datagrams"));
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
