#pragma once

#include "comm/LogEntry.h"
#include "osc/OscTextEncoding.h"

#include <QPlainTextEdit>
#include <QStringList>

// One log row's datagram in full, as read-only text that can be selected and copied: the
// address, every argument with its type, offset and exact value, a bundle's elements as an
// indented tree under their time tags, and a hexadecimal dump of every byte. System rows show
// their text alone.
class DatagramView : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int BytesPerDumpLine = 16;

    explicit DatagramView(QWidget *parent = nullptr);

    void showEntry(const LogEntry &entry);
    void clear();
    // The character set string arguments are read in.
    void setStringEncoding(const QString &name);

    // "offset  16 bytes in hex  ASCII", one line per BytesPerDumpLine bytes.
    static QStringList hexDump(const QByteArray &datagram);

private:
    void render();
    // The message's address and type tags after the heading, then one line per argument.
    void describeMessage(QStringList &lines, const QByteArray &datagram, qsizetype from, qsizetype size,
                         const QString &heading) const;
    void describeBundle(QStringList &lines, const QByteArray &datagram) const;
    QString timeTagText(quint64 timeTag) const;

    LogEntry m_entry;
    bool m_showing = false;
    OscTextEncoding m_strings;
};
