#pragma once

#include "capture/CapturedDatagram.h"

#include <QAbstractTableModel>
#include <QList>

// The datagrams of a capture as table rows: number, time since the first, endpoints, length.
class CaptureTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NumberColumn, TimeColumn, SourceColumn, DestinationColumn, LengthColumn, ColumnCount };

    explicit CaptureTableModel(QObject *parent = nullptr);

    void setDatagrams(const QList<CapturedDatagram> &datagrams);
    const QList<CapturedDatagram> &datagrams() const { return m_datagrams; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<CapturedDatagram> m_datagrams;
};
