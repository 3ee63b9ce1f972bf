#include "charts/ChartRule.h"

#include <QtTest>

class TestChartRules : public QObject
{
    Q_OBJECT

private slots:
    void extractValue_data()
    {
        QTest::addColumn<RuleKind>("kind");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("line");
        QTest::addColumn<std::optional<double>>("expected");

        const std::optional<double> none;
        using K = RuleKind;
        QTest::newRow("empty line never matches") << K::RegexPresence << ".*" << "" << none;
        QTest::newRow("json number") << K::JsonPath << "t" << R"({"t": 21.5})" << std::optional(21.5);
        QTest::newRow("json numeric string") << K::JsonPath << "t" << R"({"t": "21.5"})" << std::optional(21.5);
        QTest::newRow("json true") << K::JsonPath << "t" << R"({"t": true})" << std::optional(1.0);
        QTest::newRow("missing key") << K::JsonPath << "b" << R"({"a": 3})" << none;
        QTest::newRow("nested array index") << K::JsonPath << "d.i.1" << R"({"d": {"i": [3, 4]}})" << std::optional(4.0);
        QTest::newRow("index beyond 32 bits") << K::JsonPath << "a.4294967296" << R"({"a": [1]})" << none;
        QTest::newRow("root array") << K::JsonPath << "0.v" << R"([{"v": 7}])" << std::optional(7.0);
        QTest::newRow("digit key of an object") << K::JsonPath << "list.0" << R"({"list": {"0": 9}})" << std::optional(9.0);
        QTest::newRow("empty key that exists") << K::JsonPath << "a..b" << R"({"a": {"": {"b": 5}}})" << std::optional(5.0);
        QTest::newRow("capture first match only") << K::RegexCapture << "t=(\\d+)" << "t=12 t=34" << std::optional(12.0);
        QTest::newRow("capture whole match") << K::RegexCapture << "\\d+" << "abc 42" << std::optional(42.0);
        QTest::newRow("group 1 left out") << K::RegexCapture << "(x)?(\\d+)" << "5" << none;
        QTest::newRow("indexed negative") << K::IndexedValue << "1" << "[1] = -3.5" << std::optional(-3.5);
        QTest::newRow("indexed, first pair has other index") << K::IndexedValue << "1" << "[0] = 1 [1] = 2" << none;
        QTest::newRow("indexed, malformed value") << K::IndexedValue << "1" << "[1] = 1.2.3" << none;
        QTest::newRow("presence") << K::RegexPresence << "ERROR" << "ERROR 5" << std::optional(1.0);
        QTest::newRow("invalid presence pattern") << K::RegexPresence << "[" << "[" << none;
    }

    void extractValue()
    {
        QFETCH(RuleKind, kind);
        QFETCH(QString, expression);
        QFETCH(QString, line);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(::extractValue(line, ChartRule { QStringLiteral("r"), kind, expression }), expected);
    }

    void classifyExpression()
    {
        QCOMPARE(::classifyExpression(QStringLiteral("data.value")), RuleKind::JsonPath);
        for (const QChar c : QStringLiteral("\\[]()|*+?^${}"))
            QVERIFY2(::classifyExpression(QStringLiteral("a") + c) == RuleKind::RegexCapture, qPrintable(QString(c)));
    }

    void patternCacheKeepsEachExpressionApart()
    {
        // More distinct patterns than the cache holds, each with its own result.
        for (int i = 0; i < 300; ++i) {
            const ChartRule rule { QStringLiteral("r"), RuleKind::RegexCapture, QStringLiteral("n%1=(\\d+)").arg(i) };
            QCOMPARE(::extractValue(QStringLiteral("n%1=%2 n0=7").arg(i).arg(i * 2), rule), std::optional(i * 2.0));
        }
    }
};

QTEST_GUILESS_MAIN(TestChartRules)
#include "tst_chartrules.moc"
