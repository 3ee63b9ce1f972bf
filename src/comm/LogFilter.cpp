#include "comm/LogFilter.h"

#include "osc/OscAddressPattern.h"

namespace {

constexpr QChar InvertMark = u'!';
constexpr QChar AddressStart = u'/';

} // namespace

LogFilter::LogFilter(const QString &typed, Directions directions)
    : m_text(typed)
    , m_directions(directions)
{
    if (m_text.startsWith(InvertMark)) {
        m_inverted = true;
        m_text.remove(0, 1);
    }
    m_pattern = m_text.startsWith(AddressStart);
}

bool LogFilter::isActive() const
{
    return !m_text.isEmpty() || m_directions != AllDirections;
}

bool LogFilter::accepts(const LogEntry &entry) const
{
    if (!directionShown(entry.direction))
        return false;
    // A lone '!' inverts nothing yet: the user is still typing.
    if (m_text.isEmpty())
        return true;
    return textMatches(entry) != m_inverted;
}

bool LogFilter::directionShown(LogDirection direction) const
{
    switch (direction) {
    case LogDirection::Rx:
        return m_directions.testFlag(ShowRx);
    case LogDirection::Tx:
        return m_directions.testFlag(ShowTx);
    case LogDirection::System:
        return m_directions.testFlag(ShowSystem);
    }
    return true;
}

bool LogFilter::textMatches(const LogEntry &entry) const
{
    if (m_pattern)
        return OscAddressPattern::matches(m_text, entry.addressForm());
    return entry.text.contains(m_text, Qt::CaseInsensitive);
}
