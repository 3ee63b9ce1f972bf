#include "capture/CaptureTableModel.h"

#include "i18n/LanguageManager.h"

namespace {

constexpr double UsecPerSecond = 1e6;
constexpr int TimeDecimals = 6;

QString endpoint(const QHostAddress &address, quint16 port)
{
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(address.toString()).arg(port);
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

} // namespace

CaptureTableModel::CaptureTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void CaptureTableModel::setDatagrams(const QList<CapturedDatagram> &datagrams)
{
    beginResetModel();
    m_datagrams = datagrams;
    endResetModel();
}

int CaptureTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_datagrams.size());
}

int CaptureTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CaptureTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    const CapturedDatagram &datagram = m_datagrams.at(index.row());
    switch (index.column()) {
    case NumberColumn:
        return index.row() + 1;
    case TimeColumn:
        return QString::number(double(datagram.usecSinceEpoch - m_datagrams.first().usecSinceEpoch) / UsecPerSecond,
                               'f', TimeDecimals);
    case SourceColumn:
        return endpoint(datagram.source, datagram.sourcePort);
    case DestinationColumn:
        return endpoint(datagram.destination, datagram.destinationPort);
    case LengthColumn:
        return int(datagram.payload.size());
    default:
        return QVariant();
    }
}

QVariant CaptureTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    const LanguageManager &language = LanguageManager::instance();
    switch (section) {
    case NumberColumn:
        return QStringLiteral("#");
    case TimeColumn:
        return language.pick(QStringLiteral("时间 (秒)"), QStringLiteral("Time (s)"));
    case SourceColumn:
        return language.pick(QStringLiteral("来源"), QStringLiteral("Source"));
    case DestinationColumn:
        return language.pick(QStringLiteral("目标"), QStringLiteral("Destination"));
    case LengthColumn:
        return language.pick(QStringLiteral("长度"), QStringLiteral("Length"));
    default:
        return QVariant();
    }
}
