#include "charts/ChartPlot.h"
#include "charts/ChartRule.h"
#include "charts/ChartSeriesData.h"
#include "charts/ChartWidget.h"
#include "charts/TrafficAnalyzer.h"

#include <QImage>
#include <QPointer>
#include <QtTest>

#include <cmath>
#include <memory>
#include <limits>

Q_DECLARE_METATYPE(RuleKind)
Q_DECLARE_METATYPE(std::optional<double>)

namespace {

ChartRule rule(RuleKind kind, const QString &expression)
{
    return ChartRule { QStringLiteral("r"), kind, expression };
}

// A series whose points lie the given seconds before `now`.
ChartSeriesData *seriesAt(const QDateTime &now, const QList<QPair<int, double>> &secondsAgoAndValue)
{
    auto *series = new ChartSeriesData;
    for (const auto &point : secondsAgoAndValue)
        series->append(now.addSecs(-point.first), point.second);
    return series;
}

// Antialiased lines seldom cover a pixel whole, so a pixel close to the colour counts.
bool imageHasColor(const QImage &image, const QColor &color)
{
    constexpr int Tolerance = 60;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - color.red()) <= Tolerance && qAbs(pixel.green() - color.green()) <= Tolerance
                && qAbs(pixel.blue() - color.blue()) <= Tolerance)
                return true;
        }
    }
    return false;
}

} // namespace

class TestChartRules : public QObject
{
    Q_OBJECT

private slots:
    void extractValue_data();
    void extractValue();
    void classifyExpression_data();
    void classifyExpression();
    void repeatedPatternsKeepTheirOwnResults();
    void seriesKeepsNewest5000();

    void tickStep_data();
    void tickStep();
    void ticksAreStepAlignedAndBeforeNow();
    void valueLabel_data();
    void valueLabel();
    void layoutContent_data();
    void layoutContent();
    void equalValuesSitMidPlot();
    void layoutIgnoresPointsBeforeTheWindow();
    void widgetClampsTimeWindow();
    void widgetDrawsSeriesInPaletteOrder();

    void analyzerGroupsNumbersByAddress();
    void analyzerSkipsTrafficWithoutNumbers();
};

void TestChartRules::extractValue_data()
{
    QTest::addColumn<RuleKind>("kind");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::optional<double>>("expected");

    const std::optional<double> none;
    using K = RuleKind;

    QTest::newRow("empty line, json") << K::JsonPath << "a" << "" << none;
    QTest::newRow("empty line, capture") << K::RegexCapture << ".*" << "" << none;
    QTest::newRow("empty line, indexed") << K::IndexedValue << "0" << "" << none;
    QTest::newRow("empty line, presence") << K::RegexPresence << ".*" << "" << none;
    QTest::newRow("blank line, json") << K::JsonPath << "a" << "   " << none;

    QTest::newRow("json number") << K::JsonPath << "temperature" << R"({"temperature": 21.5})" << std::optional(21.5);
    QTest::newRow("json numeric string") << K::JsonPath << "temperature" << R"({"temperature": "21.5"})" << std::optional(21.5);
    QTest::newRow("json word string") << K::JsonPath << "temperature" << R"({"temperature": "warm"})" << none;
    QTest::newRow("json true") << K::JsonPath << "temperature" << R"({"temperature": true})" << std::optional(1.0);
    QTest::newRow("json false") << K::JsonPath << "temperature" << R"({"temperature": false})" << std::optional(0.0);
    QTest::newRow("json null") << K::JsonPath << "temperature" << R"({"temperature": null})" << none;
    QTest::newRow("json object value") << K::JsonPath << "t" << R"({"t": {"x": 1}})" << none;
    QTest::newRow("not json") << K::JsonPath << "temperature" << "temperature=21.5" << none;
    QTest::newRow("json with blanks around") << K::JsonPath << "a" << "  {\"a\": 3}  " << std::optional(3.0);
    QTest::newRow("broken json") << K::JsonPath << "a" << R"({"a": 3)" << none;
    QTest::newRow("missing key") << K::JsonPath << "b" << R"({"a": 3})" << none;
    QTest::newRow("keys are case-sensitive") << K::JsonPath << "A" << R"({"a": 3})" << none;
    QTest::newRow("nested array index") << K::JsonPath << "data.items.1" << R"({"data": {"items": [3, 4]}})" << std::optional(4.0);
    QTest::newRow("index past the end") << K::JsonPath << "data.items.2" << R"({"data": {"items": [3, 4]}})" << none;
    QTest::newRow("negative index") << K::JsonPath << "data.items.-1" << R"({"data": {"items": [3, 4]}})" << none;
    QTest::newRow("index beyond 32 bits") << K::JsonPath << "a.4294967296" << R"({"a": [1]})" << none;
    QTest::newRow("root array") << K::JsonPath << "0.v" << R"([{"v": 7}])" << std::optional(7.0);
    QTest::newRow("digit key of an object") << K::JsonPath << "list.0" << R"({"list": {"0": 9}})" << std::optional(9.0);
    QTest::newRow("empty middle key") << K::JsonPath << "a..b" << R"({"a": {"b": 1}})" << none;
    QTest::newRow("leading empty key") << K::JsonPath << ".a" << R"({"a": 1})" << none;
    QTest::newRow("empty key that exists") << K::JsonPath << "a..b" << R"({"a": {"": {"b": 5}}})" << std::optional(5.0);
    QTest::newRow("key into a number") << K::JsonPath << "a.b" << R"({"a": 1})" << none;

    QTest::newRow("capture first match only") << K::RegexCapture << "t=(\\d+)" << "t=12 t=34" << std::optional(12.0);
    QTest::newRow("capture whole match") << K::RegexCapture << "\\d+" << "abc 42" << std::optional(42.0);
    QTest::newRow("group 1 left out") << K::RegexCapture << "(x)?(\\d+)" << "5" << none;
    QTest::newRow("capture not a number") << K::RegexCapture << "([a-z]+)" << "abc" << none;
    QTest::newRow("no match") << K::RegexCapture << "v=(\\d+)" << "nothing" << none;
    QTest::newRow("invalid pattern") << K::RegexCapture << "(\\d+" << "42" << none;
    QTest::newRow("capture is case-sensitive") << K::RegexCapture << "V=(\\d+)" << "v=3" << none;
    QTest::newRow("rendered osc float") << K::RegexCapture << "(\\d+\\.\\d+)" << "/sensor ,f 21.5000" << std::optional(21.5);
    QTest::newRow("float renders nan") << K::RegexCapture << "f (\\S+)" << "/x ,f nan" << std::optional(qQNaN());

    QTest::newRow("indexed negative") << K::IndexedValue << "1" << "[1] = -3.5" << std::optional(-3.5);
    QTest::newRow("indexed, first pair has other index") << K::IndexedValue << "1" << "[0] = 1 [1] = 2" << none;
    QTest::newRow("indexed without blanks") << K::IndexedValue << "1" << "[1]=2" << std::optional(2.0);
    QTest::newRow("indexed, malformed value") << K::IndexedValue << "1" << "[1] = 1.2.3" << none;
    QTest::newRow("indexed, lone minus") << K::IndexedValue << "1" << "[1] = -" << none;
    QTest::newRow("indexed, expression not a number") << K::IndexedValue << "one" << "[1] = 2" << none;
    QTest::newRow("indexed, no pair") << K::IndexedValue << "1" << "value 2" << none;

    QTest::newRow("presence") << K::RegexPresence << "ERROR" << "ERROR 5" << std::optional(1.0);
    QTest::newRow("absence") << K::RegexPresence << "ERROR" << "ok" << none;
    QTest::newRow("presence, invalid pattern") << K::RegexPresence << "[" << "[" << none;

    QTest::newRow("unknown kind") << RuleKind(7) << "a" << R"({"a": 1})" << none;
}

void TestChartRules::extractValue()
{
    QFETCH(RuleKind, kind);
    QFETCH(QString, expression);
    QFETCH(QString, line);
    QFETCH(std::optional<double>, expected);

    const std::optional<double> actual = ::extractValue(line, rule(kind, expression));
    QCOMPARE(actual.has_value(), expected.has_value());
    if (expected && std::isnan(*expected))
        QVERIFY(std::isnan(*actual));
    else if (expected)
        QCOMPARE(*actual, *expected);
}

void TestChartRules::classifyExpression_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<RuleKind>("kind");

    QTest::newRow("plain key") << "temperature" << RuleKind::JsonPath;
    QTest::newRow("dotted path") << "data.value" << RuleKind::JsonPath;
    QTest::newRow("escaped dot") << "data\\.value" << RuleKind::RegexCapture;
    const QString metacharacters = QStringLiteral("\\[]()|*+?^${}");
    for (const QChar c : metacharacters)
        QTest::addRow("contains %c", c.toLatin1()) << (QStringLiteral("a") + c) << RuleKind::RegexCapture;
}

void TestChartRules::classifyExpression()
{
    QFETCH(QString, expression);
    QFETCH(RuleKind, kind);
    QCOMPARE(::classifyExpression(expression), kind);
}

void TestChartRules::repeatedPatternsKeepTheirOwnResults()
{
    // Compiled patterns are kept between calls; each expression must still get its own.
    const ChartRule first = rule(RuleKind::RegexCapture, QStringLiteral("a=(\\d+)"));
    const ChartRule second = rule(RuleKind::RegexCapture, QStringLiteral("b=(\\d+)"));
    for (int round = 0; round < 3; ++round) {
        QCOMPARE(::extractValue(QStringLiteral("a=1 b=2"), first), std::optional(1.0));
        QCOMPARE(::extractValue(QStringLiteral("a=1 b=2"), second), std::optional(2.0));
    }
    for (int i = 0; i < 600; ++i) {
        const ChartRule numbered = rule(RuleKind::RegexCapture, QStringLiteral("n%1=(\\d+)").arg(i));
        QCOMPARE(::extractValue(QStringLiteral("n%1=%2").arg(i).arg(i * 2), numbered), std::optional(i * 2.0));
    }
    QCOMPARE(::extractValue(QStringLiteral("a=1 b=2"), first), std::optional(1.0));
}

void TestChartRules::seriesKeepsNewest5000()
{
    ChartSeriesData series;
    const QDateTime base = QDateTime::currentDateTime();
    for (int i = 0; i < ChartSeriesData::MaxPoints; ++i)
        series.append(base.addMSecs(i), i);
    QCOMPARE(series.points.size(), 5000);
    series.append(base.addMSecs(5000), 5000.0);
    QCOMPARE(series.points.size(), 5000);
    QCOMPARE(series.points.first().second, 1.0);
    QCOMPARE(series.points.last().second, 5000.0);
    QCOMPARE(series.points.first().first, base.addMSecs(1));
}

void TestChartRules::tickStep_data()
{
    QTest::addColumn<double>("span");
    QTest::addColumn<qint64>("step");
    QTest::newRow("5 s") << 5.0 << qint64(5000);
    QTest::newRow("30 s") << 30.0 << qint64(5000);
    QTest::newRow("31 s") << 31.0 << qint64(10000);
    QTest::newRow("60 s") << 60.0 << qint64(10000);
    QTest::newRow("120 s") << 120.0 << qint64(10000);
    QTest::newRow("121 s") << 121.0 << qint64(30000);
    QTest::newRow("600 s") << 600.0 << qint64(30000);
}

void TestChartRules::tickStep()
{
    QFETCH(double, span);
    QFETCH(qint64, step);
    QCOMPARE(ChartPlot::tickStepMs(span), step);
}

void TestChartRules::ticksAreStepAlignedAndBeforeNow()
{
    QCOMPARE(ChartPlot::tickTimes(12300, 42300, 10000), (QList<qint64> { 20000, 30000, 40000 }));
    // A start on a step boundary gets its first tick one full step later; now itself is never a tick.
    QCOMPARE(ChartPlot::tickTimes(20000, 50000, 10000), (QList<qint64> { 30000, 40000 }));
}

void TestChartRules::valueLabel_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("large") << 12345.6 << "12346";
    QTest::newRow("ten thousand") << 10000.0 << "10000";
    QTest::newRow("large negative") << -20000.4 << "-20000";
    QTest::newRow("pi") << 3.14159 << "3.1";
    QTest::newRow("one") << 1.0 << "1.0";
    QTest::newRow("half") << 0.5 << "0.500";
    QTest::newRow("zero") << 0.0 << "0.000";
    QTest::newRow("negative") << -2.5 << "-2.5";
    QTest::newRow("small negative") << -0.25 << "-0.250";
}

void TestChartRules::valueLabel()
{
    QFETCH(double, value);
    QFETCH(QString, label);
    QCOMPARE(ChartPlot::valueLabel(value), label);
}

void TestChartRules::layoutContent_data()
{
    QTest::addColumn<int>("firstSeriesPoints"); // -1: no series at all
    QTest::addColumn<int>("secondSeriesPoints");
    QTest::addColumn<int>("secondsAgo");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("content");

    using C = ChartPlot::PlotLayout::Content;
    const QSize normal(400, 200);
    QTest::newRow("no series") << -1 << 0 << 1 << normal << int(C::NoData);
    QTest::newRow("first series empty, second full") << 0 << 3 << 1 << normal << int(C::NoData);
    QTest::newRow("data in window") << 3 << 0 << 1 << normal << int(C::Plot);
    QTest::newRow("data older than the window") << 3 << 3 << 61 << normal << int(C::NoData);
    QTest::newRow("too narrow") << 3 << 0 << 1 << QSize(56, 200) << int(C::BackgroundOnly);
    QTest::newRow("too low") << 3 << 0 << 1 << QSize(400, 24) << int(C::BackgroundOnly);
    QTest::newRow("smallest plot") << 3 << 0 << 1 << QSize(57, 25) << int(C::Plot);
    QTest::newRow("too small without data") << 0 << 0 << 1 << QSize(20, 20) << int(C::NoData);
}

void TestChartRules::layoutContent()
{
    QFETCH(int, firstSeriesPoints);
    QFETCH(int, secondSeriesPoints);
    QFETCH(int, secondsAgo);
    QFETCH(QSize, size);
    QFETCH(int, content);

    const QDateTime now = QDateTime::currentDateTime();
    QList<ChartSeriesData *> list;
    if (firstSeriesPoints >= 0) {
        for (const int count : { firstSeriesPoints, secondSeriesPoints }) {
            auto *series = new ChartSeriesData;
            for (int i = 0; i < count; ++i)
                series->append(now.addSecs(-secondsAgo), i);
            list.append(series);
        }
    }
    const auto layout = ChartPlot::layoutFor(&list, size, now, ChartWidget::DefaultTimeWindow);
    QCOMPARE(int(layout.content), content);
    QCOMPARE(int(ChartPlot::layoutFor(nullptr, size, now, 60).content), int(ChartPlot::PlotLayout::Content::NoData));
    qDeleteAll(list);
}

void TestChartRules::equalValuesSitMidPlot()
{
    const QDateTime now = QDateTime::currentDateTime();
    QList<ChartSeriesData *> list { seriesAt(now, { { 3, 5.0 }, { 2, 5.0 }, { 1, 5.0 } }) };
    const auto layout = ChartPlot::layoutFor(&list, QSize(456, 224), now, 60);
    QCOMPARE(layout.plot, QRect(48, 4, 400, 200));
    QCOMPARE(layout.axis.min, 4.9);
    QCOMPARE(layout.axis.max, 5.1);
    QCOMPARE(ChartPlot::valueToY(layout, 5.0), 104.0);
    QCOMPARE(ChartPlot::valueLabel(ChartPlot::rowValue(layout, 0)), QStringLiteral("5.1"));
    QCOMPARE(ChartPlot::valueLabel(ChartPlot::rowValue(layout, 4)), QStringLiteral("4.9"));
    qDeleteAll(list);
}

void TestChartRules::layoutIgnoresPointsBeforeTheWindow()
{
    const QDateTime now = QDateTime::currentDateTime();
    QList<ChartSeriesData *> list { seriesAt(now, { { 90, 1000.0 }, { 10, 0.0 }, { 5, 10.0 } }),
                                    seriesAt(now, { { -5, 20.0 } }) };
    const auto layout = ChartPlot::layoutFor(&list, QSize(456, 224), now, 60);
    QCOMPARE(layout.axis.min, -2.0);
    QCOMPARE(layout.axis.max, 22.0);
    QCOMPARE(layout.spanSeconds, 60.0);
    QCOMPARE(ChartPlot::timeToX(layout, layout.startMs), 48.0);
    QCOMPARE(ChartPlot::timeToX(layout, now.toMSecsSinceEpoch()), 448.0);
    QCOMPARE(layout.ticks.size(), 6);
    qDeleteAll(list);
}

void TestChartRules::widgetClampsTimeWindow()
{
    std::unique_ptr<QObject> created(ChartWidget::staticMetaObject.newInstance());
    QVERIFY(qobject_cast<ChartWidget *>(created.get()));
    QVERIFY(!created->parent());

    ChartWidget widget;
    QCOMPARE(widget.timeWindow(), 60);
    widget.setTimeWindow(2);
    QCOMPARE(widget.timeWindow(), 5);
    widget.setTimeWindow(3600);
    QCOMPARE(widget.timeWindow(), 3600);
}

void TestChartRules::widgetDrawsSeriesInPaletteOrder()
{
    const QDateTime now = QDateTime::currentDateTime();
    QList<ChartSeriesData *> list;
    for (int i = 0; i < 7; ++i)
        list.append(seriesAt(now, { { 20, double(i) }, { 1, double(i) } }));

    ChartWidget widget;
    widget.resize(400, 300);
    const QImage empty = widget.grab().toImage();
    QVERIFY(imageHasColor(empty, QColor(0x0A, 0x0E, 0x16)));
    QVERIFY(!imageHasColor(empty, QColor(0x00, 0xD4, 0xFF)));

    widget.setSeriesList(&list);
    const QImage drawn = widget.grab().toImage();
    QVERIFY(imageHasColor(drawn, QColor(0x00, 0xD4, 0xFF)));
    QVERIFY(imageHasColor(drawn, QColor(0x8B, 0x5C, 0xF6)));
    QVERIFY(imageHasColor(drawn, QColor(0xEC, 0x48, 0x99)));
    QCOMPARE(ChartPlot::seriesColor(6), QColor(0xEC, 0x48, 0x99));
    widget.setSeriesList(nullptr);
    qDeleteAll(list);
}

void TestChartRules::analyzerGroupsNumbersByAddress()
{
    const QDateTime t0 = QDateTime::currentDateTime().addSecs(-5);
    const QList<TrafficLine> received {
        { t0, QStringLiteral("[127.0.0.1:5000] /a ,f 1.5000") },
        { t0.addMSecs(100), QStringLiteral("[127.0.0.1:5000] /b ,i 2") },
        { t0.addMSecs(200), QStringLiteral("[::ffff:127.0.0.1:5000] /b ,i -3") },
        { t0.addMSecs(300), QStringLiteral("[127.0.0.1:5000] /c ,s \"hello 5\"") },
        { t0.addMSecs(400), QStringLiteral("[127.0.0.1:5000] /d ,sTf \"a b\" True 3.2500") },
        { t0.addMSecs(500), QStringLiteral("[127.0.0.1:5000] /e ,f nan") },
        { t0.addMSecs(600), QStringLiteral("[127.0.0.1:5000] #bundle (no type tag)") },
    };
    const QList<ChartSeriesData *> found = analyzeTraffic(received, 1);
    QCOMPARE(found.size(), 3);
    QCOMPARE(found.at(0)->name, QStringLiteral("/b"));
    QCOMPARE(found.at(0)->points.size(), 2);
    QCOMPARE(found.at(0)->points.at(1).first, t0.addMSecs(200));
    QCOMPARE(found.at(0)->points.at(1).second, -3.0);
    QCOMPARE(found.at(1)->name, QStringLiteral("/a"));
    QCOMPARE(found.at(1)->points.at(0).second, 1.5);
    QCOMPARE(found.at(2)->name, QStringLiteral("/d"));
    QCOMPARE(found.at(2)->points.at(0).second, 3.25);
    QCOMPARE(found.at(0)->color, QColor::fromHsv(60, 200, 220));
    QCOMPARE(found.at(2)->color, QColor::fromHsv(180, 200, 220));
    for (ChartSeriesData *series : found)
        QVERIFY(!series->parent());
    qDeleteAll(found);
}

void TestChartRules::analyzerSkipsTrafficWithoutNumbers()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QList<TrafficLine> received {
        { now, QStringLiteral("[127.0.0.1:5000] /text ,s \"12\"") },
        { now, QStringLiteral("[127.0.0.1:5000] /flag ,T True") },
        { now, QStringLiteral("[127.0.0.1:5000] /cut ,i") },
        { now, QStringLiteral("ab") },
        { now, QString() },
    };
    QVERIFY(analyzeTraffic(received, 0).isEmpty());
}

QTEST_MAIN(TestChartRules)
#include "tst_chartrules.moc"
