#include "charts/ChartEngine.h"
#include "charts/ChartSeriesData.h"
#include "charts/ChartWidget.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "support/WindowTestSupport.h"

#include <QtCharts>
#include <QtTest>
#include <QtWidgets>

namespace {

template <typename T>
T *field(const ChartEngine &engine, const char *name)
{
    return engine.controlsWidget()->findChild<T *>(QLatin1String(name));
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
    void rebuildPerType()
    {
        ChartEngine engine;
        // A pie chart built before anything else still gets the dark theme.
        field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(ChartEngine::Pie);
        engine.model()->addRule(QStringLiteral("a"), QStringLiteral("a=(\\d+)"));
        engine.model()->addRule(QStringLiteral("b"), QStringLiteral("b=(\\d+)"));
        engine.model()->ingest(QStringLiteral("a=10 b=1\na=20 b=2"));
        const QColor color = engine.seriesList().at(1)->color;
        const QStringList classes { "QLineSeries", "QSplineSeries", "QScatterSeries", "QAreaSeries", "QBarSeries", "QPieSeries" };
        for (int type = ChartEngine::Pie; type >= ChartEngine::Line; --type) {
            field<QComboBox>(engine, "chartTypeCombo")->setCurrentIndex(type);
            // The points recorded before the rebuild show at once.
            QChart *chart = engine.chartView()->chart();
            // Animations restarted by every refresh would leave the curves behind the values.
            QVERIFY(chart->animationOptions() == QChart::NoAnimation && chart->theme() == QChart::ChartThemeDark);
            // Bars and pie hold all data series in one chart series; pie has no axes, bars a blank category.
            QAbstractSeries *first = chart->series().at(0);
            QVERIFY2(chart->series().size() == (type >= ChartEngine::Bar ? 1 : 2) && classes.at(type) == first->metaObject()->className(),
                     qPrintable(classes.at(type)));
            for (QAbstractSeries *series : chart->series())
                QCOMPARE(series->attachedAxes().size(), type == ChartEngine::Pie ? 0 : 2);
            if (type != ChartEngine::Pie) {
                QAbstractAxis *bottom = first->attachedAxes().at(0);
                QVERIFY(type == ChartEngine::Bar ? qobject_cast<QBarCategoryAxis *>(bottom)->categories() == QStringList { " " }
                                                 : qobject_cast<QDateTimeAxis *>(bottom) != nullptr);
                // The axes each rebuild adds carry the dark palette; bars stand on 0 and reach the largest sum.
                const QPair<double, double> range = type == ChartEngine::Bar ? qMakePair(0.0, 30.0 + 3.0 + 1.0) : qMakePair(1.0 - 2.9, 20.0 + 2.9);
                QVERIFY(valueAxis(engine)->labelFormat() == QStringLiteral("%.1f"));
                QCOMPARE(valueAxis(engine)->min(), range.first);
                QCOMPARE(valueAxis(engine)->max(), range.second);
            }
            // Each chart series keeps its data series' colour under the dark theme.
            if (auto *pie = qobject_cast<QPieSeries *>(first)) {
                // The type did not change here: the values show once the burst they came in is handled.
                QTRY_VERIFY(pie->slices().size() == 2 && pie->slices().at(0)->value() == 30.0 && pie->slices().at(1)->value() == 3.0);
            } else if (auto *bars = qobject_cast<QBarSeries *>(first)) {
                QVERIFY(bars->barSets().at(1)->color() == color && bars->barSets().at(0)->at(0) == 30.0 && bars->barSets().at(1)->at(0) == 3.0);
            } else if (auto *area = qobject_cast<QAreaSeries *>(chart->series().at(1))) {
                QVERIFY(area->color() == color.darker(150) && area->upperSeries()->at(1).y() == 2.0);
                // The area owns its line, which goes with it on the next rebuild.
                QCOMPARE(area->upperSeries()->parent(), area);
            } else {
                QVERIFY(xySeries(engine, 1)->pen().color() == color && xySeries(engine, 1)->at(1).y() == 2.0);
            }
        }
    }

    void refreshRange()
    {
        ChartEngine engine;
        engine.model()->addRule(QStringLiteral("v"), QStringLiteral("(\\d+)"));
        field<QSpinBox>(engine, "timeWindowSpin")->setValue(10);
        // With no point inside the window the value axis keeps its range.
        engine.seriesList().first()->append(QDateTime::currentDateTime().addSecs(-20), 50.0);
        engine.refresh();
        QVERIFY(xySeries(engine, 0)->count() == 0 && valueAxis(engine)->min() == -10.0 && valueAxis(engine)->max() == 110.0);
        for (int i = 0; i < 3; ++i)
            engine.seriesList().first()->append(QDateTime::currentDateTime(), 5.0);
        // A value of no series still moves the chart on, once the burst it came in is handled.
        engine.addDataPoint(QStringLiteral("nobody"), 1.0);
        QCOMPARE(xySeries(engine, 0)->count(), 0);
        QTRY_COMPARE(xySeries(engine, 0)->count(), 3);
        QVERIFY(valueAxis(engine)->min() == 4.0 && valueAxis(engine)->max() == 6.0);
        auto *time = qobject_cast<QDateTimeAxis *>(engine.chartView()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch(), qint64(10000));
    }

    void templatesSetTheChartType()
    {
        ChartEngine engine;
        // "自定义" keeps the type the template before it chose.
        const QList<QPair<int, int>> templateAndType { { 4, ChartEngine::Bar }, { 3, ChartEngine::Pie }, { 0, ChartEngine::Pie }, { 2, ChartEngine::Line } };
        for (const auto &[index, type] : templateAndType) {
            field<QComboBox>(engine, "chartTemplateCombo")->setCurrentIndex(index);
            QVERIFY(field<QComboBox>(engine, "chartTypeCombo")->currentIndex() == type && engine.chartType() == type);
        }
        QCOMPARE(field<QListWidget>(engine, "chartItemList")->item(1)->text(), QStringLiteral("field2 = field2"));
        QCOMPARE(engine.chartView()->chart()->series().size(), 2);
    }

    void pageInsideTheWindow()
    {
        OscWidget window;
        const quint16 port = freeUdpPort();
        QVERIFY(bindWindow(window, port));
        ChartEngine &engine = *window.chartEngine();
        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("mainTabs"));
        QVERIFY(tabs->tabText(tabs->indexOf(engine.chartView())) == QStringLiteral("数据图表") && !field<QPushButton>(engine, "addRuleButton")->isEnabled()
                && engine.controlsWidget()->parentWidget()->property("title").toString() == QStringLiteral("数据可视化"));
        field<QCheckBox>(engine, "chartEnableCheck")->setChecked(true);
        QTest::keyClicks(field<QLineEdit>(engine, "ruleNameEdit"), QStringLiteral("temperature"));
        QTest::keyClicks(field<QLineEdit>(engine, "ruleExpressionEdit"), QStringLiteral("(\\d+\\.\\d+)"));
        QTest::mouseClick(field<QPushButton>(engine, "addRuleButton"), Qt::LeftButton);
        QVERIFY(!engine.chartView()->isHidden() && field<QLineEdit>(engine, "ruleNameEdit")->text().isEmpty());
        auto *analyze = field<QPushButton>(engine, "analyzeButton");
        auto *items = field<QListWidget>(engine, "chartItemList");
        QTest::mouseClick(analyze, Qt::LeftButton);
        QCOMPARE(items->item(1)->text(), QStringLiteral("未发现可用数值 — 请检查数据"));

        QUdpSocket sender;
        for (const char *address : { "/sensor", "/b", "/c", "/d", "/e", "/f", "/g" })
            sender.writeDatagram(OscCodec::buildOscMessage(QLatin1String(address), QStringLiteral(",f"), QStringLiteral("21.5")),
                                 QHostAddress::LocalHost, port);
        QTRY_COMPARE(xySeries(engine, 0)->count(), 7);
        // The analysis finds the messages in the traffic log, one series per address; five are adopted.
        QTest::mouseClick(analyze, Qt::LeftButton);
        QVERIFY(engine.seriesList().size() == 6 && items->item(2)->text() == QStringLiteral("/sensor"));
        QVERIFY(engine.seriesList().at(1)->points.first().second == 21.5 && engine.seriesList().at(1)->color == ChartModel::seriesColor(1));
        QTest::mouseClick(field<QPushButton>(engine, "clearChartButton"), Qt::LeftButton);
        QVERIFY(engine.seriesList().at(5)->points.isEmpty() && items->count() == 7);
        // An adopted series plots live data through its rule.
        sender.writeDatagram(OscCodec::buildOscMessage(QStringLiteral("/sensor"), QStringLiteral(",sf"), QStringLiteral("x 3.5")), QHostAddress::LocalHost, port);
        QTRY_VERIFY(!engine.seriesList().at(1)->points.isEmpty());
        QVERIFY(engine.seriesList().at(1)->points.first().second == 3.5 && engine.rules().size() == 6);
        // Delete, or the context menu, removes the selected rule and its series; a notice is no rule.
        items->setCurrentRow(1);
        QTest::keyClick(items, Qt::Key_Delete);
        items->setCurrentRow(2);
        QTest::keyClick(items, Qt::Key_Delete);
        QVERIFY(engine.seriesList().size() == 5 && items->count() == 6 && engine.rules().at(1).name == QStringLiteral("/b"));
        items->setCurrentRow(0);
        items->actions().first()->trigger();
        QVERIFY(engine.rules().first().name == QStringLiteral("/b") && items->item(0)->text() == QStringLiteral("未发现可用数值 — 请检查数据"));

        // The controls retranslate in the window's settings column; a window and page that are gone are
        // not asked to, and a window built in English starts in English.
        delete new OscWidget;
        LanguageManager::instance().setLanguage(1);
        QCOMPARE(field<QCheckBox>(OscWidget(), "autoSendCheck")->text(), QStringLiteral("Auto Send"));
        QCOMPARE(field<QCheckBox>(engine, "chartEnableCheck")->text(), QStringLiteral("Enable Chart"));
        QCOMPARE(field<QSpinBox>(engine, "timeWindowSpin")->suffix(), QStringLiteral(" sec"));
        LanguageManager::instance().setLanguage(0);
        QCOMPARE(field<QSpinBox>(engine, "timeWindowSpin")->suffix(), QStringLiteral(" 秒"));
    }

    void widgetDrawsTheChartColours()
    {
        QList<ChartSeriesData *> list;
        for (int i = 0; i < 5; ++i) {
            list.append(new ChartSeriesData);
            list.at(i)->points = { { QDateTime::currentDateTime().addSecs(-20), double(i) }, { QDateTime::currentDateTime(), double(i) } };
        }
        ChartWidget widget;
        widget.resize(400, 300);
        widget.setSeriesList(&list);
        // Each series in the page's colour for its position; antialiased lines seldom cover a pixel whole.
        const QImage drawn = widget.grab().toImage();
        QSet<int> seen;
        for (int i = 0; i < drawn.width() * drawn.height(); ++i) {
            const QColor p = drawn.pixelColor(i % drawn.width(), i / drawn.width());
            for (const int index : { 0, 2, 4 }) {
                const QColor c = ChartModel::seriesColor(index);
                if (qMax(qMax(qAbs(p.red() - c.red()), qAbs(p.green() - c.green())), qAbs(p.blue() - c.blue())) <= 60)
                    seen.insert(index);
            }
        }
        widget.setTimeWindow(2);
        QVERIFY(seen.size() == 3 && widget.timeWindow() == 5);
        qDeleteAll(list);
    }
};

QTEST_MAIN(TestChartEngine)
#include "tst_chartengine.moc"
