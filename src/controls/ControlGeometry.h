#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>

// Which resize handle of a control a point falls on; Corner is the bottom-right grip.
enum class ResizeHandle : int { None = -1, Corner = 0, Right = 1, Bottom = 2 };

// Pixel and fraction arithmetic shared by the controls and the canvas, kept free of widgets so that
// the edit gestures and the layout can be checked directly.
namespace ControlGeometry {

// Placement limits, in fractions of the canvas (width and height before the canvas scale).
constexpr double MaxPosition = 0.95;
constexpr double MinWidth = 0.06;
constexpr double MaxWidth = 0.8;
constexpr double MinHeight = 0.08;
constexpr double MaxHeight = 0.8;

// A canvas this small in either direction is not laid out and cannot be dragged on.
constexpr int MaxIgnoredCanvasExtent = 9;

// Floor of a laid-out control, in pixels, before the widget's own minimum size applies.
constexpr int MinLayoutWidth = 60;
constexpr int MinLayoutHeight = 80;

// Handle zones, in pixels from the control's right and bottom edges.
constexpr int CornerZone = 19;
constexpr int EdgeZoneDepth = 9;
constexpr int EdgeZoneHalfLength = 19;

// Nearest integer, halves away from zero.
int roundHalfAway(double v);
QPoint roundedPoint(const QPointF &p);

// Classifies a point in a control of the given size; the corner wins where zones overlap.
ResizeHandle handleAt(const QPoint &pos, const QSize &size);

// v snapped to a multiple of step; a step of zero leaves v as it is.
double snapped(double v, double step);

// The edit gestures: the rectangle at the press moved or resized by delta (fractions of the
// canvas). A snap step of zero in a direction means no snapping in it.
QRectF movedRect(const QRectF &start, const QPointF &delta, const QSizeF &snapStep);
QRectF resizedRect(const QRectF &start, const QPointF &delta, ResizeHandle handle,
                   const QSizeF &snapStep);

// Pixel geometry of a fractional placement over the given extent, which the zoom has already
// scaled; the pixel floors scale with the zoom too, so the layout scales as a whole.
QRect layoutRect(const QRectF &normRect, const QSizeF &extent, double scale);

}
