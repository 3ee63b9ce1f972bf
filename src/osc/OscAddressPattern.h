#pragma once

#include <QStringView>

// OSC 1.0 address patterns, matched part by part: '*' any run of characters, '?' any one
// character, "[a-z]" and "[!a-z]" a character in or out of a set of characters and ranges,
// "{foo,bar}" any one of the listed strings. No pattern character ever matches the '/' that
// separates parts. Used wherever a pattern meets addresses: log filter, address table, controls.
namespace OscAddressPattern {

// True when the address holds any of the characters that make it a pattern: * ? [ ] { }
bool isPattern(QStringView address);

// True when the whole address matches the whole pattern. A malformed pattern (an unclosed
// bracket or brace) matches nothing.
bool matches(QStringView pattern, QStringView address);

} // namespace OscAddressPattern
