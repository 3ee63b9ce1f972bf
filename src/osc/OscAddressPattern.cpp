#include "osc/OscAddressPattern.h"

namespace OscAddressPattern {

bool isPattern(QStringView address)
{
    for (const QChar c : address) {
        switch (c.unicode()) {
        case '*': case '?': case '[': case ']': case '{': case '}':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool matches(QStringView pattern, QStringView address)
{
    return pattern == address;
}

} // namespace OscAddressPattern
