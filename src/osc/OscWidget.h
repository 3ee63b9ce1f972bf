#pragma once

#include "osc/BundleRows.h"
#include "osc/OscTextEncoding.h"

#include <QHostAddress>
#include <QString>
#include <QWidget>

class ChartEngine;
class CommunicationBase;
class ComposerOptions;
class DropMonitor;
class LogViewWidget;
class OscControlPanel;
class OscLink;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTimer;
class RelaySwitch;
class TrafficPages;
class TransportOptions;
class Workbench;

// The main window: binds a local UDP port, logs every datagram it receives and sends the
// message composed in its send group, once or on a timer. It also hosts the log view and the
// pages that work on the same traffic.
class OscWidget : public QWidget
{
    Q_OBJECT

public:
    explicit OscWidget(QWidget *parent = nullptr);
    ~OscWidget() override;

    // Sends one ",i" (whole values) or ",f" message; the control panel's send requests come here.
    void sendOscValue(const QString &address, double value);
    // Sends one control value in the control's own type: ",i" with the rounded value, else ",f".
    void sendTypedValue(const QString &address, double value, bool isInteger);

    CommunicationBase *communication() const;
    OscControlPanel *controlPanel() const;
    ChartEngine *chartEngine() const;
    bool isBound() const;
    // Captures, replays and setup files.
    Workbench *workbench() const { return m_workbench; }

public slots:
    void toggleConnection();
    void sendData();
    // Drains the link now; the link also drains by itself whenever its socket is readable.
    void onReadyRead();
    void toggleAutoSend(bool enabled);

private:
    // They read and set the window's fields and send through its path.
    friend class NetworkOptions;
    friend class RelaySwitch;
    friend class WindowSetup;
    friend class Workbench;

    void updateBindButton();
    void updateStatusLabel();
    void onMessage(const QByteArray &message, const QString &renderedText);
    void onBundle(const QByteArray &datagram, const OscTextEncoding &strings);
    void driveControlPanel(const QByteArray &message);
    void onBindingChanged(bool bound);
    void onDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    bool sendToTarget(const QByteArray &datagram);
    void logSent(const QByteArray &datagram, const QString &address, const QString &tags, const QString &values);
    void retranslate();

    void setupUI();
    QWidget *createSettingsPanel();
    QGroupBox *createConnectionGroup();
    QGroupBox *createDisplayGroup();
    void createChartPanel(QGroupBox *group);
    QWidget *createTabArea();
    QWidget *createSendPanel();

    QScrollArea *m_settingsScroll = nullptr;
    CommunicationBase *m_comm = nullptr;
    LogViewWidget *m_logView = nullptr;
    QTabWidget *m_tabWidget = nullptr;
    TrafficPages *m_pages = nullptr;
    ChartEngine *m_chartEngine = nullptr;
    OscLink *m_link = nullptr;
    DropMonitor *m_dropMonitor = nullptr;
    QSpinBox *m_localPortSpin = nullptr;
    QLineEdit *m_targetHostEdit = nullptr;
    QSpinBox *m_targetPortSpin = nullptr;
    QComboBox *m_encodingCombo = nullptr;
    QPushButton *m_bindButton = nullptr;
    QCheckBox *m_hexCheck = nullptr;
    QCheckBox *m_timestampCheck = nullptr;
    QCheckBox *m_autoScrollCheck = nullptr;
    QCheckBox *m_expandBundlesCheck = nullptr;
    QSpinBox *m_lineSpacingSpin = nullptr;
    QSpinBox *m_fontSizeSpin = nullptr;
    QLineEdit *m_addressEdit = nullptr;
    QComboBox *m_typeCombo = nullptr;
    QLineEdit *m_argsEdit = nullptr;
    QPushButton *m_sendButton = nullptr;
    QHBoxLayout *m_sendRow = nullptr;
    QCheckBox *m_autoSendCheck = nullptr;
    QSpinBox *m_intervalSpin = nullptr;
    QTimer *m_autoSendTimer = nullptr;
    OscControlPanel *m_controlPanel = nullptr;
    QComboBox *m_langCombo = nullptr;
    // String arguments travel in the log's encoding, read when they are sent or received.
    OscTextEncoding m_wireEncoding;

    QLabel *m_statusLabel = nullptr;
    TransportOptions *m_transportOptions = nullptr;
    // Received datagrams mostly come from one peer: its "[address:port] " prefix is kept
    // rather than formatted again for every datagram.
    QHostAddress m_lastSender;
    quint16 m_lastSenderPort = 0;
    QString m_lastSenderName;
    QString m_lastSenderPrefix;
    BundleRows m_bundleRows;
    Workbench *m_workbench = nullptr;
    RelaySwitch *m_relaySwitch = nullptr;
    ComposerOptions *m_composerOptions = nullptr;
};
