#include "charts/ChartRule.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>

#include <cmath>

namespace {

// Rules run on every received line, so each distinct pattern is compiled once and
// kept; the bound keeps a stream of ever-new expressions from growing it without end.
constexpr qsizetype MaxCachedPatterns = 256;

QRegularExpression compiledPattern(const QString &expression)
{
    thread_local QHash<QString, QRegularExpression> cache;
    const auto found = cache.constFind(expression);
    if (found != cache.constEnd())
        return found.value();
    if (cache.size() >= MaxCachedPatterns)
        cache.clear();
    QRegularExpression pattern(expression);
    pattern.optimize();
    cache.insert(expression, pattern);
    return pattern;
}

const QRegularExpression &indexedValuePattern()
{
    static const QRegularExpression pattern(QStringLiteral("\\[(\\d+)\\]\\s*=\\s*([\\d.\\-]+)"));
    return pattern;
}

std::optional<double> toNumber(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> jsonScalar(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return value.toDouble();
    case QJsonValue::Bool:
        return value.toBool() ? 1.0 : 0.0;
    case QJsonValue::String:
        return toNumber(value.toString());
    default:
        return std::nullopt;
    }
}

std::optional<double> extractJsonPath(const QString &text, const QString &path)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || (trimmed.front() != QLatin1Char('{') && trimmed.front() != QLatin1Char('[')))
        return std::nullopt;

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(trimmed.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;

    QJsonValue current = document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    const QStringList keys = path.split(QLatin1Char('.'));
    for (const QString &key : keys) {
        if (current.isObject()) {
            const QJsonObject object = current.toObject();
            const auto member = object.constFind(key);
            if (member != object.constEnd()) {
                current = member.value();
                continue;
            }
        }
        if (!current.isArray())
            return std::nullopt;
        const QJsonArray array = current.toArray();
        bool ok = false;
        const int index = key.toInt(&ok, 10);
        if (!ok || index < 0 || index >= array.size())
            return std::nullopt;
        current = array.at(index);
    }
    return jsonScalar(current);
}

std::optional<double> extractCapture(const QString &text, const QString &expression)
{
    const QRegularExpression pattern = compiledPattern(expression);
    if (!pattern.isValid())
        return std::nullopt;
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    // A pattern whose groups all stayed out of the match yields the whole match.
    return toNumber(match.lastCapturedIndex() == 0 ? match.captured(0) : match.captured(1));
}

std::optional<double> extractIndexed(const QString &text, const QString &expression)
{
    bool ok = false;
    const int wanted = expression.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    // Only the first "[n] = v" of a line counts, even when a later one has the wanted index.
    const QRegularExpressionMatch match = indexedValuePattern().match(text);
    if (!match.hasMatch())
        return std::nullopt;
    if (match.captured(1).toInt() != wanted)
        return std::nullopt;
    return toNumber(match.captured(2));
}

std::optional<double> extractPresence(const QString &text, const QString &expression)
{
    const QRegularExpression pattern = compiledPattern(expression);
    if (!pattern.isValid() || !pattern.match(text).hasMatch())
        return std::nullopt;
    return 1.0;
}

std::optional<double> extractOscArgument(const QString &text, const QString &address)
{
    const std::optional<OscLineNumber> found = firstOscNumber(text);
    if (!found || found->address != address)
        return std::nullopt;
    return found->value;
}

// Walks the rendered arguments beside their type tags: strings are quoted and may hold
// blanks, True/False/Nil take one word, unknown tags print nothing.
std::optional<double> firstNumber(const QString &tags, QStringView arguments)
{
    for (const QChar tag : QStringView(tags).mid(1)) {
        arguments = arguments.trimmed();
        if (arguments.isEmpty())
            return std::nullopt;
        const char kind = tag.toLatin1();
        if (kind == 's' || kind == 'S') {
            const qsizetype close = arguments.indexOf(QLatin1String("\" "), 1);
            arguments = close < 0 ? QStringView() : arguments.mid(close + 1);
            continue;
        }
        if (kind != 'i' && kind != 'f' && kind != 'T' && kind != 'F' && kind != 'N')
            continue;
        const qsizetype blank = arguments.indexOf(QLatin1Char(' '));
        const QStringView word = blank < 0 ? arguments : arguments.left(blank);
        arguments = blank < 0 ? QStringView() : arguments.mid(blank);
        if (kind == 'i' || kind == 'f') {
            bool ok = false;
            const double value = word.toDouble(&ok);
            if (ok && std::isfinite(value))
                return value;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<OscLineNumber> firstOscNumber(const QString &text)
{
    static const QRegularExpression senderPrefix(QStringLiteral("^\\[[^\\]]*\\]\\s+"));
    QStringView rest(text);
    const QRegularExpressionMatch sender = senderPrefix.match(text);
    if (sender.hasMatch())
        rest = rest.mid(sender.capturedLength());

    const qsizetype addressEnd = rest.indexOf(QLatin1Char(' '));
    if (addressEnd <= 0 || !rest.startsWith(QLatin1Char('/')))
        return std::nullopt;
    const QStringView address = rest.left(addressEnd);
    rest = rest.mid(addressEnd + 1);

    const qsizetype tagsEnd = rest.indexOf(QLatin1Char(' '));
    const QStringView tags = tagsEnd < 0 ? rest : rest.left(tagsEnd);
    if (!tags.startsWith(QLatin1Char(',')))
        return std::nullopt;
    const std::optional<double> value =
        firstNumber(tags.toString(), tagsEnd < 0 ? QStringView() : rest.mid(tagsEnd + 1));
    if (!value)
        return std::nullopt;
    return OscLineNumber { address.toString(), *value };
}

RuleKind classifyExpression(const QString &expression)
{
    static const QRegularExpression metacharacters(QStringLiteral("[\\\\\\[\\]\\(\\)\\|\\*\\+\\?\\^\\$\\{\\}]"));
    return expression.contains(metacharacters) ? RuleKind::RegexCapture : RuleKind::JsonPath;
}

std::optional<double> extractValue(const QString &text, const ChartRule &rule)
{
    if (text.isEmpty())
        return std::nullopt;
    switch (rule.kind) {
    case RuleKind::JsonPath:
        return extractJsonPath(text, rule.expression);
    case RuleKind::RegexCapture:
        return extractCapture(text, rule.expression);
    case RuleKind::IndexedValue:
        return extractIndexed(text, rule.expression);
    case RuleKind::RegexPresence:
        return extractPresence(text, rule.expression);
    case RuleKind::OscArgument:
        return extractOscArgument(text, rule.expression);
    }
    return std::nullopt;
}
