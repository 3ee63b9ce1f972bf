#include "osc/TrafficPages.h"

#include "charts/ChartEngine.h"
#include "charts/ChartModel.h"
#include "comm/CommunicationBase.h"
#include "comm/DatagramView.h"
#include "comm/LogViewWidget.h"
#include "controls/OscControlPanel.h"
#include "i18n/LanguageManager.h"
#include "monitor/AddressTableModel.h"
#include "monitor/AddressTableView.h"

#include <QSplitter>
#include <QtCharts/QChartView>

namespace {

// The log keeps most of the height; the datagram view starts as a strip below it.
constexpr int kLogStretch = 3;
constexpr int kDatagramViewStretch = 1;

} // namespace

TrafficPages::TrafficPages(CommunicationBase *log, ChartEngine *charts, QWidget *controlOwner, QWidget *parent)
    : QTabWidget(parent), m_log(log), m_charts(charts)
{
    setObjectName(QStringLiteral("mainTabs"));
    addTab(createLogPage(), QStringLiteral("通信日志"));
    if (m_charts)
        addTab(m_charts->chartView(), QStringLiteral("数据图表"));
    m_controlPanel = new OscControlPanel(controlOwner, this);
    addTab(m_controlPanel, QStringLiteral("控制面板"));
    addTab(createAddressPage(), QStringLiteral("地址监视"));
}

QWidget *TrafficPages::createLogPage()
{
    m_logSplitter = new QSplitter(Qt::Vertical, this);
    m_logSplitter->setObjectName(QStringLiteral("logSplitter"));
    m_logView = new LogViewWidget(m_log, m_logSplitter);
    m_datagramView = new DatagramView(m_logSplitter);
    m_logSplitter->addWidget(m_logView);
    m_logSplitter->addWidget(m_datagramView);
    m_logSplitter->setStretchFactor(0, kLogStretch);
    m_logSplitter->setStretchFactor(1, kDatagramViewStretch);
    m_logSplitter->setCollapsible(0, false);
    m_logSplitter->setCollapsible(1, true);
    connect(m_logView, &LogViewWidget::currentEntryChanged, m_datagramView, [this](const LogEntry &entry) {
        m_datagramView->setStringEncoding(m_log->encoding());
        m_datagramView->showEntry(entry);
    });
    connect(m_log, &CommunicationBase::logCleared, m_datagramView, &DatagramView::clear);
    return m_logSplitter;
}

QWidget *TrafficPages::createAddressPage()
{
    m_addresses = new AddressTableModel(this);
    auto *page = new AddressTableView(m_addresses, this);
    connect(m_log, &CommunicationBase::logCleared, m_addresses, &AddressTableModel::clear);
    connect(m_addresses, &AddressTableModel::addressLimitReached, m_log, [this](int limit) {
        m_log->addSystemMessage(LanguageManager::instance().pick(
                QStringLiteral("地址超过 %1 个, 其余计入 \"(其他)\"").arg(limit),
                QStringLiteral("More than %1 addresses; the rest are counted as \"(other)\"").arg(limit)));
    });
    connect(page, &AddressTableView::addressActivated, this, &TrafficPages::addressActivated);
    connect(page, &AddressTableView::chartRuleRequested, this, [this](const QString &address) {
        if (m_charts)
            m_charts->model()->addAddressSeries(address);
    });
    connect(page, &AddressTableView::labelControlRequested, m_controlPanel, &OscControlPanel::addLabelFor);
    return page;
}

void TrafficPages::recordMessage(const QByteArray &message, const QString &sender)
{
    m_addresses->record(message, sender);
}
