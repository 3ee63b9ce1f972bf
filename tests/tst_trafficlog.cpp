#include "comm/CommunicationBase.h"
#include "comm/LogExportTarget.h"
#include "comm/LogViewWidget.h"
#include "osc/OscCodec.h"
#include "support/WindowTestSupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QListWidget>
#include <QtTest>

class tst_TrafficLog : public QObject
{
    Q_OBJECT

private slots:
    void datagramsLogged_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("hexStart");

        QTest::newRow("20-byte /test/int ,i 42") << QByteArray::fromHex("2f746573742f696e74000000 2c690000 0000002a")
            << "2F 74 65 73 74 2F 69 6E 74 00 00 00 2C 69 00 00 00 00 00 2A";
        QTest::newRow("60,024-byte blob") << QByteArray::fromHex("2f626c6f62000000 2c620000 0000ea68") + QByteArray(60008, 'x')
            << "2F 62 6C 6F 62 00 00 00 2C 62 00 00 00 00 EA 68 78 78";
    }

    // The window logs the datagrams themselves: counted by their size, shown and exported in hex.
    void datagramsLogged()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, hexStart);
        WindowSession session;
        QVERIFY(session.open());
        session.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&session.window));
        const CommunicationBase *log = session.window.communication();
        auto *list = field<QListWidget>(session.window, "logOutput");
        const auto lastRow = [list] { return list->count() ? list->item(list->count() - 1)->text() : QString(); };

        QVERIFY(session.deliver(datagram));
        const LogEntry received = log->entries().last();
        QCOMPARE(log->rxBytes(), datagram.size());
        QCOMPARE(received.data, datagram);
        QCOMPARE(received.text, QStringLiteral("[127.0.0.1:%1] ").arg(session.peer.localPort())
                                    + OscCodec::decodeOscToText(datagram));
        QTRY_COMPARE(lastRow(), CommunicationBase::timeString(received) + "  [RX]  " + received.text);

        // The row already shown follows both switches.
        field<QCheckBox>(session.window, "hexCheck")->click();
        field<QCheckBox>(session.window, "timestampCheck")->click();
        const QString row = lastRow();
        QVERIFY(row.startsWith("[RX]  " + hexStart) && row.size() == 6 + datagram.size() * 3 - 1);
        QTemporaryDir dir;
        QVERIFY(log->exportToFile(dir.filePath("log"), true, false));
        QFile exported(dir.filePath("log"));
        QVERIFY(exported.open(QIODevice::ReadOnly) && exported.readAll().contains(" [RX] " + hexStart.toLatin1()));

        session.window.sendData();
        const QByteArray sent = session.receive();
        QCOMPARE(log->txBytes(), sent.size());
        QCOMPARE(log->entries().last().data, sent);
    }

    void exportTargetAndFormat_data()
    {
        QTest::addColumn<QString>("chosenName");
        QTest::addColumn<QString>("chosenFilter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("content"); // %1: the entry's time

        const QString text = "文本文件 (*.txt)", csv = "CSV文件 (*.csv)";
        const QString asText = "%1 [RX] a\\r\\nb\n", asCsv = "Timestamp,Direction,Data\n\"%1\",\"[RX]\",\"a\r\nb\"\n";
        QTest::newRow("no extension, CSV filter") << "export3" << csv << "export3.csv" << asCsv;
        QTest::newRow("no extension, text filter") << "export3" << text << "export3.txt" << asText;
        QTest::newRow("no extension, no filter reported") << "export3" << QString() << "export3.txt" << asText;
        QTest::newRow("own extension over the filter") << "Log.CSV" << text << "Log.CSV" << asCsv;
        QTest::newRow("other extension, CSV filter") << "log.log" << csv << "log.log" << asText;
    }

    // One entry stays one line of the text export; CSV quotes the line breaks.
    void exportTargetAndFormat()
    {
        QFETCH(QString, chosenName);
        QFETCH(QString, chosenFilter);
        QFETCH(QString, written);
        QFETCH(QString, content);
        CommunicationBase log;
        log.addRxDatagram("x", "a\r\nb");
        QTemporaryDir dir;

        const LogExportTarget target = LogExportTarget::fromDialog(dir.filePath(chosenName), chosenFilter);
        QCOMPARE(target.fileName, dir.filePath(written));
        QVERIFY(log.exportToFile(target.fileName, false, target.csv));
        QFile file(target.fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), content.arg(CommunicationBase::timeString(log.entries().first())));
    }

    // Ctrl+C copies every selected row, in the order the menu's copy uses.
    void copyShortcut()
    {
        CommunicationBase log;
        log.setShowTimestamp(false);
        LogViewWidget view(&log);
        auto *list = view.findChild<QListWidget *>(QStringLiteral("logOutput"));
        for (const char *message : {"one", "two", "three"})
            log.addSystemMessage(message);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTRY_COMPARE(list->count(), 3);
        list->item(2)->setSelected(true);
        list->item(0)->setSelected(true);
        list->setFocus();
        QTest::keySequence(list, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("[SYS]  three\n[SYS]  one"));
    }
};

QTEST_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
