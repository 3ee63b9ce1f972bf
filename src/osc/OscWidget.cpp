#include "osc/OscWidget.h"

#include "charts/ChartEngine.h"
#include "charts/TrafficAnalyzer.h"
#include "comm/CommunicationBase.h"
#include "comm/LogViewWidget.h"
#include "controls/OscControlPanel.h"
#include "i18n/LanguageManager.h"
#include "osc/ComposerOptions.h"
#include "osc/DropMonitor.h"
#include "osc/FormFields.h"
#include "osc/HeaderBar.h"
#include "osc/MessageComposer.h"
#include "osc/OscBundle.h"
#include "osc/OscCodec.h"
#include "osc/NetworkOptions.h"
#include "osc/TransportOptions.h"
#include "osc/OscLink.h"
#include "osc/RelaySwitch.h"
#include "osc/TrafficPages.h"
#include "osc/ValueChecker.h"
#include "osc/Workbench.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QChartView>

namespace {

const QString kWindowTitle = QStringLiteral("OSC调试助手");
const QString kWindowIcon = QStringLiteral(":/icon/Osc.ico");
constexpr int kMinimumWidth = 900;
constexpr int kMinimumHeight = 600;
constexpr int kInitialWidth = 1120;
constexpr int kInitialHeight = 760;

constexpr int kSettingsColumnWidth = 260;
constexpr int kSettingsPanelWidth = 254;
constexpr int kBindButtonHeight = 36;

constexpr int kDefaultLocalPort = 9000;
constexpr int kDefaultTargetPort = 8000;
const QString kDefaultTargetHost = QStringLiteral("127.0.0.1");
const QString kDefaultAddress = QStringLiteral("/test/value");
const QString kDefaultArguments = QStringLiteral("42");

constexpr int kMinimumInterval = 10;
constexpr int kMaximumInterval = 60000;
constexpr int kDefaultInterval = 1000;
constexpr int kIntervalStep = 100;

// Tags sent are a preset's text up to its first space.
const QStringList kTypePresets = {
    QStringLiteral(",i (int32)"),
    QStringLiteral(",f (float32)"),
    QStringLiteral(",s (string)"),
    QStringLiteral(",T (True)"),
    QStringLiteral(",F (False)"),
    QStringLiteral(",N (Nil)"),
    QStringLiteral(",if (int+float)"),
    QStringLiteral(",sf (string+float)"),
};

const QString kReleaseButtonStyle = QStringLiteral(
    "QPushButton { background-color: #EF4444; color: white; font-weight: 600; border: none; "
    "border-radius: 4px; padding: 4px 20px; }"
    "QPushButton:hover { background-color: #F87171; }");
const QString kBoundStatusStyle =
    QStringLiteral("font-size: 13px; color: #10B981; background: transparent;");
const QString kUnboundStatusStyle =
    QStringLiteral("font-size: 13px; color: #64748B; background: transparent;");

} // namespace

OscWidget::OscWidget(QWidget *parent)
    : QWidget(parent)
    , m_bundleRows([](const QString &chinese, const QString &english) {
        return LanguageManager::instance().pick(chinese, english);
    })
{
    m_comm = new CommunicationBase(this);
    m_autoSendTimer = new QTimer(this);
    m_autoSendTimer->setObjectName(QStringLiteral("autoSendTimer"));
    connect(m_autoSendTimer, &QTimer::timeout, this, &OscWidget::sendData);
    m_link = new OscLink(this);
    connect(m_link, &OscLink::bound, this, [this] { onBindingChanged(true); });
    connect(m_link, &OscLink::released, this, [this] { onBindingChanged(false); });
    connect(m_link, &OscLink::bindFailed, m_comm,
            [this](const QString &reason) { m_comm->addSystemMessage(picked("绑定失败: ", "Bind failed: ") + reason); });
    connect(m_link, &OscLink::sendFailed, m_comm,
            [this](const QString &reason) { m_comm->addSystemMessage(picked("发送失败 ", "Send failed: ") + reason); });
    connect(m_link, &OscLink::ipv6Unavailable, m_comm, [this] {
        m_comm->addSystemMessage(LanguageManager::instance().pick(QStringLiteral("系统不支持 IPv6, 仅在 IPv4 上接收"),
                                                                  QStringLiteral("No IPv6 on this system; receiving on IPv4 only")));
    });
    connect(m_link, &OscLink::datagramReceived, this, &OscWidget::onDatagram);
    m_dropMonitor = new DropMonitor(m_link, this);
    connect(m_dropMonitor, &DropMonitor::dropsDetected, m_comm, [this](quint64 lost) {
        m_comm->addSystemMessage(LanguageManager::instance().pick(QStringLiteral("接收缓冲区溢出, 丢失 %1 个数据报"),
                                                                  QStringLiteral("Receive buffer overflowed, %1 datagrams lost")).arg(lost));
    });
    setupUI();
    m_workbench = new Workbench(this);
}

OscWidget::~OscWidget() = default;

CommunicationBase *OscWidget::communication() const
{
    return m_comm;
}

OscControlPanel *OscWidget::controlPanel() const
{
    return m_controlPanel;
}

ChartEngine *OscWidget::chartEngine() const
{
    return m_chartEngine;
}

bool OscWidget::isBound() const
{
    return m_link->isBound();
}

void OscWidget::toggleConnection()
{
    if (m_link->isBound())
        m_link->release();
    else
        m_link->open(quint16(m_localPortSpin->value()), m_targetHostEdit->text(), quint16(m_targetPortSpin->value()));
}

void OscWidget::onBindingChanged(bool bound)
{
    updateBindButton();
    updateStatusLabel();
    const LanguageManager &language = LanguageManager::instance();
    QString message = TransportOptions::bindingMessage(*m_link);
    // Every tick of a released port would fail, so auto-send stops with it.
    if (!bound && m_autoSendCheck->isChecked()) {
        m_autoSendCheck->setChecked(false);
        message = language.pick(QStringLiteral("端口已释放, 自动发送已停止"),
                                                   QStringLiteral("Port released, auto-send stopped"));
    }
    m_comm->addSystemMessage(message);
    emit m_comm->connectionStatusChanged(bound);
}

void OscWidget::updateBindButton()
{
    m_bindButton->setText(TransportOptions::bindButtonText(*m_link));
    if (isBound()) {
        m_bindButton->setStyleSheet(kReleaseButtonStyle);
        m_bindButton->setFixedHeight(kBindButtonHeight);
    } else {
        m_bindButton->setObjectName(QStringLiteral("accentButton"));
        m_bindButton->setStyleSheet(QString());
    }
}

void OscWidget::updateStatusLabel()
{
    if (!m_statusLabel)
        return;
    const LanguageManager &language = LanguageManager::instance();
    if (isBound()) {
        m_statusLabel->setText(language.pick(QStringLiteral("🟢 已绑定"), QStringLiteral("🟢 Bound")));
        m_statusLabel->setStyleSheet(kBoundStatusStyle);
    } else {
        m_statusLabel->setText(language.pick(QStringLiteral("⚫ 未绑定"), QStringLiteral("⚫ Unbound")));
        m_statusLabel->setStyleSheet(kUnboundStatusStyle);
    }
}

void OscWidget::sendData()
{
    if (!isBound()) {
        m_comm->addSystemMessage(picked("请先绑定端口", "Bind a port first"));
        return;
    }
    const MessageComposer::Request request = m_composerOptions->request();
    if (request.address.isEmpty() && !request.raw) {
        m_comm->addSystemMessage(picked("请输入OSC地址", "Enter an OSC address"));
        return;
    }
    const auto composed = MessageComposer::compose(request, m_wireEncoding.follow(m_comm->encoding()), QDateTime::currentDateTimeUtc());
    if (composed.refusal) {
        const auto [chinese, english] = ValueChecker::reason(*composed.refusal);
        m_comm->addSystemMessage(picked("发送失败 ", "Send failed: ") + LanguageManager::instance().pick(chinese, english));
        // Every later tick would be refused the same way, so auto-send stops after saying why once.
        if (m_autoSendCheck->isChecked()) {
            m_autoSendCheck->setChecked(false);
            m_comm->addSystemMessage(LanguageManager::instance().pick(QStringLiteral("自动发送已停止"),
                                                                      QStringLiteral("Auto-send stopped")));
        }
        return;
    }
    if (!sendToTarget(composed.datagram))
        return;
    m_comm->addTxDatagram(composed.datagram, composed.logText);
    m_composerOptions->remember();
}

void OscWidget::sendOscValue(const QString &address, double value)
{
    if (!isBound())
        return;
    // The log shows the value as the control had it, also when an int32 carries it rounded.
    const QByteArray datagram = OscCodec::buildValueMessage(address, value);
    if (sendToTarget(datagram))
        logSent(datagram, address, OscCodec::valueTypeTags(value), OscCodec::valueText(value));
}

void OscWidget::sendTypedValue(const QString &address, double value, bool isInteger)
{
    if (!isBound())
        return;
    const QByteArray datagram = OscCodec::buildTypedValueMessage(address, value, isInteger);
    if (sendToTarget(datagram))
        logSent(datagram, address, isInteger ? QStringLiteral(",i") : QStringLiteral(",f"),
                OscCodec::typedValueText(value, isInteger));
}

bool OscWidget::sendToTarget(const QByteArray &datagram)
{
    return m_link->send(datagram, m_targetHostEdit->text(), quint16(m_targetPortSpin->value()));
}

void OscWidget::logSent(const QByteArray &datagram, const QString &address, const QString &tags, const QString &values)
{
    const QString text = QStringLiteral("OSC %1 %2 %3").arg(OscCodec::sentAddress(address), tags, values);
    m_comm->addTxDatagram(datagram, text);
}

void OscWidget::toggleAutoSend(bool enabled)
{
    if (enabled && isBound())
        m_autoSendTimer->start(m_intervalSpin->value());
    else
        m_autoSendTimer->stop();
}

void OscWidget::onReadyRead()
{
    m_link->drain();
}

void OscWidget::onDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort)
{
    if (sender != m_lastSender || senderPort != m_lastSenderPort || m_lastSenderPrefix.isEmpty()) {
        m_lastSender = sender;
        m_lastSenderPort = senderPort;
        m_lastSenderName = QStringLiteral("%1:%2").arg(sender.toString()).arg(senderPort);
        m_lastSenderPrefix = QLatin1Char('[') + m_lastSenderName + QStringLiteral("] ");
    }
    const OscTextEncoding &strings = m_wireEncoding.follow(m_comm->encoding());
    if (OscBundle::isBundle(datagram)) {
        onBundle(datagram, strings);
        return;
    }
    const QString text = OscCodec::decodeOscToText(datagram, strings);
    m_comm->addRxDatagram(datagram, m_lastSenderPrefix + text);
    onMessage(datagram, text);
}

// Opened or not, a bundle hands every message it holds on as if it had come alone: expanding is
// only how the log shows it.
void OscWidget::onBundle(const QByteArray &datagram, const OscTextEncoding &strings)
{
    const BundleRows::Rows rows = m_bundleRows.rows(datagram, m_lastSenderPrefix, strings, QDate::currentDate());
    if (m_expandBundlesCheck->isChecked())
        m_comm->addRxDatagramRows(datagram, rows.lines, rows.addresses);
    else
        m_comm->addRxDatagram(datagram, m_lastSenderPrefix + OscCodec::decodeOscToText(datagram, strings));
    for (const BundleRows::Message &message : rows.messages)
        onMessage(message.bytes, message.rendered);
}

// Where every received message goes, alone or from a bundle: the chart rules and the controls.
void OscWidget::onMessage(const QByteArray &message, const QString &renderedText)
{
    m_pages->recordMessage(message, m_lastSenderName);
    if (m_chartEngine)
        m_chartEngine->model()->ingest(renderedText);
    driveControlPanel(message);
}

// The first argument of a received message moves the control panel's controls with that address.
void OscWidget::driveControlPanel(const QByteArray &message)
{
    if (!m_controlPanel)
        return;
    const OscCodec::OscFirstArgument first = OscCodec::readFirstArgument(message, m_wireEncoding);
    switch (first.kind) {
    case OscCodec::ArgumentKind::Number:
        m_controlPanel->setControlValue(first.address, first.number);
        break;
    case OscCodec::ArgumentKind::Text:
        m_controlPanel->setControlText(first.address, first.text);
        break;
    case OscCodec::ArgumentKind::None:
        break;
    }
}

void OscWidget::retranslate()
{
    LanguageManager::instance().retranslateWidget(this);
    // Texts set at run time follow the state, not the text remembered at the first switch.
    updateBindButton();
    updateStatusLabel();
    m_transportOptions->retranslate();
    m_logView->setDroppedCount(m_dropMonitor->dropped());
}

void OscWidget::setupUI()
{
    setWindowTitle(kWindowTitle);
    setWindowIcon(QIcon(kWindowIcon));
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kInitialWidth, kInitialHeight);

    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    auto *header = new HeaderBar(kWindowTitle);
    m_langCombo = header->languageCombo();
    m_statusLabel = header->statusLabel();
    mainLayout->addWidget(header);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(16, 4, 16, 12);
    body->setSpacing(12);
    m_settingsScroll = new QScrollArea;
    m_settingsScroll->setWidgetResizable(false);
    m_settingsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QWidget *settings = createSettingsPanel();
    settings->setFixedWidth(kSettingsPanelWidth);
    m_settingsScroll->setWidget(settings);
    m_settingsScroll->setFixedWidth(kSettingsColumnWidth);
    body->addWidget(m_settingsScroll);
    body->addWidget(createTabArea(), 1);
    mainLayout->addLayout(body);
    m_logView->addStatusWidget(m_transportOptions->framingStatus());

    connect(m_lineSpacingSpin, &QSpinBox::valueChanged, m_logView, &LogViewWidget::setLineSpacing);
    connect(m_fontSizeSpin, &QSpinBox::valueChanged, m_logView, &LogViewWidget::setFontSize);

    LanguageManager &language = LanguageManager::instance();
    language.retranslateWidget(this);
    language.addListener(this, [this] { retranslate(); });
}

QWidget *OscWidget::createSettingsPanel()
{
    auto *panel = new QWidget;
    auto *layout = new QVBoxLayout(panel);
    layout->setSpacing(8);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(createConnectionGroup());
    layout->addWidget(createDisplayGroup());
    auto *chartGroup = new QGroupBox(QStringLiteral("数据可视化"));
    createChartPanel(chartGroup);
    layout->addWidget(chartGroup);
    return panel;
}

QGroupBox *OscWidget::createConnectionGroup()
{
    auto *group = new QGroupBox(QStringLiteral("连接设置"));
    auto *layout = new QVBoxLayout(group);
    layout->setSpacing(8);
    layout->setContentsMargins(0, 0, 0, 8);

    m_localPortSpin = FormFields::createSpinBox(QStringLiteral("localPortSpin"), 1, 65535, kDefaultLocalPort);
    m_targetHostEdit = FormFields::createLineEdit(QStringLiteral("targetHostEdit"), kDefaultTargetHost);
    m_targetPortSpin = FormFields::createSpinBox(QStringLiteral("targetPortSpin"), 1, 65535, kDefaultTargetPort);
    m_encodingCombo = new QComboBox;
    m_encodingCombo->setObjectName(QStringLiteral("encodingCombo"));
    m_encodingCombo->addItems(CommunicationBase::supportedEncodings());
    m_transportOptions = new TransportOptions(m_link, m_comm);
    auto *networkOptions = new NetworkOptions(this);
    // Broadcast, multicast and the interface to join groups on are UDP's.
    connect(m_transportOptions, &TransportOptions::transportChosen, this, [this, networkOptions](OscLink::Transport transport) {
        networkOptions->setEnabled(transport == OscLink::Transport::Udp);
        updateBindButton();
    });
    layout->addWidget(m_transportOptions);
    FormFields::addFieldRow(layout, QStringLiteral("本地端口"), m_localPortSpin);
    FormFields::addFieldRow(layout, QStringLiteral("目标地址"), m_targetHostEdit);
    FormFields::addFieldRow(layout, QStringLiteral("目标端口"), m_targetPortSpin);
    FormFields::addFieldRow(layout, QStringLiteral("编码"), m_encodingCombo);
    layout->addWidget(networkOptions);

    m_bindButton = new QPushButton(QStringLiteral("绑定端口"));
    m_bindButton->setObjectName(QStringLiteral("accentButton"));
    m_bindButton->setFixedHeight(kBindButtonHeight);
    layout->addWidget(m_bindButton);
    m_relaySwitch = new RelaySwitch(this);
    layout->addWidget(m_relaySwitch);

    connect(m_encodingCombo, &QComboBox::currentTextChanged, m_comm, &CommunicationBase::setEncoding);
    connect(m_bindButton, &QPushButton::clicked, this, &OscWidget::toggleConnection);
    return group;
}

QGroupBox *OscWidget::createDisplayGroup()
{
    auto *group = new QGroupBox(QStringLiteral("显示设置"));
    auto *layout = new QVBoxLayout(group);
    layout->setSpacing(6);
    layout->setContentsMargins(0, 0, 0, 8);

    m_hexCheck = FormFields::createCheckBox(QStringLiteral("hexCheck"), QStringLiteral("十六进制显示"), false);
    m_timestampCheck = FormFields::createCheckBox(QStringLiteral("timestampCheck"), QStringLiteral("显示时间戳"), true);
    m_autoScrollCheck = FormFields::createCheckBox(QStringLiteral("autoScrollCheck"), QStringLiteral("自动滚动"), true);
    layout->addWidget(m_hexCheck);
    layout->addWidget(m_timestampCheck);
    layout->addWidget(m_autoScrollCheck);
    m_expandBundlesCheck = FormFields::createCheckBox(QStringLiteral("expandBundlesCheck"), QStringLiteral("展开消息包"), true);
    layout->addWidget(m_expandBundlesCheck);
    m_lineSpacingSpin = FormFields::createSpinBox(QStringLiteral("lineSpacingSpin"), -10, 10, 0, QStringLiteral(" px"));
    m_fontSizeSpin = FormFields::createSpinBox(QStringLiteral("fontSizeSpin"), 7, 16, 11, QStringLiteral(" pt"));
    FormFields::addFieldRow(layout, QStringLiteral("行间距"), m_lineSpacingSpin);
    FormFields::addFieldRow(layout, QStringLiteral("字号"), m_fontSizeSpin);

    connect(m_hexCheck, &QCheckBox::toggled, m_comm, &CommunicationBase::setHexDisplay);
    connect(m_timestampCheck, &QCheckBox::toggled, m_comm, &CommunicationBase::setShowTimestamp);
    connect(m_autoScrollCheck, &QCheckBox::toggled, m_comm, &CommunicationBase::setAutoScroll);
    return group;
}

// Holds the chart page's controls; the engine itself is parented here but not laid out.
void OscWidget::createChartPanel(QGroupBox *group)
{
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    m_chartEngine = new ChartEngine(group);
    // Only its two parts show: the controls here and the chart view in its tab.
    m_chartEngine->hide();
    layout->addWidget(m_chartEngine->controlsWidget());
    // "智能分析" looks for numbers in the traffic received so far.
    m_chartEngine->analyzer = [this] {
        QList<TrafficLine> received;
        const QList<LogEntry> entries = m_comm->entries();
        for (const LogEntry &entry : entries) {
            if (entry.direction == LogDirection::Rx)
                received.append({ entry.timestamp, entry.text });
        }
        return analyzeTraffic(received, int(m_chartEngine->seriesList().size()));
    };
}

QWidget *OscWidget::createTabArea()
{
    auto *area = new QWidget;
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    m_pages = new TrafficPages(m_comm, m_chartEngine, this);
    m_tabWidget = m_pages;
    m_logView = m_pages->logView();
    m_controlPanel = m_pages->controlPanel();
    connect(m_dropMonitor, &DropMonitor::droppedChanged, m_logView, &LogViewWidget::setDroppedCount);
    connect(m_logView, &LogViewWidget::countersReset, m_dropMonitor, &DropMonitor::reset);
    m_logView->addStatusWidget(m_relaySwitch->countLabel());
    connect(m_controlPanel, &OscControlPanel::oscSendRequested, this, &OscWidget::sendOscValue);
    connect(m_controlPanel, &OscControlPanel::oscTypedSendRequested, this, &OscWidget::sendTypedValue);
    layout->addWidget(m_tabWidget, 1);
    layout->addWidget(createSendPanel());
    connect(m_pages, &TrafficPages::addressActivated, m_addressEdit, &QLineEdit::setText);
    return area;
}

QWidget *OscWidget::createSendPanel()
{
    auto *group = new QGroupBox(QStringLiteral("发送区"));
    auto *layout = new QVBoxLayout(group);
    layout->setSpacing(4);
    layout->setContentsMargins(0, 0, 0, 8);

    m_addressEdit = FormFields::createLineEdit(QStringLiteral("addressEdit"), kDefaultAddress);
    m_typeCombo = new QComboBox;
    m_typeCombo->setObjectName(QStringLiteral("typeCombo"));
    m_typeCombo->addItems(kTypePresets);
    m_argsEdit = FormFields::createLineEdit(QStringLiteral("argsEdit"), kDefaultArguments);
    FormFields::addFieldRow(layout, QStringLiteral("地址:"), m_addressEdit);
    FormFields::addFieldRow(layout, QStringLiteral("类型:"), m_typeCombo);
    FormFields::addFieldRow(layout, QStringLiteral("参数:"), m_argsEdit);
    m_composerOptions = new ComposerOptions(m_addressEdit, m_typeCombo, m_argsEdit);
    layout->addWidget(m_composerOptions);

    m_sendRow = new QHBoxLayout;
    m_sendRow->addStretch();
    m_sendButton = new QPushButton(QStringLiteral("刷新"));
    m_sendButton->setObjectName(QStringLiteral("accentButton"));
    m_sendButton->setFixedSize(120, 32);
    m_sendRow->addWidget(m_sendButton);
    layout->addLayout(m_sendRow);

    auto *autoSendRow = new QHBoxLayout;
    m_autoSendCheck = FormFields::createCheckBox(QStringLiteral("autoSendCheck"), QStringLiteral("自动发送"), false);
    m_intervalSpin = FormFields::createSpinBox(QStringLiteral("intervalSpin"), kMinimumInterval, kMaximumInterval,
                                   kDefaultInterval, QStringLiteral(" ms"));
    m_intervalSpin->setSingleStep(kIntervalStep);
    autoSendRow->addWidget(m_autoSendCheck);
    autoSendRow->addWidget(new QLabel(QStringLiteral("间隔:")));
    autoSendRow->addWidget(m_intervalSpin);
    autoSendRow->addStretch();
    layout->addLayout(autoSendRow);

    connect(m_sendButton, &QPushButton::clicked, this, &OscWidget::sendData);
    connect(m_composerOptions, &ComposerOptions::sendRequested, this, &OscWidget::sendData);
    connect(m_autoSendCheck, &QCheckBox::toggled, this, &OscWidget::toggleAutoSend);
    connect(m_intervalSpin, &QSpinBox::valueChanged, m_autoSendTimer, qOverload<int>(&QTimer::setInterval));
    return group;
}
