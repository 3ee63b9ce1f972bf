// liblo's command-line tools as independent peers: what the window sends must read back the
// same in oscdump, and what oscsend sends must render in the traffic log as expected.
#include "support/WindowTestSupport.h"

constexpr int kToolTimeoutMs = 10000;

class tst_Interop : public QObject
{
    Q_OBJECT

private slots:

    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("oscsend")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("oscdump")).isEmpty())
            QSKIP("liblo's oscsend and oscdump are not installed (Debian package liblo-tools; "
                  "scripts/bootstrap installs it)");
    }

    void windowSendsReadBackInOscdump_data()
    {
        QTest::addColumn<int>("preset");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("dumped");

        QTest::newRow("int32") << 0 << "/test/value" << "42" << "/test/value i 42";
        QTest::newRow("float32") << 1 << "/level" << "0.25" << "/level f 0.250000";
        QTest::newRow("wide string") << 2 << "/名字" << "你好" << "/名字 s \"你好\"";
        QTest::newRow("true") << 3 << "/on" << "" << "/on T #T";
        QTest::newRow("int and float") << 6 << "/pair" << "7 2.5" << "/pair if 7 2.500000";
        QTest::newRow("string and float") << 7 << "synth/freq" << "a4, 440.5" << "/synth/freq sf \"a4\" 440.500000";
    }

    void windowSendsReadBackInOscdump()
    {
        QFETCH(int, preset);
        QFETCH(QString, address);
        QFETCH(QString, values);
        QFETCH(QString, dumped);
        // oscdump prints each message it gets on a line of its own, after a time tag.
        QProcess oscdump;
        const auto stopOscdump = qScopeGuard([&oscdump] { oscdump.kill(); oscdump.waitForFinished(); });
        const quint16 oscdumpPort = freeUdpPort();
        oscdump.start(QStandardPaths::findExecutable(QStringLiteral("oscdump")),
                      {QStringLiteral("-L"), QString::number(oscdumpPort)});
        OscWidget window;
        QVERIFY(bindWindow(window));
        field<QSpinBox>(window, "targetPortSpin")->setValue(oscdumpPort);
        field<QLineEdit>(window, "addressEdit")->setText(address);
        field<QComboBox>(window, "typeCombo")->setCurrentIndex(preset);
        field<QLineEdit>(window, "argsEdit")->setText(values);

        // Sent again until oscdump, started alongside, is listening.
        QByteArray printed;
        QTRY_VERIFY_WITH_TIMEOUT((window.sendData(), (printed += oscdump.readAllStandardOutput()).contains('\n')), kToolTimeoutMs);
        QCOMPARE(QString::fromUtf8(printed.left(printed.indexOf('\n'))).section(QLatin1Char(' '), 1), dumped);
    }

    // Typed tags beyond the presets, and a bundle. liblo 0.31 refuses "r" (colour) and arrays
    // ("[" "]") as invalid messages, so those are proven by their bytes in tst_messagecomposer only.
    void composedTagsReadBackInOscdump_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("values");
        QTest::addColumn<bool>("bundle");
        QTest::addColumn<QString>("dumped");
        QTest::newRow("int64") << "h" << "-9000000000" << false << "/c h -9000000000";
        QTest::newRow("float64") << ",d" << "0.125" << false << "/c d 0.125000";
        QTest::newRow("char") << "c" << "A" << false << "/c c 'A'";
        QTest::newRow("midi") << "m" << "0090407f" << false << "/c m MIDI [0x00 0x90 0x40 0x7f]";
        QTest::newRow("time tag") << "t" << "3976214400.25" << false << "/c t ed003780.40000000";
        QTest::newRow("immediately") << "t" << "immediately" << false << "/c t 00000000.00000001";
        QTest::newRow("blob") << "b" << "0a0b0c" << false << "/c b [3b 0xa 0xb 0xc]";
        // liblo prints a symbol without its closing quote.
        QTest::newRow("symbol") << "S" << "sym" << false << "/c S 'sym";
        QTest::newRow("infinitum") << "I" << "" << false << "/c I Infinitum";
        QTest::newRow("in a bundle") << "ih" << "7 8" << true << "/c ih 7 8";
    }

    void composedTagsReadBackInOscdump()
    {
        QFETCH(QString, tags);
        QFETCH(QString, values);
        QFETCH(bool, bundle);
        QFETCH(QString, dumped);
        QProcess oscdump;
        const auto stopOscdump = qScopeGuard([&oscdump] { oscdump.kill(); oscdump.waitForFinished(); });
        const quint16 oscdumpPort = freeUdpPort();
        oscdump.start(QStandardPaths::findExecutable(QStringLiteral("oscdump")),
                      {QStringLiteral("-L"), QString::number(oscdumpPort)});
        OscWidget window;
        QVERIFY(bindWindow(window));
        field<QSpinBox>(window, "targetPortSpin")->setValue(oscdumpPort);
        field<QLineEdit>(window, "addressEdit")->setText(QStringLiteral("/c"));
        field<QComboBox>(window, "typeCombo")->setCurrentText(tags);
        field<QLineEdit>(window, "argsEdit")->setText(values);
        field<QCheckBox>(window, "sendAsBundleCheck")->setChecked(bundle);

        QByteArray printed;
        QTRY_VERIFY_WITH_TIMEOUT((window.sendData(), (printed += oscdump.readAllStandardOutput()).contains('\n')), kToolTimeoutMs);
        QCOMPARE(QString::fromUtf8(printed.left(printed.indexOf('\n'))).section(QLatin1Char(' '), 1), dumped);
    }

    // One message mixing numbers, text, the no-byte tags and 64-bit values.
    void oscsendMessageRendersInLog()
    {
        OscWidget window;
        const quint16 port = freeUdpPort();
        QVERIFY(bindWindow(window, port));

        QProcess oscsend;
        oscsend.start(QStandardPaths::findExecutable(QStringLiteral("oscsend")),
                      QStringList{QStringLiteral("127.0.0.1"), QString::number(port)}
                          + QStringLiteral("/all ifsTFNhd 1 2.5 three -9000000000 0.125").split(QLatin1Char(' ')));
        QVERIFY(oscsend.waitForFinished(kToolTimeoutMs));
        QCOMPARE(oscsend.exitCode(), 0);

        // Each received line starts with its sender; oscsend's port is its own affair.
        const QRegularExpression fromOscsend(QStringLiteral("^\\[127\\.0\\.0\\.1:\\d+\\] (.*)"));
        QTRY_COMPARE_WITH_TIMEOUT(fromOscsend.match(window.communication()->entries().constLast().text).captured(1),
                                  QStringLiteral("/all ,ifsTFNhd 1 2.5000 \"three\" True False Nil -9000000000 0.1250"),
                                  kToolTimeoutMs);
    }
};

QTEST_MAIN(tst_Interop)
#include "tst_interop.moc"
