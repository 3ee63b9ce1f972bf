#include "controls/OscButton.h"
#include "controls/OscControlPanel.h"
#include "controls/OscFader.h"
#include "controls/OscKnob.h"
#include "controls/OscLabel.h"
#include "i18n/LanguageManager.h"
#include "support/WindowTestSupport.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QRegularExpression>
#include <QTimer>
#include <QtCharts/QChartView>

namespace {

// Every visible text of the widget and its descendants that still holds CJK characters.
QStringList chineseTexts(QWidget *root)
{
    QStringList texts;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : std::as_const(widgets)) {
        texts << widget->toolTip() << (widget->isWindow() ? widget->windowTitle() : QString());
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            texts << button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            texts << group->title();
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            texts << edit->placeholderText();
        else if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        else if (auto *combo = qobject_cast<QComboBox *>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        else if (auto *view = qobject_cast<QChartView *>(widget))
            for (const QAbstractAxis *axis : view->chart()->axes())
                texts << view->chart()->title() << axis->titleText();
    }
    texts.removeAll(QStringLiteral("中文")); // the language combo names each language in itself
    return texts.filter(QRegularExpression(QStringLiteral("[\\x{3400}-\\x{9fff}]")));
}

} // namespace

class tst_English : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LanguageManager::instance().setLanguage(0); }

    // One walk over the whole window in English: every page shown, the panel in edit mode with one
    // control of each kind, its configuration dialog, and the chart page with a rule.
    void noChineseLeftInEnglish()
    {
        OscWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.findChild<QCheckBox *>(QStringLiteral("chartEnableCheck"))->click();
        field<QLineEdit>(window, "ruleNameEdit")->setText(QStringLiteral("temp"));
        field<QLineEdit>(window, "ruleExpressionEdit")->setText(QStringLiteral("temp"));
        field<QPushButton>(window, "addRuleButton")->click();
        LanguageManager::instance().setLanguage(1);

        auto *panel = window.findChild<OscControlPanel *>();
        auto *fader = new OscFader;
        for (OscControl *control : QList<OscControl *>{fader, new OscButton, new OscKnob, new OscLabel})
            panel->addControl(control);
        panel->setEditMode(true);

        QStringList found;
        auto *tabs = window.findChild<QTabWidget *>();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            found << chineseTexts(&window);
        }
        QTimer::singleShot(0, this, [&found] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            found << chineseTexts(dialog);
            dialog->close();
        });
        panel->configureControl(fader);
        found.removeDuplicates();
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    // Back in Chinese the texts return; [SYS] lines follow the language they were logged in, and so
    // do Qt's own texts.
    void switchBothWays()
    {
        OscWidget window;
        LanguageManager::instance().setLanguage(1);
        auto *tabs = window.findChild<QTabWidget *>();
        QCOMPARE(tabs->tabText(tabs->count() - 1), QStringLiteral("Addresses"));
        QDialogButtonBox english(QDialogButtonBox::Ok);
        QCOMPARE(english.button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
        field<QLineEdit>(window, "targetHostEdit")->setText(QStringLiteral("localhost"));
        QVERIFY(bindWindow(window));
        window.sendData();

        LanguageManager::instance().setLanguage(0);
        QCOMPARE(tabs->tabText(tabs->count() - 1), QStringLiteral("地址监视"));
        QDialogButtonBox chinese(QDialogButtonBox::Ok);
        QCOMPARE(chinese.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        window.sendData();
        const QStringList logged = loggedTexts(window, LogDirection::System);
        QCOMPARE(logged.mid(logged.size() - 2),
                 QStringList({"Send failed: invalid target address: localhost", "发送失败 目标地址无效: localhost"}));
    }
};

QTEST_MAIN(tst_English)
#include "tst_english.moc"
