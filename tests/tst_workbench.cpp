#include "capture/CaptureReader.h"
#include "capture/CaptureWriter.h"
#include "capture/ReplayDialog.h"
#include "capture/Replayer.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "osc/WindowSetup.h"
#include "osc/Workbench.h"
#include "setup/SetupFile.h"
#include "support/WindowTestSupport.h"

#include <csignal>

#include <sys/resource.h>

namespace {

constexpr int kWaitMs = 5000;

QPushButton *button(const QWidget &root, const char *objectName)
{
    return root.findChild<QPushButton *>(QLatin1String(objectName));
}

void answerFiles(OscWidget &window, const QString &fileName)
{
    window.workbench()->chooseFile = [fileName](Workbench::FileRole) { return fileName; };
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &contents)
{
    QFile file(dir.filePath(QStringLiteral("written")));
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? file.fileName() : QString();
}

// A datagram's ends and length as tcpdump -nn prints them.
QString endsOf(const CapturedDatagram &datagram)
{
    return QStringLiteral("%1.%2 > %3.%4: UDP, length %5")
        .arg(datagram.source.toString()).arg(datagram.sourcePort)
        .arg(datagram.destination.toString()).arg(datagram.destinationPort).arg(datagram.payload.size());
}

// Everything a setup holds, each field away from a fresh start's value; %1 is the port, and an
// unknown field rides along.
const char *const kRichSetup = R"({"format": "lumeral-setup", "version": 1, "colour": 1,
    "connection": {"localPort": %1, "bound": true, "targetHost": "::1", "targetPort": 9123, "encoding": "GBK",
                   "transport": "tcpServer", "framing": "slip", "interface": "lo", "multicastGroup": "239.255.0.9",
                   "multicastTtl": 8},
    "display": {"hex": true, "timestamp": false, "autoScroll": false, "lineSpacing": 4, "fontSize": 14},
    "send": {"address": "/mix/fader/3", "typeTags": ",s[hd]", "values": "main 3 0.5", "autoSend": true, "interval": 2500},
    "panel": {"zoom": 1.5, "grid": 20},
    "controls": [{"kind": "fader"}, {"kind": "knob", "address": "/mix/pan", "caption": "Pan", "color": "#123456",
                  "placement": {"x": 0.25, "y": 0.5, "width": 0.125, "height": 0.25},
                  "output": {"integer": true, "low": -100, "high": 100}}, {"kind": "label"}],
    "chart": {"type": "area", "timeWindow": 120},
    "rules": [{"name": "temp", "expression": "data.temp"}, {"name": "/mix/level", "kind": "oscArgument", "expression": "/mix/level"}],
    "logFilter": {"text": "!/mix/fader*", "showSys": false, "expandBundles": false},
    "language": "en"})";

} // namespace

class TestWorkbench : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    // What the window receives and sends lands in the file in order, with both ends.
    void recordsTrafficBothWays()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("traffic.pcap"));
        WindowSession session;
        QVERIFY(session.open());
        answerFiles(session.window, fileName);
        QPushButton *record = button(session.window, "recordButton");
        record->click();
        QCOMPARE(record->text(), QStringLiteral("停止录制"));
        const QByteArray incoming = OscCodec::buildOscMessage(QStringLiteral("/in"), QStringLiteral(",i"), QStringLiteral("7"));
        QVERIFY(session.peer.writeDatagram(incoming, QHostAddress::LocalHost, session.port) > 0);
        QTRY_COMPARE_WITH_TIMEOUT(session.logged, qint64(1), kWaitMs);
        session.window.sendData();
        QTRY_VERIFY_WITH_TIMEOUT(session.peer.hasPendingDatagrams(), kWaitMs);
        const QByteArray outgoing = session.peer.receiveDatagram().data();
        QTRY_COMPARE_WITH_TIMEOUT(session.window.findChild<QLabel *>(QStringLiteral("recordCountsLabel"))->text(),
                                  QStringLiteral("● 2 包 / %1 字节").arg(incoming.size() + outgoing.size()), kWaitMs);
        record->click();

        const QString peer = QStringLiteral("127.0.0.1.%1").arg(session.peer.localPort());
        const QString window = QStringLiteral("0.0.0.0.%1").arg(session.port);
        const QStringList expected = {QStringLiteral("%1 > %2: UDP, length %3").arg(peer, window).arg(incoming.size()),
                                      QStringLiteral("%1 > %2: UDP, length %3").arg(window, peer).arg(outgoing.size())};
        CaptureReader reader;
        QVERIFY2(reader.read(fileName), qPrintable(reader.errorString()));
        QStringList read;
        for (const CapturedDatagram &datagram : reader.datagrams())
            read << endsOf(datagram);
        QCOMPARE(read, expected);
        QCOMPARE(reader.datagrams().at(0).payload, incoming);
        QCOMPARE(reader.datagrams().at(1).payload, outgoing);
    }

    void recordingThatCannotWriteSaysSoOnce_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<qint64>("sizeLimit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("full disk") << QStringLiteral("/dev/full") << qint64(0) << QStringLiteral("无法开始录制: 无法写入 /dev/full: ");
        // The process may not grow a file past this: the header fits, the traffic does not.
        QTest::newRow("file grows past its limit") << QString() << qint64(1024) << QStringLiteral("录制失败, 已停止: ");
    }

    void recordingThatCannotWriteSaysSoOnce()
    {
        QFETCH(QString, fileName);
        QFETCH(qint64, sizeLimit);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        fileName = fileName.isEmpty() ? dir.filePath(QStringLiteral("limited.pcap")) : fileName;
        WindowSession session;
        QVERIFY(session.open());
        answerFiles(session.window, fileName);
        const int before = int(loggedTexts(session.window, LogDirection::System).size());

        rlimit previousLimit {};
        getrlimit(RLIMIT_FSIZE, &previousLimit);
        const rlimit limit {sizeLimit > 0 ? rlim_t(sizeLimit) : previousLimit.rlim_cur, previousLimit.rlim_max};
        const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        QPushButton *record = button(session.window, "recordButton");
        record->click();
        for (int i = 0; i < 40; ++i)
            session.window.sendData();
        QTRY_COMPARE_WITH_TIMEOUT(record->text(), QStringLiteral("录制"), 3 * CaptureWriter::FlushIntervalMs);
        setrlimit(RLIMIT_FSIZE, &previousLimit);
        std::signal(SIGXFSZ, previousSignal);

        const QStringList failures = loggedTexts(session.window, LogDirection::System).mid(before)
                                         .filter(QRegularExpression(QStringLiteral("^(无法开始录制|录制失败)")));
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.constFirst().startsWith(expected), qPrintable(failures.constFirst()));
        // What was written before the failure is still a readable capture.
        CaptureReader reader;
        QVERIFY(sizeLimit == 0 || (reader.read(fileName) && !reader.datagrams().isEmpty()));
    }

    void replayGoesToTheTargetWhileBound_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::newRow("bound") << true;
        // As the send button would refuse, the replay stops at its first datagram, saying so once.
        QTest::newRow("unbound") << false;
    }

    // A capture written here plays back through the dialog to a real receiver at the target.
    void replayGoesToTheTargetWhileBound()
    {
        QFETCH(bool, bound);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("replay.pcap"));
        const QList<QByteArray> payloads = {OscCodec::buildOscMessage(QStringLiteral("/a"), QStringLiteral(",i"), QStringLiteral("1")),
                                            OscCodec::buildOscMessage(QStringLiteral("/b"), QStringLiteral(",s"), QStringLiteral("two")),
                                            OscCodec::buildOscMessage(QStringLiteral("/c"), QStringLiteral(",f"), QStringLiteral("3.5"))};
        CaptureWriter writer;
        QVERIFY(writer.open(fileName));
        for (int i = 0; i < payloads.size(); ++i)
            writer.write(1000 * i, QHostAddress::LocalHost, 5000, QHostAddress::LocalHost, 6000, payloads.at(i));
        writer.close();

        WindowSession session;
        QVERIFY(session.open());
        if (!bound)
            session.window.toggleConnection();
        button(session.window, "replayButton")->click();
        ReplayDialog *dialog = session.window.workbench()->replayDialog();
        QVERIFY(dialog->isVisible());
        dialog->openFile(fileName);
        button(*dialog, "replayStartButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->replayer()->isRunning(), kWaitMs);
        if (!bound) {
            QCOMPARE(loggedTexts(session.window, LogDirection::System).count(QStringLiteral("请先绑定端口")), 1);
            QVERIFY(loggedTexts(session.window, LogDirection::Tx).isEmpty());
            return;
        }
        QList<QByteArray> arrived;
        while (arrived.size() < payloads.size() && (session.peer.hasPendingDatagrams() || session.peer.waitForReadyRead(kWaitMs)))
            arrived << session.peer.receiveDatagram().data();
        QCOMPARE(arrived, payloads);
        QCOMPARE(loggedTexts(session.window, LogDirection::Tx),
                 (QStringList{QStringLiteral("OSC /a ,i 1"), QStringLiteral("OSC /b ,s \"two\""), QStringLiteral("OSC /c ,f 3.5000")}));
        QCOMPARE(session.window.communication()->entries().constLast().data, payloads.constLast());
    }

    // Opened from a file, saved through the header and opened in a fresh window, a setup with every
    // field changed comes back whole; an empty one is a fresh start again.
    void setupRoundTripsThroughWindows()
    {
        QTemporaryDir dir;
        const QByteArray json = QString::fromLatin1(kRichSetup).arg(freeUdpPort()).toLatin1();
        const std::optional<Setup> rich = SetupFile::fromJson(json, nullptr, nullptr);
        QVERIFY(rich);
        const QString saved = dir.filePath(QStringLiteral("saved.lumeral"));
        {
            OscWidget first;
            QVERIFY(first.workbench()->openSetup(writeFile(dir, json)));
            QVERIFY(first.isBound());
            QTcpSocket client;
            client.connectToHost(QHostAddress::LocalHost, quint16(rich->localPort));
            QVERIFY2(client.waitForConnected(kWaitMs), qPrintable(client.errorString()));
            QCOMPARE(WindowSetup::gather(first), *rich);
            QCOMPARE(loggedTexts(first, LogDirection::System).filter(QStringLiteral("Unknown fields")),
                     QStringList{QStringLiteral("Unknown fields ignored: colour")});
            answerFiles(first, saved);
            button(first, "saveSetupButton")->click();
        }
        LanguageManager::instance().setLanguage(0);
        // Bound already, to the very port the setup binds: it lets go of it first.
        OscWidget second;
        QVERIFY(bindWindow(second, quint16(rich->localPort)));
        answerFiles(second, saved);
        button(second, "openSetupButton")->click();
        QCOMPARE(WindowSetup::gather(second), *rich);
        QVERIFY(second.isBound());
        QVERIFY(second.workbench()->openSetup(writeFile(dir, "{\"format\":\"lumeral-setup\",\"version\":1}")));
        QCOMPARE(WindowSetup::gather(second), Setup());
        QVERIFY(!second.isBound());
    }

    // Network settings the setup holds but this machine cannot use are named in [SYS] lines.
    void unusableNetworkSettingsAreLogged()
    {
        QTemporaryDir dir;
        OscWidget window;
        auto *interfaces = field<QComboBox>(window, "interfaceCombo");
        interfaces->setCurrentIndex(interfaces->findData(QStringLiteral("lo")));
        const QByteArray json = QStringLiteral(R"({"format": "lumeral-setup", "version": 1, "connection":
            {"localPort": %1, "bound": true, "interface": "nosuch0", "multicastGroup": "studio"}})")
                                    .arg(freeUdpPort()).toLatin1();
        QVERIFY(window.workbench()->openSetup(writeFile(dir, json)));
        QVERIFY(window.isBound());
        const QStringList lines = loggedTexts(window, LogDirection::System);
        QVERIFY(lines.contains(QStringLiteral("本机没有网络接口 nosuch0, 改用所有接口")));
        QVERIFY(lines.contains(QStringLiteral("组播地址无效: studio")));
        QCOMPARE(interfaces->currentIndex(), 0);
    }

    void brokenSetupChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("field");
        const QByteArray ours = "{\"format\":\"lumeral-setup\",\"version\":1,";
        QTest::newRow("out of range") << ours + "\"display\":{\"fontSize\":99}}" << QStringLiteral("display.fontSize");
        QTest::newRow("control address the panel refuses")
            << ours + "\"send\":{\"address\":\"/changed\"},\"controls\":[{\"kind\":\"fader\",\"address\":\"/ok\"},"
                      "{\"kind\":\"knob\",\"address\":\"/bad #\"}]}"
            << QStringLiteral("controls[1].address");
    }

    void brokenSetupChangesNothing()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, field);
        QTemporaryDir dir;
        OscWidget window;
        const int systemLines = int(loggedTexts(window, LogDirection::System).size());
        QString shown;
        QTimer::singleShot(0, &window, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        QVERIFY(!window.workbench()->openSetup(writeFile(dir, json)));
        QVERIFY2(shown.startsWith(field + QStringLiteral(": ")), qPrintable(shown));
        QCOMPARE(WindowSetup::gather(window), Setup());
        const QStringList added = loggedTexts(window, LogDirection::System).mid(systemLines);
        QCOMPARE(added.size(), 1);
        QVERIFY(added.constFirst().contains(field));
    }
};

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"
