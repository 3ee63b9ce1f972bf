// The window's interface and multicast settings, driven like a user over real loopback sockets.
#include "i18n/LanguageManager.h"
#include "support/WindowTestSupport.h"

class tst_NetworkOptions : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    void interfacesIncludeTheLoopback()
    {
        OscWidget window;
        auto *combo = field<QComboBox>(window, "interfaceCombo");
        QCOMPARE(combo->itemText(0), QStringLiteral("所有接口"));
        const int loopback = combo->findData(QStringLiteral("lo"));
        QVERIFY(loopback > 0);
        QVERIFY2(combo->itemText(loopback).contains(QStringLiteral("127.0.0.1")), qPrintable(combo->itemText(loopback)));
    }

    void refusedGroupIsLogged_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("line");
        QTest::newRow("Chinese") << 0 << "组播地址无效: 10.0.0.1";
        QTest::newRow("English") << 1 << "Not a multicast group: 10.0.0.1";
    }

    void refusedGroupIsLogged()
    {
        QFETCH(int, language);
        QFETCH(QString, line);
        LanguageManager::instance().setLanguage(language);
        OscWidget window;
        auto *edit = field<QLineEdit>(window, "multicastEdit");
        edit->setText(QStringLiteral("10.0.0.1"));
        QVERIFY(QMetaObject::invokeMethod(edit, "editingFinished"));
        QVERIFY(bindWindow(window));
        QVERIFY2(loggedTexts(window, LogDirection::System).contains(line),
                 qPrintable(loggedTexts(window).join(QLatin1Char('\n'))));
    }

    // A group joined on lo and aimed at: the window logs its own message as received.
    void windowHearsItsOwnMulticast()
    {
        if (!QNetworkInterface::interfaceFromName(QStringLiteral("lo")).flags().testFlag(QNetworkInterface::CanMulticast))
            QSKIP("lo lacks MULTICAST: enable it as root with `ip link set lo multicast on`");
        OscWidget window;
        auto *combo = field<QComboBox>(window, "interfaceCombo");
        combo->setCurrentIndex(combo->findData(QStringLiteral("lo")));
        field<QLineEdit>(window, "multicastEdit")->setText(QStringLiteral("239.255.0.1"));
        QVERIFY(QMetaObject::invokeMethod(field<QLineEdit>(window, "multicastEdit"), "editingFinished"));
        const quint16 port = freeUdpPort();
        QVERIFY(bindWindow(window, port));
        field<QLineEdit>(window, "targetHostEdit")->setText(QStringLiteral("239.255.0.1"));
        field<QSpinBox>(window, "targetPortSpin")->setValue(port);
        window.sendData();
        QVERIFY2(QTest::qWaitFor([&window] { return !loggedTexts(window, LogDirection::Rx).isEmpty(); }, 5000),
                 qPrintable(loggedTexts(window).join(QLatin1Char('\n'))));
        QVERIFY(loggedTexts(window, LogDirection::Rx).first().contains(loggedTexts(window, LogDirection::Tx).first().mid(4)));
    }
};

QTEST_MAIN(tst_NetworkOptions)
#include "tst_networkoptions.moc"
