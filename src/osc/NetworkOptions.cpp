#include "osc/NetworkOptions.h"

#include "comm/CommunicationBase.h"
#include "osc/FormFields.h"
#include "osc/InterfaceCombo.h"
#include "osc/OscLink.h"
#include "osc/OscWidget.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

NetworkOptions::NetworkOptions(OscWidget *window)
    : m_interfaceCombo(new InterfaceCombo)
    , m_multicastEdit(FormFields::createLineEdit(QStringLiteral("multicastEdit"), QString()))
    , m_ttlSpin(FormFields::createSpinBox(QStringLiteral("multicastTtlSpin"), 1, MaxMulticastTtl,
                                          OscLink::DefaultMulticastTtl))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_multicastEdit->setPlaceholderText(QStringLiteral("例: 239.255.0.1"));
    FormFields::addFieldRow(layout, QStringLiteral("网络接口"), m_interfaceCombo);
    FormFields::addFieldRow(layout, QStringLiteral("组播"), m_multicastEdit);
    FormFields::addFieldRow(layout, QStringLiteral("组播 TTL"), m_ttlSpin);

    OscLink *link = window->m_link;
    connect(m_interfaceCombo, &InterfaceCombo::interfaceChosen, link, &OscLink::setNetworkInterface);
    connect(m_multicastEdit, &QLineEdit::editingFinished, link,
            [this, link] { link->setMulticastGroup(m_multicastEdit->text()); });
    connect(m_ttlSpin, &QSpinBox::valueChanged, link, &OscLink::setMulticastTtl);
    connect(link, &OscLink::multicastFailed, window->m_comm, &CommunicationBase::addSystemMessage);
}
