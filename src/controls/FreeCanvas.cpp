#include "controls/FreeCanvas.h"

#include "controls/ControlGeometry.h"
#include "controls/OscControl.h"
#include "theme/Theme.h"

#include <QList>
#include <QPainter>
#include <QPointF>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int MinimumWidth = 400;
constexpr int MinimumHeight = 300;
const QString CanvasStyle = QStringLiteral("background: transparent;");

// Grid dots: the minor step when snapping is off, and how often a brighter major dot appears.
constexpr int UnsnappedDotStep = 20;
constexpr int MajorDotEvery = 5;
constexpr int MinorDotAlphaGridOn = 15;
constexpr int MinorDotAlphaGridOff = 6;
constexpr int MajorDotAlpha = 25;

}

FreeCanvas::FreeCanvas(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(MinimumWidth, MinimumHeight);
    setStyleSheet(CanvasStyle);
    setAttribute(Qt::WA_MouseTracking);
}

void FreeCanvas::setControlScale(double s)
{
    if (s > MaxScale)
        s = MaxScale;
    if (s <= MinScale)
        s = MinScale;
    m_scale = s;
    applyMinimumSize();
    relayoutControls();
    emit controlScaleChanged(m_scale);
}

void FreeCanvas::setViewSize(const QSize &view)
{
    m_viewSize = view;
    applyMinimumSize();
}

void FreeCanvas::applyMinimumSize()
{
    const QSize unzoomed = m_viewSize.expandedTo(QSize(MinimumWidth, MinimumHeight));
    setMinimumSize(m_scale > 1.0 ? unzoomed * m_scale : QSize(MinimumWidth, MinimumHeight));
}

QSizeF FreeCanvas::layoutExtent() const
{
    return QSizeF(size()) * std::min(m_scale, 1.0);
}

void FreeCanvas::setGridSize(int g)
{
    m_gridSize = g;
    for (OscControl *control : findChildren<OscControl *>(QString(), Qt::FindDirectChildrenOnly))
        control->setSnapGrid(g);
    update();
}

void FreeCanvas::setEditMode(bool on)
{
    m_editMode = on;
    update();
}

void FreeCanvas::adoptControl(OscControl *control)
{
    control->setParent(this);
    control->setSnapGrid(m_gridSize);
    connect(control, &OscControl::placementChanged, this, &FreeCanvas::relayoutControls,
            Qt::UniqueConnection);
}

void FreeCanvas::relayoutControls()
{
    if (width() <= ControlGeometry::MaxIgnoredCanvasExtent
        || height() <= ControlGeometry::MaxIgnoredCanvasExtent)
        return;
    const QSize minimum(ControlGeometry::roundHalfAway(OscControl::MinimumWidth * m_scale),
                        ControlGeometry::roundHalfAway(OscControl::MinimumHeight * m_scale));
    for (OscControl *control : findChildren<OscControl *>(QString(), Qt::FindDirectChildrenOnly)) {
        control->setMinimumSize(minimum);
        control->setZoom(m_scale);
        control->setGeometry(ControlGeometry::layoutRect(control->normRect(), layoutExtent(), m_scale));
    }
}

void FreeCanvas::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QWidget::wheelEvent(event);
        return;
    }
    const double step = event->angleDelta().y() > 0 ? ScaleStep : -ScaleStep;
    setControlScale(m_scale + step);
    event->accept();
}

void FreeCanvas::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayoutControls();
}

void FreeCanvas::paintEvent(QPaintEvent *)
{
    if (!m_editMode)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool gridOn = m_gridSize > 0;
    paintDots(painter, gridOn ? m_gridSize : UnsnappedDotStep,
              gridOn ? MinorDotAlphaGridOn : MinorDotAlphaGridOff);
    if (gridOn)
        paintDots(painter, MajorDotEvery * m_gridSize, MajorDotAlpha);
}

void FreeCanvas::paintDots(QPainter &painter, int step, int alpha)
{
    QList<QPointF> dots;
    for (int x = step; x < width(); x += step) {
        for (int y = step; y < height(); y += step)
            dots.append(QPointF(x, y));
    }
    painter.setPen(Theme::withAlpha(Theme::Overlay, alpha));
    painter.drawPoints(dots.constData(), int(dots.size()));
}
