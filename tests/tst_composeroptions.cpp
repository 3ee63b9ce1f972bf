// The send area's options in the window, over a real socket: typed tags, bundles, raw bytes and
// refusals (their bytes in every detail are in tst_messagecomposer), Ctrl+Enter and the history.
#include "i18n/LanguageManager.h"
#include "osc/ComposerOptions.h"
#include "support/WindowTestSupport.h"

class tst_ComposerOptions : public QObject
{
    Q_OBJECT

private slots:
    void init() { LanguageManager::instance().setLanguage(1); }
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    // Ctrl+Enter sends what the fields and boxes compose; a refusal sends nothing and says why.
    // Up and Down walk back through the last sends, at most HistorySize, and forward to the draft.
    void composeSendAndWalkBack()
    {
        OscWidget window;
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress::LocalHost, 0) && bindWindow(window));
        field<QSpinBox>(window, "targetPortSpin")->setValue(peer.localPort());
        auto *address = field<QLineEdit>(window, "addressEdit");
        auto *tags = field<QComboBox>(window, "typeCombo");
        auto *values = field<QLineEdit>(window, "argsEdit");
        const auto send = [&](const QString &typedTags, const QString &typedValues, const char *option = nullptr) {
            tags->setCurrentText(typedTags);
            values->setText(typedValues);
            if (option)
                field<QCheckBox>(window, option)->setChecked(true);
            QTest::keyClick(values, Qt::Key_Return, Qt::ControlModifier);
            if (option)
                field<QCheckBox>(window, option)->setChecked(false);
            if (!QTest::qWaitFor([&peer] { return peer.hasPendingDatagrams(); }, 1000))
                return QByteArray();
            return peer.hasPendingDatagrams() ? peer.receiveDatagram().data().toHex() : QByteArray();
        };
        address->setText(QStringLiteral("/c"));
        const QByteArray message("2f6300002c680000" "0000000000000007");
        QCOMPARE(send(QStringLiteral("h"), QStringLiteral("7")), message);
        QCOMPARE(send(QStringLiteral("h"), QStringLiteral("7"), "sendAsBundleCheck"),
                 "2362756e646c6500" "0000000000000001" "00000010" + message);
        QCOMPARE(send(QString(), QStringLiteral("2f 63 00 00"), "rawBytesCheck"), QByteArray("2f630000"));
        QCOMPARE(send(QStringLiteral("r"), QStringLiteral("#ff")), QByteArray());
        QCOMPARE(loggedTexts(window),
                 QStringList({QStringLiteral("UDP port bound: %1").arg(window.findChild<QSpinBox *>("localPortSpin")->value()),
                              "OSC /c ,h 7", QString::fromUtf8("OSC #bundle ▸ /c ,h 7"), "OSC /c ",
                              "Send failed: Invalid value: r needs a colour #RRGGBBAA, got \"#ff\""}));

        for (int i = 0; i < ComposerOptions::HistorySize; ++i)
            send(QStringLiteral("i"), QString::number(i));
        address->setText(QStringLiteral("/draft"));
        values->setText(QStringLiteral("x"));
        const auto fields = [&] { return QStringList({address->text(), tags->currentText(), values->text()}); };
        QTest::keyClick(values, Qt::Key_Up);
        QCOMPARE(fields(), QStringList({"/c", "i", QString::number(ComposerOptions::HistorySize - 1)}));
        for (int i = 0; i < ComposerOptions::HistorySize; ++i)
            QTest::keyClick(values, Qt::Key_Up);
        QCOMPARE(fields(), QStringList({"/c", "i", "0"}));
        for (int i = 0; i < ComposerOptions::HistorySize; ++i)
            QTest::keyClick(values, Qt::Key_Down);
        QCOMPARE(fields(), QStringList({"/draft", "i", "x"}));
    }
};

QTEST_MAIN(tst_ComposerOptions)
#include "tst_composeroptions.moc"
