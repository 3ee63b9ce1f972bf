#include "osc/OscCodec.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>

using namespace OscCodec;

Q_DECLARE_METATYPE(OscCodec::ArgumentKind)

namespace OscCodec {
char *toString(ArgumentKind kind)
{
    switch (kind) {
    case ArgumentKind::None:
        return qstrdup("None");
    case ArgumentKind::Number:
        return qstrdup("Number");
    case ArgumentKind::Text:
        return qstrdup("Text");
    }
    return qstrdup("?");
}
} // namespace OscCodec

namespace {

constexpr std::size_t FixtureWordSize = 4;

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

// The last, incomplete word of a datagram cut short.
template <std::size_t N>
QByteArray partial(const char (&bytes)[N])
{
    static_assert(N <= FixtureWordSize, "a partial word is shorter than a word");
    return QByteArray(bytes, N - 1);
}

bool sameNumber(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

bool sameFirstArgument(const OscFirstArgument &a, const OscFirstArgument &b)
{
    return a.address == b.address && a.kind == b.kind && sameNumber(a.number, b.number)
        && a.text == b.text;
}

} // namespace

class TestOscCodec : public QObject
{
    Q_OBJECT

private slots:
    void building_data();
    void building();
    void rendering_data();
    void rendering();
    void renderingBuiltMessages_data();
    void renderingBuiltMessages();
    void firstArgument_data();
    void firstArgument();
    void truncatedMessagesStayInside();
    void randomBytesStayInside();
};

void TestOscCodec::building_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("typeTags");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("int32 example, 20 bytes")
        << "/test/value" << ",i" << "42"
        << words("/tes", "t/va", "lue\0", ",i\0\0", "\0\0\0\x2a");
    QTest::newRow("address of a whole word gets four NULs")
        << "/abc" << ",T" << "" << words("/abc", "\0\0\0\0", ",T\0\0");
    QTest::newRow("slash put in front of the address")
        << "test" << ",i" << "1" << words("/tes", "t\0\0\0", ",i\0\0", "\0\0\0\x01");
    QTest::newRow("comma put in front of the tags")
        << "/a" << "i" << "1" << words("/a\0\0", ",i\0\0", "\0\0\0\x01");
    QTest::newRow("address and tags stripped first")
        << "  /a \t" << " ,i\n" << "1" << words("/a\0\0", ",i\0\0", "\0\0\0\x01");
    QTest::newRow("empty address becomes a slash")
        << "" << ",i" << "1" << words("/\0\0\0", ",i\0\0", "\0\0\0\x01");
    QTest::newRow("inner space of the address kept")
        << "/a b" << ",T" << "" << words("/a b", "\0\0\0\0", ",T\0\0");
    QTest::newRow("inner space of the tags is a tag that uses a value")
        << "/a" << ", i" << "1" << words("/a\0\0", ", i\0");
    QTest::newRow("values split on any run of spaces and commas")
        << "/v" << ",iii" << " 1, 2 ,3,,"
        << words("/v\0\0", ",iii", "\0\0\0\0", "\0\0\0\x01", "\0\0\0\x02", "\0\0\0\x03");
    QTest::newRow("int32 and float32, 8 argument bytes")
        << "/a" << ",if" << "7 2.5" << words("/a\0\0", ",if\0", "\0\0\0\x07", "\x40\x20\0\0");
    QTest::newRow("negative int32 in two's complement")
        << "/a" << ",i" << "-5" << words("/a\0\0", ",i\0\0", "\xff\xff\xff\xfb");
    QTest::newRow("int32 with a plus sign")
        << "/a" << ",i" << "+5" << words("/a\0\0", ",i\0\0", "\0\0\0\x05");
    QTest::newRow("smallest int32")
        << "/a" << ",i" << "-2147483648" << words("/a\0\0", ",i\0\0", "\x80\0\0\0");
    QTest::newRow("int32 from text is zero")
        << "/a" << ",i" << "abc" << words("/a\0\0", ",i\0\0", "\0\0\0\0");
    QTest::newRow("int32 out of range is zero")
        << "/a" << ",i" << "3000000000" << words("/a\0\0", ",i\0\0", "\0\0\0\0");
    QTest::newRow("int32 from decimal text is zero")
        << "/a" << ",i" << "1.5" << words("/a\0\0", ",i\0\0", "\0\0\0\0");
    QTest::newRow("int32 from hexadecimal text is zero")
        << "/a" << ",i" << "0x10" << words("/a\0\0", ",i\0\0", "\0\0\0\0");
    QTest::newRow("float32 big-endian")
        << "/a" << ",f" << "440" << words("/a\0\0", ",f\0\0", "\x43\xdc\0\0");
    QTest::newRow("float32 from text is zero")
        << "/a" << ",f" << "abc" << words("/a\0\0", ",f\0\0", "\0\0\0\0");
    QTest::newRow("string padded to a word")
        << "/a" << ",s" << "hello" << words("/a\0\0", ",s\0\0", "hell", "o\0\0\0");
    QTest::newRow("string of a whole word gets four NULs")
        << "/a" << ",S" << "abcd" << words("/a\0\0", ",S\0\0", "abcd", "\0\0\0\0");
    QTest::newRow("string as UTF-8")
        << "/a" << ",s" << QString::fromUtf8("h\u00e9") << words("/a\0\0", ",s\0\0", "h\xc3\xa9\0");
    QTest::newRow("true carries no bytes whatever the values")
        << "/a" << ",T" << "1 2 3" << words("/a\0\0", ",T\0\0");
    QTest::newRow("F, N and unknown tags use up their values")
        << "/a" << ",FNxi" << "9 9 9 7" << words("/a\0\0", ",FNx", "i\0\0\0", "\0\0\0\x07");
    QTest::newRow("tags announce more than the values carry")
        << "/a" << ",if" << "5" << words("/a\0\0", ",if\0", "\0\0\0\x05");
    QTest::newRow("string without its float")
        << "/a" << ",sf" << "hello" << words("/a\0\0", ",sf\0", "hell", "o\0\0\0");
    QTest::newRow("first tag without a value stops every later one")
        << "/a" << ",i" << "" << words("/a\0\0", ",i\0\0");
    QTest::newRow("values without tags")
        << "/a" << "," << "1" << words("/a\0\0", ",\0\0\0");
}

void TestOscCodec::building()
{
    QFETCH(QString, address);
    QFETCH(QString, typeTags);
    QFETCH(QString, values);
    QFETCH(QByteArray, expected);

    QCOMPARE(OscCodec::buildOscMessage(address, typeTags, values), expected);
}

void TestOscCodec::rendering_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("expected");

    QTest::newRow("int32 example")
        << words("/tes", "t/va", "lue\0", ",i\0\0", "\0\0\0\x2a") << "/test/value ,i 42";
    QTest::newRow("float32 and true example")
        << words("/mix", "\0\0\0\0", ",fT\0", "\x3f\x40\0\0") << "/mix ,fT 0.7500 True";
    QTest::newRow("negative int32")
        << words("/a\0\0", ",i\0\0", "\xff\xff\xff\xfb") << "/a ,i -5";
    QTest::newRow("float32 with four decimals")
        << words("/a\0\0", ",fff", "\0\0\0\0", "\x3f\x80\0\0", "\x3f\0\0\0", "\x43\xdc\0\0")
        << "/a ,fff 1.0000 0.5000 440.0000";
    QTest::newRow("float32 halfway rounds away from zero")
        << words("/a\0\0", ",fff", "\0\0\0\0", "\x3d\0\0\0", "\xbd\0\0\0", "\x3d\xc0\0\0")
        << "/a ,fff 0.0313 -0.0313 0.0938";
    QTest::newRow("float32 negative zero and a small negative")
        << words("/a\0\0", ",ff\0", "\x80\0\0\0", "\xb7\x27\xc5\xac") << "/a ,ff 0.0000 -0.0000";
    QTest::newRow("float32 largest, infinities and NaN")
        << words("/a\0\0", ",fff", "f\0\0\0", "\x7f\x7f\xff\xff", "\x7f\x80\0\0", "\xff\x80\0\0",
                 "\x7f\xc0\0\0")
        << "/a ,ffff 340282346638528859811704183484516925440.0000 inf -inf nan";
    QTest::newRow("strings quoted, empty one too")
        << words("/a\0\0", ",sSs", "\0\0\0\0", "hell", "o\0\0\0", "\0\0\0\0", "x\0\0\0")
        << "/a ,sSs \"hello\" \"\" \"x\"";
    QTest::newRow("true, false and nil take no bytes")
        << words("/a\0\0", ",TFN", "i\0\0\0", "\0\0\0\x01") << "/a ,TFNi True False Nil 1";
    QTest::newRow("unknown tag skips one word")
        << words("/a\0\0", ",ci\0", "\0\0\0\x41", "\0\0\0\x07") << "/a ,ci 7";
    QTest::newRow("comma alone")
        << words("/a\0\0", ",\0\0\0") << "/a ,";
    QTest::newRow("empty address")
        << words("\0\0\0\0", ",i\0\0", "\0\0\0\x01") << ",i 1";
    QTest::newRow("address as UTF-8")
        << words("/\xc3\xa9\0", ",i\0\0", "\0\0\0\x01") << QString::fromUtf8("/\u00e9 ,i 1");

    QTest::newRow("empty datagram") << QByteArray() << "";
    QTest::newRow("under a word is its own text")
        << partial("/ab") << "/ab";
    QTest::newRow("under a word keeps its NUL and spaces")
        << partial(" \0 ") << QString::fromUtf8(" \0 ", 3);
    QTest::newRow("no NUL: whole text and one space")
        << words("/abc", "defg") << "/abcdefg ";
    QTest::newRow("address alone: address and one space")
        << words("/abc", "\0\0\0\0") << "/abc ";
    QTest::newRow("address ending without padding")
        << words("/abc") + partial("\0\0") << "/abc ";
    QTest::newRow("type tags without a comma")
        << words("/a\0\0", "xyz\0") << "/a (no type tag)";
    QTest::newRow("NUL where the comma belongs")
        << words("/a\0\0", "\0\0\0\0") << "/a (no type tag)";
    QTest::newRow("type tags without a NUL")
        << words("/a\0\0", ",iii") << "/a (no type tag)";
    QTest::newRow("bundle is not taken apart")
        << words("#bun", "dle\0", "\0\0\0\0", "\0\0\0\x01", "\0\0\0\x10", "/a\0\0", ",i\0\0",
                 "\0\0\0\x01")
        << "#bundle (no type tag)";
    QTest::newRow("bundle address with a type-tag string is labelled")
        << words("#bun", "dle\0", ",i\0\0", "\0\0\0\x01") << "[OSC Bundle] #bundle ,i 1";
    QTest::newRow("bundle address alone keeps its space, no label")
        << words("#bun", "dle\0") << "#bundle ";
    QTest::newRow("int32 cut short is left out")
        << words("/a\0\0", ",i\0\0") + partial("\0\0") << "/a ,i";
    QTest::newRow("int32 cut short, next argument one word further")
        << words("/a\0\0", ",iT\0") + partial("\0\0") << "/a ,iT True";
    QTest::newRow("int32 missing, next string starts past the end")
        << words("/a\0\0", ",is\0") + partial("ab") << "/a ,is";
    QTest::newRow("float32 cut short is left out")
        << words("/a\0\0", ",fi\0") + partial("\x3f") << "/a ,fi";
    QTest::newRow("string without NUL ends the walk")
        << words("/a\0\0", ",sT\0", "abcd") << "/a ,sT";
    QTest::newRow("string past the end ends the walk")
        << words("/a\0\0", ",sT\0") << "/a ,sT";
    QTest::newRow("address and tags with surrounding white space stripped")
        << words(" /a\0", ",T \0") << "/a ,T  True";

    // Types whose size is not one word keep every later argument in place.
    QTest::newRow("int64 in decimal")
        << words("/a\0\0", ",hi\0", "\0\0\0\x01", "\0\0\0\0", "\0\0\0\x07")
        << "/a ,hi 4294967296 7";
    QTest::newRow("negative int64")
        << words("/a\0\0", ",h\0\0", "\xff\xff\xff\xff", "\xff\xff\xff\xfe") << "/a ,h -2";
    QTest::newRow("float64 with four decimals")
        << words("/a\0\0", ",di\0", "\x3f\xd0\0\0", "\0\0\0\0", "\0\0\0\x07") << "/a ,di 0.2500 7";
    QTest::newRow("int64 cut short is left out")
        << words("/a\0\0", ",hT\0", "\0\0\0\x01") << "/a ,hT True";
    QTest::newRow("float64 cut short is left out")
        << words("/a\0\0", ",d\0\0", "\x3f\xd0\0\0") + partial("\0") << "/a ,d";
    QTest::newRow("time tag takes two words, renders nothing")
        << words("/a\0\0", ",ti\0", "\0\0\0\x01", "\0\0\0\x02", "\0\0\0\x07") << "/a ,ti 7";
    QTest::newRow("blob padded to a word, renders nothing")
        << words("/a\0\0", ",bi\0", "\0\0\0\x03", "abc\0", "\0\0\0\x07") << "/a ,bi 7";
    QTest::newRow("blob of a whole word")
        << words("/a\0\0", ",bi\0", "\0\0\0\x04", "abcd", "\0\0\0\x07") << "/a ,bi 7";
    QTest::newRow("empty blob")
        << words("/a\0\0", ",bi\0", "\0\0\0\0", "\0\0\0\x07") << "/a ,bi 7";
    QTest::newRow("blob with negative size ends the walk")
        << words("/a\0\0", ",bT\0", "\xff\xff\xff\xff", "abcd") << "/a ,bT";
    QTest::newRow("blob running past the end ends the walk")
        << words("/a\0\0", ",bT\0", "\0\0\0\x05", "abcd") << "/a ,bT";
    QTest::newRow("blob of the largest size ends the walk")
        << words("/a\0\0", ",bT\0", "\x7f\xff\xff\xff", "abcd") << "/a ,bT";
    QTest::newRow("blob size cut short ends the walk")
        << words("/a\0\0", ",bT\0") + partial("\0\0") << "/a ,bT";
    QTest::newRow("infinitum and array brackets take no bytes")
        << words("/a\0\0", ",[ii", "]I\0\0", "\0\0\0\x01", "\0\0\0\x02") << "/a ,[ii]I 1 2";
}

void TestOscCodec::rendering()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QString, expected);

    QCOMPARE(OscCodec::decodeOscToText(datagram), expected);
}

void TestOscCodec::renderingBuiltMessages_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("typeTags");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("expected");

    QTest::newRow("int32") << "/test/value" << ",i" << "42" << "/test/value ,i 42";
    QTest::newRow("float32 and true") << "/mix" << ",fT" << "0.75" << "/mix ,fT 0.7500 True";
    QTest::newRow("every written type")
        << "/all" << ",sifSTFN" << "hello -3 2.5 sym"
        << "/all ,sifSTFN \"hello\" -3 2.5000 \"sym\" True False Nil";
    QTest::newRow("announced float missing") << "/a" << ",sf" << "hello" << "/a ,sf \"hello\"";
    QTest::newRow("UTF-8 string")
        << QString::fromUtf8("/\u4e2d") << ",s" << QString::fromUtf8("\u6587\u5b57")
        << QString::fromUtf8("/\u4e2d ,s \"\u6587\u5b57\"");
}

void TestOscCodec::renderingBuiltMessages()
{
    QFETCH(QString, address);
    QFETCH(QString, typeTags);
    QFETCH(QString, values);
    QFETCH(QString, expected);

    const QByteArray message = OscCodec::buildOscMessage(address, typeTags, values);
    QCOMPARE(OscCodec::decodeOscToText(message), expected);
}

void TestOscCodec::firstArgument_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("address");
    QTest::addColumn<ArgumentKind>("kind");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");

    const auto None = ArgumentKind::None;
    const auto Number = ArgumentKind::Number;
    const auto Text = ArgumentKind::Text;

    QTest::newRow("int32")
        << words("/tes", "t/va", "lue\0", ",i\0\0", "\0\0\0\x2a")
        << "/test/value" << Number << 42.0 << "";
    QTest::newRow("negative int32")
        << words("/a\0\0", ",i\0\0", "\xff\xff\xff\xfb") << "/a" << Number << -5.0 << "";
    QTest::newRow("float32 widened")
        << words("/a\0\0", ",f\0\0", "\x3d\xcc\xcc\xcd") << "/a" << Number << double(0.1f) << "";
    QTest::newRow("string")
        << words("/a\0\0", ",s\0\0", "hell", "o\0\0\0") << "/a" << Text << 0.0 << "hello";
    QTest::newRow("symbol")
        << words("/a\0\0", ",S\0\0", "on\0\0") << "/a" << Text << 0.0 << "on";
    QTest::newRow("string as UTF-8")
        << words("/a\0\0", ",s\0\0", "h\xc3\xa9\0")
        << "/a" << Text << 0.0 << QString::fromUtf8("h\u00e9");
    QTest::newRow("true") << words("/a\0\0", ",T\0\0") << "/a" << Number << 1.0 << "";
    QTest::newRow("false") << words("/a\0\0", ",F\0\0") << "/a" << Number << 0.0 << "";
    QTest::newRow("only the first argument counts")
        << words("/a\0\0", ",Ti\0", "\0\0\0\x07") << "/a" << Number << 1.0 << "";
    QTest::newRow("int64")
        << words("/a\0\0", ",h\0\0", "\0\0\0\x01", "\0\0\0\0")
        << "/a" << Number << 4294967296.0 << "";
    QTest::newRow("float64")
        << words("/a\0\0", ",d\0\0", "\xbf\xf8\0\0", "\0\0\0\0") << "/a" << Number << -1.5 << "";
    QTest::newRow("address as UTF-8")
        << words("/\xc3\xa9\0", ",T\0\0") << QString::fromUtf8("/\u00e9") << Number << 1.0 << "";

    QTest::newRow("empty datagram") << QByteArray() << "" << None << 0.0 << "";
    QTest::newRow("no NUL") << words("/abc", "defg") << "" << None << 0.0 << "";
    QTest::newRow("starts with a NUL")
        << words("\0\0\0\0", ",i\0\0", "\0\0\0\x01") << "" << None << 0.0 << "";
    QTest::newRow("address alone") << words("/abc", "\0\0\0\0") << "/abc" << None << 0.0 << "";
    QTest::newRow("type tags without a comma")
        << words("/a\0\0", "i\0\0\0", "\0\0\0\x01") << "/a" << None << 0.0 << "";
    QTest::newRow("type tags without a NUL")
        << words("/a\0\0", ",iii") << "/a" << None << 0.0 << "";
    QTest::newRow("comma alone")
        << words("/a\0\0", ",\0\0\0", "\0\0\0\x01") << "/a" << None << 0.0 << "";
    QTest::newRow("nil") << words("/a\0\0", ",N\0\0") << "/a" << None << 0.0 << "";
    QTest::newRow("unknown first tag")
        << words("/a\0\0", ",c\0\0", "\0\0\0\x41") << "/a" << None << 0.0 << "";
    QTest::newRow("time tag first")
        << words("/a\0\0", ",t\0\0", "\0\0\0\0", "\0\0\0\x01") << "/a" << None << 0.0 << "";
    QTest::newRow("blob first")
        << words("/a\0\0", ",b\0\0", "\0\0\0\0") << "/a" << None << 0.0 << "";
    QTest::newRow("empty string")
        << words("/a\0\0", ",s\0\0", "\0\0\0\0") << "/a" << None << 0.0 << "";
    QTest::newRow("string without NUL")
        << words("/a\0\0", ",s\0\0", "abcd") << "/a" << None << 0.0 << "";
    QTest::newRow("string past the end") << words("/a\0\0", ",s\0\0") << "/a" << None << 0.0 << "";
    QTest::newRow("int32 cut short")
        << words("/a\0\0", ",i\0\0") + partial("\0\0\0") << "/a" << None << 0.0 << "";
    QTest::newRow("float32 cut short")
        << words("/a\0\0", ",f\0\0") + partial("\x3f") << "/a" << None << 0.0 << "";
    QTest::newRow("int64 cut short")
        << words("/a\0\0", ",h\0\0", "\0\0\0\x01") << "/a" << None << 0.0 << "";
    QTest::newRow("float64 cut short")
        << words("/a\0\0", ",d\0\0", "\x3f\xd0\0\0") + partial("\0\0\0")
        << "/a" << None << 0.0 << "";
}

void TestOscCodec::firstArgument()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QString, address);
    QFETCH(ArgumentKind, kind);
    QFETCH(double, number);
    QFETCH(QString, text);

    const OscFirstArgument first = OscCodec::readFirstArgument(datagram);
    QCOMPARE(first.address, address);
    QCOMPARE(first.kind, kind);
    if (kind == ArgumentKind::Number)
        QCOMPARE(first.number, number);
    if (kind == ArgumentKind::Text)
        QCOMPARE(first.text, text);
}

// Every prefix of a real message is read as a datagram of its own: the result must not depend on
// the bytes after the cut, and a cut message never yields a different first argument.
void TestOscCodec::truncatedMessagesStayInside()
{
    const QByteArray messages[] = {
        OscCodec::buildOscMessage("/test/value", ",i", "42"),
        OscCodec::buildOscMessage("/mix", ",fT", "0.75"),
        OscCodec::buildOscMessage("/text", ",ssif", "hello world 7 2.5"),
        words("/a\0\0", ",hdt", "bsi\0", "\0\0\0\x01", "\0\0\0\0", "\x3f\xd0\0\0", "\0\0\0\0",
              "\0\0\0\0", "\0\0\0\x01", "\0\0\0\x03", "abc\0", "xy\0\0", "\0\0\0\x07"),
    };
    for (const QByteArray &message : messages) {
        const OscFirstArgument whole = OscCodec::readFirstArgument(message);
        for (qsizetype length = 0; length <= message.size(); ++length) {
            const QByteArray copy(message.constData(), length);
            const QByteArray view = QByteArray::fromRawData(message.constData(), length);
            QCOMPARE(OscCodec::decodeOscToText(view), OscCodec::decodeOscToText(copy));

            const OscFirstArgument cut = OscCodec::readFirstArgument(copy);
            QVERIFY(sameFirstArgument(OscCodec::readFirstArgument(view), cut));
            if (cut.kind != ArgumentKind::None)
                QVERIFY2(sameFirstArgument(cut, whole), qPrintable(QString::number(length)));
        }
    }
}

// Random datagrams made mostly of the bytes the codec acts on. Each is read once as an exact
// copy (so a sanitizer build sees any read past it) and once as a view into a longer buffer
// whose tail would change the result of any read past the end.
void TestOscCodec::randomBytesStayInside()
{
    static const char alphabet[] = { '\0', '\0', '\0', ',', '/', '#', 'i', 'f', 's', 'S', 'h',
                                     'd', 't', 'b', 'T', 'F', 'N', 'I', '[', ']', 'x', '\x7f',
                                     '\x80', '\xc3', '\xff' };
    constexpr int Datagrams = 20000;
    constexpr int LongestDatagram = 64;
    constexpr int TailLength = 16;

    QRandomGenerator random(20261206);
    for (int i = 0; i < Datagrams; ++i) {
        const int length = random.bounded(LongestDatagram + 1);
        QByteArray buffer(length + TailLength, Qt::Uninitialized);
        for (int b = 0; b < length; ++b)
            buffer[b] = random.bounded(4) == 0 ? char(random.bounded(256))
                                               : alphabet[random.bounded(int(sizeof alphabet))];
        for (int b = length; b < buffer.size(); ++b)
            buffer[b] = ",ihdbs"[random.bounded(6)];

        const QByteArray copy = buffer.left(length);
        const QByteArray view = QByteArray::fromRawData(buffer.constData(), length);
        QCOMPARE(OscCodec::decodeOscToText(view), OscCodec::decodeOscToText(copy));
        QVERIFY(sameFirstArgument(OscCodec::readFirstArgument(view),
                                  OscCodec::readFirstArgument(copy)));
    }
}

QTEST_APPLESS_MAIN(TestOscCodec)
#include "tst_osccodec.moc"
