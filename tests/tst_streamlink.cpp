// OSC over TCP through the link: a server and a client against peers written here with Qt's own
// sockets, and against liblo's command-line tools as an independent peer.
#include "i18n/LanguageManager.h"
#include "osc/LengthPrefixFramer.h"
#include "osc/OscLink.h"
#include "osc/SlipFramer.h"
#include "osc/StreamClient.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

using Choice = StreamDecoder::Choice;
using Framing = FramingDetector::Framing;

const QByteArray kA("/a\0\0,i\0\0\0\0\0\x01", 12);
const QByteArray kB("/b\0\0,s\0\0hi\0\0", 12);
constexpr int kWaitMs = 5000;

QByteArray framed(Framing framing, const QByteArray &message)
{
    return framing == Framing::Slip ? SlipFramer::encode(message) : LengthPrefixFramer::encode(message);
}

// A link listening on a port the system picks.
quint16 listen(OscLink &link, Choice framing)
{
    link.setTransport(OscLink::Transport::TcpServer);
    link.setStreamFraming(framing);
    return link.open(0, QString(), 0) ? link.localPort() : 0;
}

quint16 freeTcpPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

bool joinedBy(QTcpSocket &peer, OscLink &link, quint16 port)
{
    QSignalSpy peers(&link, &OscLink::streamPeersChanged);
    peer.connectToHost(QHostAddress::LocalHost, port);
    return peer.waitForConnected(kWaitMs) && peers.wait(kWaitMs);
}

QString joined(const QSignalSpy &notices)
{
    QStringList lines;
    for (const QList<QVariant> &notice : notices)
        lines << notice.at(0).toString();
    return lines.join(QLatin1Char('\n'));
}

bool waitForNotice(QSignalSpy &notices, const QString &part)
{
    return QTest::qWaitFor([&] { return joined(notices).contains(part); }, kWaitMs);
}

QByteArray readAtLeast(QTcpSocket &peer, qsizetype size)
{
    QByteArray bytes;
    (void)QTest::qWaitFor([&] {
        peer.waitForReadyRead(50);
        bytes += peer.readAll();
        return bytes.size() >= size;
    }, kWaitMs);
    return bytes;
}

} // namespace

class tst_StreamLink : public QObject
{
    Q_OBJECT

private slots:
    // The [SYS] lines are read in English.
    void initTestCase() { LanguageManager::instance().setLanguage(1); }

    // Both framings, chosen or detected, with the messages cut across two writes.
    void serverReceives_data()
    {
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<Framing>("framing");
        QTest::newRow("length prefix") << Choice::LengthPrefix << Framing::LengthPrefix;
        QTest::newRow("slip") << Choice::Slip << Framing::Slip;
        QTest::newRow("auto: length prefix") << Choice::Auto << Framing::LengthPrefix;
        QTest::newRow("auto: slip") << Choice::Auto << Framing::Slip;
    }
    void serverReceives()
    {
        QFETCH(Choice, choice);
        QFETCH(Framing, framing);
        OscLink link;
        const quint16 port = listen(link, choice);
        QVERIFY(port != 0);
        QSignalSpy received(&link, &OscLink::datagramReceived);
        QSignalSpy decided(&link, &OscLink::framingDecided);
        QTcpSocket peer;
        QVERIFY(joinedBy(peer, link, port));
        QCOMPARE(link.streamPeers(), QStringList{QStringLiteral("127.0.0.1:%1").arg(peer.localPort())});

        const QByteArray stream = framed(framing, kA) + framed(framing, kB);
        peer.write(stream.left(7));
        peer.flush();
        QTest::qWait(20);
        peer.write(stream.mid(7));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 2, kWaitMs);
        QCOMPARE(received.at(0), (QList<QVariant>{kA, QVariant::fromValue(QHostAddress(QHostAddress::LocalHost)),
                                                   QVariant::fromValue(peer.localPort())}));
        QCOMPARE(received.at(1).at(0).toByteArray(), kB);
        QCOMPARE(decided.size(), choice == Choice::Auto ? 1 : 0);
        if (choice == Choice::Auto)
            QCOMPARE(decided.at(0).at(1).value<Framing>(), framing);
    }

    // Every peer, or the one chosen; replies go to one connection only.
    void serverSendsToPeers()
    {
        OscLink link;
        const quint16 port = listen(link, Choice::Slip);
        QTcpSocket first;
        QTcpSocket second;
        QVERIFY(joinedBy(first, link, port));
        QVERIFY(joinedBy(second, link, port));
        QVERIFY(link.send(kA, QString(), 0));
        QCOMPARE(readAtLeast(first, 14), SlipFramer::encode(kA));
        QCOMPARE(readAtLeast(second, 14), SlipFramer::encode(kA));

        link.chooseStreamPeer(QStringLiteral("127.0.0.1:%1").arg(second.localPort()));
        QVERIFY(link.send(kB, QString(), 0));
        QVERIFY(link.reply(kA, QStringLiteral("127.0.0.1"), first.localPort()));
        QCOMPARE(readAtLeast(second, 14), SlipFramer::encode(kB));
        QCOMPARE(readAtLeast(first, 14), SlipFramer::encode(kA));
    }

    // An untrusted peer: each of these ends its own connection with a [SYS] line naming it, and
    // nothing that was not whole is delivered.
    void serverRefuses_data()
    {
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("peerCloses");
        QTest::addColumn<QString>("notice");
        QTest::newRow("length over 1 MiB") << Choice::LengthPrefix << QByteArray("\0\x20\0\0/a\0\0", 8) << false
                                           << "length over 1 MiB at byte 0, connection closed";
        QTest::newRow("half message") << Choice::Auto << LengthPrefixFramer::encode(kA).left(9) << true
                                      << "Disconnected inside a message: 9 bytes dropped";
        QTest::newRow("neither framing") << Choice::Auto << QByteArray("hello world") << false
                                         << "unknown framing (neither length prefix nor SLIP) at byte 0";
    }
    void serverRefuses()
    {
        QFETCH(Choice, choice);
        QFETCH(QByteArray, stream);
        QFETCH(bool, peerCloses);
        QFETCH(QString, notice);
        OscLink link;
        const quint16 port = listen(link, choice);
        QSignalSpy received(&link, &OscLink::datagramReceived);
        QSignalSpy notices(&link, &OscLink::streamNotice);
        QTcpSocket peer;
        QVERIFY(joinedBy(peer, link, port));
        const QString peerName = QStringLiteral("[127.0.0.1:%1] ").arg(peer.localPort());
        peer.write(stream);
        peer.flush();
        if (peerCloses)
            peer.disconnectFromHost();
        QVERIFY2(waitForNotice(notices, peerName + notice), qPrintable(joined(notices)));
        QTRY_VERIFY_WITH_TIMEOUT(link.streamPeers().isEmpty(), kWaitMs);
        QCOMPARE(received.size(), 0);
    }

    // A peer that stops reading is dropped once 4 MiB wait for it; the window never blocks.
    void slowPeerIsDropped()
    {
        OscLink link;
        const quint16 port = listen(link, Choice::LengthPrefix);
        QSignalSpy notices(&link, &OscLink::streamNotice);
        QTcpSocket peer;
        peer.setReadBufferSize(1);
        QVERIFY(joinedBy(peer, link, port));
        const QByteArray big(64 * 1024, '\0');
        int sends = 0;
        while (link.send(big, QString(), 0) && sends < 1000)
            ++sends;
        QVERIFY(sends < 1000);
        QVERIFY2(joined(notices).contains(QStringLiteral("send queue over 4 MiB")), qPrintable(joined(notices)));
        QVERIFY(link.streamPeers().isEmpty());
    }

    // Refused, then found: the client says so, backs off doubling, and connects once it can.
    void clientReconnects()
    {
        const quint16 port = freeTcpPort();
        OscLink link;
        link.setTransport(OscLink::Transport::TcpClient);
        link.setStreamFraming(Choice::Slip);
        QSignalSpy notices(&link, &OscLink::streamNotice);
        QVERIFY(link.open(0, QStringLiteral("127.0.0.1"), port));
        const QString target = QStringLiteral("127.0.0.1:%1").arg(port);
        QVERIFY(waitForNotice(notices, QStringLiteral("Could not connect to %1").arg(target)));
        QVERIFY(joined(notices).contains(QStringLiteral("retrying in 1 s")));
        QVERIFY(waitForNotice(notices, QStringLiteral("retrying in 2 s")));
        QVERIFY(!link.send(kA, QString(), 0));

        QTcpServer device;
        QVERIFY(device.listen(QHostAddress::LocalHost, port));
        QVERIFY(QTest::qWaitFor([&] { return device.hasPendingConnections(); }, 3 * kWaitMs));
        QTcpSocket *peer = device.nextPendingConnection();
        QVERIFY(waitForNotice(notices, QStringLiteral("Connected to %1").arg(target)));
        QVERIFY(link.send(kA, QString(), 0));
        QCOMPARE(readAtLeast(*peer, 14), SlipFramer::encode(kA));

        peer->disconnectFromHost();
        QVERIFY(waitForNotice(notices, QStringLiteral("Connection to %1 lost").arg(target)));
        QVERIFY(joined(notices).endsWith(QStringLiteral("reconnecting in 1 s")));
    }

    // liblo 0.31 writes the OSC 1.0 length prefix from oscsend and reads it in oscdump.
    void interoperatesWithLiblo()
    {
        const QString oscsend = QStandardPaths::findExecutable(QStringLiteral("oscsend"));
        const QString oscdump = QStandardPaths::findExecutable(QStringLiteral("oscdump"));
        if (oscsend.isEmpty() || oscdump.isEmpty())
            QSKIP("liblo-tools (oscsend, oscdump) is not installed");
        OscLink server;
        const quint16 port = listen(server, Choice::Auto);
        QSignalSpy received(&server, &OscLink::datagramReceived);
        QSignalSpy decided(&server, &OscLink::framingDecided);
        QProcess send;
        send.start(oscsend, {QStringLiteral("osc.tcp://127.0.0.1:%1").arg(port), QStringLiteral("/a"),
                             QStringLiteral("i"), QStringLiteral("1")});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, kWaitMs);
        QCOMPARE(received.at(0).at(0).toByteArray(), kA);
        QCOMPARE(decided.at(0).at(1).value<Framing>(), Framing::LengthPrefix);
        send.waitForFinished(kWaitMs);

        const quint16 dumpPort = freeTcpPort();
        QProcess dump;
        dump.start(oscdump, {QStringLiteral("-L"), QStringLiteral("osc.tcp://:%1").arg(dumpPort)});
        QVERIFY(dump.waitForStarted(kWaitMs));
        OscLink client;
        client.setTransport(OscLink::Transport::TcpClient);
        client.setStreamFraming(Choice::LengthPrefix);
        QSignalSpy notices(&client, &OscLink::streamNotice);
        QVERIFY(client.open(0, QStringLiteral("127.0.0.1"), dumpPort));
        QVERIFY(waitForNotice(notices, QStringLiteral("Connected to")));
        QVERIFY(client.send(kA, QString(), 0));
        QByteArray dumped;
        QVERIFY(QTest::qWaitFor([&] { return (dumped += dump.readAllStandardOutput()).contains("/a i 1"); }, kWaitMs));
        dump.kill();
        dump.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(tst_StreamLink)
#include "tst_streamlink.moc"
