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
