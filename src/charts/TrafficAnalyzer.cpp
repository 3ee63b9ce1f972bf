#include "charts/TrafficAnalyzer.h"

#include "charts/ChartModel.h"
#include "charts/ChartSeriesData.h"

#include <QHash>

#include <algorithm>

QList<ChartSeriesData *> analyzeTraffic(const QList<TrafficLine> &received, int firstColorIndex)
{
    QList<ChartSeriesData *> found;
    QHash<QString, ChartSeriesData *> byAddress;
    QHash<ChartSeriesData *, qsizetype> messageCount;
    for (const TrafficLine &line : received) {
        const std::optional<OscLineNumber> sample = firstOscNumber(line.text);
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
