#include "i18n/LanguageManager.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

LanguageManager &languages() { return LanguageManager::instance(); }

// A page as the windows build one: it retranslates itself on every switch while it exists.
std::unique_ptr<QWidget> makePage()
{
    auto page = std::make_unique<QWidget>();
    QWidget *root = page.get();
    languages().addListener(root, [root] { languages().retranslateWidget(root); });
    return page;
}

using Make = std::function<QWidget *(QWidget *)>;

template <typename Widget>
QWidget *make(QWidget *parent)
{
    return new Widget(parent);
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void listenersRunOncePerChangeWhileTheirPageLives_data();
    void listenersRunOncePerChangeWhileTheirPageLives();

    void walkTranslatesAndRestoresTree();
    void textsLeftAsTheyAre_data();
    void textsLeftAsTheyAre();
    void languageComboCreatedWhileEnglish();
};

void TestLanguage::listenersRunOncePerChangeWhileTheirPageLives_data()
{
    QTest::addColumn<QList<int>>("comboIndices");
    QTest::addColumn<int>("changes");
    QTest::addColumn<bool>("english");

    QTest::newRow("chinese while chinese") << QList<int>{0} << 0 << false;
    QTest::newRow("english twice") << QList<int>{1, 1} << 1 << true;
    QTest::newRow("back and forth twice") << QList<int>{1, 0, 1, 0} << 4 << false;
    QTest::newRow("any other index is english") << QList<int>{2, 1} << 1 << true;
}

// Listeners run in registration order, once per real change, and never once their page is gone.
void TestLanguage::listenersRunOncePerChangeWhileTheirPageLives()
{
    QFETCH(QList<int>, comboIndices);
    QFETCH(int, changes);
    QFETCH(bool, english);
    languages().setLanguage(0);

    // The context-free listener stays for the life of the process, so what it captures must too.
    auto calls = std::make_shared<QStringList>();
    auto first = makePage();
    auto destroyed = makePage();
    auto closedDuringSwitch = makePage();
    languages().addListener(first.get(), [calls] { *calls << "first"; });
    languages().addListener(destroyed.get(), [calls] { *calls << "destroyed"; });
    languages().addListener([calls] { *calls << "process"; });
    languages().addListener(first.get(), [&closedDuringSwitch] { closedDuringSwitch.reset(); });
    languages().addListener(closedDuringSwitch.get(), [calls] { *calls << "closed"; });
    destroyed.reset();

    for (int index : comboIndices)
        languages().setLanguage(index);
    QStringList expected;
    for (int change = 0; change < changes; ++change)
        expected << "first" << "process";
    QCOMPARE(*calls, expected);
    QCOMPARE(languages().isEnglish(), english);
    QCOMPARE(languages().pick("中文", "English"), english ? "English" : "中文");
}

void TestLanguage::walkTranslatesAndRestoresTree()
{
    languages().setLanguage(0);
    // A window-like tree: a title, tabs, and captions and combo boxes nested inside a tab page.
    auto root = makePage();
    root->setWindowTitle("OSC调试助手");
    auto *tabs = new QTabWidget(root.get());
    auto *group = new QGroupBox("连接设置");
    tabs->addTab(group, "数据可视化");
    tabs->addTab(new QWidget, "控制面板");
    tabs->addTab(new QWidget, QString());
    auto *label = new QLabel("本地端口", group);
    auto *check = new QCheckBox("自动滚动", group);
    auto *edit = new QLineEdit(group);
    edit->setPlaceholderText("例: temperature 或 data\\.value");
    auto *notes = new QPlainTextEdit(group);
    notes->setPlaceholderText("规则名称");
    auto *combo = new QComboBox(group);
    combo->addItems({"UTF-8", "饼图"});
    auto *editable = new QComboBox(group);
    editable->setEditable(true);
    editable->addItems({"115200", "面积图"});
    editable->setEditText("9600");
    auto *nineteen = new QComboBox(group);
    nineteen->addItems(QStringList(19, "折线图"));
    auto *twenty = new QComboBox(group);
    twenty->addItems(QStringList(20, "折线图"));
    const auto captions = [&] {
        return QStringList{root->windowTitle(), tabs->tabText(0), tabs->tabText(1), group->title(),
                           label->text(), check->text(), edit->placeholderText(),
                           notes->placeholderText(), combo->currentText(), combo->itemText(1),
                           editable->currentText(), editable->itemText(1), nineteen->itemText(18),
                           twenty->itemText(19)};
    };
    // Every caption and every remembered text, to compare two states of the tree.
    const auto state = [&] {
        QStringList lines = captions();
        QList<QWidget *> widgets = root->findChildren<QWidget *>();
        for (const QWidget *widget : widgets << root.get()) {
            for (const QByteArray &name : widget->dynamicPropertyNames())
                lines << QString::fromLatin1(name) + '=' + widget->property(name).toString();
        }
        return lines;
    };
    const QStringList chinese = captions();
    QSignalSpy itemsChanged(combo->model(), &QAbstractItemModel::dataChanged);

    languages().setLanguage(1);
    // Rows inserted twice keep the later English; texts without a row stay.
    QCOMPARE(captions(), QStringList({"OSC Debug Tool", "Data Visualization", "控制面板",
                                      "Connection", "Local Port", "Auto Scroll",
                                      "e.g. temperature or data\\.value", "Rule Name", "UTF-8",
                                      "Pie Chart", "9600", "Area Chart", "Line Chart", "折线图"}));
    QCOMPARE(QVariantList({root->property("origTitle"), tabs->property("tab1"),
                           tabs->property("tab2"), group->property("origText"),
                           notes->property("origPH"), combo->property("origItem1"),
                           twenty->property("origItem19")}),
             QVariantList({"OSC调试助手", "控制面板", QVariant(), "连接设置", "规则名称", "饼图",
                           QVariant()}));
    // The window's walk covers a page again after the page's own walk.
    const QStringList english = state();
    languages().retranslateWidget(group);
    languages().retranslateWidget(root.get());
    QCOMPARE(state(), english);
    QCOMPARE(itemsChanged.count(), 1);

    languages().setLanguage(0);
    QCOMPARE(captions(), chinese);
    const QStringList restored = state();
    languages().retranslateWidget(root.get());
    QCOMPARE(state(), restored);

    // A text a page sets while English is on gives way to the remembered one.
    languages().setLanguage(1);
    label->setText("已断开");
    languages().setLanguage(0);
    QCOMPARE(label->text(), QStringLiteral("本地端口"));
}

void TestLanguage::textsLeftAsTheyAre_data()
{
    QTest::addColumn<Make>("make");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("remembered");

    QTest::newRow("button reading a marker") << Make(make<QPushButton>) << "●" << true;
    QTest::newRow("label reading a dot and words") << Make(make<QLabel>) << "● 本地端口" << true;
    QTest::newRow("tool button") << Make(make<QToolButton>) << "刷新" << false;
    for (const char *decoration : {"◆", "  ", "●", "○"}) {
        QTest::addRow("label reading \"%s\"", decoration)
            << Make(make<QLabel>) << QString::fromUtf8(decoration) << false;
    }
}

void TestLanguage::textsLeftAsTheyAre()
{
    QFETCH(Make, make);
    QFETCH(QString, text);
    QFETCH(bool, remembered);
    languages().setLanguage(0);

    auto page = makePage();
    QWidget *widget = make(page.get());
    widget->setProperty("text", text);
    languages().setLanguage(1);
    QCOMPARE(widget->property("text").toString(), text);
    QCOMPARE(widget->dynamicPropertyNames(),
             remembered ? QList<QByteArray>{"origText"} : QList<QByteArray>());
}

void TestLanguage::languageComboCreatedWhileEnglish()
{
    languages().setLanguage(1);
    auto page = makePage();
    QComboBox *combo = languages().createLanguageCombo(page.get());
    QCOMPARE(combo->currentText(), QStringLiteral("English"));
    QVERIFY(languages().isEnglish());

    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    QTest::keyClick(combo, Qt::Key_Up);
    QVERIFY(!languages().isEnglish());
    // The page's walk leaves the combo's own items as they are.
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(languages().isEnglish());
    QCOMPARE(combo->itemText(0), QStringLiteral("中文"));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
