#include "controls/OscControl.h"

#include "controls/FreeCanvas.h"
#include "theme/Theme.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor DefaultAccent = Theme::Cyan;
const QRectF DefaultNormRect(0.0, 0.0, 0.25, 0.4);

const QColor BackgroundColor = Theme::Panel;
const QColor HoveredBackgroundColor = Theme::PanelHover;
const QColor EditBorderColor = Theme::Amber;
const QColor PlayBorderColor = Theme::Border;
const QColor SelectedBorderColor = Theme::Cyan;
const QColor CaptionColor = Theme::MutedText;
constexpr int FrameInset = 2;
constexpr qreal FrameRadius = 8;
constexpr int SelectedBorderWidth = 2;
constexpr int CaptionBottomOffset = 24;
constexpr int CaptionHeight = 16;
// Keeps an elided caption off the frame.
constexpr int CaptionInset = 4;

constexpr int ShadowBlurRadius = 12;
constexpr int ShadowOffsetY = 2;
constexpr int ShadowAlpha = 80;

// Edit overlay: handle pills, the corner grip and its dots.
const QColor HandleHighlight = Theme::Cyan;
constexpr int PillThickness = 6;
constexpr int PillLength = 30;
constexpr int PillEdgeOffset = 9;
constexpr qreal PillRadius = 3;
constexpr int PillAlpha = 35;
constexpr int PillHighlightAlpha = 60;
constexpr qreal PillDotDiameter = 4;
constexpr qreal PillDotSpacing = 5;
constexpr int PillDotAlpha = 100;
constexpr int PillDotHighlightAlpha = 200;
constexpr int GripSize = 22;
constexpr int GripAlpha = 30;
constexpr int GripHighlightAlpha = 65;
constexpr qreal GripDotDiameter = 5;
constexpr int GripDotOffsets[] = {9, 15, 21};
constexpr int GripDotAlpha = 90;
constexpr int GripDotHighlightAlpha = 180;

// Pixel size shown while resizing.
constexpr int ReadoutBottomOffset = 40;
constexpr int ReadoutHeight = 18;
constexpr int ReadoutAlpha = 160;

Qt::CursorShape cursorFor(ResizeHandle handle)
{
    switch (handle) {
    case ResizeHandle::Corner:
        return Qt::SizeFDiagCursor;
    case ResizeHandle::Right:
        return Qt::SizeHorCursor;
    case ResizeHandle::Bottom:
        return Qt::SizeVerCursor;
    case ResizeHandle::None:
        break;
    }
    return Qt::SizeAllCursor;
}

}

OscControl::OscControl(ControlType type, QWidget *parent)
    : QWidget(parent)
    , m_type(type)
    , m_color(DefaultAccent)
    , m_name(QStringLiteral("OSC"))
    , m_normRect(DefaultNormRect)
{
    setMinimumSize(MinimumWidth, MinimumHeight);
    setAttribute(Qt::WA_MouseTracking);

    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(ShadowBlurRadius);
    shadow->setOffset(0, ShadowOffsetY);
    shadow->setColor(Theme::withAlpha(Theme::Shadow, ShadowAlpha));
    setGraphicsEffect(shadow);
}

void OscControl::setOutputRange(double low, double high)
{
    m_outputLow = low;
    m_outputHigh = high;
}

double OscControl::outputFor(double position) const
{
    return m_outputLow + position * (m_outputHigh - m_outputLow);
}

QString OscControl::outputText(double position, int decimals) const
{
    const double output = outputFor(position);
    return m_outputInteger ? QString::number(qRound64(output)) : QString::number(output, 'f', decimals);
}

double OscControl::positionFor(double received) const
{
    // A range of one value has no positions between its ends: that value or beyond is the top.
    if (m_outputHigh == m_outputLow)
        return std::isnan(received) ? received : double(received >= m_outputHigh);
    return (received - m_outputLow) / (m_outputHigh - m_outputLow);
}

void OscControl::setEditMode(bool on)
{
    m_editMode = on;
    if (!on)
        setCursor(m_type == ControlType::Label ? Qt::ArrowCursor : Qt::PointingHandCursor);
    update();
}

void OscControl::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void OscControl::mousePressEvent(QMouseEvent *event)
{
    if (!m_editMode) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;

    m_pressPos = ControlGeometry::roundedPoint(event->globalPosition());
    m_startRect = m_normRect;
    const ResizeHandle handle = ControlGeometry::handleAt(
        ControlGeometry::roundedPoint(event->position()), size());
    m_resizing = handle != ResizeHandle::None;
    if (m_resizing) {
        m_resizeHandle = handle;
        update();
    } else {
        emit controlClicked(this);
    }
}

void OscControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_resizing) {
        m_resizing = false;
        update();
    }
    QWidget::mouseReleaseEvent(event);
}

void OscControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_editMode && event->button() == Qt::LeftButton) {
        emit controlDoubleClicked(this);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void OscControl::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_editMode) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (event->buttons() & Qt::LeftButton)
        dragTo(ControlGeometry::roundedPoint(event->globalPosition()), event->modifiers());
    else
        hoverAt(ControlGeometry::roundedPoint(event->position()));
}

void OscControl::hoverAt(const QPoint &pos)
{
    const ResizeHandle handle = ControlGeometry::handleAt(pos, size());
    if (handle == m_hoverHandle)
        return;
    m_hoverHandle = handle;
    setCursor(cursorFor(handle));
    update();
}

void OscControl::dragTo(const QPoint &globalPos, Qt::KeyboardModifiers modifiers)
{
    // Placement is in fractions of the parent, so a control with none cannot be dragged.
    const QWidget *parent = parentWidget();
    if (!parent)
        return;
    const auto *canvas = qobject_cast<const FreeCanvas *>(parent);
    const QSizeF extent = canvas ? canvas->layoutExtent() : QSizeF(parent->size());
    const double canvasWidth = extent.width();
    const double canvasHeight = extent.height();
    if (canvasWidth <= ControlGeometry::MaxIgnoredCanvasExtent
        || canvasHeight <= ControlGeometry::MaxIgnoredCanvasExtent)
        return;

    const QPointF delta((globalPos.x() - m_pressPos.x()) / canvasWidth,
                        (globalPos.y() - m_pressPos.y()) / canvasHeight);
    const bool snapping = !(modifiers & Qt::ShiftModifier) && m_snapGrid > 0;
    const QSizeF snapStep = snapping ? QSizeF(m_snapGrid / canvasWidth, m_snapGrid / canvasHeight) : QSizeF(0, 0);

    m_normRect = m_resizing
        ? ControlGeometry::resizedRect(m_startRect, delta, m_resizeHandle, snapStep)
        : ControlGeometry::movedRect(m_startRect, delta, snapStep);
    emit placementChanged();
}

void OscControl::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void OscControl::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}

QColor OscControl::backgroundColor(bool showHover) const
{
    return m_hovered && showHover ? HoveredBackgroundColor : BackgroundColor;
}

void OscControl::paintBackground(QPainter &painter, const QColor &fill) const
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect().adjusted(FrameInset, FrameInset, -FrameInset, -FrameInset),
                            FrameRadius, FrameRadius);
}

void OscControl::paintBorder(QPainter &painter) const
{
    QPen pen(PlayBorderColor, 1);
    if (m_editMode)
        pen = m_selected ? QPen(SelectedBorderColor, SelectedBorderWidth) : QPen(EditBorderColor, 1);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect().adjusted(FrameInset, FrameInset, -FrameInset, -FrameInset),
                            FrameRadius, FrameRadius);
}

int OscControl::zoomedPointSize(int points) const
{
    return std::max(SmallestTextPointSize, qRound(points * std::min(m_zoom, 1.0)));
}

QString OscControl::shownCaption() const
{
    const QFontMetrics metrics(Theme::uiFont(zoomedPointSize(Theme::CaptionPointSize)));
    return metrics.elidedText(m_name, Qt::ElideRight, width() - 2 * CaptionInset);
}

void OscControl::paintCaption(QPainter &painter) const
{
    painter.setPen(CaptionColor);
    painter.setFont(Theme::uiFont(zoomedPointSize(Theme::CaptionPointSize)));
    painter.drawText(QRect(0, height() - CaptionBottomOffset, width(), CaptionHeight),
                     Qt::AlignHCenter, shownCaption());
}

void OscControl::paintEditOverlay(QPainter &painter)
{
    if (!m_editMode)
        return;
    const int w = width();
    const int h = height();

    drawHandlePill(painter, w - PillEdgeOffset, h / 2 - PillLength / 2, PillThickness, PillLength,
                   m_hoverHandle == ResizeHandle::Right);
    drawHandlePill(painter, w / 2 - PillLength / 2, h - PillEdgeOffset, PillLength, PillThickness,
                   m_hoverHandle == ResizeHandle::Bottom);

    const bool cornerLit = m_hoverHandle == ResizeHandle::Corner;
    QPainterPath grip;
    grip.moveTo(w, h);
    grip.lineTo(w, h - GripSize);
    grip.lineTo(w - GripSize, h);
    grip.closeSubpath();
    painter.fillPath(grip, cornerLit ? Theme::withAlpha(HandleHighlight, GripHighlightAlpha)
                                     : Theme::withAlpha(Theme::Overlay, GripAlpha));

    painter.setPen(Qt::NoPen);
    painter.setBrush(
        Theme::withAlpha(Theme::Overlay, cornerLit ? GripDotHighlightAlpha : GripDotAlpha));
    for (int offset : GripDotOffsets)
        painter.drawEllipse(QPointF(w - offset, h - offset), GripDotDiameter / 2, GripDotDiameter / 2);

    if (m_resizing)
        paintSizeReadout(painter);
}

void OscControl::paintSizeReadout(QPainter &painter) const
{
    painter.setFont(Theme::monoFont(zoomedPointSize(Theme::ValuePointSize), QFont::Bold));
    painter.setPen(Theme::withAlpha(Theme::Overlay, ReadoutAlpha));
    painter.drawText(QRect(0, height() - ReadoutBottomOffset, width(), ReadoutHeight),
                     Qt::AlignHCenter,
                     QStringLiteral("%1×%2").arg(width()).arg(height()));
}

void OscControl::drawHandlePill(QPainter &painter, int x, int y, int width, int height,
                                bool highlighted)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(highlighted ? Theme::withAlpha(HandleHighlight, PillHighlightAlpha)
                                 : Theme::withAlpha(Theme::Overlay, PillAlpha));
    painter.drawRoundedRect(QRectF(x, y, width, height), PillRadius, PillRadius);

    painter.setBrush(
        Theme::withAlpha(Theme::Overlay, highlighted ? PillDotHighlightAlpha : PillDotAlpha));
    const QPointF centre(x + width / 2.0, y + height / 2.0);
    const QPointF step = width > height ? QPointF(PillDotSpacing, 0) : QPointF(0, PillDotSpacing);
    for (int i = -1; i <= 1; ++i)
        painter.drawEllipse(centre + i * step, PillDotDiameter / 2, PillDotDiameter / 2);
}
