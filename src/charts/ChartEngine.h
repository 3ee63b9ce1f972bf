#pragma once

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
class QListWidget;
class QPushButton;
class QSpinBox;
class QTimer;

// The data-visualization page: extraction rules (typed in or from templates), one series per
// rule, and a live chart of the last N seconds. The host places controlsWidget() in its
// settings column and chartView() in a tab, and feeds the numbers the rules find.
// Its fields carry object names for tests and tools: "chartEnableCheck", "chartTemplateCombo",
// "chartTypeCombo", "ruleNameEdit", "ruleExpressionEdit", "addRuleButton", "analyzeButton",
// "chartItemList", "timeWindowSpin", "clearChartButton".
class ChartEngine : public QWidget
{
    Q_OBJECT

public:
    enum ChartType { Line = 0, Spline = 1, Scatter = 2, Area = 3, Bar = 4, Pie = 5 };
    Q_ENUM(ChartType)

    static constexpr int DefaultTimeWindow = 60;
    static constexpr int MinimumTimeWindow = 5;
    static constexpr int MaximumTimeWindow = 600;
    static constexpr int MaxAdoptedSeries = 5;

    explicit ChartEngine(QWidget *parent = nullptr);
    ~ChartEngine() override;

    QChartView *chartView() const;
    QWidget *controlsWidget() const;
    QList<ChartRule> rules() const;
    const QList<ChartSeriesData *> &seriesList() const;
    ChartType chartType() const;
    int timeWindow() const;

    // Records one value in the first series of that name. Values of unknown names and
    // values that are not finite (a float argument can carry nan or inf) are dropped.
    void addDataPoint(const QString &seriesName, double value);

    // The colour of the n-th series of the page: hues 60 degrees apart, repeating after six.
    static QColor seriesColor(int n);

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
    void clearAllSeries();
    void addTimeAndValueAxes(QChart *chart);
    void addBarSeries(QChart *chart);
    void addTimeSeries(QChart *chart);
    void updateAxes(const QDateTime &start, const QDateTime &now, const QList<QList<QPointF>> &inWindow);
    void fillBars(const QList<QList<QPointF>> &inWindow);
    void fillSeries(const QList<QList<QPointF>> &inWindow);
    void addRuleThroughEdits(const QString &name, const QString &expression);
    void retranslate();

    QChartView *m_chartView = nullptr;
    QWidget *m_controlsWidget = nullptr;
    QList<ChartSeriesData *> m_series;
    QList<ChartRule> m_rules;
    QCheckBox *m_enableCheck = nullptr;
    QWidget *m_settingsPanel = nullptr;
    QComboBox *m_templateCombo = nullptr;
    QComboBox *m_chartTypeCombo = nullptr;
    QLineEdit *m_ruleNameEdit = nullptr;
    QLineEdit *m_expressionEdit = nullptr;
    QPushButton *m_addRuleButton = nullptr;
    QPushButton *m_analyzeButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QListWidget *m_itemList = nullptr;
    QSpinBox *m_windowSpin = nullptr;
    int m_timeWindow = DefaultTimeWindow;
    ChartType m_chartType = Line;
    // Values arrive in bursts (one datagram after another in a single socket read); they
    // are recorded at once and the chart is brought up to date once the burst is handled.
    QTimer *m_pendingRefresh = nullptr;
};
