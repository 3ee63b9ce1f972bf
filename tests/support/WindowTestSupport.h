#pragma once

// Small helpers for suites that drive a whole OscWidget over real sockets.

#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"
#include "osc/OscWidget.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include <optional>

// A port the system has just handed out and taken back, so the window can bind it.
inline quint16 freeUdpPort()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress) ? probe.localPort() : 0;
}

template<typename T>
T *field(const OscWidget &window, const char *objectName)
{
    return window.findChild<T *>(QLatin1String(objectName));
}

inline bool bindWindow(OscWidget &window, quint16 port = freeUdpPort())
{
    field<QSpinBox>(window, "localPortSpin")->setValue(port);
    window.toggleConnection();
    return window.isBound();
}

// The logged texts of one direction or, without one, of all.
inline QStringList loggedTexts(const OscWidget &window, std::optional<LogDirection> direction = std::nullopt)
{
    QStringList matching;
    for (const LogEntry &entry : window.communication()->entries()) {
        if (!direction || entry.direction == *direction)
            matching.append(entry.text);
    }
    return matching;
}

// A bound window aimed at a plain socket on the loopback address (the default target host), which
// counts what the window logs as received.
struct WindowSession
{
    OscWidget window;
    QUdpSocket peer;
    quint16 port = freeUdpPort();
    qint64 sent = 0;
    qint64 logged = 0;

    bool open()
    {
        QObject::connect(window.communication(), &CommunicationBase::logEntryAdded, &peer,
                         [this](const LogEntry &entry) { logged += entry.direction == LogDirection::Rx; });
        if (!peer.bind(QHostAddress::LocalHost, 0))
            return false;
        field<QSpinBox>(window, "targetPortSpin")->setValue(peer.localPort());
        return bindWindow(window, port);
    }

    // The next datagram the peer gets, or an empty one after five seconds of silence.
    QByteArray receive()
    {
        const bool arrived = QTest::qWaitFor([this] { return peer.hasPendingDatagrams(); }, 5000);
        return arrived ? peer.receiveDatagram().data() : QByteArray();
    }

    bool send(const QByteArray &datagram)
    {
        const bool written = peer.writeDatagram(datagram, QHostAddress::LocalHost, port) == datagram.size();
        sent += written;
        return written;
    }

    // Runs the event loop until everything sent so far is logged, or ten seconds pass; returns how much is.
    qint64 drain()
    {
        const QDeadlineTimer deadline(10000);
        while (logged < sent && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return logged;
    }

    bool deliver(const QByteArray &datagram) { return send(datagram) && drain() == sent; }

    QString prefix() const { return QStringLiteral("[127.0.0.1:%1] ").arg(peer.localPort()); }
};
