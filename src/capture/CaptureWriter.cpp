#include "capture/CaptureWriter.h"

#include "i18n/LanguageManager.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <pcap/pcap.h>

#include <cerrno>
#include <cstring>

namespace {

// Big enough for several of the largest records, so that a flush writes whole records in one go.
constexpr size_t WriteBufferBytes = 256 * 1024;
constexpr qint64 UsecPerSecond = 1000000;

constexpr int Ipv4HeaderBytes = 20;
constexpr int Ipv6HeaderBytes = 40;
constexpr int UdpHeaderBytes = 8;
constexpr int UdpChecksumOffset = 6;
constexpr int Ipv4ChecksumOffset = 10;
constexpr int MaxIpLength = 0xFFFF;
constexpr quint8 IpVersion4HeaderWords = 0x45;
constexpr quint8 IpVersion6 = 0x60;
constexpr quint16 DontFragment = 0x4000;
constexpr quint8 HopLimit = 64;
constexpr quint8 ProtocolUdp = 17;
// A UDP checksum that computes to 0 is sent as all ones; 0 means "none".
constexpr quint16 NoChecksumSent = 0xFFFF;

void appendU16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
}

void putU16(QByteArray &bytes, int offset, quint16 value)
{
    bytes[offset] = char(value >> 8);
    bytes[offset + 1] = char(value & 0xFF);
}

void appendIpv4(QByteArray &bytes, quint32 address)
{
    uchar raw[4];
    qToBigEndian(address, raw);
    bytes.append(reinterpret_cast<const char *>(raw), sizeof raw);
}

// Both endpoints as IPv6; IPv4 ones in their mapped form.
Q_IPV6ADDR asIpv6(const QHostAddress &address)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (!isIpv4)
        return address.toIPv6Address();
    Q_IPV6ADDR mapped = {};
    mapped[10] = 0xFF;
    mapped[11] = 0xFF;
    qToBigEndian(ipv4, &mapped[12]);
    return mapped;
}

// The Internet checksum's running sum: 16-bit big-endian words, an odd last byte padded with 0.
quint32 addWords(quint32 sum, const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i + 1 < size; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (size % 2)
        sum += quint32(data[size - 1]) << 8;
    return sum;
}

quint16 finishChecksum(quint32 sum)
{
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

QByteArray udpSegment(quint16 sourcePort, quint16 destinationPort, const QByteArray &payload)
{
    QByteArray udp;
    udp.reserve(UdpHeaderBytes + payload.size());
    appendU16(udp, sourcePort);
    appendU16(udp, destinationPort);
    appendU16(udp, quint16(UdpHeaderBytes + payload.size()));
    appendU16(udp, 0);
    udp.append(payload);
    return udp;
}

void putUdpChecksum(QByteArray &udp, const QByteArray &pseudoHeader)
{
    const quint16 checksum = finishChecksum(addWords(addWords(0, pseudoHeader), udp));
    putU16(udp, UdpChecksumOffset, checksum == 0 ? NoChecksumSent : checksum);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

CaptureWriter::CaptureWriter(QObject *parent)
    : QObject(parent)
{
    m_flushTimer.setInterval(FlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CaptureWriter::flush);
}

CaptureWriter::~CaptureWriter()
{
    close();
}

bool CaptureWriter::open(const QString &fileName)
{
    close();
    m_fileName = fileName;
    m_errorString.clear();
    m_packets = 0;
    m_bytes = 0;
    const LanguageManager &language = LanguageManager::instance();

    m_file = std::fopen(QFile::encodeName(fileName).constData(), "wb");
    if (!m_file) {
        m_errorString = language.pick(QStringLiteral("无法创建 %1: %2"), QStringLiteral("cannot create %1: %2"))
                            .arg(fileName, systemError(errno));
        return false;
    }
    std::setvbuf(m_file, nullptr, _IOFBF, WriteBufferBytes);
    m_pcap = pcap_open_dead(DLT_RAW, SnapshotLength);
    m_dumper = m_pcap ? pcap_dump_fopen(m_pcap, m_file) : nullptr;
    if (!m_dumper) {
        m_errorString = language.pick(QStringLiteral("无法创建 %1: %2"), QStringLiteral("cannot create %1: %2"))
                            .arg(fileName, m_pcap ? QString::fromLocal8Bit(pcap_geterr(m_pcap)) : QString());
        std::fclose(m_file);
        m_file = nullptr;
        release();
        return false;
    }
    if (!pushOut()) {
        const int error = errno;
        release();
        m_errorString = language.pick(QStringLiteral("无法写入 %1: %2"), QStringLiteral("cannot write %1: %2"))
                            .arg(fileName, systemError(error));
        return false;
    }
    m_flushTimer.start();
    return true;
}

void CaptureWriter::close()
{
    if (m_dumper && flush())
        release();
}

void CaptureWriter::write(qint64 usecSinceEpoch, const QHostAddress &source, quint16 sourcePort,
                          const QHostAddress &destination, quint16 destinationPort, const QByteArray &payload)
{
    if (!m_dumper)
        return;
    const QByteArray packet = buildPacket(source, sourcePort, destination, destinationPort, payload);
    pcap_pkthdr header = {};
    // Floor division, so a time before 1970 still gets microseconds within 0..999999.
    qint64 seconds = usecSinceEpoch / UsecPerSecond;
    qint64 micros = usecSinceEpoch % UsecPerSecond;
    if (micros < 0) {
        micros += UsecPerSecond;
        --seconds;
    }
    header.ts.tv_sec = seconds;
    header.ts.tv_usec = micros;
    header.len = bpf_u_int32(packet.size());
    header.caplen = bpf_u_int32(qMin<qsizetype>(packet.size(), SnapshotLength));

    errno = 0;
    pcap_dump(reinterpret_cast<u_char *>(m_dumper), &header, reinterpret_cast<const u_char *>(packet.constData()));
    if (std::ferror(m_file)) {
        fail(systemError(errno));
        return;
    }
    m_pendingRecordEnds.append(std::ftell(m_file));
    ++m_packets;
    m_bytes += quint64(payload.size());
    if (!m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= FlushIntervalMs)
        flush();
}

bool CaptureWriter::flush()
{
    if (!m_dumper)
        return false;
    if (!pushOut()) {
        fail(systemError(errno));
        return false;
    }
    return true;
}

bool CaptureWriter::pushOut()
{
    errno = 0;
    if (pcap_dump_flush(m_dumper) != 0 || std::ferror(m_file))
        return false;
    m_durableBytes = std::ftell(m_file);
    m_pendingRecordEnds.clear();
    m_sinceFlush.start();
    return true;
}

void CaptureWriter::fail(const QString &reason)
{
    // Closing may push a little more of the buffer out; what counts is what reached the file.
    release();
    const QFileInfo written(m_fileName);
    if (written.isFile()) {
        long whole = m_durableBytes;
        for (const long end : std::as_const(m_pendingRecordEnds)) {
            if (end <= written.size())
                whole = end;
        }
        if (written.size() != whole)
            QFile::resize(m_fileName, whole);
    }
    m_pendingRecordEnds.clear();
    m_errorString = LanguageManager::instance()
                        .pick(QStringLiteral("写入 %1 失败: %2"), QStringLiteral("writing %1 failed: %2"))
                        .arg(m_fileName, reason);
    emit failed(m_errorString);
}

void CaptureWriter::release()
{
    m_flushTimer.stop();
    if (m_dumper)
        pcap_dump_close(m_dumper);   // closes m_file too
    if (m_pcap)
        pcap_close(m_pcap);
    m_dumper = nullptr;
    m_pcap = nullptr;
    m_file = nullptr;
}

QByteArray CaptureWriter::buildPacket(const QHostAddress &source, quint16 sourcePort, const QHostAddress &destination,
                                      quint16 destinationPort, const QByteArray &payload)
{
    bool sourceIsIpv4 = false;
    bool destinationIsIpv4 = false;
    const quint32 source4 = source.toIPv4Address(&sourceIsIpv4);
    const quint32 destination4 = destination.toIPv4Address(&destinationIsIpv4);

    if (sourceIsIpv4 && destinationIsIpv4) {
        // The lengths must fit the IP header's 16 bits; no socket sends more than this.
        QByteArray udp = udpSegment(sourcePort, destinationPort,
                                    payload.left(MaxIpLength - Ipv4HeaderBytes - UdpHeaderBytes));
        QByteArray pseudo;
        appendIpv4(pseudo, source4);
        appendIpv4(pseudo, destination4);
        pseudo.append(char(0));
        pseudo.append(char(ProtocolUdp));
        appendU16(pseudo, quint16(udp.size()));
        putUdpChecksum(udp, pseudo);

        QByteArray packet;
        packet.reserve(Ipv4HeaderBytes + udp.size());
        packet.append(char(IpVersion4HeaderWords));
        packet.append(char(0));
        appendU16(packet, quint16(Ipv4HeaderBytes + udp.size()));
        appendU16(packet, 0);
        appendU16(packet, DontFragment);
        packet.append(char(HopLimit));
        packet.append(char(ProtocolUdp));
        appendU16(packet, 0);
        appendIpv4(packet, source4);
        appendIpv4(packet, destination4);
        putU16(packet, Ipv4ChecksumOffset, finishChecksum(addWords(0, packet)));
        packet.append(udp);
        return packet;
    }

    const Q_IPV6ADDR source6 = asIpv6(source);
    const Q_IPV6ADDR destination6 = asIpv6(destination);
    const QByteArray sourceBytes(reinterpret_cast<const char *>(source6.c), sizeof source6.c);
    const QByteArray destinationBytes(reinterpret_cast<const char *>(destination6.c), sizeof destination6.c);
    QByteArray udp = udpSegment(sourcePort, destinationPort, payload.left(MaxIpLength - UdpHeaderBytes));
    QByteArray pseudo = sourceBytes + destinationBytes;
    appendU16(pseudo, 0);
    appendU16(pseudo, quint16(udp.size()));
    appendU16(pseudo, 0);
    pseudo.append(char(0));
    pseudo.append(char(ProtocolUdp));
    putUdpChecksum(udp, pseudo);

    QByteArray packet;
    packet.reserve(Ipv6HeaderBytes + udp.size());
    packet.append(char(IpVersion6));
    packet.append(3, char(0));
    appendU16(packet, quint16(udp.size()));
    packet.append(char(ProtocolUdp));
    packet.append(char(HopLimit));
    packet.append(sourceBytes);
    packet.append(destinationBytes);
    packet.append(udp);
    return packet;
}
