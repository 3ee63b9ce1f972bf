#include "setup/SetupFile.h"

#include "comm/CommunicationBase.h"
#include "setup/FieldReader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSaveFile>

#include <iterator>
#include <limits>

namespace {

const QString FormatName = QStringLiteral("lumeral-setup");

// The names files use for the enums, indexed by the enums' values.
const QStringList LanguageNames = {QStringLiteral("zh"), QStringLiteral("en")};
const QStringList ChartTypeNames = {QStringLiteral("line"), QStringLiteral("spline"), QStringLiteral("scatter"),
                                    QStringLiteral("area"), QStringLiteral("bar"), QStringLiteral("pie")};
const QStringList TransportNames = {QStringLiteral("udp"), QStringLiteral("tcpClient"), QStringLiteral("tcpServer")};
const QStringList FramingNames = {QStringLiteral("auto"), QStringLiteral("lengthPrefix"), QStringLiteral("slip")};
const QStringList ControlKindNames = {QStringLiteral("fader"), QStringLiteral("button"), QStringLiteral("knob"),
                                      QStringLiteral("label")};
const QStringList RuleKindNames = {QStringLiteral("jsonPath"), QStringLiteral("regexCapture"),
                                   QStringLiteral("indexedValue"), QStringLiteral("regexPresence"),
                                   QStringLiteral("oscArgument")};

template<typename Enum>
QString nameOf(Enum value, const QStringList &names)
{
    return names.at(int(value));
}

QString indexed(const QString &path, qsizetype index)
{
    return path + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
}

bool isColor(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    return pattern.match(text).hasMatch();
}

Setup::Control readControl(FieldReadState &state, const QJsonObject &object, const QString &path, int number)
{
    FieldReader reader(state, object, path);
    Setup::Control::Kind kind = Setup::Control::Kind::Fader;
    reader.name("kind", kind, ControlKindNames);
    Setup::Control control = Setup::Control::fresh(kind, number);
    reader.text("address", control.address);
    reader.text("caption", control.caption);
    reader.text("color", control.color);
    if (!state.failed() && !isColor(control.color))
        reader.fail("color", QStringLiteral("应为 #RRGGBB 颜色"), QStringLiteral("expected a #RRGGBB colour"));

    if (const auto placement = reader.object("placement")) {
        FieldReader place(state, *placement, reader.pathOf("placement"));
        double x = control.placement.x();
        double y = control.placement.y();
        double width = control.placement.width();
        double height = control.placement.height();
        place.number("x", x, 0.0, 1.0);
        place.number("y", y, 0.0, 1.0);
        place.number("width", width, 0.0, 1.0);
        place.number("height", height, 0.0, 1.0);
        if (!state.failed() && width <= 0.0)
            place.fail("width", QStringLiteral("须大于 0"), QStringLiteral("must be above 0"));
        if (!state.failed() && height <= 0.0)
            place.fail("height", QStringLiteral("须大于 0"), QStringLiteral("must be above 0"));
        place.finish();
        control.placement = QRectF(x, y, width, height);
    }
    if (const auto output = reader.object("output")) {
        FieldReader out(state, *output, reader.pathOf("output"));
        out.boolean("integer", control.outputInteger);
        out.number("low", control.outputLow, -Setup::Control::OutputLimit, Setup::Control::OutputLimit);
        out.number("high", control.outputHigh, -Setup::Control::OutputLimit, Setup::Control::OutputLimit);
        out.finish();
    }
    reader.finish();
    return control;
}

ChartRule readRule(FieldReadState &state, const QJsonObject &object, const QString &path)
{
    FieldReader reader(state, object, path);
    ChartRule rule;
    reader.nonEmptyText("name", rule.name);
    reader.nonEmptyText("expression", rule.expression);
    // A rule without a kind is taken as the chart page takes a typed-in one.
    rule.kind = classifyExpression(rule.expression);
    reader.name("kind", rule.kind, RuleKindNames);
    reader.finish();
    return rule;
}

template<typename Item, typename ReadItem>
void readArray(FieldReadState &state, FieldReader &parent, const char *key, QList<Item> &out, ReadItem readItem)
{
    const auto array = parent.array(key);
    if (!array)
        return;
    const QString path = parent.pathOf(key);
    for (qsizetype i = 0; i < array->size() && !state.failed(); ++i) {
        const QJsonValue item = array->at(i);
        if (!item.isObject()) {
            state.fail(indexed(path, i), QStringLiteral("应为对象"), QStringLiteral("expected an object"));
            return;
        }
        out.append(readItem(item.toObject(), indexed(path, i), int(i)));
    }
}

void readSetup(FieldReadState &state, const QJsonObject &root, Setup &setup)
{
    FieldReader reader(state, root, QString());
    QString format;
    reader.text("format", format);
    if (!state.failed() && format != FormatName)
        return reader.fail("format", QStringLiteral("不是 Lumeral 配置文件"), QStringLiteral("not a Lumeral setup file"));
    int version = 0;
    reader.integer("version", version, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (!state.failed() && version != SetupFile::Version) {
        const QString shown = root.contains(QStringLiteral("version")) ? QString::number(version) : QStringLiteral("?");
        return reader.fail("version", QStringLiteral("不支持的版本 ") + shown, QStringLiteral("unsupported version ") + shown);
    }

    if (const auto group = reader.object("connection")) {
        FieldReader connection(state, *group, reader.pathOf("connection"));
        connection.integer("localPort", setup.localPort, Setup::MinimumPort, Setup::MaximumPort);
        connection.boolean("bound", setup.bound);
        connection.text("targetHost", setup.targetHost);
        connection.integer("targetPort", setup.targetPort, Setup::MinimumPort, Setup::MaximumPort);
        connection.textChoice("encoding", setup.encoding, CommunicationBase::supportedEncodings());
        connection.name("transport", setup.transport, TransportNames);
        connection.name("framing", setup.framing, FramingNames);
        // Any name: interfaces come and go, and the window falls back to all of them.
        connection.text("interface", setup.networkInterface);
        // Any text, as the field takes it: the link says at the bind when it is not a group.
        connection.text("multicastGroup", setup.multicastGroup);
        connection.integer("multicastTtl", setup.multicastTtl, Setup::MinimumMulticastTtl, Setup::MaximumMulticastTtl);
        connection.finish();
    }
    if (const auto group = reader.object("display")) {
        FieldReader display(state, *group, reader.pathOf("display"));
        display.boolean("hex", setup.hexDisplay);
        display.boolean("timestamp", setup.showTimestamp);
        display.boolean("autoScroll", setup.autoScroll);
        display.integer("lineSpacing", setup.lineSpacing, Setup::MinimumLineSpacing, Setup::MaximumLineSpacing);
        display.integer("fontSize", setup.fontSize, Setup::MinimumFontSize, Setup::MaximumFontSize);
        display.finish();
    }
    if (const auto group = reader.object("send")) {
        FieldReader send(state, *group, reader.pathOf("send"));
        send.text("address", setup.sendAddress);
        send.text("typeTags", setup.sendTypeTags);
        if (!state.failed() && !Setup::isTagString(setup.sendTypeTags))
            send.fail("typeTags", QStringLiteral("不是类型标签"), QStringLiteral("not a type-tag string"));
        send.text("values", setup.sendValues);
        send.boolean("autoSend", setup.autoSend);
        send.integer("interval", setup.autoSendInterval, Setup::MinimumInterval, Setup::MaximumInterval);
        send.finish();
    }
    if (const auto group = reader.object("panel")) {
        FieldReader panel(state, *group, reader.pathOf("panel"));
        panel.number("zoom", setup.zoom, Setup::MinimumZoom, Setup::MaximumZoom);
        panel.integerChoice("grid", setup.gridSize, QList<int>(std::begin(Setup::GridSizes), std::end(Setup::GridSizes)));
        panel.finish();
    }
    readArray(state, reader, "controls", setup.controls,
              [&state](const QJsonObject &object, const QString &path, int index) {
                  return readControl(state, object, path, index + 1);
              });
    if (const auto group = reader.object("chart")) {
        FieldReader chart(state, *group, reader.pathOf("chart"));
        chart.name("type", setup.chartType, ChartTypeNames);
        chart.integer("timeWindow", setup.timeWindow, Setup::MinimumTimeWindow, Setup::MaximumTimeWindow);
        chart.finish();
    }
    readArray(state, reader, "rules", setup.rules,
              [&state](const QJsonObject &object, const QString &path, int) { return readRule(state, object, path); });
    if (const auto group = reader.object("logFilter")) {
        FieldReader filter(state, *group, reader.pathOf("logFilter"));
        filter.text("text", setup.filterText);
        filter.boolean("showRx", setup.showRx);
        filter.boolean("showTx", setup.showTx);
        filter.boolean("showSys", setup.showSys);
        filter.boolean("expandBundles", setup.expandBundles);
        filter.finish();
    }
    reader.name("language", setup.language, LanguageNames);
    reader.finish();
}

QJsonObject controlObject(const Setup::Control &control)
{
    const QRectF &place = control.placement;
    return QJsonObject{
        {QStringLiteral("kind"), nameOf(control.kind, ControlKindNames)},
        {QStringLiteral("address"), control.address},
        {QStringLiteral("caption"), control.caption},
        {QStringLiteral("color"), control.color},
        {QStringLiteral("placement"), QJsonObject{{QStringLiteral("x"), place.x()},
                                                  {QStringLiteral("y"), place.y()},
                                                  {QStringLiteral("width"), place.width()},
                                                  {QStringLiteral("height"), place.height()}}},
        {QStringLiteral("output"), QJsonObject{{QStringLiteral("integer"), control.outputInteger},
                                               {QStringLiteral("low"), control.outputLow},
                                               {QStringLiteral("high"), control.outputHigh}}},
    };
}

SetupProblem fileProblem(const QString &chinese, const QString &english)
{
    return SetupProblem{QString(), chinese, english};
}

}

QByteArray SetupFile::toJson(const Setup &setup)
{
    QJsonArray controls;
    for (const Setup::Control &control : setup.controls)
        controls.append(controlObject(control));
    QJsonArray rules;
    for (const ChartRule &rule : setup.rules) {
        rules.append(QJsonObject{{QStringLiteral("name"), rule.name},
                                 {QStringLiteral("kind"), nameOf(rule.kind, RuleKindNames)},
                                 {QStringLiteral("expression"), rule.expression}});
    }

    const QJsonObject body{
        {QStringLiteral("connection"), QJsonObject{{QStringLiteral("localPort"), setup.localPort},
                                                   {QStringLiteral("bound"), setup.bound},
                                                   {QStringLiteral("targetHost"), setup.targetHost},
                                                   {QStringLiteral("targetPort"), setup.targetPort},
                                                   {QStringLiteral("encoding"), setup.encoding},
                                                   {QStringLiteral("transport"), nameOf(setup.transport, TransportNames)},
                                                   {QStringLiteral("framing"), nameOf(setup.framing, FramingNames)},
                                                   {QStringLiteral("interface"), setup.networkInterface},
                                                   {QStringLiteral("multicastGroup"), setup.multicastGroup},
                                                   {QStringLiteral("multicastTtl"), setup.multicastTtl}}},
        {QStringLiteral("display"), QJsonObject{{QStringLiteral("hex"), setup.hexDisplay},
                                                {QStringLiteral("timestamp"), setup.showTimestamp},
                                                {QStringLiteral("autoScroll"), setup.autoScroll},
                                                {QStringLiteral("lineSpacing"), setup.lineSpacing},
                                                {QStringLiteral("fontSize"), setup.fontSize}}},
        {QStringLiteral("send"), QJsonObject{{QStringLiteral("address"), setup.sendAddress},
                                             {QStringLiteral("typeTags"), setup.sendTypeTags},
                                             {QStringLiteral("values"), setup.sendValues},
                                             {QStringLiteral("autoSend"), setup.autoSend},
                                             {QStringLiteral("interval"), setup.autoSendInterval}}},
        {QStringLiteral("panel"), QJsonObject{{QStringLiteral("zoom"), setup.zoom},
                                              {QStringLiteral("grid"), setup.gridSize}}},
        {QStringLiteral("controls"), controls},
        {QStringLiteral("chart"), QJsonObject{{QStringLiteral("type"), nameOf(setup.chartType, ChartTypeNames)},
                                              {QStringLiteral("timeWindow"), setup.timeWindow}}},
        {QStringLiteral("rules"), rules},
        {QStringLiteral("logFilter"), QJsonObject{{QStringLiteral("text"), setup.filterText},
                                                  {QStringLiteral("showRx"), setup.showRx},
                                                  {QStringLiteral("showTx"), setup.showTx},
                                                  {QStringLiteral("showSys"), setup.showSys},
                                                  {QStringLiteral("expandBundles"), setup.expandBundles}}},
        {QStringLiteral("language"), nameOf(setup.language, LanguageNames)},
    };
    // Qt writes an object's keys sorted; the format and the version go first, so that the file
    // says what it is in its first line, as its readers (and file-type sniffers) look for it.
    QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Indented);
    const QByteArray opening = "{\n";
    Q_ASSERT(json.startsWith(opening));
    json.replace(0, opening.size(), opening + "    \"format\": \"" + FormatName.toLatin1() + "\",\n    \"version\": "
                                        + QByteArray::number(Version) + ",\n");
    return json;
}

std::optional<Setup> SetupFile::fromJson(const QByteArray &json, SetupProblem *problem, QStringList *ignoredFields)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    FieldReadState state;
    if (document.isNull()) {
        const QString where = QString::number(parseError.offset);
        state.problem = fileProblem(QStringLiteral("不是 JSON (第 %1 字节: %2)").arg(where, parseError.errorString()),
                                    QStringLiteral("not JSON (byte %1: %2)").arg(where, parseError.errorString()));
    } else if (!document.isObject()) {
        state.problem = fileProblem(QStringLiteral("不是 JSON 对象"), QStringLiteral("not a JSON object"));
    }

    Setup setup;
    if (!state.failed())
        readSetup(state, document.object(), setup);
    if (state.failed()) {
        if (problem)
            *problem = *state.problem;
        return std::nullopt;
    }
    if (ignoredFields)
        *ignoredFields = state.ignored;
    return setup;
}

bool SetupFile::save(const QString &fileName, const Setup &setup, QString *error)
{
    QSaveFile file(fileName);
    const QByteArray json = toJson(setup);
    if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

std::optional<Setup> SetupFile::load(const QString &fileName, SetupProblem *problem, QStringList *ignoredFields)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (problem) {
            *problem = fileProblem(QStringLiteral("无法读取: ") + file.errorString(),
                                   QStringLiteral("cannot be read: ") + file.errorString());
        }
        return std::nullopt;
    }
    // Read one byte past the limit, so that a file that grows or reports no size is caught too.
    const QByteArray json = file.read(MaximumFileSize + 1);
    if (json.size() > MaximumFileSize) {
        if (problem) {
            *problem = fileProblem(QStringLiteral("文件超过 16 MiB, 不是配置文件"),
                                   QStringLiteral("larger than 16 MiB, not a setup file"));
        }
        return std::nullopt;
    }
    return fromJson(json, problem, ignoredFields);
}
