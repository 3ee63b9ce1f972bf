#include "charts/ChartEngine.h"
#include "charts/ChartModel.h"
#include "charts/ChartSeriesData.h"
#include "charts/ChartWidget.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "support/WindowTestSupport.h"

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

QValueAxis *valueAxis(const ChartEngine &engine)
{
    return qobject_cast<QValueAxis *>(engine.chartView()->chart()->axes(Qt::Vertical).value(0));
}

QXYSeries *xySeries(const ChartEngine &engine, int index)
{
    return qobject_cast<QXYSeries *>(engine.chartView()->chart()->series().value(index));
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
        engine.model()->ingest(QStringLiteral("a=10 b=1\na=20 b=2"));
        field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(type);
        // The points recorded before the rebuild reach the new chart series with the next refresh.
        engine.refresh();

        QChart *chart = engine.chartView()->chart();
        // Animations restarted by every refresh would leave the curves behind the values.
        QCOMPARE(chart->animationOptions(), QChart::NoAnimation);
        QCOMPARE(chart->theme(), QChart::ChartThemeDark);
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

        // Each chart series keeps its data series' colour under the dark theme.
        const QColor color = engine.seriesList().at(1)->color;
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
            // The area owns its line, which goes with it on the next rebuild.
            QCOMPARE(area->upperSeries()->parent(), area);
        } else {
            QCOMPARE(xySeries(engine, 1)->pen().color(), color);
            QCOMPARE(xySeries(engine, 1)->at(1).y(), 2.0);
        }
    }

    void refreshRange_data()
    {
        QTest::addColumn<int>("secondsAgo");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<int>("shown");
        QTest::newRow("all values equal") << 0 << 4.0 << 6.0 << 3;
        QTest::newRow("nothing in the window") << 20 << -10.0 << 110.0 << 0;
    }

    void refreshRange()
    {
        QFETCH(int, secondsAgo);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(int, shown);

        ChartEngine engine;
        addRule(engine, QStringLiteral("v"), QStringLiteral("(\\d+)"));
        field<QSpinBox>(engine, "timeWindowSpin")->setValue(10);
        for (int i = 0; i < 3; ++i)
            engine.seriesList().first()->append(QDateTime::currentDateTime().addSecs(-secondsAgo), 5.0);
        // A value of no series still moves the chart on, once the burst it came in is handled.
        engine.addDataPoint(QStringLiteral("nobody"), 1.0);
        QCOMPARE(xySeries(engine, 0)->count(), 0);
        QTRY_COMPARE(xySeries(engine, 0)->count(), shown);
        QCOMPARE(valueAxis(engine)->min(), min);
        QCOMPARE(valueAxis(engine)->max(), max);
        auto *time = qobject_cast<QDateTimeAxis *>(engine.chartView()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch(), qint64(10000));
    }

    void templatesSetTheChartType()
    {
        ChartEngine engine;
        auto *list = field<QListWidget>(engine, "chartItemList");
        QTest::keyClicks(field<QLineEdit>(engine, "ruleNameEdit"), QStringLiteral("typed"));
        // "自定义" keeps the type the template before it chose.
        const QList<QPair<int, int>> chosen { { 4, ChartEngine::Bar }, { 3, ChartEngine::Pie }, { 0, ChartEngine::Pie },
                                              { 1, ChartEngine::Line }, { 2, ChartEngine::Line } };
        for (const auto &[index, type] : chosen) {
            field<QComboBox>(engine, "chartTemplateCombo")->setCurrentIndex(index);
            QCOMPARE(field<QComboBox>(engine, "chartTypeCombo")->currentIndex(), type);
            QCOMPARE(engine.chartType(), ChartEngine::ChartType(type));
            QCOMPARE(list->count(), engine.rules().size());
            QCOMPARE(engine.chartView()->chart()->series().size(), type >= ChartEngine::Bar ? 1 : engine.rules().size());
        }
        QCOMPARE(list->item(1)->text(), QStringLiteral("field2 = field2"));
        QVERIFY(field<QLineEdit>(engine, "ruleNameEdit")->text().isEmpty());
    }

    void pageInsideTheWindow()
    {
        OscWidget window;
        const quint16 port = freeUdpPort();
        QVERIFY(bindWindow(window, port));

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
        QTest::mouseClick(analyze, Qt::LeftButton);
        QCOMPARE(engine.seriesList().size(), 6);
        QCOMPARE(items->item(2)->text(), QStringLiteral("/sensor"));
        QCOMPARE(engine.seriesList().at(1)->points.first().second, 21.5);
        QCOMPARE(engine.seriesList().at(1)->color, ChartModel::seriesColor(1));
        QTest::mouseClick(field<QPushButton>(engine, "clearChartButton"), Qt::LeftButton);
        QVERIFY(engine.seriesList().at(5)->points.isEmpty());
        QCOMPARE(items->count(), 7);

        // The controls retranslate in the window's settings column; a page that is gone is not asked to.
        delete new ChartEngine;
        LanguageManager::instance().setLanguage(1);
        QCOMPARE(field<QCheckBox>(engine, "chartEnableCheck")->text(), QStringLiteral("Enable Chart"));
        QCOMPARE(field<QSpinBox>(engine, "timeWindowSpin")->suffix(), QStringLiteral(" sec"));
        LanguageManager::instance().setLanguage(0);
        QCOMPARE(field<QSpinBox>(engine, "timeWindowSpin")->suffix(), QStringLiteral(" 秒"));
    }

    void widgetDrawsTheChartColours()
    {
        const QDateTime now = QDateTime::currentDateTime();
        QList<ChartSeriesData *> list;
        for (int i = 0; i < 7; ++i) {
            list.append(new ChartSeriesData);
            list.last()->append(now.addSecs(-20), i);
            list.last()->append(now.addSecs(-1), i);
        }
        ChartWidget widget;
        widget.resize(400, 300);
        widget.setSeriesList(&list);
        // Each series is drawn in the page's colour for its position.
        const QImage drawn = widget.grab().toImage();
        for (const int i : { 0, 2, 4 })
            QVERIFY2(imageHasColor(drawn, ChartModel::seriesColor(i)), qPrintable(ChartModel::seriesColor(i).name()));
        widget.setTimeWindow(2);
        QCOMPARE(widget.timeWindow(), 5);
        qDeleteAll(list);
    }
};

QTEST_MAIN(TestChartEngine)
#include "tst_chartengine.moc"
