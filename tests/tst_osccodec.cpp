#include "osc/OscCodec.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace OscCodec;

namespace {

constexpr std::size_t FixtureWordSize = 4;

// How a control's value is sent: by its value alone, or as the control's set type.
enum ValueType { Untyped, FloatType, IntegerType };

// A byte fixture written one 4-byte word per literal, so every boundary of the message shows
// where it is; the compiler checks that each literal really is one word.
template <std::size_t... N>
QByteArray words(const char (&...word)[N])
{
    static_assert(((N == FixtureWordSize + 1) && ...), "each literal of a fixture is one word");
    QByteArray bytes;
    (bytes.append(word, FixtureWordSize), ...);
    return bytes;
}

// The address and the first argument as one line: "/a 42", "/a \"text\"", or "/a" for none.
QString describe(const OscFirstArgument &first)
{
    if (first.kind == ArgumentKind::Number)
        return first.address + ' ' + QString::number(first.number, 'g', 17);
    if (first.kind == ArgumentKind::Text)
        return first.address + " \"" + first.text + '"';
    return first.address;
}

// Reads `length` bytes as an exact copy (a sanitizer build sees any read past it) and as a view
// into the longer buffer, whose tail would change the result of any read past the end.
bool readsStayInside(const QByteArray &buffer, qsizetype length)
{
    const QByteArray copy = buffer.left(length);
    const QByteArray view = QByteArray::fromRawData(buffer.constData(), length);
    return decodeOscToText(view) == decodeOscToText(copy)
        && describe(readFirstArgument(view)) == describe(readFirstArgument(copy));
}

} // namespace

class TestOscCodec : public QObject
{
    Q_OBJECT

private slots:

    void building_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("typeTags");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("int32 example, 20 bytes") << "/test/value" << ",i" << "42"
            << words("/tes", "t/va", "lue\0", ",i\0\0", "\0\0\0\x2a");
        QTest::newRow("slash and comma put in front")
            << "test" << "i" << "1" << words("/tes", "t\0\0\0", ",i\0\0", "\0\0\0\x01");
        QTest::newRow("address and tags stripped first")
            << "  /a \t" << " ,i\n" << "1" << words("/a\0\0", ",i\0\0", "\0\0\0\x01");
        QTest::newRow("inner space kept, a whole word gets four NULs")
            << "/a b" << ",T" << "" << words("/a b", "\0\0\0\0", ",T\0\0");
        QTest::newRow("inner space of the tags is a tag using a value")
            << "/a" << ", i" << "1" << words("/a\0\0", ", i\0");
        QTest::newRow("values split on any run of spaces and commas") << "/v" << ",iii" << " 1, 2 ,3,,"
            << words("/v\0\0", ",iii", "\0\0\0\0", "\0\0\0\x01", "\0\0\0\x02", "\0\0\0\x03");
        QTest::newRow("int32 signed, two's complement") << "/a" << ",iii" << "-5 +5 -2147483648"
            << words("/a\0\0", ",iii", "\0\0\0\0", "\xff\xff\xff\xfb", "\0\0\0\x05", "\x80\0\0\0");
        QTest::newRow("int32 of text, out of range, decimal or hex is zero")
            << "/a" << ",iiii" << "abc 3000000000 1.5 0x10"
            << words("/a\0\0", ",iii", "i\0\0\0", "\0\0\0\0", "\0\0\0\0", "\0\0\0\0", "\0\0\0\0");
        QTest::newRow("float32 big-endian, of text is zero") << "/a" << ",iff" << "7 440 abc"
            << words("/a\0\0", ",iff", "\0\0\0\0", "\0\0\0\x07", "\x43\xdc\0\0", "\0\0\0\0");
        QTest::newRow("strings padded, UTF-8") << "/a" << ",sS" << QString::fromUtf8("hello h\u00e9")
            << words("/a\0\0", ",sS\0", "hell", "o\0\0\0", "h\xc3\xa9\0");
        QTest::newRow("T carries no bytes; F, N and unknown tags use up values")
            << "/a" << ",TFNxi" << "9 9 9 9 7" << words("/a\0\0", ",TFN", "xi\0\0", "\0\0\0\x07");
        QTest::newRow("tags announce more than the values carry")
            << "/a" << ",sf" << "hello" << words("/a\0\0", ",sf\0", "hell", "o\0\0\0");
        QTest::newRow("values without tags") << "/a" << "," << "1" << words("/a\0\0", ",\0\0\0");
    }

    void building()
    {
        QFETCH(QString, address);
        QFETCH(QString, typeTags);
        QFETCH(QString, values);
        QFETCH(QByteArray, expected);

        QCOMPARE(buildOscMessage(address, typeTags, values), expected);
    }

    // A control's value. Untyped: an int32 when it is within 0.0001 of a whole number in range,
    // rounded with halves away from zero, otherwise a float32. Of a set type: its own tag whatever
    // the value, whole numbers rounded and held in int32. The text is how the value is logged.
    void valueMessages_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<ValueType>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray i = words("/v\0\0", ",i\0\0"), f = words("/v\0\0", ",f\0\0");
        QTest::newRow("whole") << 1.0 << Untyped << "1.000000" << i + words("\0\0\0\x01");
        QTest::newRow("fraction") << 0.5 << Untyped << "0.500000" << f + words("\x3f\0\0\0");
        QTest::newRow("nearly whole, rounded up") << 2.99995 << Untyped << "2.999950" << i + words("\0\0\0\x03");
        QTest::newRow("nearly whole, negative") << -2.99995 << Untyped << "-2.999950" << i + words("\xff\xff\xff\xfd");
        QTest::newRow("just too far from whole") << 2.9998 << Untyped << "2.999800" << f + words("\x40\x3f\xfc\xb9");
        QTest::newRow("int32 bounds") << -2147483648.0 << Untyped << "-2147483648.000000" << i + words("\x80\0\0\0");
        QTest::newRow("beyond int32") << 3000000000.0 << Untyped << "3000000000.000000" << f + words("\x4f\x32\xd0\x5e");
        QTest::newRow("float type, whole") << 1.0 << FloatType << "1.000000" << f + words("\x3f\x80\0\0");
        QTest::newRow("integer type, half rounds away") << 63.5 << IntegerType << "64" << i + words("\0\0\0\x40");
        QTest::newRow("integer type, beyond int32") << 3000000000.0 << IntegerType << "2147483647" << i + words("\x7f\xff\xff\xff");
    }

    void valueMessages()
    {
        QFETCH(double, value);
        QFETCH(ValueType, type);
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);

        if (type == Untyped) {
            QCOMPARE(buildValueMessage(QStringLiteral("/v"), value), expected);
            QCOMPARE(valueTypeTags(value), QString::fromLatin1(expected.mid(4, 2)));
            QCOMPARE(valueText(value), text);
        } else {
            QCOMPARE(buildTypedValueMessage(QStringLiteral("/v"), value, type == IntegerType), expected);
            QCOMPARE(typedValueText(value, type == IntegerType), text);
        }
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("rendered");
        QTest::addColumn<QString>("first");

        QTest::newRow("negative int32; true, false and nil take no bytes")
            << words("/a\0\0", ",iTF", "N\0\0\0", "\xff\xff\xff\xfb") << "/a ,iTFN -5 True False Nil"
            << "/a -5";
        QTest::newRow("float32 widened; halfway rounds away from zero; negative zero unsigned")
            << words("/a\0\0", ",fff", "ff\0\0", "\x3d\xcc\xcc\xcd", "\x3d\0\0\0", "\xbd\0\0\0",
                     "\x80\0\0\0", "\xb7\x27\xc5\xac")
            << "/a ,fffff 0.1000 0.0313 -0.0313 0.0000 -0.0000" << "/a 0.10000000149011612";
        QTest::newRow("float32 largest, infinities, NaN with the sign bit set")
            << words("/a\0\0", ",fff", "f\0\0\0", "\x7f\x7f\xff\xff", "\x7f\x80\0\0", "\xff\x80\0\0",
                     "\xff\xc0\0\0")
            << "/a ,ffff 340282346638528859811704183484516925440.0000 inf -inf nan"
            << "/a 3.4028234663852886e+38";
        QTest::newRow("strings quoted, empty one too")
            << words("/a\0\0", ",sSs", "\0\0\0\0", "hell", "o\0\0\0", "\0\0\0\0", "x\0\0\0")
            << "/a ,sSs \"hello\" \"\" \"x\"" << "/a \"hello\"";
        QTest::newRow("symbol as UTF-8") << words("/a\0\0", ",S\0\0", "h\xc3\xa9\0")
            << QString::fromUtf8("/a ,S \"h\u00e9\"") << QString::fromUtf8("/a \"h\u00e9\"");
        QTest::newRow("false; address as UTF-8") << words("/\xc3\xa9\0", ",Fi\0", "\0\0\0\x01")
            << QString::fromUtf8("/\u00e9 ,Fi False 1") << QString::fromUtf8("/\u00e9 0");
        QTest::newRow("empty string") << words("/a\0\0", ",s\0\0", "\0\0\0\0") << "/a ,s \"\"" << "/a";
        QTest::newRow("unknown tag skips one word")
            << words("/a\0\0", ",ci\0", "\0\0\0\x41", "\0\0\0\x07") << "/a ,ci 7" << "/a";
        QTest::newRow("comma alone") << words("/a\0\0", ",\0\0\0", "\0\0\0\x01") << "/a ," << "/a";
        QTest::newRow("empty address") << words("\0\0\0\0", ",i\0\0", "\0\0\0\x01") << ",i 1" << "";
        QTest::newRow("white space around address and tags stripped")
            << words(" /a\0", ",T \0") << "/a ,T  True" << " /a 1";

        QTest::newRow("empty datagram") << QByteArray() << "" << "";
        QTest::newRow("under a word is its own text")
            << QByteArray(" \0 ", 3) << QString::fromUtf8(" \0 ", 3) << " ";
        QTest::newRow("no NUL: whole text and one space") << words("/abc", "defg") << "/abcdefg " << "";
        QTest::newRow("address alone and a space") << words("/abc", "\0\0\0\0") << "/abc " << "/abc";
        QTest::newRow("tags without a comma")
            << words("/a\0\0", "i\0\0\0", "\0\0\0\x01") << "/a (no type tag)" << "/a";
        QTest::newRow("tags without a NUL") << words("/a\0\0", ",iii") << "/a (no type tag)" << "/a";
        QTest::newRow("bundle is not taken apart")
            << words("#bun", "dle\0", "\0\0\0\0", "\0\0\0\x01", "\0\0\0\x08", "/a\0\0", ",\0\0\0")
            << "#bundle (no type tag)" << "#bundle";
        QTest::newRow("bundle address with type tags is labelled")
            << words("#bun", "dle\0", ",i\0\0", "\0\0\0\x01") << "[OSC Bundle] #bundle ,i 1"
            << "#bundle 1";
        QTest::newRow("int32 cut short is left out, next one a word further")
            << words("/a\0\0", ",iT\0") + QByteArray(2, '\0') << "/a ,iT True" << "/a";
        QTest::newRow("string without NUL") << words("/a\0\0", ",sT\0", "abcd") << "/a ,sT" << "/a";
        QTest::newRow("string past the end") << words("/a\0\0", ",sT\0") << "/a ,sT" << "/a";

        // Types whose size is not one word keep every later argument in place.
        QTest::newRow("int64 in decimal, negative too")
            << words("/a\0\0", ",hhi", "\0\0\0\0", "\0\0\0\x01", "\0\0\0\0", "\xff\xff\xff\xff",
                     "\xff\xff\xff\xfe", "\0\0\0\x07")
            << "/a ,hhi 4294967296 -2 7" << "/a 4294967296";
        QTest::newRow("float64 with four decimals")
            << words("/a\0\0", ",di\0", "\xbf\xf8\0\0", "\0\0\0\0", "\0\0\0\x07") << "/a ,di -1.5000 7"
            << "/a -1.5";
        QTest::newRow("int64 cut short")
            << words("/a\0\0", ",hT\0", "\0\0\0\x01") << "/a ,hT True" << "/a";
        QTest::newRow("float64 cut short")
            << words("/a\0\0", ",d\0\0", "\x3f\xd0\0\0") + QByteArray(1, '\0') << "/a ,d" << "/a";
        QTest::newRow("time tag takes two words, renders nothing")
            << words("/a\0\0", ",ti\0", "\0\0\0\x01", "\0\0\0\x02", "\0\0\0\x07") << "/a ,ti 7" << "/a";
        QTest::newRow("blobs padded, whole word and empty, render nothing")
            << words("/a\0\0", ",bbb", "i\0\0\0", "\0\0\0\x03", "abc\0", "\0\0\0\x04", "abcd",
                     "\0\0\0\0", "\0\0\0\x07")
            << "/a ,bbbi 7" << "/a";
        // A blob that cannot be walked ends the walk.
        QTest::newRow("blob of negative size")
            << words("/a\0\0", ",bT\0", "\xff\xff\xff\xff", "abcd") << "/a ,bT" << "/a";
        QTest::newRow("blob past the end")
            << words("/a\0\0", ",bT\0", "\0\0\0\x05", "abcd") << "/a ,bT" << "/a";
        QTest::newRow("blob of the largest size")
            << words("/a\0\0", ",bT\0", "\x7f\xff\xff\xff", "abcd") << "/a ,bT" << "/a";
        QTest::newRow("blob size cut short")
            << words("/a\0\0", ",bT\0") + QByteArray(2, '\0') << "/a ,bT" << "/a";
        QTest::newRow("infinitum and array brackets take no bytes")
            << words("/a\0\0", ",[ii", "]I\0\0", "\0\0\0\x01", "\0\0\0\x02") << "/a ,[ii]I 1 2" << "/a";
    }

    // A datagram is rendered as one line and read for its first argument.
    void reading()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, rendered);
        QFETCH(QString, first);

        QCOMPARE(decodeOscToText(datagram), rendered);
        QCOMPARE(describe(readFirstArgument(datagram)), first);
    }

    // Every prefix of a message holding each type that is not one word long, then random datagrams
    // made mostly of the bytes the codec acts on, followed by a tail of tags and sizes that a read
    // past the end would pick up.
    void readsNeverPassTheEnd()
    {
        const QByteArray mixed = words("/a\0\0", ",hdt", "bsi\0", "\0\0\0\x01", "\0\0\0\0", "\x3f\xd0\0\0",
                                       "\0\0\0\0", "\0\0\0\0", "\0\0\0\x01", "\0\0\0\x03", "abc\0", "xy\0\0", "\0\0\0\x07");
        for (qsizetype length = 0; length <= mixed.size(); ++length)
            QVERIFY2(readsStayInside(mixed, length), qPrintable(QString::number(length)));

        static const char alphabet[] = "\0\0\0,/#ifsShdtbTFNI[]x\x7f\x80\xc3\xff";
        constexpr int LongestDatagram = 64;
        constexpr int TailLength = 16;
        QRandomGenerator random(20261206);
        for (int i = 0; i < 20000; ++i) {
            const int length = random.bounded(LongestDatagram + 1);
            QByteArray buffer;
            while (buffer.size() < length)
                buffer += random.bounded(4) ? alphabet[random.bounded(int(sizeof alphabet))]
                                            : char(random.bounded(256));
            while (buffer.size() < length + TailLength)
                buffer += ",ihdbs"[random.bounded(6)];
            QVERIFY(readsStayInside(buffer, length));
        }
    }
};

QTEST_APPLESS_MAIN(TestOscCodec)
#include "tst_osccodec.moc"
