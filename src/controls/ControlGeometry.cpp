#include "controls/ControlGeometry.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace ControlGeometry {

int roundHalfAway(double v)
{
    return static_cast<int>(std::lround(v));
}

QPoint roundedPoint(const QPointF &p)
{
    return QPoint(roundHalfAway(p.x()), roundHalfAway(p.y()));
}

ResizeHandle handleAt(const QPoint &pos, const QSize &size)
{
    const int w = size.width();
    const int h = size.height();
    const int x = pos.x();
    const int y = pos.y();
    if (x >= w - CornerZone && y >= h - CornerZone)
        return ResizeHandle::Corner;
    if (x >= w - EdgeZoneDepth && y >= h / 2 - EdgeZoneHalfLength && y <= h / 2 + EdgeZoneHalfLength)
        return ResizeHandle::Right;
    if (y >= h - EdgeZoneDepth && x >= w / 2 - EdgeZoneHalfLength && x <= w / 2 + EdgeZoneHalfLength)
        return ResizeHandle::Bottom;
    return ResizeHandle::None;
}

double snapped(double v, double step)
{
    if (step <= 0.0)
        return v;
    return step * std::round(v / step);
}

QRectF movedRect(const QRectF &start, const QPointF &delta, const QSizeF &snapStep)
{
    const double x = snapped(start.x() + delta.x(), snapStep.width());
    const double y = snapped(start.y() + delta.y(), snapStep.height());
    return QRectF(qBound(0.0, x, MaxPosition), qBound(0.0, y, MaxPosition),
                  start.width(), start.height());
}

QRectF resizedRect(const QRectF &start, const QPointF &delta, ResizeHandle handle,
                   const QSizeF &snapStep)
{
    QRectF result = start;
    if (handle != ResizeHandle::Bottom) {
        const double width = snapped(start.width() + delta.x(), snapStep.width());
        result.setWidth(qBound(MinWidth, width, MaxWidth));
    }
    if (handle != ResizeHandle::Right) {
        const double height = snapped(start.height() + delta.y(), snapStep.height());
        result.setHeight(qBound(MinHeight, height, MaxHeight));
    }
    return result;
}

QRect layoutRect(const QRectF &normRect, const QSizeF &extent, double scale)
{
    const int x = roundHalfAway(normRect.x() * extent.width());
    const int y = roundHalfAway(normRect.y() * extent.height());
    const int w = roundHalfAway(normRect.width() * extent.width());
    const int h = roundHalfAway(normRect.height() * extent.height());
    return QRect(x, y, std::max(w, roundHalfAway(MinLayoutWidth * scale)),
                 std::max(h, roundHalfAway(MinLayoutHeight * scale)));
}

}
