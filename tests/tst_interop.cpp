// liblo's command-line tools as independent peers: what the window sends must read back the
// same in oscdump, and what oscsend sends must render in the traffic log as expected.
#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"
#include "osc/OscWidget.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QUdpSocket>
#include <QtTest>

namespace {

constexpr int kToolTimeoutMs = 10000;
constexpr int kProbeIntervalMs = 50;
const QString kProbeAddress = QStringLiteral("/lumeral/probe");

quint16 freeUdpPort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress))
        return 0;
    return probe.localPort();
}

template<typename T>
T *field(const OscWidget &window, const char *objectName)
{
    return window.findChild<T *>(QLatin1String(objectName));
}

bool bindWindow(OscWidget &window)
{
    field<QSpinBox>(window, "localPortSpin")->setValue(freeUdpPort());
    window.toggleConnection();
    return window.isBound();
}

QList<LogEntry> receivedEntries(const OscWidget &window)
{
    QList<LogEntry> received;
    for (const LogEntry &entry : window.communication()->entries()) {
        if (entry.direction == LogDirection::Rx)
            received.append(entry);
    }
    return received;
}

// oscdump listening on a port of its own; it prints one line per message, after a time tag.
class OscdumpPeer
{
public:
    ~OscdumpPeer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Ready once a probe sent to its port comes back on its output.
    bool start()
    {
        m_port = freeUdpPort();
        m_process.start(QStandardPaths::findExecutable(QStringLiteral("oscdump")),
                        {QStringLiteral("-L"), QString::number(m_port)});
        if (!m_process.waitForStarted())
            return false;
        QUdpSocket prober;
        const QByteArray probe = QByteArray("/lumeral/probe\0\0,\0\0\0", 20);
        return QTest::qWaitFor([&] {
            prober.writeDatagram(probe, QHostAddress::LocalHost, m_port);
            m_process.waitForReadyRead(kProbeIntervalMs);
            m_output += m_process.readAllStandardOutput();
            return m_output.contains(kProbeAddress.toUtf8());
        }, kToolTimeoutMs);
    }

    quint16 port() const { return m_port; }

    // The next message line other than a probe, without its time tag.
    QString nextMessage()
    {
        QString message;
        const bool arrived = QTest::qWaitFor([&] {
            while (message.isEmpty()) {
                const qsizetype end = m_output.indexOf('\n');
                if (end < 0)
                    break;
                const QString line = QString::fromUtf8(m_output.left(end));
                m_output.remove(0, end + 1);
                const QString withoutTimeTag = line.section(QLatin1Char(' '), 1);
                if (!withoutTimeTag.startsWith(kProbeAddress))
                    message = withoutTimeTag;
            }
            if (message.isEmpty()) {
                m_process.waitForReadyRead(kProbeIntervalMs);
                m_output += m_process.readAllStandardOutput();
            }
            return !message.isEmpty();
        }, kToolTimeoutMs);
        return arrived ? message : QStringLiteral("(nothing from oscdump)");
    }

private:
    QProcess m_process;
    QByteArray m_output;
    quint16 m_port = 0;
};

} // namespace

class tst_Interop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void presetsReadBackInOscdump_data();
    void presetsReadBackInOscdump();
    void controlValuesReadBackInOscdump_data();
    void controlValuesReadBackInOscdump();
    void oscsendMessagesRenderInLog_data();
    void oscsendMessagesRenderInLog();
};

void tst_Interop::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("oscsend")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("oscdump")).isEmpty())
        QSKIP("liblo's oscsend and oscdump are not installed (Debian package liblo-tools; "
              "scripts/bootstrap installs it)");
}

void tst_Interop::presetsReadBackInOscdump_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("dumped");

    QTest::newRow("int32") << 0 << "/test/value" << "42" << "/test/value i 42";
    QTest::newRow("negative int32") << 0 << "/test/value" << "-2147483648"
                                    << "/test/value i -2147483648";
    QTest::newRow("float32") << 1 << "/level" << "0.25" << "/level f 0.250000";
    QTest::newRow("string") << 2 << "/name" << "hello" << "/name s \"hello\"";
    QTest::newRow("wide string") << 2 << "/名字" << "你好" << "/名字 s \"你好\"";
    QTest::newRow("true") << 3 << "/on" << "" << "/on T #T";
    QTest::newRow("false") << 4 << "/off" << "ignored" << "/off F #F";
    QTest::newRow("nil") << 5 << "/none" << "" << "/none N Nil";
    QTest::newRow("int and float") << 6 << "/pair" << "7 2.5" << "/pair if 7 2.500000";
    QTest::newRow("string and float") << 7 << "synth/freq" << "a4, 440.5"
                                      << "/synth/freq sf \"a4\" 440.500000";
}

void tst_Interop::presetsReadBackInOscdump()
{
    QFETCH(int, preset);
    QFETCH(QString, address);
    QFETCH(QString, values);
    QFETCH(QString, dumped);

    OscdumpPeer oscdump;
    QVERIFY2(oscdump.start(), "oscdump did not start listening");
    OscWidget window;
    QVERIFY(bindWindow(window));
    field<QLineEdit>(window, "targetHostEdit")->setText(QStringLiteral("127.0.0.1"));
    field<QSpinBox>(window, "targetPortSpin")->setValue(oscdump.port());
    field<QLineEdit>(window, "addressEdit")->setText(address);
    field<QComboBox>(window, "typeCombo")->setCurrentIndex(preset);
    field<QLineEdit>(window, "argsEdit")->setText(values);

    window.sendData();

    QCOMPARE(oscdump.nextMessage(), dumped);
}

void tst_Interop::controlValuesReadBackInOscdump_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("dumped");

    QTest::newRow("whole") << 1.0 << "/fader/1 i 1";
    QTest::newRow("zero") << 0.0 << "/fader/1 i 0";
    QTest::newRow("negative whole") << -3.0 << "/fader/1 i -3";
    QTest::newRow("nearly whole") << 2.99995 << "/fader/1 i 3";
    QTest::newRow("fraction") << 0.5 << "/fader/1 f 0.500000";
    QTest::newRow("negative fraction") << -0.75 << "/fader/1 f -0.750000";
    QTest::newRow("beyond int32") << 4294967296.0 << "/fader/1 f 4294967296.000000";
}

void tst_Interop::controlValuesReadBackInOscdump()
{
    QFETCH(double, value);
    QFETCH(QString, dumped);

    OscdumpPeer oscdump;
    QVERIFY2(oscdump.start(), "oscdump did not start listening");
    OscWidget window;
    QVERIFY(bindWindow(window));
    field<QLineEdit>(window, "targetHostEdit")->setText(QStringLiteral("127.0.0.1"));
    field<QSpinBox>(window, "targetPortSpin")->setValue(oscdump.port());

    window.sendOscValue(QStringLiteral("/fader/1"), value);

    QCOMPARE(oscdump.nextMessage(), dumped);
}

void tst_Interop::oscsendMessagesRenderInLog_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("rendered");

    auto row = [](const char *name, const QString &arguments, const QString &rendered) {
        QTest::newRow(name) << arguments.split(QLatin1Char(' ')) << rendered;
    };
    row("int32", "/test/value i 42", "/test/value ,i 42");
    row("negative int32", "/n i -5", "/n ,i -5");
    row("float32", "/mix f 0.75", "/mix ,f 0.7500");
    row("string", "/name s hello", "/name ,s \"hello\"");
    row("true", "/on T", "/on ,T True");
    row("false", "/off F", "/off ,F False");
    row("nil", "/none N", "/none ,N Nil");
    row("int64", "/wide h 9000000000", "/wide ,h 9000000000");
    row("float64", "/wide d 2.5", "/wide ,d 2.5000");
    row("mixed", "/all ifsTFNhd 1 2.5 three -9000000000 0.125",
        "/all ,ifsTFNhd 1 2.5000 \"three\" True False Nil -9000000000 0.1250");
    row("no arguments", "/bare", "/bare ,");
}

void tst_Interop::oscsendMessagesRenderInLog()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, rendered);

    OscWidget window;
    QVERIFY(bindWindow(window));
    const quint16 port = quint16(field<QSpinBox>(window, "localPortSpin")->value());

    QProcess oscsend;
    oscsend.start(QStandardPaths::findExecutable(QStringLiteral("oscsend")),
                  QStringList{QStringLiteral("127.0.0.1"), QString::number(port)} + arguments);
    QVERIFY(oscsend.waitForFinished(kToolTimeoutMs));
    QCOMPARE(oscsend.exitCode(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(receivedEntries(window).size(), 1, kToolTimeoutMs);
    const QString line = receivedEntries(window).first().text;
    static const QRegularExpression fromLoopback(QStringLiteral("^\\[127\\.0\\.0\\.1:\\d+\\] "));
    QVERIFY2(line.contains(fromLoopback), qPrintable(line));
    QCOMPARE(line.section(QLatin1String("] "), 1), rendered);
}

QTEST_MAIN(tst_Interop)
#include "tst_interop.moc"
