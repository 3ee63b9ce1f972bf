#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A small HTTP/1.1 responder on 127.0.0.1 for tests: one fixed reply per path, one request per
// connection, and a few deliberate misbehaviours of a slow or hostile server.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    enum class Behaviour {
        Answer,        // headers and body, then close (the connection stays open while
                       // contentLength promises more than the body holds)
        NeverAnswer,   // accept, read the request, send nothing
        StreamForever, // headers and body, then filler bytes for as long as the client reads
    };

    struct Reply
    {
        QByteArray body;
        QByteArray contentType = "application/json";
        int status = 200;
        Behaviour behaviour = Behaviour::Answer;
        qint64 contentLength = -1; // -1: the size of body
    };

    struct Request
    {
        QUrl url;                               // path and query as received
        QHash<QByteArray, QByteArray> headers;  // names in lower case
    };

    explicit LocalHttpServer(QObject *parent = nullptr);
    ~LocalHttpServer() override;

    bool listen();
    QUrl baseUrl() const;
    QUrl url(const QString &path) const;
    void setReply(const QString &path, const Reply &reply);

    const QList<Request> &requests() const;
    int closedByClient() const;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Reply &reply);

    QTcpServer m_server;
    QHash<QString, Reply> m_replies;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<Request> m_requests;
    int m_closedByClient = 0;
};
