#pragma once

#include "controls/ControlGeometry.h"

#include <QColor>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;

enum class ControlType : int { Fader = 0, Button = 1, Knob = 2, Label = 3 };

// Base of the controls placed on the panel's canvas. In play mode each kind reacts to the pointer
// as an instrument; in edit mode the base selects, moves and resizes the control, and paints its
// handles. The placement is kept in fractions of the canvas (normRect); the canvas derives pixels.
class OscControl : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MinimumWidth = 80;
    static constexpr int MinimumHeight = 100;
    static constexpr int SmallestTextPointSize = 7;

    OscControl(ControlType type, QWidget *parent = nullptr);

    ControlType type() const { return m_type; }
    QString address() const { return m_address; }
    void setAddress(const QString &address) { m_address = address; }
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    QColor color() const { return m_color; }
    void setColor(const QColor &color) { m_color = color; }
    QRectF normRect() const { return m_normRect; }
    void setNormRect(const QRectF &rect) { m_normRect = rect; }

    // A gesture's position p in [0, 1] is sent as outputLow + p * (outputHigh - outputLow), so a
    // button sends outputHigh when pressed and outputLow when released; a received value maps back.
    bool outputInteger() const { return m_outputInteger; }
    void setOutputInteger(bool integer) { m_outputInteger = integer; }
    double outputLow() const { return m_outputLow; }
    double outputHigh() const { return m_outputHigh; }
    void setOutputRange(double low, double high);
    double outputFor(double position) const;
    double positionFor(double received) const;
    // What a gesture at this position sends, as the control reads it out: the whole number for
    // an integer output, else the given number of decimals.
    QString outputText(double position, int decimals) const;

    bool editMode() const { return m_editMode; }
    void setEditMode(bool on);
    // Mirrors the panel's selection so that the frame can mark it; the panel keeps the truth.
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    // The grid, in pixels of the parent, that edit drags snap to; 0 for none.
    void setSnapGrid(int pixels) { m_snapGrid = pixels; }

    // The canvas's zoom. Text shrinks with a zoom below 100%, never below SmallestTextPointSize,
    // so that captions and values still fit the smaller control; above 100% the control grows
    // around text of the usual size.
    void setZoom(double zoom) { m_zoom = zoom; }
    double zoom() const { return m_zoom; }
    // The point size text of the given size is painted at under the current zoom.
    int zoomedPointSize(int points) const;
    // The caption as painted: elided to the control's width when it does not fit.
    QString shownCaption() const;

    bool isResizing() const { return m_resizing; }
    ResizeHandle hoverHandle() const { return m_hoverHandle; }

    // Applies a value from a gesture or from the network; never emits.
    virtual void setValue(double v) = 0;
    virtual double value() const = 0;

    void paintEditOverlay(QPainter &painter);

signals:
    void oscSendRequested(const QString &address, double value);
    void controlChanged();
    // An edit drag moved or resized the control: its normRect changed.
    void placementChanged();
    void controlClicked(OscControl *ctrl);
    void controlDoubleClicked(OscControl *ctrl);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

    // The common frame, painted by every kind around its own content. The hover colour can be
    // refused by a kind whose content already shows a state (a held button).
    QColor backgroundColor(bool showHover = true) const;
    void paintBackground(QPainter &painter, const QColor &fill) const;
    void paintBorder(QPainter &painter) const;
    void paintCaption(QPainter &painter) const;

private:
    void hoverAt(const QPoint &pos);
    void dragTo(const QPoint &globalPos, Qt::KeyboardModifiers modifiers);
    void paintSizeReadout(QPainter &painter) const;
    static void drawHandlePill(QPainter &painter, int x, int y, int width, int height,
                               bool highlighted);

    ControlType m_type;
    QString m_address;
    QColor m_color;
    QString m_name;
    bool m_outputInteger = false;
    double m_outputLow = 0.0;
    double m_outputHigh = 1.0;
    bool m_editMode = false;
    bool m_hovered = false;
    bool m_resizing = false;
    ResizeHandle m_resizeHandle = ResizeHandle::Corner;
    ResizeHandle m_hoverHandle = ResizeHandle::Corner;
    QPoint m_pressPos;
    QRectF m_startRect;
    QRectF m_normRect;
    bool m_selected = false;
    int m_snapGrid = 0;
    double m_zoom = 1.0;
};
