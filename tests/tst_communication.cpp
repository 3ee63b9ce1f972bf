#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"
#include "comm/LogExportTarget.h"

#include <QtTest>

namespace {

enum Conversion { Decodes = 1, Encodes = 2, Both = Decodes | Encodes };

// Direction, text, hex text and raw bytes of an entry, on one line.
QString describe(const LogEntry &entry)
{
    return CommunicationBase::directionTag(entry) + ' ' + entry.text + '|' + entry.hexText + '|' + entry.data.toHex();
}

} // namespace

class tst_Communication : public QObject
{
    Q_OBJECT

private slots:
    // A zone away from UTC, so that a timestamp taken in the wrong zone shows.
    void initTestCase() { qputenv("TZ", "Asia/Shanghai"); }

    void entriesAndCounters()
    {
        CommunicationBase log;
        QStringList events;
        // Signals come once a change is complete, so a listener may call straight back in.
        connect(&log, &CommunicationBase::logEntryAdded, &log, [&](const LogEntry &entry) {
            events << QStringLiteral("%1 @%2/%3/%4").arg(describe(entry)).arg(log.entries().size())
                              .arg(log.txBytes()).arg(log.rxBytes());
        });
        connect(&log, &CommunicationBase::countersUpdated, &log, [&] {
            events << QStringLiteral("counters %1/%2").arg(log.txBytes()).arg(log.rxBytes());
        });
        QStringList queued;
        connect(&log, &CommunicationBase::logEntryAdded, &log,
                [&](const LogEntry &entry) { queued << describe(entry); }, Qt::QueuedConnection);

        const QDateTime before = QDateTime::currentDateTime();
        log.addTxData("hi");
        log.addRxData("\xC3\xA9");
        log.addRxData(QByteArray());
        log.addSystemMessage("端口已绑定");
        const QDateTime after = QDateTime::currentDateTime();
        // Stored entries keep the text they were decoded with.
        log.setEncoding("ASCII");

        const QStringList entries{"[TX] hi|68 69|6869", "[RX] é|C3 A9|c3a9", "[RX] ||",
                                  "[SYS] 端口已绑定|端口已绑定|"};
        QCOMPARE(events, QStringList({entries[0] + " @1/0/0", "counters 2/0", entries[1] + " @2/2/0",
                                      "counters 2/2", entries[2] + " @3/2/2", "counters 2/2",
                                      entries[3] + " @4/2/2"}));
        QStringList stored;
        for (const LogEntry &entry : log.entries()) {
            stored << describe(entry);
            QVERIFY(before <= entry.timestamp && entry.timestamp <= after);
            QCOMPARE(entry.timestamp.offsetFromUtc(), before.offsetFromUtc());
        }
        QCOMPARE(stored, entries);
        QTRY_COMPARE(queued, entries);

        // Clearing keeps the counters and resetting keeps the entries.
        events.clear();
        connect(&log, &CommunicationBase::logCleared, &log, [&] { log.addSystemMessage("cleared"); });
        log.clearLog();
        log.resetCounters();
        QCOMPARE(events, QStringList({"[SYS] cleared|cleared| @1/2/2", "counters 0/0"}));
        QCOMPARE(log.entries().size(), 1);

        // Times keep their leading zeros down to the millisecond.
        LogEntry entry("message");
        entry.timestamp = QDateTime(QDate(2025, 3, 14), QTime(9, 3, 5, 7));
        QCOMPARE(CommunicationBase::timeString(entry), QStringLiteral("09:03:05.007"));
    }

    void encodings_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("conversion");

        QTest::newRow("UTF-8") << "UTF-8" << QByteArray("h\xC3\xA9\xE4\xB8\xAD") << "hé中" << int(Both);
        QTest::newRow("ASCII is Latin-1") << "ASCII" << QByteArray("A\xE9\xFF") << "Aéÿ" << int(Both);
        QTest::newRow("ASCII replaces what Latin-1 lacks") << "ASCII" << QByteArray("a?b") << "a中b" << int(Encodes);
        QTest::newRow("Unicode is little-endian without a mark") << "Unicode" << QByteArray::fromHex("41002d4e") << "A中" << int(Both);
        QTest::newRow("Unicode little-endian mark") << "Unicode" << QByteArray::fromHex("fffe4100") << "A" << int(Decodes);
        QTest::newRow("Unicode big-endian mark") << "Unicode" << QByteArray::fromHex("feff00414e2d") << "A中" << int(Decodes);
        QTest::newRow("Unicode odd byte ignored") << "Unicode" << QByteArray::fromHex("4100420043") << "AB" << int(Decodes);
        QTest::newRow("GBK") << "GBK" << QByteArray::fromHex("d6d0cec4") << "中文" << int(Both);
        QTest::newRow("unknown name falls back to UTF-8") << "no-such-charset" << QByteArray("\xC3\xA9") << "é" << int(Both);
    }

    void encodings()
    {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        QFETCH(int, conversion);

        CommunicationBase log;
        log.setEncoding(encoding);
        if (conversion & Decodes) {
            // A lead byte left at the end of one payload must not join the next one.
            log.addRxData("\xD6");
            log.addRxData(data);
            QCOMPARE(log.entries().last().text, text);
        }
        if (conversion & Encodes)
            QCOMPARE(log.encodeText(text), data);
    }

    void hexHelpers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("normalized");
        QTest::addColumn<QByteArray>("data");

        QTest::newRow("digits, spaces and dashes") << "0a-1B  ff" << true << "0A 1B FF" << QByteArray::fromHex("0a1bff");
        QTest::newRow("odd digit count") << "a1b2c" << false << "A1 B2 C" << QByteArray();
        QTest::newRow("non-hex letter") << "0G" << false << "0" << QByteArray();
        QTest::newRow("wide characters dropped") << "中0A" << false << "0A" << QByteArray("\x0A");
        QTest::newRow("separators only") << " - " << false << "" << QByteArray();
    }

    void hexHelpers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, normalized);
        QFETCH(QByteArray, data);

        QCOMPARE(CommunicationBase::isValidHexString(text), valid);
        QCOMPARE(CommunicationBase::normalizeHexString(text), normalized);
        QCOMPARE(CommunicationBase::hexStringToBytes(text), data);
        if (valid)
            QCOMPARE(CommunicationBase::toHexString(data), normalized);
    }

    void exportTargetAndFormat_data()
    {
        QTest::addColumn<QString>("chosenName");
        QTest::addColumn<QString>("chosenFilter");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("content"); // %1, %2, %3: the times of the three entries

        const QString asText = "%1 [TX] a\"b\n%2 [RX] a\\r\\nb\n%3 [SYS] 日志已导出\n";
        const QString asCsv = "Timestamp,Direction,Data\n\"%1\",\"[TX]\",\"a\"\"b\"\n\"%2\",\"[RX]\",\"a\r\nb\"\n\"%3\",\"[SYS]\",\"日志已导出\"\n";
        QTest::newRow("no extension, CSV filter") << "export3" << "CSV文件 (*.csv)" << false << "export3.csv" << asCsv;
        QTest::newRow("no extension, text filter, hex") << "export3" << "文本文件 (*.txt)" << true << "export3.txt"
                                                        << "%1 [TX] 61 22 62\n%2 [RX] 78\n%3 [SYS] 日志已导出\n";
        QTest::newRow("own extension over the filter, hex") << "Log.CSV" << "文本文件 (*.txt)" << true << "Log.CSV"
            << "Timestamp,Direction,Data\n\"%1\",\"[TX]\",\"61 22 62\"\n\"%2\",\"[RX]\",\"78\"\n\"%3\",\"[SYS]\",\"日志已导出\"\n";
        QTest::newRow("no extension, English CSV filter") << "export4" << "CSV files (*.csv)" << false << "export4.csv" << asCsv;
        QTest::newRow("other extension, CSV filter") << "log.log" << "CSV文件 (*.csv)" << false << "log.log" << asText;
    }

    // The dialog's answer decides name and format; a datagram exports as its hex; one entry stays
    // one line of the text export.
    void exportTargetAndFormat()
    {
        QFETCH(QString, chosenName);
        QFETCH(QString, chosenFilter);
        QFETCH(bool, hex);
        QFETCH(QString, written);
        QFETCH(QString, content);
        CommunicationBase log;
        log.addTxData("a\"b");
        log.addRxDatagram("x", "a\r\nb");
        log.addSystemMessage("日志已导出");
        QTemporaryDir dir;

        const LogExportTarget target = LogExportTarget::fromDialog(dir.filePath(chosenName), chosenFilter);
        QCOMPARE(target.fileName, dir.filePath(written));
        QVERIFY(log.exportToFile(target.fileName, hex, target.csv));
        for (int i = 0; i < 3; ++i)
            content.replace('%' + QString::number(i + 1), CommunicationBase::timeString(log.entries().at(i)));
        QFile file(target.fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), content);
    }

    // A full disk fails the export, also when the data is more than the stream buffers.
    void exportToFullDisk()
    {
        if (!QFile::exists("/dev/full"))
            QSKIP("This system has no such device");
        CommunicationBase log;
        log.addSystemMessage("日志已导出");
        QVERIFY(!log.exportToFile("/dev/full", false, false));
        for (int i = 0; i < 5000; ++i)
            log.addSystemMessage(QStringLiteral("message %1").arg(i));
        QVERIFY(!log.exportToFile("/dev/full", true, true));
    }
};

QTEST_GUILESS_MAIN(tst_Communication)
#include "tst_communication.moc"
