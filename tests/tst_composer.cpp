// The send group's values are checked against the tags before anything goes out, string arguments
// travel in the chosen encoding both ways, and auto-send follows its interval and the binding.
#include "controls/OscControlPanel.h"
#include "controls/OscLabel.h"
#include "i18n/LanguageManager.h"
#include "osc/OscTextEncoding.h"
#include "osc/ValueChecker.h"
#include "support/WindowTestSupport.h"

namespace {

QByteArray oscString(const QByteArray &bytes)
{
    return bytes + QByteArray(4 - bytes.size() % 4, '\0');
}

// 中文 in GBK.
const QByteArray kGbkChinese = QByteArray::fromHex("d6d0cec4");

void setSendGroup(OscWidget &window, const QString &preset, const QString &values)
{
    field<QComboBox>(window, "typeCombo")->setCurrentIndex(field<QComboBox>(window, "typeCombo")->findText(preset));
    field<QLineEdit>(window, "argsEdit")->setText(values);
}

} // namespace

class tst_Composer : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    // A refused row names its reason; an accepted one the argument bytes after the type tags.
    void check_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const char *tags, const char *values, const QByteArray &arguments,
                            const char *reason = "", const char *encoding = "UTF-8") {
            QTest::newRow(name) << QString::fromUtf8(tags) << QString::fromUtf8(values) << QString::fromUtf8(encoding)
                                << arguments << QString::fromUtf8(reason);
        };
        const auto refused = [&row](const char *name, const char *tags, const char *values, const char *reason,
                                    const char *encoding = "UTF-8") { row(name, tags, values, {}, reason, encoding); };
        row("int32 extremes", ",ii", "-2147483648 +2147483647", QByteArray::fromHex("80000000" "7fffffff"));
        row("comma between values", ",if", "7,2.5", QByteArray::fromHex("00000007" "40200000"));
        row("exponent and bare point", ",ff", "1e3 .5", QByteArray::fromHex("447a0000" "3f000000"));
        row("quoted keeps spaces and commas", ",s", "\"hello, world\"", oscString("hello, world"));
        row("escaped quote", ",sf", "\"say \\\"hi\\\"\" 1", oscString("say \"hi\"") + QByteArray::fromHex("3f800000"));
        row("empty quoted string", ",s", "\"\"", QByteArray::fromHex("00000000"));
        row("no-value tags ignore the text", ",TFNI", "1 \"open", {});
        row("GBK", ",s", "中文", oscString(kGbkChinese), "", "GBK");
        row("ASCII is Latin-1", ",s", "é", oscString("\xe9"), "", "ASCII");
        row("Unicode strings stay UTF-8", ",s", "中", oscString("\xe4\xb8\xad"), "", "Unicode");
        refused("letters for i", ",i", "abc", "Invalid value: i needs a whole number, got \"abc\"");
        refused("decimal for i", ",i", "3.7", "Invalid value: i needs a whole number, got \"3.7\"");
        refused("hex for i", ",i", "0x10", "Invalid value: i needs a whole number, got \"0x10\"");
        refused("exponent for i", ",i", "1e3", "Invalid value: i needs a whole number, got \"1e3\"");
        const char *range = "Invalid value: i needs a whole number from -2147483648 to 2147483647, got \"%1\"";
        for (const char *beyond : {"2147483648", "-2147483649", "99999999999999999999"})
            refused(beyond, ",i", beyond, QString::fromUtf8(range).arg(QLatin1String(beyond)).toUtf8().constData());
        const char *number = "Invalid value: f needs a finite number with \".\" as decimal point, got \"%1\"";
        for (const char *nonNumber : {"nan", "inf", "1e39", "0x10", "1.5.2"})
            refused(nonNumber, ",f", nonNumber, QString::fromUtf8(number).arg(QLatin1String(nonNumber)).toUtf8().constData());
        refused("decimal comma", ",f", "1,5", "Invalid value: \"5\" is left over");
        refused("three values for one", ",i", "1 2 3", "Invalid value: \"2\" is left over");
        refused("empty for i", ",i", "", "Invalid value: i is missing its value");
        refused("one value for two", ",if", "5", "Invalid value: f is missing its value");
        refused("string with spaces", ",s", "hello world",
                "Invalid value: \"world\" is left over; put a string with spaces or commas in double quotes");
        refused("unclosed quote", ",s", "\"hello world", "Invalid value: unclosed quote, got \"hello world");
        refused("ASCII lacks it", ",s", "a中", "Invalid value: s has \"中\" (U+4E2D), which ASCII cannot encode, got \"a中\"",
                "ASCII");
        refused("GB2312 lacks it", ",s", "a😀", "Invalid value: s has \"😀\" (U+1F600), which GB2312 cannot encode, got \"a😀\"",
                "GB2312");
        refused("unsupported tag", ",u", "1", "Invalid value: type tag u is not supported");
    }

    void check()
    {
        QFETCH(QString, tags);
        QFETCH(QString, values);
        QFETCH(QString, encoding);
        QFETCH(QByteArray, arguments);
        QFETCH(QString, reason);
        const ValueChecker::Checked checked = ValueChecker::check(QStringLiteral("a"), tags, values, OscTextEncoding(encoding));
        QCOMPARE(checked.refusal ? ValueChecker::reason(*checked.refusal).english : QString(), reason);
        QCOMPARE(checked.datagram, reason.isEmpty() ? oscString("/a") + oscString(tags.toUtf8()) + arguments : QByteArray());
        if (QByteArray(QTest::currentDataTag()) == "letters for i")
            QCOMPARE(ValueChecker::reason(*checked.refusal).chinese, QStringLiteral("参数无效: i 需要整数, 得到 \"abc\""));
    }

    // A refused send logs its reason in the language shown and nothing goes out; the TX line names
    // the address as sent.
    void windowSendsWhatWasTyped()
    {
        WindowSession session;
        QVERIFY(session.open());
        LanguageManager::instance().setLanguage(1);
        setSendGroup(session.window, QStringLiteral(",i (int32)"), QStringLiteral("abc"));
        session.window.sendData();
        setSendGroup(session.window, QStringLiteral(",s (string)"), QStringLiteral(" \"hello world\" "));
        field<QLineEdit>(session.window, "addressEdit")->setText(QStringLiteral("  noslash  "));
        session.window.sendData();
        QCOMPARE(session.receive(), oscString("/noslash") + oscString(",s") + oscString("hello world"));
        QCOMPARE(loggedTexts(session.window).mid(1), QStringList({"Send failed: Invalid value: i needs a whole number, got \"abc\"",
                                                                 "OSC /noslash ,s \"hello world\""}));
    }

    // A GBK peer's string reads as text in the log and on a label, and the window's string
    // reaches the peer in GBK.
    void gbkBothWays()
    {
        WindowSession session;
        QVERIFY(session.open());
        auto *label = new OscLabel;
        session.window.controlPanel()->addControl(label);
        label->setAddress(QStringLiteral("/gbk"));
        field<QComboBox>(session.window, "encodingCombo")->setCurrentText(QStringLiteral("GBK"));
        QVERIFY(session.deliver(oscString("/gbk") + oscString(",s") + oscString(kGbkChinese)));
        QVERIFY(loggedTexts(session.window, LogDirection::Rx).constLast().endsWith(QStringLiteral("/gbk ,s \"中文\"")));
        QCOMPARE(label->text(), QStringLiteral("中文"));
        setSendGroup(session.window, QStringLiteral(",s (string)"), QStringLiteral("中文"));
        session.window.sendData();
        QCOMPARE(session.receive(), oscString("/test/value") + oscString(",s") + oscString(kGbkChinese));
    }

    // Auto-send starts only from its switch while bound, follows a new interval at once and stops on release.
    void autoSendFollowsIntervalAndBinding()
    {
        WindowSession session;
        QVERIFY(session.open());
        auto *timer = session.window.findChild<QTimer *>(QStringLiteral("autoSendTimer"));
        auto *autoSend = field<QCheckBox>(session.window, "autoSendCheck");
        session.window.toggleConnection();
        autoSend->setChecked(true);
        QVERIFY2(!timer->isActive(), "switched on while unbound");
        QVERIFY(bindWindow(session.window, session.port));
        QVERIFY2(!timer->isActive(), "binding starts nothing");
        autoSend->setChecked(false);
        autoSend->setChecked(true);
        field<QSpinBox>(session.window, "intervalSpin")->setValue(10);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 10);
        const QByteArray sent = oscString("/test/value") + oscString(",i") + QByteArray::fromHex("0000002a");
        QCOMPARE(session.receive(), sent);
        QCOMPARE(session.receive(), sent);

        qsizetype before = loggedTexts(session.window).size();
        session.window.toggleConnection();
        QVERIFY(!timer->isActive() && !autoSend->isChecked());
        QCOMPARE(loggedTexts(session.window).mid(before), QStringList(QStringLiteral("端口已释放, 自动发送已停止")));

        // A value the tags refuse is reported once, not on every tick.
        session.window.toggleConnection();
        setSendGroup(session.window, QStringLiteral(",i (int32)"), QStringLiteral("abc"));
        before = loggedTexts(session.window).size();
        autoSend->setChecked(true);
        QTRY_VERIFY(!autoSend->isChecked());
        QVERIFY(!timer->isActive());
        QCOMPARE(loggedTexts(session.window).mid(before),
                 QStringList({"发送失败 参数无效: i 需要整数, 得到 \"abc\"", "自动发送已停止"}));
    }
};

QTEST_MAIN(tst_Composer)
#include "tst_composer.moc"
