#include "controls/OscKnob.h"

#include "theme/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QWheelEvent>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

const QColor KnobAccent = Theme::Amber;
const QColor ArcTrackColor = Theme::Field;
const QColor DiscHighlight = Theme::RaisedHighlight;
const QColor DiscMiddle = Theme::Raised;
const QColor DiscEdge = Theme::Field;
const QColor DiscOutline = Theme::Border;
const QColor ValueTextColor = Theme::Text;

// Dial proportions, relative to the space left above the caption.
constexpr int ReservedHeight = 50;
constexpr int CaptionSpace = 25;
constexpr qreal RadiusFactor = 0.35;
constexpr qreal ArcWidthFactor = 0.18;
constexpr qreal DiscFactor = 0.7;
constexpr qreal DiscLightOffset = 0.15;
constexpr qreal PointerLengthFactor = 0.7;
constexpr qreal PointerWidth = 2.5;
constexpr qreal ValueTextOffset = 0.5;
constexpr int ValueTextHeight = 18;
constexpr int ValueDecimals = 3;

double limitedToUnit(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

}

OscKnob::OscKnob(QWidget *parent)
    : OscControl(ControlType::Knob, parent)
{
    setName(QStringLiteral("Knob"));
    setColor(KnobAccent);
}

double OscKnob::angleForValue(double v)
{
    return StartAngle + SweepAngle * v;
}

void OscKnob::setValue(double v)
{
    // A NaN from the network leaves the knob where it is.
    if (std::isnan(v))
        return;
    if (v > 1.0)
        m_value = 1.0;
    else if (v <= 0.0)
        m_value = 0.0;
    else
        m_value = v;
    update();
}

void OscKnob::mousePressEvent(QMouseEvent *event)
{
    if (editMode()) {
        OscControl::mousePressEvent(event);
        return;
    }
    setCursor(Qt::ClosedHandCursor);
    m_lastPos = ControlGeometry::roundedPoint(event->position());
}

void OscKnob::mouseMoveEvent(QMouseEvent *event)
{
    if (editMode()) {
        OscControl::mouseMoveEvent(event);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = ControlGeometry::roundedPoint(event->position());
    const int rise = m_lastPos.y() - pos.y();
    m_lastPos = pos;
    const double next = limitedToUnit(m_value + DragStep * rise);
    if (std::abs(next - m_value) > DragSendThreshold) {
        m_value = next;
        update();
        emit oscSendRequested(address(), m_value);
    }
}

void OscKnob::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (editMode())
        return;
    m_value = limitedToUnit(m_value + WheelStep * event->angleDelta().y());
    update();
    emit oscSendRequested(address(), m_value);
}

OscKnob::Dial OscKnob::dial() const
{
    const qreal side = std::min(width(), height() - ReservedHeight);
    return Dial{QPointF(width() / 2.0, (height() - CaptionSpace) / 2.0), RadiusFactor * side};
}

void OscKnob::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, backgroundColor());
    paintBorder(painter);

    const Dial d = dial();
    paintArc(painter, d, SweepAngle, ArcTrackColor);
    paintArc(painter, d, SweepAngle * m_value, color());
    paintInnerDisc(painter, d);
    paintPointer(painter, d);
    paintValueText(painter, d);

    paintCaption(painter);
    paintEditOverlay(painter);
}

void OscKnob::paintArc(QPainter &painter, const Dial &dial, double sweep, const QColor &color) const
{
    const QRectF bounds(dial.centre.x() - dial.radius, dial.centre.y() - dial.radius,
                        2 * dial.radius, 2 * dial.radius);
    QPainterPath arc;
    arc.arcMoveTo(bounds, StartAngle);
    arc.arcTo(bounds, StartAngle, sweep);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, ArcWidthFactor * dial.radius, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(arc);
}

void OscKnob::paintInnerDisc(QPainter &painter, const Dial &dial) const
{
    const qreal discRadius = DiscFactor * dial.radius;
    const QPointF light = dial.centre - QPointF(DiscLightOffset * discRadius, DiscLightOffset * discRadius);
    QRadialGradient gradient(light, discRadius);
    gradient.setColorAt(0.0, DiscHighlight);
    gradient.setColorAt(0.6, DiscMiddle);
    gradient.setColorAt(1.0, DiscEdge);
    painter.setPen(QPen(DiscOutline, 1));
    painter.setBrush(gradient);
    painter.drawEllipse(dial.centre, discRadius, discRadius);
}

void OscKnob::paintPointer(QPainter &painter, const Dial &dial) const
{
    const qreal length = PointerLengthFactor * DiscFactor * dial.radius;
    const qreal angle = qDegreesToRadians(angleForValue(m_value));
    const QPointF tip = dial.centre + QPointF(length * std::cos(angle), -length * std::sin(angle));
    painter.setPen(QPen(color(), PointerWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(dial.centre, tip);
}

void OscKnob::paintValueText(QPainter &painter, const Dial &dial) const
{
    painter.setFont(Theme::monoFont(zoomedPointSize(Theme::ValuePointSize), QFont::Bold));
    painter.setPen(ValueTextColor);
    painter.drawText(QRectF(dial.centre.x() - dial.radius, dial.centre.y() + ValueTextOffset * dial.radius,
                            2 * dial.radius, ValueTextHeight),
                     Qt::AlignHCenter, outputText(m_value, ValueDecimals));
}
