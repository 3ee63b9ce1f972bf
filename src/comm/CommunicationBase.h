#pragma once

#include "comm/LogEntry.h"
#include "comm/LogFilter.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// The traffic-log model shared by every page that moves bytes: the stored entries (bounded),
// the byte counters, the display settings the log view reads, and the character encoding that
// turns payloads into text and back. Every change is announced by a signal, emitted once the
// change is complete so that a listener may call straight back in. Used from the GUI thread only.
class CommunicationBase : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultMaxLogEntries = 100000;

    explicit CommunicationBase(QObject *parent = nullptr);
    ~CommunicationBase() override;

    void addTxData(const QByteArray &data);
    void addRxData(const QByteArray &data);
    // A datagram the page sent or received, logged as the line that renders it; the counter
    // grows by the datagram's size.
    void addTxDatagram(const QByteArray &datagram, const QString &line);
    void addRxDatagram(const QByteArray &datagram, const QString &line);
    // A received datagram shown as several rows (a bundle's elements), each with its line and
    // address, all keeping the whole datagram; the counter grows once, by the datagram's size.
    void addRxDatagramRows(const QByteArray &datagram, const QStringList &lines, const QStringList &addresses);
    void addSystemMessage(const QString &message);
    void addTxBytes(qint64 count);
    void addRxBytes(qint64 count);
    void clearLog();
    void resetCounters();

    void setShowTimestamp(bool show);
    void setAutoScroll(bool autoScroll);
    void setHexDisplay(bool hex);
    void setEncoding(const QString &encoding);

    bool showTimestamp() const { return m_showTimestamp; }
    bool autoScroll() const { return m_autoScroll; }
    bool hexDisplay() const { return m_hexDisplay; }
    QString encoding() const { return m_encoding; }
    qint64 txBytes() const { return m_txBytes; }
    qint64 rxBytes() const { return m_rxBytes; }

    // A copy of the stored log, oldest first.
    QList<LogEntry> entries() const;

    QByteArray encodeText(const QString &text) const;
    QString decodeBytes(const QByteArray &data) const;

    // Writes every entry, oldest first, as plain text or CSV (UTF-8, no byte-order mark); the data
    // column is the hexadecimal text when hex is set. Plain text keeps one entry to a line by
    // writing CR and LF as \r and \n; CSV keeps them inside the quoted field. False when the file
    // cannot be opened or not all of it could be written.
    bool exportToFile(const QString &fileName, bool hex, bool csv) const;
    // The same, for only the entries the filter accepts.
    bool exportToFile(const QString &fileName, bool hex, bool csv, const LogFilter &filter) const;

    static QStringList supportedEncodings();
    static QString decodeBytes(const QByteArray &data, const QString &encoding);
    static QByteArray encodeText(const QString &text, const QString &encoding);
    static QString timeString(const LogEntry &entry);
    static QString directionTag(const LogEntry &entry);
    static QString toHexString(const QByteArray &data);
    static bool isValidHexString(const QString &text);
    static QString normalizeHexString(const QString &text);
    static QByteArray hexStringToBytes(const QString &text);

public slots:
    // The most entries kept; older ones are dropped on append. A value below 1 keeps everything.
    virtual int maxLogEntries() const;

signals:
    void logEntryAdded(const LogEntry &entry);
    void logCleared();
    void countersUpdated();
    void connectionStatusChanged(bool connected);
    // The timestamp or hexadecimal display was switched.
    void displayFormatChanged();

private:
    void appendEntry(const LogEntry &entry);

    bool m_showTimestamp = true;
    bool m_autoScroll = true;
    bool m_hexDisplay = false;
    QString m_encoding = QStringLiteral("UTF-8");
    qint64 m_txBytes = 0;
    qint64 m_rxBytes = 0;
    QList<LogEntry> m_entries;
};
