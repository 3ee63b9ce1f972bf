#include "osc/UdpDropCounter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

const QString kSystemTables = QStringLiteral("/proc/net");
// A dual-stack socket is listed in the IPv6 table, so that one is read first.
const QStringList kTableNames = { QStringLiteral("udp6"), QStringLiteral("udp") };
const QString kDescriptorLink = QStringLiteral("/proc/self/fd/%1");
const QString kSocketLinkPrefix = QStringLiteral("socket:[");
// Row columns: sl, local, remote, st, tx:rx queues, tr:when, retrnsmt, uid, timeout, inode, ref,
// pointer, drops.
constexpr qsizetype kInodeColumn = 9;
constexpr qsizetype kDropsColumn = 12;

} // namespace

std::optional<UdpDropCounter> UdpDropCounter::forSocket(qintptr socketDescriptor)
{
    const QString target = QFileInfo(kDescriptorLink.arg(socketDescriptor)).symLinkTarget();
    // symLinkTarget() makes the target absolute, so the name "socket:[inode]" ends the path.
    const QString name = target.section(QLatin1Char('/'), -1);
    if (!name.startsWith(kSocketLinkPrefix) || !name.endsWith(QLatin1Char(']')))
        return std::nullopt;
    bool ok = false;
    const quint64 inode = name.mid(kSocketLinkPrefix.size(), name.size() - kSocketLinkPrefix.size() - 1).toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return UdpDropCounter(inode, kSystemTables);
}

UdpDropCounter::UdpDropCounter(quint64 inode, const QString &tableDirectory)
    : m_inode(inode)
    , m_tableDirectory(tableDirectory)
{
}

std::optional<quint64> UdpDropCounter::read() const
{
    const QDir directory(m_tableDirectory);
    for (const QString &name : kTableNames) {
        QFile table(directory.filePath(name));
        // The files under /proc report no size, so they are read to their end rather than by size.
        if (!table.open(QIODevice::ReadOnly))
            continue;
        if (const std::optional<quint64> drops = dropsInTable(table.readAll(), m_inode))
            return drops;
    }
    return std::nullopt;
}

std::optional<quint64> UdpDropCounter::dropsInTable(const QByteArray &table, quint64 inode)
{
    const QList<QByteArray> rows = table.split('\n');
    // The first row holds the column titles.
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QList<QByteArray> columns = rows.at(i).simplified().split(' ');
        if (columns.size() <= kDropsColumn)
            continue;
        bool ok = false;
        if (columns.at(kInodeColumn).toULongLong(&ok) != inode || !ok)
            continue;
        const quint64 drops = columns.at(kDropsColumn).toULongLong(&ok);
        return ok ? std::optional<quint64>(drops) : std::nullopt;
    }
    return std::nullopt;
}
