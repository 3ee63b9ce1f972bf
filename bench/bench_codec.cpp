// Time per operation of the OSC codec on typical messages. Each figure is the median of several
// runs of many iterations, so that a busy machine disturbs single runs rather than the result.
#include "osc/OscCodec.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 15;
constexpr int Iterations = 100000;

// Written to by every measured operation so that the compiler cannot drop the work.
volatile qsizetype sink = 0;

template <typename Operation>
double medianNanoseconds(Operation operation)
{
    std::vector<double> perRun;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < Iterations; ++i)
            operation();
        perRun.push_back(double(timer.nsecsElapsed()) / Iterations);
    }
    std::sort(perRun.begin(), perRun.end());
    return perRun[perRun.size() / 2];
}

void report(const char *what, double nanoseconds)
{
    std::printf("%-44s %9.1f ns\n", what, nanoseconds);
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

    report("  buildOscMessage", medianNanoseconds([&] {
               sink = sink + OscCodec::buildOscMessage(message.address, message.typeTags,
                                                       message.values).size();
           }));
    report("  decodeOscToText", medianNanoseconds([&] {
               sink = sink + OscCodec::decodeOscToText(datagram).size();
           }));
    report("  readFirstArgument", medianNanoseconds([&] {
               sink = sink + qsizetype(OscCodec::readFirstArgument(datagram).kind);
           }));
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

    std::printf("median of %d runs of %d iterations\n", Runs, Iterations);
    for (const Message &message : messages)
        benchmarkCodec(message);
    return 0;
}
