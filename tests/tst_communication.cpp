#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A log with a small bound, so that trimming can be exercised without filling 100000 entries.
class BoundedLog : public CommunicationBase
{
public:
    explicit BoundedLog(int limit) : m_limit(limit) {}
    int maxLogEntries() const override { return m_limit; }

private:
    int m_limit;
};

QByteArray bytes(std::initializer_list<uchar> values)
{
    QByteArray result;
    for (uchar value : values)
        result.append(char(value));
    return result;
}

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class tst_Communication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // entries and trim
    void initialState();
    void timestampIsLocalTime();
    void appendSignalsAndCounters_data();
    void appendSignalsAndCounters();
    void listenerMayCallBackIn();
    void queuedDeliveryCarriesEntry();
    void clearAndResetAreIndependent();
    void storedEntriesKeepTheirDecoding();
    void trimKeepsNewest_data();
    void trimKeepsNewest();
    void trimAtDefaultLimit();

    // encodings
    void supportedEncodings();
    void decodeBytes_data();
    void decodeBytes();
    void encodeText_data();
    void encodeText();
    void namedConvertersCarryNothingBetweenCalls();

    // hex and time helpers
    void toHexString();
    void hexTextHelpers_data();
    void hexTextHelpers();
    void timeStringAndTag();

    // export
    void exportFormats_data();
    void exportFormats();
    void exportEmptyLog_data();
    void exportEmptyLog();
    void exportToFullDeviceFails_data();
    void exportToFullDeviceFails();
    void exportToUnopenableFileFails_data();
    void exportToUnopenableFileFails();
};

void tst_Communication::initTestCase()
{
    // A zone away from UTC, so that a timestamp taken in the wrong zone shows.
    qputenv("TZ", "Asia/Shanghai");
}

void tst_Communication::initialState()
{
    CommunicationBase log;
    QVERIFY(log.showTimestamp());
    QVERIFY(log.autoScroll());
    QVERIFY(!log.hexDisplay());
    QCOMPARE(log.encoding(), QStringLiteral("UTF-8"));
    QCOMPARE(log.txBytes(), 0);
    QCOMPARE(log.rxBytes(), 0);
    QVERIFY(log.entries().isEmpty());
    QCOMPARE(log.maxLogEntries(), 100000);
    QCOMPARE(QMetaType::fromName("LogEntry"), QMetaType::fromType<LogEntry>());

    const QMetaObject *meta = log.metaObject();
    const int first = meta->methodOffset();
    QCOMPARE(meta->method(first).methodSignature(), QByteArray("logEntryAdded(LogEntry)"));
    QCOMPARE(meta->method(first + 1).methodSignature(), QByteArray("logCleared()"));
    QCOMPARE(meta->method(first + 2).methodSignature(), QByteArray("countersUpdated()"));
    QCOMPARE(meta->method(first + 3).methodSignature(), QByteArray("connectionStatusChanged(bool)"));
    QCOMPARE(meta->method(first + 4).methodSignature(), QByteArray("maxLogEntries()"));
}

void tst_Communication::timestampIsLocalTime()
{
    const QDateTime before = QDateTime::currentDateTime();
    const LogEntry entry(LogDirection::Rx, "x", "UTF-8");
    const QDateTime after = QDateTime::currentDateTime();

    QVERIFY(before <= entry.timestamp && entry.timestamp <= after);
    QCOMPARE(entry.timestamp.offsetFromUtc(), before.offsetFromUtc());
}

void tst_Communication::appendSignalsAndCounters_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hexText");

    QTest::newRow("sent") << int(LogDirection::Tx) << QByteArray("hi") << "hi" << "68 69";
    QTest::newRow("received") << int(LogDirection::Rx) << QByteArray("OK\n") << "OK\n" << "4F 4B 0A";
    QTest::newRow("received empty datagram") << int(LogDirection::Rx) << QByteArray() << "" << "";
    QTest::newRow("system message") << int(LogDirection::System) << QByteArray("端口已绑定")
                                    << "端口已绑定" << "端口已绑定";
}

void tst_Communication::appendSignalsAndCounters()
{
    QFETCH(int, direction);
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    QFETCH(QString, hexText);

    CommunicationBase log;
    log.addTxBytes(5);
    log.addRxBytes(7);
    QStringList events;
    qint64 txSeenByListener = -1;
    qint64 rxSeenByListener = -1;
    connect(&log, &CommunicationBase::logEntryAdded, &log, [&](const LogEntry &) {
        events << "entry";
        txSeenByListener = log.txBytes();
        rxSeenByListener = log.rxBytes();
    });
    connect(&log, &CommunicationBase::countersUpdated, &log, [&] { events << "counters"; });
    QSignalSpy added(&log, &CommunicationBase::logEntryAdded);

    switch (LogDirection(direction)) {
    case LogDirection::Tx: log.addTxData(payload); break;
    case LogDirection::Rx: log.addRxData(payload); break;
    case LogDirection::System: log.addSystemMessage(QString::fromUtf8(payload)); break;
    }

    const bool counted = LogDirection(direction) != LogDirection::System;
    const QStringList expectedEvents = counted ? QStringList{"entry", "counters"} : QStringList{"entry"};
    QCOMPARE(events, expectedEvents);
    QCOMPARE(txSeenByListener, 5);
    QCOMPARE(rxSeenByListener, 7);
    QCOMPARE(log.txBytes(), 5 + (LogDirection(direction) == LogDirection::Tx ? payload.size() : 0));
    QCOMPARE(log.rxBytes(), 7 + (LogDirection(direction) == LogDirection::Rx ? payload.size() : 0));

    const LogEntry signalled = added.at(0).at(0).value<LogEntry>();
    const QList<LogEntry> stored = log.entries();
    QCOMPARE(stored.size(), 1);
    for (const LogEntry &entry : {signalled, stored.first()}) {
        QCOMPARE(int(entry.direction), direction);
        QCOMPARE(entry.data, counted ? payload : QByteArray());
        QCOMPARE(entry.text, text);
        QCOMPARE(entry.hexText, hexText);
        QVERIFY(entry.timestamp.isValid());
    }
}

void tst_Communication::listenerMayCallBackIn()
{
    // The signals come after the mutex is released; a listener that reads or clears the log
    // from inside them must not dead-lock.
    CommunicationBase log;
    qsizetype seen = -1;
    connect(&log, &CommunicationBase::logEntryAdded, &log, [&] { seen = log.entries().size(); });
    connect(&log, &CommunicationBase::logCleared, &log, [&] { log.addSystemMessage("cleared"); });
    log.addRxData("x");
    QCOMPARE(seen, 1);
    log.clearLog();
    QCOMPARE(log.entries().size(), 1);
    QCOMPARE(log.entries().first().text, QStringLiteral("cleared"));
}

void tst_Communication::queuedDeliveryCarriesEntry()
{
    CommunicationBase log;
    QObject receiver;
    QList<LogEntry> received;
    connect(&log, &CommunicationBase::logEntryAdded, &receiver,
            [&](const LogEntry &entry) { received << entry; }, Qt::QueuedConnection);
    log.addTxData("queued");
    QVERIFY(received.isEmpty());
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().text, QStringLiteral("queued"));
}

void tst_Communication::clearAndResetAreIndependent()
{
    CommunicationBase log;
    log.addTxData("abc");
    log.addRxData("de");
    QSignalSpy cleared(&log, &CommunicationBase::logCleared);
    QSignalSpy counters(&log, &CommunicationBase::countersUpdated);

    log.clearLog();
    QCOMPARE(cleared.size(), 1);
    QCOMPARE(counters.size(), 0);
    QVERIFY(log.entries().isEmpty());
    QCOMPARE(log.txBytes(), 3);
    QCOMPARE(log.rxBytes(), 2);

    log.addRxData("f");
    log.resetCounters();
    QCOMPARE(counters.size(), 2);
    QCOMPARE(log.txBytes(), 0);
    QCOMPARE(log.rxBytes(), 0);
    QCOMPARE(log.entries().size(), 1);
}

void tst_Communication::storedEntriesKeepTheirDecoding()
{
    CommunicationBase log;
    QSignalSpy anySignal(&log, &CommunicationBase::countersUpdated);
    log.addRxData("\xC3\xA9");
    log.setEncoding("ASCII");
    log.setHexDisplay(true);
    log.setShowTimestamp(false);
    log.setAutoScroll(false);
    log.addRxData("\xC3\xA9");

    QCOMPARE(anySignal.size(), 2);
    QVERIFY(log.hexDisplay() && !log.showTimestamp() && !log.autoScroll());
    const QList<LogEntry> stored = log.entries();
    QCOMPARE(stored.at(0).text, QStringLiteral("é"));
    QCOMPARE(stored.at(1).text, QStringLiteral("Ã©"));
}

void tst_Communication::trimKeepsNewest_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("appended");
    QTest::addColumn<int>("kept");

    QTest::newRow("below the limit") << 3 << 2 << 2;
    QTest::newRow("at the limit") << 3 << 3 << 3;
    QTest::newRow("past the limit") << 3 << 7 << 3;
    QTest::newRow("limit of one") << 1 << 4 << 1;
    QTest::newRow("zero disables trimming") << 0 << 7 << 7;
    QTest::newRow("negative disables trimming") << -5 << 7 << 7;
}

void tst_Communication::trimKeepsNewest()
{
    QFETCH(int, limit);
    QFETCH(int, appended);
    QFETCH(int, kept);

    BoundedLog log(limit);
    QSignalSpy added(&log, &CommunicationBase::logEntryAdded);
    for (int i = 0; i < appended; ++i)
        log.addRxData(QByteArray::number(i));

    QCOMPARE(added.size(), appended);
    const QList<LogEntry> stored = log.entries();
    QCOMPARE(stored.size(), kept);
    for (int i = 0; i < kept; ++i)
        QCOMPARE(stored.at(i).data, QByteArray::number(appended - kept + i));
}

void tst_Communication::trimAtDefaultLimit()
{
    CommunicationBase log;
    const int limit = log.maxLogEntries();
    for (int i = 0; i < limit; ++i)
        log.addRxData(QByteArray::number(i));
    QCOMPARE(log.entries().size(), limit);

    log.addSystemMessage("one more");
    const QList<LogEntry> stored = log.entries();
    QCOMPARE(stored.size(), limit);
    QCOMPARE(stored.first().data, QByteArray("1"));
    QCOMPARE(stored.last().text, QStringLiteral("one more"));
}

void tst_Communication::supportedEncodings()
{
    QCOMPARE(CommunicationBase::supportedEncodings(),
             QStringList({"UTF-8", "ASCII", "GBK", "GB2312", "Unicode"}));
}

void tst_Communication::decodeBytes_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("text");

    const QByteArray chineseInGbk = bytes({0xD6, 0xD0, 0xCE, 0xC4});
    QTest::newRow("UTF-8") << "UTF-8" << QByteArray("h\xC3\xA9llo") << "héllo";
    QTest::newRow("empty name is UTF-8") << "" << QByteArray("\xE4\xB8\xAD") << "中";
    QTest::newRow("malformed UTF-8") << "UTF-8" << QByteArray("a\xFF") << QString("a\uFFFD");
    QTest::newRow("nothing to decode") << "GBK" << QByteArray() << "";
    QTest::newRow("ASCII is Latin-1") << "ASCII" << bytes({0x41, 0xE9, 0xFF}) << "Aéÿ";
    QTest::newRow("Unicode without mark") << "Unicode" << bytes({0x41, 0x00, 0x2D, 0x4E}) << "A中";
    QTest::newRow("Unicode little-endian mark")
            << "Unicode" << bytes({0xFF, 0xFE, 0x41, 0x00}) << "A";
    QTest::newRow("Unicode big-endian mark")
            << "Unicode" << bytes({0xFE, 0xFF, 0x00, 0x41, 0x4E, 0x2D}) << "A中";
    QTest::newRow("Unicode odd byte ignored")
            << "Unicode" << bytes({0x41, 0x00, 0x42, 0x00, 0x43}) << "AB";
    QTest::newRow("Unicode single byte") << "Unicode" << bytes({0x41}) << "";
    QTest::newRow("GBK") << "GBK" << chineseInGbk << "中文";
    QTest::newRow("GB2312") << "GB2312" << chineseInGbk << "中文";
    QTest::newRow("lower-case utf-8 by converter") << "utf-8" << QByteArray("\xC3\xA9") << "é";
    QTest::newRow("unknown name falls back to UTF-8")
            << "no-such-charset" << QByteArray("\xC3\xA9") << "é";
}

void tst_Communication::decodeBytes()
{
    QFETCH(QString, encoding);
    QFETCH(QByteArray, data);
    QFETCH(QString, text);

    QCOMPARE(CommunicationBase::decodeBytes(data, encoding), text);
    CommunicationBase log;
    log.setEncoding(encoding);
    QCOMPARE(log.decodeBytes(data), text);
    log.addRxData(data);
    QCOMPARE(log.entries().first().text, text);
}

void tst_Communication::encodeText_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("UTF-8") << "UTF-8" << "é中" << QByteArray("\xC3\xA9\xE4\xB8\xAD");
    QTest::newRow("empty name is UTF-8") << "" << "é" << QByteArray("\xC3\xA9");
    QTest::newRow("ASCII is Latin-1") << "ASCII" << "Aé" << bytes({0x41, 0xE9});
    QTest::newRow("ASCII replaces what Latin-1 lacks") << "ASCII" << "a中b" << QByteArray("a?b");
    QTest::newRow("Unicode little-endian, no mark")
            << "Unicode" << "A中" << bytes({0x41, 0x00, 0x2D, 0x4E});
    QTest::newRow("GBK") << "GBK" << "中文" << bytes({0xD6, 0xD0, 0xCE, 0xC4});
    QTest::newRow("GB2312") << "GB2312" << "中文" << bytes({0xD6, 0xD0, 0xCE, 0xC4});
    QTest::newRow("lower-case utf-8 by converter") << "utf-8" << "é" << QByteArray("\xC3\xA9");
    QTest::newRow("unknown name falls back to UTF-8")
            << "no-such-charset" << "é" << QByteArray("\xC3\xA9");
}

void tst_Communication::encodeText()
{
    QFETCH(QString, encoding);
    QFETCH(QString, text);
    QFETCH(QByteArray, data);

    CommunicationBase log;
    log.setEncoding(encoding);
    QCOMPARE(log.encodeText(text), data);
}

void tst_Communication::namedConvertersCarryNothingBetweenCalls()
{
    // A lead byte left over at the end of one payload must not join the next payload.
    const QByteArray payload = bytes({0xD0, 0xCE, 0xC4});
    CommunicationBase::decodeBytes(payload, "GB2312");
    const QString alone = CommunicationBase::decodeBytes(payload, "GBK");
    CommunicationBase::decodeBytes(bytes({0xD6}), "GBK");
    QCOMPARE(CommunicationBase::decodeBytes(payload, "GBK"), alone);
    QVERIFY(!alone.startsWith(QStringLiteral("中")));
}

void tst_Communication::toHexString()
{
    QCOMPARE(CommunicationBase::toHexString(QByteArray()), QString());
    QCOMPARE(CommunicationBase::toHexString(bytes({0x00, 0x7F, 0xFF})), QStringLiteral("00 7F FF"));

    QByteArray all;
    for (int value = 0; value < 256; ++value)
        all.append(char(value));
    const QString hex = CommunicationBase::toHexString(all);
    QCOMPARE(hex, QString::fromLatin1(all.toHex(' ').toUpper()));
    QCOMPARE(CommunicationBase::hexStringToBytes(hex), all);
}

void tst_Communication::hexTextHelpers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("normalized");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("digits, spaces and dashes")
            << "0a-1B  ff" << true << "0A 1B FF" << bytes({0x0A, 0x1B, 0xFF});
    QTest::newRow("odd digit count") << "a1b2c" << false << "A1 B2 C" << QByteArray();
    QTest::newRow("non-hex letter") << "0G" << false << "0" << QByteArray();
    QTest::newRow("other separators")
            << "de:ad,BE EF!" << false << "DE AD BE EF" << bytes({0xDE, 0xAD, 0xBE, 0xEF});
    QTest::newRow("prefix 0x") << "0x1F" << false << "01 F" << QByteArray();
    QTest::newRow("wide characters dropped") << "中0A" << false << "0A" << bytes({0x0A});
    QTest::newRow("separators only") << " - " << false << "" << QByteArray();
    QTest::newRow("empty") << "" << false << "" << QByteArray();
}

void tst_Communication::hexTextHelpers()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, normalized);
    QFETCH(QByteArray, data);

    QCOMPARE(CommunicationBase::isValidHexString(text), valid);
    QCOMPARE(CommunicationBase::normalizeHexString(text), normalized);
    QCOMPARE(CommunicationBase::hexStringToBytes(text), data);
}

void tst_Communication::timeStringAndTag()
{
    LogEntry entry("message");
    entry.timestamp = QDateTime(QDate(2025, 3, 14), QTime(9, 3, 5, 7));
    QCOMPARE(CommunicationBase::timeString(entry), QStringLiteral("09:03:05.007"));
    entry.timestamp = QDateTime(QDate(2025, 3, 14), QTime(23, 59, 59, 999));
    QCOMPARE(CommunicationBase::timeString(entry), QStringLiteral("23:59:59.999"));

    QCOMPARE(CommunicationBase::directionTag(LogEntry(LogDirection::Tx, "", "UTF-8")), "[TX]");
    QCOMPARE(CommunicationBase::directionTag(LogEntry(LogDirection::Rx, "", "UTF-8")), "[RX]");
    QCOMPARE(CommunicationBase::directionTag(entry), "[SYS]");
    const LogEntry unknown(LogDirection(7), "ab", "UTF-8");
    QCOMPARE(CommunicationBase::directionTag(unknown), QString());
    QCOMPARE(unknown.text, QString());
    QCOMPARE(unknown.hexText, QStringLiteral("61 62"));
}

void tst_Communication::exportFormats_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QStringList>("lines");

    // %1, %2, %3: the times of the three entries below.
    QTest::newRow("plain text")
            << false << false
            << QStringList{"%1 [TX] a\"b", "%2 [RX] AB\nnext", "%3 [SYS] 日志已导出"};
    QTest::newRow("plain text, hex")
            << true << false
            << QStringList{"%1 [TX] 61 22 62", "%2 [RX] 41 42 0A 6E 65 78 74", "%3 [SYS] 日志已导出"};
    QTest::newRow("CSV")
            << false << true
            << QStringList{"Timestamp,Direction,Data", "\"%1\",\"[TX]\",\"a\"\"b\"",
                           "\"%2\",\"[RX]\",\"AB\nnext\"", "\"%3\",\"[SYS]\",\"日志已导出\""};
    QTest::newRow("CSV, hex")
            << true << true
            << QStringList{"Timestamp,Direction,Data", "\"%1\",\"[TX]\",\"61 22 62\"",
                           "\"%2\",\"[RX]\",\"41 42 0A 6E 65 78 74\"", "\"%3\",\"[SYS]\",\"日志已导出\""};
}

void tst_Communication::exportFormats()
{
    QFETCH(bool, hex);
    QFETCH(bool, csv);
    QFETCH(QStringList, lines);

    CommunicationBase log;
    log.addTxData("a\"b");
    log.addRxData("AB\nnext");
    log.addSystemMessage("日志已导出");
    const QList<LogEntry> stored = log.entries();

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath("log");
    QVERIFY(log.exportToFile(fileName, hex, csv));

    const QString expected = lines.join('\n').arg(CommunicationBase::timeString(stored.at(0)),
                                                  CommunicationBase::timeString(stored.at(1)),
                                                  CommunicationBase::timeString(stored.at(2)))
            + '\n';
    QCOMPARE(readAll(fileName), expected.toUtf8());
}

void tst_Communication::exportEmptyLog_data()
{
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("plain text") << false << QByteArray();
    QTest::newRow("CSV") << true << QByteArray("Timestamp,Direction,Data\n");
}

void tst_Communication::exportEmptyLog()
{
    QFETCH(bool, csv);
    QFETCH(QByteArray, content);

    QTemporaryDir dir;
    const QString fileName = dir.filePath("empty.csv");
    CommunicationBase log;
    QVERIFY(log.exportToFile(fileName, false, csv));
    QCOMPARE(readAll(fileName), content);
}

void tst_Communication::exportToFullDeviceFails_data()
{
    QTest::addColumn<int>("entryCount");

    QTest::newRow("one short line") << 1;
    QTest::newRow("more than the stream buffers") << 5000;
}

void tst_Communication::exportToFullDeviceFails()
{
    QFETCH(int, entryCount);
    if (!QFile::exists("/dev/full"))
        QSKIP("This system has no /dev/full");

    CommunicationBase log;
    for (int i = 0; i < entryCount; ++i)
        log.addSystemMessage(QStringLiteral("message %1").arg(i));
    QVERIFY(!log.exportToFile("/dev/full", false, false));
    QVERIFY(!log.exportToFile("/dev/full", true, true));
}

void tst_Communication::exportToUnopenableFileFails_data()
{
    QTest::addColumn<QString>("relativeName");

    QTest::newRow("missing folder") << "no/such/folder/log.txt";
    QTest::newRow("a folder") << ".";
}

void tst_Communication::exportToUnopenableFileFails()
{
    QFETCH(QString, relativeName);

    QTemporaryDir dir;
    const QString fileName = dir.filePath(relativeName);
    CommunicationBase log;
    log.addTxData("payload");
    QVERIFY(!log.exportToFile(fileName, false, false));
    QVERIFY(!QFileInfo(fileName).isFile());
    QCOMPARE(log.entries().size(), 1);
}

QTEST_GUILESS_MAIN(tst_Communication)
#include "tst_communication.moc"
