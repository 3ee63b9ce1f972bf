// The window's interface and multicast settings, driven like a user over real loopback sockets.
#include "i18n/LanguageManager.h"
#include "support/WindowTestSupport.h"

namespace {

const QString kGroup = QStringLiteral("239.255.0.1");

void enterGroup(const OscWidget &window, const QString &group)
{
    auto *edit = field<QLineEdit>(window, "multicastEdit");
    edit->setText(group);
    emit edit->editingFinished();
}

} // namespace

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
        QVERIFY(combo->itemText(loopback).contains(QStringLiteral("127.0.0.1")));
    }

    void refusedGroupIsLogged_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("line");
        QTest::newRow("unicast") << 0 << "10.0.0.1" << "组播地址无效: 10.0.0.1";
        QTest::newRow("English, no address") << 1 << "studio" << "Not a multicast group: studio";
    }

    // Checked when joined: at the bind here, so the group is named in the log then.
    void refusedGroupIsLogged()
    {
        QFETCH(int, language);
        QFETCH(QString, group);
        QFETCH(QString, line);
        LanguageManager::instance().setLanguage(language);
        OscWidget window;
        enterGroup(window, group);
        QVERIFY(bindWindow(window));
        QVERIFY(loggedTexts(window, LogDirection::System).contains(line));
    }

    // A group joined on lo and aimed at: the window logs its own message as received.
    void windowHearsItsOwnMulticast()
    {
        if (!QNetworkInterface::interfaceFromName(QStringLiteral("lo")).flags().testFlag(QNetworkInterface::CanMulticast))
            QSKIP("lo lacks MULTICAST: enable it as root with `ip link set lo multicast on`");
        OscWidget window;
        auto *combo = field<QComboBox>(window, "interfaceCombo");
        combo->setCurrentIndex(combo->findData(QStringLiteral("lo")));
        enterGroup(window, kGroup);
        const quint16 port = freeUdpPort();
        QVERIFY(bindWindow(window, port));
        field<QLineEdit>(window, "targetHostEdit")->setText(kGroup);
        field<QSpinBox>(window, "targetPortSpin")->setValue(port);
        window.sendData();
        QTRY_COMPARE_WITH_TIMEOUT(loggedTexts(window, LogDirection::Rx).size(), 1, 5000);
    }
};

QTEST_MAIN(tst_NetworkOptions)
#include "tst_networkoptions.moc"
