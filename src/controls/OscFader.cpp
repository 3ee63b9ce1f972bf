#include "controls/OscFader.h"

#include "theme/Theme.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

const QColor FaderAccent = Theme::Cyan;
const QColor TrackColor = Theme::Sunken;
const QColor ValueTextColor = Theme::Text;
constexpr qreal TrackWidth = 6;
constexpr qreal TrackRadius = 3;
constexpr int FillLighter = 120;
constexpr int FillDarker = 120;
constexpr qreal HandleWidth = 22;
constexpr qreal HandleHeight = 20;
constexpr qreal HandleRadius = 4;
constexpr int HandleLighter = 150;
constexpr int HandleDarker = 150;
constexpr int HandleOutlineDarker = 200;
constexpr int ValueTextTop = 8;
constexpr int ValueTextHeight = 18;
constexpr int ValueDecimals = 3;

}

OscFader::OscFader(QWidget *parent)
    : OscControl(ControlType::Fader, parent)
{
    setName(QStringLiteral("Fader"));
    setColor(FaderAccent);
}

double OscFader::yToValue(double y, int h, double min, double max)
{
    const double t = (y - TrackTop) / (h - TrackTop - TrackBottomMargin);
    double fraction = 1.0 - t;
    if (t > 1.0)
        fraction = 0.0;
    else if (t <= 0.0)
        fraction = 1.0;
    return min + (max - min) * fraction;
}

double OscFader::valueToY(double v, int h, double min, double max)
{
    return (1.0 - (v - min) / (max - min)) * (h - TrackTop - TrackBottomMargin) + TrackTop;
}

void OscFader::setValue(double v)
{
    // A NaN from the network would never compare as different again and freeze the fader.
    if (std::isnan(v))
        return;
    if (v > m_max)
        v = m_max;
    if (v < m_min)
        v = m_min;
    m_value = v;
    update();
}

double OscFader::valueAt(const QPointF &pos) const
{
    return yToValue(ControlGeometry::roundHalfAway(pos.y()), height(), m_min, m_max);
}

void OscFader::mousePressEvent(QMouseEvent *event)
{
    if (editMode()) {
        OscControl::mousePressEvent(event);
        return;
    }
    setCursor(Qt::ClosedHandCursor);
    setValue(valueAt(event->position()));
    emit oscSendRequested(address(), m_value);
}

void OscFader::mouseMoveEvent(QMouseEvent *event)
{
    if (editMode()) {
        OscControl::mouseMoveEvent(event);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const double v = valueAt(event->position());
    if (std::abs(v - m_value) > DragSendThreshold) {
        setValue(v);
        emit oscSendRequested(address(), m_value);
    }
}

void OscFader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, backgroundColor());
    paintBorder(painter);

    const qreal centreX = width() / 2.0;
    const qreal handleY = valueToY(m_value, height(), m_min, m_max);
    paintTrack(painter, centreX);
    paintFill(painter, centreX, handleY);
    paintHandle(painter, centreX, handleY);
    paintValueText(painter);

    paintCaption(painter);
    paintEditOverlay(painter);
}

void OscFader::paintTrack(QPainter &painter, qreal centreX) const
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(TrackColor);
    painter.drawRoundedRect(QRectF(centreX - TrackWidth / 2, TrackTop, TrackWidth,
                                   height() - TrackTop - TrackBottomMargin),
                            TrackRadius, TrackRadius);
}

void OscFader::paintFill(QPainter &painter, qreal centreX, qreal handleY) const
{
    const qreal trackBottom = height() - TrackBottomMargin;
    if (trackBottom <= handleY)
        return;
    QLinearGradient gradient(0, handleY, 0, trackBottom);
    gradient.setColorAt(0.0, color().lighter(FillLighter));
    gradient.setColorAt(1.0, color().darker(FillDarker));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(centreX - TrackWidth / 2, handleY, TrackWidth, trackBottom - handleY),
                            TrackRadius, TrackRadius);
}

void OscFader::paintHandle(QPainter &painter, qreal centreX, qreal handleY) const
{
    const QRectF handle(centreX - HandleWidth / 2, handleY - HandleHeight / 2, HandleWidth, HandleHeight);
    QLinearGradient gradient(0, handle.top(), 0, handle.top() + HandleHeight);
    gradient.setColorAt(0.0, color().lighter(HandleLighter));
    gradient.setColorAt(0.5, color());
    gradient.setColorAt(1.0, color().darker(HandleDarker));
    painter.setPen(QPen(color().darker(HandleOutlineDarker), 1));
    painter.setBrush(gradient);
    painter.drawRoundedRect(handle, HandleRadius, HandleRadius);
}

void OscFader::paintValueText(QPainter &painter) const
{
    painter.setFont(Theme::monoFont(zoomedPointSize(Theme::ValuePointSize), QFont::Bold));
    painter.setPen(ValueTextColor);
    painter.drawText(QRect(0, ValueTextTop, width(), ValueTextHeight), Qt::AlignHCenter,
                     outputText(m_value, ValueDecimals));
}
