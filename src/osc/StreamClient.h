#pragma once

#include "osc/StreamTransport.h"

#include <QTimer>

class StreamConnection;

// OSC over TCP, connecting out to one peer, and again whenever the connection is refused or
// lost: after 1 s, then twice as long each time up to 30 s, and after 1 s again once connected.
class StreamClient : public StreamTransport
{
    Q_OBJECT

public:
    static constexpr int FirstRetryMs = 1000;
    static constexpr int LongestRetryMs = 30 * 1000;

    StreamClient(StreamDecoder::Choice framing, const QHostAddress &peer, quint16 peerPort,
                 QObject *parent = nullptr);
    ~StreamClient() override;

    // Tries now, and again after each failure until destroyed; each step is said with notice().
    void connectToPeer();

    // The port of the current connection, 0 while there is none.
    quint16 localPort() const override;
    bool isConnected() const;
    int nextRetryMs() const { return m_retryMs; }

protected:
    void connectionClosed(StreamConnection *connection, const QString &reason) override;

private:
    QString peerName() const;

    QHostAddress m_peer;
    quint16 m_peerPort;
    StreamConnection *m_connection = nullptr;
    QTimer m_retryTimer;
    int m_retryMs = FirstRetryMs;
};
