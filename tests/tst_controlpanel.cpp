// The control-panel page: adding, configuring, selecting and deleting controls, routing incoming
// values by address, and the page inside a tool window bound to real sockets.
#include "controls/FreeCanvas.h"
#include "controls/OscButton.h"
#include "controls/OscControlPanel.h"
#include "controls/OscFader.h"
#include "controls/OscLabel.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"
#include "support/WindowTestSupport.h"

#include <functional>

namespace {

using AddSlot = void (OscControlPanel::*)();

// Runs open() and answers the modal dialog it shows from a timer, since exec() blocks until then.
void answerDialog(const std::function<void()> &open, const std::function<void(QDialog *)> &answer)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            poll.stop();
            answer(dialog);
        }
    });
    poll.start(10);
    open();
}

// The address, caption and colour index in the dialog open() shows, which is then cancelled.
QStringList cancelledDialog(const std::function<void()> &open)
{
    QStringList seen;
    answerDialog(open, [&seen](QDialog *dialog) {
        seen = QStringList{dialog->findChild<QLineEdit *>(QStringLiteral("controlAddressEdit"))->text(),
                           dialog->findChild<QLineEdit *>(QStringLiteral("controlCaptionEdit"))->text(),
                           QString::number(dialog->findChild<QComboBox *>()->currentIndex())};
        dialog->reject();
    });
    return seen;
}

template <typename Control = OscControl>
Control *addAccepted(OscControlPanel &panel, AddSlot slot)
{
    answerDialog([&] { (panel.*slot)(); }, [](QDialog *dialog) { dialog->accept(); });
    return static_cast<Control *>(panel.controls().last());
}

QPushButton *buttonWithText(QWidget *root, const QString &text)
{
    for (QPushButton *button : root->findChildren<QPushButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

}

class tst_ControlPanel : public QObject
{
    Q_OBJECT

private slots:

    void addAndConfigure()
    {
        OscControlPanel panel(nullptr);
        panel.resize(800, 700);
        panel.setEditMode(true);
        panel.show();
        // Each kind is added in turn: its number counts every control, its colour cycles.
        const struct { const char *button; ControlType type; QStringList dialog; } kinds[] = {
            {"+ 推子", ControlType::Fader, {"/1/fader1", "Fader 1", "0"}},
            {"+ 按钮", ControlType::Button, {"/1/button2", "Button 2", "1"}},
            {"+ 旋钮", ControlType::Knob, {"/1/knob3", "Knob 3", "2"}},
            {"+ 标签", ControlType::Label, {"/1/value4", "Value 4", "3"}}};
        for (const auto &kind : kinds) {
            QPushButton *add = buttonWithText(&panel, QString::fromUtf8(kind.button));
            QCOMPARE(cancelledDialog([&] { add->click(); }), kind.dialog);
            answerDialog([&] { add->click(); }, [](QDialog *dialog) { dialog->accept(); });
            OscControl *added = panel.controls().last();
            QCOMPARE(added->type(), kind.type);
            QCOMPARE((QStringList{added->address(), added->name()}), kind.dialog.mid(0, 2));
            QVERIFY(added->isVisible() && added->editMode());
        }
        QCOMPARE(panel.controls().size(), 4); // cancelling added nothing

        // OK waits for a usable address and the dialog says why; configuring opens the same dialog.
        QStringList verdicts;
        answerDialog([&] { panel.addFader(); }, [&verdicts](QDialog *dialog) {
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("controlAddressEdit"));
            auto *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            auto *problem = dialog->findChild<QLabel *>(QStringLiteral("controlAddressProblem"));
            for (const char *typed : {"", " /mix/a ", "/mix{1}", "mix"}) {
                edit->clear();
                QTest::keyClicks(edit, QLatin1String(typed));
                verdicts << (ok->isEnabled() ? QStringLiteral("OK") : QString()) + (problem->isVisible() ? problem->text() : QString());
            }
            dialog->reject();
        });
        QCOMPARE(verdicts, QStringList({QStringLiteral("地址不能为空"), QStringLiteral("OK"),
                                        QStringLiteral("地址不能包含字符 {"), QStringLiteral("地址必须以 / 开头")}));

        answerDialog([&] { panel.addFader(); }, [](QDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("controlAddressEdit"))->setText(QStringLiteral("  /mix/master \t"));
            dialog->findChild<QLineEdit *>(QStringLiteral("controlCaptionEdit"))->setText(QStringLiteral(" Master "));
            dialog->findChild<QComboBox *>()->setCurrentIndex(4);
            dialog->accept();
        });
        OscControl *fader = panel.controls().last();
        QCOMPARE(fader->address(), QStringLiteral("/mix/master"));
        QCOMPARE(fader->name(), QStringLiteral("Master"));
        QCOMPARE(fader->color(), QColor(QStringLiteral("#EC4899")));

        // A double-click opens it again in edit mode only, on the first colour for one not in its list.
        const auto doubleClick = [fader] { QTest::mouseDClick(fader, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30)); };
        fader->setColor(QColor(QStringLiteral("#123456")));
        QCOMPARE(cancelledDialog(doubleClick).value(2), QStringLiteral("0"));
        panel.setEditMode(false);
        QCOMPARE(cancelledDialog(doubleClick), QStringList());
    }

    void placementSelectionAndDelete()
    {
        OscControlPanel panel(nullptr);
        panel.resize(800, 700);
        panel.show();
        for (int i = 0; i < 8; ++i)
            addAccepted(panel, i % 2 ? &OscControlPanel::addLabel : &OscControlPanel::addButton);
        QList<OscControl *> controls = panel.controls();
        QCOMPARE(controls.at(3)->normRect(), QRectF(190.0 / 400, 130.0 / 500, 0.22, 0.35));
        QCOMPARE(controls.at(7)->normRect().topLeft(), QPointF(0.075, 290.0 / 500));

        panel.setEditMode(true);
        auto *remove = buttonWithText(&panel, QStringLiteral("删除"));
        remove->click(); // nothing selected
        QTest::mouseClick(controls.at(1), Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
        QTest::mouseClick(controls.at(0), Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
        QVERIFY(controls.at(0)->isSelected() && !controls.at(1)->isSelected());
        remove->click();
        QCOMPARE(panel.controls(), controls.mid(1));

        // In edit mode the Delete key removes the selection and Ctrl+Z brings back the last one removed.
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QTest::mouseClick(controls.at(3), Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
        QVERIFY(panel.hasFocus());
        static_cast<OscLabel *>(controls.at(3))->setText(QStringLiteral("go"));
        const QStringList removed{controls.at(3)->address(), controls.at(3)->name(), QStringLiteral("go")};
        QTest::keyClick(&panel, Qt::Key_Delete);
        QTest::keyClick(&panel, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&panel, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(panel.controls().size(), 7);
        OscControl *restored = panel.controls().last();
        QCOMPARE((QStringList{restored->address(), restored->name(), static_cast<OscLabel *>(restored)->text()}), removed);
        QVERIFY(restored->isVisible() && restored->editMode() && restored->type() == ControlType::Label);

        // Deleting moves neither the placement cursor back nor the numbers apart.
        OscControl *ninth = addAccepted(panel, &OscControlPanel::addFader);
        QCOMPARE(ninth->normRect().topLeft(), QPointF(90.0 / 400, 330.0 / 500));
        QCOMPARE(ninth->address(), QStringLiteral("/1/fader8"));
    }

    void sameAddressRouting()
    {
        OscControlPanel panel(nullptr);
        auto *fader = new OscFader, *secondFader = new OscFader;
        auto *label = new OscLabel, *secondLabel = new OscLabel;
        const QString shared = QStringLiteral("/mix/level");
        for (OscControl *control : std::initializer_list<OscControl *>{fader, label, secondFader, secondLabel}) {
            panel.addControl(control);
            control->setAddress(shared);
        }

        // Numbers go to the first control with the exact address, texts to the first label.
        panel.setControlValue(shared, 0.4);
        panel.setControlText(shared, QStringLiteral("hello"));
        panel.setControlValue(QStringLiteral("/MIX/LEVEL"), 0.9);
        panel.setControlValue(QStringLiteral("/mix/level/*"), 0.9);
        QCOMPARE(fader->value(), 0.4);
        QCOMPARE(secondFader->value(), 0.0);
        QCOMPARE(label->text(), QStringLiteral("hello"));
        QCOMPARE(secondLabel->text(), QString());

        // An address pattern moves every control it matches.
        panel.setControlValue(QStringLiteral("/mix/*"), 0.9);
        panel.setControlText(QStringLiteral("/mix/{x,level}"), QStringLiteral("both"));
        QCOMPARE(fader->value(), 0.9);
        QCOMPARE(secondFader->value(), 0.9);
        QCOMPARE((QStringList{label->text(), secondLabel->text()}), QStringList({"both", "both"}));
    }

    void zoomSurvivesLanguageSwitches()
    {
        OscWidget window;
        OscControlPanel *panel = window.controlPanel();
        auto *scaleLabel = panel->findChild<QLabel *>(QStringLiteral("scaleLabel"));
        buttonWithText(panel, QStringLiteral("+"))->click();
        buttonWithText(panel, QStringLiteral("1:1"))->click();
        buttonWithText(panel, QStringLiteral("\u2212"))->click();
        QCOMPARE(scaleLabel->text(), QStringLiteral("90%"));

        // The read-out follows the scale, whatever the language was when it last changed.
        LanguageManager &language = LanguageManager::instance();
        language.setLanguage(1);
        language.setLanguage(0);
        panel->canvas()->setControlScale(1.5);
        language.setLanguage(1);
        QCOMPARE(scaleLabel->text(), QStringLiteral("150%"));
        language.setLanguage(0);
        QCOMPARE(scaleLabel->text(), QStringLiteral("150%"));
    }

    void datagramsFlowOnlyInPlayMode()
    {
        WindowSession session;
        QVERIFY(session.open());
        OscControlPanel *panel = session.window.controlPanel();
        auto *fader = addAccepted<OscFader>(*panel, &OscControlPanel::addFader);
        auto *button = addAccepted<OscButton>(*panel, &OscControlPanel::addButton);
        const auto deliver = [&session](const char *address, const char *tags, const char *values = "") {
            return session.deliver(OscCodec::buildOscMessage(QLatin1String(address), QLatin1String(tags), QLatin1String(values)));
        };

        // In edit mode a received value moves nothing and a control's value does not leave the panel.
        panel->setEditMode(true);
        panel->onControlOscSend(fader->address(), 0.5);
        QVERIFY(deliver("/1/fader1", ",f", "0.75"));
        QCOMPARE(fader->value(), 0.0);

        panel->setEditMode(false);
        QVERIFY(deliver("/1/fader1", ",f", "0.25"));
        QCOMPARE(fader->value(), 0.25);
        QVERIFY(deliver("/1/fader1", ",f", "nan"));
        QCOMPARE(fader->value(), 0.25);

        // Neither edit mode nor received values sent anything: the first datagram at the peer is from
        // this press, sent by the window, a float like every value between the ends.
        fader->resize(100, 165);
        QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, QPoint(50, 5));
        QCOMPARE(OscCodec::decodeOscToText(session.receive()), QStringLiteral("/1/fader1 ,f 1.0000"));
        QCOMPARE(loggedTexts(session.window, LogDirection::Tx).last(), QStringLiteral("OSC /1/fader1 ,f 1.000000"));

        // Set to whole numbers from 0 to 127, it sends and takes values in that range.
        panel->setEditMode(true);
        answerDialog([&] { QTest::mouseDClick(fader, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30)); }, [](QDialog *dialog) {
            dialog->findChild<QComboBox *>(QStringLiteral("controlOutputTypeCombo"))->setCurrentIndex(1);
            dialog->findChild<QDoubleSpinBox *>(QStringLiteral("controlOutputHighSpin"))->setValue(127);
            dialog->accept();
        });
        panel->setEditMode(false);
        fader->resize(100, 165);
        QTest::mousePress(fader, Qt::LeftButton, Qt::NoModifier, QPoint(50, 80));
        QCOMPARE(OscCodec::decodeOscToText(session.receive()), QStringLiteral("/1/fader1 ,i 64"));
        QCOMPARE(loggedTexts(session.window, LogDirection::Tx).last(), QStringLiteral("OSC /1/fader1 ,i 64"));
        QVERIFY(deliver("/1/fader1", ",i", "127"));
        QCOMPARE(fader->value(), 1.0);
        QCOMPARE(fader->outputText(fader->value(), 3), QStringLiteral("127")); // the read-out shows what is sent

        // A button sends its press and release values, 1.0 and 0.0 unless set otherwise.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(OscCodec::decodeOscToText(session.receive()), QStringLiteral("/1/button2 ,f 1.0000"));
        QCOMPARE(OscCodec::decodeOscToText(session.receive()), QStringLiteral("/1/button2 ,f 0.0000"));
    }
};

QTEST_MAIN(tst_ControlPanel)
#include "tst_controlpanel.moc"
