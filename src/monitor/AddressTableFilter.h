#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// The address table as the user filters and sorts it. Filter text starting with "/" is an OSC
// address pattern matched against each row's address; any other text is a case-insensitive part
// of the address shown; a leading "!" keeps the rows that do not match instead.
class AddressTableFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit AddressTableFilter(QObject *parent = nullptr);

    void setFilterText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
    bool m_inverted = false;
    bool m_pattern = false;
};
