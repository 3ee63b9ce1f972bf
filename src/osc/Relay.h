#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class OscLink;
class QUdpSocket;

// Sits between a controller and a device: every datagram the link receives is sent on unchanged
// to the target from a socket of the relay's own, so the device's replies come back to that
// socket rather than to the link's port, where they would be relayed again. Replies are handed on
// with replyReceived; both ways, they also go back through the link to whoever the target last
// got a datagram from. Relayed datagrams are counted, not reported one by one.
class Relay : public QObject
{
    Q_OBJECT

public:
    explicit Relay(OscLink *link, QObject *parent = nullptr);

    // Starts relaying to a numeric host, or restarts with a new target. Refused, with refused()
    // saying why, when the host is not numeric, when no socket can be opened, or when the target
    // is the link's own port on this machine, which would send every datagram round forever.
    bool start(const QString &host, quint16 port);
    void stop();
    bool isActive() const;
    void setBothWays(bool bothWays);

    // Datagrams relayed either way since the relay was made.
    quint64 relayedCount() const { return m_relayed; }

    // True when a datagram sent to the target would arrive at the bound port again.
    static bool isLoop(const QHostAddress &target, quint16 port, quint16 boundPort);

signals:
    void replyReceived(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    void relayedCountChanged(quint64 count);
    void refused(const QString &reason);

private:
    void forward(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    void drainReplies();
    void checkLoop();
    quint16 udpPort() const;

    OscLink *m_link;
    QUdpSocket *m_socket = nullptr;
    QHostAddress m_target;
    quint16 m_targetPort = 0;
    QHostAddress m_lastSender;
    quint16 m_lastSenderPort = 0;
    bool m_bothWays = false;
    quint64 m_relayed = 0;
    QByteArray m_buffer;
};
