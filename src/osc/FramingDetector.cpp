#include "osc/FramingDetector.h"

#include "osc/DatagramReader.h"
#include "osc/LengthPrefixFramer.h"
#include "osc/SlipFramer.h"

#include <QtEndian>

namespace {

bool beginsOscPacket(char byte)
{
    return byte == '/' || byte == '#';
}

} // namespace

FramingDetector::Framing FramingDetector::detect(const QByteArray &firstBytes)
{
    if (firstBytes.isEmpty())
        return Framing::Undecided;
    if (firstBytes.front() == SlipFramer::End)
        return Framing::Slip;
    // A size of at most 1 MiB has a zero high byte; no need to wait for the rest.
    if (firstBytes.front() != '\0')
        return Framing::Unknown;
    if (firstBytes.size() < LengthPrefixFramer::PrefixBytes)
        return Framing::Undecided;

    const qint32 size = qFromBigEndian<qint32>(firstBytes.constData());
    if (size <= 0 || size % OscCodec::Alignment != 0 || size > MaxStreamMessageBytes)
        return Framing::Unknown;
    if (firstBytes.size() < DecisionBytes)
        return Framing::Undecided;
    return beginsOscPacket(firstBytes.at(LengthPrefixFramer::PrefixBytes)) ? Framing::LengthPrefix
                                                                           : Framing::Unknown;
}
