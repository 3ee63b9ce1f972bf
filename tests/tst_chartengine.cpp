#include "charts/ChartEngine.h"
#include "charts/ChartRule.h"
#include "charts/ChartSeriesData.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "osc/OscWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QUdpSocket>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <limits>

namespace {

template <typename T>
T *field(const ChartEngine &engine, const char *name)
{
    T *found = engine.controlsWidget()->findChild<T *>(QLatin1String(name));
    Q_ASSERT(found);
    return found;
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
    const QList<ChartRule> rules = engine.rules();
    for (const ChartRule &rule : rules) {
        if (const std::optional<double> value = extractValue(line, rule))
            engine.addDataPoint(rule.name, *value);
    }
}

QChart *chartOf(const ChartEngine &engine)
{
    return engine.chartView()->chart();
}

QStringList seriesClasses(const ChartEngine &engine)
{
    QStringList classes;
    const QList<QAbstractSeries *> series = chartOf(engine)->series();
    for (const QAbstractSeries *s : series)
        classes.append(QString::fromLatin1(s->metaObject()->className()));
    return classes;
}

QValueAxis *valueAxis(const ChartEngine &engine)
{
    const QList<QAbstractAxis *> axes = chartOf(engine)->axes(Qt::Vertical);
    return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis *>(axes.constFirst());
}

QXYSeries *xySeries(const ChartEngine &engine, int index)
{
    return qobject_cast<QXYSeries *>(chartOf(engine)->series().value(index));
}

} // namespace

class TestChartEngine : public QObject
{
    Q_OBJECT

private slots:
    void startsEmptyAndDisabled();
    void enableBoxShowsChartAndSettings();
    void addRuleCreatesColouredSeries();
    void emptyRuleIsIgnored();
    void rebuildPerType_data();
    void rebuildPerType();
    void areaFillIsDarkerThanItsBorder();
    void barsSumTheWindowOnOneCategory();
    void axesCarryTheDarkPalette();
    void valuesReachTheChartSeries();
    void equalValuesSpanFourToSix();
    void noPointInWindowKeepsRange();
    void valueGoesToFirstSeriesOfItsName();
    void nonFiniteValuesAreDropped();
    void typeSwitchKeepsPointsButEmptiesChart();
    void clearKeepsRulesAndSeries();
    void timeWindowFollowsSpinBox();
    void templates_data();
    void templates();
    void sameTemplateTwiceGivesOneValuePerLine();
    void percentagePieHasEqualSlices();
    void analyzerSeriesAreAdopted();
    void emptyAnalysisShowsNotice();
    void retranslatesAndOutlivesNothing();
    void receivedDatagramReachesTheChart();
};

void TestChartEngine::startsEmptyAndDisabled()
{
    ChartEngine engine;
    QCOMPARE(engine.chartType(), ChartEngine::Line);
    QCOMPARE(engine.timeWindow(), 60);
    QVERIFY(engine.rules().isEmpty());
    QVERIFY(engine.seriesList().isEmpty());
    QVERIFY(!engine.analyzer);
    QVERIFY(chartOf(engine)->series().isEmpty());
    QCOMPARE(chartOf(engine)->title(), QStringLiteral("数据可视化"));
    QCOMPARE(valueAxis(engine)->min(), -10.0);
    QCOMPARE(valueAxis(engine)->max(), 110.0);
    QVERIFY(qobject_cast<QDateTimeAxis *>(chartOf(engine)->axes(Qt::Horizontal).value(0)));
    QCOMPARE(QMetaType::fromType<ChartEngine::ChartType>().name(), "ChartEngine::ChartType");
}

void TestChartEngine::enableBoxShowsChartAndSettings()
{
    ChartEngine engine;
    engine.show();
    QVERIFY(!engine.chartView()->isVisible());
    QVERIFY(!field<QPushButton>(engine, "addRuleButton")->isEnabled());

    field<QCheckBox>(engine, "chartEnableCheck")->click();
    QVERIFY(engine.chartView()->isVisible());
    QVERIFY(field<QPushButton>(engine, "addRuleButton")->isEnabled());

    field<QCheckBox>(engine, "chartEnableCheck")->click();
    QVERIFY(!engine.chartView()->isVisible());
    QVERIFY(!field<QPushButton>(engine, "addRuleButton")->isEnabled());
}

void TestChartEngine::addRuleCreatesColouredSeries()
{
    ChartEngine engine;
    for (int i = 0; i < 7; ++i)
        addRule(engine, QStringLiteral("s%1").arg(i), i % 2 ? QStringLiteral("(\\d+)") : QStringLiteral("data.value"));

    QCOMPARE(engine.seriesList().size(), 7);
    QCOMPARE(engine.rules().size(), 7);
    QCOMPARE(engine.rules().at(0).kind, RuleKind::JsonPath);
    QCOMPARE(engine.rules().at(1).kind, RuleKind::RegexCapture);
    QCOMPARE(engine.seriesList().at(1)->color, QColor::fromHsv(60, 200, 220));
    QCOMPARE(engine.seriesList().at(6)->color, engine.seriesList().at(0)->color);
    QCOMPARE(engine.seriesList().at(0)->color.hsvHue(), 0);
    QCOMPARE(field<QListWidget>(engine, "chartItemList")->item(1)->text(), QStringLiteral("s1 = (\\d+)"));
    QVERIFY(field<QLineEdit>(engine, "ruleNameEdit")->text().isEmpty());
    QCOMPARE(chartOf(engine)->series().size(), 7);
    // Each chart line keeps its own series colour, also after the library's theme is applied.
    QCOMPARE(xySeries(engine, 1)->pen().color(), engine.seriesList().at(1)->color);
    QCOMPARE(xySeries(engine, 1)->pen().widthF(), 2.0);
}

void TestChartEngine::emptyRuleIsIgnored()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("   "), QStringLiteral("x"));
    field<QLineEdit>(engine, "ruleNameEdit")->clear();
    field<QLineEdit>(engine, "ruleExpressionEdit")->clear();
    addRule(engine, QStringLiteral("name"), QString());
    QVERIFY(engine.seriesList().isEmpty());
    QVERIFY(engine.rules().isEmpty());
}

void TestChartEngine::rebuildPerType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("classes");
    QTest::addColumn<QString>("bottomAxis");

    QTest::newRow("line") << int(ChartEngine::Line) << QStringList { "QLineSeries", "QLineSeries" } << "QDateTimeAxis";
    QTest::newRow("spline") << int(ChartEngine::Spline) << QStringList { "QSplineSeries", "QSplineSeries" } << "QDateTimeAxis";
    QTest::newRow("scatter") << int(ChartEngine::Scatter) << QStringList { "QScatterSeries", "QScatterSeries" } << "QDateTimeAxis";
    QTest::newRow("area") << int(ChartEngine::Area) << QStringList { "QAreaSeries", "QAreaSeries" } << "QDateTimeAxis";
    QTest::newRow("bar") << int(ChartEngine::Bar) << QStringList { "QBarSeries" } << "QBarCategoryAxis";
    QTest::newRow("pie") << int(ChartEngine::Pie) << QStringList { "QPieSeries" } << QString();
}

void TestChartEngine::rebuildPerType()
{
    QFETCH(int, type);
    QFETCH(QStringList, classes);
    QFETCH(QString, bottomAxis);

    ChartEngine engine;
    addRule(engine, QStringLiteral("a"), QStringLiteral("a=(\\d+)"));
    addRule(engine, QStringLiteral("b"), QStringLiteral("b=(\\d+)"));
    field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(type);

    QCOMPARE(int(engine.chartType()), type);
    QCOMPARE(seriesClasses(engine), classes);
    const QList<QAbstractAxis *> bottom = chartOf(engine)->axes(Qt::Horizontal);
    if (bottomAxis.isEmpty()) {
        QVERIFY(chartOf(engine)->axes().isEmpty());
        return;
    }
    QCOMPARE(bottom.size(), 1);
    QCOMPARE(QString::fromLatin1(bottom.first()->metaObject()->className()), bottomAxis);
    QCOMPARE(valueAxis(engine)->min(), -10.0);
    QCOMPARE(valueAxis(engine)->max(), 110.0);
    for (QAbstractSeries *series : chartOf(engine)->series())
        QCOMPARE(series->attachedAxes().size(), 2);
}

void TestChartEngine::areaFillIsDarkerThanItsBorder()
{
    ChartEngine engine;
    field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(ChartEngine::Area);
    addRule(engine, QStringLiteral("a"), QStringLiteral("(\\d+)"));

    auto *area = qobject_cast<QAreaSeries *>(chartOf(engine)->series().value(0));
    QVERIFY(area);
    const QColor color = engine.seriesList().first()->color;
    QCOMPARE(area->name(), QStringLiteral("a"));
    QCOMPARE(area->color(), color.darker(150));
    QCOMPARE(area->borderColor(), color);
    QVERIFY(!area->lowerSeries());
    QVERIFY(!chartOf(engine)->series().contains(area->upperSeries()));

    // The upper line goes with its area when the chart is rebuilt.
    QPointer<QLineSeries> upper = area->upperSeries();
    field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(ChartEngine::Line);
    QVERIFY(upper.isNull());
}

void TestChartEngine::barsSumTheWindowOnOneCategory()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("a"), QStringLiteral("a=(\\d+)"));
    addRule(engine, QStringLiteral("b"), QStringLiteral("b=(\\d+)"));
    field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(ChartEngine::Bar);

    auto *bars = qobject_cast<QBarSeries *>(chartOf(engine)->series().value(0));
    QVERIFY(bars);
    QCOMPARE(bars->count(), 2);
    QCOMPARE(bars->barSets().at(1)->label(), QStringLiteral("b"));
    QCOMPARE(bars->barSets().at(1)->color(), engine.seriesList().at(1)->color);
    auto *category = qobject_cast<QBarCategoryAxis *>(chartOf(engine)->axes(Qt::Horizontal).value(0));
    QVERIFY(category);
    QCOMPARE(category->categories(), QStringList { QStringLiteral(" ") });

    feedLine(engine, QStringLiteral("a=10 b=1"));
    feedLine(engine, QStringLiteral("a=20 b=2"));
    QTRY_COMPARE(bars->barSets().at(0)->at(0), 30.0);
    QCOMPARE(bars->barSets().at(1)->at(0), 3.0);
    // The value axis follows single values, not the sums.
    QCOMPARE(valueAxis(engine)->max(), 20.0 + 1.9 + 1.0);
}

void TestChartEngine::axesCarryTheDarkPalette()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("a"), QStringLiteral("(\\d+)"));
    QChart *chart = chartOf(engine);
    QCOMPARE(chart->theme(), QChart::ChartThemeDark);
    QCOMPARE(chart->backgroundBrush().color(), QColor(QStringLiteral("#0D1321")));
    QCOMPARE(chart->plotAreaBackgroundBrush().color(), QColor(QStringLiteral("#0A1018")));
    QCOMPARE(chart->titleBrush().color(), QColor(QStringLiteral("#F1F5F9")));
    QCOMPARE(chart->legend()->labelColor(), QColor(QStringLiteral("#94A3B8")));
    QCOMPARE(chart->legend()->alignment(), Qt::AlignBottom);
    QCOMPARE(valueAxis(engine)->labelFormat(), QStringLiteral("%.1f"));
    QCOMPARE(valueAxis(engine)->labelsColor(), QColor(QStringLiteral("#64748B")));
    QCOMPARE(valueAxis(engine)->gridLineColor(), QColor(QStringLiteral("#1E2A3A")));
    QCOMPARE(valueAxis(engine)->titleText(), QStringLiteral("数值"));
    auto *time = qobject_cast<QDateTimeAxis *>(chart->axes(Qt::Horizontal).value(0));
    QCOMPARE(time->format(), QStringLiteral("HH:mm:ss"));
    QCOMPARE(time->titleText(), QStringLiteral("时间"));
    QCOMPARE(time->linePenColor(), QColor(QStringLiteral("#2A3A4A")));
}

void TestChartEngine::valuesReachTheChartSeries()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("t"), QStringLiteral("t=(\\d+)"));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    for (int i = 1; i <= 3; ++i)
        feedLine(engine, QStringLiteral("t=%1").arg(i * 10));

    QCOMPARE(engine.seriesList().first()->points.size(), 3);
    QTRY_COMPARE(xySeries(engine, 0)->count(), 3);
    QCOMPARE(xySeries(engine, 0)->at(2).y(), 30.0);
    QVERIFY(xySeries(engine, 0)->at(0).x() >= double(before));
    auto *time = qobject_cast<QDateTimeAxis *>(chartOf(engine)->axes(Qt::Horizontal).value(0));
    QCOMPARE(time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch(), qint64(60000));
}

void TestChartEngine::equalValuesSpanFourToSix()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("v"), QStringLiteral("(\\d+)"));
    for (int i = 0; i < 4; ++i)
        feedLine(engine, QStringLiteral("5"));
    QTRY_COMPARE(valueAxis(engine)->min(), 4.0);
    QCOMPARE(valueAxis(engine)->max(), 6.0);
}

void TestChartEngine::noPointInWindowKeepsRange()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("v"), QStringLiteral("(\\d+)"));
    engine.seriesList().first()->append(QDateTime::currentDateTime().addSecs(-120), 500.0);
    engine.refresh();
    QCOMPARE(valueAxis(engine)->min(), -10.0);
    QCOMPARE(valueAxis(engine)->max(), 110.0);
    QCOMPARE(xySeries(engine, 0)->count(), 0);

    // A point stamped after now still belongs to the window.
    engine.seriesList().first()->append(QDateTime::currentDateTime().addSecs(30), 7.0);
    engine.refresh();
    QCOMPARE(valueAxis(engine)->min(), 6.0);
    QCOMPARE(xySeries(engine, 0)->count(), 1);
}

void TestChartEngine::valueGoesToFirstSeriesOfItsName()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("same"), QStringLiteral("(\\d+)"));
    addRule(engine, QStringLiteral("same"), QStringLiteral("x(\\d+)"));
    engine.addDataPoint(QStringLiteral("same"), 1.0);
    engine.addDataPoint(QStringLiteral("other"), 2.0);
    QCOMPARE(engine.seriesList().at(0)->points.size(), 1);
    QCOMPARE(engine.seriesList().at(1)->points.size(), 0);
}

void TestChartEngine::nonFiniteValuesAreDropped()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("f"), QStringLiteral("f (\\S+)"));
    feedLine(engine, QStringLiteral("/x ,f nan"));
    feedLine(engine, QStringLiteral("/x ,f inf"));
    feedLine(engine, QStringLiteral("/x ,f -inf"));
    engine.addDataPoint(QStringLiteral("f"), std::numeric_limits<double>::quiet_NaN());
    QVERIFY(engine.seriesList().first()->points.isEmpty());

    feedLine(engine, QStringLiteral("/x ,f 2.5000"));
    QTRY_COMPARE(xySeries(engine, 0)->count(), 1);
    QCOMPARE(valueAxis(engine)->min(), 1.5);
    QCOMPARE(valueAxis(engine)->max(), 3.5);
}

void TestChartEngine::typeSwitchKeepsPointsButEmptiesChart()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("v"), QStringLiteral("(\\d+)"));
    feedLine(engine, QStringLiteral("3"));
    // The rebuild comes after the value: the new chart series stay empty until the next refresh.
    field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(ChartEngine::Scatter);
    QCoreApplication::processEvents();
    QCOMPARE(engine.seriesList().first()->points.size(), 1);
    QCOMPARE(xySeries(engine, 0)->count(), 0);
    engine.refresh();
    QCOMPARE(xySeries(engine, 0)->count(), 1);
}

void TestChartEngine::clearKeepsRulesAndSeries()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("v"), QStringLiteral("(\\d+)"));
    feedLine(engine, QStringLiteral("3"));
    QTest::mouseClick(field<QPushButton>(engine, "clearChartButton"), Qt::LeftButton);
    QVERIFY(engine.seriesList().first()->points.isEmpty());
    QCOMPARE(engine.rules().size(), 1);
    QCOMPARE(field<QListWidget>(engine, "chartItemList")->count(), 1);
}

void TestChartEngine::timeWindowFollowsSpinBox()
{
    ChartEngine engine;
    auto *spin = field<QSpinBox>(engine, "timeWindowSpin");
    QCOMPARE(spin->minimum(), 5);
    QCOMPARE(spin->maximum(), 600);
    QCOMPARE(spin->suffix(), QStringLiteral(" 秒"));
    spin->setValue(1000);
    QCOMPARE(engine.timeWindow(), 600);
    spin->setValue(10);
    QCOMPARE(engine.timeWindow(), 10);
    auto *time = qobject_cast<QDateTimeAxis *>(chartOf(engine)->axes(Qt::Horizontal).value(0));
    QCOMPARE(time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch(), qint64(10000));
}

void TestChartEngine::templates_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<RuleKind>>("kinds");
    QTest::addColumn<QStringList>("classes");

    // "自定义" keeps the type the previous template chose.
    QTest::newRow("custom") << 0 << int(ChartEngine::Bar) << QStringList() << QList<RuleKind>() << QStringList { "QBarSeries" };
    QTest::newRow("temperature line") << 1 << int(ChartEngine::Line) << QStringList { "数值" }
                                      << QList<RuleKind> { RuleKind::RegexCapture } << QStringList { "QLineSeries" };
    QTest::newRow("json fields") << 2 << int(ChartEngine::Line) << QStringList { "field1", "field2" }
                                 << QList<RuleKind> { RuleKind::JsonPath, RuleKind::JsonPath }
                                 << QStringList { "QLineSeries", "QLineSeries" };
    QTest::newRow("percentage pie") << 3 << int(ChartEngine::Pie) << QStringList { "A", "B" }
                                    << QList<RuleKind> { RuleKind::RegexCapture, RuleKind::RegexCapture }
                                    << QStringList { "QPieSeries" };
    QTest::newRow("frequency bar") << 4 << int(ChartEngine::Bar) << QStringList { "频率" }
                                   << QList<RuleKind> { RuleKind::RegexCapture } << QStringList { "QBarSeries" };
}

void TestChartEngine::templates()
{
    QFETCH(int, index);
    QFETCH(int, type);
    QFETCH(QStringList, names);
    QFETCH(QList<RuleKind>, kinds);
    QFETCH(QStringList, classes);

    ChartEngine engine;
    addRule(engine, QStringLiteral("old"), QStringLiteral("(\\d+)"));
    auto *templates = field<QComboBox>(engine, "chartTemplateCombo");
    templates->setCurrentIndex(4);
    templates->setCurrentIndex(index);

    QCOMPARE(int(engine.chartType()), type);
    QCOMPARE(field<QComboBox>(engine, "chartTypeCombo")->currentIndex(), type);
    QStringList seriesNames;
    for (const ChartSeriesData *series : engine.seriesList())
        seriesNames.append(series->name);
    QCOMPARE(seriesNames, names);
    QList<RuleKind> ruleKinds;
    for (const ChartRule &rule : engine.rules())
        ruleKinds.append(rule.kind);
    QCOMPARE(ruleKinds, kinds);
    QCOMPARE(field<QListWidget>(engine, "chartItemList")->count(), names.size());
    QCOMPARE(seriesClasses(engine), classes);
}

void TestChartEngine::sameTemplateTwiceGivesOneValuePerLine()
{
    ChartEngine engine;
    auto *templates = field<QComboBox>(engine, "chartTemplateCombo");
    templates->setCurrentIndex(1);
    templates->setCurrentIndex(0);
    templates->setCurrentIndex(1);
    QCOMPARE(engine.rules().size(), 1);

    feedLine(engine, QStringLiteral("/temp ,f 21.5000"));
    feedLine(engine, QStringLiteral("/temp ,f 22.0000"));
    QCOMPARE(engine.seriesList().first()->points.size(), 2);
    QCOMPARE(engine.seriesList().first()->points.at(0).second, 21.5);
}

void TestChartEngine::percentagePieHasEqualSlices()
{
    ChartEngine engine;
    field<QComboBox>(engine, "chartTemplateCombo")->setCurrentIndex(3);
    for (const QString &line : { QStringLiteral("/a ,i 40"), QStringLiteral("/b ,i 2") })
        feedLine(engine, line);

    auto *pie = qobject_cast<QPieSeries *>(chartOf(engine)->series().value(0));
    QVERIFY(pie);
    QTRY_COMPARE(pie->count(), 2);
    QCOMPARE(pie->slices().at(0)->label(), QStringLiteral("A"));
    QCOMPARE(pie->slices().at(1)->label(), QStringLiteral("B"));
    QCOMPARE(pie->slices().at(0)->value(), 42.0);
    QCOMPARE(pie->slices().at(1)->value(), 42.0);
}

void TestChartEngine::analyzerSeriesAreAdopted()
{
    ChartEngine engine;
    addRule(engine, QStringLiteral("kept"), QStringLiteral("(\\d+)"));
    QList<QPointer<ChartSeriesData>> made;
    engine.analyzer = [&made] {
        QList<ChartSeriesData *> found;
        for (int i = 0; i < 7; ++i) {
            auto *series = new ChartSeriesData;
            series->name = QStringLiteral("/address/%1").arg(i);
            series->color = ChartEngine::seriesColor(i + 1);
            series->append(QDateTime::currentDateTime(), i);
            found.append(series);
            made.append(series);
        }
        return found;
    };
    QTest::mouseClick(field<QPushButton>(engine, "analyzeButton"), Qt::LeftButton);

    QCOMPARE(engine.seriesList().size(), 6);
    QCOMPARE(engine.seriesList().at(5)->name, QStringLiteral("/address/4"));
    QCOMPARE(engine.rules().size(), 1);
    QCOMPARE(field<QListWidget>(engine, "chartItemList")->item(1)->text(), QStringLiteral("/address/0"));
    QVERIFY(made.at(4));
    QVERIFY(made.at(5).isNull());
    QVERIFY(made.at(6).isNull());
    QCOMPARE(chartOf(engine)->series().size(), 6);
    engine.refresh();
    QCOMPARE(xySeries(engine, 5)->count(), 1);
}

void TestChartEngine::emptyAnalysisShowsNotice()
{
    ChartEngine engine;
    field<QCheckBox>(engine, "chartEnableCheck")->setChecked(true);
    QTest::mouseClick(field<QPushButton>(engine, "analyzeButton"), Qt::LeftButton);
    QCOMPARE(field<QListWidget>(engine, "chartItemList")->count(), 0);

    engine.analyzer = [] { return QList<ChartSeriesData *>(); };
    QTest::mouseClick(field<QPushButton>(engine, "analyzeButton"), Qt::LeftButton);
    QCOMPARE(field<QListWidget>(engine, "chartItemList")->count(), 1);
    QCOMPARE(field<QListWidget>(engine, "chartItemList")->item(0)->text(),
             QStringLiteral("未发现可用数值 — 请检查数据"));
}

void TestChartEngine::retranslatesAndOutlivesNothing()
{
    auto *gone = new ChartEngine;
    delete gone;

    QWidget host;
    auto *engine = new ChartEngine(&host);
    // The host moves the controls out of the page, as the window does.
    engine->controlsWidget()->setParent(&host);
    LanguageManager::instance().setLanguage(1);
    QCOMPARE(field<QCheckBox>(*engine, "chartEnableCheck")->text(), QStringLiteral("Enable Chart"));
    QCOMPARE(field<QPushButton>(*engine, "addRuleButton")->text(), QStringLiteral("Add Rule"));
    QCOMPARE(field<QComboBox>(*engine, "chartTypeCombo")->itemText(5), QStringLiteral("Pie Chart"));
    QCOMPARE(field<QSpinBox>(*engine, "timeWindowSpin")->suffix(), QStringLiteral(" sec"));

    LanguageManager::instance().setLanguage(0);
    QCOMPARE(field<QCheckBox>(*engine, "chartEnableCheck")->text(), QStringLiteral("启用图表"));
    QCOMPARE(field<QSpinBox>(*engine, "timeWindowSpin")->suffix(), QStringLiteral(" 秒"));
}

void TestChartEngine::receivedDatagramReachesTheChart()
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
    QCOMPARE(tabs->tabText(1), QStringLiteral("数据图表"));
    QCOMPARE(tabs->widget(1), engine.chartView());
    QCOMPARE(engine.controlsWidget()->parentWidget()->property("title").toString(), QStringLiteral("数据可视化"));
    addRule(engine, QStringLiteral("temperature"), QStringLiteral("(\\d+\\.\\d+)"));

    QUdpSocket sender;
    const QByteArray datagram = OscCodec::buildOscMessage(QStringLiteral("/sensor"), QStringLiteral(",f"),
                                                          QStringLiteral("21.5"));
    sender.writeDatagram(datagram, QHostAddress::LocalHost, port);
    QTRY_COMPARE(engine.seriesList().first()->points.size(), 1);
    QCOMPARE(engine.seriesList().first()->points.first().second, 21.5);
    QTRY_COMPARE(xySeries(engine, 0)->count(), 1);
    QCOMPARE(xySeries(engine, 0)->at(0).y(), 21.5);

    // The analysis finds the same message in the traffic log, under its address.
    QTest::mouseClick(field<QPushButton>(engine, "analyzeButton"), Qt::LeftButton);
    QCOMPARE(engine.seriesList().size(), 2);
    QCOMPARE(engine.seriesList().at(1)->name, QStringLiteral("/sensor"));
    QCOMPARE(engine.seriesList().at(1)->points.first().second, 21.5);
    QCOMPARE(engine.seriesList().at(1)->color, ChartEngine::seriesColor(1));
}

QTEST_MAIN(TestChartEngine)
#include "tst_chartengine.moc"
