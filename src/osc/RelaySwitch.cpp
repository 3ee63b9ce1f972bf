#include "osc/RelaySwitch.h"

#include "comm/CommunicationBase.h"
#include "i18n/LanguageManager.h"
#include "osc/FormFields.h"
#include "osc/OscLink.h"
#include "osc/OscWidget.h"
#include "osc/Relay.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

RelaySwitch::RelaySwitch(OscWidget *window)
    : m_window(window)
    , m_relay(new Relay(window->m_link, this))
    , m_relayCheck(FormFields::createCheckBox(QStringLiteral("relayCheck"), QStringLiteral("转发"), false))
    , m_bothWaysCheck(FormFields::createCheckBox(QStringLiteral("relayBothWaysCheck"), QStringLiteral("双向"), false))
    , m_countLabel(new QLabel(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_relayCheck);
    layout->addWidget(m_bothWaysCheck);
    layout->addStretch();
    m_countLabel->setObjectName(QStringLiteral("relayCountLabel"));
    m_countLabel->hide();
    m_countTimer.setSingleShot(true);
    m_countTimer.setInterval(CountRefreshMs);
    showCount();

    connect(m_relayCheck, &QCheckBox::toggled, this, &RelaySwitch::restart);
    connect(m_bothWaysCheck, &QCheckBox::toggled, m_relay, &Relay::setBothWays);
    connect(window->m_targetHostEdit, &QLineEdit::editingFinished, this, &RelaySwitch::restart);
    connect(window->m_targetPortSpin, &QSpinBox::valueChanged, this, &RelaySwitch::restart);
    connect(m_relay, &Relay::refused, window->m_comm, [this](const QString &reason) {
        m_window->m_comm->addSystemMessage(reason);
        m_relayCheck->setChecked(false);
    });
    connect(m_relay, &Relay::replyReceived, window, &OscWidget::onDatagram);
    connect(m_relay, &Relay::relayedCountChanged, this, [this] {
        if (!m_countTimer.isActive())
            m_countTimer.start();
    });
    connect(&m_countTimer, &QTimer::timeout, this, &RelaySwitch::showCount);
    LanguageManager::instance().addListener(this, [this] { showCount(); });
}

void RelaySwitch::restart()
{
    m_countLabel->setVisible(m_relayCheck->isChecked());
    if (!m_relayCheck->isChecked()) {
        m_relay->stop();
        return;
    }
    m_relay->start(m_window->m_targetHostEdit->text(), quint16(m_window->m_targetPortSpin->value()));
}

void RelaySwitch::showCount()
{
    m_countLabel->setText(LanguageManager::instance()
                              .pick(QStringLiteral("转发: %1 个数据报"), QStringLiteral("Relayed: %1 datagrams"))
                              .arg(m_relay->relayedCount()));
}
