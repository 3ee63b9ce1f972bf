// Feeds the address table as live traffic would, paced at a fixed message rate over a set of
// addresses, and reports the processor time it costs per second of traffic: first the model
// alone, then with its page shown (offscreen) and sorted, so the view's refreshes are counted too.
// Also reports the longest event-loop stall.
//
//   bench_addresses [messages per second] [addresses] [seconds]   (default 50000 1000 5)

#include "app/StyleSheet.h"
#include "monitor/AddressTableModel.h"
#include "monitor/AddressTableView.h"
#include "osc/OscCodec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

namespace {

constexpr int kDefaultRate = 50000;
constexpr int kDefaultAddresses = 1000;
constexpr int kDefaultSeconds = 5;
// Values each address cycles through, so the last value changes from message to message.
constexpr int kValuesPerAddress = 8;
constexpr int kFeedIntervalMs = 1;

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct RunResult
{
    double cpuMsPerTrafficSecond = 0.0;
    double longestStallMs = 0.0;
    qint64 messages = 0;
};

// Records messages at `rate` per second of wall time for `seconds`, in the bursts a 1 ms timer
// allows, as a receiver draining its socket would.
RunResult feed(AddressTableModel &model, const QList<QByteArray> &messages, int rate, int seconds)
{
    const QString sender = QStringLiteral("127.0.0.1:9000");
    const qint64 total = qint64(rate) * seconds;
    qint64 sent = 0;
    qint64 worstGapNs = 0;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QEventLoop loop;
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    feeder.setInterval(kFeedIntervalMs);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        worstGapNs = qMax(worstGapNs, sinceTick.nsecsElapsed() - kFeedIntervalMs * 1000000LL);
        sinceTick.start();
        const qint64 due = qMin(total, clock.nsecsElapsed() * rate / 1000000000LL);
        for (; sent < due; ++sent)
            model.record(messages.at(sent % messages.size()), sender);
        if (sent >= total)
            loop.quit();
    });
    const double cpuAtStart = cpuSeconds();
    clock.start();
    sinceTick.start();
    feeder.start();
    loop.exec();
    RunResult result;
    result.cpuMsPerTrafficSecond = (cpuSeconds() - cpuAtStart) * 1000.0 / (clock.nsecsElapsed() / 1e9);
    result.longestStallMs = worstGapNs / 1e6;
    result.messages = sent;
    return result;
}

void report(QTextStream &out, const QString &caseName, const RunResult &result, int rows)
{
    out << caseName << ": " << QString::number(result.cpuMsPerTrafficSecond, 'f', 1)
        << " ms CPU per second of traffic, longest stall " << QString::number(result.longestStallMs, 'f', 1)
        << " ms, " << result.messages << " messages, " << rows << " rows\n";
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setStyleSheet(loadStyleSheet(QStringLiteral(":/styles/DarkTheme.qss"), QString()));
    const auto argument = [&](int index, int fallback) {
        return argc > index ? QString::fromLocal8Bit(argv[index]).toInt() : fallback;
    };
    const int rate = argument(1, kDefaultRate);
    const int addresses = argument(2, kDefaultAddresses);
    const int seconds = argument(3, kDefaultSeconds);
    if (rate < 1 || addresses < 1 || seconds < 1)
        return 1;

    // Messages interleave the addresses, as many faders moving at once would send them.
    QList<QByteArray> messages;
    for (int value = 0; value < kValuesPerAddress; ++value) {
        for (int address = 0; address < addresses; ++address) {
            messages << OscCodec::buildOscMessage(QStringLiteral("/bench/fader/%1").arg(address), QStringLiteral(",f"),
                                                  QString::number(value / double(kValuesPerAddress)));
        }
    }

    QTextStream out(stdout);
    out << rate << " messages/s over " << addresses << " addresses for " << seconds << " s\n";

    // Each result is taken before the rows are counted: the last refresh comes with the feed.
    AddressTableModel bare;
    const RunResult alone = feed(bare, messages, rate, seconds);
    report(out, QStringLiteral("model alone"), alone, bare.rowCount());

    AddressTableModel model;
    AddressTableView view(&model);
    view.resize(1000, 700);
    view.show();
    const RunResult byAddress = feed(model, messages, rate, seconds);
    report(out, QStringLiteral("page shown, sorted by address"), byAddress, model.rowCount());
    view.table()->sortByColumn(AddressTableModel::RateColumn, Qt::DescendingOrder);
    const RunResult byRate = feed(model, messages, rate, seconds);
    report(out, QStringLiteral("page shown, sorted by rate"), byRate, model.rowCount());
    return 0;
}
