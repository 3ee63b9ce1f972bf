// Extraction rules are typed by the user and run against every received line: no pattern,
// path or line may crash them, and a value they find is a number.
#include "FuzzCheck.h"
#include "charts/ChartRule.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr size_t MaxExpressionLength = 48;
constexpr int LastRuleKind = int(RuleKind::RegexPresence);

QString utf8(const std::string &bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    ChartRule rule;
    rule.name = QStringLiteral("fuzz");
    rule.kind = RuleKind(input.ConsumeIntegralInRange<int>(0, LastRuleKind));
    rule.expression = utf8(input.ConsumeRandomLengthString(MaxExpressionLength));
    const QString line = utf8(input.ConsumeRemainingBytesAsString());

    const RuleKind classified = classifyExpression(rule.expression);
    FUZZ_CHECK(classified == RuleKind::JsonPath || classified == RuleKind::RegexCapture);

    const std::optional<double> value = extractValue(line, rule);
    if (value && rule.kind == RuleKind::RegexPresence)
        FUZZ_CHECK(*value == 1.0);
    return 0;
}
