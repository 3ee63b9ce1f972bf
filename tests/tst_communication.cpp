#include "comm/CommunicationBase.h"
#include "comm/LogEntry.h"

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

        QByteArray all(256, Qt::Uninitialized);
        for (int value = 0; value < 256; ++value)
            all[value] = char(value);
        const QString allAsHex = QString::fromLatin1(all.toHex(' ').toUpper());
        QTest::newRow("every byte") << allAsHex << true << allAsHex << all;
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

    void exportToFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("entryCount");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<bool>("csv");
        QTest::addColumn<QString>("content"); // null: the export fails

        // %1, %2, %3: the times of the three entries every log starts with.
        QTest::newRow("plain text") << "log" << 3 << false << false
            << "%1 [TX] a\"b\n%2 [RX] AB\\nnext\n%3 [SYS] 日志已导出\n";
        QTest::newRow("CSV") << "log.csv" << 3 << false << true
            << "Timestamp,Direction,Data\n\"%1\",\"[TX]\",\"a\"\"b\"\n\"%2\",\"[RX]\",\"AB\nnext\"\n"
               "\"%3\",\"[SYS]\",\"日志已导出\"\n";
        QTest::newRow("CSV, hex") << "log" << 3 << true << true
            << "Timestamp,Direction,Data\n\"%1\",\"[TX]\",\"61 22 62\"\n"
               "\"%2\",\"[RX]\",\"41 42 0A 6E 65 78 74\"\n\"%3\",\"[SYS]\",\"日志已导出\"\n";
        QTest::newRow("full disk") << "/dev/full" << 3 << false << false << QString();
        QTest::newRow("full disk, more than the stream buffers") << "/dev/full" << 5000 << true << true << QString();
    }

    void exportToFile()
    {
        QFETCH(QString, fileName);
        QFETCH(int, entryCount);
        QFETCH(bool, hex);
        QFETCH(bool, csv);
        QFETCH(QString, content);
        if (QDir::isAbsolutePath(fileName) && !QFile::exists(fileName))
            QSKIP("This system has no such device");

        CommunicationBase log;
        log.addTxData("a\"b");
        log.addRxData("AB\nnext");
        log.addSystemMessage("日志已导出");
        for (int i = 3; i < entryCount; ++i)
            log.addSystemMessage(QStringLiteral("message %1").arg(i));
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(fileName);
        QCOMPARE(log.exportToFile(path, hex, csv), !content.isNull());
        if (content.isNull())
            return;

        const QList<LogEntry> stored = log.entries();
        for (int i = 0; i < stored.size(); ++i)
            content.replace('%' + QString::number(i + 1), CommunicationBase::timeString(stored.at(i)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content.toUtf8());
    }
};

QTEST_GUILESS_MAIN(tst_Communication)
#include "tst_communication.moc"
