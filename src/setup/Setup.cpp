#include "setup/Setup.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

struct FreshControl {
    const char *addressStem;
    const char *captionStem;
    const char *color;
};

// Indexed by Setup::Control::Kind. The colours are the kinds' accents in theme/Theme.h:
// Cyan, Emerald, Amber and Violet.
const FreshControl FreshControls[] = {
    {"/1/fader", "Fader ", "#00D4FF"},
    {"/1/button", "Button ", "#10B981"},
    {"/1/knob", "Knob ", "#F59E0B"},
    {"/1/value", "Value ", "#8B5CF6"},
};

// The panel's first placement of a new control (OscControlPanel's NewControlWidth and Height).
const QRectF FirstPlacement(0.0, 0.0, 0.22, 0.35);

bool sameRule(const ChartRule &a, const ChartRule &b)
{
    return a.name == b.name && a.kind == b.kind && a.expression == b.expression;
}

}

bool Setup::isTagString(const QString &tags)
{
    static const QRegularExpression tagString(QStringLiteral("^,?[ihfdsScrmtbTFNI\\[\\]]*$"));
    return tagString.match(tags).hasMatch();
}

const QStringList &Setup::typeTagChoices()
{
    static const QStringList tags = {
        QStringLiteral(",i"), QStringLiteral(",f"), QStringLiteral(",s"), QStringLiteral(",T"),
        QStringLiteral(",F"), QStringLiteral(",N"), QStringLiteral(",if"), QStringLiteral(",sf"),
    };
    return tags;
}

Setup::Control Setup::Control::fresh(Kind kind, int number)
{
    const FreshControl &entry = FreshControls[int(kind)];
    Control control;
    control.kind = kind;
    control.address = QLatin1String(entry.addressStem) + QString::number(number);
    control.caption = QLatin1String(entry.captionStem) + QString::number(number);
    control.color = QLatin1String(entry.color);
    control.placement = FirstPlacement;
    return control;
}

bool Setup::Control::operator==(const Control &other) const
{
    return kind == other.kind && address == other.address && caption == other.caption
        && color == other.color && placement == other.placement
        && outputInteger == other.outputInteger && outputLow == other.outputLow
        && outputHigh == other.outputHigh;
}

bool Setup::operator==(const Setup &other) const
{
    return localPort == other.localPort && bound == other.bound && targetHost == other.targetHost
        && targetPort == other.targetPort && encoding == other.encoding
        && transport == other.transport && framing == other.framing
        && networkInterface == other.networkInterface && multicastGroup == other.multicastGroup
        && multicastTtl == other.multicastTtl
        && hexDisplay == other.hexDisplay && showTimestamp == other.showTimestamp
        && autoScroll == other.autoScroll && lineSpacing == other.lineSpacing
        && fontSize == other.fontSize && sendAddress == other.sendAddress
        && sendTypeTags == other.sendTypeTags && sendValues == other.sendValues
        && autoSend == other.autoSend && autoSendInterval == other.autoSendInterval
        && controls == other.controls && zoom == other.zoom && gridSize == other.gridSize
        && chartType == other.chartType
        && std::equal(rules.begin(), rules.end(), other.rules.begin(), other.rules.end(), sameRule)
        && timeWindow == other.timeWindow && filterText == other.filterText
        && showRx == other.showRx && showTx == other.showTx && showSys == other.showSys
        && expandBundles == other.expandBundles && language == other.language;
}
