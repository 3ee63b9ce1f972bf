// OSC over TCP into the shown window, listening as a TCP server with the framing detected.
//
//   bench_tcp [--runs 3] [--count 1000000] [--idle 2000]
//
// Every trial runs in a fresh child process, so that memory one trial freed does not serve the
// next, and every figure is the median of --runs trials.
// Ingest: a second process (this program with --peer) connects and writes --count messages of
// 20 bytes (`/test/val/N ,i n`) as fast as TCP takes them, length-prefixed or SLIP. TCP loses
// nothing, so the figure is messages per second from the connection to the last one logged;
// the worst lateness of a 1 ms probe timer says whether the window stayed responsive.
// Idle connections: the peer opens --idle connections and writes nothing; the window's resident
// set before and after, divided by their number, is the memory one idle connection costs it
// (its two [SYS] lines included; the kernel's socket buffers are not in the resident set).
#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"
#include "osc/LengthPrefixFramer.h"
#include "osc/OscCodec.h"
#include "osc/OscWidget.h"
#include "osc/SlipFramer.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSpinBox>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kServerTransport = 2;
constexpr int kAutoFraming = 0;
constexpr int kProbeIntervalMs = 1;
constexpr int kMessagesPerWrite = 1000;

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Connections want a descriptor each on both sides.
void raiseDescriptorLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int connectTo(quint16 port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return -1;
    return fd;
}

// The peer process: plain blocking sockets, so it costs the window nothing but the bytes.
int runPeer(quint16 port, const QString &mode, qint64 count)
{
    raiseDescriptorLimit();
    if (mode == QLatin1String("idle")) {
        std::vector<int> sockets;
        for (qint64 i = 0; i < count; ++i) {
            const int fd = connectTo(port);
            if (fd < 0)
                return 1;
            sockets.push_back(fd);
        }
        std::printf("ready\n");
        std::fflush(stdout);
        char byte;
        // Held open until the window is done with them and closes our stdin.
        while (read(STDIN_FILENO, &byte, 1) > 0) {
        }
        return 0;
    }
    const bool slip = mode == QLatin1String("slip");
    const int fd = connectTo(port);
    if (fd < 0)
        return 1;
    QByteArray batch;
    for (qint64 i = 0; i < count; ++i) {
        const QByteArray message = OscCodec::buildOscMessage(QStringLiteral("/test/val/%1").arg(i % 10), QStringLiteral(",i"),
                                                             QString::number(i % 10));
        batch += slip ? SlipFramer::encode(message) : LengthPrefixFramer::encode(message);
        if ((i + 1) % kMessagesPerWrite == 0 || i + 1 == count) {
            for (qsizetype written = 0; written < batch.size();) {
                const ssize_t n = write(fd, batch.constData() + written, size_t(batch.size() - written));
                if (n <= 0)
                    return 1;
                written += n;
            }
            batch.clear();
        }
    }
    char byte;
    while (read(fd, &byte, 1) > 0) {
    }
    return 0;
}

struct Window
{
    OscWidget window;
    quint16 port = 0;
    qint64 received = 0;

    bool listen()
    {
        QObject::connect(window.communication(), &CommunicationBase::logEntryAdded, &window,
                         [this](const LogEntry &entry) { received += entry.direction == LogDirection::Rx; });
        window.resize(1280, 800);
        window.show();
        window.findChild<QComboBox *>(QStringLiteral("transportCombo"))->setCurrentIndex(kServerTransport);
        window.findChild<QComboBox *>(QStringLiteral("framingCombo"))->setCurrentIndex(kAutoFraming);
        QTcpServer probe;
        probe.listen(QHostAddress::AnyIPv4);
        port = probe.serverPort();
        probe.close();
        window.findChild<QSpinBox *>(QStringLiteral("localPortSpin"))->setValue(port);
        window.toggleConnection();
        return window.isBound();
    }
};

QProcess *startPeer(quint16 port, const QString &mode, qint64 count)
{
    auto *peer = new QProcess;
    peer->start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--peer"), QString::number(port), QStringLiteral("--mode"), mode,
                 QStringLiteral("--count"), QString::number(count)});
    return peer;
}

struct IngestResult
{
    double perSecond = 0;
    double stallMs = 0;
};

IngestResult ingest(const QString &framing, qint64 count)
{
    Window target;
    if (!target.listen())
        return {};
    QElapsedTimer probeClock;
    qint64 lastProbe = 0;
    qint64 worstGap = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = probeClock.nsecsElapsed();
        worstGap = std::max(worstGap, now - lastProbe);
        lastProbe = now;
    });
    QElapsedTimer clock;
    clock.start();
    probeClock.start();
    probe.start(kProbeIntervalMs);
    QProcess *peer = startPeer(target.port, framing, count);
    while (target.received < count && clock.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double seconds = clock.nsecsElapsed() / 1e9;
    peer->kill();
    peer->waitForFinished();
    delete peer;
    if (target.received < count)
        return {};
    return {count / seconds, (worstGap - kProbeIntervalMs * 1000000LL) / 1e6};
}

double idleKilobytesEach(qint64 connections)
{
    Window target;
    if (!target.listen())
        return -1;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500)
        QCoreApplication::processEvents();
    const qint64 before = residentKilobytes();
    QProcess *peer = startPeer(target.port, QStringLiteral("idle"), connections);
    // The window accepts as its event loop turns, so it turns while the peer connects.
    clock.restart();
    while (!peer->canReadLine() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    clock.restart();
    // Accepted, logged and shown; then a second more for the log to settle.
    while (clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const qint64 after = residentKilobytes();
    peer->closeWriteChannel();
    peer->waitForFinished();
    delete peer;
    return double(after - before) / double(connections);
}

template<typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? T() : values[values.size() / 2];
}

// One trial in a child process; its one line of output holds its figures.
QList<double> runTrial(const QString &trial, qint64 count)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--trial"), trial, QStringLiteral("--count"), QString::number(count)});
    child.waitForFinished(-1);
    QList<double> figures;
    for (const QByteArray &field : child.readAllStandardOutput().trimmed().split(' '))
        figures << field.toDouble();
    return figures;
}

int runOneTrial(const QString &trial, qint64 count)
{
    if (trial == QLatin1String("idle")) {
        std::printf("%.2f\n", idleKilobytesEach(count));
        return 0;
    }
    const IngestResult result = ingest(trial, count);
    std::printf("%.0f %.1f\n", result.perSecond, result.stallMs);
    return result.perSecond > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCommandLineParser parser;
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Trials per figure."), QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Messages per trial."), QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption idleOption(QStringLiteral("idle"), QStringLiteral("Idle connections."), QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption peerOption(QStringLiteral("peer"), QStringLiteral("Be the peer (internal)."), QStringLiteral("port"));
    const QCommandLineOption modeOption(QStringLiteral("mode"), QStringLiteral("Peer mode (internal)."), QStringLiteral("mode"));
    const QCommandLineOption trialOption(QStringLiteral("trial"), QStringLiteral("Run one trial (internal)."), QStringLiteral("trial"));
    parser.addOptions({runsOption, countOption, idleOption, peerOption, modeOption, trialOption});
    {
        QCoreApplication arguments(argc, argv);
        parser.process(arguments);
        if (parser.isSet(peerOption))
            return runPeer(quint16(parser.value(peerOption).toUInt()), parser.value(modeOption), parser.value(countOption).toLongLong());
    }
    raiseDescriptorLimit();
    QApplication app(argc, argv);
    if (parser.isSet(trialOption))
        return runOneTrial(parser.value(trialOption), parser.value(countOption).toLongLong());
    const int runs = parser.value(runsOption).toInt();
    const qint64 count = parser.value(countOption).toLongLong();
    for (const QString &framing : {QStringLiteral("length"), QStringLiteral("slip")}) {
        std::vector<double> rates;
        std::vector<double> stalls;
        for (int run = 0; run < runs; ++run) {
            const QList<double> figures = runTrial(framing, count);
            rates.push_back(figures.value(0));
            stalls.push_back(figures.value(1));
            std::printf("  %s run %d: %.0f messages/s, worst stall %.1f ms\n", qPrintable(framing), run + 1,
                        rates.back(), stalls.back());
        }
        std::printf("%s: median %.0f messages/s, worst stall %.1f ms\n", qPrintable(framing), median(rates), median(stalls));
    }
    const qint64 idle = parser.value(idleOption).toLongLong();
    std::vector<double> each;
    for (int run = 0; run < runs; ++run) {
        each.push_back(runTrial(QStringLiteral("idle"), idle).value(0));
        std::printf("  idle run %d: %.2f KiB per connection\n", run + 1, each.back());
    }
    std::printf("idle: median %.2f KiB per connection (%lld connections)\n", median(each), idle);
    return 0;
}
