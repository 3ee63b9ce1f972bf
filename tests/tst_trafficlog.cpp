#include "comm/LogExportTarget.h"
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

    // Datagrams counted and shown in hex as they are; shown rows follow the switches; Ctrl+C.
    void datagramsLogged()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, hexStart);
        WindowSession session;
        QVERIFY(session.open());
        session.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&session.window));
        const CommunicationBase *log = session.window.communication();
        auto *list = field<QListWidget>(session.window, "logOutput");

        QVERIFY(session.deliver(datagram));
        QCOMPARE(log->rxBytes(), datagram.size());
        QTRY_COMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("%1  [RX]  [127.0.0.1:%2] %3").arg(CommunicationBase::timeString(log->entries().last()))
                                            .arg(session.peer.localPort()).arg(OscCodec::decodeOscToText(datagram)));

        field<QCheckBox>(session.window, "hexCheck")->click();
        field<QCheckBox>(session.window, "timestampCheck")->click();
        QVERIFY(list->item(1)->text().startsWith("[RX]  " + hexStart) && list->item(1)->text().size() == 6 + datagram.size() * 3 - 1);

        list->setFocus();
        list->item(1)->setSelected(true);
        list->item(0)->setSelected(true);
        QTest::keySequence(list, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), list->item(1)->text() + '\n' + list->item(0)->text());

        session.window.sendData();
        QCOMPARE(log->txBytes(), 20);
        QCOMPARE(log->entries().last().data, session.receive());
    }

    void exportTargetAndFormat_data()
    {
        QTest::addColumn<QString>("chosenName");
        QTest::addColumn<QString>("chosenFilter");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("content"); // %1: the entry's time

        const QString asText = "%1 [RX] a\\r\\nb\n", asCsv = "Timestamp,Direction,Data\n\"%1\",\"[RX]\",\"a\r\nb\"\n";
        QTest::newRow("no extension, CSV filter") << "export3" << "CSV文件 (*.csv)" << false << "export3.csv" << asCsv;
        QTest::newRow("no extension, text filter, hex") << "export3" << "文本文件 (*.txt)" << true << "export3.txt" << "%1 [RX] 78\n";
        QTest::newRow("own extension over the filter") << "Log.CSV" << "文本文件 (*.txt)" << false << "Log.CSV" << asCsv;
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
        log.addRxDatagram("x", "a\r\nb");
        QTemporaryDir dir;

        const LogExportTarget target = LogExportTarget::fromDialog(dir.filePath(chosenName), chosenFilter);
        QCOMPARE(target.fileName, dir.filePath(written));
        QVERIFY(log.exportToFile(target.fileName, hex, target.csv));
        QFile file(target.fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), content.arg(CommunicationBase::timeString(log.entries().first())));
    }
};

QTEST_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
