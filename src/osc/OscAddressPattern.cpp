#include "osc/OscAddressPattern.h"

namespace OscAddressPattern {

namespace {

constexpr QChar kSeparator = u'/';
constexpr QChar kAnyRun = u'*';
constexpr QChar kAnyOne = u'?';
constexpr QChar kSetOpen = u'[';
constexpr QChar kSetClose = u']';
constexpr QChar kSetNegation = u'!';
constexpr QChar kRangeDash = u'-';
constexpr QChar kListOpen = u'{';
constexpr QChar kListClose = u'}';
constexpr QChar kListSeparator = u',';

enum class Step { Match, Mismatch, Malformed };

// Whether the single-character token at pattern[position] takes c; next is set past the token.
// The tokens are a literal character, '?' and a bracketed set.
Step matchOne(QStringView pattern, qsizetype position, QChar c, qsizetype &next)
{
    const QChar token = pattern[position];
    if (token == kAnyOne) {
        next = position + 1;
        return Step::Match;
    }
    if (token != kSetOpen) {
        next = position + 1;
        return token == c ? Step::Match : Step::Mismatch;
    }
    qsizetype i = position + 1;
    const bool negated = i < pattern.size() && pattern[i] == kSetNegation;
    if (negated)
        ++i;
    const qsizetype close = pattern.indexOf(kSetClose, i);
    if (close < 0)
        return Step::Malformed;
    bool inSet = false;
    for (; i < close; ++i) {
        // A dash between two characters names a range; at either end of the set it is itself.
        if (i + 2 < close && pattern[i + 1] == kRangeDash) {
            inSet = inSet || (pattern[i] <= c && c <= pattern[i + 2]);
            i += 2;
        } else {
            inSet = inSet || pattern[i] == c;
        }
    }
    next = close + 1;
    return inSet != negated ? Step::Match : Step::Mismatch;
}

// One part without a '{' list: '*' backs up to its last position only, which is enough when
// every other token takes exactly one character, and keeps the work at parts' lengths multiplied.
bool matchFlatPart(QStringView pattern, QStringView address)
{
    qsizetype p = 0;
    qsizetype a = 0;
    qsizetype afterStar = -1;
    qsizetype starAddress = 0;
    while (a < address.size()) {
        if (p < pattern.size() && pattern[p] == kAnyRun) {
            afterStar = ++p;
            starAddress = a;
            continue;
        }
        if (p < pattern.size()) {
            qsizetype next = p;
            const Step step = matchOne(pattern, p, address[a], next);
            if (step == Step::Malformed)
                return false;
            if (step == Step::Match) {
                p = next;
                ++a;
                continue;
            }
        }
        if (afterStar < 0)
            return false;
        p = afterStar;
        a = ++starAddress;
    }
    while (p < pattern.size() && pattern[p] == kAnyRun)
        ++p;
    return p == pattern.size();
}

// One part holding a '{' list, whose choices differ in length: every choice is tried in turn.
bool matchListPart(QStringView pattern, qsizetype p, QStringView address, qsizetype a)
{
    while (p < pattern.size()) {
        const QChar token = pattern[p];
        if (token == kAnyRun) {
            while (p < pattern.size() && pattern[p] == kAnyRun)
                ++p;
            if (p == pattern.size())
                return true;
            for (qsizetype from = a; from <= address.size(); ++from) {
                if (matchListPart(pattern, p, address, from))
                    return true;
            }
            return false;
        }
        if (token == kListOpen) {
            const qsizetype close = pattern.indexOf(kListClose, p + 1);
            if (close < 0)
                return false;
            qsizetype choice = p + 1;
            while (choice <= close) {
                qsizetype end = pattern.indexOf(kListSeparator, choice);
                if (end < 0 || end > close)
                    end = close;
                const QStringView text = pattern.sliced(choice, end - choice);
                if (address.sliced(a).startsWith(text) && matchListPart(pattern, close + 1, address, a + text.size()))
                    return true;
                choice = end + 1;
            }
            return false;
        }
        if (a == address.size())
            return false;
        qsizetype next = p;
        if (matchOne(pattern, p, address[a], next) != Step::Match)
            return false;
        p = next;
        ++a;
    }
    return a == address.size();
}

bool matchPart(QStringView pattern, QStringView address)
{
    if (pattern.contains(kListOpen))
        return matchListPart(pattern, 0, address, 0);
    return matchFlatPart(pattern, address);
}

// The part of text that starts at from, up to the next separator or the end.
QStringView partAt(QStringView text, qsizetype from)
{
    const qsizetype end = text.indexOf(kSeparator, from);
    return text.sliced(from, (end < 0 ? text.size() : end) - from);
}

} // namespace

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
    // Part by part, so that no token ever reaches across a separator; a bracket or brace left
    // open at a separator leaves a malformed part, which matches nothing.
    qsizetype p = 0;
    qsizetype a = 0;
    for (;;) {
        const QStringView patternPart = partAt(pattern, p);
        const QStringView addressPart = partAt(address, a);
        if (!matchPart(patternPart, addressPart))
            return false;
        p += patternPart.size();
        a += addressPart.size();
        const bool patternEnds = p == pattern.size();
        if (patternEnds || a == address.size())
            return patternEnds && a == address.size();
        ++p;
        ++a;
    }
}

} // namespace OscAddressPattern
