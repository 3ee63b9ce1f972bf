#pragma once

#include "controls/OscControl.h"

// A momentary push button: any mouse button sends 1.0 on press and 0.0 on release.
class OscButton : public OscControl
{
    Q_OBJECT

public:
    static constexpr double PressedValue = 1.0;
    static constexpr double ReleasedValue = 0.0;
    // An incoming value above this holds the button down.
    static constexpr double PressThreshold = 0.5;

    explicit OscButton(QWidget *parent = nullptr);

    void setValue(double v) override;
    double value() const override { return m_pressed ? PressedValue : ReleasedValue; }
    bool isPressed() const { return m_pressed; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Disc {
        QPointF centre;
        qreal radius;
    };
    Disc disc() const;
    void paintGlow(QPainter &painter, const Disc &disc) const;
    void paintDisc(QPainter &painter, const Disc &disc) const;
    void paintStateText(QPainter &painter, const Disc &disc) const;

    bool m_pressed = false;
};
