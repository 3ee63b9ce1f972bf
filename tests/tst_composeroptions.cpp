// The send area's options in the window, over a real socket: typed tags, bundles, raw bytes,
// Ctrl+Enter and walking the messages sent last.
#include "i18n/LanguageManager.h"
#include "osc/ComposerOptions.h"
#include "support/WindowTestSupport.h"

namespace {

struct Composer
{
    OscWidget window;
    QUdpSocket peer;

    bool open()
    {
        if (!peer.bind(QHostAddress::LocalHost, 0) || !bindWindow(window))
            return false;
        field<QSpinBox>(window, "targetPortSpin")->setValue(peer.localPort());
        return true;
    }
    void compose(const QString &address, const QString &tags, const QString &values)
    {
        field<QLineEdit>(window, "addressEdit")->setText(address);
        field<QComboBox>(window, "typeCombo")->setCurrentText(tags);
        field<QLineEdit>(window, "argsEdit")->setText(values);
    }
    QByteArray received()
    {
        QTest::qWaitFor([this] { return peer.hasPendingDatagrams(); }, 5000);
        return peer.receiveDatagram().data();
    }
};

} // namespace

class tst_ComposerOptions : public QObject
{
    Q_OBJECT

private slots:
    void init() { LanguageManager::instance().setLanguage(1); }
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    // What goes out and the TX row, for each way of composing; a refusal sends nothing.
    void sends_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("row");
        const QByteArray message = QByteArray("/c\0\0,h\0\0", 8) + QByteArray::fromHex("0000000000000007");
        QTest::newRow("typed tags") << "h" << "7" << "" << message << "OSC /c ,h 7";
        QTest::newRow("bundle") << "h" << "7" << "sendAsBundleCheck"
                                << QByteArray("#bundle\0", 8) + QByteArray::fromHex("0000000000000001" "00000010") + message
                                << QString::fromUtf8("OSC #bundle ▸ /c ,h 7");
        QTest::newRow("raw bytes") << "" << "2f 63 00 00" << "rawBytesCheck" << QByteArray("/c\0\0", 4)
                                   << "OSC /c ";
        QTest::newRow("refused colour") << "r" << "#ff" << "" << QByteArray()
                                        << "Send failed: Invalid value: r needs a colour #RRGGBBAA, got \"#ff\"";
        QTest::newRow("refused raw") << "" << "2f6" << "rawBytesCheck" << QByteArray()
                                     << "Send failed: Invalid value: raw bytes need hex digits in pairs, got \"2f6\"";
    }
    void sends()
    {
        QFETCH(QString, tags);
        QFETCH(QString, values);
        QFETCH(QString, option);
        QFETCH(QByteArray, datagram);
        QFETCH(QString, row);
        Composer composer;
        QVERIFY(composer.open());
        composer.compose(QStringLiteral("/c"), tags, values);
        if (!option.isEmpty())
            field<QCheckBox>(composer.window, option.toLatin1().constData())->setChecked(true);
        composer.window.sendData();
        QCOMPARE(composer.window.communication()->entries().constLast().text, row);
        if (!datagram.isEmpty())
            QCOMPARE(composer.received().toHex(), datagram.toHex());
        QCOMPARE(loggedTexts(composer.window, LogDirection::Tx).size(), datagram.isEmpty() ? 0 : 1);
    }

    // Ctrl+Enter sends from the fields; Up and Down walk back through what was sent and forward
    // again to what was being typed.
    void keys()
    {
        Composer composer;
        QVERIFY(composer.open());
        auto *values = field<QLineEdit>(composer.window, "argsEdit");
        auto *address = field<QLineEdit>(composer.window, "addressEdit");
        auto *tags = field<QComboBox>(composer.window, "typeCombo");
        composer.compose(QStringLiteral("/a"), QStringLiteral(",i (int32)"), QStringLiteral("1"));
        QTest::keyClick(values, Qt::Key_Return, Qt::ControlModifier);
        composer.compose(QStringLiteral("/b"), QStringLiteral("d"), QStringLiteral("2.5"));
        QTest::keyClick(address, Qt::Key_Enter, Qt::ControlModifier);
        QCOMPARE(loggedTexts(composer.window, LogDirection::Tx),
                 QStringList({QStringLiteral("OSC /a ,i 1"), QStringLiteral("OSC /b ,d 2.5000")}));
        composer.compose(QStringLiteral("/draft"), QStringLiteral("s"), QStringLiteral("x"));

        const auto fields = [&] { return QStringList({address->text(), tags->currentText(), values->text()}); };
        QTest::keyClick(values, Qt::Key_Up);
        QCOMPARE(fields(), QStringList({"/b", "d", "2.5"}));
        QTest::keyClick(values, Qt::Key_Up);
        QCOMPARE(fields(), QStringList({"/a", ",i (int32)", "1"}));
        QTest::keyClick(values, Qt::Key_Up);
        QCOMPARE(fields(), QStringList({"/a", ",i (int32)", "1"}));
        QTest::keyClick(values, Qt::Key_Down);
        QTest::keyClick(values, Qt::Key_Down);
        QCOMPARE(fields(), QStringList({"/draft", "s", "x"}));
    }

    // Only the last HistorySize sends are kept.
    void historyKeepsTheLastFifty()
    {
        Composer composer;
        QVERIFY(composer.open());
        auto *values = field<QLineEdit>(composer.window, "argsEdit");
        for (int i = 0; i <= ComposerOptions::HistorySize; ++i) {
            composer.compose(QStringLiteral("/n"), QStringLiteral("i"), QString::number(i));
            composer.window.sendData();
        }
        for (int i = 0; i <= ComposerOptions::HistorySize; ++i)
            QTest::keyClick(values, Qt::Key_Up);
        QCOMPARE(values->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(tst_ComposerOptions)
#include "tst_composeroptions.moc"
