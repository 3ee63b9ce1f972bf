#pragma once

#include "controls/OscControl.h"

// A vertical slider: pressing or dragging sends the value under the pointer, top of the track
// being the maximum.
class OscFader : public OscControl
{
    Q_OBJECT

public:
    // Track ends, in pixels from the top and from the bottom of the control.
    static constexpr int TrackTop = 30;
    static constexpr int TrackBottomMargin = 35;
    // A drag sends only when the value moved by more than this.
    static constexpr double DragSendThreshold = 0.001;

    explicit OscFader(QWidget *parent = nullptr);

    void setValue(double v) override;
    double value() const override { return m_value; }

    // The value at pointer height y, and the height that shows value v, in a control h pixels high.
    static double yToValue(double y, int h, double min, double max);
    static double valueToY(double v, int h, double min, double max);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    double valueAt(const QPointF &pos) const;
    void paintTrack(QPainter &painter, qreal centreX) const;
    void paintFill(QPainter &painter, qreal centreX, qreal handleY) const;
    void paintHandle(QPainter &painter, qreal centreX, qreal handleY) const;
    void paintValueText(QPainter &painter) const;

    double m_value = 0.0;
    double m_min = 0.0;
    double m_max = 1.0;
};
