// The window's transport, interface and multicast settings, driven like a user over real
// loopback sockets.
#include "capture/CaptureReader.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "osc/OscLink.h"
#include "osc/SlipFramer.h"
#include "osc/Workbench.h"
#include "support/WindowTestSupport.h"

namespace {

const QString kGroup = QStringLiteral("239.255.0.1");

void enterGroup(const OscWidget &window, const QString &group)
{
    auto *edit = field<QLineEdit>(window, "multicastEdit");
    edit->setText(group);
    emit edit->editingFinished();
}

quint16 freeTcpPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::AnyIPv4) ? probe.serverPort() : 0;
}

} // namespace

class tst_NetworkOptions : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    void interfacesIncludeTheLoopback()
    {
        OscWidget window;
        auto *combo = field<QComboBox>(window, "interfaceCombo");
        QCOMPARE(combo->itemText(0), QStringLiteral("所有接口"));
        const int loopback = combo->findData(QStringLiteral("lo"));
        QVERIFY(loopback > 0);
        QVERIFY(combo->itemText(loopback).contains(QStringLiteral("127.0.0.1")));
    }

    void refusedGroupIsLogged_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("line");
        QTest::newRow("unicast") << 0 << "10.0.0.1" << "组播地址无效: 10.0.0.1";
        QTest::newRow("English, no address") << 1 << "studio" << "Not a multicast group: studio";
    }

    // Checked when joined: at the bind here, so the group is named in the log then.
    void refusedGroupIsLogged()
    {
        QFETCH(int, language);
        QFETCH(QString, group);
        QFETCH(QString, line);
        LanguageManager::instance().setLanguage(language);
        OscWidget window;
        enterGroup(window, group);
        QVERIFY(bindWindow(window));
        QVERIFY(loggedTexts(window, LogDirection::System).contains(line));
    }

    // A group joined on lo and aimed at: the window logs its own message as received.
    void windowHearsItsOwnMulticast()
    {
        if (!QNetworkInterface::interfaceFromName(QStringLiteral("lo")).flags().testFlag(QNetworkInterface::CanMulticast))
            QSKIP("lo lacks MULTICAST: enable it as root with `ip link set lo multicast on`");
        OscWidget window;
        auto *combo = field<QComboBox>(window, "interfaceCombo");
        combo->setCurrentIndex(combo->findData(QStringLiteral("lo")));
        enterGroup(window, kGroup);
        const quint16 port = freeUdpPort();
        QVERIFY(bindWindow(window, port));
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress::AnyIPv4, 0));
        peer.setMulticastInterface(QNetworkInterface::interfaceFromName(QStringLiteral("lo")));
        peer.writeDatagram(QByteArray("/peer\0\0\0,\0\0\0", 12), QHostAddress(kGroup), port);
        QTRY_COMPARE_WITH_TIMEOUT(loggedTexts(window, LogDirection::Rx).size(), 1, 5000);
        field<QLineEdit>(window, "targetHostEdit")->setText(kGroup);
        field<QSpinBox>(window, "targetPortSpin")->setValue(port);
        window.sendData();
        QTRY_COMPARE_WITH_TIMEOUT(loggedTexts(window, LogDirection::Rx).size(), 2, 5000);
    }

    // A TCP peer's SLIP message is logged from the peer and its framing told; the composer's reply
    // goes back in SLIP; the capture holds both as UDP between the same ends.
    void windowServesTcp()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("tcp.pcap"));
        OscWidget window;
        window.workbench()->chooseFile = [fileName](Workbench::FileRole) { return fileName; };
        field<QComboBox>(window, "transportCombo")->setCurrentIndex(int(OscLink::Transport::TcpServer));
        const quint16 port = freeTcpPort();
        QVERIFY(bindWindow(window, port));
        QVERIFY(!field<QComboBox>(window, "transportCombo")->isEnabled());
        field<QPushButton>(window, "recordButton")->click();
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(peer.waitForConnected(5000));

        const QByteArray incoming = OscCodec::buildOscMessage(QStringLiteral("/in"), QStringLiteral(",i"), QStringLiteral("7"));
        peer.write(SlipFramer::encode(incoming));
        const QString peerName = QStringLiteral("127.0.0.1:%1").arg(peer.localPort());
        QTRY_COMPARE_WITH_TIMEOUT(loggedTexts(window, LogDirection::Rx).size(), 1, 5000);
        QVERIFY(loggedTexts(window, LogDirection::Rx).at(0).startsWith(QLatin1Char('[') + peerName + QStringLiteral("] /in")));
        QVERIFY(loggedTexts(window, LogDirection::System).contains(QStringLiteral("[%1] 识别到分帧: SLIP").arg(peerName)));
        QCOMPARE(field<QLabel>(window, "framingStatusLabel")->text(), QStringLiteral("分帧: 自动 → SLIP"));

        window.sendData();
        SlipFramer decoder;
        QList<QByteArray> replies;
        QVERIFY(QTest::qWaitFor([&] { return !(replies += decoder.feed(peer.readAll())).isEmpty(); }, 5000));
        field<QPushButton>(window, "recordButton")->click();

        CaptureReader reader;
        QVERIFY2(reader.read(fileName), qPrintable(reader.errorString()));
        QCOMPARE(reader.datagrams().size(), 2);
        const CapturedDatagram &in = reader.datagrams().at(0);
        const CapturedDatagram &out = reader.datagrams().at(1);
        QCOMPARE(in.payload, incoming);
        QCOMPARE(out.payload, replies.at(0));
        QCOMPARE(qMakePair(in.source, in.sourcePort), qMakePair(QHostAddress(QHostAddress::LocalHost), peer.localPort()));
        QCOMPARE(qMakePair(out.destination, out.destinationPort), qMakePair(QHostAddress(QHostAddress::LocalHost), peer.localPort()));
        QCOMPARE(in.destinationPort, port);
        QCOMPARE(out.sourcePort, port);
    }
};

QTEST_MAIN(tst_NetworkOptions)
#include "tst_networkoptions.moc"
