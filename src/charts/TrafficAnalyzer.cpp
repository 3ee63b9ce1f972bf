#include "charts/TrafficAnalyzer.h"

#include "charts/ChartModel.h"
#include "charts/ChartSeriesData.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

struct Sample
{
    QString address;
    double value = 0.0;
};

// Walks the rendered arguments beside their type tags: strings are quoted and may hold
// blanks, True/False/Nil take one word, unknown tags print nothing.
std::optional<double> firstNumber(const QString &tags, QStringView arguments)
{
    for (const QChar tag : QStringView(tags).mid(1)) {
        arguments = arguments.trimmed();
        if (arguments.isEmpty())
            return std::nullopt;
        const char kind = tag.toLatin1();
        if (kind == 's' || kind == 'S') {
            const qsizetype close = arguments.indexOf(QLatin1String("\" "), 1);
            arguments = close < 0 ? QStringView() : arguments.mid(close + 1);
            continue;
        }
        if (kind != 'i' && kind != 'f' && kind != 'T' && kind != 'F' && kind != 'N')
            continue;
        const qsizetype blank = arguments.indexOf(QLatin1Char(' '));
        const QStringView word = blank < 0 ? arguments : arguments.left(blank);
        arguments = blank < 0 ? QStringView() : arguments.mid(blank);
        if (kind == 'i' || kind == 'f') {
            bool ok = false;
            const double value = word.toDouble(&ok);
            if (ok && std::isfinite(value))
                return value;
        }
    }
    return std::nullopt;
}

std::optional<Sample> parseLine(const QString &text)
{
    static const QRegularExpression senderPrefix(QStringLiteral("^\\[[^\\]]*\\]\\s+"));
    QStringView rest(text);
    const QRegularExpressionMatch sender = senderPrefix.match(text);
    if (sender.hasMatch())
        rest = rest.mid(sender.capturedLength());

    const qsizetype addressEnd = rest.indexOf(QLatin1Char(' '));
    if (addressEnd <= 0 || !rest.startsWith(QLatin1Char('/')))
        return std::nullopt;
    const QStringView address = rest.left(addressEnd);
    rest = rest.mid(addressEnd + 1);

    const qsizetype tagsEnd = rest.indexOf(QLatin1Char(' '));
    const QStringView tags = tagsEnd < 0 ? rest : rest.left(tagsEnd);
    if (!tags.startsWith(QLatin1Char(',')))
        return std::nullopt;
    const std::optional<double> value =
        firstNumber(tags.toString(), tagsEnd < 0 ? QStringView() : rest.mid(tagsEnd + 1));
    if (!value)
        return std::nullopt;
    return Sample { address.toString(), *value };
}

} // namespace

QList<ChartSeriesData *> analyzeTraffic(const QList<TrafficLine> &received, int firstColorIndex)
{
    QList<ChartSeriesData *> found;
    QHash<QString, ChartSeriesData *> byAddress;
    QHash<ChartSeriesData *, qsizetype> messageCount;
    for (const TrafficLine &line : received) {
        const std::optional<Sample> sample = parseLine(line.text);
        if (!sample)
            continue;
        ChartSeriesData *&series = byAddress[sample->address];
        if (!series) {
            series = new ChartSeriesData;
            series->name = sample->address;
            found.append(series);
        }
        series->append(ChartSeriesData::withFixedOffset(line.time), sample->value);
        ++messageCount[series];
    }

    std::stable_sort(found.begin(), found.end(), [&messageCount](ChartSeriesData *a, ChartSeriesData *b) {
        return messageCount.value(a) > messageCount.value(b);
    });
    for (qsizetype i = 0; i < found.size(); ++i)
        found.at(i)->color = ChartModel::seriesColor(firstColorIndex + int(i));
    return found;
}
