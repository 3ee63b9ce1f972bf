#pragma once

#include <QWidget>

class OscControl;
class QPainter;

// The surface the panel's controls live on: maps each control's fractional placement to pixels,
// scales the controls' sizes (Ctrl+wheel, the panel's zoom buttons) and paints the snap grid as
// dots while in edit mode. Pressing, moving and resizing are done by the controls, which announce
// each new placement; the canvas lays out the controls it holds.
class FreeCanvas : public QWidget
{
    Q_OBJECT

public:
    static constexpr double MinScale = 0.5;
    static constexpr double MaxScale = 3.0;
    static constexpr double ScaleStep = 0.1;

    explicit FreeCanvas(QWidget *parent = nullptr);

    double controlScale() const { return m_scale; }
    int gridSize() const { return m_gridSize; }

    void setControlScale(double s);
    // The size the surrounding area offers at 100%; zooming in grows the canvas beyond it.
    void setViewSize(const QSize &view);
    // The extent the placements are fractions of: zooming out shrinks the layout within the
    // canvas, zooming in grows the canvas, so positions and sizes scale together.
    QSizeF layoutExtent() const;
    void setGridSize(int g);
    void relayoutControls();
    bool editMode() const { return m_editMode; }
    void setEditMode(bool on);
    // Takes the control onto this canvas: laid out here, snapping to this canvas's grid.
    void adoptControl(OscControl *control);

signals:
    void controlScaleChanged(double scale);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void paintDots(QPainter &painter, int step, int alpha);
    void applyMinimumSize();

    double m_scale = 1.0;
    QSize m_viewSize;
    int m_gridSize = 0;
    bool m_editMode = false;
};
