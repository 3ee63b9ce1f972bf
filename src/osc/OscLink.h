#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QUdpSocket;

// The UDP transport: binds a local port, drains every datagram that arrives on it and sends
// datagrams to a numeric host. It keeps no log and knows no widgets; whoever holds it turns its
// signals into log entries.
class OscLink : public QObject
{
    Q_OBJECT

public:
    // Room for a burst that arrives while the event loop is busy (painting, say): the system's
    // default holds only a few milliseconds of heavy traffic. The system may grant less; Linux caps
    // it at net.core.rmem_max.
    static constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;
    // A flood that arrives about as fast as it is handled would keep one drain going for as long
    // as it lasts and freeze the window. Past this much time the rest waits in the socket, which
    // stays readable, for the next turn of the event loop.
    static constexpr qint64 MaxDrainNs = 20 * 1000 * 1000;

    explicit OscLink(QObject *parent = nullptr);
    ~OscLink() override;

    bool isBound() const;
    quint16 localPort() const;

    // A fresh socket for every try, so a refused bind leaves nothing behind; on refusal
    // bindFailed carries the system's reason and false is returned.
    bool bind(quint16 port, const QHostAddress &address = QHostAddress(QHostAddress::AnyIPv4));
    void release();

    // Only numeric hosts are accepted: a name would parse to the null address, which the system
    // takes for this machine, and the send would seem to succeed. Returns whether the datagram went
    // out; if not, sendFailed says why.
    bool send(const QByteArray &datagram, const QString &host, quint16 port);

public slots:
    // Reads every pending datagram in arrival order, for at most MaxDrainNs.
    void drain();

signals:
    void bound(quint16 port);
    void bindFailed(const QString &reason);
    void released();
    // One per datagram, in arrival order.
    void datagramReceived(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    void sendFailed(const QString &reason);

private:
    QUdpSocket *m_socket = nullptr;
    QByteArray m_receiveBuffer;
};
