#pragma once

#include "charts/ChartModel.h"
#include "charts/ChartRule.h"

#include <QList>
#include <QWidget>

#include <functional>

class ChartSeriesData;
class QAbstractAxis;
class QChart;
class QChartView;
class QDateTime;
class QPointF;
class QCheckBox;
class QComboBox;
class QLineEdit;
class RuleList;
class QPushButton;
class QSpinBox;
class QTimer;

// The data-visualization page: the view of a ChartModel. Its settings widgets edit the model's
// rules; its chart shows the model's series over the last N seconds, rebuilt and refreshed as the
// model signals. The host places controlsWidget() in its settings column and chartView() in a tab,
// and hands received text to model()->ingest().
// Its fields carry object names for tests and tools: "chartEnableCheck", "chartTemplateCombo",
// "chartTypeCombo", "ruleNameEdit", "ruleExpressionEdit", "addRuleButton", "analyzeButton",
// "chartItemList", "timeWindowSpin", "clearChartButton".
class ChartEngine : public QWidget
{
    Q_OBJECT

public:
    enum ChartType { Line = 0, Spline = 1, Scatter = 2, Area = 3, Bar = 4, Pie = 5 };
    Q_ENUM(ChartType)

    explicit ChartEngine(QWidget *parent = nullptr);

    QChartView *chartView() const;
    QWidget *controlsWidget() const;
    QList<ChartRule> rules() const;
    const QList<ChartSeriesData *> &seriesList() const;
    ChartType chartType() const;
    int timeWindow() const;
    ChartModel *model() const;
    // Set as the chart type box and the time window box would; the boxes show them.
    void setChartType(ChartType type);
    void setTimeWindow(int seconds);
    // Replaces every rule and series (ChartModel::replaceRules).
    void setRules(const QList<ChartRule> &rules);

    // Records one value through the model (ChartModel::addDataPoint).
    void addDataPoint(const QString &seriesName, double value);

    // Finds series in recent traffic for "智能分析"; the page adopts the first few.
    std::function<QList<ChartSeriesData *>()> analyzer;

public slots:
    void refresh();

private slots:
    void onAddRule();
    void onAnalyzeData();
    void onTemplateChanged(int idx);
    void onClearChart();
    void onChartTypeChanged(int idx);

private:
    void setupUI();
    void applyChartTheme(QChart *chart);
    void applyAxisTheme(QAbstractAxis *axis);
    void rebuild();
    void addTimeAndValueAxes(QChart *chart);
    void addBarSeries(QChart *chart);
    void addTimeSeries(QChart *chart);
    void updateAxes(const QDateTime &start, const QDateTime &now, const QList<QList<QPointF>> &inWindow);
    void fillBars(const QList<QList<QPointF>> &inWindow);
    void fillSeries(const QList<QList<QPointF>> &inWindow);
    void retranslate();

    QChartView *m_chartView = nullptr;
    QWidget *m_controlsWidget = nullptr;
    ChartModel *m_model = nullptr;
    QCheckBox *m_enableCheck = nullptr;
    QWidget *m_settingsPanel = nullptr;
    QComboBox *m_templateCombo = nullptr;
    QComboBox *m_chartTypeCombo = nullptr;
    QLineEdit *m_ruleNameEdit = nullptr;
    QLineEdit *m_expressionEdit = nullptr;
    QPushButton *m_addRuleButton = nullptr;
    QPushButton *m_analyzeButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    RuleList *m_itemList = nullptr;
    QSpinBox *m_windowSpin = nullptr;
    int m_timeWindow = ChartModel::DefaultTimeWindow;
    ChartType m_chartType = Line;
    // Values arrive in bursts (one datagram after another in a single socket read); the model
    // records them at once and the chart is brought up to date once the burst is handled.
    QTimer *m_pendingRefresh = nullptr;
};
