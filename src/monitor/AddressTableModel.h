#pragma once

#include "osc/OscArguments.h"
#include "osc/OscTextEncoding.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>

// One row per OSC address seen: its type tags, last value in exact form, message count, rate,
// last arrival and last sender. Messages arrive far faster than anyone can read, so recording one
// only stores its bytes and bumps counters; values are read when a view asks for them, and the
// view hears of changes through one coalescing timer, at most RefreshesPerSecond times a second.
// Past MaxAddresses, messages to new addresses are counted in one "other" row.
class AddressTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { AddressColumn, TypeTagsColumn, ValueColumn, CountColumn, RateColumn, LastSeenColumn,
                  SenderColumn, ColumnCount };
    // Raw values to sort by: numbers for count, rate and last arrival, texts otherwise.
    static constexpr int SortRole = Qt::UserRole;
    // The row's address, empty for the "other" row.
    static constexpr int AddressRole = Qt::UserRole + 1;

    static constexpr int MaxAddresses = 10000;
    static constexpr int RefreshIntervalMs = 100;
    static constexpr qint64 RateWindowMs = 1000;

    // The words the model shows; the view sets them again when the language changes.
    struct Texts
    {
        QStringList headers;
        QString otherRow;
        QString immediately;
    };

    explicit AddressTableModel(QObject *parent = nullptr);

    // The texts in Chinese, as the model starts with them.
    static Texts chineseTexts();
    void setTexts(const Texts &texts);
    // The character set string arguments are read in.
    void setStringEncoding(const QString &name);

    // One message (a bundle's elements one by one) from "ip:port", arrived now or at the given
    // moment in milliseconds since the epoch.
    void record(const QByteArray &message, const QString &sender);
    void record(const QByteArray &message, const QString &sender, qint64 arrivedMs);
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // A message to one address more than MaxAddresses arrived; once until clear().
    void addressLimitReached(int limit);

private:
    static constexpr int RateSlots = 10;
    static constexpr qint64 RateSlotMs = RateWindowMs / RateSlots;

    struct Row
    {
        QString address;
        QByteArray lastMessage;
        QString sender;
        quint64 count = 0;
        qint64 lastSeenMs = 0;
        // Messages per RateSlotMs slot over the last RateSlots slots, the newest at lastSlot.
        std::array<quint32, RateSlots> arrivals {};
        qint64 lastSlot = 0;
        // The last message read, made on demand.
        mutable OscArguments::Message read;
        mutable bool readStale = true;
    };

    int rowFor(const QByteArray &message);
    int otherRow();
    void countArrival(Row &row, qint64 arrivedMs);
    quint64 rate(const Row &row) const;
    const OscArguments::Message &readRow(const Row &row) const;
    QVariant displayData(int rowIndex, int column) const;
    QVariant sortData(int rowIndex, int column) const;
    void scheduleRefresh();
    void refresh();

    QList<Row> m_rows;
    // Addresses as their raw bytes, so a known address is found without decoding it.
    QHash<QByteArray, int> m_rowOfAddress;
    int m_otherRow = -1;
    bool m_limitAnnounced = false;
    // Rows the view knows of; rows recorded since are announced at the next refresh.
    int m_announcedRows = 0;
    int m_firstChanged = -1;
    int m_lastChanged = -1;
    // The latest moment known: the newest arrival or refresh.
    qint64 m_nowMs = 0;
    qint64 m_lastArrivalMs = 0;
    QTimer m_refreshTimer;
    Texts m_texts;
    OscTextEncoding m_strings;
};
