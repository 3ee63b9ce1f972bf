// The window under hostile traffic and failing surroundings: oversized and random datagrams,
// floods, busy and closed ports, exports that cannot be written, and the user changing things
// while traffic flows. Nothing may crash, freeze, lose a datagram or grow without bound.
#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"
#include "controls/OscControl.h"
#include "controls/OscControlPanel.h"
#include "controls/FreeCanvas.h"
#include "controls/OscFader.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "osc/OscWidget.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <unistd.h>

namespace {

constexpr int kLargestIpv4Datagram = 65507;
constexpr int kLogLimit = CommunicationBase::DefaultMaxLogEntries;
// Datagrams in flight at once: few enough for the receive buffer the system grants the window.
constexpr int kFloodBurst = 1000;
constexpr int kFloodBurstInDefaultBuffer = 200;
constexpr qint64 kWantedReceiveBufferBytes = 4 * 1024 * 1024;
constexpr int kDrainTimeoutMs = 10000;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

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

quint16 windowPort(const OscWidget &window)
{
    return quint16(field<QSpinBox>(window, "localPortSpin")->value());
}

bool bindWindow(OscWidget &window)
{
    field<QSpinBox>(window, "localPortSpin")->setValue(freeUdpPort());
    window.toggleConnection();
    return window.isBound();
}

void aimWindow(OscWidget &window, quint16 port)
{
    field<QLineEdit>(window, "targetHostEdit")->setText(QStringLiteral("127.0.0.1"));
    field<QSpinBox>(window, "targetPortSpin")->setValue(port);
}

QString lastSystemMessage(const OscWidget &window)
{
    const QList<LogEntry> entries = window.communication()->entries();
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
        if (entry->direction == LogDirection::System)
            return entry->text;
    }
    return QString();
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

QByteArray oscString(const QByteArray &text)
{
    QByteArray bytes = text;
    bytes.append('\0');
    while (bytes.size() % 4 != 0)
        bytes.append('\0');
    return bytes;
}

QByteArray intMessage(const QByteArray &address, qint32 value)
{
    QByteArray message = oscString(address) + oscString(",i");
    const quint32 word = quint32(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        message.append(char((word >> shift) & 0xFF));
    return message;
}

// The most receive buffer the system grants a socket, or -1 where that cannot be read.
qint64 receiveBufferCap()
{
    QFile cap(QStringLiteral("/proc/sys/net/core/rmem_max"));
    if (!cap.open(QIODevice::ReadOnly))
        return -1;
    return cap.readAll().trimmed().toLongLong();
}

// The resident set of this process in kilobytes, or -1 where /proc is not available.
qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// A plain socket on the loopback address that talks to the window and counts what the
// window logs as received.
class Peer
{
public:
    explicit Peer(const OscWidget &window)
        : m_windowPort(windowPort(window))
    {
        m_socket.bind(QHostAddress::LocalHost, 0);
        QObject::connect(window.communication(), &CommunicationBase::logEntryAdded, &m_socket,
                         [this](const LogEntry &entry) {
                             if (entry.direction == LogDirection::Rx)
                                 ++m_logged;
                         });
    }

    bool send(const QByteArray &datagram)
    {
        const bool sent = m_socket.writeDatagram(datagram, QHostAddress::LocalHost, m_windowPort)
            == datagram.size();
        m_sent += sent ? 1 : 0;
        return sent;
    }

    // Runs the event loop until the window has logged everything sent so far.
    bool drain()
    {
        const QDeadlineTimer deadline(kDrainTimeoutMs);
        while (m_logged < m_sent && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return m_logged == m_sent;
    }

    QString linePrefix() const { return QStringLiteral("[127.0.0.1:%1] ").arg(m_socket.localPort()); }
    quint16 port() const { return m_socket.localPort(); }
    qint64 sent() const { return m_sent; }
    qint64 logged() const { return m_logged; }
    QUdpSocket &socket() { return m_socket; }

private:
    QUdpSocket m_socket;
    quint16 m_windowPort;
    qint64 m_sent = 0;
    qint64 m_logged = 0;
};

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void largestDatagram();
    void burstWhileBusyIsKept();
    void randomBytesEveryMillisecond();
    void portAlreadyInUse();
    void closedTargetPort();
    void exportFailures_data();
    void exportFailures();
    void millionDatagramsStayBounded();
    void languageSwitchedWhileTrafficFlows();
    void controlDeletedWhileValuesArrive();
};

void tst_Faults::cleanup()
{
    LanguageManager::instance().setLanguage(0);
}

void tst_Faults::largestDatagram()
{
    OscWidget window;
    QVERIFY(bindWindow(window));
    Peer peer(window);
    const QByteArray header = oscString("/big") + oscString(",s");
    const QByteArray payload(kLargestIpv4Datagram - header.size() - 1, 'x');
    const QByteArray datagram = header + payload + '\0';
    QCOMPARE(datagram.size(), kLargestIpv4Datagram);

    QVERIFY(peer.send(datagram));
    QVERIFY(peer.drain());

    const QString expected = peer.linePrefix() + QStringLiteral("/big ,s \"") + QString::fromLatin1(payload)
        + QLatin1Char('"');
    QCOMPARE(entriesOf(window, LogDirection::Rx).value(0).text, expected);
    QCOMPARE(window.communication()->rxBytes(), qint64(expected.size()));
}

// Thousands of datagrams that arrive while the event loop is busy wait in the socket's receive
// buffer, far more than the system's default buffer holds.
void tst_Faults::burstWhileBusyIsKept()
{
    constexpr int kBurst = 5000;
    if (receiveBufferCap() < kWantedReceiveBufferBytes)
        QSKIP("this system caps receive buffers below 4 MiB (net.core.rmem_max)");
    OscWidget window;
    QVERIFY(bindWindow(window));
    Peer peer(window);

    for (int i = 0; i < kBurst; ++i)
        QVERIFY(peer.send(intMessage("/burst", i)));
    QVERIFY2(peer.drain(), qPrintable(QStringLiteral("%1 of %2 logged").arg(peer.logged()).arg(peer.sent())));

    QCOMPARE(entriesOf(window, LogDirection::Rx).last().text, peer.linePrefix() + QStringLiteral("/burst ,i %1").arg(kBurst - 1));
}

void tst_Faults::randomBytesEveryMillisecond()
{
    constexpr int kDurationMs = 10000;
    constexpr int kLongestRandomDatagram = 1024;
    OscWidget window;
    QVERIFY(bindWindow(window));
    Peer peer(window);
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("random datagrams seeded with %u", seed);
    QRandomGenerator random(seed);

    QList<QByteArray> sent;
    QTimer sender;
    sender.setTimerType(Qt::PreciseTimer);
    connect(&sender, &QTimer::timeout, this, [&] {
        QByteArray datagram(random.bounded(kLongestRandomDatagram + 1), Qt::Uninitialized);
        for (char &byte : datagram)
            byte = char(random.bounded(256));
        if (peer.send(datagram))
            sent.append(datagram);
    });
    sender.start(1);
    QTest::qWait(kDurationMs);
    sender.stop();

    QVERIFY2(peer.drain(), qPrintable(QStringLiteral("%1 of %2 logged").arg(peer.logged()).arg(sent.size())));
    const QList<LogEntry> received = entriesOf(window, LogDirection::Rx);
    QCOMPARE(received.size(), sent.size());
    for (qsizetype i = 0; i < sent.size(); ++i) {
        const QString expected = window.communication()->decodeBytes(
            window.communication()->encodeText(peer.linePrefix() + OscCodec::decodeOscToText(sent.at(i))));
        QVERIFY2(received.at(i).text == expected, qPrintable(QStringLiteral("datagram %1").arg(i)));
    }
}

void tst_Faults::portAlreadyInUse()
{
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
    OscWidget window;
    field<QSpinBox>(window, "localPortSpin")->setValue(holder.localPort());

    window.toggleConnection();

    QVERIFY(!window.isBound());
    QVERIFY2(lastSystemMessage(window).startsWith(QStringLiteral("绑定失败: ")), qPrintable(lastSystemMessage(window)));
    QVERIFY(lastSystemMessage(window).size() > QStringLiteral("绑定失败: ").size());

    holder.close();
    window.toggleConnection();
    QVERIFY(window.isBound());
    QCOMPARE(lastSystemMessage(window), QStringLiteral("UDP端口已绑定 %1").arg(windowPort(window)));
}

// Sending to a port nobody listens on draws an ICMP "port unreachable"; it must not leave
// the socket unable to receive or to send afterwards.
void tst_Faults::closedTargetPort()
{
    OscWidget window;
    QVERIFY(bindWindow(window));
    Peer peer(window);
    aimWindow(window, freeUdpPort());
    field<QLineEdit>(window, "addressEdit")->setText(QStringLiteral("/nobody"));
    field<QLineEdit>(window, "argsEdit")->setText(QStringLiteral("1"));
    for (int i = 0; i < 3; ++i) {
        window.sendData();
        window.sendOscValue(QStringLiteral("/nobody"), 0.5);
        QTest::qWait(20);
    }

    for (int i = 0; i < 3; ++i)
        QVERIFY(peer.send(intMessage("/after", i)));
    QVERIFY(peer.drain());
    QCOMPARE(entriesOf(window, LogDirection::Rx).last().text, peer.linePrefix() + QStringLiteral("/after ,i 2"));

    aimWindow(window, peer.port());
    const int sentBefore = entriesOf(window, LogDirection::Tx).size();
    window.sendData();
    QTRY_VERIFY(peer.socket().hasPendingDatagrams());
    QCOMPARE(peer.socket().receiveDatagram().data(), intMessage("/nobody", 1));
    QCOMPARE(entriesOf(window, LogDirection::Tx).size(), sentBefore + 1);
    QVERIFY(window.isBound());
}

void tst_Faults::exportFailures_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("readOnlyFile");
    QTest::addColumn<bool>("csv");

    for (const bool csv : {false, true}) {
        const QByteArray format = csv ? " as CSV" : " as text";
        QTest::newRow("into a missing directory" + format) << "missing/deeper/log.txt" << false << csv;
        QTest::newRow("onto a directory" + format) << "existing-directory" << false << csv;
        QTest::newRow("onto a read-only file" + format) << "read-only.txt" << true << csv;
    }
}

void tst_Faults::exportFailures()
{
    QFETCH(QString, relativePath);
    QFETCH(bool, readOnlyFile);
    QFETCH(bool, csv);
    if (readOnlyFile && ::geteuid() == 0)
        QSKIP("running as root, which may write to a read-only file");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("existing-directory")));
    const QString path = dir.filePath(relativePath);
    const QByteArray kept = "written before\n";
    if (readOnlyFile) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kept);
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
    }
    CommunicationBase model;
    model.addSystemMessage(QStringLiteral("UDP端口已绑定 9000"));
    model.addRxData("[127.0.0.1:50000] /test/value ,i 42");

    QVERIFY(!model.exportToFile(path, false, csv));

    QCOMPARE(model.entries().size(), 2);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
    if (readOnlyFile) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kept);
    }
    QVERIFY(model.exportToFile(dir.filePath(QStringLiteral("retry.txt")), false, csv));
}

// Sustained traffic far beyond the log's limit: the model keeps the newest entries, the view
// keeps as many rows, and memory stops growing once the log is full.
void tst_Faults::millionDatagramsStayBounded()
{
    constexpr int kDatagrams = 1000000;
    constexpr int kSettledAfter = 300000;
    constexpr qint64 kAllowedGrowthKilobytes = 64 * 1024;
    OscWidget window;
    window.show();
    QVERIFY(bindWindow(window));
    Peer peer(window);

    const int burst = receiveBufferCap() >= kWantedReceiveBufferBytes ? kFloodBurst : kFloodBurstInDefaultBuffer;
    qint64 settledKilobytes = -1;
    for (int burstStart = 0; burstStart < kDatagrams; burstStart += burst) {
        for (int i = burstStart; i < burstStart + burst; ++i)
            QVERIFY(peer.send(intMessage("/flood", i)));
        QVERIFY2(peer.drain(), qPrintable(QStringLiteral("%1 of %2 logged").arg(peer.logged()).arg(peer.sent())));
        if (settledKilobytes < 0 && burstStart + burst >= kSettledAfter)
            settledKilobytes = residentKilobytes();
    }

    const QList<LogEntry> entries = window.communication()->entries();
    QCOMPARE(entries.size(), kLogLimit);
    QCOMPARE(entries.last().text, peer.linePrefix() + QStringLiteral("/flood ,i %1").arg(kDatagrams - 1));
    const auto *list = window.findChild<QListWidget *>(QStringLiteral("logOutput"));
    QVERIFY(list);
    const QString lastLine = QStringLiteral("/flood ,i %1").arg(kDatagrams - 1);
    QTRY_VERIFY_WITH_TIMEOUT(list->count() > 0 && list->item(list->count() - 1)->text().endsWith(lastLine),
                             kDrainTimeoutMs);
    QCOMPARE(list->count(), kLogLimit);

    const qint64 finalKilobytes = residentKilobytes();
    if (settledKilobytes < 0 || finalKilobytes < 0)
        QSKIP("the resident set size cannot be read on this system");
    if (kSanitized)
        QSKIP("AddressSanitizer keeps freed memory in quarantine; the bound is checked in the plain build");
    qInfo("resident set after %d datagrams: %lld kB; after %d: %lld kB", kSettledAfter,
          settledKilobytes, kDatagrams, finalKilobytes);
    QVERIFY2(finalKilobytes - settledKilobytes < kAllowedGrowthKilobytes,
             qPrintable(QStringLiteral("grew by %1 kB").arg(finalKilobytes - settledKilobytes)));
}

void tst_Faults::languageSwitchedWhileTrafficFlows()
{
    constexpr int kSwitches = 40;
    OscWidget window;
    window.show();
    QVERIFY(bindWindow(window));
    Peer peer(window);
    int value = 0;
    QTimer sender;
    connect(&sender, &QTimer::timeout, this, [&] { peer.send(intMessage("/during", value++)); });
    sender.start(1);

    for (int i = 1; i <= kSwitches; ++i) {
        LanguageManager::instance().setLanguage(i % 2);
        QTest::qWait(10);
    }
    sender.stop();

    QVERIFY(peer.drain());
    QVERIFY(value > 0);
    const QList<LogEntry> received = entriesOf(window, LogDirection::Rx);
    QCOMPARE(received.size(), value);
    for (int i = 0; i < value; ++i)
        QCOMPARE(received.at(i).text, peer.linePrefix() + QStringLiteral("/during ,i %1").arg(i));
    QVERIFY(LanguageManager::instance().isEnglish() == (kSwitches % 2 == 1));
    QCOMPARE(field<QLabel>(window, "connStatus")->text(), QStringLiteral("🟢 已绑定"));
}

void tst_Faults::controlDeletedWhileValuesArrive()
{
    OscWidget window;
    window.show();
    OscControlPanel *panel = window.controlPanel();
    if (!panel)
        QSKIP("this window has no control panel");
    QVERIFY(bindWindow(window));
    Peer peer(window);
    // Added directly: the toolbar's buttons open the configuration dialog.
    auto *doomed = new OscFader(panel->canvas());
    auto *survivor = new OscFader(panel->canvas());
    panel->addControl(doomed);
    panel->addControl(survivor);
    doomed->setAddress(QStringLiteral("/shared"));
    survivor->setAddress(QStringLiteral("/shared"));
    QPointer<OscControl> watchDoomed(doomed);

    int value = 0;
    QTimer sender;
    connect(&sender, &QTimer::timeout, this, [&] { peer.send(intMessage("/shared", value++ % 2)); });
    sender.start(1);
    QTest::qWait(100);
    panel->setEditMode(true);
    panel->selectControl(doomed);
    panel->removeSelected();
    panel->setEditMode(false);
    QTest::qWait(100);
    sender.stop();
    QVERIFY(peer.drain());

    QTRY_VERIFY(watchDoomed.isNull());
    QCOMPARE(panel->controls().size(), 1);
    QVERIFY(peer.send(intMessage("/shared", 1)));
    QVERIFY(peer.drain());
    QCOMPARE(survivor->value(), 1.0);
    QVERIFY(peer.send(intMessage("/shared", 0)));
    QVERIFY(peer.drain());
    QCOMPARE(survivor->value(), 0.0);
}

QTEST_MAIN(tst_Faults)
#include "tst_faults.moc"
