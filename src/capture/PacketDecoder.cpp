#include "capture/PacketDecoder.h"

#include <QtEndian>

namespace {

// Link types as pcap_datalink() reports them; libpcap maps the file's LINKTYPE_RAW (101) to the
// platform's DLT_RAW, which is 12 on most systems and 14 on OpenBSD.
constexpr int LinkNull = 0;
constexpr int LinkEthernet = 1;
constexpr int LinkRawDlt = 12;
constexpr int LinkRawDltOpenBsd = 14;
constexpr int LinkRaw = 101;
constexpr int LinkLoop = 108;
constexpr int LinkLinuxSll = 113;
constexpr int LinkIpv4 = 228;
constexpr int LinkIpv6 = 229;
constexpr int LinkLinuxSll2 = 276;

constexpr int EthernetHeaderBytes = 14;
constexpr int EthernetTypeOffset = 12;
constexpr int VlanTagBytes = 4;
constexpr quint16 EtherTypeIpv4 = 0x0800;
constexpr quint16 EtherTypeIpv6 = 0x86DD;
constexpr quint16 EtherTypeVlan = 0x8100;
constexpr quint16 EtherTypeProviderVlan = 0x88A8;
constexpr quint16 EtherTypeOldProviderVlan = 0x9100;

// Linux cooked captures (tcpdump -i any). On the loopback interface every datagram is seen twice,
// going out and coming in; only the incoming copy is kept.
constexpr int SllHeaderBytes = 16;
constexpr int SllPacketTypeOffset = 0;
constexpr int SllHardwareTypeOffset = 2;
constexpr int SllProtocolOffset = 14;
constexpr int Sll2HeaderBytes = 20;
constexpr int Sll2ProtocolOffset = 0;
constexpr int Sll2HardwareTypeOffset = 8;
constexpr int Sll2PacketTypeOffset = 10;
constexpr quint16 PacketOutgoing = 4;
constexpr quint16 HardwareLoopback = 772;

// BSD loopback: a 4-byte address family, in the capturing host's byte order (NULL) or in
// network order (LOOP). AF_INET6 differs between systems.
constexpr int LoopbackHeaderBytes = 4;
constexpr quint32 FamilyInet = 2;
constexpr quint32 FamilyInet6Linux = 10;
constexpr quint32 FamilyInet6NetBsd = 24;
constexpr quint32 FamilyInet6FreeBsd = 28;
constexpr quint32 FamilyInet6Darwin = 30;

constexpr int Ipv4MinHeaderBytes = 20;
constexpr int Ipv4TotalLengthOffset = 2;
constexpr int Ipv4FragmentOffset = 6;
constexpr quint16 Ipv4MoreFragments = 0x2000;
constexpr quint16 Ipv4FragmentOffsetMask = 0x1FFF;
constexpr int Ipv4ProtocolOffset = 9;
constexpr int Ipv4SourceOffset = 12;
constexpr int Ipv4DestinationOffset = 16;

constexpr int Ipv6HeaderBytes = 40;
constexpr int Ipv6PayloadLengthOffset = 4;
constexpr int Ipv6NextHeaderOffset = 6;
constexpr int Ipv6SourceOffset = 8;
constexpr int Ipv6DestinationOffset = 24;
constexpr quint8 HeaderHopByHop = 0;
constexpr quint8 HeaderRouting = 43;
constexpr quint8 HeaderFragment = 44;
constexpr quint8 HeaderAuthentication = 51;
constexpr quint8 HeaderDestinationOptions = 60;
constexpr int ExtensionUnitBytes = 8;
constexpr int AuthenticationUnitBytes = 4;
constexpr int FragmentHeaderBytes = 8;
constexpr quint16 Ipv6FragmentOffsetMask = 0xFFF8;
constexpr quint16 Ipv6MoreFragments = 0x0001;
// Real packets carry one or two; a longer chain is not something worth sending again.
constexpr int MaxExtensionHeaders = 8;

constexpr quint8 ProtocolUdp = 17;
constexpr int UdpHeaderBytes = 8;
constexpr int UdpLengthOffset = 4;

enum class Network { Ipv4, Ipv6, Other };

// Bounds-checked reads of one frame; every caller checks has() first.
class Frame
{
public:
    Frame(const QByteArray &bytes, quint32 wireLength)
        : m_data(reinterpret_cast<const uchar *>(bytes.constData()))
        , m_size(bytes.size())
        , m_bytes(bytes)
        , m_cut(quint64(bytes.size()) < wireLength)
    {
    }

    bool has(qsizetype offset, qsizetype count) const { return offset >= 0 && count >= 0 && offset <= m_size - count; }
    bool cut() const { return m_cut; }
    quint8 u8(qsizetype offset) const { return m_data[offset]; }
    quint16 u16(qsizetype offset) const { return qFromBigEndian<quint16>(m_data + offset); }
    quint32 u32(qsizetype offset) const { return qFromBigEndian<quint32>(m_data + offset); }
    quint32 u32LittleEndian(qsizetype offset) const { return qFromLittleEndian<quint32>(m_data + offset); }
    const uchar *at(qsizetype offset) const { return m_data + offset; }
    QByteArray mid(qsizetype offset, qsizetype count) const { return QByteArray(m_bytes.constData() + offset, count); }

private:
    const uchar *m_data;
    qsizetype m_size;
    const QByteArray &m_bytes;
    bool m_cut;
};

PacketDecoder::Result outcome(PacketDecoder::Outcome outcome, PacketDecoder::Defect defect = PacketDecoder::Defect::None)
{
    PacketDecoder::Result result;
    result.outcome = outcome;
    result.defect = defect;
    return result;
}

// Bytes that should be there are missing: the snapshot length took them if the frame was cut.
PacketDecoder::Result missingBytes(const Frame &frame, PacketDecoder::Defect defect)
{
    return frame.cut() ? outcome(PacketDecoder::Outcome::Cut) : outcome(PacketDecoder::Outcome::Malformed, defect);
}

bool isInet6Family(quint32 family)
{
    return family == FamilyInet6Linux || family == FamilyInet6NetBsd || family == FamilyInet6FreeBsd
        || family == FamilyInet6Darwin;
}

Network fromEtherType(quint16 type)
{
    if (type == EtherTypeIpv4)
        return Network::Ipv4;
    if (type == EtherTypeIpv6)
        return Network::Ipv6;
    return Network::Other;
}

bool isVlanTag(quint16 type)
{
    return type == EtherTypeVlan || type == EtherTypeProviderVlan || type == EtherTypeOldProviderVlan;
}

// Steps over 802.1Q / 802.1ad tags; false when the frame ends inside one.
bool skipVlanTags(const Frame &frame, quint16 &type, qsizetype &offset)
{
    while (isVlanTag(type)) {
        if (!frame.has(offset, VlanTagBytes))
            return false;
        type = frame.u16(offset + 2);
        offset += VlanTagBytes;
    }
    return true;
}

PacketDecoder::Result decodeUdp(const Frame &frame, qsizetype udpStart, qsizetype ipEnd, PacketDecoder::Result result)
{
    using PacketDecoder::Defect;
    if (ipEnd - udpStart < UdpHeaderBytes)
        return outcome(PacketDecoder::Outcome::Malformed, Defect::BadUdpLength);
    if (!frame.has(udpStart, UdpHeaderBytes))
        return missingBytes(frame, Defect::IpLengthBeyondFrame);

    result.datagram.sourcePort = frame.u16(udpStart);
    result.datagram.destinationPort = frame.u16(udpStart + 2);
    const quint16 udpLength = frame.u16(udpStart + UdpLengthOffset);
    if (udpLength < UdpHeaderBytes || udpLength > ipEnd - udpStart)
        return outcome(PacketDecoder::Outcome::Malformed, Defect::BadUdpLength);
    if (!frame.has(udpStart, udpLength)) {
        if (!frame.cut())
            return outcome(PacketDecoder::Outcome::Malformed, Defect::IpLengthBeyondFrame);
        result.outcome = PacketDecoder::Outcome::Cut;
        return result;
    }
    result.outcome = PacketDecoder::Outcome::Datagram;
    result.datagram.payload = frame.mid(udpStart + UdpHeaderBytes, udpLength - UdpHeaderBytes);
    return result;
}

PacketDecoder::Result decodeIpv4(const Frame &frame, qsizetype offset)
{
    using PacketDecoder::Defect;
    if (!frame.has(offset, Ipv4MinHeaderBytes))
        return missingBytes(frame, Defect::FrameTooShort);
    if (frame.u8(offset) >> 4 != 4)
        return outcome(PacketDecoder::Outcome::Malformed, Defect::BadIpVersion);
    // Other protocols are passed over before their lengths are looked at: a capture taken on
    // the sending host holds TCP super-packets whose IP length is 0.
    if (frame.u8(offset + Ipv4ProtocolOffset) != ProtocolUdp)
        return outcome(PacketDecoder::Outcome::NotUdp);
    const int headerBytes = (frame.u8(offset) & 0x0F) * 4;
    const quint16 totalLength = frame.u16(offset + Ipv4TotalLengthOffset);
    if (headerBytes < Ipv4MinHeaderBytes || totalLength < headerBytes)
        return outcome(PacketDecoder::Outcome::Malformed, Defect::BadIpHeaderLength);

    PacketDecoder::Result result;
    result.datagram.source = QHostAddress(frame.u32(offset + Ipv4SourceOffset));
    result.datagram.destination = QHostAddress(frame.u32(offset + Ipv4DestinationOffset));
    const quint16 fragment = frame.u16(offset + Ipv4FragmentOffset);
    if ((fragment & Ipv4MoreFragments) || (fragment & Ipv4FragmentOffsetMask)) {
        result.outcome = PacketDecoder::Outcome::Fragment;
        return result;
    }
    return decodeUdp(frame, offset + headerBytes, offset + totalLength, result);
}

PacketDecoder::Result decodeIpv6(const Frame &frame, qsizetype offset)
{
    using PacketDecoder::Defect;
    if (!frame.has(offset, Ipv6HeaderBytes))
        return missingBytes(frame, Defect::FrameTooShort);
    if (frame.u8(offset) >> 4 != 6)
        return outcome(PacketDecoder::Outcome::Malformed, Defect::BadIpVersion);
    const quint16 payloadLength = frame.u16(offset + Ipv6PayloadLengthOffset);
    // A jumbogram, or a super-packet seen on the sending host: nothing a socket would send again.
    if (payloadLength == 0)
        return outcome(PacketDecoder::Outcome::NotUdp);

    PacketDecoder::Result result;
    result.datagram.source = QHostAddress(frame.at(offset + Ipv6SourceOffset));
    result.datagram.destination = QHostAddress(frame.at(offset + Ipv6DestinationOffset));
    const qsizetype ipEnd = offset + Ipv6HeaderBytes + payloadLength;
    quint8 next = frame.u8(offset + Ipv6NextHeaderOffset);
    qsizetype position = offset + Ipv6HeaderBytes;

    for (int walked = 0; walked <= MaxExtensionHeaders; ++walked) {
        if (next == ProtocolUdp)
            return decodeUdp(frame, position, ipEnd, result);
        const bool known = next == HeaderHopByHop || next == HeaderRouting || next == HeaderDestinationOptions
            || next == HeaderAuthentication || next == HeaderFragment;
        if (!known)
            return outcome(PacketDecoder::Outcome::NotUdp);
        if (ipEnd - position < 2)
            return outcome(PacketDecoder::Outcome::Malformed, Defect::IpLengthBeyondFrame);
        if (!frame.has(position, next == HeaderFragment ? FragmentHeaderBytes : 2))
            return missingBytes(frame, Defect::IpLengthBeyondFrame);

        qsizetype length = (frame.u8(position + 1) + 1) * ExtensionUnitBytes;
        if (next == HeaderAuthentication) {
            length = (frame.u8(position + 1) + 2) * AuthenticationUnitBytes;
        } else if (next == HeaderFragment) {
            length = FragmentHeaderBytes;
            const quint16 fragment = frame.u16(position + 2);
            if ((fragment & Ipv6FragmentOffsetMask) || (fragment & Ipv6MoreFragments)) {
                result.outcome = PacketDecoder::Outcome::Fragment;
                return result;
            }
        }
        next = frame.u8(position);
        position += length;
        if (position > ipEnd)
            return outcome(PacketDecoder::Outcome::Malformed, Defect::IpLengthBeyondFrame);
    }
    return outcome(PacketDecoder::Outcome::NotUdp);
}

PacketDecoder::Result decodeNetwork(const Frame &frame, Network network, qsizetype offset)
{
    switch (network) {
    case Network::Ipv4:
        return decodeIpv4(frame, offset);
    case Network::Ipv6:
        return decodeIpv6(frame, offset);
    case Network::Other:
        break;
    }
    return outcome(PacketDecoder::Outcome::NotUdp);
}

PacketDecoder::Result decodeEtherTyped(const Frame &frame, quint16 type, qsizetype offset)
{
    if (!skipVlanTags(frame, type, offset))
        return missingBytes(frame, PacketDecoder::Defect::FrameTooShort);
    return decodeNetwork(frame, fromEtherType(type), offset);
}

PacketDecoder::Result decodeCooked(const Frame &frame, int headerBytes, quint16 packetType, quint16 hardwareType,
                                   quint16 protocol)
{
    if (packetType == PacketOutgoing && hardwareType == HardwareLoopback)
        return outcome(PacketDecoder::Outcome::NotUdp);
    return decodeEtherTyped(frame, protocol, headerBytes);
}

} // namespace

namespace PacketDecoder {

bool supportsLinkType(int linkType)
{
    switch (linkType) {
    case LinkNull:
    case LinkEthernet:
    case LinkRawDlt:
    case LinkRawDltOpenBsd:
    case LinkRaw:
    case LinkLoop:
    case LinkLinuxSll:
    case LinkIpv4:
    case LinkIpv6:
    case LinkLinuxSll2:
        return true;
    default:
        return false;
    }
}

Result decode(int linkType, const QByteArray &captured, quint32 wireLength)
{
    const Frame frame(captured, wireLength);
    switch (linkType) {
    case LinkEthernet:
        if (!frame.has(0, EthernetHeaderBytes))
            return missingBytes(frame, Defect::FrameTooShort);
        return decodeEtherTyped(frame, frame.u16(EthernetTypeOffset), EthernetHeaderBytes);
    case LinkLinuxSll:
        if (!frame.has(0, SllHeaderBytes))
            return missingBytes(frame, Defect::FrameTooShort);
        return decodeCooked(frame, SllHeaderBytes, frame.u16(SllPacketTypeOffset), frame.u16(SllHardwareTypeOffset),
                            frame.u16(SllProtocolOffset));
    case LinkLinuxSll2:
        if (!frame.has(0, Sll2HeaderBytes))
            return missingBytes(frame, Defect::FrameTooShort);
        return decodeCooked(frame, Sll2HeaderBytes, frame.u8(Sll2PacketTypeOffset),
                            frame.u16(Sll2HardwareTypeOffset), frame.u16(Sll2ProtocolOffset));
    case LinkNull:
    case LinkLoop: {
        if (!frame.has(0, LoopbackHeaderBytes))
            return missingBytes(frame, Defect::FrameTooShort);
        // Whichever byte order gives a known family is the one it was written in.
        for (const quint32 family : {frame.u32(0), frame.u32LittleEndian(0)}) {
            if (family == FamilyInet)
                return decodeIpv4(frame, LoopbackHeaderBytes);
            if (isInet6Family(family))
                return decodeIpv6(frame, LoopbackHeaderBytes);
        }
        return outcome(Outcome::NotUdp);
    }
    case LinkRaw:
    case LinkRawDlt:
    case LinkRawDltOpenBsd:
        if (!frame.has(0, 1))
            return missingBytes(frame, Defect::FrameTooShort);
        if (frame.u8(0) >> 4 == 6)
            return decodeIpv6(frame, 0);
        return decodeIpv4(frame, 0);
    case LinkIpv4:
        return decodeIpv4(frame, 0);
    case LinkIpv6:
        return decodeIpv6(frame, 0);
    default:
        return outcome(Outcome::UnsupportedLink);
    }
}

} // namespace PacketDecoder
