// Time per operation of the OSC codec on typical messages, and of storing a received message in
// a full traffic log. Each figure is the median of several runs of many iterations, so that a
// busy machine disturbs single runs rather than the result.
#include "comm/CommunicationBase.h"
#include "osc/OscCodec.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 15;
constexpr int Iterations = 100000;

// Written to by every measured operation so that the compiler cannot drop the work.
volatile qsizetype sink = 0;

struct Timing
{
    double wallNanoseconds;
    double cpuNanoseconds;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall time and this process's CPU time per operation; on a shared machine the CPU time is the
// steadier of the two, since time spent waiting for a core is not counted.
template <typename Operation>
Timing timePerOperation(Operation operation)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpuStart = std::clock();
        for (int i = 0; i < Iterations; ++i)
            operation();
        const std::clock_t cpuEnd = std::clock();
        wall.push_back(double(timer.nsecsElapsed()) / Iterations);
        cpu.push_back(double(cpuEnd - cpuStart) * 1e9 / CLOCKS_PER_SEC / Iterations);
    }
    return {median(wall), median(cpu)};
}

void report(const char *what, Timing timing)
{
    std::printf("  %-46s %9.1f %9.1f\n", what, timing.wallNanoseconds, timing.cpuNanoseconds);
}

struct Message
{
    const char *name;
    QString address;
    QString typeTags;
    QString values;
};

void benchmarkCodec(const Message &message)
{
    const QByteArray datagram = OscCodec::buildOscMessage(message.address, message.typeTags,
                                                          message.values);
    std::printf("%s: %lld bytes, renders as %s\n", message.name,
                static_cast<long long>(datagram.size()),
                qPrintable(OscCodec::decodeOscToText(datagram).left(60)));

    report("buildOscMessage", timePerOperation([&] {
               sink = sink + OscCodec::buildOscMessage(message.address, message.typeTags,
                                                       message.values).size();
           }));
    report("decodeOscToText", timePerOperation([&] {
               sink = sink + OscCodec::decodeOscToText(datagram).size();
           }));
    report("readFirstArgument", timePerOperation([&] {
               sink = sink + qsizetype(OscCodec::readFirstArgument(datagram).kind);
           }));
}

// A received message on its way into a log that already holds its limit, so that every append
// also drops the oldest entry.
void benchmarkReceiving(const QByteArray &datagram)
{
    CommunicationBase model;
    const QString sender = QStringLiteral("127.0.0.1");
    const QString port = QStringLiteral("9000");
    const auto logLine = [&] {
        return QStringLiteral("[%1:%2] %3").arg(sender, port, OscCodec::decodeOscToText(datagram));
    };
    const QByteArray line = model.encodeText(logLine());
    for (int i = 0; i < model.maxLogEntries(); ++i)
        model.addRxData(line);

    std::printf("receiving %s into a log of %d entries\n", qPrintable(logLine()),
                model.maxLogEntries());
    report("addRxData", timePerOperation([&] { model.addRxData(line); }));
    report("decodeOscToText + addRxData", timePerOperation([&] {
               model.addRxData(model.encodeText(OscCodec::decodeOscToText(datagram)));
           }));
    report("decode, \"[sender:port] text\" line, addRxData", timePerOperation([&] {
               model.addRxData(model.encodeText(logLine()));
           }));
    sink = sink + model.entries().size();
}

} // namespace

int main()
{
    // 8 address bytes, 4 type-tag bytes and a 187-character string padded to 188: 200 bytes.
    const QString longText(187, QLatin1Char('x'));
    const Message messages[] = {
        {"int32", QStringLiteral("/test/value"), QStringLiteral(",i"), QStringLiteral("42")},
        {"float32 and true", QStringLiteral("/mix"), QStringLiteral(",fT"), QStringLiteral("0.75")},
        {"string", QStringLiteral("/text"), QStringLiteral(",s"), longText},
    };

    std::printf("median of %d runs of %d iterations, ns per operation: wall time, CPU time\n",
                Runs, Iterations);
    for (const Message &message : messages)
        benchmarkCodec(message);
    benchmarkReceiving(OscCodec::buildOscMessage(messages[0].address, messages[0].typeTags,
                                                 messages[0].values));
    return 0;
}
