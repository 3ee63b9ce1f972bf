#pragma once

#include <QHostAddress>

// What a dual-stack socket sees of an IPv4 peer, an IPv4-mapped IPv6 address, as the plain IPv4
// address the log names it by; any other address as it is.
inline QHostAddress plainAddress(const QHostAddress &address)
{
    bool mapped = false;
    const quint32 ipv4 = address.toIPv4Address(&mapped);
    return mapped && address.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress(ipv4) : address;
}
