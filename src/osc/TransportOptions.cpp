#include "osc/TransportOptions.h"

#include "comm/CommunicationBase.h"
#include "i18n/LanguageManager.h"
#include "osc/FormFields.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QString framingName(FramingDetector::Framing framing)
{
    switch (framing) {
    case FramingDetector::Framing::LengthPrefix:
        return picked("长度前缀", "length prefix");
    case FramingDetector::Framing::Slip:
        return QStringLiteral("SLIP");
    case FramingDetector::Framing::Undecided:
    case FramingDetector::Framing::Unknown:
        break;
    }
    return picked("未知", "unknown");
}

QComboBox *createCombo(const QString &objectName, const QStringList &items)
{
    auto *combo = new QComboBox;
    combo->setObjectName(objectName);
    combo->addItems(items);
    return combo;
}

} // namespace

TransportOptions::TransportOptions(OscLink *link, CommunicationBase *log)
    : m_link(link)
    , m_log(log)
    , m_transportCombo(createCombo(QStringLiteral("transportCombo"),
                                   { QStringLiteral("UDP"), QStringLiteral("TCP 客户端"), QStringLiteral("TCP 服务器") }))
    , m_framingCombo(createCombo(QStringLiteral("framingCombo"),
                                 { QStringLiteral("自动"), QStringLiteral("长度前缀 (OSC 1.0)"), QStringLiteral("SLIP (OSC 1.1)") }))
    , m_peerCombo(createCombo(QStringLiteral("peerCombo"), { QStringLiteral("所有连接") }))
    , m_framingStatus(new QLabel)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    FormFields::addFieldRow(layout, QStringLiteral("传输"), m_transportCombo);
    FormFields::addFieldRow(layout, QStringLiteral("分帧"), m_framingCombo);
    FormFields::addFieldRow(layout, QStringLiteral("发送到"), m_peerCombo);
    m_framingStatus->setObjectName(QStringLiteral("framingStatusLabel"));
    m_framingStatus->hide();
    applyChoices();

    connect(m_transportCombo, &QComboBox::currentIndexChanged, this, &TransportOptions::applyChoices);
    connect(m_framingCombo, &QComboBox::currentIndexChanged, this, &TransportOptions::applyChoices);
    connect(m_peerCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_link->chooseStreamPeer(index > 0 ? m_peerCombo->itemText(index) : QString());
    });
    connect(link, &OscLink::bound, this, [this] {
        m_decided = FramingDetector::Framing::Undecided;
        m_decidedPeer.clear();
        applyChoices();
    });
    connect(link, &OscLink::released, this, &TransportOptions::applyChoices);
    connect(link, &OscLink::streamPeersChanged, this, &TransportOptions::refreshPeers);
    connect(link, &OscLink::streamNotice, log, &CommunicationBase::addSystemMessage);
    connect(link, &OscLink::framingDecided, this, &TransportOptions::onFramingDecided);
}

// After the window's texts have been switched, which puts back the texts they had at the first
// switch: peer names and the framing shown follow the state instead.
void TransportOptions::retranslate()
{
    refreshPeers();
    showFraming();
}

QString TransportOptions::bindButtonText(const OscLink &link)
{
    if (link.transport() == OscLink::Transport::TcpClient)
        return link.isBound() ? picked("断开连接", "Disconnect") : picked("连接", "Connect");
    return link.isBound() ? picked("释放端口", "Release Port") : picked("绑定端口", "Bind Port");
}

QString TransportOptions::bindingMessage(const OscLink &link)
{
    const bool bound = link.isBound();
    switch (link.transport()) {
    case OscLink::Transport::TcpServer:
        if (bound)
            return picked("TCP 端口监听中 %1", "TCP listening on port %1").arg(link.localPort());
        break;
    case OscLink::Transport::TcpClient:
        return bound ? picked("TCP 客户端已启动", "TCP client started") : picked("TCP 客户端已停止", "TCP client stopped");
    case OscLink::Transport::Udp:
        if (bound)
            return picked("UDP端口已绑定 %1", "UDP port bound: %1").arg(link.localPort());
        break;
    }
    return picked("端口已释放", "Port released");
}

// The choices are made while released and stay fixed while bound.
void TransportOptions::applyChoices()
{
    const auto transport = OscLink::Transport(m_transportCombo->currentIndex());
    const bool tcp = transport != OscLink::Transport::Udp;
    const bool bound = m_link->isBound();
    m_link->setTransport(transport);
    m_link->setStreamFraming(StreamDecoder::Choice(m_framingCombo->currentIndex()));
    m_transportCombo->setEnabled(!bound);
    m_framingCombo->setEnabled(tcp && !bound);
    m_peerCombo->setEnabled(transport == OscLink::Transport::TcpServer);
    showFraming();
    emit transportChosen(transport);
}

void TransportOptions::refreshPeers()
{
    const QString chosen = m_peerCombo->currentIndex() > 0 ? m_peerCombo->currentText() : QString();
    const QStringList peers = m_link->streamPeers();
    {
        const QSignalBlocker blocker(m_peerCombo);
        while (m_peerCombo->count() > 1)
            m_peerCombo->removeItem(m_peerCombo->count() - 1);
        m_peerCombo->addItems(peers);
        m_peerCombo->setCurrentIndex(qMax(0, m_peerCombo->findText(chosen)));
    }
    // A chosen peer that has gone leaves sends going to every peer, rather than to none.
    if (m_peerCombo->currentIndex() == 0 && !chosen.isEmpty())
        m_link->chooseStreamPeer(QString());
}

void TransportOptions::onFramingDecided(const QString &peerName, FramingDetector::Framing framing)
{
    m_decidedPeer = peerName;
    m_decided = framing;
    m_log->addSystemMessage(picked("[%1] 识别到分帧: %2", "[%1] Framing detected: %2").arg(peerName, framingName(framing)));
    showFraming();
}

void TransportOptions::showFraming()
{
    const bool tcp = m_transportCombo->currentIndex() != int(OscLink::Transport::Udp);
    m_framingStatus->setVisible(tcp && m_link->isBound());
    const auto choice = StreamDecoder::Choice(m_framingCombo->currentIndex());
    QString text;
    if (choice == StreamDecoder::Choice::LengthPrefix)
        text = framingName(FramingDetector::Framing::LengthPrefix);
    else if (choice == StreamDecoder::Choice::Slip)
        text = framingName(FramingDetector::Framing::Slip);
    else if (m_decided == FramingDetector::Framing::Undecided)
        text = picked("自动", "auto");
    else
        text = picked("自动 → %1", "auto → %1").arg(framingName(m_decided));
    m_framingStatus->setText(picked("分帧: ", "Framing: ") + text);
    // The bar has little room; the connection it was read from is named on hover.
    m_framingStatus->setToolTip(m_decidedPeer);
}
