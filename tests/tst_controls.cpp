// The panel's controls and their canvas, driven with real pointer and wheel events.
#include "controls/ControlAddress.h"
#include "controls/ControlGeometry.h"
#include "controls/FreeCanvas.h"
#include "controls/OscButton.h"
#include "controls/OscControlPanel.h"
#include "controls/OscFader.h"
#include "controls/OscKnob.h"
#include "controls/OscLabel.h"

#include <QtTest>
#include <QtWidgets>

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
// Points on a fader placed at (0.1, 0.1, 0.22, 0.35), which is (50, 40, 110, 140) on that canvas.
constexpr QPoint Inside(55, 60), Corner(105, 135), RightEdge(107, 70), BottomEdge(55, 137);

// A shown panel in edit mode whose canvas is CanvasSize, with that one fader on it.
struct EditScene {
    OscControlPanel panel{nullptr};
    OscFader *fader = new OscFader;

    EditScene()
    {
        panel.canvas()->setFixedSize(CanvasSize);
        panel.resize(800, 700);
        panel.addControl(fader);
        fader->setNormRect(QRectF(0.1, 0.1, 0.22, 0.35));
        panel.setEditMode(true);
        panel.show();
        panel.canvas()->relayoutControls();
    }
};

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

QList<double> sentValues(const QSignalSpy &spy)
{
    QList<double> values;
    for (const QVariantList &signal : spy)
        values.append(signal.at(1).toDouble());
    return values;
}

template <typename Control>
std::unique_ptr<Control> shownControl()
{
    auto control = std::make_unique<Control>();
    control->setFixedSize(FaderSize);
    control->show();
    return control;
}

// The strongest alpha in the 3 x 3 pixels around centre, or in the whole image.
int maxAlpha(const QImage &image, const QPoint &centre = QPoint(-1, -1))
{
    const QRect area = centre.x() < 0 ? image.rect() : QRect(centre - QPoint(1, 1), QSize(3, 3));
    int alpha = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            alpha = qMax(alpha, qAlpha(image.pixel(x, y)));
    }
    return alpha;
}

}

class tst_Controls : public QObject
{
    Q_OBJECT

private slots:

    // On a control 60 x 70 the edge zones run into the corner square, where the corner wins.
    void addressProblems_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("english");
        QTest::newRow("plain") << "/mix/vol" << "";
        QTest::newRow("trimmed") << " \t/mix/vol \n" << "";
        QTest::newRow("blank") << "   " << "The address must not be empty";
        QTest::newRow("no slash") << "mix/vol" << "The address must start with /";
        QTest::newRow("space") << "/mix vol" << "The address must not contain spaces";
        for (const char reserved : QByteArrayLiteral("#*,?[]{}"))
            QTest::newRow(QByteArray(1, reserved).constData()) << QStringLiteral("/mix%1").arg(QLatin1Char(reserved))
                << QStringLiteral("The address must not contain the character %1").arg(QLatin1Char(reserved));
    }

    void addressProblems()
    {
        QFETCH(QString, address);
        QFETCH(QString, english);
        const AddressProblem problem = ControlAddress::problem(address);
        QCOMPARE(problem.english, english);
        QCOMPARE(problem.isNone(), english.isEmpty());
    }

    void handleZones()
    {
        const std::pair<QPoint, ResizeHandle> zones[] = {{QPoint(55, 52), ResizeHandle::Corner}, {QPoint(45, 65), ResizeHandle::Corner},
                                                         {QPoint(55, 40), ResizeHandle::Right}, {QPoint(40, 60), ResizeHandle::None}};
        for (const auto &[point, handle] : zones)
            QCOMPARE(ControlGeometry::handleAt(point, QSize(60, 70)), handle);
    }

    void editDrag_data()
    {
        QTest::addColumn<QPoint>("pressPos");
        QTest::addColumn<QPoint>("drag");
        QTest::addColumn<int>("grid");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QRectF>("expected");
        QTest::addColumn<Qt::MouseButton>("button");

        const QPoint drag(23, 17); // 0.046 of the width, 0.0425 of the height
        QTest::newRow("right button drags nothing") << Corner << drag << 0 << false << QRectF(0.1, 0.1, 0.22, 0.35) << Qt::RightButton;
        QTest::newRow("move snapped to 20 px") << Inside << drag << 20 << false << QRectF(0.16, 0.15, 0.22, 0.35) << Qt::LeftButton;
        QTest::newRow("move, shift suspends snapping") << Inside << drag << 20 << true << QRectF(0.146, 0.1425, 0.22, 0.35) << Qt::LeftButton;
        QTest::newRow("move far up-left stops at 0") << Inside << QPoint(-400, -300) << 0 << false << QRectF(0, 0, 0.22, 0.35) << Qt::LeftButton;
        QTest::newRow("move far down-right stops at 0.95") << Inside << QPoint(900, 900) << 20 << false << QRectF(0.95, 0.95, 0.22, 0.35) << Qt::LeftButton;
        QTest::newRow("corner snapped to 20 px") << Corner << drag << 20 << false << QRectF(0.1, 0.1, 0.28, 0.4) << Qt::LeftButton;
        QTest::newRow("right edge keeps height") << RightEdge << drag << 20 << false << QRectF(0.1, 0.1, 0.28, 0.35) << Qt::LeftButton;
        QTest::newRow("bottom edge keeps width") << BottomEdge << drag << 20 << false << QRectF(0.1, 0.1, 0.22, 0.4) << Qt::LeftButton;
        QTest::newRow("corner stops at the smallest size") << Corner << QPoint(-400, -400) << 0 << false << QRectF(0.1, 0.1, 0.06, 0.08) << Qt::LeftButton;
        QTest::newRow("corner stops at the largest size") << Corner << QPoint(900, 900) << 0 << false << QRectF(0.1, 0.1, 0.8, 0.8) << Qt::LeftButton;
    }

    void editDrag()
    {
        QFETCH(QPoint, pressPos);
        QFETCH(QPoint, drag);
        QFETCH(int, grid);
        QFETCH(bool, shift);
        QFETCH(QRectF, expected);
        QFETCH(Qt::MouseButton, button);

        EditScene scene;
        scene.panel.canvas()->setGridSize(grid);
        OscFader *fader = scene.fader;
        QSignalSpy sent(fader, &OscControl::oscSendRequested);
        const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;

        // A left press inside selects; one on a handle starts a resize.
        const QPoint pressGlobal = fader->mapToGlobal(pressPos);
        QTest::mousePress(fader, button, modifiers, pressPos);
        QCOMPARE(fader->isResizing(), button == Qt::LeftButton && pressPos != Inside);
        QCOMPARE(scene.panel.selectedControl() == fader, button == Qt::LeftButton && pressPos == Inside);
        // The control moves under the pointer, so each step is aimed at a global position; the second
        // step must start again from the rectangle at the press, not accumulate.
        for (const QPoint &step : {drag / 2, drag})
            QTest::mouseEvent(QTest::MouseMove, fader, Qt::NoButton, modifiers, fader->mapFromGlobal(pressGlobal + step));
        QTest::mouseRelease(fader, button, modifiers, fader->mapFromGlobal(pressGlobal + drag));
        QVERIFY(!fader->isResizing());
        QCOMPARE(sent.count(), 0);

        QCOMPARE(fader->normRect(), expected);
        const QRect laidOut = ControlGeometry::layoutRect(expected, CanvasSize, 1.0);
        QCOMPARE(fader->geometry(), QRect(laidOut.topLeft(), laidOut.size().expandedTo(fader->minimumSize())));
    }

    // A press sends the value under the pointer, even the current one and with any button; only a
    // left drag follows, sending real changes only and stopping at the ends of the track.
    void faderPointer()
    {
        auto fader = shownControl<OscFader>();
        fader->setValue(0.5);
        QSignalSpy spy(fader.get(), &OscControl::oscSendRequested);
        QTest::mousePress(fader.get(), Qt::LeftButton, Qt::NoModifier, QPoint(50, TrackMiddle));
        QTest::mouseMove(fader.get(), QPoint(70, TrackMiddle)); // sideways: same value
        QTest::mouseMove(fader.get(), QPoint(70, TrackMiddle - 1));
        QTest::mouseMove(fader.get(), QPoint(70, -50)); // off the control: stops at the top
        QTest::mouseMove(fader.get(), QPoint(70, -80));
        QTest::mouseRelease(fader.get(), Qt::LeftButton);
        QTest::mousePress(fader.get(), Qt::RightButton, Qt::NoModifier, QPoint(20, 155)); // below the track
        QTest::mouseMove(fader.get(), QPoint(20, TrackMiddle));
        QTest::mouseRelease(fader.get(), Qt::RightButton);
        QCOMPARE(sentValues(spy), QList<double>({0.5, 0.51, 1.0, 0.0}));
        QCOMPARE(fader->value(), 0.0);

        // An edit drag with no canvas to measure against changes nothing.
        fader->setEditMode(true);
        const QRectF placed = fader->normRect();
        QTest::mousePress(fader.get(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
        QTest::mouseMove(fader.get(), QPoint(90, 120));
        QTest::mouseRelease(fader.get(), Qt::LeftButton, Qt::NoModifier, QPoint(90, 120));
        QCOMPARE(fader->normRect(), placed);
        QCOMPARE(spy.count(), 4);
    }

    void knobGestures()
    {
        auto knob = shownControl<OscKnob>();
        knob->setValue(0.5);
        QSignalSpy spy(knob.get(), &OscControl::oscSendRequested);
        QPoint pos(50, 100);
        // The right button only records where it went down.
        QTest::mousePress(knob.get(), Qt::RightButton, Qt::NoModifier, pos);
        QTest::mouseMove(knob.get(), pos - QPoint(0, 40));
        QTest::mouseRelease(knob.get(), Qt::RightButton);
        QCOMPARE(knob->value(), 0.5);

        QTest::mousePress(knob.get(), Qt::LeftButton, Qt::NoModifier, pos);
        for (int step = 0; step < 10; ++step)
            QTest::mouseMove(knob.get(), pos -= QPoint(0, 1));
        QCOMPARE(sentValues(spy).size(), 10);
        QCOMPARE(sentValues(spy).last(), 0.55);
        for (int step = 0; step < 12; ++step) // 120 px down: past the bottom after 110
            QTest::mouseMove(knob.get(), pos += QPoint(0, 10));
        QCOMPARE(sentValues(spy).size(), 21);
        QCOMPARE(sentValues(spy).last(), 0.0);
        // Motion is relative: after going past the bottom, the first pixel up turns it again.
        QTest::mouseMove(knob.get(), pos -= QPoint(0, 1));
        QCOMPARE(sentValues(spy).last(), 0.005);
        QTest::mouseRelease(knob.get(), Qt::LeftButton);

        spy.clear();
        knob->setValue(0.95);
        QVERIFY(wheel(knob.get(), 120));
        QVERIFY(wheel(knob.get(), 120, Qt::ControlModifier));
        QVERIFY(wheel(knob.get(), -120));
        QCOMPARE(sentValues(spy), QList<double>({1.0, 1.0, 0.88}));
    }

    void incomingValuesAreLimited()
    {
        OscFader fader;
        OscKnob knob;
        OscButton button;
        OscLabel label;
        int sent = 0;
        for (OscControl *control : std::initializer_list<OscControl *>{&fader, &knob, &button, &label})
            connect(control, &OscControl::oscSendRequested, this, [&sent] { ++sent; });

        // Each value arrives at the fader, the knob and the button in turn; NaN changes nothing.
        const struct { double incoming, limited, button; } steps[] = {
            {2.5, 1, 1}, {NaN, 1, 1}, {-1, 0, 0}, {NaN, 0, 0}, {Infinity, 1, 1}, {-Infinity, 0, 0}, {0.7, 0.7, 1}, {0.5, 0.5, 0}};
        for (const auto &step : steps) {
            for (OscControl *control : std::initializer_list<OscControl *>{&fader, &knob, &button})
                control->setValue(step.incoming);
            QCOMPARE(fader.value(), step.limited);
            QCOMPARE(knob.value(), step.limited);
            QCOMPARE(button.value(), step.button);
            QCOMPARE(button.isPressed(), step.button == 1);
        }
        label.setValue(7.25);
        label.setValue(NaN);
        QCOMPARE(label.value(), 7.25);
        QCOMPARE(sent, 0);
    }

    void buttonReleaseOutsideSendsZero()
    {
        // Any mouse button holds it; a release away from it still lets go.
        auto osc = shownControl<OscButton>();
        QSignalSpy spy(osc.get(), &OscControl::oscSendRequested);
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            spy.clear();
            QTest::mousePress(osc.get(), button, Qt::NoModifier, QPoint(50, 50));
            QVERIFY(osc->isPressed());
            QTest::mouseRelease(osc.get(), button, Qt::NoModifier, QPoint(400, -60));
            QVERIFY(!osc->isPressed());
            QCOMPARE(sentValues(spy), QList<double>({1.0, 0.0}));
        }
    }

    void labelFormats()
    {
        const std::pair<double, const char *> numbers[] = {
            {2.9996, "3"}, {2.998, "3.00"}, {-12.345, "-12.35"}, {-0.0004, "0"}, {1e12, "1000000000000"}, {Infinity, "inf"}};
        for (const auto &[number, text] : numbers)
            QCOMPARE(OscLabel::formatNumber(number), QString::fromLatin1(text));
        // At most 20 characters, Chinese ones counted one each.
        QCOMPARE(OscLabel::shortenedText(QStringLiteral("abcdefghijklmnopqrst")), QStringLiteral("abcdefghijklmnopqrst"));
        QCOMPARE(OscLabel::shortenedText(QStringLiteral("abcdefghijklmnopqrstu")), QStringLiteral("abcdefghijklmnopqr..."));
        QCOMPARE(OscLabel::shortenedText(QString(21, QChar(0x4E2D))), QString(18, QChar(0x4E2D)) + QStringLiteral("..."));
    }

    void labelFlashesOnlyOnChange()
    {
        OscLabel label;
        label.setValue(3.0);
        QCOMPARE(label.flashAlpha(), OscLabel::FlashStartAlpha);
        QTRY_COMPARE(label.flashAlpha(), 0.0);
        label.setText(QStringLiteral("go"));
        QCOMPARE(label.flashAlpha(), OscLabel::FlashStartAlpha);
        QTRY_COMPARE(label.flashAlpha(), 0.0);

        label.setText(QStringLiteral("go"));
        label.setValue(3.00005); // the same number keeps the value and the text shown
        QCOMPARE(label.value(), 3.0);
        QCOMPARE(label.text(), QStringLiteral("go"));
        QCOMPARE(label.flashAlpha(), 0.0);

        label.setValue(3.5);
        QCOMPARE(label.text(), QString());
        QCOMPARE(label.flashAlpha(), OscLabel::FlashStartAlpha);
    }

    void canvasScale()
    {
        EditScene scene;
        FreeCanvas *canvas = scene.panel.canvas();
        auto *neighbour = new OscFader;
        scene.panel.addControl(neighbour);
        neighbour->setNormRect(QRectF(0.32, 0.1, 0.22, 0.35)); // just right of the fader
        canvas->relayoutControls();
        QSignalSpy spy(canvas, &FreeCanvas::controlScaleChanged);
        QVERIFY(!wheel(canvas, 120)); // a plain wheel scrolls, it does not zoom
        for (int notch = 0; notch < 6; ++notch)
            QVERIFY(wheel(canvas, 120, Qt::ControlModifier));
        // The layout scales as a whole: the canvas grows, positions and minimum sizes with the sizes.
        QVERIFY(!scene.fader->geometry().intersects(neighbour->geometry()));
        QCOMPARE(scene.fader->pos(), QPointF(0.1 * canvas->width(), 0.1 * canvas->height()).toPoint());
        QCOMPARE(scene.fader->minimumSize(), QSize(128, 160));

        // The signal comes for every notch, even at a limit.
        for (const double limit : {FreeCanvas::MaxScale, FreeCanvas::MinScale}) {
            spy.clear();
            for (int notch = 0; notch < 30; ++notch)
                wheel(canvas, limit > 1 ? 120 : -120, Qt::ControlModifier);
            QCOMPARE(spy.count(), 30);
            QCOMPARE(spy.last().at(0).toDouble(), limit);
        }
    }

    // At the smallest zoom a long caption and the values still fit inside each control: no text
    // runs over its outermost pixel columns, which lie outside the frame and stay all but clear.
    void textFitsAtSmallestZoom()
    {
        OscControlPanel panel(nullptr);
        panel.canvas()->setFixedSize(CanvasSize);
        panel.show();
        const QList<OscControl *> controls{new OscFader, new OscKnob, new OscButton, new OscLabel};
        for (OscControl *control : controls) {
            panel.addControl(control);
            control->setName(QStringLiteral("Master volume"));
            control->setNormRect(QRectF(0.1, 0.1, 0.1, 0.1));
            control->setValue(0.75);
        }
        panel.canvas()->setControlScale(FreeCanvas::MinScale);
        for (OscControl *control : controls) {
            const QImage image = control->grab().toImage();
            for (const int x : {0, image.width() - 1}) {
                for (int y = 0; y < image.height(); ++y)
                    QVERIFY2(qAlpha(image.pixel(x, y)) < 64, qPrintable(QStringLiteral("text at %1, %2").arg(x).arg(y)));
            }
            QVERIFY(control->shownCaption().startsWith(QStringLiteral("Mas")));
        }
    }

    void gridPaintedOnlyInEditMode()
    {
        OscControlPanel panel(nullptr);
        FreeCanvas *canvas = panel.canvas();
        auto *gridBox = panel.findChild<QComboBox *>();
        canvas->setFixedSize(CanvasSize);
        panel.resize(800, 700);
        panel.show();

        gridBox->setCurrentIndex(1); // 10 px
        QCOMPARE(maxAlpha(canvas->grab().toImage()), 0);

        panel.setEditMode(true);
        const QImage grid = canvas->grab().toImage();
        const int minor = maxAlpha(grid, QPoint(20, 20));
        QVERIFY2(minor > 0, "minor dots every 10 px");
        QVERIFY2(maxAlpha(grid, QPoint(50, 50)) > minor, "brighter dots every 50 px");
        QCOMPARE(maxAlpha(grid, QPoint(15, 15)), 0);

        gridBox->setCurrentIndex(0);
        const QImage faint = canvas->grab().toImage();
        QVERIFY2(maxAlpha(faint, QPoint(20, 20)) > 0 && maxAlpha(faint, QPoint(30, 30)) == 0, "faint dots every 20 px with the grid off");

        panel.setEditMode(false);
        QCOMPARE(maxAlpha(canvas->grab().toImage()), 0);
    }
};

QTEST_MAIN(tst_Controls)
#include "tst_controls.moc"
