#pragma once

#include "osc/OscLink.h"

#include <QWidget>

class CommunicationBase;
class QComboBox;
class QLabel;

// The connection settings for how OSC travels: UDP, or TCP as client or server; the TCP framing
// (detected per connection under Auto, which the status bar and a [SYS] line then tell); and, for
// a server, the peer that sends go to. Chosen while released; they apply at the next bind.
class TransportOptions : public QWidget
{
    Q_OBJECT

public:
    TransportOptions(OscLink *link, CommunicationBase *log);

    // What the bind button offers, and the [SYS] line of a bind or release, by the transport.
    static QString bindButtonText(const OscLink &link);
    static QString bindingMessage(const OscLink &link);

    // For the log's status bar: the framing in use while bound over TCP.
    QLabel *framingStatus() const { return m_framingStatus; }
    void retranslate();

signals:
    void transportChosen(OscLink::Transport transport);

private:
    void applyChoices();
    void refreshPeers();
    void showFraming();
    void onFramingDecided(const QString &peerName, FramingDetector::Framing framing);

    OscLink *m_link;
    CommunicationBase *m_log;
    QComboBox *m_transportCombo;
    QComboBox *m_framingCombo;
    QComboBox *m_peerCombo;
    QLabel *m_framingStatus;
    // The last connection whose framing Auto decided, and what it decided.
    QString m_decidedPeer;
    FramingDetector::Framing m_decided = FramingDetector::Framing::Undecided;
};
