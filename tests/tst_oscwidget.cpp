#include "charts/ChartEngine.h"
#include "comm/LogViewWidget.h"
#include "controls/OscControlPanel.h"
#include "controls/OscFader.h"
#include "monitor/AddressTableModel.h"
#include "monitor/AddressTableView.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "support/WindowTestSupport.h"

namespace {

QByteArray message(const char *address, const char *tags, const char *values = "")
{
    return OscCodec::buildOscMessage(QString::fromUtf8(address), QLatin1String(tags), QLatin1String(values));
}

// What the send group sends as it opens: "/test/value" with the int32 42.
const QByteArray kDefaultMessage = message("/test/value", ",i", "42");

// The bind button shares its group with "localPortSpin", the send button with "argsEdit".
QPushButton *buttonBeside(const OscWidget &window, const char *objectName)
{
    return field<QWidget>(window, objectName)->parentWidget()->findChild<QPushButton *>();
}

} // namespace

class tst_OscWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    void layoutAndSettings()
    {
        OscWidget window;
        QCOMPARE(window.size(), QSize(1120, 760));
        QCOMPARE(field<QSpinBox>(window, "localPortSpin")->value(), 9000);
        QCOMPARE(field<QSpinBox>(window, "targetPortSpin")->value(), 8000);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(500, 300);
        QTRY_COMPARE(window.size(), QSize(900, 600));
        QCOMPARE(window.findChild<QScrollArea *>()->width(), 260);
        // At the smallest size the send button is still whole.
        QPushButton *send = buttonBeside(window, "argsEdit");
        QVERIFY(window.rect().contains(QRect(send->mapTo(&window, QPoint()), send->size())));

        // The settings reach the log's model and view (hex, time stamps and encoding: tst_trafficlog, tst_composer).
        field<QCheckBox>(window, "autoScrollCheck")->click();
        field<QSpinBox>(window, "lineSpacingSpin")->setValue(-10);
        field<QSpinBox>(window, "fontSizeSpin")->setValue(16);
        QVERIFY(!window.communication()->autoScroll());
        QCOMPARE(window.findChild<LogViewWidget *>()->lineSpacing(), -10);
        QCOMPARE(window.findChild<LogViewWidget *>()->fontSize(), 16);
    }

    // The bind button and the status label through a refused bind, a retry, traffic and a release, in
    // both languages.
    void bindCycle()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        const quint16 port = holder.localPort();
        QUdpSocket refused;
        QVERIFY(!refused.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DefaultForPlatform));
        OscWidget window;
        QSignalSpy connected(window.communication(), &CommunicationBase::connectionStatusChanged);
        auto *status = field<QLabel>(window, "connStatus");
        QPushButton *button = buttonBeside(window, "localPortSpin");
        QVERIFY(!bindWindow(window, port));
        QCOMPARE(status->text(), QStringLiteral("⚫ 未绑定"));

        holder.close();
        LanguageManager::instance().setLanguage(1);
        button->click();
        QCOMPARE(status->text(), QStringLiteral("🟢 Bound"));
        QVERIFY(status->styleSheet().contains(QLatin1String("#10B981")));
        QCOMPARE(button->text(), QStringLiteral("Release Port"));
        QVERIFY(button->styleSheet().contains(QLatin1String("#EF4444")));
        // Each received line names its sender, also when the sender changes between two datagrams.
        QUdpSocket first, second;
        QStringList received;
        for (QUdpSocket *sender : {&first, &second, &first}) {
            sender->writeDatagram(kDefaultMessage, QHostAddress::LocalHost, port);
            received << QStringLiteral("[127.0.0.1:%1] /test/value ,i 42").arg(sender->localPort());
            QTRY_COMPARE(loggedTexts(window, LogDirection::Rx), received);
        }

        // Back in Chinese the texts follow the state, not what they read at the first switch.
        LanguageManager::instance().setLanguage(0);
        QCOMPARE(status->text(), QStringLiteral("🟢 已绑定"));
        button->click();
        QVERIFY2(holder.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress), "port given back");
        QCOMPARE(loggedTexts(window, LogDirection::System), QStringList({"绑定失败: " + refused.errorString(),
                                                                   QStringLiteral("UDP port bound: %1").arg(port),
                                                                   QStringLiteral("端口已释放")}));
        QCOMPARE(connected, (QList<QVariantList>{{true}, {false}}));
        LanguageManager::instance().setLanguage(1);
        QCOMPARE(status->text(), QStringLiteral("⚫ Unbound"));
        QVERIFY(status->styleSheet().contains(QLatin1String("#64748B")));
        QCOMPARE(button->text(), QStringLiteral("Bind Port"));
        QVERIFY(button->styleSheet().isEmpty());
    }

    // What one press of the send button, or one control value, logs and puts on the wire;
    // a refused send logs its reason and sends nothing.
    void send_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("preset");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QStringList>("logged");
        auto sent = [](const char *name, const char *address, int preset, const char *arguments,
                       const QByteArray &datagram, const char *logText) {
            QTest::newRow(name) << true << QStringLiteral("127.0.0.1") << QString::fromUtf8(address) << preset
                                << QString::fromUtf8(arguments) << datagram << QStringList{QString::fromUtf8(logText)};
        };
        auto refused = [](const char *name, bool bound, const char *host, const char *address, int preset,
                          const QStringList &logged) {
            QTest::newRow(name) << bound << QString::fromUtf8(host) << QString::fromUtf8(address) << preset
                                << QStringLiteral("42") << QByteArray() << logged;
        };
        const char *a = "/test/value";
        sent("int32", a, 0, "42", kDefaultMessage, "OSC /test/value ,i 42");
        sent("true ignores values", a, 3, "42", message(a, ",T"), "OSC /test/value ,T 42");
        sent("string and float", a, 7, "hi, 1.5", message(a, ",sf", "hi 1.5"), "OSC /test/value ,sf hi, 1.5");
        // A preset of -1 sends the arguments as one control value through sendOscValue().
        const char *f = "/fader";
        sent("value 2.99995", f, -1, "2.99995", message(f, ",i", "3"), "OSC /fader ,i 2.999950");

        refused("unbound", false, "127.0.0.1", a, 0, {"请先绑定端口"});
        refused("blank address", true, "127.0.0.1", "   ", 0, {"请输入OSC地址"});
        refused("host name", true, "localhost", a, 0, {"发送失败 目标地址无效: localhost"});
        refused("value to a host name", true, "localhost", f, -1, {"发送失败 目标地址无效: localhost"});
        refused("value while unbound: dropped quietly", false, "127.0.0.1", f, -1, {});
    }

    void send()
    {
        QFETCH(bool, bound);
        QFETCH(QString, host);
        QFETCH(QString, address);
        QFETCH(int, preset);
        QFETCH(QString, arguments);
        QFETCH(QByteArray, datagram);
        QFETCH(QStringList, logged);
        WindowSession session;
        QVERIFY(session.open());
        OscWidget &window = session.window;
        if (!bound)
            window.toggleConnection();
        field<QLineEdit>(window, "targetHostEdit")->setText(host);
        field<QLineEdit>(window, "addressEdit")->setText(address);
        field<QComboBox>(window, "typeCombo")->setCurrentIndex(qMax(preset, 0));
        field<QLineEdit>(window, "argsEdit")->setText(arguments);
        window.communication()->clearLog();
        if (preset < 0)
            window.sendOscValue(address, arguments.toDouble());
        else
            QTest::mouseClick(buttonBeside(window, "argsEdit"), Qt::LeftButton);
        QCOMPARE(loggedTexts(window), logged);

        if (datagram.isEmpty()) {
            // Nothing went to this machine instead: the first datagram the peer sees is the next one.
            QVERIFY(bound || bindWindow(window));
            field<QLineEdit>(window, "targetHostEdit")->setText(QStringLiteral("127.0.0.1"));
            window.sendOscValue(QStringLiteral("/next"), 7);
            datagram = message("/next", ",i", "7");
        }
        QCOMPARE(session.receive(), datagram);
    }

    // A bundle shows one row per message and moves the controls as its messages alone would; with
    // expanding off it is one row again, and its messages still reach the controls; so do patterns.
    void bundles()
    {
        WindowSession session;
        QVERIFY(session.open());
        OscWidget &window = session.window;
        QList<OscFader *> faders;
        for (const char *address : {"/mix/vol", "/ch/1/vol", "/ch/2/vol"}) {
            window.controlPanel()->addControl(faders.emplaceBack(new OscFader));
            faders.last()->setAddress(QString::fromUtf8(address));
        }
        QByteArray datagram("#bundle\0\0\0\0\0\0\0\0\1", 16);
        for (const QByteArray &element : {message("/mix/vol", ",f", "0.5"), message("/solo", ",i", "1")})
            datagram += QByteArray(3, '\0') + char(element.size()) + element;
        QVERIFY(session.send(datagram));
        QTRY_COMPARE(loggedTexts(window, LogDirection::Rx), QStringList({session.prefix() + "#bundle 立即 ▸ /mix/vol ,f 0.5000",
                                                                         session.prefix() + "#bundle 立即 ▸ /solo ,i 1"}));
        QCOMPARE(window.communication()->rxBytes(), datagram.size());
        QCOMPARE(faders[0]->value(), 0.5);

        field<QCheckBox>(window, "expandBundlesCheck")->click();
        window.communication()->clearLog();
        QVERIFY(session.send(datagram.replace(message("/mix/vol", ",f", "0.5"), message("/mix/vol", ",f", "0.25"))));
        QTRY_COMPARE(loggedTexts(window), QStringList(session.prefix() + OscCodec::decodeOscToText(datagram)));
        QVERIFY(session.send(message("/ch/[12]/vol", ",f", "0.75")));
        QTRY_COMPARE((QList<double>{faders[0]->value(), faders[1]->value(), faders[2]->value()}), (QList<double>{0.25, 0.75, 0.75}));
    }

    // The pages hear of every message, bundled or not, and act on what the address table asks.
    void monitorPagesWired()
    {
        WindowSession session;
        QVERIFY(session.open());
        OscWidget &window = session.window;
        QByteArray bundle("#bundle\0\0\0\0\0\0\0\0\1", 16);
        for (const QByteArray &element : {message("/mix/vol", ",f", "0.5"), message("/solo", ",i", "1")})
            bundle += QByteArray(3, '\0') + char(element.size()) + element;
        QVERIFY(session.send(bundle) && session.send(message("/mix/vol", ",f", "0.25")));
        auto *table = field<QTableView>(window, "addressTable");
        QTRY_COMPARE(table->model()->rowCount(), 2);
        QTRY_COMPARE(table->model()->index(0, AddressTableModel::CountColumn).data().toInt()
                     + table->model()->index(1, AddressTableModel::CountColumn).data().toInt(), 3);

        auto *list = field<QListWidget>(window, "logOutput");
        QTRY_COMPARE(list->count(), 4); // the binding's line, the bundle's two rows, the message
        list->setCurrentRow(2);
        QVERIFY(field<QPlainTextEdit>(window, "inspectorView")->toPlainText().contains(QStringLiteral("/solo ,i")));

        auto *view = table->parentWidget();
        while (!qobject_cast<AddressTableView *>(view))
            view = view->parentWidget();
        emit static_cast<AddressTableView *>(view)->addressActivated(QStringLiteral("/solo"));
        QCOMPARE(field<QLineEdit>(window, "addressEdit")->text(), QStringLiteral("/solo"));
        emit static_cast<AddressTableView *>(view)->chartRuleRequested(QStringLiteral("/solo"));
        QCOMPARE(window.chartEngine()->rules().last().expression, QStringLiteral("/solo"));
        emit static_cast<AddressTableView *>(view)->labelControlRequested(QStringLiteral("/solo"));
        QVERIFY(session.send(message("/solo", ",i", "7")));
        QTRY_COMPARE(window.controlPanel()->controls().last()->value(), 7.0);

        window.communication()->clearLog();
        QTRY_COMPARE(table->model()->rowCount(), 0);
        QVERIFY(field<QPlainTextEdit>(window, "inspectorView")->toPlainText().isEmpty());
    }
};

QTEST_MAIN(tst_OscWidget)
#include "tst_oscwidget.moc"
