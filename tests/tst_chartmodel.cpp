#include "charts/ChartModel.h"
#include "charts/ChartSeriesData.h"
#include "charts/TrafficAnalyzer.h"

#include <QtTest>

namespace {

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
    }

    void ingest()
    {
        QFETCH(QString, text);
        QFETCH(QList<double>, a);
        QFETCH(QList<double>, b);
        ChartModel model;
        model.addRule(QStringLiteral("a"), QStringLiteral("a=(\\S+)"));
        model.addRule(QStringLiteral("b"), QStringLiteral("b=(\\S+)"));
        QSignalSpy added(&model, &ChartModel::pointsAdded);
        model.ingest(text);
        QCOMPARE((QList<QList<double>> { valuesOf(model.seriesList().at(0)), valuesOf(model.seriesList().at(1)) }), (QList<QList<double>> { a, b }));
        // However many values one message holds, the views hear of them once.
        QCOMPARE(added.count(), a.size() + b.size() > 0 ? 1 : 0);
    }

    void addRule()
    {
        ChartModel model;
        QSignalSpy added(&model, &ChartModel::ruleAdded);
        QVERIFY(!model.addRule(QStringLiteral("   "), QStringLiteral("x")) && !model.addRule(QStringLiteral("n"), QString()));
        for (int i = 0; i < 6; ++i)
            QVERIFY(model.addRule(QStringLiteral(" s%1 ").arg(i), QStringLiteral(" data.value ")));
        QVERIFY(model.addRule(QStringLiteral("r"), QStringLiteral("v=(\\d+)")));
        QVERIFY(added.count() == 7 && added.at(0) == (QVariantList { QStringLiteral("s0"), QStringLiteral("data.value") }));
        QVERIFY(model.rules().at(0).kind == RuleKind::JsonPath && model.rules().at(6).kind == RuleKind::RegexCapture);
        // Hues 60 degrees apart: the seventh series takes the first one's colour again.
        QVERIFY(model.seriesList().at(1)->color == QColor::fromHsv(60, 200, 220) && model.seriesList().at(6)->color == model.seriesList().at(0)->color);
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
        // Each template replaces the rules before it, also when it is chosen a second time.
        for (const int chosen : { 4, index, 0, index })
            model.applyTemplate(chosen);
        QStringList shown;
        for (const ChartRule &rule : model.rules())
            shown.append(rule.name + QStringLiteral(" = ") + rule.expression);
        QVERIFY(shown == rules && model.seriesList().size() == rules.size());
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
        QList<ChartSeriesData *> found;
        for (int i = 0; i < 7; ++i)
            found.append(new ChartSeriesData);
        found.first()->name = QStringLiteral("r");
        const QPointer<ChartSeriesData> fifth = found.at(4), sixth = found.at(5);
        // The first five are adopted and owned; the others go at once.
        QVERIFY(model.adoptSeries({}) == 0 && model.adoptSeries(found) == 5 && fifth && !sixth && adopted.count() == 1);
        // A value goes to the first series of its name only.
        model.ingest(QStringLiteral("r=2"));
        QVERIFY(model.seriesList().at(0)->points.size() == 1 && model.seriesList().at(1)->points.isEmpty());
        // Clearing drops the values and keeps the rules and series.
        model.clearPoints();
        QVERIFY(model.seriesList().at(0)->points.isEmpty() && model.rules().size() == 6 && model.seriesList().size() == 6);
        // A rule goes with the series it feeds.
        QSignalSpy removed(&model, &ChartModel::ruleRemoved);
        model.removeRule(6);
        model.removeRule(0);
        QVERIFY(removed.count() == 1 && model.rules().first().name == QStringLiteral("r") && model.seriesList().size() == 5 && fifth);
    }

    void seriesInTheWindow()
    {
        ChartModel model;
        model.addRule(QStringLiteral("v"), QStringLiteral("(\\d+)"));
        const QDateTime now = QDateTime::currentDateTime();
        for (int i = -5001; i <= 30; ++i)
            model.seriesList().first()->append(now.addSecs(i), i);
        QVERIFY(model.seriesList().first()->points.size() == 5000 && model.seriesList().first()->points.first().second == -4969.0);
        // A window has no upper bound: a point stamped after now still counts.
        const QList<QPointF> inWindow = model.pointsSince(now.addSecs(-10)).first();
        QVERIFY(inWindow.size() == 41 && inWindow.last() == QPointF(double(now.addSecs(30).toMSecsSinceEpoch()), 30.0));
    }

    void analyzerGroupsNumbersByAddress()
    {
        const QDateTime t0 = QDateTime::currentDateTime().addSecs(-5);
        const QList<TrafficLine> received {
            { t0, QStringLiteral("[127.0.0.1:5000] /a ,f 1.5000") }, { t0, QStringLiteral("[127.0.0.1:5000] /b ,i 2") },
            { t0.addMSecs(200), QStringLiteral("[::ffff:127.0.0.1:5000] /b ,i -3") },
            { t0, QStringLiteral("[127.0.0.1:5000] /d ,sTf \"a b\" True 3.2500") }, { t0, QStringLiteral("[127.0.0.1:5000] /e ,f nan") },
            { t0, QStringLiteral("[127.0.0.1:5000] /flag ,T True") }, { t0, QStringLiteral("[127.0.0.1:5000] /cut ,i") },
            { t0, QStringLiteral("[127.0.0.1:5000] #bundle (no type tag)") },
        };
        // Most frequent address first; nan, flags and cut messages give no series.
        const QList<ChartSeriesData *> found = analyzeTraffic(received, 1);
        QCOMPARE(found.size(), 3);
        QVERIFY(found.at(0)->name == QStringLiteral("/b") && found.at(1)->name == QStringLiteral("/a") && found.at(2)->name == QStringLiteral("/d"));
        QCOMPARE(found.at(0)->points.at(1), qMakePair(t0.addMSecs(200), -3.0));
        QVERIFY(found.at(2)->points.at(0).second == 3.25 && found.at(2)->color == ChartModel::seriesColor(3));
        qDeleteAll(found);
    }
};

QTEST_GUILESS_MAIN(TestChartModel)
#include "tst_chartmodel.moc"
