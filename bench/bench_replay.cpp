// Replay timing benchmark: how closely the replayer keeps a capture's spacing at ×1.
//
//   bench_replay [--datagrams 10000] [--mean-spacing-us 1000] [--runs 3]
//
// A capture is written with CaptureWriter (spacings drawn evenly between 0.2× and 1.8× the mean,
// from a fixed seed), read back with CaptureReader and replayed at ×1; each due datagram is sent
// to a UDP socket on 127.0.0.1, as the window sends it. For every datagram the deviation is its
// send time against the start minus its time in the file against the first. Reported per run:
// median, 99th percentile and worst deviation in microseconds, and the median of the runs.
#include "capture/CaptureReader.h"
#include "capture/CaptureWriter.h"
#include "capture/Replayer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr quint32 Seed = 16;
constexpr double NsPerUsec = 1000.0;

struct Figures
{
    double medianUs = 0;
    double p99Us = 0;
    double worstUs = 0;
};

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1))];
}

QList<CapturedDatagram> makeCapture(const QString &fileName, int count, int meanSpacingUs)
{
    CaptureWriter writer;
    if (!writer.open(fileName))
        qFatal("%s", qPrintable(writer.errorString()));
    QRandomGenerator random(Seed);
    const QHostAddress loopback(QHostAddress::LocalHost);
    qint64 usec = 1700000000000000;
    for (int i = 0; i < count; ++i) {
        writer.write(usec, loopback, 9000, loopback, 9001, QByteArray("/bench/replay\0\0\0,i\0\0", 20) + QByteArray(4, char(i)));
        usec += meanSpacingUs / 5 + random.bounded(meanSpacingUs * 8 / 5);
    }
    writer.close();
    CaptureReader reader;
    if (!reader.read(fileName))
        qFatal("%s", qPrintable(reader.errorString()));
    return reader.datagrams();
}

Figures replayOnce(const QList<CapturedDatagram> &datagrams)
{
    QUdpSocket receiver;
    receiver.bind(QHostAddress::LocalHost, 0);
    QUdpSocket sender;
    Replayer replayer;
    replayer.setDatagrams(datagrams);
    std::vector<qint64> sentNs;
    sentNs.reserve(size_t(datagrams.size()));
    QElapsedTimer clock;
    QObject::connect(&replayer, &Replayer::datagramDue, &replayer, [&](const QByteArray &payload) {
        sender.writeDatagram(payload, QHostAddress::LocalHost, receiver.localPort());
        sentNs.push_back(clock.nsecsElapsed());
    });
    QObject::connect(&receiver, &QUdpSocket::readyRead, &receiver, [&] {
        while (receiver.hasPendingDatagrams())
            receiver.receiveDatagram();
    });
    QObject::connect(&replayer, &Replayer::finished, QCoreApplication::instance(), &QCoreApplication::quit);
    clock.start();
    replayer.start();
    QCoreApplication::exec();

    std::vector<double> deviationsUs;
    const qint64 first = datagrams.first().usecSinceEpoch;
    for (size_t i = 0; i < sentNs.size(); ++i)
        deviationsUs.push_back(double(sentNs[i]) / NsPerUsec - double(datagrams[qsizetype(i)].usecSinceEpoch - first));
    return {percentile(deviationsUs, 0.5), percentile(deviationsUs, 0.99), percentile(deviationsUs, 1.0)};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("datagrams"), QStringLiteral("Datagrams in the capture."),
                                         QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption spacingOption(QStringLiteral("mean-spacing-us"), QStringLiteral("Mean spacing in µs."),
                                           QStringLiteral("us"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Replays of the capture."),
                                        QStringLiteral("n"), QStringLiteral("3"));
    parser.addOptions({countOption, spacingOption, runsOption});
    parser.process(app);

    QTemporaryDir dir;
    const QList<CapturedDatagram> datagrams = makeCapture(dir.filePath(QStringLiteral("bench.pcap")),
                                                          qMax(2, parser.value(countOption).toInt()),
                                                          qMax(5, parser.value(spacingOption).toInt()));
    std::printf("%lld datagrams over %.2f s, replayed at x1\n", qlonglong(datagrams.size()),
                double(datagrams.last().usecSinceEpoch - datagrams.first().usecSinceEpoch) / 1e6);
    std::vector<double> medians;
    std::vector<double> worsts;
    for (int run = 0; run < qMax(1, parser.value(runsOption).toInt()); ++run) {
        const Figures figures = replayOnce(datagrams);
        std::printf("run %d: median %.1f us, p99 %.1f us, worst %.1f us\n", run + 1, figures.medianUs, figures.p99Us,
                    figures.worstUs);
        medians.push_back(figures.medianUs);
        worsts.push_back(figures.worstUs);
    }
    std::printf("median of runs: median %.1f us, worst %.1f us\n", percentile(medians, 0.5), percentile(worsts, 0.5));
    return 0;
}
