#include "capture/CaptureReader.h"

#include "capture/PacketDecoder.h"
#include "i18n/LanguageManager.h"

#include <QFile>

#include <pcap/pcap.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr qint64 UsecPerSecond = 1000000;

struct PcapCloser
{
    void operator()(pcap_t *pcap) const { pcap_close(pcap); }
};

QString defectText(PacketDecoder::Defect defect)
{
    const LanguageManager &language = LanguageManager::instance();
    switch (defect) {
    case PacketDecoder::Defect::FrameTooShort:
        return language.pick(QStringLiteral("帧比它的头部还短"), QStringLiteral("the frame is shorter than its headers"));
    case PacketDecoder::Defect::BadIpVersion:
        return language.pick(QStringLiteral("IP 版本号错误"), QStringLiteral("wrong IP version"));
    case PacketDecoder::Defect::BadIpHeaderLength:
        return language.pick(QStringLiteral("IP 头长度错误"), QStringLiteral("bad IP header length"));
    case PacketDecoder::Defect::IpLengthBeyondFrame:
        return language.pick(QStringLiteral("IP 长度超出了帧"), QStringLiteral("the IP length runs past the frame"));
    case PacketDecoder::Defect::BadUdpLength:
        return language.pick(QStringLiteral("UDP 长度错误"), QStringLiteral("bad UDP length"));
    case PacketDecoder::Defect::None:
        break;
    }
    return QString();
}

QString unsupportedLinkText(int linkType)
{
    const char *name = pcap_datalink_val_to_name(linkType);
    return LanguageManager::instance()
        .pick(QStringLiteral("不支持的链路类型 %1 (%2)"), QStringLiteral("unsupported link type %1 (%2)"))
        .arg(linkType)
        .arg(name ? QString::fromLatin1(name) : QStringLiteral("?"));
}

} // namespace

bool CaptureReader::read(const QString &fileName, quint16 destinationPort)
{
    m_datagrams.clear();
    m_errorString.clear();
    m_notes.clear();
    m_packetCount = 0;
    const LanguageManager &language = LanguageManager::instance();

    // Opened here rather than by name: libpcap would take a file called "-" for standard input.
    std::FILE *file = std::fopen(QFile::encodeName(fileName).constData(), "rb");
    if (!file) {
        m_errorString = language.pick(QStringLiteral("无法打开 %1: %2"), QStringLiteral("cannot open %1: %2"))
                            .arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    const std::unique_ptr<pcap_t, PcapCloser> pcap(pcap_fopen_offline(file, errorBuffer));
    if (!pcap) {
        std::fclose(file);
        setError(1, 0, language.pick(QStringLiteral("不是可读的抓包文件 (%1)"), QStringLiteral("not a capture file that can be read (%1)"))
                           .arg(QString::fromLocal8Bit(errorBuffer)));
        return false;
    }
    const int linkType = pcap_datalink(pcap.get());
    if (!PacketDecoder::supportsLinkType(linkType)) {
        setError(1, std::ftell(file), unsupportedLinkText(linkType));
        return false;
    }

    for (;;) {
        const long offset = std::ftell(file);
        pcap_pkthdr *header = nullptr;
        const u_char *data = nullptr;
        const int status = pcap_next_ex(pcap.get(), &header, &data);
        if (status == PCAP_ERROR_BREAK)
            return true;
        const int number = m_packetCount + 1;
        if (status != 1) {
            setError(number, offset, language.pick(QStringLiteral("读取失败: %1"), QStringLiteral("cannot read: %1"))
                                         .arg(QString::fromLocal8Bit(pcap_geterr(pcap.get()))));
            return false;
        }
        m_packetCount = number;

        const QByteArray captured = QByteArray::fromRawData(reinterpret_cast<const char *>(data), header->caplen);
        PacketDecoder::Result result = PacketDecoder::decode(linkType, captured, header->len);
        const bool wanted = destinationPort == AnyPort || result.datagram.destinationPort == destinationPort;
        switch (result.outcome) {
        case PacketDecoder::Outcome::Datagram:
            if (wanted) {
                result.datagram.usecSinceEpoch = qint64(header->ts.tv_sec) * UsecPerSecond + header->ts.tv_usec;
                m_datagrams.append(std::move(result.datagram));
            }
            break;
        case PacketDecoder::Outcome::NotUdp:
            break;
        case PacketDecoder::Outcome::Fragment:
            addNote(language.pick(QStringLiteral("第 %1 个包是 IP 分片，已跳过"), QStringLiteral("packet %1 is an IP fragment, skipped"))
                        .arg(number));
            break;
        case PacketDecoder::Outcome::Cut:
            // A datagram for another port is not sent, so its missing tail does not matter.
            if (result.datagram.destinationPort != 0 && !wanted)
                break;
            setError(number, offset,
                     language.pick(QStringLiteral("抓包长度截断了数据报 (%1 字节只存下 %2)"),
                                   QStringLiteral("the snapshot length cut the datagram (%2 of %1 bytes kept)"))
                         .arg(header->len)
                         .arg(header->caplen));
            return false;
        case PacketDecoder::Outcome::Malformed:
            setError(number, offset, defectText(result.defect));
            return false;
        case PacketDecoder::Outcome::UnsupportedLink:
            setError(number, offset, unsupportedLinkText(linkType));
            return false;
        }
    }
}

void CaptureReader::setError(int packetNumber, long byteOffset, const QString &problem)
{
    m_errorString = LanguageManager::instance()
                        .pick(QStringLiteral("第 %1 个包 (文件第 %2 字节): %3"), QStringLiteral("packet %1 (byte %2 of the file): %3"))
                        .arg(packetNumber)
                        .arg(byteOffset)
                        .arg(problem);
}

void CaptureReader::addNote(const QString &note)
{
    if (m_notes.size() < MaxNotes)
        m_notes.append(note);
}
