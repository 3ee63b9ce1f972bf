#include "charts/ChartModel.h"
#include "charts/ChartPlot.h"
#include "charts/ChartSeriesData.h"
#include "charts/TrafficAnalyzer.h"

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

QList<double> valuesOf(const ChartSeriesData *series)
{
    QList<double> values;
    for (const auto &point : series->points)
        values.append(point.second);
    return values;
}

} // namespace

class TestChartModel : public QObject
{
    Q_OBJECT

private slots:
    void ingest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<double>>("a");
        QTest::addColumn<QList<double>>("b");
        QTest::newRow("every rule in turn") << "a=1 b=2" << QList<double> { 1 } << QList<double> { 2 };
        QTest::newRow("lines split at runs of breaks") << "a=1\r\n\r\n   \n b=2 a=3 \r" << QList<double> { 1, 3 } << QList<double> { 2 };
        QTest::newRow("non-finite values dropped") << "a=nan b=inf\na=-inf b=4" << QList<double>() << QList<double> { 4 };
        QTest::newRow("only non-finite values") << "a=nan" << QList<double>() << QList<double>();
        QTest::newRow("nothing found") << "c=5" << QList<double>() << QList<double>();
    }

    void ingest()
    {
        QFETCH(QString, text);
        QFETCH(QList<double>, a);
        QFETCH(QList<double>, b);

        ChartModel model;
        QVERIFY(model.addRule(QStringLiteral("a"), QStringLiteral("a=(\\S+)")));
        QVERIFY(model.addRule(QStringLiteral("b"), QStringLiteral("b=(\\S+)")));
        // A second series of a rule's name never receives its values.
        auto *twin = new ChartSeriesData;
        twin->name = QStringLiteral("a");
        model.adoptSeries({ twin });
        QSignalSpy added(&model, &ChartModel::pointsAdded);
        model.ingest(text);
        QCOMPARE(valuesOf(model.seriesList().at(0)), a);
        QCOMPARE(valuesOf(model.seriesList().at(1)), b);
        QVERIFY(twin->points.isEmpty());
        // However many values one message holds, the views hear of them once.
        QCOMPARE(added.count(), a.size() + b.size() > 0 ? 1 : 0);
    }

    void addRule()
    {
        ChartModel model;
        QSignalSpy added(&model, &ChartModel::ruleAdded);
        QVERIFY(!model.addRule(QStringLiteral("   "), QStringLiteral("x")));
        QVERIFY(!model.addRule(QStringLiteral("name"), QStringLiteral(" ")));
        for (int i = 0; i < 6; ++i)
            QVERIFY(model.addRule(QStringLiteral(" s%1 ").arg(i), QStringLiteral(" data.value ")));
        QVERIFY(model.addRule(QStringLiteral("r"), QStringLiteral("v=(\\d+)")));
        QCOMPARE(added.count(), 7);
        QCOMPARE(added.at(0), (QVariantList { QStringLiteral("s0"), QStringLiteral("data.value") }));
        QCOMPARE(model.rules().at(0).kind, RuleKind::JsonPath);
        QCOMPARE(model.rules().at(6).kind, RuleKind::RegexCapture);
        // Hues 60 degrees apart: the seventh series takes the first one's colour again.
        QCOMPARE(model.seriesList().at(1)->color, QColor::fromHsv(60, 200, 220));
        QCOMPARE(model.seriesList().at(6)->color, model.seriesList().at(0)->color);
    }

    void templates_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("rules");
        QTest::newRow("custom") << 0 << QStringList();
        QTest::newRow("temperature line") << 1 << QStringList { "数值 = \\d+\\.?\\d*" };
        QTest::newRow("json fields") << 2 << QStringList { "field1 = field1", "field2 = field2" };
        QTest::newRow("percentage pie") << 3 << QStringList { "A = \\d+", "B = \\d+" };
        QTest::newRow("frequency bar") << 4 << QStringList { "频率 = \\d+" };
    }

    void templates()
    {
        QFETCH(int, index);
        QFETCH(QStringList, rules);

        ChartModel model;
        model.addRule(QStringLiteral("old"), QStringLiteral("(\\d+)"));
        QSignalSpy removed(&model, &ChartModel::seriesRemoved);
        // Each template replaces the rules before it, also when it is chosen a second time.
        for (const int chosen : { 4, index, 0, index })
            model.applyTemplate(chosen);
        QCOMPARE(removed.count(), 4);
        QStringList shown;
        for (const ChartRule &rule : model.rules())
            shown.append(rule.name + QStringLiteral(" = ") + rule.expression);
        QCOMPARE(shown, rules);
        QCOMPARE(model.seriesList().size(), rules.size());

        // JSON rules read their fields; the patterns take the first number, the 1 of "field1".
        model.ingest(QStringLiteral(R"({"field1": 4, "field2": 5})"));
        for (qsizetype i = 0; i < model.seriesList().size(); ++i)
            QCOMPARE(valuesOf(model.seriesList().at(i)), QList<double> { index == 2 ? 4.0 + i : 1.0 });
    }

    void adoptAndClear()
    {
        ChartModel model;
        model.addRule(QStringLiteral("r"), QStringLiteral("r=(\\d+)"));
        QSignalSpy adopted(&model, &ChartModel::seriesAdopted);
        QCOMPARE(model.adoptSeries({}), 0);
        QList<ChartSeriesData *> found;
        QList<QPointer<ChartSeriesData>> watched;
        for (int i = 0; i < 7; ++i) {
            found.append(new ChartSeriesData);
            found.last()->name = QString::number(i);
            watched.append(found.last());
        }
        // The first five are adopted and owned; the others go at once.
        QCOMPARE(model.adoptSeries(found), 5);
        QVERIFY(watched.at(4) && watched.at(5).isNull() && watched.at(6).isNull());
        QCOMPARE(model.seriesList().size(), 6);
        QCOMPARE(adopted.count(), 1);
        QCOMPARE(adopted.at(0).at(0).toStringList(), (QStringList { "0", "1", "2", "3", "4" }));

        // Clearing drops the values and keeps the rules and series.
        model.addDataPoint(QStringLiteral("4"), 1.0);
        model.ingest(QStringLiteral("r=2"));
        QSignalSpy cleared(&model, &ChartModel::pointsCleared);
        model.clearPoints();
        QCOMPARE(cleared.count(), 1);
        QVERIFY(model.seriesList().at(0)->points.isEmpty() && model.seriesList().at(5)->points.isEmpty());
        QCOMPARE(model.rules().size(), 1);
        QCOMPARE(model.seriesList().size(), 6);
    }

    void pointsSince()
    {
        ChartModel model;
        model.addRule(QStringLiteral("v"), QStringLiteral("(\\d+)"));
        const QDateTime now = QDateTime::currentDateTime();
        for (const int seconds : { -11, -9, 30 })
            model.seriesList().first()->append(now.addSecs(seconds), seconds);
        // A window has no upper bound: a point stamped after now still counts.
        const QList<QPointF> inWindow { { double(now.addSecs(-9).toMSecsSinceEpoch()), -9.0 },
                                        { double(now.addSecs(30).toMSecsSinceEpoch()), 30.0 } };
        QCOMPARE(model.pointsSince(now.addSecs(-10)), QList<QList<QPointF>> { inWindow });
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
        QCOMPARE(found.at(2)->color, ChartModel::seriesColor(3));
        qDeleteAll(found);
    }
};

QTEST_MAIN(TestChartModel)
#include "tst_chartmodel.moc"
