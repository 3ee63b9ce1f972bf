#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// How many datagrams the system dropped for one UDP socket because its receive buffer was full.
// Linux keeps the count in the last column ("drops") of its socket tables /proc/net/udp and
// /proc/net/udp6, in the row of the socket's inode; elsewhere nothing tells it.
class UdpDropCounter
{
public:
    // The counter of the socket behind the descriptor, or none where /proc does not name its inode.
    static std::optional<UdpDropCounter> forSocket(qintptr socketDescriptor);

    UdpDropCounter(quint64 inode, const QString &tableDirectory);

    quint64 inode() const { return m_inode; }
    // The count from whichever table lists the socket; none if neither can be read or lists it.
    std::optional<quint64> read() const;

    // The drops column of the inode's row in one table's text.
    static std::optional<quint64> dropsInTable(const QByteArray &table, quint64 inode);

private:
    quint64 m_inode;
    QString m_tableDirectory;
};
