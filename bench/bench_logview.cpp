// Feeds traffic through a CommunicationBase into a shown LogViewWidget and reports how fast the
// entries reach the list, the longest event-loop stall and the peak memory, first into an empty
// view and then into one that already holds a full log; what a steady flood of 50000 entries a
// second into the full view costs, with and without a filter; then how long a full view takes to
// show every row in a new font or display format, and how long a filter takes to reach every row
// of it and the longest the event loop waits meanwhile.
//
//   bench_logview [entries]        (default 100000; runs offscreen unless QT_QPA_PLATFORM is set)

#include "app/StyleSheet.h"
#include "comm/CommunicationBase.h"
#include "comm/LogViewWidget.h"
#include "osc/OscCodec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QTextStream>
#include <QTimer>

#include <functional>

#include <sys/resource.h>

namespace {

constexpr int kDefaultEntries = 100000;
// Datagrams arrive in bursts; one burst is handed to the model per event-loop turn.
constexpr int kEntriesPerBurst = 1000;
constexpr int kProbeIntervalMs = 1;
constexpr int kBlobEntries = 1000;
constexpr int kBlobBytes = 60008;
// The traffic goes round this many fader addresses.
constexpr int kFaderCount = 64;
// A flood at a steady rate, as the network would deliver it.
constexpr int kFloodRate = 50000;
constexpr int kFloodEntries = 200000;

struct RunResult
{
    double entriesPerSecond = 0.0;
    // The same rate counted against the process's own processor time, which other load on the
    // machine does not stretch.
    double entriesPerCpuSecond = 0.0;
    double longestStallMs = 0.0;
    long peakRssKiB = 0;
};

long peakRssKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The datagram a fader sends and the line the window logs for it.
void logReceived(CommunicationBase &model, int serial)
{
    const QString address = QStringLiteral("/bench/fader/%1").arg(serial % kFaderCount);
    const QString value = QString::number(serial);
    model.addRxDatagram(OscCodec::buildOscMessage(address, QStringLiteral(",i"), value),
                        QStringLiteral("[127.0.0.1:9000] ") + address + QStringLiteral(" ,i ") + value);
}

bool lastRowShows(const QListWidget *list, int serial)
{
    const int count = list->count();
    return count > 0 && list->item(count - 1)->text().endsWith(QStringLiteral(" ,i %1").arg(serial));
}

// Feeds entries [first, first + count) in bursts, one per event-loop turn, and returns once the
// last of them is on screen. A 1 ms probe timer measures how late the event loop answers.
RunResult feed(CommunicationBase &model, QListWidget *list, int first, int count)
{
    QEventLoop loop;
    QElapsedTimer clock;
    QElapsedTimer sinceProbe;
    qint64 worstLatenessNs = 0;
    int next = first;
    const int last = first + count - 1;

    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbeIntervalMs);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstLatenessNs = qMax(worstLatenessNs, sinceProbe.nsecsElapsed() - kProbeIntervalMs * 1000000LL);
        sinceProbe.start();
        if (next > last && lastRowShows(list, last))
            loop.quit();
    });

    QTimer feeder;
    feeder.setInterval(0);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        const int end = qMin(last + 1, next + kEntriesPerBurst);
        for (; next < end; ++next)
            logReceived(model, next);
        if (next > last)
            feeder.stop();
    });

    const double cpuAtStart = cpuSeconds();
    clock.start();
    sinceProbe.start();
    probe.start();
    feeder.start();
    loop.exec();
    const qint64 elapsedNs = clock.nsecsElapsed();

    RunResult result;
    result.entriesPerSecond = count / (elapsedNs / 1e9);
    result.entriesPerCpuSecond = count / (cpuSeconds() - cpuAtStart);
    result.longestStallMs = worstLatenessNs / 1e6;
    result.peakRssKiB = peakRssKiB();
    return result;
}

// Feeds entries [first, first + count) at a steady rate, as a flood from the network would
// arrive, and reports the share of one core the process spends and how late the event loop
// answers; returns once the last entry is on screen.
void reportPaced(QTextStream &out, const QString &caseName, CommunicationBase &model, QListWidget *list, int first,
                 int count, int rate)
{
    QEventLoop loop;
    QElapsedTimer clock;
    QElapsedTimer sinceProbe;
    qint64 worstLatenessNs = 0;
    qint64 lastFedNs = 0;
    int next = first;
    const int last = first + count - 1;

    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbeIntervalMs);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstLatenessNs = qMax(worstLatenessNs, sinceProbe.nsecsElapsed() - kProbeIntervalMs * 1000000LL);
        sinceProbe.start();
        if (next > last && lastRowShows(list, last))
            loop.quit();
    });

    // Every millisecond, the entries due by then.
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    feeder.setInterval(1);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        const qint64 due = first + clock.nsecsElapsed() * rate / 1000000000LL;
        const int end = int(qMin<qint64>(last + 1, due));
        for (; next < end; ++next)
            logReceived(model, next);
        if (next > last) {
            lastFedNs = clock.nsecsElapsed();
            feeder.stop();
        }
    });

    const double cpuAtStart = cpuSeconds();
    clock.start();
    sinceProbe.start();
    probe.start();
    feeder.start();
    loop.exec();
    const qint64 elapsedNs = clock.nsecsElapsed();
    const double cpuShare = (cpuSeconds() - cpuAtStart) / (elapsedNs / 1e9);

    out << caseName << ": " << qRound(cpuShare * 100) << "% of one core, longest stall "
        << QString::number(worstLatenessNs / 1e6, 'f', 1) << " ms, last row shown "
        << QString::number((elapsedNs - lastFedNs) / 1e6, 'f', 1) << " ms after it arrived\n";
    out.flush();
}

// Applies a change to a full view and paints it at once: the time the user waits for it.
void reportRepaint(QTextStream &out, QListWidget *list, const QString &change, const std::function<void()> &apply)
{
    QElapsedTimer clock;
    clock.start();
    apply();
    list->viewport()->repaint();
    out << change << " over " << list->count() << " rows: " << QString::number(clock.nsecsElapsed() / 1e6, 'f', 1)
        << " ms; last row \"" << list->item(list->count() - 1)->text().left(48) << "\"\n";
    out.flush();
}

// Types a filter into a full view and waits, turn by turn, until every row follows it.
void reportFilter(QTextStream &out, LogViewWidget &view, QListWidget *list, const QString &typed, int rows)
{
    auto *edit = view.findChild<QLineEdit *>(QStringLiteral("logFilterEdit"));
    QEventLoop loop;
    QElapsedTimer clock;
    QElapsedTimer sinceProbe;
    qint64 worstLatenessNs = 0;

    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbeIntervalMs);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstLatenessNs = qMax(worstLatenessNs, sinceProbe.nsecsElapsed() - kProbeIntervalMs * 1000000LL);
        sinceProbe.start();
        if (!view.isFiltering())
            loop.quit();
    });

    clock.start();
    sinceProbe.start();
    probe.start();
    edit->setText(typed);
    view.applyFilter();
    list->viewport()->repaint();
    loop.exec();
    const qint64 elapsedNs = clock.nsecsElapsed();

    out << "filter \"" << typed << "\" over " << rows << " rows: " << QString::number(elapsedNs / 1e6, 'f', 1)
        << " ms, longest stall " << QString::number(worstLatenessNs / 1e6, 'f', 1) << " ms, " << list->count() << " rows listed\n";
    out.flush();
}

void report(QTextStream &out, const QString &caseName, const RunResult &result, int rows)
{
    out << caseName << ": " << qRound(result.entriesPerSecond) << " entries/s displayed ("
        << qRound(result.entriesPerCpuSecond) << " per CPU second), longest stall "
        << QString::number(result.longestStallMs, 'f', 1) << " ms, peak RSS " << result.peakRssKiB / 1024
        << " MiB, " << rows << " rows\n";
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program's own theme, so rows, scroll bars and buttons cost what they cost in use.
    app.setStyleSheet(loadStyleSheet(QStringLiteral(":/styles/DarkTheme.qss"), QString()));
    const int entries = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : kDefaultEntries;
    if (entries < 1)
        return 1;

    CommunicationBase model;
    LogViewWidget view(&model);
    view.resize(1000, 700);
    view.show();
    auto *list = view.findChild<QListWidget *>(QStringLiteral("logOutput"));

    QTextStream out(stdout);
    out << "model keeps " << model.maxLogEntries() << " entries; feeding " << entries << " in bursts of "
        << kEntriesPerBurst << "\n";
    const RunResult intoEmpty = feed(model, list, 0, entries);
    report(out, QStringLiteral("into an empty view"), intoEmpty, list->count());
    const QString fullCase = QStringLiteral("into a view already holding %1 rows").arg(list->count());
    const RunResult intoFull = feed(model, list, entries, entries);
    report(out, fullCase, intoFull, list->count());

    // A flood into the full view, then the same with a filter that lists one address in 64 (the
    // one the last entry goes to, so that the end shows).
    int fed = 2 * entries;
    reportPaced(out, QStringLiteral("%1 entries at %2/s into the full view").arg(kFloodEntries).arg(kFloodRate), model,
                list, fed, kFloodEntries, kFloodRate);
    fed += kFloodEntries;
    auto *filterEdit = view.findChild<QLineEdit *>(QStringLiteral("logFilterEdit"));
    filterEdit->setText(QStringLiteral("fader/%1 ,").arg((fed + kFloodEntries - 1) % kFaderCount));
    view.applyFilter();
    reportPaced(out, QStringLiteral("the same with the filter \"%1\"").arg(filterEdit->text()), model, list, fed,
                kFloodEntries, kFloodRate);
    filterEdit->clear();
    view.applyFilter();
    while (view.isFiltering())
        QCoreApplication::processEvents();

    // The font-size spin box restyles every row at once; the display switches re-render them.
    reportRepaint(out, list, QStringLiteral("font size change"), [&] { view.setFontSize(view.fontSize() + 1); });
    reportRepaint(out, list, QStringLiteral("hex display on"), [&] { model.setHexDisplay(true); });
    reportRepaint(out, list, QStringLiteral("timestamps off"), [&] { model.setShowTimestamp(false); });
    reportRepaint(out, list, QStringLiteral("hex display off"), [&] { model.setHexDisplay(false); });
    reportRepaint(out, list, QStringLiteral("timestamps on"), [&] { model.setShowTimestamp(true); });

    // A filter applied, changed, inverted and cleared over the full view.
    for (const QString &typed : {QStringLiteral("fader/3"), QStringLiteral("FADER/1"), QStringLiteral("!fader/1"),
                                 QStringLiteral("/bench/fader/1*"), QString()})
        reportFilter(out, view, list, typed, int(model.entries().size()));

    // A datagram's hex runs to three characters a byte: a view of 60 KB blobs switched to hex.
    CommunicationBase blobModel;
    LogViewWidget blobView(&blobModel);
    blobView.resize(1000, 700);
    blobView.show();
    auto *blobList = blobView.findChild<QListWidget *>(QStringLiteral("logOutput"));
    const QByteArray blob = QByteArray::fromHex("2f62656e63682f626c6f6200 2c620000 0000ea68") + QByteArray(kBlobBytes, 'x');
    for (int i = 0; i < kBlobEntries; ++i)
        blobModel.addRxDatagram(blob, QStringLiteral("[127.0.0.1:9000] ") + OscCodec::decodeOscToText(blob));
    while (blobList->count() < kBlobEntries)
        blobView.flushPendingItems();
    QCoreApplication::processEvents();
    reportRepaint(out, blobList, QStringLiteral("hex display on, %1-byte blobs").arg(blob.size()),
                  [&] { blobModel.setHexDisplay(true); });
    reportRepaint(out, blobList, QStringLiteral("repaint, %1-byte blobs in hex").arg(blob.size()), [] {});
    return 0;
}
