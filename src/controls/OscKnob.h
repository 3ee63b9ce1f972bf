#pragma once

#include "controls/OscControl.h"

#include <QPoint>

// A 300-degree rotary dial from 0.0 to 1.0: vertical drags and the mouse wheel turn it and send.
class OscKnob : public OscControl
{
    Q_OBJECT

public:
    // Dial angles in degrees, 0 pointing right and growing counter-clockwise.
    static constexpr double StartAngle = 30.0;
    static constexpr double SweepAngle = 300.0;
    // Value change per pixel of vertical drag, and per unit of wheel angle delta.
    static constexpr double DragStep = 0.005;
    static constexpr double WheelStep = 0.001;
    // A drag sends only when the value moved by more than this.
    static constexpr double DragSendThreshold = 0.0005;

    explicit OscKnob(QWidget *parent = nullptr);

    void setValue(double v) override;
    double value() const override { return m_value; }

    static double angleForValue(double v);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Dial {
        QPointF centre;
        qreal radius;
    };
    Dial dial() const;
    void paintArc(QPainter &painter, const Dial &dial, double sweep, const QColor &color) const;
    void paintInnerDisc(QPainter &painter, const Dial &dial) const;
    void paintPointer(QPainter &painter, const Dial &dial) const;
    void paintValueText(QPainter &painter, const Dial &dial) const;

    double m_value = 0.0;
    QPoint m_lastPos;
};
