#include "charts/ChartPlot.h"
#include "charts/ChartRule.h"
#include "charts/ChartSeriesData.h"
#include "charts/ChartWidget.h"
#include "charts/TrafficAnalyzer.h"

#include <QImage>
#include <QtTest>

namespace {

using Content = ChartPlot::PlotLayout::Content;

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
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const QColor p = image.pixelColor(i % image.width(), i / image.width());
        if (qMax(qMax(qAbs(p.red() - color.red()), qAbs(p.green() - color.green())), qAbs(p.blue() - color.blue())) <= 60)
            return true;
    }
    return false;
}

} // namespace

class TestChartRules : public QObject
{
    Q_OBJECT

private slots:
    void extractValue_data()
    {
        QTest::addColumn<RuleKind>("kind");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("line");
        QTest::addColumn<std::optional<double>>("expected");

        const std::optional<double> none;
        using K = RuleKind;
        QTest::newRow("empty line never matches") << K::RegexPresence << ".*" << "" << none;
        QTest::newRow("json number") << K::JsonPath << "t" << R"({"t": 21.5})" << std::optional(21.5);
        QTest::newRow("json numeric string") << K::JsonPath << "t" << R"({"t": "21.5"})" << std::optional(21.5);
        QTest::newRow("json word string") << K::JsonPath << "t" << R"({"t": "warm"})" << none;
        QTest::newRow("json true") << K::JsonPath << "t" << R"({"t": true})" << std::optional(1.0);
        QTest::newRow("json null") << K::JsonPath << "t" << R"({"t": null})" << none;
        QTest::newRow("json with blanks around") << K::JsonPath << "a" << "  {\"a\": 3}  " << std::optional(3.0);
        QTest::newRow("missing key") << K::JsonPath << "b" << R"({"a": 3})" << none;
        QTest::newRow("nested array index") << K::JsonPath << "d.i.1" << R"({"d": {"i": [3, 4]}})" << std::optional(4.0);
        QTest::newRow("index beyond 32 bits") << K::JsonPath << "a.4294967296" << R"({"a": [1]})" << none;
        QTest::newRow("root array") << K::JsonPath << "0.v" << R"([{"v": 7}])" << std::optional(7.0);
        QTest::newRow("digit key of an object") << K::JsonPath << "list.0" << R"({"list": {"0": 9}})" << std::optional(9.0);
        QTest::newRow("empty key that is absent") << K::JsonPath << "a..b" << R"({"a": {"b": 1}})" << none;
        QTest::newRow("empty key that exists") << K::JsonPath << "a..b" << R"({"a": {"": {"b": 5}}})" << std::optional(5.0);
        QTest::newRow("key into a number") << K::JsonPath << "a.b" << R"({"a": 1})" << none;
        QTest::newRow("capture first match only") << K::RegexCapture << "t=(\\d+)" << "t=12 t=34" << std::optional(12.0);
        QTest::newRow("capture whole match") << K::RegexCapture << "\\d+" << "abc 42" << std::optional(42.0);
        QTest::newRow("group 1 left out") << K::RegexCapture << "(x)?(\\d+)" << "5" << none;
        QTest::newRow("capture not a number") << K::RegexCapture << "([a-z]+)" << "abc" << none;
        QTest::newRow("indexed negative") << K::IndexedValue << "1" << "[1] = -3.5" << std::optional(-3.5);
        QTest::newRow("indexed, first pair has other index") << K::IndexedValue << "1" << "[0] = 1 [1] = 2" << none;
        QTest::newRow("indexed, malformed value") << K::IndexedValue << "1" << "[1] = 1.2.3" << none;
        QTest::newRow("indexed, expression not a number") << K::IndexedValue << "one" << "[1] = 2" << none;
        QTest::newRow("presence") << K::RegexPresence << "ERROR" << "ERROR 5" << std::optional(1.0);
        QTest::newRow("absence") << K::RegexPresence << "ERROR" << "ok" << none;
        QTest::newRow("invalid presence pattern") << K::RegexPresence << "[" << "[" << none;
    }

    void extractValue()
    {
        QFETCH(RuleKind, kind);
        QFETCH(QString, expression);
        QFETCH(QString, line);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(::extractValue(line, ChartRule { QStringLiteral("r"), kind, expression }), expected);
    }

    void classifyExpression()
    {
        QCOMPARE(::classifyExpression(QStringLiteral("data.value")), RuleKind::JsonPath);
        for (const QChar c : QStringLiteral("\\[]()|*+?^${}"))
            QVERIFY2(::classifyExpression(QStringLiteral("a") + c) == RuleKind::RegexCapture, qPrintable(QString(c)));
    }

    void patternCacheKeepsEachExpressionApart()
    {
        // More distinct patterns than the cache holds, each with its own result.
        for (int i = 0; i < 300; ++i) {
            const ChartRule rule { QStringLiteral("r"), RuleKind::RegexCapture, QStringLiteral("n%1=(\\d+)").arg(i) };
            QCOMPARE(::extractValue(QStringLiteral("n%1=%2 n0=7").arg(i).arg(i * 2), rule), std::optional(i * 2.0));
        }
    }

    void seriesKeepsNewest5000()
    {
        ChartSeriesData series;
        const QDateTime base = QDateTime::currentDateTime();
        for (int i = 0; i <= 5000; ++i)
            series.append(base.addMSecs(i), i);
        QCOMPARE(series.points.size(), 5000);
        QCOMPARE(series.points.first(), qMakePair(base.addMSecs(1), 1.0));
    }

    void ticks_data()
    {
        QTest::addColumn<double>("span");
        QTest::addColumn<qint64>("step");
        QTest::newRow("30 s") << 30.0 << qint64(5000);
        QTest::newRow("31 s") << 31.0 << qint64(10000);
        QTest::newRow("120 s") << 120.0 << qint64(10000);
        QTest::newRow("121 s") << 121.0 << qint64(30000);
    }

    void ticks()
    {
        QFETCH(double, span);
        QFETCH(qint64, step);
        QCOMPARE(ChartPlot::tickStepMs(span), step);
        // On step boundaries after the start (not on a start that is one), strictly before now.
        QCOMPARE(ChartPlot::tickTimes(2 * step + 300, 5 * step, step), (QList<qint64> { 3 * step, 4 * step }));
        QCOMPARE(ChartPlot::tickTimes(2 * step, 4 * step + 1, step), (QList<qint64> { 3 * step, 4 * step }));
    }

    void valueLabel_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("label");
        QTest::newRow("ten thousand") << 10000.0 << "10000";
        QTest::newRow("large negative") << -20000.4 << "-20000";
        QTest::newRow("one") << 1.0 << "1.0";
        QTest::newRow("small negative") << -0.25 << "-0.250";
    }

    void valueLabel()
    {
        QFETCH(double, value);
        QFETCH(QString, label);
        QCOMPARE(ChartPlot::valueLabel(value), label);
    }

    void layoutContent_data()
    {
        QTest::addColumn<QList<int>>("pointsPerSeries");
        QTest::addColumn<int>("secondsAgo");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Content>("content");
        QTest::newRow("no series") << QList<int>() << 1 << QSize(400, 200) << Content::NoData;
        QTest::newRow("first series empty, second full") << QList<int> { 0, 3 } << 1 << QSize(400, 200) << Content::NoData;
        QTest::newRow("data older than the window") << QList<int> { 3, 3 } << 61 << QSize(400, 200) << Content::NoData;
        QTest::newRow("too narrow") << QList<int> { 3 } << 1 << QSize(56, 200) << Content::BackgroundOnly;
        QTest::newRow("too low") << QList<int> { 3 } << 1 << QSize(400, 24) << Content::BackgroundOnly;
        QTest::newRow("smallest plot") << QList<int> { 3 } << 1 << QSize(57, 25) << Content::Plot;
    }

    void layoutContent()
    {
        QFETCH(QList<int>, pointsPerSeries);
        QFETCH(int, secondsAgo);
        QFETCH(QSize, size);
        QFETCH(Content, content);
        const QDateTime now = QDateTime::currentDateTime();
        QList<ChartSeriesData *> list;
        for (const int count : pointsPerSeries)
            list.append(seriesAt(now, QList<QPair<int, double>>(count, { secondsAgo, 1.0 })));
        QCOMPARE(ChartPlot::layoutFor(&list, size, now, 60).content, content);
        QCOMPARE(ChartPlot::layoutFor(nullptr, size, now, 60).content, Content::NoData);
        qDeleteAll(list);
    }

    void layoutScalesTheWindow()
    {
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(1700000003000);
        QList<ChartSeriesData *> flat { seriesAt(now, { { 3, 5.0 }, { 2, 5.0 } }) };
        const auto level = ChartPlot::layoutFor(&flat, QSize(456, 224), now, 60);
        // Equal values get a range of their own and sit in the middle of the plot.
        QCOMPARE(ChartPlot::valueLabel(ChartPlot::rowValue(level, 0)), QStringLiteral("5.1"));
        QCOMPARE(ChartPlot::valueLabel(ChartPlot::rowValue(level, 4)), QStringLiteral("4.9"));
        QCOMPARE(ChartPlot::valueToY(level, 5.0), 104.0);

        // Points before the window do not stretch the value range.
        QList<ChartSeriesData *> spread { seriesAt(now, { { 90, 1000.0 }, { 10, 0.0 } }), seriesAt(now, { { -5, 20.0 } }) };
        const auto layout = ChartPlot::layoutFor(&spread, QSize(456, 224), now, 60);
        QCOMPARE(layout.axis.min, -2.0);
        QCOMPARE(layout.axis.max, 22.0);
        QCOMPARE(ChartPlot::timeToX(layout, layout.startMs), 48.0);
        QCOMPARE(ChartPlot::timeToX(layout, now.toMSecsSinceEpoch()), 448.0);
        QCOMPARE(layout.ticks.size(), 6);
        qDeleteAll(flat + spread);
    }

    void widgetDrawsSeriesInPaletteOrder()
    {
        const QDateTime now = QDateTime::currentDateTime();
        QList<ChartSeriesData *> list;
        for (int i = 0; i < 7; ++i)
            list.append(seriesAt(now, { { 20, double(i) }, { 1, double(i) } }));
        ChartWidget widget;
        widget.resize(400, 300);
        widget.setSeriesList(&list);
        const QImage drawn = widget.grab().toImage();
        // The first, the fifth and (the last repeated) the seventh colour.
        for (const QColor &color : { QColor(0x00, 0xD4, 0xFF), QColor(0x8B, 0x5C, 0xF6), QColor(0xEC, 0x48, 0x99) })
            QVERIFY2(imageHasColor(drawn, color), qPrintable(color.name()));
        widget.setTimeWindow(2);
        QCOMPARE(widget.timeWindow(), 5);
        qDeleteAll(list);
    }

    void analyzerGroupsNumbersByAddress()
    {
        const QDateTime t0 = QDateTime::currentDateTime().addSecs(-5);
        const QList<TrafficLine> received {
            { t0, QStringLiteral("[127.0.0.1:5000] /a ,f 1.5000") },
            { t0, QStringLiteral("[127.0.0.1:5000] /b ,i 2") },
            { t0.addMSecs(200), QStringLiteral("[::ffff:127.0.0.1:5000] /b ,i -3") },
            { t0, QStringLiteral("[127.0.0.1:5000] /d ,sTf \"a b\" True 3.2500") },
            { t0, QStringLiteral("[127.0.0.1:5000] /e ,f nan") },
            { t0, QStringLiteral("[127.0.0.1:5000] /flag ,T True") },
            { t0, QStringLiteral("[127.0.0.1:5000] /cut ,i") },
            { t0, QStringLiteral("[127.0.0.1:5000] #bundle (no type tag)") },
        };
        const QList<ChartSeriesData *> found = analyzeTraffic(received, 1);
        QCOMPARE(found.size(), 3);
        QCOMPARE(found.at(0)->name, QStringLiteral("/b"));
        QCOMPARE(found.at(0)->points.at(1), qMakePair(t0.addMSecs(200), -3.0));
        QCOMPARE(found.at(1)->name, QStringLiteral("/a"));
        QCOMPARE(found.at(2)->name, QStringLiteral("/d"));
        QCOMPARE(found.at(2)->points.at(0).second, 3.25);
        QCOMPARE(found.at(2)->color, QColor::fromHsv(180, 200, 220));
        qDeleteAll(found);
    }
};

QTEST_MAIN(TestChartRules)
#include "tst_chartrules.moc"
