#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"
#include "comm/LogViewWidget.h"
#include "i18n/LanguageManager.h"
#include "osc/OscWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

namespace {

const QString kBoundStyle = QStringLiteral("font-size: 13px; color: #10B981; background: transparent;");
const QString kUnboundStyle = QStringLiteral("font-size: 13px; color: #64748B; background: transparent;");

// A port the system has just handed out and taken back, so the window can bind it.
quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress);
    return probe.localPort();
}

// An OSC-string: the text, one NUL, then NULs up to a multiple of 4.
QByteArray oscString(const QByteArray &text)
{
    return text + QByteArray(4 - text.size() % 4, '\0');
}

QByteArray message(const QByteArray &address, const QByteArray &tags, const QByteArray &arguments)
{
    return oscString(address) + oscString(tags) + arguments;
}

template<typename T>
T *field(const OscWidget &window, const char *objectName)
{
    return window.findChild<T *>(QLatin1String(objectName));
}

// The bind button shares its group with the local port, the send button with the arguments.
QPushButton *bindButton(const OscWidget &window)
{
    return field<QSpinBox>(window, "localPortSpin")->parentWidget()->findChild<QPushButton *>();
}

QPushButton *sendButton(const OscWidget &window)
{
    return field<QLineEdit>(window, "argsEdit")->parentWidget()->findChild<QPushButton *>();
}

QLabel *statusLabel(const OscWidget &window)
{
    return field<QLabel>(window, "connStatus");
}

quint16 localPort(const OscWidget &window)
{
    return quint16(field<QSpinBox>(window, "localPortSpin")->value());
}

QList<LogEntry> entriesOf(const OscWidget &window, LogDirection direction)
{
    QList<LogEntry> matching;
    for (const LogEntry &entry : window.communication()->entries()) {
        if (entry.direction == direction)
            matching.append(entry);
    }
    return matching;
}

QString lastSystemMessage(const OscWidget &window)
{
    const QList<LogEntry> messages = entriesOf(window, LogDirection::System);
    return messages.isEmpty() ? QString() : messages.last().text;
}

int countOf(const OscWidget &window, const QString &text)
{
    const QList<LogEntry> messages = entriesOf(window, LogDirection::System);
    return int(std::count_if(messages.cbegin(), messages.cend(),
                             [&text](const LogEntry &entry) { return entry.text == text; }));
}

bool bindWindow(OscWidget &window)
{
    field<QSpinBox>(window, "localPortSpin")->setValue(freeUdpPort());
    window.toggleConnection();
    return window.isBound();
}

// A bound window aimed at a plain socket on the loopback address.
struct Session
{
    OscWidget window;
    QUdpSocket peer;

    bool open()
    {
        if (!peer.bind(QHostAddress::LocalHost, 0))
            return false;
        field<QLineEdit>(window, "targetHostEdit")->setText(QStringLiteral("127.0.0.1"));
        field<QSpinBox>(window, "targetPortSpin")->setValue(peer.localPort());
        return bindWindow(window);
    }

    QByteArray receive()
    {
        if (!QTest::qWaitFor([this] { return peer.hasPendingDatagrams(); }, 5000))
            return QByteArray();
        QByteArray datagram(peer.pendingDatagramSize(), Qt::Uninitialized);
        peer.readDatagram(datagram.data(), datagram.size());
        return datagram;
    }
};

} // namespace

class tst_OscWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    void defaults_data();
    void defaults();
    void layoutSizes();
    void settingsReachModelAndView();

    void bindAndRelease();
    void refusedBindThenRetry();
    void refusedSend_data();
    void refusedSend();
    void typedAddress_data();
    void typedAddress();
    void invalidTarget_data();
    void invalidTarget();
    void presetBytes_data();
    void presetBytes();
    void autoSendRules();
    void autoSendTicksAfterRelease();

    void queuedDatagramsInOneCall();
    void receivedLine_data();
    void receivedLine();

    void sendOscValue_data();
    void sendOscValue();
    void sendOscValueFailures();

    void statusInBothLanguages();
    void destroyedWindowIgnoresLanguageSwitch();
};

void tst_OscWidget::defaults_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char *objectName, const char *property, const QVariant &expected) {
        QTest::addRow("%s %s", objectName, property) << QString::fromLatin1(objectName) << QByteArray(property)
                                                     << expected;
    };
    row("localPortSpin", "value", 9000);
    row("targetHostEdit", "text", QStringLiteral("127.0.0.1"));
    row("targetPortSpin", "value", 8000);
    row("encodingCombo", "currentText", QStringLiteral("UTF-8"));
    row("encodingCombo", "count", 5);
    row("hexCheck", "checked", false);
    row("timestampCheck", "checked", true);
    row("autoScrollCheck", "checked", true);
    row("lineSpacingSpin", "minimum", -10);
    row("fontSizeSpin", "value", 11);
    row("fontSizeSpin", "maximum", 16);
    row("addressEdit", "text", QStringLiteral("/test/value"));
    row("typeCombo", "currentText", QStringLiteral(",i (int32)"));
    row("argsEdit", "text", QStringLiteral("42"));
    row("autoSendCheck", "checked", false);
    row("intervalSpin", "value", 1000);
    row("intervalSpin", "minimum", 10);
    row("intervalSpin", "maximum", 60000);
    row("connStatus", "text", QStringLiteral("⚫ 未绑定"));
    row("connStatus", "styleSheet", QString());
    row("mainTabs", "count", 3);
}

void tst_OscWidget::defaults()
{
    QFETCH(QString, objectName);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    OscWidget window;
    QObject *object = window.findChild<QObject *>(objectName);
    QVERIFY(object);
    QCOMPARE(object->property(property.constData()), expected);
}

void tst_OscWidget::layoutSizes()
{
    OscWidget window;
    QCOMPARE(window.minimumSize(), QSize(900, 600));
    QCOMPARE(window.size(), QSize(1120, 760));
    QCOMPARE(bindButton(window)->text(), QStringLiteral("绑定端口"));
    auto *tabs = field<QTabWidget>(window, "mainTabs");
    QCOMPARE(tabs->tabText(0), QStringLiteral("通信日志"));
    QVERIFY(qobject_cast<LogViewWidget *>(tabs->widget(0)));
    auto *scroll = window.findChild<QScrollArea *>();
    QCOMPARE(scroll->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(scroll->widget()->width(), 254);
    QCOMPARE(scroll->widget()->findChildren<QGroupBox *>().size(), 3);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(field<QFrame>(window, "headerBar")->height(), 52);
    QCOMPARE(scroll->width(), 260);
    const int tabsWidth = tabs->width();
    window.resize(1400, 900);
    QTRY_COMPARE(tabs->width(), tabsWidth + 280);
    QCOMPARE(scroll->width(), 260);

    window.resize(500, 300);
    QTRY_COMPARE(window.size(), QSize(900, 600));
    QCOMPARE(scroll->width(), 260);
    // At the smallest size the tabs still start beside the column and the send button is whole.
    QCOMPARE(tabs->mapTo(&window, QPoint(0, 0)).x(), scroll->mapTo(&window, QPoint(0, 0)).x() + 260 + 12);
    const QRect send(sendButton(window)->mapTo(&window, QPoint(0, 0)), sendButton(window)->size());
    QVERIFY(window.rect().contains(send));
    QCOMPARE(send.size(), QSize(120, 32));
}

void tst_OscWidget::settingsReachModelAndView()
{
    OscWidget window;
    field<QCheckBox>(window, "hexCheck")->click();
    field<QCheckBox>(window, "timestampCheck")->click();
    field<QCheckBox>(window, "autoScrollCheck")->click();
    field<QComboBox>(window, "encodingCombo")->setCurrentText(QStringLiteral("GBK"));
    field<QSpinBox>(window, "lineSpacingSpin")->setValue(-10);
    field<QSpinBox>(window, "fontSizeSpin")->setValue(16);

    const CommunicationBase *model = window.communication();
    QVERIFY(model->hexDisplay());
    QVERIFY(!model->showTimestamp());
    QVERIFY(!model->autoScroll());
    QCOMPARE(model->encoding(), QStringLiteral("GBK"));
    QCOMPARE(window.findChild<LogViewWidget *>()->lineSpacing(), -10);
    QCOMPARE(window.findChild<LogViewWidget *>()->fontSize(), 16);
}

void tst_OscWidget::bindAndRelease()
{
    OscWidget window;
    const quint16 port = freeUdpPort();
    field<QSpinBox>(window, "localPortSpin")->setValue(port);
    QPushButton *button = bindButton(window);

    button->click();
    QVERIFY(window.isBound());
    QCOMPARE(lastSystemMessage(window), QStringLiteral("UDP端口已绑定 %1").arg(port));
    QCOMPARE(button->text(), QStringLiteral("释放端口"));
    QVERIFY(button->styleSheet().startsWith(QLatin1String("QPushButton { background-color: #EF4444;")));
    QCOMPARE(button->minimumHeight(), 36);
    QCOMPARE(button->maximumHeight(), 36);
    QCOMPARE(statusLabel(window)->text(), QStringLiteral("🟢 已绑定"));
    QCOMPARE(statusLabel(window)->styleSheet(), kBoundStyle);
    QUdpSocket sender;
    sender.writeDatagram(message("/ping", ",", QByteArray()), QHostAddress::LocalHost, port);
    QTRY_COMPARE(entriesOf(window, LogDirection::Rx).size(), 1);

    button->click();
    QVERIFY(!window.isBound());
    QCOMPARE(lastSystemMessage(window), QStringLiteral("端口已释放"));
    QCOMPARE(button->text(), QStringLiteral("绑定端口"));
    QCOMPARE(button->objectName(), QStringLiteral("accentButton"));
    QVERIFY(button->styleSheet().isEmpty());
    QCOMPARE(statusLabel(window)->text(), QStringLiteral("⚫ 未绑定"));
    QCOMPARE(statusLabel(window)->styleSheet(), kUnboundStyle);
    QUdpSocket next;
    QVERIFY2(next.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress), "port given back");
}

void tst_OscWidget::refusedBindThenRetry()
{
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
    const quint16 port = holder.localPort();
    OscWidget window;
    field<QSpinBox>(window, "localPortSpin")->setValue(port);

    window.toggleConnection();
    QVERIFY(!window.isBound());
    const QString refusal = lastSystemMessage(window);
    QVERIFY2(refusal.startsWith(QStringLiteral("绑定失败: ")) && refusal.size() > 6, qPrintable(refusal));
    QVERIFY(!window.findChild<QUdpSocket *>());
    QCOMPARE(bindButton(window)->text(), QStringLiteral("绑定端口"));
    QCOMPARE(statusLabel(window)->text(), QStringLiteral("⚫ 未绑定"));

    holder.close();
    window.toggleConnection();
    QVERIFY(window.isBound());
    QCOMPARE(lastSystemMessage(window), QStringLiteral("UDP端口已绑定 %1").arg(port));
    QCOMPARE(window.findChildren<QUdpSocket *>().size(), 1);
}

void tst_OscWidget::refusedSend_data()
{
    QTest::addColumn<bool>("bound");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unbound") << false << QStringLiteral("/test/value") << QStringLiteral("请先绑定端口");
    QTest::newRow("empty address") << true << QString() << QStringLiteral("请输入OSC地址");
    QTest::newRow("blank address") << true << QStringLiteral("   ") << QStringLiteral("请输入OSC地址");
}

void tst_OscWidget::refusedSend()
{
    QFETCH(bool, bound);
    QFETCH(QString, address);
    QFETCH(QString, expected);

    OscWidget window;
    QVERIFY(!bound || bindWindow(window));
    field<QLineEdit>(window, "addressEdit")->setText(address);
    window.sendData();
    QCOMPARE(lastSystemMessage(window), expected);
    QVERIFY(entriesOf(window, LogDirection::Tx).isEmpty());
    QCOMPARE(window.communication()->txBytes(), qint64(0));
}

void tst_OscWidget::typedAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("sentAddress");
    QTest::addColumn<QString>("logText");
    QTest::newRow("without slash") << "test" << QByteArray("/test") << "OSC test ,i 42";
    QTest::newRow("surrounding spaces") << "  /a/b  " << QByteArray("/a/b") << "OSC /a/b ,i 42";
}

void tst_OscWidget::typedAddress()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, sentAddress);
    QFETCH(QString, logText);

    Session session;
    QVERIFY(session.open());
    field<QLineEdit>(session.window, "addressEdit")->setText(typed);
    session.window.sendData();
    QCOMPARE(session.receive(), message(sentAddress, ",i", QByteArray::fromHex("0000002a")));
    const QList<LogEntry> sent = entriesOf(session.window, LogDirection::Tx);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().text, logText);
    QCOMPARE(session.window.communication()->txBytes(), qint64(logText.toUtf8().size()));
}

void tst_OscWidget::invalidTarget_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("local name") << QStringLiteral("localhost");
    QTest::newRow("domain name") << QStringLiteral("example.com");
    QTest::newRow("octet out of range") << QStringLiteral("999.1.1.1");
    QTest::newRow("empty") << QString();
}

void tst_OscWidget::invalidTarget()
{
    QFETCH(QString, host);
    Session session;
    QVERIFY(session.open());
    auto *hostEdit = field<QLineEdit>(session.window, "targetHostEdit");
    hostEdit->setText(host);
    session.window.sendData();
    QCOMPARE(lastSystemMessage(session.window), QStringLiteral("发送失败 目标地址无效: ") + host);
    QVERIFY(entriesOf(session.window, LogDirection::Tx).isEmpty());

    // Nothing went to this machine instead: the first datagram the peer sees is the next one.
    hostEdit->setText(QStringLiteral("127.0.0.1"));
    field<QLineEdit>(session.window, "argsEdit")->setText(QStringLiteral("7"));
    session.window.sendData();
    QCOMPARE(session.receive(), message("/test/value", ",i", QByteArray::fromHex("00000007")));
}

void tst_OscWidget::presetBytes_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("afterAddress");
    QTest::addColumn<QString>("logText");

    // Each datagram starts with oscString("/test/value"); the items after it are listed here.
    QTest::newRow("int32") << 0 << ",i (int32)" << "42" << oscString(",i") + QByteArray::fromHex("0000002a")
                           << "OSC /test/value ,i 42";
    QTest::newRow("float32") << 1 << ",f (float32)" << "0.5" << oscString(",f") + QByteArray::fromHex("3f000000")
                             << "OSC /test/value ,f 0.5";
    QTest::newRow("string") << 2 << ",s (string)" << "hello" << oscString(",s") + oscString("hello")
                            << "OSC /test/value ,s hello";
    QTest::newRow("true ignores values") << 3 << ",T (True)" << "42" << oscString(",T") << "OSC /test/value ,T 42";
    QTest::newRow("false") << 4 << ",F (False)" << "" << oscString(",F") << "OSC /test/value ,F ";
    QTest::newRow("nil") << 5 << ",N (Nil)" << "" << oscString(",N") << "OSC /test/value ,N ";
    QTest::newRow("int and float") << 6 << ",if (int+float)" << "7 2.5"
                                   << oscString(",if") + QByteArray::fromHex("00000007" "40200000")
                                   << "OSC /test/value ,if 7 2.5";
    QTest::newRow("string and float") << 7 << ",sf (string+float)" << "hi, 1.5"
                                      << oscString(",sf") + oscString("hi") + QByteArray::fromHex("3fc00000")
                                      << "OSC /test/value ,sf hi, 1.5";
}

void tst_OscWidget::presetBytes()
{
    QFETCH(int, preset);
    QFETCH(QString, label);
    QFETCH(QString, arguments);
    QFETCH(QByteArray, afterAddress);
    QFETCH(QString, logText);

    Session session;
    QVERIFY(session.open());
    auto *presets = field<QComboBox>(session.window, "typeCombo");
    QCOMPARE(presets->itemText(preset), label);
    presets->setCurrentIndex(preset);
    field<QLineEdit>(session.window, "argsEdit")->setText(arguments);

    QTest::mouseClick(sendButton(session.window), Qt::LeftButton);
    QCOMPARE(session.receive(), oscString("/test/value") + afterAddress);
    const QList<LogEntry> sent = entriesOf(session.window, LogDirection::Tx);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().text, logText);
}

void tst_OscWidget::autoSendRules()
{
    OscWidget window;
    auto *timer = window.findChild<QTimer *>(QStringLiteral("autoSendTimer"));
    auto *autoSend = field<QCheckBox>(window, "autoSendCheck");

    autoSend->setChecked(true);
    QVERIFY2(!timer->isActive(), "switched on while unbound");
    QVERIFY(bindWindow(window));
    QVERIFY2(!timer->isActive(), "binding starts nothing");
    autoSend->setChecked(false);
    autoSend->setChecked(true);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);

    field<QSpinBox>(window, "intervalSpin")->setValue(250);
    QCOMPARE(timer->interval(), 1000);
    autoSend->setChecked(false);
    autoSend->setChecked(true);
    QCOMPARE(timer->interval(), 250);

    window.toggleConnection();
    QVERIFY2(timer->isActive(), "releasing does not stop it");
    autoSend->setChecked(false);
    QVERIFY(!timer->isActive());
}

void tst_OscWidget::autoSendTicksAfterRelease()
{
    Session session;
    QVERIFY(session.open());
    field<QSpinBox>(session.window, "intervalSpin")->setValue(10);
    auto *autoSend = field<QCheckBox>(session.window, "autoSendCheck");
    autoSend->setChecked(true);
    const QByteArray expected = message("/test/value", ",i", QByteArray::fromHex("0000002a"));
    QCOMPARE(session.receive(), expected);
    QCOMPARE(session.receive(), expected);

    session.window.toggleConnection();
    const QString unbound = QStringLiteral("请先绑定端口");
    QTRY_VERIFY(countOf(session.window, unbound) >= 3);
    autoSend->setChecked(false);
    const int ticks = countOf(session.window, unbound);
    QTest::qWait(50);
    QCOMPARE(countOf(session.window, unbound), ticks);
}

void tst_OscWidget::queuedDatagramsInOneCall()
{
    OscWidget window;
    QVERIFY(bindWindow(window));
    QUdpSocket sender;
    for (const char *address : {"/first", "/second", "/third"})
        QVERIFY(sender.writeDatagram(message(address, ",", QByteArray()), QHostAddress::LocalHost, localPort(window)) > 0);

    // Wait for them without running the event loop, so that only the call below reads them.
    auto *socket = window.findChild<QUdpSocket *>();
    QDeadlineTimer deadline(5000);
    while (!socket->hasPendingDatagrams() && !deadline.hasExpired())
        QThread::msleep(1);

    window.onReadyRead();
    const QList<LogEntry> received = entriesOf(window, LogDirection::Rx);
    QCOMPARE(received.size(), 3);
    QVERIFY(received.at(0).text.endsWith(QLatin1String("] /first ,")));
    QVERIFY(received.at(1).text.endsWith(QLatin1String("] /second ,")));
    QVERIFY(received.at(2).text.endsWith(QLatin1String("] /third ,")));
    QVERIFY(!socket->hasPendingDatagrams());
}

void tst_OscWidget::receivedLine_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("rendered");
    QTest::addColumn<int>("bytesPerCharacter");

    const QByteArray answer = message("/test/value", ",i", QByteArray::fromHex("0000002a"));
    const QByteArray large(60000, 'x');
    QTest::newRow("int32") << "UTF-8" << answer << "/test/value ,i 42" << 1;
    QTest::newRow("int32, log in UTF-16") << "Unicode" << answer << "/test/value ,i 42" << 2;
    QTest::newRow("empty datagram") << "UTF-8" << QByteArray() << "" << 1;
    QTest::newRow("string of 60000 bytes") << "UTF-8" << message("/big", ",s", oscString(large))
                                           << QStringLiteral("/big ,s \"%1\"").arg(QLatin1String(large)) << 1;
}

void tst_OscWidget::receivedLine()
{
    QFETCH(QString, encoding);
    QFETCH(QByteArray, datagram);
    QFETCH(QString, rendered);
    QFETCH(int, bytesPerCharacter);

    OscWidget window;
    field<QComboBox>(window, "encodingCombo")->setCurrentText(encoding);
    QVERIFY(bindWindow(window));
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::LocalHost, 0));
    QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, localPort(window)), qint64(datagram.size()));

    QTRY_COMPARE(entriesOf(window, LogDirection::Rx).size(), 1);
    const QString line = QStringLiteral("[127.0.0.1:%1] ").arg(sender.localPort()) + rendered;
    QCOMPARE(entriesOf(window, LogDirection::Rx).first().text, line);
    QCOMPARE(window.communication()->rxBytes(), qint64(line.size() * bytesPerCharacter));
}

void tst_OscWidget::sendOscValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<QString>("logText");

    QTest::newRow("whole") << 1.0 << QByteArray(",i") << QByteArray::fromHex("00000001") << "OSC /fader ,i 1.000000";
    QTest::newRow("half") << 0.5 << QByteArray(",f") << QByteArray::fromHex("3f000000") << "OSC /fader ,f 0.500000";
    QTest::newRow("nearly whole") << 2.99995 << QByteArray(",i") << QByteArray::fromHex("00000003")
                                  << "OSC /fader ,i 2.999950";
    QTest::newRow("negative nearly whole") << -2.99995 << QByteArray(",i") << QByteArray::fromHex("fffffffd")
                                           << "OSC /fader ,i -2.999950";
    QTest::newRow("largest int32") << 2147483647.0 << QByteArray(",i") << QByteArray::fromHex("7fffffff")
                                   << "OSC /fader ,i 2147483647.000000";
    QTest::newRow("beyond int32") << 3000000000.0 << QByteArray(",f") << QByteArray::fromHex("4f32d05e")
                                  << "OSC /fader ,f 3000000000.000000";
}

void tst_OscWidget::sendOscValue()
{
    QFETCH(double, value);
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, argument);
    QFETCH(QString, logText);

    Session session;
    QVERIFY(session.open());
    session.window.sendOscValue(QStringLiteral("/fader"), value);
    QCOMPARE(session.receive(), message("/fader", tags, argument));
    const QList<LogEntry> sent = entriesOf(session.window, LogDirection::Tx);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().text, logText);
}

void tst_OscWidget::sendOscValueFailures()
{
    OscWidget window;
    window.sendOscValue(QStringLiteral("/fader"), 1.0);
    QVERIFY2(window.communication()->entries().isEmpty(), "unbound: dropped without a message");

    QVERIFY(bindWindow(window));
    auto *host = field<QLineEdit>(window, "targetHostEdit");
    host->setText(QStringLiteral("localhost"));
    window.sendOscValue(QStringLiteral("/fader"), 1.0);
    QCOMPARE(lastSystemMessage(window), QStringLiteral("发送失败 目标地址无效: localhost"));

    // An IPv6 target cannot be reached from the IPv4 socket: the write itself fails.
    host->setText(QStringLiteral("::1"));
    window.sendOscValue(QStringLiteral("/fader"), 1.0);
    const QString failure = lastSystemMessage(window);
    QVERIFY2(failure.startsWith(QStringLiteral("发送失败 ")) && !failure.contains(QStringLiteral("目标地址无效")),
             qPrintable(failure));
    QVERIFY(entriesOf(window, LogDirection::Tx).isEmpty());
}

void tst_OscWidget::statusInBothLanguages()
{
    OscWidget window;
    LanguageManager &language = LanguageManager::instance();
    QLabel *status = statusLabel(window);
    QPushButton *button = bindButton(window);
    auto *tabs = field<QTabWidget>(window, "mainTabs");

    language.setLanguage(1);
    QCOMPARE(status->text(), QStringLiteral("⚫ Unbound"));
    QCOMPARE(window.windowTitle(), QStringLiteral("OSC Debug Tool"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("Log"));
    QCOMPARE(sendButton(window)->text(), QStringLiteral("Refresh"));
    QVERIFY(bindWindow(window));
    QCOMPARE(status->text(), QStringLiteral("🟢 Bound"));
    QCOMPARE(status->styleSheet(), kBoundStyle);
    QCOMPARE(button->text(), QStringLiteral("释放端口"));

    // Back in Chinese the texts follow the state, not what they read at the first switch.
    language.setLanguage(0);
    QCOMPARE(status->text(), QStringLiteral("🟢 已绑定"));
    QCOMPARE(button->text(), QStringLiteral("释放端口"));
    QCOMPARE(window.windowTitle(), QStringLiteral("OSC调试助手"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("通信日志"));

    window.toggleConnection();
    language.setLanguage(1);
    QCOMPARE(status->text(), QStringLiteral("⚫ Unbound"));
    QCOMPARE(status->styleSheet(), kUnboundStyle);
    QCOMPARE(button->text(), QStringLiteral("绑定端口"));
    QVERIFY(button->styleSheet().isEmpty());
}

void tst_OscWidget::destroyedWindowIgnoresLanguageSwitch()
{
    delete new OscWidget;
    LanguageManager::instance().setLanguage(1);
    OscWidget builtInEnglish;
    QCOMPARE(builtInEnglish.windowTitle(), QStringLiteral("OSC Debug Tool"));
    QCOMPARE(field<QCheckBox>(builtInEnglish, "autoSendCheck")->text(), QStringLiteral("Auto Send"));
    LanguageManager::instance().setLanguage(0);
    QCOMPARE(field<QCheckBox>(builtInEnglish, "autoSendCheck")->text(), QStringLiteral("自动发送"));
}

QTEST_MAIN(tst_OscWidget)
#include "tst_oscwidget.moc"
