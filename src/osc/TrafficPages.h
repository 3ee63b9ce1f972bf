#pragma once

#include <QTabWidget>

class AddressTableModel;
class AddressTableView;
class ChartEngine;
class CommunicationBase;
class DatagramView;
class LogViewWidget;
class OscControlPanel;
class QSplitter;

// The window's tabs over one stream of traffic: the log with the full view of its current row
// below it, the chart page, the control panel and the address table. The pages only know their
// own data; what one page asks of another (a chart rule or a label for an address the table
// lists) is wired here, and what the window must do is told through addressActivated().
class TrafficPages : public QTabWidget
{
    Q_OBJECT

public:
    // `charts` may be null (no chart page); `controlOwner` is the window the panel sends through.
    TrafficPages(CommunicationBase *log, ChartEngine *charts, QWidget *controlOwner, QWidget *parent = nullptr);

    LogViewWidget *logView() const { return m_logView; }
    DatagramView *datagramView() const { return m_datagramView; }
    OscControlPanel *controlPanel() const { return m_controlPanel; }
    AddressTableModel *addresses() const { return m_addresses; }

    // One received message, alone or out of a bundle, from "address:port".
    void recordMessage(const QByteArray &message, const QString &sender);

signals:
    // The user picked this address in the address table to send to.
    void addressActivated(const QString &address);

private:
    QWidget *createLogPage();
    QWidget *createAddressPage();

    CommunicationBase *m_log;
    ChartEngine *m_charts;
    LogViewWidget *m_logView = nullptr;
    DatagramView *m_datagramView = nullptr;
    QSplitter *m_logSplitter = nullptr;
    OscControlPanel *m_controlPanel = nullptr;
    AddressTableModel *m_addresses = nullptr;
};
