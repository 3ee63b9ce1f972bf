#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// How a rule's expression is applied to one line of received text.
enum class RuleKind : qint32 {
    JsonPath = 0,      // dotted path into a JSON line: data.items.2.temp
    RegexCapture = 1,  // group 1 of the first match, or the whole match without groups
    IndexedValue = 2,  // v of the first "[n] = v" when its n equals the expression
    RegexPresence = 3, // 1.0 whenever the pattern matches
    OscArgument = 4    // first int32 or float32 argument of a message to the address in the expression
};

// One extraction rule: numbers found by it go to the series called `name`.
struct ChartRule
{
    QString name;
    RuleKind kind = RuleKind::JsonPath;
    QString expression;
};

// A new rule is a regular expression as soon as its expression holds a pattern
// metacharacter (the full stop excluded, so data.value stays a JSON path).
RuleKind classifyExpression(const QString &expression);

// Applies the rule to one line; absent when the line yields no number.
std::optional<double> extractValue(const QString &text, const ChartRule &rule);

// The address and first int32 or float32 argument of one rendered message line,
// "[sender:port] /address ,tags values" with the sender part optional.
struct OscLineNumber
{
    QString address;
    double value = 0.0;
};
std::optional<OscLineNumber> firstOscNumber(const QString &line);
