#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>

struct pcap;
struct pcap_dumper;

// Records datagrams into a classic pcap file of raw IP packets (LINKTYPE_RAW), with IPv4 or
// IPv6 and UDP headers made up from the real endpoints, so that any capture tool reads it.
//
// Records are buffered and flushed at least once a second. When a write fails (a full disk),
// recording stops, failed() is emitted once and the file is cut back to its last whole record, so
// it stays readable up to there.
class CaptureWriter : public QObject
{
    Q_OBJECT

public:
    // Room for the largest UDP datagram with its headers; libpcap's own default for a dead handle.
    static constexpr int SnapshotLength = 65535;
    static constexpr int FlushIntervalMs = 1000;

    explicit CaptureWriter(QObject *parent = nullptr);
    ~CaptureWriter() override;

    // Starts a new file (replacing one of that name) and writes its header at once, so an
    // unwritable target fails here. On failure errorString() says why.
    bool open(const QString &fileName);
    // Flushes and closes; the file is complete.
    void close();
    bool isOpen() const { return m_dumper != nullptr; }
    QString fileName() const { return m_fileName; }
    QString errorString() const { return m_errorString; }

    // Writes one datagram as it passed. Endpoints of mixed families are both written as IPv6,
    // and IPv4-mapped IPv6 addresses as IPv4. Does nothing unless open.
    void write(qint64 usecSinceEpoch, const QHostAddress &source, quint16 sourcePort,
               const QHostAddress &destination, quint16 destinationPort, const QByteArray &payload);

    quint64 packetsWritten() const { return m_packets; }
    // Bytes of the datagrams' payloads.
    quint64 bytesWritten() const { return m_bytes; }

    // The IP packet a datagram is recorded as: header(s) and payload.
    static QByteArray buildPacket(const QHostAddress &source, quint16 sourcePort,
                                  const QHostAddress &destination, quint16 destinationPort,
                                  const QByteArray &payload);

public slots:
    // Pushes buffered records to the file; false (after failed()) when that fails.
    bool flush();

signals:
    void failed(const QString &reason);

private:
    // Flushes without reporting; false with errno set when the file refused the bytes.
    bool pushOut();
    void fail(const QString &reason);
    void release();

    pcap *m_pcap = nullptr;
    pcap_dumper *m_dumper = nullptr;
    std::FILE *m_file = nullptr;
    QString m_fileName;
    QString m_errorString;
    // Where each record written since the last good flush ends, so a failed write can be cut
    // back to a record boundary. The file is whole up to m_durableBytes.
    QList<long> m_pendingRecordEnds;
    long m_durableBytes = 0;
    QTimer m_flushTimer;
    QElapsedTimer m_sinceFlush;
    quint64 m_packets = 0;
    quint64 m_bytes = 0;
};
