#pragma once

#include "osc/StreamTransport.h"

class QTcpServer;

// OSC over TCP, listening: any number of peers connect, each is the sender of its messages.
class StreamServer : public StreamTransport
{
    Q_OBJECT

public:
    explicit StreamServer(StreamDecoder::Choice framing, QObject *parent = nullptr);
    ~StreamServer() override;

    // On IPv4 and IPv6 where the system has both. False, with errorString() set, when refused.
    bool listen(quint16 port);
    QString errorString() const;
    quint16 localPort() const override;

protected:
    void connectionClosed(StreamConnection *connection, const QString &reason) override;

private:
    void acceptPending();

    QTcpServer *m_server;
};
