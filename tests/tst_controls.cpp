// The panel's controls and their canvas, driven with real pointer and wheel events.
#include "controls/ControlGeometry.h"
#include "controls/FreeCanvas.h"
#include "controls/OscButton.h"
#include "controls/OscControlPanel.h"
#include "controls/OscFader.h"
#include "controls/OscKnob.h"
#include "controls/OscLabel.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

// A fader 165 high has a 100-pixel track from y = 30 to y = 130.
constexpr QSize FaderSize(100, 165);
constexpr int TrackMiddle = 80;

// A canvas of fixed size, so that pixel drags turn into known fractions.
constexpr QSize CanvasSize(500, 400);
const QRectF PlacedRect(0.1, 0.1, 0.22, 0.35); // (50, 40, 110, 140) on that canvas

void hover(QWidget *widget, const QPoint &pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

bool wheel(QWidget *widget, int angleDelta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF pos = QRectF(widget->rect()).center();
    QWheelEvent event(pos, widget->mapToGlobal(pos), QPoint(), QPoint(0, angleDelta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    // As from a real wheel, so that an event a control ignores travels up to the canvas.
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

double sentValue(const QSignalSpy &spy, int index)
{
    return spy.at(index).at(1).toDouble();
}

template <typename Control>
std::unique_ptr<Control> shownControl(QSize size = FaderSize)
{
    auto control = std::make_unique<Control>();
    control->setAddress(QStringLiteral("/test"));
    control->setFixedSize(size);
    control->show();
    return control;
}

int maxAlpha(const QImage &image)
{
    int alpha = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            alpha = qMax(alpha, qAlpha(image.pixel(x, y)));
    }
    return alpha;
}

int maxAlphaAround(const QImage &image, const QPoint &centre)
{
    return maxAlpha(image.copy(QRect(centre - QPoint(1, 1), QSize(3, 3))));
}

}

class tst_Controls : public QObject
{
    Q_OBJECT

private slots:
    void handleZones_data();
    void handleZones();
    void editPress_data();
    void editPress();
    void editDrag_data();
    void editDrag();
    void editDragNeedsCanvas();
    void hoverCursor_data();
    void hoverCursor();
    void hoverStartsOnCorner();
    void leavingEditModeRestoresCursor();

    void faderMapping_data();
    void faderMapping();
    void faderPress_data();
    void faderPress();
    void faderPressOnCurrentValueSends();
    void faderDragSendsOnlyRealChanges();
    void knobAngle_data();
    void knobAngle();
    void knobDragUpAndPastBottom();
    void knobWheelAtTop();
    void knobRightButtonOnlyRecords();
    void knobWheelDoesNothingInEditMode();
    void incomingValuesAreLimited_data();
    void incomingValuesAreLimited();

    void buttonFollowsIncomingValues();
    void buttonReleaseOutsideSendsZero_data();
    void buttonReleaseOutsideSendsZero();
    void buttonSendsNothingInEditMode();
    void labelNumberFormat_data();
    void labelNumberFormat();
    void labelTextShortening_data();
    void labelTextShortening();
    void labelFlashesOnlyOnChange();
    void labelKeepsTextForSameNumber();

    void canvasLayout_data();
    void canvasLayout();
    void canvasScaleByCtrlWheel();
    void canvasScaleLimits_data();
    void canvasScaleLimits();
    void canvasPlainWheelIsNotZoom();
    void gridPaintedOnlyInEditMode();
    void selectedControlHasCyanBorder();

private:
    // A shown panel whose canvas is CanvasSize, with one fader placed at PlacedRect.
    struct EditScene {
        OscControlPanel panel{nullptr};
        OscFader *fader = nullptr;
    };
    std::unique_ptr<EditScene> editScene();
};

std::unique_ptr<tst_Controls::EditScene> tst_Controls::editScene()
{
    auto scene = std::make_unique<EditScene>();
    scene->panel.canvas()->setFixedSize(CanvasSize);
    scene->panel.resize(800, 700);
    scene->fader = new OscFader;
    scene->panel.addControl(scene->fader);
    scene->fader->setNormRect(PlacedRect);
    scene->panel.setEditMode(true);
    scene->panel.show();
    scene->panel.canvas()->relayoutControls();
    return scene;
}

void tst_Controls::handleZones_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<ResizeHandle>("handle");

    QTest::newRow("corner wins over right edge") << QSize(60, 70) << QPoint(55, 52) << ResizeHandle::Corner;
    QTest::newRow("corner wins over bottom edge") << QSize(60, 70) << QPoint(45, 65) << ResizeHandle::Corner;
    QTest::newRow("corner square, inner corner") << QSize(100, 120) << QPoint(81, 101) << ResizeHandle::Corner;
    QTest::newRow("left of the corner square") << QSize(100, 120) << QPoint(80, 101) << ResizeHandle::None;
    QTest::newRow("right edge, middle") << QSize(100, 120) << QPoint(95, 60) << ResizeHandle::Right;
    QTest::newRow("right edge, top of zone") << QSize(100, 120) << QPoint(91, 41) << ResizeHandle::Right;
    QTest::newRow("right edge, above zone") << QSize(100, 120) << QPoint(95, 40) << ResizeHandle::None;
    QTest::newRow("bottom edge, middle") << QSize(100, 120) << QPoint(50, 115) << ResizeHandle::Bottom;
    QTest::newRow("bottom edge, right of zone") << QSize(100, 120) << QPoint(70, 115) << ResizeHandle::None;
    QTest::newRow("inside") << QSize(100, 120) << QPoint(50, 50) << ResizeHandle::None;
}

void tst_Controls::handleZones()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, pos);
    QFETCH(ResizeHandle, handle);
    QCOMPARE(ControlGeometry::handleAt(pos, size), handle);
}

void tst_Controls::editPress_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("resizing");
    QTest::addColumn<int>("clicks");

    // The placed fader is 110 x 140 pixels.
    QTest::newRow("inside selects") << QPoint(55, 60) << Qt::LeftButton << false << 1;
    QTest::newRow("corner resizes") << QPoint(105, 135) << Qt::LeftButton << true << 0;
    QTest::newRow("right edge resizes") << QPoint(107, 70) << Qt::LeftButton << true << 0;
    QTest::newRow("bottom edge resizes") << QPoint(55, 137) << Qt::LeftButton << true << 0;
    QTest::newRow("right button ignored") << QPoint(55, 60) << Qt::RightButton << false << 0;
    QTest::newRow("right button on corner ignored") << QPoint(105, 135) << Qt::RightButton << false << 0;
}

void tst_Controls::editPress()
{
    QFETCH(QPoint, pos);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, resizing);
    QFETCH(int, clicks);

    auto scene = editScene();
    QCOMPARE(scene->fader->size(), QSize(110, 140));
    QSignalSpy clicked(scene->fader, &OscControl::controlClicked);
    QSignalSpy sent(scene->fader, &OscControl::oscSendRequested);

    QTest::mousePress(scene->fader, button, Qt::NoModifier, pos);
    QCOMPARE(scene->fader->isResizing(), resizing);
    QCOMPARE(clicked.count(), clicks);
    QCOMPARE(scene->panel.selectedControl(), clicks ? static_cast<OscControl *>(scene->fader) : nullptr);
    QTest::mouseRelease(scene->fader, button, Qt::NoModifier, pos);
    QVERIFY(!scene->fader->isResizing());
    QCOMPARE(sent.count(), 0);
}

void tst_Controls::editDrag_data()
{
    QTest::addColumn<QPoint>("pressPos");
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<int>("grid");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QRectF>("expected");

    const QPoint inside(55, 60);
    const QPoint corner(105, 135);
    const QPoint rightEdge(107, 70);
    const QPoint bottomEdge(55, 137);
    const QPoint drag(23, 17); // 0.046 of the width, 0.0425 of the height

    QTest::newRow("move") << inside << drag << 0 << false << QRectF(0.146, 0.1425, 0.22, 0.35);
    QTest::newRow("move snapped to 20 px") << inside << drag << 20 << false << QRectF(0.16, 0.15, 0.22, 0.35);
    QTest::newRow("move, shift suspends snapping") << inside << drag << 20 << true << QRectF(0.146, 0.1425, 0.22, 0.35);
    QTest::newRow("move far up-left stops at 0") << inside << QPoint(-400, -300) << 0 << false << QRectF(0, 0, 0.22, 0.35);
    QTest::newRow("move far down-right stops at 0.95") << inside << QPoint(900, 900) << 20 << false << QRectF(0.95, 0.95, 0.22, 0.35);
    QTest::newRow("corner") << corner << drag << 0 << false << QRectF(0.1, 0.1, 0.266, 0.3925);
    QTest::newRow("corner snapped to 20 px") << corner << drag << 20 << false << QRectF(0.1, 0.1, 0.28, 0.4);
    QTest::newRow("corner, shift suspends snapping") << corner << drag << 20 << true << QRectF(0.1, 0.1, 0.266, 0.3925);
    QTest::newRow("right edge keeps height") << rightEdge << drag << 20 << false << QRectF(0.1, 0.1, 0.28, 0.35);
    QTest::newRow("bottom edge keeps width") << bottomEdge << drag << 20 << false << QRectF(0.1, 0.1, 0.22, 0.4);
    QTest::newRow("corner stops at the smallest size") << corner << QPoint(-400, -400) << 0 << false << QRectF(0.1, 0.1, 0.06, 0.08);
    QTest::newRow("corner stops at the largest size") << corner << QPoint(900, 900) << 0 << false << QRectF(0.1, 0.1, 0.8, 0.8);
}

void tst_Controls::editDrag()
{
    QFETCH(QPoint, pressPos);
    QFETCH(QPoint, drag);
    QFETCH(int, grid);
    QFETCH(bool, shift);
    QFETCH(QRectF, expected);

    auto scene = editScene();
    scene->panel.canvas()->setGridSize(grid);
    OscFader *fader = scene->fader;
    const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;

    // The control moves under the pointer, so each step is aimed at a global position.
    const QPoint pressGlobal = fader->mapToGlobal(pressPos);
    QTest::mousePress(fader, Qt::LeftButton, modifiers, pressPos);
    // Two steps: the second must start again from the rectangle at the press, not accumulate.
    QTest::mouseEvent(QTest::MouseMove, fader, Qt::NoButton, modifiers,
                      fader->mapFromGlobal(pressGlobal + drag / 2));
    QTest::mouseEvent(QTest::MouseMove, fader, Qt::NoButton, modifiers,
                      fader->mapFromGlobal(pressGlobal + drag));
    QTest::mouseRelease(fader, Qt::LeftButton, modifiers, fader->mapFromGlobal(pressGlobal + drag));

    const QRectF result = fader->normRect();
    QCOMPARE(result.x(), expected.x());
    QCOMPARE(result.y(), expected.y());
    QCOMPARE(result.width(), expected.width());
    QCOMPARE(result.height(), expected.height());
    const QRect laidOut = ControlGeometry::layoutRect(result, CanvasSize, 1.0);
    QCOMPARE(fader->pos(), laidOut.topLeft());
    QCOMPARE(fader->width(), qMax(laidOut.width(), OscControl::MinimumWidth));
    QCOMPARE(fader->height(), qMax(laidOut.height(), OscControl::MinimumHeight));
}

void tst_Controls::editDragNeedsCanvas()
{
    auto fader = shownControl<OscFader>();
    fader->setEditMode(true);
    const QRectF before = fader->normRect();
    QTest::mousePress(fader.get(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QTest::mouseMove(fader.get(), QPoint(90, 120));
    QTest::mouseRelease(fader.get(), Qt::LeftButton, Qt::NoModifier, QPoint(90, 120));
    QCOMPARE(fader->normRect(), before);
    QCOMPARE(fader->value(), 0.0);
}

void tst_Controls::hoverCursor_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<ResizeHandle>("handle");
    QTest::addColumn<Qt::CursorShape>("cursor");

    QTest::newRow("inside") << QPoint(55, 60) << ResizeHandle::None << Qt::SizeAllCursor;
    QTest::newRow("corner") << QPoint(105, 135) << ResizeHandle::Corner << Qt::SizeFDiagCursor;
    QTest::newRow("right edge") << QPoint(107, 70) << ResizeHandle::Right << Qt::SizeHorCursor;
    QTest::newRow("bottom edge") << QPoint(55, 137) << ResizeHandle::Bottom << Qt::SizeVerCursor;
}

void tst_Controls::hoverCursor()
{
    QFETCH(QPoint, pos);
    QFETCH(ResizeHandle, handle);
    QFETCH(Qt::CursorShape, cursor);

    auto scene = editScene();
    // Start from a zone other than the one tested, so that the move is a change.
    hover(scene->fader, handle == ResizeHandle::None ? QPoint(105, 135) : QPoint(55, 60));
    hover(scene->fader, pos);
    QCOMPARE(scene->fader->hoverHandle(), handle);
    QCOMPARE(scene->fader->cursor().shape(), cursor);
}

void tst_Controls::hoverStartsOnCorner()
{
    OscKnob knob;
    QCOMPARE(knob.hoverHandle(), ResizeHandle::Corner);
}

void tst_Controls::leavingEditModeRestoresCursor()
{
    OscFader fader;
    OscLabel label;
    fader.setEditMode(true);
    label.setEditMode(true);
    fader.setCursor(Qt::SizeAllCursor);
    label.setCursor(Qt::SizeAllCursor);
    fader.setEditMode(false);
    label.setEditMode(false);
    QCOMPARE(fader.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
}

void tst_Controls::faderMapping_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("value");

    QTest::newRow("above the track") << 5.0 << 1.0;
    QTest::newRow("track top") << 30.0 << 1.0;
    QTest::newRow("quarter down") << 55.0 << 0.75;
    QTest::newRow("middle") << 80.0 << 0.5;
    QTest::newRow("track bottom") << 130.0 << 0.0;
    QTest::newRow("below the track") << 160.0 << 0.0;
}

void tst_Controls::faderMapping()
{
    QFETCH(double, y);
    QFETCH(double, value);
    QCOMPARE(OscFader::yToValue(y, FaderSize.height(), 0.0, 1.0), value);
    if (y >= OscFader::TrackTop && y <= FaderSize.height() - OscFader::TrackBottomMargin)
        QCOMPARE(OscFader::valueToY(value, FaderSize.height(), 0.0, 1.0), y);
}

void tst_Controls::faderPress_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<double>("sent");

    QTest::newRow("above the track sends the maximum") << 10 << Qt::LeftButton << 1.0;
    QTest::newRow("below the track sends the minimum") << 155 << Qt::LeftButton << 0.0;
    QTest::newRow("middle of the track") << TrackMiddle << Qt::LeftButton << 0.5;
    QTest::newRow("right button acts like left") << TrackMiddle << Qt::RightButton << 0.5;
}

void tst_Controls::faderPress()
{
    QFETCH(int, y);
    QFETCH(Qt::MouseButton, button);
    QFETCH(double, sent);

    auto fader = shownControl<OscFader>();
    QSignalSpy spy(fader.get(), &OscControl::oscSendRequested);
    QTest::mousePress(fader.get(), button, Qt::NoModifier, QPoint(20, y));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("/test"));
    QCOMPARE(sentValue(spy, 0), sent);
    QCOMPARE(fader->value(), sent);
    QCOMPARE(fader->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseRelease(fader.get(), button, Qt::NoModifier, QPoint(20, y));
    QCOMPARE(fader->cursor().shape(), Qt::ClosedHandCursor);
}

void tst_Controls::faderPressOnCurrentValueSends()
{
    auto fader = shownControl<OscFader>();
    fader->setValue(0.5);
    QSignalSpy spy(fader.get(), &OscControl::oscSendRequested);
    QTest::mousePress(fader.get(), Qt::LeftButton, Qt::NoModifier, QPoint(50, TrackMiddle));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(sentValue(spy, 0), 0.5);
}

void tst_Controls::faderDragSendsOnlyRealChanges()
{
    auto fader = shownControl<OscFader>();
    QSignalSpy spy(fader.get(), &OscControl::oscSendRequested);
    QTest::mousePress(fader.get(), Qt::LeftButton, Qt::NoModifier, QPoint(50, TrackMiddle));
    QTest::mouseMove(fader.get(), QPoint(70, TrackMiddle)); // sideways: same value
    QCOMPARE(spy.count(), 1);
    QTest::mouseMove(fader.get(), QPoint(70, TrackMiddle - 1));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(sentValue(spy, 1), 0.51);
    QTest::mouseMove(fader.get(), QPoint(70, -50)); // off the control: stops at the top
    QTest::mouseMove(fader.get(), QPoint(70, -80));
    QCOMPARE(spy.count(), 3);
    QCOMPARE(sentValue(spy, 2), 1.0);
    QTest::mouseRelease(fader.get(), Qt::LeftButton);

    // Moving with only the right button held does not drag.
    QTest::mousePress(fader.get(), Qt::RightButton, Qt::NoModifier, QPoint(50, TrackMiddle));
    QTest::mouseMove(fader.get(), QPoint(50, 40));
    QCOMPARE(spy.count(), 4);
    QCOMPARE(fader->value(), 0.5);
    QTest::mouseRelease(fader.get(), Qt::RightButton);
}

void tst_Controls::knobAngle_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("degrees");

    QTest::newRow("minimum at about 2 o'clock") << 0.0 << 30.0;
    QTest::newRow("middle points left") << 0.5 << 180.0;
    QTest::newRow("maximum at about 4 o'clock") << 1.0 << 330.0;
}

void tst_Controls::knobAngle()
{
    QFETCH(double, value);
    QFETCH(double, degrees);
    QCOMPARE(OscKnob::angleForValue(value), degrees);
}

void tst_Controls::knobDragUpAndPastBottom()
{
    auto knob = shownControl<OscKnob>();
    knob->setValue(0.5);
    QSignalSpy spy(knob.get(), &OscControl::oscSendRequested);
    QPoint pos(50, 100);
    QTest::mousePress(knob.get(), Qt::LeftButton, Qt::NoModifier, pos);
    QCOMPARE(spy.count(), 0);
    for (int step = 0; step < 10; ++step) {
        pos.ry() -= 1;
        QTest::mouseMove(knob.get(), pos);
    }
    QCOMPARE(spy.count(), 10);
    QCOMPARE(knob->value(), 0.55);
    QCOMPARE(sentValue(spy, 9), 0.55);

    for (int step = 0; step < 12; ++step) { // 120 px down: past the bottom after 110
        pos.ry() += 10;
        QTest::mouseMove(knob.get(), pos);
    }
    QCOMPARE(knob->value(), 0.0);
    QCOMPARE(spy.count(), 21);
    QCOMPARE(sentValue(spy, 20), 0.0);
    pos.ry() += 30;
    QTest::mouseMove(knob.get(), pos);
    QCOMPARE(spy.count(), 21);

    // Motion is relative: after going past the bottom, the first pixel up turns it again.
    pos.ry() -= 1;
    QTest::mouseMove(knob.get(), pos);
    QCOMPARE(spy.count(), 22);
    QCOMPARE(knob->value(), 0.005);
    QTest::mouseRelease(knob.get(), Qt::LeftButton);
}

void tst_Controls::knobWheelAtTop()
{
    auto knob = shownControl<OscKnob>();
    knob->setValue(0.95);
    QSignalSpy spy(knob.get(), &OscControl::oscSendRequested);
    QVERIFY(wheel(knob.get(), 120));
    QVERIFY(wheel(knob.get(), 120, Qt::ControlModifier));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(sentValue(spy, 0), 1.0);
    QCOMPARE(sentValue(spy, 1), 1.0);
    QVERIFY(wheel(knob.get(), -120));
    QCOMPARE(sentValue(spy, 2), 0.88);
}

void tst_Controls::knobRightButtonOnlyRecords()
{
    auto knob = shownControl<OscKnob>();
    knob->setValue(0.5);
    QSignalSpy spy(knob.get(), &OscControl::oscSendRequested);
    QTest::mousePress(knob.get(), Qt::RightButton, Qt::NoModifier, QPoint(50, 100));
    QTest::mouseMove(knob.get(), QPoint(50, 60));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(knob->value(), 0.5);
    QCOMPARE(knob->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseRelease(knob.get(), Qt::RightButton);
}

void tst_Controls::knobWheelDoesNothingInEditMode()
{
    auto knob = shownControl<OscKnob>();
    knob->setEditMode(true);
    QSignalSpy spy(knob.get(), &OscControl::oscSendRequested);
    QVERIFY(wheel(knob.get(), 120, Qt::ControlModifier)); // consumed: the canvas never sees it
    QCOMPARE(spy.count(), 0);
    QCOMPARE(knob->value(), 0.0);
}

void tst_Controls::incomingValuesAreLimited_data()
{
    QTest::addColumn<ControlType>("type");
    QTest::addColumn<double>("incoming");
    QTest::addColumn<double>("shown");

    const struct {
        ControlType type;
        const char *name;
    } kinds[] = {{ControlType::Fader, "fader"}, {ControlType::Knob, "knob"}};
    for (const auto &kind : kinds) {
        auto row = [&](const char *what) -> QTestData & { return QTest::addRow("%s, %s", kind.name, what); };
        row("2.5") << kind.type << 2.5 << 1.0;
        row("-1") << kind.type << -1.0 << 0.0;
        row("0.25") << kind.type << 0.25 << 0.25;
        row("+infinity") << kind.type << Infinity << 1.0;
        row("-infinity") << kind.type << -Infinity << 0.0;
        row("NaN keeps the value") << kind.type << NaN << 0.3;
    }
}

void tst_Controls::incomingValuesAreLimited()
{
    QFETCH(ControlType, type);
    QFETCH(double, incoming);
    QFETCH(double, shown);

    std::unique_ptr<OscControl> control;
    if (type == ControlType::Fader)
        control = std::make_unique<OscFader>();
    else
        control = std::make_unique<OscKnob>();
    control->setValue(0.3);
    QSignalSpy spy(control.get(), &OscControl::oscSendRequested);
    control->setValue(incoming);
    QCOMPARE(control->value(), shown);
    QCOMPARE(spy.count(), 0);
}

void tst_Controls::buttonFollowsIncomingValues()
{
    OscButton button;
    QSignalSpy spy(&button, &OscControl::oscSendRequested);
    button.setValue(0.7);
    QVERIFY(button.isPressed());
    QCOMPARE(button.value(), 1.0);
    button.setValue(NaN);
    QVERIFY(button.isPressed());
    button.setValue(0.5);
    QVERIFY(!button.isPressed());
    QCOMPARE(button.value(), 0.0);
    button.setValue(Infinity);
    QVERIFY(button.isPressed());
    button.setValue(-Infinity);
    QVERIFY(!button.isPressed());
    QCOMPARE(spy.count(), 0);
}

void tst_Controls::buttonReleaseOutsideSendsZero_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void tst_Controls::buttonReleaseOutsideSendsZero()
{
    QFETCH(Qt::MouseButton, button);
    auto osc = shownControl<OscButton>();
    QSignalSpy spy(osc.get(), &OscControl::oscSendRequested);
    QTest::mousePress(osc.get(), button, Qt::NoModifier, QPoint(50, 50));
    QVERIFY(osc->isPressed());
    QTest::mouseRelease(osc.get(), button, Qt::NoModifier, QPoint(400, -60));
    QVERIFY(!osc->isPressed());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(sentValue(spy, 0), 1.0);
    QCOMPARE(sentValue(spy, 1), 0.0);
}

void tst_Controls::buttonSendsNothingInEditMode()
{
    auto osc = shownControl<OscButton>();
    osc->setEditMode(true);
    QSignalSpy spy(osc.get(), &OscControl::oscSendRequested);
    QTest::mouseClick(osc.get(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QCOMPARE(spy.count(), 0);
    QVERIFY(!osc->isPressed());
}

void tst_Controls::labelNumberFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("near an integer from below") << 2.9996 << QStringLiteral("3");
    QTest::newRow("just too far from an integer") << 2.998 << QStringLiteral("3.00");
    QTest::newRow("fraction") << 3.5 << QStringLiteral("3.50");
    QTest::newRow("negative") << -12.345 << QStringLiteral("-12.35");
    QTest::newRow("tiny negative reads as zero") << -0.0004 << QStringLiteral("0");
    QTest::newRow("beyond the int range") << 1e12 << QStringLiteral("1000000000000");
    QTest::newRow("infinity") << Infinity << QStringLiteral("inf");
}

void tst_Controls::labelNumberFormat()
{
    QFETCH(double, value);
    QFETCH(QString, shown);
    QCOMPARE(OscLabel::formatNumber(value), shown);
}

void tst_Controls::labelTextShortening_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("20 characters whole") << QStringLiteral("abcdefghijklmnopqrst") << QStringLiteral("abcdefghijklmnopqrst");
    QTest::newRow("21 characters shortened") << QStringLiteral("abcdefghijklmnopqrstu") << QStringLiteral("abcdefghijklmnopqr...");
    QTest::newRow("Chinese counts characters") << QString(21, QChar(0x4E2D)) << QString(18, QChar(0x4E2D)) + QStringLiteral("...");
    QTest::newRow("empty") << QString() << QString();
}

void tst_Controls::labelTextShortening()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(OscLabel::shortenedText(text), shown);
}

void tst_Controls::labelFlashesOnlyOnChange()
{
    OscLabel label;
    QSignalSpy spy(&label, &OscControl::oscSendRequested);
    label.setValue(3.0);
    QCOMPARE(label.flashAlpha(), OscLabel::FlashStartAlpha);
    QTRY_COMPARE(label.flashAlpha(), 0.0);

    label.setValue(3.00005);
    QCOMPARE(label.value(), 3.0);
    QCOMPARE(label.flashAlpha(), 0.0);

    label.setValue(3.5);
    QCOMPARE(label.value(), 3.5);
    QCOMPARE(label.flashAlpha(), OscLabel::FlashStartAlpha);
    QTRY_COMPARE(label.flashAlpha(), 0.0);

    label.setText(QStringLiteral("go"));
    QCOMPARE(label.flashAlpha(), OscLabel::FlashStartAlpha);
    QTRY_COMPARE(label.flashAlpha(), 0.0);
    label.setText(QStringLiteral("go"));
    QCOMPARE(label.flashAlpha(), 0.0);
    QCOMPARE(spy.count(), 0);
}

void tst_Controls::labelKeepsTextForSameNumber()
{
    OscLabel label;
    label.setValue(2.0);
    label.setText(QStringLiteral("hello"));
    label.setValue(2.0);
    QCOMPARE(label.text(), QStringLiteral("hello"));
    label.setValue(2.5);
    QCOMPARE(label.text(), QString());
    QCOMPARE(label.value(), 2.5);
}

void tst_Controls::canvasLayout_data()
{
    QTest::addColumn<QRectF>("normRect");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("placed rectangle") << PlacedRect << 1.0 << QRect(50, 40, 110, 140);
    QTest::newRow("scale grows size, not position") << PlacedRect << 2.0 << QRect(50, 40, 220, 280);
    QTest::newRow("halves round away from zero") << QRectF(0.001, 0.00125, 0.221, 0.35125) << 1.0 << QRect(1, 1, 111, 141);
    QTest::newRow("60 x 80 floor") << QRectF(0.5, 0.5, 0.06, 0.08) << 1.0 << QRect(250, 200, 60, 80);
    QTest::newRow("floor after scaling down") << PlacedRect << 0.5 << QRect(50, 40, 60, 80);
}

void tst_Controls::canvasLayout()
{
    QFETCH(QRectF, normRect);
    QFETCH(double, scale);
    QFETCH(QRect, pixels);
    QCOMPARE(ControlGeometry::layoutRect(normRect, CanvasSize, scale), pixels);
}

void tst_Controls::canvasScaleByCtrlWheel()
{
    auto scene = editScene();
    FreeCanvas *canvas = scene->panel.canvas();
    QSignalSpy spy(canvas, &FreeCanvas::controlScaleChanged);
    for (int notch = 0; notch < 6; ++notch)
        QVERIFY(wheel(canvas, 120, Qt::ControlModifier));
    QCOMPARE(spy.count(), 6);
    QCOMPARE(canvas->controlScale(), 1.6);
    QCOMPARE(scene->fader->size(), QSize(176, 224)); // 110 x 140 at 1.6
    QVERIFY(wheel(canvas, 0, Qt::ControlModifier)); // no vertical delta counts as down
    QCOMPARE(canvas->controlScale(), 1.5);
}

void tst_Controls::canvasScaleLimits_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<int>("angleDelta");
    QTest::addColumn<double>("limit");

    QTest::newRow("upper") << 2.95 << 120 << 3.0;
    QTest::newRow("lower") << 0.55 << -120 << 0.5;
}

void tst_Controls::canvasScaleLimits()
{
    QFETCH(double, start);
    QFETCH(int, angleDelta);
    QFETCH(double, limit);

    OscControlPanel panel(nullptr);
    FreeCanvas *canvas = panel.canvas();
    canvas->setControlScale(start);
    QSignalSpy spy(canvas, &FreeCanvas::controlScaleChanged);
    for (int notch = 0; notch < 3; ++notch)
        wheel(canvas, angleDelta, Qt::ControlModifier);
    QCOMPARE(spy.count(), 3);
    for (const QList<QVariant> &emitted : spy)
        QCOMPARE(emitted.at(0).toDouble(), limit);
    canvas->setControlScale(limit * 10);
    QCOMPARE(canvas->controlScale(), 3.0);
    canvas->setControlScale(-limit);
    QCOMPARE(canvas->controlScale(), 0.5);
}

void tst_Controls::canvasPlainWheelIsNotZoom()
{
    OscControlPanel panel(nullptr);
    QSignalSpy spy(panel.canvas(), &FreeCanvas::controlScaleChanged);
    QVERIFY(!wheel(panel.canvas(), 120));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(panel.canvas()->controlScale(), 1.0);
}

void tst_Controls::gridPaintedOnlyInEditMode()
{
    OscControlPanel panel(nullptr);
    FreeCanvas *canvas = panel.canvas();
    canvas->setFixedSize(CanvasSize);
    panel.resize(800, 700);
    panel.show();

    QCOMPARE(maxAlpha(canvas->grab().toImage()), 0);
    canvas->setGridSize(10);
    QCOMPARE(maxAlpha(canvas->grab().toImage()), 0);

    panel.setEditMode(true);
    const QImage grid = canvas->grab().toImage();
    const int minor = maxAlphaAround(grid, QPoint(20, 20));
    const int major = maxAlphaAround(grid, QPoint(50, 50));
    QVERIFY2(minor > 0, "minor dots every 10 px");
    QVERIFY2(major > minor, "brighter dots every 50 px");
    QCOMPARE(maxAlphaAround(grid, QPoint(15, 15)), 0);

    canvas->setGridSize(0);
    const QImage faint = canvas->grab().toImage();
    QVERIFY2(maxAlphaAround(faint, QPoint(20, 20)) > 0, "faint dots every 20 px with the grid off");
    QVERIFY(maxAlphaAround(faint, QPoint(20, 20)) < minor);
    QCOMPARE(maxAlphaAround(faint, QPoint(30, 30)), 0);

    panel.setEditMode(false);
    QCOMPARE(maxAlpha(canvas->grab().toImage()), 0);
}

void tst_Controls::selectedControlHasCyanBorder()
{
    auto scene = editScene();
    OscFader *fader = scene->fader;
    const QPoint topEdge(fader->width() / 4, 2);
    const QColor before = fader->grab().toImage().pixelColor(topEdge);
    QTest::mouseClick(fader, Qt::LeftButton, Qt::NoModifier, QPoint(55, 60));
    QVERIFY(fader->isSelected());
    const QColor selected = fader->grab().toImage().pixelColor(topEdge);
    QVERIFY2(before.red() > before.blue(), "amber border in edit mode");
    QVERIFY2(selected.blue() > 200 && selected.green() > 150 && selected.red() < 60, "cyan border when selected");
    scene->panel.setEditMode(false);
    QVERIFY(!fader->isSelected());
}

QTEST_MAIN(tst_Controls)
#include "tst_controls.moc"
