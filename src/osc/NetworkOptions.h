#pragma once

#include <QWidget>

class InterfaceCombo;
class OscWidget;
class QLineEdit;
class QSpinBox;

// The connection settings for the network itself: the interface to join groups and send
// multicast on, the multicast group to join while bound, and the TTL of our multicast.
class NetworkOptions : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxMulticastTtl = 255;

    explicit NetworkOptions(OscWidget *window);

private:
    InterfaceCombo *m_interfaceCombo;
    QLineEdit *m_multicastEdit;
    QSpinBox *m_ttlSpin;
};
