#pragma once

#include <QWidget>

class AddressTableFilter;
class AddressTableModel;
class QLineEdit;
class QPoint;
class QTableView;

// The address table's page: a filter field over a sortable table of one model. It only shows
// and asks; what an address is used for is the window's business, told through the signals.
class AddressTableView : public QWidget
{
    Q_OBJECT

public:
    explicit AddressTableView(AddressTableModel *model, QWidget *parent = nullptr);

    QLineEdit *filterEdit() const { return m_filterEdit; }
    QTableView *table() const { return m_table; }

signals:
    // A row was double-clicked.
    void addressActivated(const QString &address);
    void chartRuleRequested(const QString &address);
    void labelControlRequested(const QString &address);

private:
    void applyLanguage();
    void showContextMenu(const QPoint &position);
    // The address of the row at a table index; empty for the "other" row.
    QString addressAt(const QModelIndex &index) const;

    AddressTableModel *m_model;
    AddressTableFilter *m_filter;
    QLineEdit *m_filterEdit;
    QTableView *m_table;
};
