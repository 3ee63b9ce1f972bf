#include "controls/OscButton.h"

#include "theme/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

const QColor ButtonAccent = Theme::Emerald;
const QColor ReleasedHighlight = Theme::RaisedLight;
const QColor ReleasedMiddle = Theme::Raised;
const QColor ReleasedEdge = Theme::Field;
const QColor PressedTextColor = Theme::Background;
const QColor ReleasedTextColor = Theme::MutedText;

// Disc proportions, relative to the space left above the caption.
constexpr int ReservedHeight = 40;
constexpr int CaptionSpace = 25;
constexpr qreal RadiusFactor = 0.32;
constexpr qreal GlowFactor = 1.6;
constexpr int GlowAlpha = 60;
constexpr qreal DiscLightOffset = 0.2;
constexpr int PressedLighter = 180;
constexpr int PressedDarker = 160;
constexpr int PressedOutlineWidth = 2;
constexpr int ReleasedOutlineWidth = 1;
constexpr int StateTextPointSize = 11;

}

OscButton::OscButton(QWidget *parent)
    : OscControl(ControlType::Button, parent)
{
    setName(QStringLiteral("Button"));
    setColor(ButtonAccent);
}

void OscButton::setValue(double v)
{
    // A NaN from the network says neither pressed nor released.
    if (std::isnan(v))
        return;
    const bool pressed = v > PressThreshold;
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    update();
}

void OscButton::mousePressEvent(QMouseEvent *event)
{
    if (editMode()) {
        OscControl::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    update();
    emit oscSendRequested(address(), PressedValue);
}

void OscButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (editMode()) {
        OscControl::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    update();
    emit oscSendRequested(address(), ReleasedValue);
}

OscButton::Disc OscButton::disc() const
{
    const qreal side = std::min(width(), height() - ReservedHeight);
    return Disc{QPointF(width() / 2.0, (height() - CaptionSpace) / 2.0), RadiusFactor * side};
}

void OscButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, backgroundColor(!m_pressed));
    paintBorder(painter);

    const Disc d = disc();
    if (m_pressed)
        paintGlow(painter, d);
    paintDisc(painter, d);
    paintStateText(painter, d);

    paintCaption(painter);
    paintEditOverlay(painter);
}

void OscButton::paintGlow(QPainter &painter, const Disc &disc) const
{
    const qreal glowRadius = GlowFactor * disc.radius;
    QColor glow = color();
    glow.setAlpha(GlowAlpha);
    QRadialGradient gradient(disc.centre, glowRadius);
    gradient.setColorAt(0.0, glow);
    gradient.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(disc.centre, glowRadius, glowRadius);
}

void OscButton::paintDisc(QPainter &painter, const Disc &disc) const
{
    const QPointF light = disc.centre - QPointF(DiscLightOffset * disc.radius, DiscLightOffset * disc.radius);
    QRadialGradient gradient(light, disc.radius);
    if (m_pressed) {
        gradient.setColorAt(0.0, color().lighter(PressedLighter));
        gradient.setColorAt(0.5, color());
        gradient.setColorAt(1.0, color().darker(PressedDarker));
    } else {
        gradient.setColorAt(0.0, ReleasedHighlight);
        gradient.setColorAt(0.7, ReleasedMiddle);
        gradient.setColorAt(1.0, ReleasedEdge);
    }
    painter.setPen(QPen(color(), m_pressed ? PressedOutlineWidth : ReleasedOutlineWidth));
    painter.setBrush(gradient);
    painter.drawEllipse(disc.centre, disc.radius, disc.radius);
}

void OscButton::paintStateText(QPainter &painter, const Disc &disc) const
{
    painter.setFont(Theme::uiFont(zoomedPointSize(StateTextPointSize), QFont::Bold));
    painter.setPen(m_pressed ? PressedTextColor : ReleasedTextColor);
    const QRect box(int(disc.centre.x() - disc.radius), int(disc.centre.y() - disc.radius),
                    int(2 * disc.radius), int(2 * disc.radius));
    painter.drawText(box, Qt::AlignCenter, m_pressed ? QStringLiteral("ON") : QStringLiteral("OFF"));
}
