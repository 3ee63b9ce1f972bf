#pragma once

#include "capture/CapturedDatagram.h"

#include <QByteArray>

// Turns one captured frame, as its link type frames it, into the UDP datagram it carries.
// Link types are the values libpcap's pcap_datalink() reports. Reads stay inside the frame.
namespace PacketDecoder {

enum class Outcome {
    Datagram,   // a whole UDP datagram over IPv4 or IPv6
    NotUdp,     // another protocol, or a copy that is not worth keeping: skipped quietly
    Fragment,   // one piece of a fragmented datagram: skipped, with a note
    Cut,        // the capture's snapshot length cut the datagram short
    Malformed,  // headers that contradict each other or the frame
    UnsupportedLink,
};

// What is wrong with a Malformed frame.
enum class Defect {
    None,
    FrameTooShort,        // shorter than the headers it starts
    BadIpVersion,
    BadIpHeaderLength,
    IpLengthBeyondFrame,  // the IP length claims more bytes than the frame has
    BadUdpLength,         // shorter than its header, or longer than the IP packet
};

struct Result
{
    Outcome outcome = Outcome::NotUdp;
    Defect defect = Defect::None;
    // Whole for Datagram; for Fragment and Cut, whatever the headers that arrived tell.
    CapturedDatagram datagram;
};

bool supportsLinkType(int linkType);

// wireLength is the frame's length on the wire; captured.size() below it means the snapshot
// length cut the frame. The datagram's time is left for the caller to fill in.
Result decode(int linkType, const QByteArray &captured, quint32 wireLength);

} // namespace PacketDecoder
