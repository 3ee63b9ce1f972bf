#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <memory>

enum class ControlType : int;
class FreeCanvas;
class OscControl;
class QCheckBox;
class QComboBox;
class QLabel;
class QScrollArea;

// The control-panel page: an edit-mode switch, a toolbar to add and delete controls, a grid and
// zoom bar, and the canvas with the controls. It passes the controls' play-mode sends on as
// oscTypedSendRequested, in each control's output range and type, for the window to send, and
// hands values that arrive from the network, mapped back through that range, to the control with
// that exact address.
class OscControlPanel : public QWidget
{
    Q_OBJECT

public:
    // Grid sizes offered by the snap box, by item index.
    static constexpr int GridSizes[] = {0, 10, 20, 40};

    // The owner is the window the panel belongs to, and its parent when none is given; the panel
    // keeps no pointer to it and reaches it only through its signals.
    explicit OscControlPanel(QWidget *owner, QWidget *parent = nullptr);
    ~OscControlPanel() override;

    const QList<OscControl *> &controls() const { return m_controls; }
    bool editMode() const { return m_editMode; }
    OscControl *selectedControl() const { return m_selected; }
    FreeCanvas *canvas() const { return m_canvas; }

    void setControlValue(const QString &address, double value);
    void setControlText(const QString &address, const QString &text);
    void addControl(OscControl *ctrl);
    // Puts a control that already has its placement on the canvas, as restoring one does.
    void placeControl(OscControl *ctrl);
    // Removes every control; nothing is left to bring back.
    void clearControls();
    // A control of that kind on `parent`, not yet on the panel.
    static OscControl *newControl(ControlType type, QWidget *parent);
    // The snap grid in pixels (0: off), one of GridSizes; the snap box shows it.
    int gridSize() const;
    void setGridSize(int pixels);

signals:
    void oscSendRequested(const QString &address, double value);
    // A control's gesture, already in its output range; sent as ",i" when isInteger, else ",f".
    void oscTypedSendRequested(const QString &address, double value, bool isInteger);

public slots:
    void addFader();
    void addButton();
    void addKnob();
    void addLabel();
    // A label that shows what arrives at this address, placed without asking.
    void addLabelFor(const QString &address);
    void removeSelected();
    // Brings back the control removed last, at most once.
    void restoreRemoved();
    void onControlOscSend(const QString &address, double value);
    void setEditMode(bool on);
    void selectControl(OscControl *ctrl);
    void configureControl(OscControl *ctrl);

protected:
    // In edit mode, Delete removes the selected control and Ctrl+Z brings it back.
    void keyPressEvent(QKeyEvent *event) override;
    // The canvas grows past the visible area when zoomed in, never below it.
    void resizeEvent(QResizeEvent *event) override;

private:
    struct RemovedControl;

    QWidget *createHeaderRow();
    QWidget *createToolbar();
    QWidget *createScaleBar();
    void showScale(double scale);
    // Puts a placed control on the canvas and into the panel's list.
    void attachControl(OscControl *ctrl);
    void addNumbered(OscControl *ctrl, const QString &addressStem, const QString &captionStem);

    QScrollArea *m_scrollArea = nullptr;
    FreeCanvas *m_canvas = nullptr;
    QCheckBox *m_editCheck = nullptr;
    QWidget *m_toolbar = nullptr;
    QList<OscControl *> m_controls;
    OscControl *m_selected = nullptr;
    // The control removed last, until it is restored or another is removed.
    std::unique_ptr<RemovedControl> m_removed;
    int m_nextX = 10;
    int m_nextY = 10;
    bool m_editMode = false;
    QLabel *m_scaleLabel = nullptr;
    QComboBox *m_gridCombo = nullptr;
};
