// The control-panel page: adding, configuring, selecting and deleting controls, routing incoming
// values by address, and the grid and zoom bar.
#include "controls/FreeCanvas.h"
#include "controls/OscButton.h"
#include "controls/OscControlPanel.h"
#include "controls/OscFader.h"
#include "controls/OscKnob.h"
#include "controls/OscLabel.h"
#include "comm/CommunicationBase.h"
#include "i18n/LanguageManager.h"
#include "osc/OscWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QWheelEvent>
#include <QtEndian>

#include <cstring>
#include <functional>
#include <limits>

namespace {

using AddSlot = void (OscControlPanel::*)();

constexpr int DialogPollMs = 10;
constexpr int DialogPollLimit = 500;

// Answers the next modal dialog as soon as it is shown; the slot that opens it blocks until then.
void answerNextDialog(std::function<void(QDialog *)> answer)
{
    auto *timer = new QTimer;
    timer->setInterval(DialogPollMs);
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, polls, answer] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog && ++*polls < DialogPollLimit)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog)
            answer(dialog);
    });
    timer->start();
}

void cancelNextDialog()
{
    answerNextDialog([](QDialog *dialog) { dialog->reject(); });
}

OscControl *addCancelled(OscControlPanel &panel, AddSlot slot)
{
    cancelNextDialog();
    (panel.*slot)();
    return panel.controls().last();
}

QPushButton *buttonWithText(QWidget *root, const QString &text)
{
    const QList<QPushButton *> buttons = root->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

bool wheel(QWidget *widget, int angleDelta, Qt::KeyboardModifiers modifiers)
{
    const QPointF pos = QRectF(widget->rect()).center();
    QWheelEvent event(pos, widget->mapToGlobal(pos), QPoint(), QPoint(0, angleDelta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    // As from a real wheel, so that an event a control ignores travels up to the canvas.
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

struct DialogView {
    QString title;
    QString address;
    QString caption;
    int colorIndex = -1;
    int colorCount = 0;
};

DialogView readDialog(QDialog *dialog)
{
    DialogView view;
    view.title = dialog->windowTitle();
    view.address = dialog->findChild<QLineEdit *>(QStringLiteral("controlAddressEdit"))->text();
    view.caption = dialog->findChild<QLineEdit *>(QStringLiteral("controlCaptionEdit"))->text();
    auto *colors = dialog->findChild<QComboBox *>(QStringLiteral("controlColorCombo"));
    view.colorIndex = colors->currentIndex();
    view.colorCount = colors->count();
    return view;
}

// An OSC-string: the text, one NUL, then NULs up to a multiple of 4.
QByteArray oscString(const QByteArray &text)
{
    QByteArray bytes = text + '\0';
    while (bytes.size() % 4 != 0)
        bytes.append('\0');
    return bytes;
}

QByteArray int32Argument(qint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray float32Argument(float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(bits, bytes.data());
    return bytes;
}

float float32At(const QByteArray &bytes, int offset)
{
    const quint32 bits = qFromBigEndian<quint32>(bytes.constData() + offset);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The tool window bound to a port the system picked, sending to a peer socket on the loopback.
struct BoundWindow {
    OscWidget window;
    QUdpSocket peer;

    bool start()
    {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::AnyIPv4, 0) || !peer.bind(QHostAddress::LocalHost, 0))
            return false;
        const quint16 port = probe.localPort();
        probe.close();
        window.findChild<QSpinBox *>(QStringLiteral("localPortSpin"))->setValue(port);
        window.findChild<QLineEdit *>(QStringLiteral("targetHostEdit"))->setText(QStringLiteral("127.0.0.1"));
        window.findChild<QSpinBox *>(QStringLiteral("targetPortSpin"))->setValue(peer.localPort());
        window.toggleConnection();
        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("mainTabs"));
        tabs->setCurrentWidget(window.controlPanel());
        window.show();
        return window.isBound() && QTest::qWaitForWindowExposed(&window);
    }

    QByteArray receive()
    {
        if (!QTest::qWaitFor([this] { return peer.hasPendingDatagrams(); }, 5000))
            return QByteArray();
        QByteArray datagram(peer.pendingDatagramSize(), Qt::Uninitialized);
        peer.readDatagram(datagram.data(), datagram.size());
        return datagram;
    }

    // Sends to the window and waits until it has logged the datagram.
    bool deliver(const QByteArray &datagram)
    {
        const quint16 port = quint16(window.findChild<QSpinBox *>(QStringLiteral("localPortSpin"))->value());
        const qsizetype before = window.communication()->entries().size();
        peer.writeDatagram(datagram, QHostAddress::LocalHost, port);
        return QTest::qWaitFor([&] { return window.communication()->entries().size() > before; }, 5000);
    }
};

}

class tst_ControlPanel : public QObject
{
    Q_OBJECT

private slots:
    void startsInPlayMode();
    void editCheckShowsBarsAndSwitchesControls();
    void addOpensDialogAtOnce_data();
    void addOpensDialogAtOnce();
    void dialogOkTrimsAndSetsColour();
    void doubleClickOpensDialogOnCurrentColour_data();
    void doubleClickOpensDialogOnCurrentColour();
    void placementSteps();
    void selectionAndDelete();
    void numbersRepeatAfterDeletion();
    void sameAddressRouting();
    void editModeIgnoresIncoming();
    void nanLeavesEveryControl();
    void zoomButtons();
    void gridBoxSetsCanvasGrid();
    void ctrlWheelOverKnob();

    void faderDragArrivesAtPeer();
    void incomingDatagramsMoveControls();
    void editModeNeitherSendsNorMoves();
    void scaleSurvivesLanguageSwitches();
};

void tst_ControlPanel::startsInPlayMode()
{
    OscControlPanel panel(nullptr);
    panel.show();
    QVERIFY(!panel.editMode());
    QVERIFY(panel.controls().isEmpty());
    QVERIFY(!buttonWithText(&panel, QStringLiteral("+ 推子"))->isVisible());
    QVERIFY(!panel.findChild<QWidget *>(QStringLiteral("scaleBar"))->isVisible());
    QCOMPARE(panel.canvas()->gridSize(), 0);
    QCOMPARE(panel.canvas()->controlScale(), 1.0);
    QCOMPARE(panel.findChild<QComboBox *>()->currentText(), QStringLiteral("关闭"));
}

void tst_ControlPanel::editCheckShowsBarsAndSwitchesControls()
{
    OscControlPanel panel(nullptr);
    panel.show();
    OscControl *fader = addCancelled(panel, &OscControlPanel::addFader);
    QVERIFY(!fader->editMode());

    auto *check = panel.findChild<QCheckBox *>();
    QCOMPARE(check->text(), QStringLiteral("编辑模式"));
    check->click();
    QVERIFY(panel.editMode());
    QVERIFY(fader->editMode());
    QVERIFY(buttonWithText(&panel, QStringLiteral("删除"))->isVisible());
    QVERIFY(panel.findChild<QWidget *>(QStringLiteral("scaleBar"))->isVisible());

    OscControl *knob = addCancelled(panel, &OscControlPanel::addKnob);
    QVERIFY(knob->editMode()); // adopted in the panel's mode

    check->click();
    QVERIFY(!fader->editMode());
    QVERIFY(!knob->editMode());
    QVERIFY(!buttonWithText(&panel, QStringLiteral("删除"))->isVisible());
    QVERIFY(!panel.findChild<QWidget *>(QStringLiteral("scaleBar"))->isVisible());
}

void tst_ControlPanel::addOpensDialogAtOnce_data()
{
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<ControlType>("type");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("colorIndex");

    // Each is added as the second control, after one fader.
    QTest::newRow("fader") << QStringLiteral("+ 推子") << ControlType::Fader << QStringLiteral("/1/fader2") << QStringLiteral("Fader 2") << 0;
    QTest::newRow("button") << QStringLiteral("+ 按钮") << ControlType::Button << QStringLiteral("/1/button2") << QStringLiteral("Button 2") << 1;
    QTest::newRow("knob") << QStringLiteral("+ 旋钮") << ControlType::Knob << QStringLiteral("/1/knob2") << QStringLiteral("Knob 2") << 2;
    QTest::newRow("label") << QStringLiteral("+ Label") << ControlType::Label << QStringLiteral("/1/value2") << QStringLiteral("Value 2") << 3;
}

void tst_ControlPanel::addOpensDialogAtOnce()
{
    QFETCH(QString, buttonText);
    QFETCH(ControlType, type);
    QFETCH(QString, address);
    QFETCH(QString, caption);
    QFETCH(int, colorIndex);

    OscControlPanel panel(nullptr);
    panel.setEditMode(true);
    panel.show();
    addCancelled(panel, &OscControlPanel::addFader);

    DialogView seen;
    answerNextDialog([&seen](QDialog *dialog) {
        seen = readDialog(dialog);
        dialog->reject();
    });
    buttonWithText(&panel, buttonText)->click();

    QCOMPARE(seen.title, QStringLiteral("配置控件"));
    QCOMPARE(seen.address, address);
    QCOMPARE(seen.caption, caption);
    QCOMPARE(seen.colorIndex, colorIndex);
    QCOMPARE(seen.colorCount, 8);

    QCOMPARE(panel.controls().size(), 2);
    OscControl *added = panel.controls().last();
    QCOMPARE(added->type(), type);
    QCOMPARE(added->address(), address); // cancelling keeps the numbered defaults
    QCOMPARE(added->name(), caption);
    QCOMPARE(added->parentWidget(), panel.canvas());
    QVERIFY(added->isVisible());
}

void tst_ControlPanel::dialogOkTrimsAndSetsColour()
{
    OscControlPanel panel(nullptr);
    panel.show();
    answerNextDialog([](QDialog *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("controlAddressEdit"))->setText(QStringLiteral("  /mix/master \t"));
        dialog->findChild<QLineEdit *>(QStringLiteral("controlCaptionEdit"))->setText(QStringLiteral(" Master "));
        dialog->findChild<QComboBox *>(QStringLiteral("controlColorCombo"))->setCurrentIndex(4);
        dialog->accept();
    });
    panel.addFader();
    OscControl *fader = panel.controls().last();
    QCOMPARE(fader->address(), QStringLiteral("/mix/master"));
    QCOMPARE(fader->name(), QStringLiteral("Master"));
    QCOMPARE(fader->color(), QColor(QStringLiteral("#EC4899")));

    answerNextDialog([](QDialog *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("controlAddressEdit"))->setText(QStringLiteral("no-slash"));
        dialog->findChild<QLineEdit *>(QStringLiteral("controlCaptionEdit"))->clear();
        dialog->accept();
    });
    panel.configureControl(fader);
    QCOMPARE(fader->address(), QStringLiteral("no-slash"));
    QCOMPARE(fader->name(), QString());
    QCOMPARE(fader->color(), QColor(QStringLiteral("#EC4899")));
}

void tst_ControlPanel::doubleClickOpensDialogOnCurrentColour_data()
{
    QTest::addColumn<QString>("color");
    QTest::addColumn<int>("colorIndex");

    QTest::newRow("indigo") << QStringLiteral("#6366F1") << 5;
    QTest::newRow("sky") << QStringLiteral("#06B6D4") << 7;
    QTest::newRow("not in the list") << QStringLiteral("#123456") << 0;
}

void tst_ControlPanel::doubleClickOpensDialogOnCurrentColour()
{
    QFETCH(QString, color);
    QFETCH(int, colorIndex);

    OscControlPanel panel(nullptr);
    panel.resize(800, 700);
    panel.setEditMode(true);
    panel.show();
    OscControl *knob = addCancelled(panel, &OscControlPanel::addKnob);
    knob->setColor(QColor(color));

    DialogView seen;
    answerNextDialog([&seen](QDialog *dialog) {
        seen = readDialog(dialog);
        dialog->reject();
    });
    QTest::mouseDClick(knob, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QCOMPARE(seen.colorIndex, colorIndex);
    QCOMPARE(knob->color(), QColor(color));

    // In play mode a double-click is only one more press.
    panel.setEditMode(false);
    seen = DialogView();
    QTest::mouseDClick(knob, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QCOMPARE(seen.colorIndex, -1);
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_ControlPanel::placementSteps()
{
    OscControlPanel panel(nullptr);
    for (int i = 0; i < 8; ++i)
        addCancelled(panel, i % 2 ? &OscControlPanel::addLabel : &OscControlPanel::addButton);
    QCOMPARE(panel.controls().at(3)->normRect(), QRectF(190.0 / 400, 130.0 / 500, 0.22, 0.35));
    QCOMPARE(panel.controls().at(7)->normRect().x(), 0.075);
    QCOMPARE(panel.controls().at(7)->normRect().y(), 290.0 / 500);

    // Deleting does not move the cursor back.
    panel.setEditMode(true);
    panel.selectControl(panel.controls().first());
    panel.removeSelected();
    OscControl *ninth = addCancelled(panel, &OscControlPanel::addFader);
    QCOMPARE(ninth->normRect().topLeft(), QPointF(90.0 / 400, 330.0 / 500));
}

void tst_ControlPanel::selectionAndDelete()
{
    OscControlPanel panel(nullptr);
    panel.resize(800, 700);
    panel.show();
    OscControl *first = addCancelled(panel, &OscControlPanel::addFader);
    OscControl *second = addCancelled(panel, &OscControlPanel::addButton);
    panel.setEditMode(true);

    auto *remove = buttonWithText(&panel, QStringLiteral("删除"));
    remove->click(); // nothing selected
    QCOMPARE(panel.controls().size(), 2);

    QTest::mouseClick(second, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QCOMPARE(panel.selectedControl(), second);
    QVERIFY(second->isSelected());
    QVERIFY(!first->isSelected());
    QTest::mouseClick(first, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QCOMPARE(panel.selectedControl(), first);
    QVERIFY(!second->isSelected());

    // Leaving and re-entering edit mode leaves nothing selected.
    panel.setEditMode(false);
    panel.setEditMode(true);
    QCOMPARE(panel.selectedControl(), nullptr);
    QVERIFY(!first->isSelected());

    QTest::mouseClick(first, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QPointer<OscControl> removed(first);
    remove->click();
    QCOMPARE(panel.controls(), QList<OscControl *>{second});
    QCOMPARE(panel.selectedControl(), nullptr);
    QTRY_VERIFY(removed.isNull());
}

void tst_ControlPanel::numbersRepeatAfterDeletion()
{
    OscControlPanel panel(nullptr);
    OscControl *first = addCancelled(panel, &OscControlPanel::addFader);
    addCancelled(panel, &OscControlPanel::addFader);
    panel.setEditMode(true);
    panel.selectControl(first);
    panel.removeSelected();
    OscControl *again = addCancelled(panel, &OscControlPanel::addFader);
    QCOMPARE(again->address(), QStringLiteral("/1/fader2"));
    QCOMPARE(panel.controls().first()->address(), QStringLiteral("/1/fader2"));
}

void tst_ControlPanel::sameAddressRouting()
{
    OscControlPanel panel(nullptr);
    auto *fader = static_cast<OscFader *>(addCancelled(panel, &OscControlPanel::addFader));
    auto *label = static_cast<OscLabel *>(addCancelled(panel, &OscControlPanel::addLabel));
    auto *secondFader = static_cast<OscFader *>(addCancelled(panel, &OscControlPanel::addFader));
    auto *secondLabel = static_cast<OscLabel *>(addCancelled(panel, &OscControlPanel::addLabel));
    const QString shared = QStringLiteral("/mix/level");
    for (OscControl *control : panel.controls())
        control->setAddress(shared);

    QSignalSpy sent(fader, &OscControl::oscSendRequested);
    panel.setControlValue(shared, 0.4);
    QCOMPARE(fader->value(), 0.4);
    QCOMPARE(label->value(), 0.0);
    QCOMPARE(secondFader->value(), 0.0);

    panel.setControlText(shared, QStringLiteral("hello"));
    QCOMPARE(label->text(), QStringLiteral("hello"));
    QCOMPARE(secondLabel->text(), QString());
    QCOMPARE(fader->value(), 0.4);

    panel.setControlValue(QStringLiteral("/MIX/LEVEL"), 0.9); // exact, case-sensitive
    panel.setControlValue(QStringLiteral("/mix/*"), 0.9);     // no pattern matching
    QCOMPARE(fader->value(), 0.4);

    auto *button = static_cast<OscButton *>(addCancelled(panel, &OscControlPanel::addButton));
    panel.setControlText(button->address(), QStringLiteral("on")); // only labels take texts
    QVERIFY(!button->isPressed());
    QCOMPARE(sent.count(), 0);
}

void tst_ControlPanel::editModeIgnoresIncoming()
{
    OscControlPanel panel(nullptr);
    auto *fader = static_cast<OscFader *>(addCancelled(panel, &OscControlPanel::addFader));
    auto *label = static_cast<OscLabel *>(addCancelled(panel, &OscControlPanel::addLabel));
    panel.setEditMode(true);
    panel.setControlValue(fader->address(), 0.8);
    panel.setControlText(label->address(), QStringLiteral("x"));
    QCOMPARE(fader->value(), 0.0);
    QCOMPARE(label->text(), QString());
    panel.setEditMode(false);
    panel.setControlValue(fader->address(), 0.8);
    QCOMPARE(fader->value(), 0.8);
}

void tst_ControlPanel::nanLeavesEveryControl()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    OscControlPanel panel(nullptr);
    auto *fader = static_cast<OscFader *>(addCancelled(panel, &OscControlPanel::addFader));
    auto *knob = static_cast<OscKnob *>(addCancelled(panel, &OscControlPanel::addKnob));
    auto *button = static_cast<OscButton *>(addCancelled(panel, &OscControlPanel::addButton));
    auto *label = static_cast<OscLabel *>(addCancelled(panel, &OscControlPanel::addLabel));
    panel.setControlValue(fader->address(), 0.3);
    panel.setControlValue(knob->address(), 0.6);
    panel.setControlValue(button->address(), 1.0);
    panel.setControlValue(label->address(), 7.25);

    for (OscControl *control : panel.controls())
        panel.setControlValue(control->address(), nan);
    QCOMPARE(fader->value(), 0.3);
    QCOMPARE(knob->value(), 0.6);
    QVERIFY(button->isPressed());
    QCOMPARE(label->value(), 7.25);

    // A fader left by a NaN still follows the pointer afterwards.
    fader->resize(100, 165);
    QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, QPoint(50, 80));
    QTest::mouseMove(fader, QPoint(50, 70));
    QCOMPARE(fader->value(), 0.6);
    QTest::mouseRelease(fader, Qt::LeftButton);

    panel.setControlValue(fader->address(), -infinity);
    panel.setControlValue(knob->address(), infinity);
    QCOMPARE(fader->value(), 0.0);
    QCOMPARE(knob->value(), 1.0);
}

void tst_ControlPanel::zoomButtons()
{
    OscControlPanel panel(nullptr);
    panel.setEditMode(true);
    panel.show();
    QSignalSpy spy(panel.canvas(), &FreeCanvas::controlScaleChanged);
    auto *scaleLabel = panel.findChild<QLabel *>(QStringLiteral("scaleLabel"));
    QCOMPARE(scaleLabel->text(), QStringLiteral("100%"));

    buttonWithText(&panel, QStringLiteral("+"))->click();
    QCOMPARE(scaleLabel->text(), QStringLiteral("110%"));
    for (int i = 0; i < 25; ++i)
        buttonWithText(&panel, QStringLiteral("+"))->click();
    QCOMPARE(spy.count(), 26); // also at the limit
    QCOMPARE(panel.canvas()->controlScale(), 3.0);
    QCOMPARE(scaleLabel->text(), QStringLiteral("300%"));

    buttonWithText(&panel, QStringLiteral("1:1"))->click();
    QCOMPARE(scaleLabel->text(), QStringLiteral("100%"));
    buttonWithText(&panel, QStringLiteral("\u2212"))->click();
    QCOMPARE(panel.canvas()->controlScale(), 0.9);
    QCOMPARE(scaleLabel->text(), QStringLiteral("90%"));
}

void tst_ControlPanel::gridBoxSetsCanvasGrid()
{
    OscControlPanel panel(nullptr);
    auto *grid = panel.findChild<QComboBox *>();
    const int expected[] = {0, 10, 20, 40};
    for (int index = 3; index >= 0; --index) {
        grid->setCurrentIndex(index);
        QCOMPARE(panel.canvas()->gridSize(), expected[index]);
    }
}

void tst_ControlPanel::ctrlWheelOverKnob()
{
    OscControlPanel panel(nullptr);
    panel.resize(800, 700);
    panel.show();
    OscControl *knob = addCancelled(panel, &OscControlPanel::addKnob);

    // The knob takes the wheel in both modes, so Ctrl+wheel over it never zooms the canvas.
    QVERIFY(wheel(knob, 120, Qt::ControlModifier));
    QCOMPARE(knob->value(), 0.12);
    panel.setEditMode(true);
    QVERIFY(wheel(knob, 120, Qt::ControlModifier));
    QCOMPARE(knob->value(), 0.12);
    QCOMPARE(panel.canvas()->controlScale(), 1.0);

    QVERIFY(wheel(panel.canvas(), 120, Qt::ControlModifier));
    QCOMPARE(panel.canvas()->controlScale(), 1.1);
}

void tst_ControlPanel::faderDragArrivesAtPeer()
{
    BoundWindow bound;
    QVERIFY(bound.start());
    OscControlPanel *panel = bound.window.controlPanel();
    auto *fader = static_cast<OscFader *>(addCancelled(*panel, &OscControlPanel::addFader));
    QVERIFY(fader->isVisible());

    QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, QPoint(fader->width() / 2, 5));
    QCOMPARE(bound.receive(), oscString("/1/fader1") + oscString(",i") + int32Argument(1));

    const int trackLength = fader->height() - OscFader::TrackTop - OscFader::TrackBottomMargin;
    const int third = OscFader::TrackTop + trackLength / 3;
    QTest::mouseMove(fader, QPoint(fader->width() / 2, third));
    const QByteArray moved = bound.receive();
    const QByteArray head = oscString("/1/fader1") + oscString(",f");
    QCOMPARE(moved.size(), head.size() + 4);
    QCOMPARE(moved.left(head.size()), head);
    QVERIFY(fader->value() > 0.5 && fader->value() < 0.8);
    QVERIFY(qAbs(float32At(moved, int(head.size())) - fader->value()) < 1e-6);
    QTest::mouseRelease(fader, Qt::LeftButton);
    QVERIFY(!bound.peer.hasPendingDatagrams());
}

void tst_ControlPanel::incomingDatagramsMoveControls()
{
    BoundWindow bound;
    QVERIFY(bound.start());
    OscControlPanel *panel = bound.window.controlPanel();
    auto *fader = static_cast<OscFader *>(addCancelled(*panel, &OscControlPanel::addFader));
    auto *label = static_cast<OscLabel *>(addCancelled(*panel, &OscControlPanel::addLabel));
    auto *button = static_cast<OscButton *>(addCancelled(*panel, &OscControlPanel::addButton));

    QVERIFY(bound.deliver(oscString("/1/fader1") + oscString(",f") + float32Argument(0.25f)));
    QCOMPARE(fader->value(), 0.25);
    QVERIFY(bound.deliver(oscString("/1/value2") + oscString(",s") + oscString("hello")));
    QCOMPARE(label->text(), QStringLiteral("hello"));
    QVERIFY(bound.deliver(oscString("/1/button3") + oscString(",T")));
    QVERIFY(button->isPressed());
    QVERIFY(bound.deliver(oscString("/1/fader1") + oscString(",f") + float32Argument(std::numeric_limits<float>::quiet_NaN())));
    QCOMPARE(fader->value(), 0.25);

    // Received values are never sent back: the first datagram the peer gets is a real press.
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QCOMPARE(bound.receive(), oscString("/1/button3") + oscString(",i") + int32Argument(1));
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
}

void tst_ControlPanel::editModeNeitherSendsNorMoves()
{
    BoundWindow bound;
    QVERIFY(bound.start());
    OscControlPanel *panel = bound.window.controlPanel();
    auto *fader = static_cast<OscFader *>(addCancelled(*panel, &OscControlPanel::addFader));
    auto *button = static_cast<OscButton *>(addCancelled(*panel, &OscControlPanel::addButton));
    panel->findChild<QCheckBox *>()->click();
    QVERIFY(panel->editMode());

    QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseMove(fader, QPoint(40, 5));
    QTest::mouseRelease(fader, Qt::LeftButton, Qt::NoModifier, QPoint(40, 5));
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    panel->onControlOscSend(fader->address(), 0.5);
    QVERIFY(bound.deliver(oscString("/1/fader1") + oscString(",f") + float32Argument(0.75f)));
    QCOMPARE(fader->value(), 0.0);

    // Back in play mode, the first datagram the peer gets is the one pressed now.
    panel->findChild<QCheckBox *>()->click();
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QCOMPARE(bound.receive(), oscString("/1/button2") + oscString(",i") + int32Argument(1));
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QCOMPARE(bound.receive(), oscString("/1/button2") + oscString(",i") + int32Argument(0));
}

void tst_ControlPanel::scaleSurvivesLanguageSwitches()
{
    OscWidget window;
    OscControlPanel *panel = window.controlPanel();
    auto *scaleLabel = panel->findChild<QLabel *>(QStringLiteral("scaleLabel"));
    LanguageManager &language = LanguageManager::instance();

    panel->canvas()->setControlScale(1.1);
    language.setLanguage(1);
    language.setLanguage(0);
    panel->canvas()->setControlScale(1.5);
    language.setLanguage(1);
    QCOMPARE(scaleLabel->text(), QStringLiteral("150%"));
    language.setLanguage(0);
    QCOMPARE(scaleLabel->text(), QStringLiteral("150%"));
    QCOMPARE(panel->findChild<QCheckBox *>()->text(), QStringLiteral("编辑模式"));
}

QTEST_MAIN(tst_ControlPanel)
#include "tst_controlpanel.moc"
