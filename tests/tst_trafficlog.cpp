#include "osc/OscCodec.h"
#include "support/WindowTestSupport.h"

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

    // The window's filter over real traffic: an address lists its datagrams only, later ones too.
    void filterOverRealTraffic()
    {
        WindowSession session;
        QVERIFY(session.open());
        auto *list = field<QListWidget>(session.window, "logOutput");
        const QByteArray vol = OscCodec::buildOscMessage("/mix/vol", ",f", "0.5");
        const QByteArray pan = OscCodec::buildOscMessage("/mix/pan", ",f", "0.5");
        QVERIFY(session.deliver(vol) && session.deliver(pan));
        QTest::keyClicks(field<QLineEdit>(session.window, "logFilterEdit"), "/mix/pan");
        QTRY_COMPARE(list->count(), 1);
        QVERIFY(session.deliver(vol) && session.deliver(pan));
        QTRY_COMPARE(list->count(), 2);
        for (int row = 0; row < list->count(); ++row)
            QVERIFY(list->item(row)->text().endsWith(session.prefix() + "/mix/pan ,f 0.5000"));
    }
};

QTEST_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
