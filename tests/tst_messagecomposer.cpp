// Every tag the send area accepts, bundles and raw bytes, widget-free: the bytes each composition
// puts on the wire and the reason each refusal gives.
#include "osc/MessageComposer.h"
#include "osc/OscTextEncoding.h"

#include <QtTest>

namespace {

// 2026-01-01 00:00:00 UTC as a time tag: seconds since 1900, then the fraction.
const QDateTime kNow(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
const char *const kNowTag = "ed00378000000000";

QByteArray header(const QByteArray &tags)
{
    QByteArray bytes = QByteArray("/x\0\0", 4) + tags;
    return bytes + QByteArray(4 - tags.size() % 4, '\0');
}

} // namespace

class tst_MessageComposer : public QObject
{
    Q_OBJECT

private slots:
    // Accepted rows give the argument bytes after the type tags; refused ones the reason.
    void tags_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *tags, const char *values, const char *hex, const char *reason = "") {
            QTest::addRow("%s %s", tags, values) << QString::fromUtf8(tags) << QString::fromUtf8(values)
                                                 << QByteArray::fromHex(hex) << QString::fromUtf8(reason);
        };
        row(",h", "-2", "fffffffffffffffe");
        row(",h", "9223372036854775807", "7fffffffffffffff");
        row(",d", "2.5", "4004000000000000");
        row(",d", "1e300", "7e37e43c8800759c");
        row(",c", "A", "00000041");
        row(",c", "\",\"", "0000002c");
        row(",r", "#FF8000c0", "ff8000c0");
        row(",m", "0090407f", "0090407f");
        row(",t", "now", kNowTag);
        row(",t", "immediately", "0000000000000001");
        row(",t", "now+250ms", "ed00378040000000");
        row(",t", "2026-01-01T00:00:00Z", kNowTag);
        row(",t", "3976214400.25", "ed00378040000000");
        row(",b", "0a0b0c", "00000003" "0a0b0c00");
        row(",b", "\"\"", "00000000");
        row(",b", "01020304", "00000004" "01020304");
        row(",[if]s", "1 2 \"x\"", "00000001" "40000000" "78000000");
        row(",[[]]", "", "");
        row(",h", "9223372036854775808", "",
            "Invalid value: h needs a whole number in the 64-bit range, got \"9223372036854775808\"");
        row(",h", "1.5", "", "Invalid value: h needs a whole number, got \"1.5\"");
        row(",d", "1e309", "", "Invalid value: d needs a finite number with \".\" as decimal point, got \"1e309\"");
        row(",c", "ab", "", "Invalid value: c needs one character, got \"ab\"");
        row(",r", "FF8000c0", "", "Invalid value: r needs a colour #RRGGBBAA, got \"FF8000c0\"");
        row(",r", "#FF8000", "", "Invalid value: r needs a colour #RRGGBBAA, got \"#FF8000\"");
        row(",m", "0090407", "", "Invalid value: m needs four hex bytes such as 0090407f, got \"0090407\"");
        row(",t", "tomorrow", "",
            "Invalid value: t needs now, now+250ms, immediately, an ISO date-time or seconds since 1900, got \"tomorrow\"");
        row(",t", "4294967296", "",
            "Invalid value: t needs now, now+250ms, immediately, an ISO date-time or seconds since 1900, got \"4294967296\"");
        row(",b", "0a0", "", "Invalid value: b needs hex bytes such as 0a0b0c, got \"0a0\"");
        row(",b", "0g", "", "Invalid value: b needs hex bytes such as 0a0b0c, got \"0g\"");
        row(",[i", "1", "", "Invalid value: array bracket [ has no partner");
        row(",i]", "1", "", "Invalid value: array bracket ] has no partner");
        row(",u", "1", "", "Invalid value: type tag u is not supported");
    }
    void tags()
    {
        QFETCH(QString, tags);
        QFETCH(QString, values);
        QFETCH(QByteArray, arguments);
        QFETCH(QString, reason);
        const OscTextEncoding utf8(QStringLiteral("UTF-8"));
        const ValueChecker::Checked checked = ValueChecker::check(QStringLiteral("/x"), tags, values, utf8, kNow);
        QCOMPARE(checked.refusal ? ValueChecker::reason(*checked.refusal).english : QString(), reason);
        if (reason.isEmpty())
            QCOMPARE(checked.datagram.toHex(), (header(tags.toLatin1()) + arguments).toHex());
    }

    // A bundle wraps the checked message with its time tag; raw bytes go out as typed or are
    // refused. The TX row shows the values as typed for the tags that show them so, else the rendering.
    void compose_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("values");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("logText");
        enum { Message, Raw, Immediate, Delayed };
        const QByteArray message = header(",i") + QByteArray::fromHex("00000007");
        const QByteArray bundled = QByteArray("#bundle", 8);
        const auto row = [](const char *name, const char *tags, const char *values, int mode, const QByteArray &datagram,
                            const char *logText) {
            QTest::newRow(name) << tags << values << mode << datagram << QString::fromUtf8(logText);
        };
        row("preset as typed", ",i", " 7", Message, message, "OSC /x ,i 7");
        row("other tags rendered", "h", "7", Message, header(",h") + QByteArray::fromHex("0000000000000007"), "OSC /x ,h 7");
        row("bundle immediately", ",i", "7", Immediate, bundled + QByteArray::fromHex("0000000000000001" "0000000c") + message,
            "OSC #bundle ▸ /x ,i 7");
        row("bundle in 250 ms", ",i", "7", Delayed, bundled + QByteArray::fromHex("ed00378040000000" "0000000c") + message,
            "OSC #bundle +250ms ▸ /x ,i 7");
        row("raw bytes", "", "2f 78 00 00 2c 69", Raw, QByteArray::fromHex("2f7800002c69"), "OSC /x (no type tag)");
        for (const char *hex : {"", "0", "0a 0", "zz", "0a0b0c é"})
            row(hex, "", hex, Raw, {}, "Invalid value: raw bytes need hex digits in pairs, got \"%1\"");
    }
    void compose()
    {
        QFETCH(QString, tags);
        QFETCH(QString, values);
        QFETCH(int, mode);
        QFETCH(QByteArray, datagram);
        QFETCH(QString, logText);
        MessageComposer::Request request{QStringLiteral("x"), tags, values, mode == 1, mode >= 2, std::nullopt};
        if (mode == 3)
            request.bundleDelayMs = 250;
        const MessageComposer::Composed composed = MessageComposer::compose(request, OscTextEncoding(QStringLiteral("UTF-8")), kNow);
        QCOMPARE(composed.datagram.toHex(), datagram.toHex());
        QCOMPARE(composed.refusal ? ValueChecker::reason(*composed.refusal).english : composed.logText,
                 composed.refusal ? logText.arg(values) : logText);
    }
};

QTEST_MAIN(tst_MessageComposer)
#include "tst_messagecomposer.moc"
