// Throughput of the chart page: received lines through three rules into a shown chart,
// and the cost of one refresh with full series.
#include "charts/ChartEngine.h"
#include "charts/ChartModel.h"
#include "charts/ChartSeriesData.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTextStream>
#include <QThread>
#include <QUdpSocket>
#include <QtCharts/QChartView>

#include <atomic>

namespace {

constexpr int LineCount = 10000;
constexpr int RefreshRounds = 20;

QString receivedLine(int i)
{
    return QStringLiteral("/sensor/%1 ,fi %2 %3")
        .arg(i % 4)
        .arg(20.0 + (i % 100) / 10.0, 0, 'f', 4)
        .arg(i % 1000);
}

struct ShownEngine
{
    ShownEngine()
    {
        engine.controlsWidget()->findChild<QCheckBox *>(QStringLiteral("chartEnableCheck"))->setChecked(true);
        engine.model()->addRule(QStringLiteral("温度"), QStringLiteral("(\\d+\\.\\d+)"));
        engine.model()->addRule(QStringLiteral("计数"), QStringLiteral("(\\d+)$"));
        engine.model()->addRule(QStringLiteral("通道"), QStringLiteral("/sensor/(\\d+)"));
        engine.chartView()->resize(900, 600);
        engine.chartView()->show();
        QApplication::processEvents();
    }
    ChartEngine engine;
};

// Lines arrive `perTurn` at a time (one socket read), then the event loop runs (refresh, paint).
double linesPerSecond(int perTurn)
{
    ShownEngine shown;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < LineCount; i += perTurn) {
        for (int j = i; j < qMin(i + perTurn, LineCount); ++j)
            shown.engine.model()->ingest(receivedLine(j));
        QApplication::processEvents();
    }
    return LineCount / (clock.nsecsElapsed() / 1e9);
}

// Sends the lines as datagrams at a steady rate, the way a sensor stream arrives.
class PacedSender : public QThread
{
public:
    PacedSender(quint16 port, int linesPerSecond)
        : m_port(port), m_linesPerSecond(linesPerSecond)
    {
    }

protected:
    void run() override
    {
        QUdpSocket socket;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < LineCount; ++i) {
            const qint64 due = qint64(i) * 1000000000 / m_linesPerSecond;
            while (clock.nsecsElapsed() < due)
                QThread::usleep(200);
            socket.writeDatagram(receivedLine(i).toUtf8(), QHostAddress::LocalHost, m_port);
        }
    }

private:
    quint16 m_port;
    int m_linesPerSecond;
};

struct StreamResult
{
    int received = 0;
    qsizetype largestBurst = 0;
    double seconds = 0.0;
};

// Receives a paced stream on a real socket, draining every pending datagram per ready-read
// and feeding each one's text to the page, as the window does.
StreamResult receiveStream(int linesPerSecond)
{
    ShownEngine shown;
    QUdpSocket receiver;
    receiver.bind(QHostAddress::LocalHost, 0);
    receiver.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8 * 1024 * 1024);
    StreamResult result;
    QElapsedTimer clock;
    QObject::connect(&receiver, &QUdpSocket::readyRead, &receiver, [&] {
        if (!clock.isValid())
            clock.start();
        qsizetype burst = 0;
        while (receiver.hasPendingDatagrams()) {
            shown.engine.model()->ingest(QString::fromUtf8(receiver.receiveDatagram().data()));
            ++burst;
        }
        result.received += int(burst);
        result.largestBurst = qMax(result.largestBurst, burst);
        result.seconds = clock.nsecsElapsed() / 1e9;
    });

    PacedSender sender(receiver.localPort(), linesPerSecond);
    sender.start();
    QElapsedTimer quiet;
    quiet.start();
    int seen = 0;
    while (sender.isRunning() || quiet.elapsed() < 500) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (result.received != seen) {
            seen = result.received;
            quiet.restart();
        }
    }
    sender.wait();
    return result;
}

void refreshAtFullSeries(QTextStream &out)
{
    ShownEngine shown;
    const QDateTime now = ChartSeriesData::currentTime();
    for (ChartSeriesData *series : shown.engine.seriesList()) {
        for (int i = 0; i < ChartSeriesData::MaxPoints; ++i)
            series->append(now.addMSecs(-50000 + i * 10), i % 97);
    }
    shown.engine.refresh();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < RefreshRounds; ++round)
        shown.engine.refresh();
    const double refreshMs = clock.nsecsElapsed() / 1e6 / RefreshRounds;

    clock.restart();
    for (int round = 0; round < RefreshRounds; ++round) {
        shown.engine.refresh();
        shown.engine.chartView()->repaint();
    }
    const double paintedMs = clock.nsecsElapsed() / 1e6 / RefreshRounds;

    out << "refresh, 3 series x 5000 points:          " << QString::number(refreshMs, 'f', 2) << " ms\n";
    out << "refresh + repaint of the chart view:      " << QString::number(paintedMs, 'f', 2) << " ms\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    out << "bench_chart: " << LineCount << " received lines, 3 rules, chart shown (" << QApplication::platformName()
        << ")\n";
    const QStringList only = app.arguments().mid(1);
    for (const int perTurn : { 1, 10, 100 }) {
        if (only.contains(QStringLiteral("refresh")))
            break;
        out << "lines/s, " << qSetFieldWidth(3) << perTurn << qSetFieldWidth(0) << " line(s) per event-loop turn: "
            << QString::number(linesPerSecond(perTurn), 'f', 0) << "\n";
        out.flush();
    }
    for (const int rate : { 2000, 5000, 10000 }) {
        if (only.contains(QStringLiteral("refresh")))
            break;
        const StreamResult stream = receiveStream(rate);
        out << "UDP stream at " << rate << " lines/s: received " << stream.received << " of " << LineCount
            << ", handled at " << QString::number(stream.received / stream.seconds, 'f', 0)
            << " lines/s, largest burst per read " << stream.largestBurst << "\n";
        out.flush();
    }
    refreshAtFullSeries(out);
    return 0;
}
