#include "charts/ChartEngine.h"
#include "charts/ChartRule.h"
#include "charts/ChartSeriesData.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "osc/OscWidget.h"

#include <QtCharts>
#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

namespace {

template <typename T>
T *field(const ChartEngine &engine, const char *name)
{
    return engine.controlsWidget()->findChild<T *>(QLatin1String(name));
}

// Types a rule into the page and presses "添加规则", as a user does (who first enables the chart).
void addRule(ChartEngine &engine, const QString &name, const QString &expression)
{
    field<QCheckBox>(engine, "chartEnableCheck")->setChecked(true);
    QTest::keyClicks(field<QLineEdit>(engine, "ruleNameEdit"), name);
    QTest::keyClicks(field<QLineEdit>(engine, "ruleExpressionEdit"), expression);
    QTest::mouseClick(field<QPushButton>(engine, "addRuleButton"), Qt::LeftButton);
}

// What the window does with each received line: every rule, in order, gets a go at it.
void feedLine(ChartEngine &engine, const QString &line)
{
    for (const ChartRule &rule : engine.rules()) {
        if (const std::optional<double> value = extractValue(line, rule))
            engine.addDataPoint(rule.name, *value);
    }
}

QValueAxis *valueAxis(const ChartEngine &engine)
{
    return qobject_cast<QValueAxis *>(engine.chartView()->chart()->axes(Qt::Vertical).value(0));
}

QXYSeries *xySeries(const ChartEngine &engine, int index)
{
    return qobject_cast<QXYSeries *>(engine.chartView()->chart()->series().value(index));
}

} // namespace

class TestChartEngine : public QObject
{
    Q_OBJECT

private slots:
    void blankRulesAreIgnored()
    {
        ChartEngine engine;
        QVERIFY(!field<QPushButton>(engine, "addRuleButton")->isEnabled());
        addRule(engine, QStringLiteral("   "), QStringLiteral("x"));
        QVERIFY(!engine.chartView()->isHidden());
        field<QLineEdit>(engine, "ruleExpressionEdit")->clear();
        addRule(engine, QStringLiteral("name"), QString());
        // A page without an analyzer (outside the window) has nothing to analyze.
        QTest::mouseClick(field<QPushButton>(engine, "analyzeButton"), Qt::LeftButton);
        QVERIFY(engine.rules().isEmpty() && engine.seriesList().isEmpty());
        QCOMPARE(field<QListWidget>(engine, "chartItemList")->count(), 0);
    }

    void rebuildPerType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("seriesClass");
        QTest::addColumn<QString>("bottomAxis");
        QTest::newRow("line") << int(ChartEngine::Line) << "QLineSeries" << "QDateTimeAxis";
        QTest::newRow("spline") << int(ChartEngine::Spline) << "QSplineSeries" << "QDateTimeAxis";
        QTest::newRow("scatter") << int(ChartEngine::Scatter) << "QScatterSeries" << "QDateTimeAxis";
        QTest::newRow("area") << int(ChartEngine::Area) << "QAreaSeries" << "QDateTimeAxis";
        QTest::newRow("bar") << int(ChartEngine::Bar) << "QBarSeries" << "QBarCategoryAxis";
        QTest::newRow("pie") << int(ChartEngine::Pie) << "QPieSeries" << QString();
    }

    void rebuildPerType()
    {
        QFETCH(int, type);
        QFETCH(QString, seriesClass);
        QFETCH(QString, bottomAxis);

        ChartEngine engine;
        addRule(engine, QStringLiteral("a"), QStringLiteral("a=(\\d+)"));
        addRule(engine, QStringLiteral("b"), QStringLiteral("b=(\\d+)"));
        feedLine(engine, QStringLiteral("a=10 b=1"));
        feedLine(engine, QStringLiteral("a=20 b=2"));
        field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(type);
        // The points recorded before the rebuild reach the new chart series with the next refresh.
        engine.refresh();

        QChart *chart = engine.chartView()->chart();
        QAbstractSeries *first = chart->series().at(0);
        // Bars and pie hold all data series in one chart series; pie has no axes.
        QCOMPARE(chart->series().size(), type >= ChartEngine::Bar ? 1 : 2);
        QCOMPARE(QString::fromLatin1(first->metaObject()->className()), seriesClass);
        QCOMPARE(chart->axes().size(), bottomAxis.isEmpty() ? 0 : 2);
        for (QAbstractSeries *series : chart->series())
            QCOMPARE(series->attachedAxes().size(), chart->axes().size());
        if (!bottomAxis.isEmpty()) {
            QCOMPARE(QString::fromLatin1(first->attachedAxes().at(0)->metaObject()->className()), bottomAxis);
            // The axes each rebuild adds carry the dark palette; the range follows single values, not bar sums.
            QCOMPARE(valueAxis(engine)->labelFormat(), QStringLiteral("%.1f"));
            QCOMPARE(valueAxis(engine)->max(), 20.0 + 1.9 + 1.0);
        }

        // The n-th series takes the hue n * 60 degrees; its chart series keeps that colour under the dark theme.
        const QColor color = engine.seriesList().at(1)->color;
        QCOMPARE(color, QColor::fromHsv(60, 200, 220));
        QCOMPARE(ChartEngine::seriesColor(7), color);
        if (auto *pie = qobject_cast<QPieSeries *>(first)) {
            QCOMPARE(pie->slices().at(0)->value(), 30.0);
            QCOMPARE(pie->slices().at(1)->value(), 3.0);
        } else if (auto *bars = qobject_cast<QBarSeries *>(first)) {
            QCOMPARE(qobject_cast<QBarCategoryAxis *>(chart->axes(Qt::Horizontal).at(0))->categories(), QStringList { " " });
            QCOMPARE(bars->barSets().at(1)->color(), color);
            QCOMPARE(bars->barSets().at(0)->at(0), 30.0);
            QCOMPARE(bars->barSets().at(1)->at(0), 3.0);
        } else if (auto *area = qobject_cast<QAreaSeries *>(chart->series().at(1))) {
            QCOMPARE(area->color(), color.darker(150));
            QCOMPARE(area->upperSeries()->at(1).y(), 2.0);
        } else {
            QCOMPARE(xySeries(engine, 1)->pen().color(), color);
            QCOMPARE(xySeries(engine, 1)->at(1).y(), 2.0);
        }
    }

    void refreshRange_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("secondsFromNow"); // where one further point of 7 is stamped, 0 for none
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<int>("shown");
        QTest::newRow("all values equal") << QList<double> { 5, 5, 5 } << 0 << 4.0 << 6.0 << 3;
        QTest::newRow("non-finite values dropped") << QList<double> { qQNaN(), qInf(), -qInf(), 2.5 } << 0 << 1.5 << 3.5 << 1;
        QTest::newRow("nothing in the window") << QList<double>() << -20 << -10.0 << 110.0 << 0;
        QTest::newRow("a point after now counts") << QList<double>() << 30 << 6.0 << 8.0 << 1;
    }

    void refreshRange()
    {
        QFETCH(QList<double>, values);
        QFETCH(int, secondsFromNow);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(int, shown);

        ChartEngine engine;
        addRule(engine, QStringLiteral("v"), QStringLiteral("(\\d+)"));
        field<QSpinBox>(engine, "timeWindowSpin")->setValue(10);
        for (const double value : values)
            engine.addDataPoint(QStringLiteral("v"), value);
        if (secondsFromNow)
            engine.seriesList().first()->append(QDateTime::currentDateTime().addSecs(secondsFromNow), 7.0);
        engine.refresh();
        QCOMPARE(valueAxis(engine)->min(), min);
        QCOMPARE(valueAxis(engine)->max(), max);
        QCOMPARE(xySeries(engine, 0)->count(), shown);
        auto *time = qobject_cast<QDateTimeAxis *>(engine.chartView()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch(), qint64(10000));
    }

    void templates_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("items");
        // "自定义" keeps the type the previous template chose.
        QTest::newRow("custom") << 0 << int(ChartEngine::Bar) << QStringList();
        QTest::newRow("temperature line") << 1 << int(ChartEngine::Line) << QStringList { "数值 = \\d+\\.?\\d*" };
        QTest::newRow("json fields") << 2 << int(ChartEngine::Line) << QStringList { "field1 = field1", "field2 = field2" };
        QTest::newRow("percentage pie") << 3 << int(ChartEngine::Pie) << QStringList { "A = \\d+", "B = \\d+" };
        QTest::newRow("frequency bar") << 4 << int(ChartEngine::Bar) << QStringList { "频率 = \\d+" };
    }

    void templates()
    {
        QFETCH(int, index);
        QFETCH(int, type);
        QFETCH(QStringList, items);

        ChartEngine engine;
        addRule(engine, QStringLiteral("old"), QStringLiteral("(\\d+)"));
        // Each template replaces the rules before it, also when it is chosen a second time.
        for (const int chosen : { 4, index, 0, index })
            field<QComboBox>(engine, "chartTemplateCombo")->setCurrentIndex(chosen);
        QCOMPARE(field<QComboBox>(engine, "chartTypeCombo")->currentIndex(), type);
        auto *list = field<QListWidget>(engine, "chartItemList");
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->item(i)->text());
        QCOMPARE(shown, items);
        QCOMPARE(engine.chartView()->chart()->series().size(), type >= ChartEngine::Bar ? 1 : items.size());

        feedLine(engine, QStringLiteral(R"({"field1": 4, "field2": 5})"));
        for (const ChartSeriesData *series : engine.seriesList())
            QCOMPARE(series->points.size(), 1);
        // Both pie rules find the same number (the 1 of "field1"), so their slices are equal.
        if (auto *pie = qobject_cast<QPieSeries *>(engine.chartView()->chart()->series().at(0))) {
            QTRY_COMPARE(pie->count(), 2);
            QCOMPARE(pie->slices().at(0)->value(), 1.0);
            QCOMPARE(pie->slices().at(1)->value(), 1.0);
        }
    }

    void pageInsideTheWindow()
    {
        OscWidget window;
        QUdpSocket probe;
        QVERIFY(probe.bind(QHostAddress::AnyIPv4, 0));
        const quint16 port = probe.localPort();
        probe.close();
        window.findChild<QSpinBox *>(QStringLiteral("localPortSpin"))->setValue(port);
        window.toggleConnection();
        QVERIFY(window.isBound());

        ChartEngine &engine = *window.chartEngine();
        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("mainTabs"));
        QCOMPARE(tabs->tabText(tabs->indexOf(engine.chartView())), QStringLiteral("数据图表"));
        QCOMPARE(engine.controlsWidget()->parentWidget()->property("title").toString(), QStringLiteral("数据可视化"));
        addRule(engine, QStringLiteral("temperature"), QStringLiteral("(\\d+\\.\\d+)"));
        auto *analyze = field<QPushButton>(engine, "analyzeButton");
        auto *items = field<QListWidget>(engine, "chartItemList");
        QTest::mouseClick(analyze, Qt::LeftButton);
        QCOMPARE(items->item(1)->text(), QStringLiteral("未发现可用数值 — 请检查数据"));

        QUdpSocket sender;
        for (const char *address : { "/sensor", "/b", "/c", "/d", "/e", "/f", "/g" })
            sender.writeDatagram(OscCodec::buildOscMessage(QLatin1String(address), QStringLiteral(",f"), QStringLiteral("21.5")),
                                 QHostAddress::LocalHost, port);
        QTRY_COMPARE(xySeries(engine, 0)->count(), 7);
        QCOMPARE(xySeries(engine, 0)->at(0).y(), 21.5);

        // The analysis finds the messages in the traffic log, one series per address; five are adopted.
        QList<QPointer<ChartSeriesData>> found;
        engine.analyzer = [&found, analyzer = engine.analyzer] {
            const QList<ChartSeriesData *> series = analyzer();
            found = QList<QPointer<ChartSeriesData>>(series.cbegin(), series.cend());
            return series;
        };
        QTest::mouseClick(analyze, Qt::LeftButton);
        QCOMPARE(engine.seriesList().size(), 6);
        QCOMPARE(items->item(2)->text(), QStringLiteral("/sensor"));
        QCOMPARE(engine.seriesList().at(1)->points.first().second, 21.5);
        QCOMPARE(engine.seriesList().at(1)->color, ChartEngine::seriesColor(1));
        QVERIFY(found.size() == 7 && found.at(4) && found.at(5).isNull() && found.at(6).isNull());

        // Clearing drops the values and keeps the rules and series.
        QTest::mouseClick(field<QPushButton>(engine, "clearChartButton"), Qt::LeftButton);
        QVERIFY(engine.seriesList().at(5)->points.isEmpty());
        QCOMPARE(engine.rules().size(), 1);
        QCOMPARE(items->count(), 7);

        // The controls retranslate in the window's settings column; a page that is gone is not asked to.
        delete new ChartEngine;
        LanguageManager::instance().setLanguage(1);
        QCOMPARE(field<QCheckBox>(engine, "chartEnableCheck")->text(), QStringLiteral("Enable Chart"));
        QCOMPARE(field<QSpinBox>(engine, "timeWindowSpin")->suffix(), QStringLiteral(" sec"));
        LanguageManager::instance().setLanguage(0);
        QCOMPARE(field<QSpinBox>(engine, "timeWindowSpin")->suffix(), QStringLiteral(" 秒"));
    }
};

QTEST_MAIN(TestChartEngine)
#include "tst_chartengine.moc"
