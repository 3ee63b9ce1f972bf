#include "charts/ChartEngine.h"

#include "charts/ChartSeriesData.h"
#include "charts/RuleList.h"
#include "i18n/LanguageManager.h"
#include "theme/Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QValueAxis>

namespace {

const QString TimeFormat = QStringLiteral("HH:mm:ss");
const QString ValueFormat = QStringLiteral("%.1f");
const QString BarCategory = QStringLiteral(" ");
constexpr double DefaultAxisMin = -10.0;
constexpr double DefaultAxisMax = 110.0;

constexpr int AreaFillDarkness = 150;
constexpr qreal SeriesPenWidth = 2.0;

constexpr int PanelSpacing = 4;
constexpr int ItemListMaxHeight = 80;

const QColor ChartBackground = Theme::BarBackground;
const QColor PlotBackground = Theme::PlotBackground;
const QColor TitleColor = Theme::Text;
const QColor LegendLabelColor = Theme::MutedText;
const QColor AxisTitleColor = Theme::MutedText;
const QColor AxisLabelColor = Theme::DimText;
const QColor GridLineColor = Theme::GridLine;
const QColor AxisLineColor = Theme::SubtleBorder;
const QString AnalyzeButtonStyle = QStringLiteral("QPushButton { color: #60A5FA; }");

const QString NoValuesNotice = QStringLiteral("未发现可用数值 — 请检查数据");

// The chart type of templates 1 to 4 (ChartModel::applyTemplate); "自定义" keeps the type.
const QList<ChartEngine::ChartType> TemplateChartTypes = { ChartEngine::Line, ChartEngine::Line, ChartEngine::Pie, ChartEngine::Bar };

QPen seriesPen(const QColor &color)
{
    return QPen(color, SeriesPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

ChartEngine::ChartEngine(QWidget *parent)
    : QWidget(parent)
    , m_model(new ChartModel(this))
{
    m_pendingRefresh = new QTimer(this);
    m_pendingRefresh->setSingleShot(true);
    m_pendingRefresh->setInterval(0);
    connect(m_pendingRefresh, &QTimer::timeout, this, &ChartEngine::refresh);
    setupUI();

    connect(m_model, &ChartModel::ruleAdded, this, [this] {
        m_itemList->appendRule(m_model->rules().constLast());
        rebuild();
    });
    connect(m_model, &ChartModel::seriesAdopted, this, [this](const QStringList &names) {
        for (qsizetype i = m_model->rules().size() - names.size(); i < m_model->rules().size(); ++i)
            m_itemList->appendRule(m_model->rules().at(i));
        rebuild();
    });
    connect(m_model, &ChartModel::ruleRemoved, this, [this](qsizetype index) {
        m_itemList->removeRuleRow(index);
        rebuild();
    });
    connect(m_itemList, &RuleList::removeRequested, m_model, &ChartModel::removeRule);
    connect(m_model, &ChartModel::seriesRemoved, this, [this] {
        m_itemList->clear();
        rebuild();
    });
    connect(m_model, &ChartModel::pointsCleared, this, &ChartEngine::rebuild);
    connect(m_model, &ChartModel::pointsAdded, m_pendingRefresh, qOverload<>(&QTimer::start));
}

QChartView *ChartEngine::chartView() const
{
    return m_chartView;
}

QWidget *ChartEngine::controlsWidget() const
{
    return m_controlsWidget;
}

QList<ChartRule> ChartEngine::rules() const
{
    return m_model->rules();
}

const QList<ChartSeriesData *> &ChartEngine::seriesList() const
{
    return m_model->seriesList();
}

ChartEngine::ChartType ChartEngine::chartType() const
{
    return m_chartType;
}

int ChartEngine::timeWindow() const
{
    return m_timeWindow;
}

ChartModel *ChartEngine::model() const
{
    return m_model;
}

void ChartEngine::setupUI()
{
    auto *pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);

    m_controlsWidget = new QWidget(this);
    m_controlsWidget->setObjectName(QStringLiteral("chartControls"));
    auto *controlsLayout = new QVBoxLayout(m_controlsWidget);
    controlsLayout->setSpacing(PanelSpacing);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    m_enableCheck = new QCheckBox(QStringLiteral("启用图表"), m_controlsWidget);
    m_enableCheck->setObjectName(QStringLiteral("chartEnableCheck"));
    controlsLayout->addWidget(m_enableCheck);

    m_settingsPanel = new QWidget(m_controlsWidget);
    m_settingsPanel->setObjectName(QStringLiteral("chartSettings"));
    auto *panelLayout = new QVBoxLayout(m_settingsPanel);
    panelLayout->setSpacing(PanelSpacing);
    panelLayout->setContentsMargins(0, 0, 0, 0);

    panelLayout->addWidget(new QLabel(QStringLiteral("预设模板"), m_settingsPanel));
    m_templateCombo = new QComboBox(m_settingsPanel);
    m_templateCombo->setObjectName(QStringLiteral("chartTemplateCombo"));
    m_templateCombo->addItems({ QStringLiteral("自定义"), QStringLiteral("温度/电压 折线"),
                                QStringLiteral("JSON 多字段"), QStringLiteral("百分比饼图"),
                                QStringLiteral("频率柱状图") });
    panelLayout->addWidget(m_templateCombo);

    panelLayout->addWidget(new QLabel(QStringLiteral("图表类型"), m_settingsPanel));
    m_chartTypeCombo = new QComboBox(m_settingsPanel);
    m_chartTypeCombo->setObjectName(QStringLiteral("chartTypeCombo"));
    m_chartTypeCombo->addItems({ QStringLiteral("折线图"), QStringLiteral("平滑曲线"), QStringLiteral("散点图"),
                                 QStringLiteral("面积图"), QStringLiteral("柱状图"), QStringLiteral("饼图") });
    panelLayout->addWidget(m_chartTypeCombo);

    panelLayout->addWidget(new QLabel(QStringLiteral("规则名称"), m_settingsPanel));
    m_ruleNameEdit = new QLineEdit(m_settingsPanel);
    m_ruleNameEdit->setObjectName(QStringLiteral("ruleNameEdit"));
    panelLayout->addWidget(m_ruleNameEdit);

    panelLayout->addWidget(new QLabel(QStringLiteral("表达式 (正则/JSON路径)"), m_settingsPanel));
    m_expressionEdit = new QLineEdit(m_settingsPanel);
    m_expressionEdit->setObjectName(QStringLiteral("ruleExpressionEdit"));
    m_expressionEdit->setPlaceholderText(QStringLiteral("例: temperature 或 data\\.value"));
    panelLayout->addWidget(m_expressionEdit);

    auto *ruleButtons = new QHBoxLayout;
    m_addRuleButton = new QPushButton(QStringLiteral("添加规则"), m_settingsPanel);
    m_analyzeButton = new QPushButton(QStringLiteral("智能分析"), m_settingsPanel);
    m_addRuleButton->setObjectName(QStringLiteral("addRuleButton"));
    m_analyzeButton->setObjectName(QStringLiteral("analyzeButton"));
    m_analyzeButton->setStyleSheet(AnalyzeButtonStyle);
    ruleButtons->addWidget(m_addRuleButton);
    ruleButtons->addWidget(m_analyzeButton);
    panelLayout->addLayout(ruleButtons);

    m_itemList = new RuleList(m_settingsPanel);
    m_itemList->setObjectName(QStringLiteral("chartItemList"));
    m_itemList->setMaximumHeight(ItemListMaxHeight);
    panelLayout->addWidget(m_itemList);

    auto *windowRow = new QHBoxLayout;
    windowRow->addWidget(new QLabel(QStringLiteral("时间窗口:"), m_settingsPanel));
    m_windowSpin = new QSpinBox(m_settingsPanel);
    m_windowSpin->setObjectName(QStringLiteral("timeWindowSpin"));
    m_windowSpin->setRange(ChartModel::MinimumTimeWindow, ChartModel::MaximumTimeWindow);
    m_windowSpin->setValue(ChartModel::DefaultTimeWindow);
    m_windowSpin->setSuffix(QStringLiteral(" 秒"));
    windowRow->addWidget(m_windowSpin);
    panelLayout->addLayout(windowRow);

    m_clearButton = new QPushButton(QStringLiteral("清除图表数据"), m_settingsPanel);
    m_clearButton->setObjectName(QStringLiteral("clearChartButton"));
    panelLayout->addWidget(m_clearButton);

    m_settingsPanel->setEnabled(false);
    controlsLayout->addWidget(m_settingsPanel);
    pageLayout->addWidget(m_controlsWidget);

    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("数据可视化"));
    applyChartTheme(chart);
    // No series animation: values arrive many times a second and each refresh would restart it,
    // leaving the drawn curves ever further behind the newest values.
    chart->setAnimationOptions(QChart::NoAnimation);

    addTimeAndValueAxes(chart);

    m_chartView = new QChartView(chart, this);
    m_chartView->setRenderHint(QPainter::Antialiasing, true);
    pageLayout->addWidget(m_chartView, 1);

    connect(m_enableCheck, &QCheckBox::toggled, this, [this](bool enabled) {
        m_settingsPanel->setEnabled(enabled);
        m_chartView->setVisible(enabled);
    });
    connect(m_addRuleButton, &QPushButton::clicked, this, &ChartEngine::onAddRule);
    connect(m_analyzeButton, &QPushButton::clicked, this, &ChartEngine::onAnalyzeData);
    connect(m_templateCombo, &QComboBox::currentIndexChanged, this, &ChartEngine::onTemplateChanged);
    connect(m_chartTypeCombo, &QComboBox::currentIndexChanged, this, &ChartEngine::onChartTypeChanged);
    connect(m_clearButton, &QPushButton::clicked, this, &ChartEngine::onClearChart);
    connect(m_windowSpin, &QSpinBox::valueChanged, this, [this](int seconds) {
        m_timeWindow = seconds;
        refresh();
    });
    m_chartView->hide();

    // The page may go before the application does; its listener goes with it.
    LanguageManager::instance().addListener(this, [this] { retranslate(); });
}

void ChartEngine::retranslate()
{
    LanguageManager &language = LanguageManager::instance();
    // The controls live in the host's settings column, outside this page's own children.
    language.retranslateWidget(m_controlsWidget);
    m_windowSpin->setSuffix(language.pick(QStringLiteral(" 秒"), QStringLiteral(" sec")));
    m_chartView->chart()->setTitle(language.pick(QStringLiteral("数据可视化"), QStringLiteral("Data Visualization")));
    onChartTypeChanged(m_chartType);  // the axes carry titles too
    m_itemList->retranslate();
}

void ChartEngine::applyChartTheme(QChart *chart)
{
    chart->setBackgroundBrush(ChartBackground);
    chart->setPlotAreaBackgroundBrush(PlotBackground);
    chart->setPlotAreaBackgroundVisible(true);
    chart->setTitleFont(Theme::uiFont(Theme::TitlePointSize, QFont::Bold));
    chart->setTitleBrush(TitleColor);
    chart->legend()->setLabelColor(LegendLabelColor);
    chart->legend()->setAlignment(Qt::AlignBottom);
    const QList<QAbstractAxis *> axes = chart->axes();
    for (QAbstractAxis *axis : axes)
        applyAxisTheme(axis);
}

void ChartEngine::applyAxisTheme(QAbstractAxis *axis)
{
    axis->setTitleBrush(AxisTitleColor);
    axis->setLabelsColor(AxisLabelColor);
    axis->setGridLineColor(GridLineColor);
    axis->setLinePenColor(AxisLineColor);
    axis->setShadesPen(Qt::NoPen);
    axis->setShadesBrush(Qt::NoBrush);
    if (auto *valueAxis = qobject_cast<QValueAxis *>(axis))
        valueAxis->setLabelFormat(ValueFormat);
    else if (auto *timeAxis = qobject_cast<QDateTimeAxis *>(axis))
        timeAxis->setFormat(TimeFormat);
}

void ChartEngine::addTimeAndValueAxes(QChart *chart)
{
    auto *timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(TimeFormat);
    timeAxis->setTitleText(LanguageManager::instance().translate(QStringLiteral("时间")));
    auto *valueAxis = new QValueAxis;
    valueAxis->setTitleText(LanguageManager::instance().translate(QStringLiteral("数值")));
    valueAxis->setRange(DefaultAxisMin, DefaultAxisMax);
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    applyAxisTheme(timeAxis);
    applyAxisTheme(valueAxis);
}

void ChartEngine::onChartTypeChanged(int idx)
{
    m_chartType = ChartType(idx);
    QChart *chart = m_chartView->chart();
    chart->removeAllSeries();
    const QList<QAbstractAxis *> axes = chart->axes();
    for (QAbstractAxis *axis : axes) {
        chart->removeAxis(axis);
        delete axis;
    }
    // The library's theme recolours everything it touches: set it first, then our own colours,
    // and only then give each chart series the colour of its data series.
    chart->setTheme(QChart::ChartThemeDark);
    applyChartTheme(chart);

    if (m_chartType == Pie) {
        chart->addSeries(new QPieSeries);
    } else {
        addTimeAndValueAxes(chart);
        if (m_chartType == Bar)
            addBarSeries(chart);
        else
            addTimeSeries(chart);
    }
    // The points already held show at once, not only after the next value arrives.
    refresh();
}

void ChartEngine::addBarSeries(QChart *chart)
{
    auto *bars = new QBarSeries;
    for (const ChartSeriesData *series : m_model->seriesList()) {
        auto *set = new QBarSet(series->name);
        set->setColor(series->color);
        set->append(0.0);
        bars->append(set);
    }
    chart->addSeries(bars);

    // Bars stand on one blank category instead of the time axis.
    QAbstractAxis *timeAxis = chart->axes(Qt::Horizontal).constFirst();
    chart->removeAxis(timeAxis);
    delete timeAxis;
    auto *categoryAxis = new QBarCategoryAxis;
    categoryAxis->append(BarCategory);
    chart->addAxis(categoryAxis, Qt::AlignBottom);
    applyAxisTheme(categoryAxis);
    bars->attachAxis(categoryAxis);
    bars->attachAxis(chart->axes(Qt::Vertical).constFirst());
}

void ChartEngine::addTimeSeries(QChart *chart)
{
    QAbstractAxis *timeAxis = chart->axes(Qt::Horizontal).constFirst();
    QAbstractAxis *valueAxis = chart->axes(Qt::Vertical).constFirst();
    for (const ChartSeriesData *series : m_model->seriesList()) {
        if (m_chartType == Area) {
            auto *upper = new QLineSeries;
            upper->setName(series->name);
            upper->setPen(seriesPen(series->color));
            auto *area = new QAreaSeries(upper);
            area->setName(series->name);
            area->setColor(series->color.darker(AreaFillDarkness));
            area->setBorderColor(series->color);
            chart->addSeries(area);
            // An area series does not own its line; once the chart owns the area, the area owns the line.
            upper->setParent(area);
            area->attachAxis(timeAxis);
            area->attachAxis(valueAxis);
            continue;
        }
        QXYSeries *xy = nullptr;
        if (m_chartType == Spline)
            xy = new QSplineSeries;
        else if (m_chartType == Scatter)
            xy = new QScatterSeries;
        else
            xy = new QLineSeries;
        xy->setName(series->name);
        xy->setPen(seriesPen(series->color));
        chart->addSeries(xy);
        xy->attachAxis(timeAxis);
        xy->attachAxis(valueAxis);
    }
}

void ChartEngine::refresh()
{
    m_pendingRefresh->stop();
    const QDateTime now = ChartSeriesData::currentTime();
    const QDateTime start = now.addSecs(-m_timeWindow);
    const QList<QList<QPointF>> inWindow = m_model->pointsSince(start);
    updateAxes(start, now, inWindow);
    if (m_chartType == Bar)
        fillBars(inWindow);
    else
        fillSeries(inWindow);
}

void ChartEngine::updateAxes(const QDateTime &start, const QDateTime &now, const QList<QList<QPointF>> &inWindow)
{
    QChart *chart = m_chartView->chart();
    const QList<QAbstractAxis *> horizontalAxes = chart->axes(Qt::Horizontal);
    for (QAbstractAxis *axis : horizontalAxes) {
        if (auto *timeAxis = qobject_cast<QDateTimeAxis *>(axis))
            timeAxis->setRange(start, now);
    }

    const std::optional<QPair<double, double>> range = ChartModel::valueRange(inWindow, m_chartType == Bar);
    if (!range)
        return;
    const QList<QAbstractAxis *> verticalAxes = chart->axes(Qt::Vertical);
    for (QAbstractAxis *axis : verticalAxes) {
        if (auto *valueAxis = qobject_cast<QValueAxis *>(axis))
            valueAxis->setRange(range->first, range->second);
    }
}

void ChartEngine::fillBars(const QList<QList<QPointF>> &inWindow)
{
    qsizetype next = 0;
    const QList<QAbstractSeries *> chartSeries = m_chartView->chart()->series();
    for (QAbstractSeries *candidate : chartSeries) {
        auto *bars = qobject_cast<QBarSeries *>(candidate);
        if (!bars)
            continue;
        const QList<QBarSet *> sets = bars->barSets();
        for (QBarSet *set : sets) {
            if (next >= inWindow.size())
                return;
            set->replace(0, ChartModel::sumOf(inWindow.at(next++)));
        }
    }
}

void ChartEngine::fillSeries(const QList<QList<QPointF>> &inWindow)
{
    qsizetype next = 0;
    const QList<QAbstractSeries *> chartSeries = m_chartView->chart()->series();
    for (QAbstractSeries *candidate : chartSeries) {
        if (next >= inWindow.size())
            break;
        // One bulk replace per chart series: the chart lays its points out once, not per point.
        if (auto *area = qobject_cast<QAreaSeries *>(candidate))
            area->upperSeries()->replace(inWindow.at(next++));
        else if (auto *xy = qobject_cast<QXYSeries *>(candidate))
            xy->replace(inWindow.at(next++));
    }

    auto *pie = chartSeries.isEmpty() ? nullptr : qobject_cast<QPieSeries *>(chartSeries.constFirst());
    if (!pie)
        return;
    pie->clear();
    for (qsizetype i = 0; i < inWindow.size(); ++i)
        pie->append(m_model->seriesList().at(i)->name, ChartModel::sumOf(inWindow.at(i)));
}

void ChartEngine::addDataPoint(const QString &seriesName, double value)
{
    m_model->addDataPoint(seriesName, value);
}

void ChartEngine::setChartType(ChartType type)
{
    m_chartTypeCombo->setCurrentIndex(type);
}

void ChartEngine::setTimeWindow(int seconds)
{
    m_windowSpin->setValue(seconds);
}

void ChartEngine::setRules(const QList<ChartRule> &rules)
{
    m_model->replaceRules(rules);
}

void ChartEngine::rebuild()
{
    onChartTypeChanged(m_chartType);
}

void ChartEngine::onAddRule()
{
    if (m_model->addRule(m_ruleNameEdit->text(), m_expressionEdit->text())) {
        m_ruleNameEdit->clear();
        m_expressionEdit->clear();
    }
}

void ChartEngine::onTemplateChanged(int idx)
{
    if (idx >= 1 && idx <= TemplateChartTypes.size()) {
        m_chartType = TemplateChartTypes.at(idx - 1);
        // A template's rules replace whatever was being typed.
        m_ruleNameEdit->clear();
        m_expressionEdit->clear();
    }
    m_model->applyTemplate(idx);
    m_chartTypeCombo->setCurrentIndex(m_chartType);
}

void ChartEngine::onClearChart()
{
    m_model->clearPoints();
}

void ChartEngine::onAnalyzeData()
{
    if (analyzer && m_model->adoptSeries(analyzer()) == 0)
        m_itemList->appendNotice(NoValuesNotice);
}
