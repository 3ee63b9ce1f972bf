// The UDP transport on its own, over real loopback sockets.
#include "osc/OscLink.h"
#include "i18n/LanguageManager.h"

#include <QtNetwork>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// Waits without running the event loop, so that only an explicit drain() reads what arrived.
bool waitForPending(QUdpSocket *socket)
{
    QDeadlineTimer deadline(5000);
    while (!socket->hasPendingDatagrams() && !deadline.hasExpired())
        QThread::msleep(1);
    return socket->hasPendingDatagrams();
}

// Not the default of 1, so that a TTL left unset shows.
constexpr int kTtl = 5;

} // namespace

class tst_OscLink : public QObject
{
    Q_OBJECT

private slots:
    // Qt's own Chinese texts come with the language manager: the probe's error string must too.
    void initTestCase() { LanguageManager::instance(); }

    // A refused bind keeps no socket; a released port can be bound again (the window's texts for
    // it, and both families on one port, are proven in tst_oscwidget and tst_network).
    void bindRefusedReleaseRebind()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        const quint16 port = holder.localPort();
        OscLink link;
        QSignalSpy failed(&link, &OscLink::bindFailed);
        QSignalSpy released(&link, &OscLink::released);
        QVERIFY(!link.bind(port));
        QVERIFY(failed.count() == 1 && !link.isBound() && !link.findChild<QUdpSocket *>());
        holder.close();
        QVERIFY(link.bind(port));
        link.release();
        link.release();
        QCOMPARE(released.count(), 1);
        QVERIFY(!link.isBound() && !link.findChild<QUdpSocket *>());
        QVERIFY(link.bind(port));
    }

    void receiveBufferRequested()
    {
        QFile cap(QStringLiteral("/proc/sys/net/core/rmem_max"));
        if (!cap.open(QIODevice::ReadOnly) || cap.readAll().trimmed().toLongLong() < OscLink::ReceiveBufferBytes)
            QSKIP("this system caps receive buffers below what the link asks for");
        OscLink link;
        QVERIFY(link.bind(0));
        const QVariant granted = link.findChild<QUdpSocket *>()->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption);
        QVERIFY(granted.toLongLong() >= OscLink::ReceiveBufferBytes);
    }

    // Everything queued before the event loop runs is read by one drain, in order, with its sender.
    void drainReadsEveryQueuedDatagram_data()
    {
        QTest::addColumn<QByteArrayList>("datagrams");
        QTest::newRow("three") << QByteArrayList{"first", "second", "third"};
        QTest::newRow("largest IPv4 payload") << QByteArrayList{QByteArray(65507, 'x')};
    }

    void drainReadsEveryQueuedDatagram()
    {
        QFETCH(QByteArrayList, datagrams);
        OscLink link;
        QVERIFY(link.bind(0));
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress::LocalHost, 0));
        // Each datagram as "sender:port data".
        QByteArrayList received, expected;
        connect(&link, &OscLink::datagramReceived, this, [&received](const QByteArray &data, const QHostAddress &sender, quint16 port) {
            received << sender.toString().toLatin1() + ':' + QByteArray::number(port) + ' ' + data;
        });
        for (const QByteArray &datagram : datagrams) {
            QCOMPARE(peer.writeDatagram(datagram, QHostAddress::LocalHost, link.localPort()), qint64(datagram.size()));
            expected << "127.0.0.1:" + QByteArray::number(peer.localPort()) + ' ' + datagram;
        }
        auto *socket = link.findChild<QUdpSocket *>();
        QVERIFY(waitForPending(socket));
        link.drain();
        QVERIFY(received == expected);
        QVERIFY(!socket->hasPendingDatagrams());
    }

    void send_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("toPortZero");
        QTest::newRow("numeric host, spaces stripped") << true << " 127.0.0.1 " << "" << false;
        QTest::newRow("host name is not resolved") << true << "localhost" << "目标地址无效: localhost" << false;
        QTest::newRow("unbound") << false << "127.0.0.1" << "未绑定" << false;
        // The system refuses the write itself: the reason is the socket's.
        QUdpSocket probe;
        probe.writeDatagram("x", QHostAddress::LocalHost, 0);
        QTest::newRow("write refused") << true << "127.0.0.1" << probe.errorString() << true;
    }

    void send()
    {
        QFETCH(bool, bound);
        QFETCH(QString, host);
        QFETCH(QString, failure);
        QFETCH(bool, toPortZero);
        OscLink link;
        QVERIFY(link.bind(0));
        if (!bound)
            link.release();
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress::LocalHost, 0));
        QSignalSpy failed(&link, &OscLink::sendFailed);
        QCOMPARE(link.send("first", host, toPortZero ? 0 : peer.localPort()), failure.isEmpty());
        QCOMPARE(failed.count(), failure.isEmpty() ? 0 : 1);
        if (!failure.isEmpty()) {
            QCOMPARE(failed.at(0).at(0).toString(), failure);
            // Nothing went to this machine instead: the first datagram the peer sees is the next one.
            QVERIFY(link.bind(0));
            QVERIFY(link.send("next", QStringLiteral("127.0.0.1"), peer.localPort()));
        }
        QVERIFY(QTest::qWaitFor([&peer] { return peer.hasPendingDatagrams(); }, 5000));
        QCOMPARE(peer.receiveDatagram().data(), QByteArray(failure.isEmpty() ? "first" : "next"));
    }

    // What the socket is asked for can only partly be seen through lo, which loops every multicast
    // back and carries any TTL: the options are read back from the system. IPv4 ones matter on
    // the dual-stack socket too, where Qt sets only IPv6's.
    void socketOptions_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("value");
        QTest::newRow("SO_BROADCAST") << int(SOL_SOCKET) << int(SO_BROADCAST) << 1;
        QTest::newRow("IP_MULTICAST_TTL") << int(IPPROTO_IP) << int(IP_MULTICAST_TTL) << kTtl;
        QTest::newRow("IP_MULTICAST_LOOP") << int(IPPROTO_IP) << int(IP_MULTICAST_LOOP) << 1;
        QTest::newRow("IPV6_MULTICAST_HOPS") << int(IPPROTO_IPV6) << int(IPV6_MULTICAST_HOPS) << kTtl;
        QTest::newRow("IPV6_MULTICAST_LOOP") << int(IPPROTO_IPV6) << int(IPV6_MULTICAST_LOOP) << 1;
    }

    void socketOptions()
    {
        QFETCH(int, level);
        QFETCH(int, option);
        QFETCH(int, value);
        OscLink link;
        link.setMulticastTtl(kTtl);
        QVERIFY(link.bind(0));
        int actual = 0;
        socklen_t size = sizeof(actual);
        const int fd = int(link.findChild<QUdpSocket *>()->socketDescriptor());
        QCOMPARE(getsockopt(fd, level, option, &actual, &size), 0);
        QCOMPARE(actual, value);
    }

    // The loopback's broadcast address reaches the any-address bind.
    void broadcast()
    {
        OscLink link;
        QVERIFY(link.bind(0));
        QSignalSpy received(&link, &OscLink::datagramReceived);
        if (!link.send("all", QStringLiteral("127.255.255.255"), link.localPort()))
            QSKIP("this system refuses sends to 127.255.255.255");
        QVERIFY(received.wait(5000));
        QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("all"));
    }

    // Each bind joins the group on lo and each release leaves it; a group left on a bound socket can
    // be joined again, which the system refuses while still a member. (lo loops back no IPv6
    // multicast, so traffic through a group is proven with IPv4 in tst_networkoptions.)
    void multicastMembership_data()
    {
        QTest::addColumn<QString>("group");
        QTest::newRow("IPv4") << "239.255.0.1";
        QTest::newRow("IPv6") << "ff12::4c75";
    }

    void multicastMembership()
    {
        QFETCH(QString, group);
        const QNetworkInterface loopback = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
        if (!loopback.flags().testFlag(QNetworkInterface::CanMulticast))
            QSKIP("lo lacks MULTICAST: enable it as root with `ip link set lo multicast on`");
        OscLink link;
        QSignalSpy failed(&link, &OscLink::multicastFailed);
        link.setNetworkInterface(loopback);
        link.setMulticastGroup(group);
        for (int bind = 0; bind < 2; ++bind) {
            QVERIFY(link.bind(0));
            QCOMPARE(link.joinedGroup(), QHostAddress(group));
            link.release();
            QVERIFY(link.joinedGroup().isNull());
        }
        QVERIFY(link.bind(0));
        link.setMulticastGroup(QString());
        QVERIFY(link.joinedGroup().isNull());
        link.setMulticastGroup(group);
        QCOMPARE(link.joinedGroup(), QHostAddress(group));
        QCOMPARE(failed.count(), 0);
    }
};

QTEST_MAIN(tst_OscLink)
#include "tst_osclink.moc"
