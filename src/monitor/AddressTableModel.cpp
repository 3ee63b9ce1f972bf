#include "monitor/AddressTableModel.h"

#include "osc/OscBundle.h"

#include <QColor>
#include <QDateTime>

#include <cstring>

namespace {

constexpr QLatin1StringView LastSeenFormat("HH:mm:ss.zzz");
constexpr char RgbaTag = 'r';
constexpr char TimeTagTag = 't';

QColor colourOf(quint32 rgba)
{
    return QColor(int(rgba >> 24), int((rgba >> 16) & 0xff), int((rgba >> 8) & 0xff), int(rgba & 0xff));
}

} // namespace

AddressTableModel::AddressTableModel(QObject *parent)
    : QAbstractTableModel(parent), m_texts(chineseTexts())
{
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(RefreshIntervalMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &AddressTableModel::refresh);
}

AddressTableModel::Texts AddressTableModel::chineseTexts()
{
    Texts texts;
    texts.headers = {QStringLiteral("地址"), QStringLiteral("类型标签"), QStringLiteral("最新值"),
                     QStringLiteral("次数"), QStringLiteral("速率 (/秒)"), QStringLiteral("最后时间"),
                     QStringLiteral("最后发送方")};
    texts.otherRow = QStringLiteral("(其他)");
    texts.immediately = QStringLiteral("立即");
    return texts;
}

void AddressTableModel::setTexts(const Texts &texts)
{
    m_texts = texts;
    for (const Row &row : std::as_const(m_rows))
        row.readStale = true;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (m_announcedRows > 0)
        emit dataChanged(index(0, 0), index(m_announcedRows - 1, ColumnCount - 1));
}

void AddressTableModel::setStringEncoding(const QString &name)
{
    m_strings.follow(name);
    for (const Row &row : std::as_const(m_rows))
        row.readStale = true;
}

void AddressTableModel::record(const QByteArray &message, const QString &sender)
{
    record(message, sender, QDateTime::currentMSecsSinceEpoch());
}

void AddressTableModel::record(const QByteArray &message, const QString &sender, qint64 arrivedMs)
{
    const int rowIndex = rowFor(message);
    Row &row = m_rows[rowIndex];
    if (rowIndex != m_otherRow) {
        row.lastMessage = message;
        row.readStale = true;
    }
    row.sender = sender;
    countArrival(row, arrivedMs);
    m_nowMs = qMax(m_nowMs, arrivedMs);
    m_lastArrivalMs = qMax(m_lastArrivalMs, arrivedMs);

    m_firstChanged = m_firstChanged < 0 ? rowIndex : qMin(m_firstChanged, rowIndex);
    m_lastChanged = qMax(m_lastChanged, rowIndex);
    scheduleRefresh();
}

void AddressTableModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rowOfAddress.clear();
    m_otherRow = -1;
    m_limitAnnounced = false;
    m_announcedRows = 0;
    m_firstChanged = m_lastChanged = -1;
    m_lastArrivalMs = 0;
    m_refreshTimer.stop();
    endResetModel();
}

int AddressTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_announcedRows;
}

int AddressTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AddressTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_announcedRows)
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return displayData(index.row(), index.column());
    case SortRole:
        return sortData(index.row(), index.column());
    case AddressRole:
        return row.address;
    case Qt::TextAlignmentRole:
        if (index.column() == CountColumn || index.column() == RateColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::DecorationRole:
        if (index.column() != ValueColumn)
            return {};
        for (const OscArguments::Argument &argument : readRow(row).arguments) {
            if (argument.tag == RgbaTag)
                return colourOf(argument.rgba);
        }
        return {};
    default:
        return {};
    }
}

QVariant AddressTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_texts.headers.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_texts.headers.at(section);
}

int AddressTableModel::rowFor(const QByteArray &message)
{
    const void *nul = std::memchr(message.constData(), '\0', size_t(message.size()));
    const qsizetype length = nul ? static_cast<const char *>(nul) - message.constData() : message.size();
    // A view of the bytes finds a known address without copying it.
    const QByteArray address = QByteArray::fromRawData(message.constData(), length);
    const auto known = m_rowOfAddress.constFind(address);
    if (known != m_rowOfAddress.cend())
        return known.value();

    if (m_rowOfAddress.size() >= MaxAddresses)
        return otherRow();
    Row row;
    row.address = QString::fromUtf8(address);
    m_rows.append(row);
    const int rowIndex = int(m_rows.size() - 1);
    m_rowOfAddress.insert(QByteArray(address.constData(), address.size()), rowIndex);
    return rowIndex;
}

int AddressTableModel::otherRow()
{
    if (m_otherRow < 0) {
        m_rows.append(Row());
        m_otherRow = int(m_rows.size() - 1);
    }
    if (!m_limitAnnounced) {
        m_limitAnnounced = true;
        emit addressLimitReached(MaxAddresses);
    }
    return m_otherRow;
}

void AddressTableModel::countArrival(Row &row, qint64 arrivedMs)
{
    const qint64 slot = arrivedMs / RateSlotMs;
    if (row.count == 0)
        row.lastSlot = slot;
    // Slots that passed without arrivals are emptied as the newest one moves on.
    for (qint64 passed = row.lastSlot + 1; passed <= slot && passed <= row.lastSlot + RateSlots; ++passed)
        row.arrivals[size_t(passed % RateSlots)] = 0;
    if (slot > row.lastSlot)
        row.lastSlot = slot;
    // A late arrival is counted where it belongs while its slot is still kept.
    if (slot > row.lastSlot - RateSlots)
        ++row.arrivals[size_t(slot % RateSlots)];
    ++row.count;
    row.lastSeenMs = qMax(row.lastSeenMs, arrivedMs);
}

quint64 AddressTableModel::rate(const Row &row) const
{
    // The window is one second long, so its arrivals are the rate per second.
    static_assert(RateWindowMs == 1000);
    const qint64 nowSlot = m_nowMs / RateSlotMs;
    quint64 arrivals = 0;
    for (qint64 slot = row.lastSlot; slot > row.lastSlot - RateSlots; --slot) {
        if (slot > nowSlot - RateSlots && slot <= nowSlot)
            arrivals += row.arrivals[size_t(slot % RateSlots)];
    }
    return arrivals;
}

const OscArguments::Message &AddressTableModel::readRow(const Row &row) const
{
    if (row.readStale) {
        row.read = OscArguments::read(row.lastMessage, m_strings);
        for (OscArguments::Argument &argument : row.read.arguments) {
            if (argument.tag == TimeTagTag && argument.timeTag == OscBundle::Immediately)
                argument.text = m_texts.immediately;
        }
        row.readStale = false;
    }
    return row.read;
}

QVariant AddressTableModel::displayData(int rowIndex, int column) const
{
    const Row &row = m_rows.at(rowIndex);
    switch (column) {
    case AddressColumn:
        return rowIndex == m_otherRow ? m_texts.otherRow : row.address;
    case TypeTagsColumn:
        return readRow(row).typeTags;
    case ValueColumn:
        return OscArguments::valuesText(readRow(row));
    case CountColumn:
        return row.count;
    case RateColumn:
        return rate(row);
    case LastSeenColumn:
        return QDateTime::fromMSecsSinceEpoch(row.lastSeenMs).toString(LastSeenFormat);
    case SenderColumn:
        return row.sender;
    default:
        return {};
    }
}

QVariant AddressTableModel::sortData(int rowIndex, int column) const
{
    if (column == LastSeenColumn)
        return m_rows.at(rowIndex).lastSeenMs;
    return displayData(rowIndex, column);
}

void AddressTableModel::scheduleRefresh()
{
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void AddressTableModel::refresh()
{
    m_nowMs = qMax(m_nowMs, QDateTime::currentMSecsSinceEpoch());
    const int recorded = int(m_rows.size());
    if (recorded > m_announcedRows) {
        beginInsertRows(QModelIndex(), m_announcedRows, recorded - 1);
        m_announcedRows = recorded;
        endInsertRows();
    }
    if (m_firstChanged >= 0) {
        emit dataChanged(index(m_firstChanged, 0), index(m_lastChanged, ColumnCount - 1));
        m_firstChanged = m_lastChanged = -1;
    }
    // Rates fall back to zero once traffic stops, so they are shown again until they have.
    if (m_announcedRows > 0 && m_nowMs - m_lastArrivalMs <= RateWindowMs + RateSlotMs) {
        emit dataChanged(index(0, RateColumn), index(m_announcedRows - 1, RateColumn));
        scheduleRefresh();
    }
}
