#include "osc/StreamDecoder.h"

#include <utility>

namespace {

FramingDetector::Framing initialFraming(StreamDecoder::Choice choice)
{
    switch (choice) {
    case StreamDecoder::Choice::LengthPrefix:
        return FramingDetector::Framing::LengthPrefix;
    case StreamDecoder::Choice::Slip:
        return FramingDetector::Framing::Slip;
    case StreamDecoder::Choice::Auto:
        break;
    }
    return FramingDetector::Framing::Undecided;
}

} // namespace

StreamDecoder::StreamDecoder(Choice choice)
    : m_framing(initialFraming(choice))
{
}

QList<QByteArray> StreamDecoder::feed(const QByteArray &chunk)
{
    QByteArray bytes = chunk;
    if (m_framing == FramingDetector::Framing::Undecided) {
        m_firstBytes += chunk;
        m_framing = FramingDetector::detect(m_firstBytes);
        if (m_framing == FramingDetector::Framing::Undecided)
            return {};
        bytes = std::exchange(m_firstBytes, {});
    }
    switch (m_framing) {
    case FramingDetector::Framing::LengthPrefix:
        return m_lengthPrefix.feed(bytes);
    case FramingDetector::Framing::Slip:
        return m_slip.feed(bytes);
    case FramingDetector::Framing::Undecided:
    case FramingDetector::Framing::Unknown:
        break;
    }
    return {};
}

qsizetype StreamDecoder::pendingBytes() const
{
    switch (m_framing) {
    case FramingDetector::Framing::LengthPrefix:
        return m_lengthPrefix.pendingBytes();
    case FramingDetector::Framing::Slip:
        return m_slip.pendingBytes();
    case FramingDetector::Framing::Undecided:
        return m_firstBytes.size();
    case FramingDetector::Framing::Unknown:
        break;
    }
    return 0;
}

StreamFault StreamDecoder::fault() const
{
    switch (m_framing) {
    case FramingDetector::Framing::LengthPrefix:
        return m_lengthPrefix.fault();
    case FramingDetector::Framing::Slip:
        return m_slip.fault();
    case FramingDetector::Framing::Unknown:
        return StreamFault::UnknownFraming;
    case FramingDetector::Framing::Undecided:
        break;
    }
    return StreamFault::None;
}

qint64 StreamDecoder::faultOffset() const
{
    switch (m_framing) {
    case FramingDetector::Framing::LengthPrefix:
        return m_lengthPrefix.faultOffset();
    case FramingDetector::Framing::Slip:
        return m_slip.faultOffset();
    case FramingDetector::Framing::Unknown:
        return 0; // the first bytes as a whole were refused
    case FramingDetector::Framing::Undecided:
        break;
    }
    return -1;
}
