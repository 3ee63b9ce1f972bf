// The window's port and target over IPv4 and IPv6, and the datagrams the system drops on its socket.
#include "i18n/LanguageManager.h"
#include "osc/UdpDropCounter.h"
#include "support/WindowTestSupport.h"

class tst_Network : public QObject
{
    Q_OBJECT

private slots:
    // One bound port hears both families and one socket sends to both; an IPv4 peer is never
    // shown as ::ffff:127.0.0.1.
    void bothFamilies_data()
    {
        QTest::addColumn<QString>("peerAddress");
        QTest::newRow("IPv4") << "127.0.0.1";
        QTest::newRow("IPv6") << "::1";
    }

    void bothFamilies()
    {
        QFETCH(QString, peerAddress);
        QUdpSocket peer;
        if (!peer.bind(QHostAddress(peerAddress), 0))
            QSKIP("this system has no IPv6");
        OscWidget window;
        const quint16 port = freeUdpPort();
        QVERIFY(bindWindow(window, port));
        field<QLineEdit>(window, "targetHostEdit")->setText(peerAddress);
        field<QSpinBox>(window, "targetPortSpin")->setValue(peer.localPort());
        window.sendData();
        QVERIFY(QTest::qWaitFor([&peer] { return peer.hasPendingDatagrams(); }, 5000));
        QCOMPARE(peer.writeDatagram(peer.receiveDatagram().data(), QHostAddress(peerAddress), port), qint64(20));
        QTRY_COMPARE(loggedTexts(window, LogDirection::Rx).size(), 1);
        const QString prefix = QStringLiteral("[%1:%2] ").arg(peerAddress).arg(peer.localPort());
        QVERIFY2(loggedTexts(window, LogDirection::Rx).constFirst().startsWith(prefix), qPrintable(prefix));
    }

    void dropCounterReadsTheSocketsRow_data()
    {
        QTest::addColumn<quint64>("inode");
        QTest::addColumn<qint64>("drops"); // -1: not listed
        QTest::newRow("IPv4 table") << quint64(249652) << qint64(23530);
        QTest::newRow("IPv6 table") << quint64(250001) << qint64(17);
        QTest::newRow("not listed, though a prefix of one") << quint64(24965) << qint64(-1);
    }

    void dropCounterReadsTheSocketsRow()
    {
        QFETCH(quint64, inode);
        QFETCH(qint64, drops);
        QTemporaryDir tables;
        const auto write = [&tables](const char *name, const QByteArray &text) {
            QFile file(tables.filePath(QLatin1String(name)));
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        };
        QVERIFY(write("udp", "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops            \n"
                             " 3406: 00000000:2328 00000000:0000 07 00000000:00092A80 00:00000000 00000000  1000        0 249652 2 000000006c81eaf5 23530    \n"));
        QVERIFY(write("udp6", "  sl  local_address                         remote_address                        st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
                              " 1029: 00000000000000000000000000000000:2328 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000  1000        0 250001 2 00000000b1c2d3e4 17\n"));
        const std::optional<quint64> read = UdpDropCounter(inode, tables.path()).read();
        QCOMPARE(read ? qint64(*read) : -1, drops);
    }

    // A flood nobody drains, the event loop standing still, overflows the socket's buffer.
    void overflowIsShownAndReset()
    {
        WindowSession session;
        QVERIFY(session.open());
        const auto counter = UdpDropCounter::forSocket(session.window.findChild<QUdpSocket *>()->socketDescriptor());
        if (!counter)
            QSKIP("this system does not count dropped datagrams");
        const QByteArray datagram(1024, 'x');
        for (int i = 0; i < 20000; ++i)
            session.peer.writeDatagram(datagram, QHostAddress::LocalHost, session.port);
        auto *label = field<QLabel>(session.window, "dropLabel");
        QVERIFY(label && label->isHidden());
        QTRY_VERIFY(!label->isHidden());
        const quint64 lost = counter->read().value_or(0);
        QCOMPARE(label->text(), QStringLiteral("丢包: %1").arg(lost));
        QVERIFY(label->styleSheet().contains(QLatin1String("#f59e0b")));
        QCOMPARE(loggedTexts(session.window, LogDirection::System).constLast(),
                 QStringLiteral("接收缓冲区溢出, 丢失 %1 个数据报").arg(lost));
        LanguageManager::instance().setLanguage(1);
        QCOMPARE(label->text(), QStringLiteral("Dropped: %1").arg(lost));
        LanguageManager::instance().setLanguage(0);
        // The status bar's first button resets the counters.
        auto *reset = label->parentWidget()->findChild<QPushButton *>();
        QCOMPARE(reset->text(), QStringLiteral("重置计数"));
        reset->click();
        QVERIFY(label->isHidden());
    }
};

QTEST_MAIN(tst_Network)
#include "tst_network.moc"
