#pragma once

#include "charts/ChartRule.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QStringList>

#include <optional>

class ChartSeriesData;
class QDateTime;

// The chart page's data without its widgets: the extraction rules, one series per rule or per
// adopted series, and the values the rules find in received text. Views follow its signals.
class ChartModel : public QObject
{
    Q_OBJECT

public:
    // The sliding window the chart views show, in seconds.
    static constexpr int DefaultTimeWindow = 60;
    static constexpr int MinimumTimeWindow = 5;
    static constexpr int MaximumTimeWindow = 600;
    static constexpr int MaxAdoptedSeries = 5;

    explicit ChartModel(QObject *parent = nullptr);
    ~ChartModel() override;

    // The colour of the n-th series: hues 60 degrees apart, repeating after six.
    static QColor seriesColor(int n);

    const QList<ChartRule> &rules() const;
    const QList<ChartSeriesData *> &seriesList() const;
    // Each series' points from `start` on (a window has no upper bound), as chart coordinates:
    // x in milliseconds since the epoch, y the value.
    QList<QList<QPointF>> pointsSince(const QDateTime &start) const;

    // Adds a rule and the series it feeds; a blank name or expression adds nothing.
    bool addRule(const QString &name, const QString &expression);
    // Replaces every series and rule by those of preset template `index` (0, "自定义", has none).
    void applyTemplate(int index);
    // The value axis range over these points, padded; absent when there are none. With `sums`
    // (bars show each series' sum) it spans the sums and 0.
    static std::optional<QPair<double, double>> valueRange(const QList<QList<QPointF>> &inWindow, bool sums);
    static double sumOf(const QList<QPointF> &points);

    // Takes over the first MaxAdoptedSeries of `found`, deletes the rest, and says how many it took.
    // Each adopted series gets a rule that takes the first number of messages to its address.
    qsizetype adoptSeries(const QList<ChartSeriesData *> &found);
    // Adds a series fed by the first number of messages to this address, as an adopted series
    // is; false when a series of that name is already there.
    bool addAddressSeries(const QString &address);
    // Offers every line of one received message's text to every rule, in order.
    void ingest(const QString &receivedText);
    // Records one value in the first series of that name. Values of unknown names and
    // values that are not finite (a float argument can carry nan or inf) are dropped.
    void addDataPoint(const QString &seriesName, double value);
    // Replaces every series and rule by a series for each of these rules, kinds kept as given.
    void replaceRules(const QList<ChartRule> &rules);
    // Removes rule `index` and the series it feeds.
    void removeRule(qsizetype index);
    // Empties every series; series and rules stay.
    void clearPoints();

signals:
    void ruleAdded(const QString &name, const QString &expression);
    void seriesAdopted(const QStringList &names);
    void ruleRemoved(qsizetype index);
    // Every series and rule is gone (a template is being applied).
    void seriesRemoved();
    // Once per ingest or addDataPoint that brought a finite value, however many it brought;
    // the value of a name without a series counts too, so the views still move on in time.
    void pointsAdded();
    void pointsCleared();

private:
    bool record(const QString &seriesName, double value);

    QList<ChartSeriesData *> m_series;
    QList<ChartRule> m_rules;
};
