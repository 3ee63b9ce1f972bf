#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

// Who produced a traffic-log record: the page sent it, received it, or is telling the user something.
enum class LogDirection : qint32 { Tx = 0, Rx = 1, System = 2 };

// One record of the traffic log. The text is computed once, when the record is made, so that
// views and exports never decode the payload again.
struct LogEntry
{
    QDateTime timestamp;
    LogDirection direction = LogDirection::System;
    QByteArray data;
    QString text;
    // The payload in hexadecimal (the message for System entries). A datagram's record leaves it
    // empty, since it would take six bytes for every byte of a payload that may be 64 KiB long;
    // hexForm() gives it for every record.
    QString hexText;
    // The OSC address the row shows, where it is not the datagram's own: a bundle's rows each
    // show one element's address. Empty otherwise; addressForm() gives it for every record.
    QString address;

    LogEntry();
    // A sent or received payload; text is decoded with the named encoding (Tx and Rx only).
    LogEntry(LogDirection direction, const QByteArray &data, const QString &encoding);
    // A message of the program itself.
    explicit LogEntry(const QString &systemMessage);

    // A datagram that went out or came in, with the line that renders it.
    static LogEntry datagram(LogDirection direction, const QByteArray &datagram, const QString &line);

    // hexText, or the payload's hexadecimal text where the record left it to be made on demand.
    QString hexForm() const;
    // address, or the address a datagram's record starts with; empty for System entries.
    QString addressForm() const;
};

// Every member is an implicitly shared Qt value or a plain enum, so entries may be moved bytewise;
// this keeps trimming and growing a full log cheap.
Q_DECLARE_TYPEINFO(LogEntry, Q_RELOCATABLE_TYPE);
Q_DECLARE_METATYPE(LogEntry)
