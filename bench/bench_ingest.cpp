// Ingest benchmark: how fast the shown window takes in OSC traffic from another process, next
// to a bare Qt receiver under the same sender.
//
//   bench_ingest [--runs 5] [--receivers bare,plain,charts,controls,monitor] [--seconds 1]
//                [--million] [--million-rate R] [--sender path/to/osc_sender]
//
// Receivers: "bare" is a QUdpSocket that drains and counts, with a 4 MiB receive buffer;
// "plain" is the window with its log; "charts" adds three chart rules that match every
// datagram, with the chart enabled and shown; "controls" puts 20 faders on the panel, five
// of them at the addresses the traffic goes round; "monitor" sets a log filter that every
// datagram passes and shows the address table, with bundles expanded. Every trial runs in a fresh child process
// (so its peak resident set is its own) and every figure is the median of --runs trials.
// For each receiver it reports, at 10000 datagrams a second: datagrams lost, the time from the
// last send until the log view shows the last one, the worst lateness of a 1 ms probe timer
// and the peak resident set; then the highest lossless rate, found by a ladder of rates and
// a bisection. With --million, one run of 1,000,000 datagrams per receiver gives the peak
// resident set after a full log, the datagrams lost and the worst stall, at the highest
// lossless rate or at --million-rate.
#include "charts/ChartEngine.h"
#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"
#include "controls/OscControl.h"
#include "controls/OscControlPanel.h"
#include "controls/FreeCanvas.h"
#include "controls/OscFader.h"
#include "osc/OscWidget.h"

#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kRequestedReceiveBuffer = 4 * 1024 * 1024;
constexpr int kProbeIntervalMs = 1;
// With the sender gone and nothing new for this long, whatever is missing was lost.
constexpr qint64 kSettleNs = 1000 * 1000 * 1000LL;
constexpr qint64 kShowTimeoutNs = 10 * kSettleNs;
constexpr double kStallCheckRate = 10000;
constexpr qint64 kMinimumTrialCount = 5000;
constexpr qint64 kMillion = 1000000;
constexpr double kMillionRateCap = 200000;
constexpr int kControlCount = 20;
constexpr int kAddressedControls = 5;
constexpr int kBisectionSteps = 4;
const std::vector<double> kRateLadder = {1000, 2000, 5000, 10000, 20000, 50000, 100000,
                                         200000, 400000, 800000};

struct TrialResult
{
    qint64 sent = 0;
    qint64 logged = 0;
    double sendSeconds = 0;
    double shownMs = -1;
    double stallMs = 0;
    qint64 peakRssKb = 0;
    qint64 receiveBuffer = 0;

    qint64 lost() const { return sent - logged; }
};

qint64 peakResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress);
    return probe.localPort();
}

template<typename T>
T *childWithText(QWidget *root, const QString &text)
{
    for (T *widget : root->findChildren<T *>()) {
        if (widget->text() == text)
            return widget;
    }
    return nullptr;
}

// Three rules that each find a number in every "/test/value ,i n" line.
bool addMatchingChartRules(OscWidget &window)
{
    ChartEngine *engine = window.chartEngine();
    if (!engine)
        return false;
    QWidget *controls = engine->controlsWidget();
    auto *enable = childWithText<QCheckBox>(controls, QStringLiteral("启用图表"));
    auto *add = childWithText<QPushButton>(controls, QStringLiteral("添加规则"));
    const QList<QLineEdit *> edits = add ? add->parentWidget()->findChildren<QLineEdit *>() : QList<QLineEdit *>();
    if (!enable || !add || edits.size() < 2)
        return false;
    enable->setChecked(true);
    const QList<QPair<QString, QString>> rules = {
        {QStringLiteral("value"), QStringLiteral(",i (\\d+)")},
        {QStringLiteral("last"), QStringLiteral("(\\d+)$")},
        {QStringLiteral("any"), QStringLiteral("\\d+")},
    };
    for (const auto &rule : rules) {
        edits.at(0)->setText(rule.first);
        edits.at(1)->setText(rule.second);
        add->click();
    }
    if (auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("mainTabs")))
        tabs->setCurrentWidget(engine->chartView());
    return engine->rules().size() == rules.size();
}

// A filter every "/test/value" row passes, typed as a user would, and the address table in view.
bool showMonitor(OscWidget &window)
{
    auto *filter = window.findChild<QLineEdit *>(QStringLiteral("logFilterEdit"));
    auto *expand = window.findChild<QCheckBox *>(QStringLiteral("expandBundlesCheck"));
    auto *table = window.findChild<QWidget *>(QStringLiteral("addressTable"));
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("mainTabs"));
    if (!filter || !expand || !table || !tabs)
        return false;
    expand->setChecked(true);
    filter->setText(QStringLiteral("/test/*"));
    for (QWidget *page = table; page; page = page->parentWidget()) {
        if (tabs->indexOf(page) >= 0) {
            tabs->setCurrentWidget(page);
            return true;
        }
    }
    return false;
}

bool addControls(OscWidget &window)
{
    OscControlPanel *panel = window.controlPanel();
    if (!panel)
        return false;
    // Added directly: the toolbar's buttons open the configuration dialog.
    for (int i = 0; i < kControlCount; ++i)
        panel->addControl(new OscFader(panel->canvas()));
    for (int i = 0; i < kControlCount; ++i) {
        const bool addressed = i % (kControlCount / kAddressedControls) == 0;
        const int index = i / (kControlCount / kAddressedControls);
        panel->controls().at(i)->setAddress(addressed ? QStringLiteral("/test/val/%1").arg(index)
                                                      : QStringLiteral("/idle/%1").arg(i));
    }
    return panel->controls().size() == kControlCount;
}

// One measurement, run in this process: the receiver, the sender as a child, a probe timer.
class Trial : public QObject
{
public:
    Trial(const QString &receiver, const QString &senderPath, double rate, qint64 count)
        : m_receiver(receiver), m_senderPath(senderPath), m_rate(rate), m_count(count)
    {
    }

    std::optional<TrialResult> run()
    {
        quint16 port = 0;
        if (m_receiver == QLatin1String("bare")) {
            port = startBareReceiver();
        } else {
            port = startWindow();
            if (!port)
                return std::nullopt;
        }
        m_clock.start();
        m_lastTickNs = m_clock.nsecsElapsed();
        m_probe.setTimerType(Qt::PreciseTimer);
        connect(&m_probe, &QTimer::timeout, this, [this] { onProbe(); });
        m_probe.start(kProbeIntervalMs);

        connect(&m_sender, &QProcess::started, this, [this] { m_senderStartNs = m_clock.nsecsElapsed(); });
        connect(&m_sender, &QProcess::finished, this, [this] { onSenderFinished(); });
        QStringList arguments = {QStringLiteral("--port"), QString::number(port),
                                 QStringLiteral("--count"), QString::number(m_count),
                                 QStringLiteral("--rate"), QString::number(m_rate, 'f', 0)};
        if (m_receiver == QLatin1String("controls"))
            arguments << QStringLiteral("--spread") << QString::number(kAddressedControls);
        m_sender.start(m_senderPath, arguments);
        if (!m_sender.waitForStarted())
            return std::nullopt;
        QCoreApplication::exec();
        m_result.peakRssKb = peakResidentKilobytes();
        return m_result;
    }

private:
    quint16 startBareReceiver()
    {
        m_bare = std::make_unique<QUdpSocket>();
        m_bare->bind(QHostAddress::AnyIPv4, 0);
        m_bare->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kRequestedReceiveBuffer);
        m_result.receiveBuffer = m_bare->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toLongLong();
        m_buffer.resize(65536);
        connect(m_bare.get(), &QUdpSocket::readyRead, this, [this] {
            while (m_bare->hasPendingDatagrams()) {
                if (m_bare->readDatagram(m_buffer.data(), m_buffer.size()) < 0)
                    break;
                ++m_result.logged;
                m_lastArrivalNs = m_clock.nsecsElapsed();
            }
        });
        return m_bare->localPort();
    }

    quint16 startWindow()
    {
        m_window = std::make_unique<OscWidget>();
        m_window->resize(1280, 800);
        m_window->show();
        if (m_receiver == QLatin1String("charts") && !addMatchingChartRules(*m_window))
            return 0;
        if (m_receiver == QLatin1String("controls") && !addControls(*m_window))
            return 0;
        if (m_receiver == QLatin1String("monitor") && !showMonitor(*m_window))
            return 0;
        auto *portSpin = m_window->findChild<QSpinBox *>(QStringLiteral("localPortSpin"));
        portSpin->setValue(freeUdpPort());
        m_window->toggleConnection();
        if (!m_window->isBound())
            return 0;
        if (auto *socket = m_window->findChild<QUdpSocket *>())
            m_result.receiveBuffer = socket->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toLongLong();
        m_list = m_window->findChild<QListWidget *>(QStringLiteral("logOutput"));
        connect(m_window->communication(), &CommunicationBase::logEntryAdded, this, [this](const LogEntry &entry) {
            if (entry.direction != LogDirection::Rx)
                return;
            ++m_result.logged;
            m_lastText = entry.text;
            m_lastArrivalNs = m_clock.nsecsElapsed();
        });
        return quint16(portSpin->value());
    }

    void onSenderFinished()
    {
        const QByteArray output = m_sender.readAllStandardOutput();
        const QList<QByteArray> words = output.simplified().split(' ');
        m_result.sent = words.value(1).toLongLong();
        m_result.sendSeconds = words.value(3).toDouble();
        m_lastSentNs = m_senderStartNs + qint64(m_result.sendSeconds * 1e9);
        m_senderDone = true;
    }

    bool logShowsLastEntry() const
    {
        if (!m_list || m_list->count() == 0 || m_lastText.isEmpty())
            return false;
        return m_list->item(m_list->count() - 1)->text().endsWith(m_lastText);
    }

    void onProbe()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const double lateMs = double(now - m_lastTickNs) / 1e6 - kProbeIntervalMs;
        m_result.stallMs = std::max(m_result.stallMs, lateMs);
        m_lastTickNs = now;
        if (!m_senderDone)
            return;
        if (m_window && m_result.shownMs < 0 && m_result.logged > 0 && logShowsLastEntry())
            m_result.shownMs = double(now - m_lastSentNs) / 1e6;
        const bool settled = m_result.logged >= m_result.sent || now - m_lastArrivalNs > kSettleNs;
        const bool shown = !m_window || m_result.shownMs >= 0 || now - m_lastSentNs > kShowTimeoutNs;
        if (settled && shown) {
            m_probe.stop();
            QCoreApplication::quit();
        }
    }

    QString m_receiver;
    QString m_senderPath;
    double m_rate;
    qint64 m_count;
    TrialResult m_result;
    std::unique_ptr<QUdpSocket> m_bare;
    std::unique_ptr<OscWidget> m_window;
    QListWidget *m_list = nullptr;
    QByteArray m_buffer;
    QString m_lastText;
    QProcess m_sender;
    QTimer m_probe;
    QElapsedTimer m_clock;
    qint64 m_lastTickNs = 0;
    qint64 m_senderStartNs = 0;
    qint64 m_lastSentNs = 0;
    qint64 m_lastArrivalNs = 0;
    bool m_senderDone = false;
};

// The parent side: runs trials as child processes and folds them into medians.
class Campaign
{
public:
    Campaign(QString self, QString sender, int runs, double seconds)
        : m_self(std::move(self)), m_sender(std::move(sender)), m_runs(runs), m_seconds(seconds)
    {
    }

    std::optional<TrialResult> trial(const QString &receiver, double rate, qint64 count) const
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(m_self, {QStringLiteral("--trial"), receiver, QStringLiteral("--rate"),
                             QString::number(rate, 'f', 0), QStringLiteral("--count"),
                             QString::number(count), QStringLiteral("--sender"), m_sender});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            return std::nullopt;
        const QList<QByteArray> fields = child.readAllStandardOutput().simplified().split(' ');
        if (fields.size() < 7)
            return std::nullopt;
        TrialResult result;
        result.sent = fields.at(0).toLongLong();
        result.logged = fields.at(1).toLongLong();
        result.sendSeconds = fields.at(2).toDouble();
        result.shownMs = fields.at(3).toDouble();
        result.stallMs = fields.at(4).toDouble();
        result.peakRssKb = fields.at(5).toLongLong();
        result.receiveBuffer = fields.at(6).toLongLong();
        return result;
    }

    // The median of each figure over the runs (loss by its own median, not that of one run).
    std::optional<TrialResult> medianTrial(const QString &receiver, double rate, qint64 count) const
    {
        std::vector<TrialResult> results;
        for (int run = 0; run < m_runs; ++run) {
            if (const auto result = trial(receiver, rate, count))
                results.push_back(*result);
        }
        if (results.empty())
            return std::nullopt;
        TrialResult median;
        median.sent = medianOf(results, [](const TrialResult &r) { return double(r.sent); });
        median.logged = median.sent - qint64(medianOf(results, [](const TrialResult &r) { return double(r.lost()); }));
        median.sendSeconds = medianOf(results, [](const TrialResult &r) { return r.sendSeconds; });
        median.shownMs = medianOf(results, [](const TrialResult &r) { return r.shownMs; });
        median.stallMs = medianOf(results, [](const TrialResult &r) { return r.stallMs; });
        median.peakRssKb = qint64(medianOf(results, [](const TrialResult &r) { return double(r.peakRssKb); }));
        median.receiveBuffer = results.front().receiveBuffer;
        return median;
    }

    qint64 countFor(double rate) const { return std::max(kMinimumTrialCount, qint64(rate * m_seconds)); }

    // Lossless when the median run loses nothing; stops as soon as the median is decided.
    bool lossless(const QString &receiver, double rate, double &achieved) const
    {
        int clean = 0;
        int lossy = 0;
        const int majority = m_runs / 2 + 1;
        std::vector<double> rates;
        while (clean < majority && lossy < majority) {
            const auto result = trial(receiver, rate, countFor(rate));
            if (!result) {
                ++lossy;
                continue;
            }
            (result->lost() == 0 ? clean : lossy) += 1;
            if (result->sendSeconds > 0)
                rates.push_back(double(result->sent) / result->sendSeconds);
        }
        std::sort(rates.begin(), rates.end());
        achieved = rates.empty() ? 0 : rates[rates.size() / 2];
        std::fprintf(stderr, "  %-8s %8.0f/s (achieved %8.0f/s): %s\n", qPrintable(receiver), rate,
                     achieved, clean >= majority ? "lossless" : "lossy");
        return clean >= majority;
    }

    // Up the ladder to the first lossy rate, then bisect; the rate the sender achieved counts.
    double highestLosslessRate(const QString &receiver) const
    {
        double low = 0;
        double lowAchieved = 0;
        double high = 0;
        for (const double rate : kRateLadder) {
            double achieved = 0;
            if (!lossless(receiver, rate, achieved)) {
                high = rate;
                break;
            }
            low = rate;
            lowAchieved = achieved;
        }
        if (high == 0)
            return lowAchieved;
        for (int step = 0; step < kBisectionSteps; ++step) {
            const double middle = (low + high) / 2;
            double achieved = 0;
            if (lossless(receiver, middle, achieved)) {
                low = middle;
                lowAchieved = achieved;
            } else {
                high = middle;
            }
        }
        return lowAchieved;
    }

private:
    template<typename Figure>
    static double medianOf(std::vector<TrialResult> results, Figure figure)
    {
        std::vector<double> values;
        for (const TrialResult &result : results)
            values.push_back(figure(result));
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    QString m_self;
    QString m_sender;
    int m_runs;
    double m_seconds;
};

struct ReceiverReport
{
    QString receiver;
    TrialResult atTenThousand;
    double losslessRate = 0;
    qint64 millionRssKb = -1;
};

QString ratio(double value, double baseline)
{
    return baseline > 0 ? QString::number(value / baseline, 'f', 2) : QStringLiteral("-");
}

void printTable(const std::vector<ReceiverReport> &reports)
{
    const ReceiverReport *bare = nullptr;
    for (const ReceiverReport &report : reports) {
        if (report.receiver == QLatin1String("bare"))
            bare = &report;
    }
    std::printf("\n| receiver | lost at 10000/s | shown after last send (ms) | worst stall (ms) | peak RSS (MB) "
                "| highest lossless rate (/s) | x bare | peak RSS after 1M (MB) | x bare |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const ReceiverReport &report : reports) {
        const TrialResult &r = report.atTenThousand;
        std::printf("| %s | %lld of %lld | %s | %.1f | %.0f | %.0f | %s | %s | %s |\n",
                    qPrintable(report.receiver), r.lost(), r.sent,
                    r.shownMs >= 0 && report.receiver != QLatin1String("bare")
                        ? qPrintable(QString::number(r.shownMs, 'f', 1)) : "-",
                    r.stallMs, double(r.peakRssKb) / 1024, report.losslessRate,
                    qPrintable(bare ? ratio(report.losslessRate, bare->losslessRate) : QStringLiteral("-")),
                    report.millionRssKb >= 0 ? qPrintable(QString::number(double(report.millionRssKb) / 1024, 'f', 0)) : "-",
                    qPrintable(bare && report.millionRssKb >= 0 ? ratio(double(report.millionRssKb), double(bare->millionRssKb))
                                                                : QStringLiteral("-")));
    }
    if (!reports.empty())
        std::printf("\nreceive buffer granted (SO_RCVBUF as read back): bare %lld bytes, window %lld bytes\n",
                    bare ? bare->atTenThousand.receiveBuffer : -1LL,
                    reports.back().atTenThousand.receiveBuffer);
}

QString defaultSenderPath()
{
#ifdef LUMERAL_OSC_SENDER
    return QStringLiteral(LUMERAL_OSC_SENDER);
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/osc-sender/osc_sender");
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Trials per figure."), QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption receiversOption(QStringLiteral("receivers"), QStringLiteral("Receivers to measure."),
                                             QStringLiteral("list"), QStringLiteral("bare,plain,charts,controls"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Sending time of one trial."),
                                           QStringLiteral("s"), QStringLiteral("1"));
    const QCommandLineOption millionOption(QStringLiteral("million"), QStringLiteral("Also send 1,000,000 datagrams once per receiver."));
    const QCommandLineOption millionRateOption(QStringLiteral("million-rate"),
                                               QStringLiteral("Rate of the 1,000,000 run (default: the highest lossless rate)."),
                                               QStringLiteral("r"));
    const QCommandLineOption senderOption(QStringLiteral("sender"), QStringLiteral("The osc_sender program."),
                                          QStringLiteral("path"), defaultSenderPath());
    const QCommandLineOption trialOption(QStringLiteral("trial"), QStringLiteral("Run one trial (internal)."), QStringLiteral("receiver"));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("Trial rate (internal)."), QStringLiteral("r"));
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Trial count (internal)."), QStringLiteral("n"));
    parser.addOptions({runsOption, receiversOption, secondsOption, millionOption, millionRateOption, senderOption,
                       trialOption, rateOption, countOption});
    parser.process(app);

    if (parser.isSet(trialOption)) {
        Trial trial(parser.value(trialOption), parser.value(senderOption), parser.value(rateOption).toDouble(),
                    parser.value(countOption).toLongLong());
        const auto result = trial.run();
        if (!result) {
            std::fprintf(stderr, "bench_ingest: the %s trial could not start\n", qPrintable(parser.value(trialOption)));
            return 1;
        }
        std::printf("%lld %lld %.6f %.3f %.3f %lld %lld\n", result->sent, result->logged, result->sendSeconds,
                    result->shownMs, result->stallMs, result->peakRssKb, result->receiveBuffer);
        return 0;
    }

    const Campaign campaign(QCoreApplication::applicationFilePath(), parser.value(senderOption),
                            std::max(1, parser.value(runsOption).toInt()), parser.value(secondsOption).toDouble());
    std::vector<ReceiverReport> reports;
    for (const QString &receiver : parser.value(receiversOption).split(QLatin1Char(','))) {
        ReceiverReport report;
        report.receiver = receiver;
        std::fprintf(stderr, "%s at %.0f/s\n", qPrintable(receiver), kStallCheckRate);
        const auto atRate = campaign.medianTrial(receiver, kStallCheckRate, campaign.countFor(kStallCheckRate));
        if (!atRate) {
            std::fprintf(stderr, "  %s: no trial ran; skipped\n", qPrintable(receiver));
            continue;
        }
        report.atTenThousand = *atRate;
        std::fprintf(stderr, "%s: highest lossless rate\n", qPrintable(receiver));
        report.losslessRate = campaign.highestLosslessRate(receiver);
        if (parser.isSet(millionOption)) {
            const double rate = parser.isSet(millionRateOption)
                    ? parser.value(millionRateOption).toDouble()
                    : std::min(kMillionRateCap, std::max(kStallCheckRate, report.losslessRate));
            if (const auto million = campaign.trial(receiver, rate, kMillion)) {
                report.millionRssKb = million->peakRssKb;
                std::fprintf(stderr, "  1,000,000 at %.0f/s: %lld lost, worst stall %.1f ms, peak RSS %lld kB\n", rate,
                             million->lost(), million->stallMs, million->peakRssKb);
            }
        }
        reports.push_back(report);
    }
    printTable(reports);
    return 0;
}
