// The relay between two real peers on the loopback address: a "controller" that sends to the
// window's port and a "device", the target, that answers.
#include "i18n/LanguageManager.h"
#include "osc/OscLink.h"
#include "osc/Relay.h"
#include "support/WindowTestSupport.h"

namespace {

const QByteArray kPing = QByteArray("/ping\0\0\0,\0\0\0", 12);
const QByteArray kPong = QByteArray("/pong\0\0\0,i\0\0\0\0\0\7", 16);

QNetworkDatagram receive(QUdpSocket &socket)
{
    if (!QTest::qWaitFor([&socket] { return socket.hasPendingDatagrams(); }, 5000))
        return {};
    return socket.receiveDatagram();
}

} // namespace

class tst_Relay : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    // Sending to the bound port on this machine would relay every datagram round forever.
    void loopRefused_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("samePort");
        QTest::addColumn<bool>("loop");
        QTest::newRow("IPv4 loopback") << "127.0.0.1" << true << true;
        QTest::newRow("other loopback") << "127.0.0.2" << true << true;
        QTest::newRow("IPv6 loopback") << "::1" << true << true;
        QTest::newRow("any address") << "0.0.0.0" << true << true;
        QTest::newRow("mapped loopback") << "::ffff:127.0.0.1" << true << true;
        QTest::newRow("another port") << "127.0.0.1" << false << false;
        QTest::newRow("another machine") << "192.0.2.1" << true << false;
    }
    void loopRefused()
    {
        QFETCH(QString, host);
        QFETCH(bool, samePort);
        QFETCH(bool, loop);
        OscLink link;
        QVERIFY(link.bind(0));
        const quint16 port = samePort ? link.localPort() : quint16(link.localPort() + 1);
        QCOMPARE(Relay::isLoop(QHostAddress(host), port, link.localPort()), loop);
        Relay relay(&link);
        QSignalSpy refused(&relay, &Relay::refused);
        QCOMPARE(relay.start(host, port), !loop);
        QCOMPARE(relay.isActive(), !loop);
        QCOMPARE(refused.count(), loop ? 1 : 0);
    }

    // A TCP server's port takes no UDP datagrams, so relaying to its number is no loop.
    void tcpPortIsNoLoop()
    {
        OscLink link;
        link.setTransport(OscLink::Transport::TcpServer);
        QVERIFY(link.open(0, QString(), 0));
        Relay relay(&link);
        QVERIFY(relay.start(QStringLiteral("127.0.0.1"), link.localPort()));
    }

    // A port bound later to the relay's target closes the loop too.
    void bindingTheTargetStopsTheRelay()
    {
        const quint16 port = freeUdpPort();
        OscLink link;
        Relay relay(&link);
        QSignalSpy refused(&relay, &Relay::refused);
        QVERIFY(relay.start(QStringLiteral("127.0.0.1"), port));
        QVERIFY(link.bind(port));
        QVERIFY(!relay.isActive());
        QCOMPARE(refused.count(), 1);
    }

    // In the window: the controller's datagram reaches the device unchanged from the relay's own
    // socket; the reply is an RX row from the device and, both ways only, goes back to the
    // controller from the bound port. Relayed sends are counted in the status bar, not logged; a
    // loop is refused with a [SYS] line and the box unticked.
    void window()
    {
        LanguageManager::instance().setLanguage(1);
        OscWidget window;
        QVERIFY(bindWindow(window));
        const quint16 bound = quint16(field<QSpinBox>(window, "localPortSpin")->value());
        QUdpSocket controller, device;
        QVERIFY(controller.bind(QHostAddress::LocalHost, 0) && device.bind(QHostAddress::LocalHost, 0));
        field<QSpinBox>(window, "targetPortSpin")->setValue(device.localPort());
        auto *relayCheck = field<QCheckBox>(window, "relayCheck");
        relayCheck->setChecked(true);
        const QString reply = QStringLiteral("[127.0.0.1:%1] /pong ,i 7").arg(device.localPort());
        auto *count = field<QLabel>(window, "relayCountLabel");
        for (const bool bothWays : {false, true}) {
            field<QCheckBox>(window, "relayBothWaysCheck")->setChecked(bothWays);
            controller.writeDatagram(kPing, QHostAddress::LocalHost, bound);
            const QNetworkDatagram relayed = receive(device);
            QCOMPARE(relayed.data(), kPing);
            QVERIFY(relayed.senderPort() != bound);
            device.writeDatagram(kPong, relayed.senderAddress(), quint16(relayed.senderPort()));
            QTRY_COMPARE(loggedTexts(window, LogDirection::Rx).count(reply), bothWays ? 2 : 1);
            QTRY_COMPARE(count->text(), QStringLiteral("Relayed: %1 datagrams").arg(bothWays ? 3 : 1));
        }
        const QNetworkDatagram back = receive(controller);
        QCOMPARE(back.data(), kPong);
        QCOMPARE(back.senderPort(), int(bound));
        QVERIFY(!controller.hasPendingDatagrams());
        QVERIFY(loggedTexts(window, LogDirection::Tx).isEmpty());

        field<QSpinBox>(window, "targetPortSpin")->setValue(bound);
        QVERIFY(!relayCheck->isChecked());
        QVERIFY(loggedTexts(window, LogDirection::System).last().contains(
            QStringLiteral("Relay refused: the target 127.0.0.1:%1 is this machine's bound port").arg(bound)));
    }
};

QTEST_MAIN(tst_Relay)
#include "tst_relay.moc"
