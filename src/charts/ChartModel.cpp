#include "charts/ChartModel.h"

#include "charts/ChartSeriesData.h"

#include <QRegularExpression>

#include <cmath>

namespace {

constexpr int HueStep = 60;
constexpr int FullCircle = 360;
constexpr int SeriesSaturation = 200;
constexpr int SeriesValue = 220;
// The range scan starts from these bounds, so values beyond them never widen it.
constexpr double RangeScanStart = 1e9;
constexpr double RangePadFactor = 0.1;
constexpr double RangePadFloor = 1.0;

using RuleText = QPair<QString, QString>; // name, expression

// The rules of templates 1 to 4; index 0 of the template list ("自定义") adds none.
const QList<QList<RuleText>> &templateRules()
{
    static const QList<QList<RuleText>> templates = {
        { { QStringLiteral("数值"), QStringLiteral("\\d+\\.?\\d*") } },
        { { QStringLiteral("field1"), QStringLiteral("field1") }, { QStringLiteral("field2"), QStringLiteral("field2") } },
        { { QStringLiteral("A"), QStringLiteral("\\d+") }, { QStringLiteral("B"), QStringLiteral("\\d+") } },
        { { QStringLiteral("频率"), QStringLiteral("\\d+") } },
    };
    return templates;
}

} // namespace

ChartModel::ChartModel(QObject *parent)
    : QObject(parent)
{
}

ChartModel::~ChartModel()
{
    qDeleteAll(m_series);
}

QColor ChartModel::seriesColor(int n)
{
    return QColor::fromHsv((n * HueStep) % FullCircle, SeriesSaturation, SeriesValue, 255);
}

const QList<ChartRule> &ChartModel::rules() const
{
    return m_rules;
}

const QList<ChartSeriesData *> &ChartModel::seriesList() const
{
    return m_series;
}

QList<QList<QPointF>> ChartModel::pointsSince(const QDateTime &start) const
{
    const qint64 startMs = start.toMSecsSinceEpoch();
    QList<QList<QPointF>> inWindow;
    inWindow.reserve(m_series.size());
    for (const ChartSeriesData *series : m_series) {
        QList<QPointF> points;
        points.reserve(series->points.size());
        for (const auto &point : series->points) {
            const qint64 ms = point.first.toMSecsSinceEpoch();
            if (ms >= startMs)
                points.append(QPointF(double(ms), point.second));
        }
        inWindow.append(points);
    }
    return inWindow;
}

double ChartModel::sumOf(const QList<QPointF> &points)
{
    double sum = 0.0;
    for (const QPointF &point : points)
        sum += point.y();
    return sum;
}

std::optional<QPair<double, double>> ChartModel::valueRange(const QList<QList<QPointF>> &inWindow, bool sums)
{
    double min = RangeScanStart;
    double max = -RangeScanStart;
    for (const QList<QPointF> &points : inWindow) {
        if (sums) {
            if (points.isEmpty())
                continue;
            const double sum = sumOf(points);
            min = qMin(min, qMin(sum, 0.0));
            max = qMax(max, qMax(sum, 0.0));
            continue;
        }
        for (const QPointF &point : points) {
            min = qMin(min, point.y());
            max = qMax(max, point.y());
        }
    }
    if (max < min)
        return std::nullopt;
    const double pad = (max - min) * RangePadFactor + RangePadFloor;
    // Bars stand on 0: the axis starts there unless a sum lies below it.
    const bool onZero = sums && min == 0.0;
    return qMakePair(onZero ? 0.0 : min - pad, max + pad);
}

bool ChartModel::addRule(const QString &name, const QString &expression)
{
    const QString trimmedName = name.trimmed();
    const QString trimmedExpression = expression.trimmed();
    if (trimmedName.isEmpty() || trimmedExpression.isEmpty())
        return false;

    auto *series = new ChartSeriesData;
    series->name = trimmedName;
    series->color = seriesColor(int(m_series.size()));
    m_series.append(series);
    m_rules.append(ChartRule { trimmedName, classifyExpression(trimmedExpression), trimmedExpression });
    emit ruleAdded(trimmedName, trimmedExpression);
    return true;
}

void ChartModel::applyTemplate(int index)
{
    qDeleteAll(m_series);
    m_series.clear();
    // Rules feed series by name: left behind, they would feed a later series of the same name twice.
    m_rules.clear();
    emit seriesRemoved();
    if (index < 1 || index > templateRules().size())
        return;
    for (const RuleText &rule : templateRules().at(index - 1))
        addRule(rule.first, rule.second);
}

void ChartModel::replaceRules(const QList<ChartRule> &rules)
{
    applyTemplate(0);
    for (const ChartRule &rule : rules) {
        auto *series = new ChartSeriesData;
        series->name = rule.name;
        series->color = seriesColor(int(m_series.size()));
        m_series.append(series);
        m_rules.append(rule);
        emit ruleAdded(rule.name, rule.expression);
    }
}

qsizetype ChartModel::adoptSeries(const QList<ChartSeriesData *> &found)
{
    const qsizetype adopted = qMin<qsizetype>(found.size(), MaxAdoptedSeries);
    QStringList names;
    for (qsizetype i = 0; i < adopted; ++i) {
        m_series.append(found.at(i));
        names.append(found.at(i)->name);
        m_rules.append(ChartRule { found.at(i)->name, RuleKind::OscArgument, found.at(i)->name });
    }
    qDeleteAll(found.begin() + adopted, found.end());
    if (adopted > 0)
        emit seriesAdopted(names);
    return adopted;
}

bool ChartModel::addAddressSeries(const QString &address)
{
    for (const ChartSeriesData *series : std::as_const(m_series)) {
        if (series->name == address)
            return false;
    }
    auto *series = new ChartSeriesData;
    series->name = address;
    series->color = seriesColor(int(m_series.size()));
    return adoptSeries({series}) == 1;
}

void ChartModel::ingest(const QString &receivedText)
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    bool recorded = false;
    const QStringList pieces = receivedText.split(lineBreaks, Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const QString line = piece.trimmed();
        if (line.isEmpty())
            continue;
        for (const ChartRule &rule : std::as_const(m_rules)) {
            if (const std::optional<double> value = extractValue(line, rule))
                recorded = record(rule.name, *value) || recorded;
        }
    }
    if (recorded)
        emit pointsAdded();
}

void ChartModel::addDataPoint(const QString &seriesName, double value)
{
    if (record(seriesName, value))
        emit pointsAdded();
}

// False for a value that is dropped before it counts: one that is not finite.
bool ChartModel::record(const QString &seriesName, double value)
{
    if (!std::isfinite(value))
        return false;
    for (ChartSeriesData *series : std::as_const(m_series)) {
        if (series->name == seriesName) {
            series->append(ChartSeriesData::currentTime(), value);
            break;
        }
    }
    return true;
}

void ChartModel::removeRule(qsizetype index)
{
    if (index < 0 || index >= m_rules.size())
        return;
    m_rules.removeAt(index);
    delete m_series.takeAt(index);
    emit ruleRemoved(index);
}

void ChartModel::clearPoints()
{
    for (ChartSeriesData *series : std::as_const(m_series))
        series->points.clear();
    emit pointsCleared();
}
