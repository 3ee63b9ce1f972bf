#pragma once

#include <QByteArray>
#include <QHostAddress>

// One UDP datagram as a capture holds it: when it passed, between which endpoints, and its payload.
struct CapturedDatagram
{
    qint64 usecSinceEpoch = 0;
    QHostAddress source;
    quint16 sourcePort = 0;
    QHostAddress destination;
    quint16 destinationPort = 0;
    QByteArray payload;
};
