#pragma once

#include "capture/CapturedDatagram.h"

#include <QList>
#include <QString>
#include <QStringList>

// Reads the UDP datagrams out of a capture file libpcap opens (pcap, or pcapng whose interfaces
// share one link type). A file that goes bad part-way keeps the datagrams before the bad packet,
// and errorString() names that packet and where it starts in the file.
class CaptureReader
{
public:
    // As a destination port filter: every datagram.
    static constexpr quint16 AnyPort = 0;
    // Skipped fragments are noted one by one up to here; a capture full of them needs no more.
    static constexpr int MaxNotes = 20;

    // True when the whole file was read; false with errorString() otherwise.
    bool read(const QString &fileName, quint16 destinationPort = AnyPort);

    const QList<CapturedDatagram> &datagrams() const { return m_datagrams; }
    QString errorString() const { return m_errorString; }
    // What was skipped on the way (fragments), one line each.
    const QStringList &notes() const { return m_notes; }
    // Packets of any kind read before the end or the error.
    int packetCount() const { return m_packetCount; }

private:
    void setError(int packetNumber, long byteOffset, const QString &problem);
    void addNote(const QString &note);

    QList<CapturedDatagram> m_datagrams;
    QString m_errorString;
    QStringList m_notes;
    int m_packetCount = 0;
};
