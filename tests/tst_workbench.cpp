#include "capture/CaptureReader.h"
#include "capture/CaptureWriter.h"
#include "capture/ReplayDialog.h"
#include "capture/Replayer.h"
#include "controls/OscControlPanel.h"
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

// Answers the next modal dialog (a message box) from a timer, keeping its text.
QString answerMessageBox(const std::function<void()> &open)
{
    QString text;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll.stop();
            text = box->text();
            box->accept();
        }
    });
    poll.start(10);
    open();
    return text;
}

QPushButton *button(const QWidget &root, const char *objectName)
{
    return root.findChild<QPushButton *>(QLatin1String(objectName));
}

void answerFiles(OscWidget &window, const QString &fileName)
{
    window.workbench()->chooseFile = [fileName](Workbench::FileRole) { return fileName; };
}

// Everything a setup holds, each field away from a fresh start's value.
Setup richSetup(quint16 port)
{
    Setup setup;
    setup.localPort = port;
    setup.bound = true;
    setup.targetHost = QStringLiteral("::1");
    setup.targetPort = 9123;
    setup.encoding = QStringLiteral("GBK");
    setup.hexDisplay = true;
    setup.showTimestamp = false;
    setup.autoScroll = false;
    setup.lineSpacing = 4;
    setup.fontSize = 14;
    setup.sendAddress = QStringLiteral("/mix/fader/3");
    setup.sendTypeTags = QStringLiteral(",sf");
    setup.sendValues = QStringLiteral("main 0.5");
    setup.autoSend = true;
    setup.autoSendInterval = 2500;
    Setup::Control knob = Setup::Control::fresh(Setup::Control::Kind::Knob, 1);
    knob.address = QStringLiteral("/mix/pan");
    knob.caption = QStringLiteral("Pan");
    knob.color = QStringLiteral("#123456");
    knob.placement = QRectF(0.25, 0.5, 0.125, 0.25);
    knob.outputInteger = true;
    knob.outputLow = -100;
    knob.outputHigh = 100;
    setup.controls = {Setup::Control::fresh(Setup::Control::Kind::Fader, 1), knob,
                      Setup::Control::fresh(Setup::Control::Kind::Label, 3)};
    setup.zoom = 1.5;
    setup.gridSize = 20;
    setup.chartType = Setup::ChartType::Area;
    setup.rules = {ChartRule{QStringLiteral("temp"), RuleKind::JsonPath, QStringLiteral("data.temp")},
                   ChartRule{QStringLiteral("/mix/level"), RuleKind::OscArgument, QStringLiteral("/mix/level")}};
    setup.timeWindow = 120;
    setup.filterText = QStringLiteral("!/mix/*");
    setup.showSys = false;
    setup.expandBundles = false;
    setup.language = Setup::Language::English;
    return setup;
}

} // namespace

class TestWorkbench : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    // What the window sends and receives lands in the file in order, with both ends.
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
                                  QStringLiteral("已录制 2 个 / %1 字节").arg(incoming.size() + outgoing.size()), kWaitMs);
        record->click();
        QCOMPARE(record->text(), QStringLiteral("录制"));

        CaptureReader reader;
        QVERIFY2(reader.read(fileName), qPrintable(reader.errorString()));
        QCOMPARE(reader.datagrams().size(), 2);
        const CapturedDatagram &received = reader.datagrams().at(0);
        const CapturedDatagram &sent = reader.datagrams().at(1);
        QCOMPARE(received.source, QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(received.sourcePort, session.peer.localPort());
        QCOMPARE(received.destination, QHostAddress(QHostAddress::AnyIPv4));
        QCOMPARE(received.destinationPort, session.port);
        QCOMPARE(received.payload, incoming);
        QCOMPARE(sent.source, QHostAddress(QHostAddress::AnyIPv4));
        QCOMPARE(sent.sourcePort, session.port);
        QCOMPARE(sent.destination, QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(sent.destinationPort, session.peer.localPort());
        QCOMPARE(sent.payload, outgoing);
        QVERIFY(received.usecSinceEpoch <= sent.usecSinceEpoch);

        const QString tcpdump = QStandardPaths::findExecutable(QStringLiteral("tcpdump"));
        if (tcpdump.isEmpty())
            QSKIP("tcpdump is not installed");
        QProcess dump;
        dump.start(tcpdump, {QStringLiteral("-r"), fileName, QStringLiteral("-nn")});
        QVERIFY(dump.waitForFinished(kWaitMs));
        const QStringList lines = QString::fromLatin1(dump.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).contains(QStringLiteral("127.0.0.1.%1 > 0.0.0.0.%2: UDP, length %3")
                                          .arg(session.peer.localPort()).arg(session.port).arg(incoming.size())),
                 qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).contains(QStringLiteral("0.0.0.0.%1 > 127.0.0.1.%2: UDP, length %3")
                                          .arg(session.port).arg(session.peer.localPort()).arg(outgoing.size())),
                 qPrintable(lines.at(1)));
    }

    void recordingThatCannotWriteSaysSoOnce_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<qint64>("sizeLimit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no such folder") << QStringLiteral("/nonexistent/dir/x.pcap") << qint64(0) << QStringLiteral("无法开始录制: ");
        QTest::newRow("full disk") << QStringLiteral("/dev/full") << qint64(0) << QStringLiteral("无法开始录制: ");
        // The process may not grow a file past this: the header fits, the traffic does not.
        QTest::newRow("file grows past its limit") << QString() << qint64(1024) << QStringLiteral("录制失败, 已停止: ");
    }

    void recordingThatCannotWriteSaysSoOnce()
    {
        QFETCH(QString, fileName);
        QFETCH(qint64, sizeLimit);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        if (fileName.isEmpty())
            fileName = dir.filePath(QStringLiteral("limited.pcap"));
        WindowSession session;
        QVERIFY(session.open());
        answerFiles(session.window, fileName);
        const int before = int(loggedTexts(session.window, LogDirection::System).size());

        rlimit previousLimit {};
        getrlimit(RLIMIT_FSIZE, &previousLimit);
        const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        if (sizeLimit > 0) {
            rlimit limit = previousLimit;
            limit.rlim_cur = rlim_t(sizeLimit);
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        }
        QPushButton *record = button(session.window, "recordButton");
        record->click();
        for (int i = 0; i < 40; ++i)
            session.window.sendData();
        QTRY_COMPARE_WITH_TIMEOUT(record->text(), QStringLiteral("录制"), 3 * CaptureWriter::FlushIntervalMs);
        setrlimit(RLIMIT_FSIZE, &previousLimit);
        std::signal(SIGXFSZ, previousSignal);

        const QStringList lines = loggedTexts(session.window, LogDirection::System).mid(before);
        const QStringList failures = lines.filter(QRegularExpression(QStringLiteral("^(无法开始录制|录制失败)")));
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.constFirst().startsWith(expected), qPrintable(failures.constFirst()));
        // What was written before the failure is still a readable capture.
        if (sizeLimit > 0) {
            CaptureReader reader;
            QVERIFY2(reader.read(fileName), qPrintable(reader.errorString()));
            QVERIFY(!reader.datagrams().isEmpty());
        }
    }

    // A capture written here plays back through the dialog to a real receiver at the target.
    void replayReachesTheTargetAndIsLogged()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("replay.pcap"));
        const QList<QByteArray> payloads = {
            OscCodec::buildOscMessage(QStringLiteral("/a"), QStringLiteral(",i"), QStringLiteral("1")),
            OscCodec::buildOscMessage(QStringLiteral("/b"), QStringLiteral(",s"), QStringLiteral("two")),
            OscCodec::buildOscMessage(QStringLiteral("/c"), QStringLiteral(",f"), QStringLiteral("3.5")),
        };
        CaptureWriter writer;
        QVERIFY(writer.open(fileName));
        for (int i = 0; i < payloads.size(); ++i)
            writer.write(1000 * i, QHostAddress::LocalHost, 5000, QHostAddress::LocalHost, 6000, payloads.at(i));
        writer.close();

        WindowSession session;
        QVERIFY(session.open());
        button(session.window, "replayButton")->click();
        ReplayDialog *dialog = session.window.workbench()->replayDialog();
        QVERIFY(dialog->isVisible());
        dialog->openFile(fileName);
        button(*dialog, "replayStartButton")->click();
        QList<QByteArray> arrived;
        QTRY_VERIFY_WITH_TIMEOUT((arrived += session.peer.hasPendingDatagrams() ? QList<QByteArray>{session.peer.receiveDatagram().data()}
                                                                               : QList<QByteArray>{},
                                  arrived.size() == payloads.size()), kWaitMs);
        QCOMPARE(arrived, payloads);
        const QStringList sentRows = loggedTexts(session.window, LogDirection::Tx);
        QCOMPARE(sentRows, (QStringList{QStringLiteral("OSC /a ,i 1"), QStringLiteral("OSC /b ,s \"two\""), QStringLiteral("OSC /c ,f 3.5000")}));
        QCOMPARE(session.window.communication()->entries().constLast().data, payloads.constLast());
    }

    // Unbound, the replay stops at its first datagram with one line, as the send button would refuse.
    void replayWhileUnboundStops()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("replay.pcap"));
        CaptureWriter writer;
        QVERIFY(writer.open(fileName));
        for (int i = 0; i < 5; ++i)
            writer.write(i, QHostAddress::LocalHost, 5000, QHostAddress::LocalHost, 6000, QByteArray("/x\0\0,\0\0\0", 8));
        writer.close();
        OscWidget window;
        ReplayDialog *dialog = window.workbench()->replayDialog();
        dialog->openFile(fileName);
        button(*dialog, "replayStartButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->replayer()->isRunning(), kWaitMs);
        QCOMPARE(loggedTexts(window, LogDirection::System).count(QStringLiteral("请先绑定端口")), 1);
        QVERIFY(loggedTexts(window, LogDirection::Tx).isEmpty());
    }

    // Opened from a file, saved through the header and opened in a fresh window, a setup with every
    // field changed comes back whole.
    void setupRoundTripsThroughWindows()
    {
        QTemporaryDir dir;
        const Setup rich = richSetup(freeUdpPort());
        QString error;
        QVERIFY2(SetupFile::save(dir.filePath(QStringLiteral("rich.lumeral")), rich, &error), qPrintable(error));

        {
            OscWidget first;
            QVERIFY(first.workbench()->openSetup(dir.filePath(QStringLiteral("rich.lumeral"))));
            QVERIFY(first.isBound());
            QCOMPARE(WindowSetup::gather(first), rich);
            answerFiles(first, dir.filePath(QStringLiteral("saved.lumeral")));
            button(first, "saveSetupButton")->click();
        }
        LanguageManager::instance().setLanguage(0);

        // Bound already, to the very port the setup binds: it lets go of it first.
        OscWidget second;
        QVERIFY(bindWindow(second, quint16(rich.localPort)));
        answerFiles(second, dir.filePath(QStringLiteral("saved.lumeral")));
        button(second, "openSetupButton")->click();
        QCOMPARE(WindowSetup::gather(second), rich);
        QVERIFY(second.isBound());
        QCOMPARE(second.controlPanel()->controls().size(), rich.controls.size());
        QVERIFY(loggedTexts(second, LogDirection::System).filter(QStringLiteral("Unknown fields")).isEmpty());
    }

    void unknownFieldsAreNamedInOneLine()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("extra.lumeral")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"format\":\"lumeral-setup\",\"version\":1,\"colour\":\"red\",\"send\":{\"address\":\"/q\",\"speed\":3}}");
        file.close();
        // Left out, "bound" is a fresh start's: released.
        OscWidget window;
        QVERIFY(bindWindow(window));
        QVERIFY(window.workbench()->openSetup(file.fileName()));
        QVERIFY(!window.isBound());
        QCOMPARE(field<QLineEdit>(window, "addressEdit")->text(), QStringLiteral("/q"));
        const QStringList ignored = loggedTexts(window, LogDirection::System).filter(QStringLiteral("已忽略未知字段"));
        QCOMPARE(ignored.size(), 1);
        QVERIFY(ignored.constFirst().contains(QStringLiteral("colour")));
        QVERIFY(ignored.constFirst().contains(QStringLiteral("send.speed")));
    }

    void brokenSetupChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("field");
        QTest::newRow("not ours") << QByteArray("{\"format\":\"other\",\"version\":1}") << QStringLiteral("format");
        QTest::newRow("newer version") << QByteArray("{\"format\":\"lumeral-setup\",\"version\":2}") << QStringLiteral("version");
        QTest::newRow("wrong type") << QByteArray("{\"format\":\"lumeral-setup\",\"version\":1,\"connection\":{\"localPort\":\"x\"}}")
                                    << QStringLiteral("connection.localPort");
        QTest::newRow("out of range") << QByteArray("{\"format\":\"lumeral-setup\",\"version\":1,\"display\":{\"fontSize\":99}}")
                                      << QStringLiteral("display.fontSize");
        QTest::newRow("control address the panel refuses")
            << QByteArray("{\"format\":\"lumeral-setup\",\"version\":1,\"send\":{\"address\":\"/changed\"},"
                          "\"controls\":[{\"kind\":\"fader\",\"address\":\"/ok\"},{\"kind\":\"knob\",\"address\":\"/bad #\"}]}")
            << QStringLiteral("controls[1].address");
    }

    void brokenSetupChangesNothing()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, field);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("broken.lumeral")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(json);
        file.close();

        OscWidget window;
        const Setup before = WindowSetup::gather(window);
        const int systemLines = int(loggedTexts(window, LogDirection::System).size());
        bool opened = true;
        const QString shown = answerMessageBox([&] { opened = window.workbench()->openSetup(file.fileName()); });
        QVERIFY(!opened);
        QVERIFY2(shown.startsWith(field + QStringLiteral(": ")), qPrintable(shown));
        QCOMPARE(WindowSetup::gather(window), before);
        const QStringList added = loggedTexts(window, LogDirection::System).mid(systemLines);
        QCOMPARE(added.size(), 1);
        QVERIFY(added.constFirst().contains(field));
    }
};

QTEST_MAIN(TestWorkbench)
#include "tst_workbench.moc"
