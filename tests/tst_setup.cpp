#include "setup/SetupFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Setup files on disk: what is saved comes back whole, and a file that is wrong anywhere is
// refused as a whole, naming where.
class tst_Setup : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryField();
    void brokenFileNamesItsField_data();
    void brokenFileNamesItsField();
    void partialFileFillsInAndListsTheRest();
    void oversizedFileIsRefused();
    void failedSaveLeavesNoFile();

private:
    std::optional<Setup> read(const QByteArray &content, SetupProblem *problem = nullptr,
                              QStringList *ignored = nullptr);

    QTemporaryDir m_dir;
};

namespace {

// A file that is right up to the fields a test adds.
QByteArray withHeader(const char *fields)
{
    const QByteArray rest(fields);
    return R"({"format":"lumeral-setup","version":1)" + (rest.isEmpty() ? rest : ',' + rest) + '}';
}

}

std::optional<Setup> tst_Setup::read(const QByteArray &content, SetupProblem *problem, QStringList *ignored)
{
    QFile file(m_dir.filePath(QStringLiteral("test.lumeral")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write the fixture");
    file.close();
    return SetupFile::load(file.fileName(), problem, ignored);
}

void tst_Setup::roundTripKeepsEveryField()
{
    Setup rich;
    rich.localPort = 9100;
    rich.targetPort = 53001;
    rich.bound = rich.hexDisplay = rich.autoSend = true;
    rich.showTimestamp = rich.autoScroll = rich.showRx = rich.showTx = rich.showSys = rich.expandBundles = false;
    rich.targetHost = QStringLiteral("::1");
    rich.encoding = QStringLiteral("GBK");
    rich.transport = Setup::Transport::TcpClient;
    rich.framing = Setup::Framing::LengthPrefix;
    rich.networkInterface = QStringLiteral("eth7");
    rich.multicastGroup = QStringLiteral("ff02::1:3");
    rich.multicastTtl = 255;
    rich.lineSpacing = -3;
    rich.fontSize = 15;
    rich.sendAddress = QStringLiteral("/mix/曲目");
    rich.sendTypeTags = QStringLiteral(",sf");
    rich.sendValues = QStringLiteral("\"a b\" 0.25");
    rich.autoSendInterval = 250;
    Setup::Control fader = Setup::Control::fresh(Setup::Control::Kind::Fader, 1);
    fader.outputInteger = true;
    fader.outputLow = -100.0;
    fader.outputHigh = 2147483647.0;
    Setup::Control label = Setup::Control::fresh(Setup::Control::Kind::Label, 4);
    label.address = QStringLiteral("/meter/1");
    label.caption = QStringLiteral("电平");
    label.color = QStringLiteral("#abcdef");
    label.placement = QRectF(0.95, 0.1, 0.8, 0.0625);
    label.outputLow = 0.1;
    label.outputHigh = 1.0 / 3.0;
    rich.controls = {fader, label, Setup::Control::fresh(Setup::Control::Kind::Button, 3),
                     Setup::Control::fresh(Setup::Control::Kind::Knob, 2)};
    rich.zoom = 2.3;
    rich.gridSize = 40;
    rich.chartType = Setup::ChartType::Pie;
    rich.rules = {{QStringLiteral("temp"), RuleKind::RegexCapture, QStringLiteral("t=(\\d+)")},
                  {QStringLiteral("vol"), RuleKind::OscArgument, QStringLiteral("/mix/vol")},
                  {QStringLiteral("ch"), RuleKind::IndexedValue, QStringLiteral("2")}};
    rich.timeWindow = 600;
    rich.filterText = QStringLiteral("!/mix/{a,b}/*");
    rich.language = Setup::Language::English;

    const QString fileName = m_dir.filePath(QStringLiteral("rich.lumeral"));
    QString error;
    QVERIFY2(SetupFile::save(fileName, rich, &error), qPrintable(error));
    SetupProblem problem;
    QStringList ignored;
    const std::optional<Setup> loaded = SetupFile::load(fileName, &problem, &ignored);
    QVERIFY2(loaded, qPrintable(problem.field + QLatin1Char(' ') + problem.english));
    QVERIFY(*loaded == rich);
    QCOMPARE(SetupFile::toJson(*loaded), SetupFile::toJson(rich));
    QVERIFY(SetupFile::toJson(rich).startsWith("{\n    \"format\": \"lumeral-setup\",\n    \"version\": 1,\n"));
    QVERIFY(ignored.isEmpty());
    QVERIFY(rich != Setup());
}

void tst_Setup::brokenFileNamesItsField_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("field");

    QTest::newRow("not JSON") << QByteArray(R"({"format":)") << QString();
    QTest::newRow("not an object") << QByteArray("[1, 2]") << QString();
    QTest::newRow("other format") << QByteArray(R"({"format":"other","version":1})") << "format";
    QTest::newRow("no format") << QByteArray(R"({"version":1})") << "format";
    QTest::newRow("newer version") << QByteArray(R"({"format":"lumeral-setup","version":2})") << "version";
    QTest::newRow("version as text") << QByteArray(R"({"format":"lumeral-setup","version":"1"})") << "version";
    QTest::newRow("no version") << QByteArray(R"({"format":"lumeral-setup"})") << "version";
    QTest::newRow("group not an object") << withHeader(R"("connection":[])") << "connection";
    QTest::newRow("port as text") << withHeader(R"("connection":{"localPort":"9000"})") << "connection.localPort";
    QTest::newRow("port zero") << withHeader(R"("connection":{"localPort":0})") << "connection.localPort";
    QTest::newRow("port fraction") << withHeader(R"("connection":{"localPort":9000.5})") << "connection.localPort";
    QTest::newRow("target port high") << withHeader(R"("connection":{"targetPort":65536})") << "connection.targetPort";
    QTest::newRow("bound as number") << withHeader(R"("connection":{"bound":1})") << "connection.bound";
    QTest::newRow("host as number") << withHeader(R"("connection":{"targetHost":127})") << "connection.targetHost";
    QTest::newRow("unknown transport") << withHeader(R"("connection":{"transport":"tcp"})") << "connection.transport";
    QTest::newRow("transport by index") << withHeader(R"("connection":{"transport":2})") << "connection.transport";
    QTest::newRow("unknown framing") << withHeader(R"("connection":{"framing":"cobs"})") << "connection.framing";
    QTest::newRow("interface as number") << withHeader(R"("connection":{"interface":1})") << "connection.interface";
    QTest::newRow("group as list") << withHeader(R"("connection":{"multicastGroup":["239.0.0.1"]})") << "connection.multicastGroup";
    QTest::newRow("ttl zero") << withHeader(R"("connection":{"multicastTtl":0})") << "connection.multicastTtl";
    QTest::newRow("ttl high") << withHeader(R"("connection":{"multicastTtl":256})") << "connection.multicastTtl";
    QTest::newRow("unknown encoding") << withHeader(R"("connection":{"encoding":"EBCDIC"})") << "connection.encoding";
    QTest::newRow("line spacing low") << withHeader(R"("display":{"lineSpacing":-11})") << "display.lineSpacing";
    QTest::newRow("font size high") << withHeader(R"("display":{"fontSize":17})") << "display.fontSize";
    QTest::newRow("unknown type tags") << withHeader(R"("send":{"typeTags":",x"})") << "send.typeTags";
    QTest::newRow("interval low") << withHeader(R"("send":{"interval":9})") << "send.interval";
    QTest::newRow("zoom high") << withHeader(R"("panel":{"zoom":3.01})") << "panel.zoom";
    QTest::newRow("grid not offered") << withHeader(R"("panel":{"grid":15})") << "panel.grid";
    QTest::newRow("controls not a list") << withHeader(R"("controls":{})") << "controls";
    QTest::newRow("control not an object") << withHeader(R"("controls":[{},3])") << "controls[1]";
    QTest::newRow("unknown control kind") << withHeader(R"("controls":[{"kind":"slider"}])") << "controls[0].kind";
    QTest::newRow("address as number") << withHeader(R"("controls":[{},{},{"address":5}])") << "controls[2].address";
    QTest::newRow("colour by name") << withHeader(R"("controls":[{"color":"red"}])") << "controls[0].color";
    QTest::newRow("colour short") << withHeader(R"("controls":[{"color":"#FFF"}])") << "controls[0].color";
    QTest::newRow("placement outside") << withHeader(R"("controls":[{"placement":{"x":1.5}}])") << "controls[0].placement.x";
    QTest::newRow("placement no width") << withHeader(R"("controls":[{"placement":{"width":0}}])") << "controls[0].placement.width";
    QTest::newRow("placement negative height") << withHeader(R"("controls":[{"placement":{"height":-0.1}}])") << "controls[0].placement.height";
    QTest::newRow("output past int32") << withHeader(R"("controls":[{"output":{"high":3e9}}])") << "controls[0].output.high";
    QTest::newRow("output type as text") << withHeader(R"("controls":[{"output":{"integer":"yes"}}])") << "controls[0].output.integer";
    QTest::newRow("unknown chart type") << withHeader(R"("chart":{"type":"radar"})") << "chart.type";
    QTest::newRow("time window short") << withHeader(R"("chart":{"timeWindow":4})") << "chart.timeWindow";
    QTest::newRow("unknown rule kind") << withHeader(R"("rules":[{"name":"a","expression":"b","kind":"fuzzy"}])") << "rules[0].kind";
    QTest::newRow("rule without name") << withHeader(R"("rules":[{"name":"a","expression":"b"},{"expression":"c"}])") << "rules[1].name";
    QTest::newRow("filter flag as text") << withHeader(R"("logFilter":{"showSys":"no"})") << "logFilter.showSys";
    QTest::newRow("unknown language") << withHeader(R"("language":"fr")") << "language";
    QTest::newRow("late problem") << withHeader(R"("display":{"hex":true},"language":"fr")") << "language";
}

void tst_Setup::brokenFileNamesItsField()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, field);

    SetupProblem problem;
    QStringList ignored{QStringLiteral("stale")};
    QVERIFY(!read(content, &problem, &ignored));
    QCOMPARE(problem.field, field);
    QVERIFY(!problem.chinese.isEmpty());
    QVERIFY(!problem.english.isEmpty());
}

// Fields left out take a fresh start's values; fields this version does not know are listed.
void tst_Setup::partialFileFillsInAndListsTheRest()
{
    SetupProblem problem;
    QStringList ignored;
    const std::optional<Setup> loaded = read(withHeader(R"j("theme":"dark","display":{"fontSize":14,"zebra":1},
        "controls":[{"kind":"knob"},{"caption":"Master","glow":{"on":true}}],"rules":[{"name":"t","expression":"t=(\\d+)"}])j"),
                                             &problem, &ignored);
    QVERIFY2(loaded, qPrintable(problem.english));

    Setup expected;
    expected.fontSize = 14;
    Setup::Control master = Setup::Control::fresh(Setup::Control::Kind::Fader, 2);
    master.caption = QStringLiteral("Master");
    expected.controls = {Setup::Control::fresh(Setup::Control::Kind::Knob, 1), master};
    expected.rules = {{QStringLiteral("t"), RuleKind::RegexCapture, QStringLiteral("t=(\\d+)")}};
    QVERIFY(*loaded == expected);
    ignored.sort();
    QCOMPARE(ignored, QStringList({QStringLiteral("controls[1].glow"), QStringLiteral("display.zebra"), QStringLiteral("theme")}));
    QVERIFY(read(withHeader("")) == Setup());
}

void tst_Setup::oversizedFileIsRefused()
{
    // Well-formed, and a setup, but padded past the limit.
    QByteArray content = withHeader("");
    content.append(QByteArray(SetupFile::MaximumFileSize + 1 - content.size(), ' '));
    SetupProblem problem;
    QVERIFY(!read(content, &problem));
    QVERIFY(problem.field.isEmpty());
    QVERIFY(problem.english.contains(QStringLiteral("16 MiB")));
    content.chop(1);
    QVERIFY(read(content));
}

void tst_Setup::failedSaveLeavesNoFile()
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("missing/setup.lumeral"));
    QString error;
    QVERIFY(!SetupFile::save(fileName, Setup(), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());

    SetupProblem problem;
    QVERIFY(!SetupFile::load(fileName, &problem, nullptr));
    QVERIFY(problem.field.isEmpty());
    QVERIFY(!problem.english.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Setup)
#include "tst_setup.moc"
