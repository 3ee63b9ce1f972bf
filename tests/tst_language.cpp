#include "i18n/LanguageManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

LanguageManager &languages()
{
    return LanguageManager::instance();
}

// A page as the windows build one: it retranslates itself on every switch while it exists.
std::unique_ptr<QWidget> makePage()
{
    auto page = std::make_unique<QWidget>();
    QWidget *root = page.get();
    languages().addListener(root, [root] { languages().retranslateWidget(root); });
    return page;
}

QWidget *makeWidget(const QByteArray &className, QWidget *parent)
{
    if (className == "QLabel")
        return new QLabel(parent);
    if (className == "QPushButton")
        return new QPushButton(parent);
    if (className == "QCheckBox")
        return new QCheckBox(parent);
    if (className == "QRadioButton")
        return new QRadioButton(parent);
    if (className == "QToolButton")
        return new QToolButton(parent);
    if (className == "QGroupBox")
        return new QGroupBox(parent);
    if (className == "QLineEdit")
        return new QLineEdit(parent);
    return new QPlainTextEdit(parent);
}

// A window-like tree: a title, tabs, and captions of every kind nested inside a tab page.
struct Tree
{
    std::unique_ptr<QWidget> root = makePage();
    QTabWidget *tabs = new QTabWidget(root.get());
    QGroupBox *group = new QGroupBox(QStringLiteral("连接设置"));
    QLabel *label = new QLabel(QStringLiteral("本地端口"), group);
    QCheckBox *check = new QCheckBox(QStringLiteral("自动滚动"), group);
    QRadioButton *radio = new QRadioButton(QStringLiteral("折线图"), group);
    QPushButton *button = new QPushButton(QStringLiteral("刷新"), group);
    QLineEdit *edit = new QLineEdit(group);
    QComboBox *combo = new QComboBox(group);
    QLabel *withoutRow = new QLabel(QStringLiteral("控制面板"), group);

    Tree()
    {
        root->setWindowTitle(QStringLiteral("OSC调试助手"));
        edit->setPlaceholderText(QStringLiteral("例: temperature 或 data\\.value"));
        combo->addItems({ QStringLiteral("折线图"), QStringLiteral("饼图") });
        auto *page = new QWidget;
        (new QVBoxLayout(page))->addWidget(group);
        tabs->addTab(page, QStringLiteral("通信日志"));
        tabs->addTab(new QWidget, QStringLiteral("控制面板"));
        tabs->addTab(new QWidget, QString());
    }

    QStringList captions() const
    {
        return { root->windowTitle(), tabs->tabText(0), tabs->tabText(1), group->title(), label->text(),
                 check->text(), radio->text(), button->text(), edit->placeholderText(),
                 combo->itemText(0), combo->itemText(1), withoutRow->text() };
    }

    // Every caption and every remembered text, to compare two states of the tree.
    QStringList state() const
    {
        QStringList lines = captions();
        QList<QWidget *> widgets = root->findChildren<QWidget *>();
        widgets.prepend(root.get());
        for (const QWidget *widget : widgets) {
            for (const QByteArray &name : widget->dynamicPropertyNames())
                lines << QString::fromLatin1(name) + QLatin1Char('=') + widget->property(name).toString();
        }
        return lines;
    }
};

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void translate_data();
    void translate();

    void listenersRunOncePerChange_data();
    void listenersRunOncePerChange();
    void listenersRunInRegistrationOrder();
    void listenerOfDestroyedPageNeverRuns();
    void pageDestroyedDuringSwitchIsSkipped();

    void walkTranslatesAndRestoresTree();
    void walkIsIdempotent();
    void walkHandlesEachKind_data();
    void walkHandlesEachKind();
    void textChangedWhileEnglishIsRestored();
    void widgetBuiltWhileEnglish();
    void comboItemLimit_data();
    void comboItemLimit();
    void unchangedComboItemIsNotReset();

    void languageCombo();
    void languageComboCreatedWhileEnglish();
};

void TestLanguage::init()
{
    languages().setLanguage(0);
}

void TestLanguage::translate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("english");

    QTest::newRow("window title") << QStringLiteral("OSC调试助手") << QStringLiteral("OSC Debug Tool");
    QTest::newRow("later row wins") << QStringLiteral("数据可视化") << QStringLiteral("Data Visualization");
    QTest::newRow("row inserted twice") << QStringLiteral("已连接客户端") << QStringLiteral("Connected Clients");
    QTest::newRow("backslash kept") << QStringLiteral("例: temperature 或 data\\.value")
                                    << QStringLiteral("e.g. temperature or data\\.value");
    QTest::newRow("dash kept") << QStringLiteral("未发现可用数值 — 请检查数据")
                               << QStringLiteral("No values found — check data");
    QTest::newRow("axis title") << QStringLiteral("数值") << QStringLiteral("Value");
    QTest::newRow("no row") << QStringLiteral("控制面板") << QStringLiteral("控制面板");
    QTest::newRow("case matters") << QStringLiteral("osc调试助手") << QStringLiteral("osc调试助手");
    QTest::newRow("whole text only") << QStringLiteral("连接设置 ") << QStringLiteral("连接设置 ");
    QTest::newRow("english is no key") << QStringLiteral("Connection") << QStringLiteral("Connection");
}

void TestLanguage::translate()
{
    QFETCH(QString, text);
    QFETCH(QString, english);

    QVERIFY(!languages().isEnglish());
    QCOMPARE(languages().translate(text), text);
    QCOMPARE(languages().pick(text, english), text);
    languages().setLanguage(1);
    QVERIFY(languages().isEnglish());
    QCOMPARE(languages().translate(text), english);
    QCOMPARE(languages().pick(text, QStringLiteral("picked")), QStringLiteral("picked"));
}

void TestLanguage::listenersRunOncePerChange_data()
{
    QTest::addColumn<QList<int>>("comboIndices");
    QTest::addColumn<int>("expectedRuns");
    QTest::addColumn<bool>("english");

    QTest::newRow("chinese while chinese") << QList<int> { 0 } << 0 << false;
    QTest::newRow("english twice") << QList<int> { 1, 1 } << 1 << true;
    QTest::newRow("back and forth twice") << QList<int> { 1, 0, 1, 0 } << 4 << false;
    QTest::newRow("any other index is english") << QList<int> { 2, 1 } << 1 << true;
}

void TestLanguage::listenersRunOncePerChange()
{
    QFETCH(QList<int>, comboIndices);
    QFETCH(int, expectedRuns);
    QFETCH(bool, english);

    QObject context;
    int runs = 0;
    languages().addListener(&context, [&runs] { ++runs; });
    for (int index : comboIndices)
        languages().setLanguage(index);
    QCOMPARE(runs, expectedRuns);
    QCOMPARE(languages().isEnglish(), english);
}

void TestLanguage::listenersRunInRegistrationOrder()
{
    // The context-free listener stays for the life of the process, so what it captures must too.
    auto calls = std::make_shared<QStringList>();
    QObject chartPage;
    QObject window;
    languages().addListener(&chartPage, [calls] { calls->append(QStringLiteral("chart page")); });
    languages().addListener([calls] { calls->append(QStringLiteral("process")); });
    languages().addListener(&window, [calls] { calls->append(QStringLiteral("window")); });

    languages().setLanguage(1);
    QCOMPARE(*calls, QStringList({ QStringLiteral("chart page"), QStringLiteral("process"), QStringLiteral("window") }));
}

void TestLanguage::listenerOfDestroyedPageNeverRuns()
{
    QStringList calls;
    auto first = makePage();
    auto destroyed = makePage();
    auto last = makePage();
    languages().addListener(first.get(), [&calls] { calls << QStringLiteral("first"); });
    languages().addListener(destroyed.get(), [&calls] { calls << QStringLiteral("destroyed"); });
    languages().addListener(last.get(), [&calls] { calls << QStringLiteral("last"); });
    new QLabel(QStringLiteral("本地端口"), destroyed.get());

    destroyed.reset();
    languages().setLanguage(1);
    languages().setLanguage(0);
    QCOMPARE(calls, QStringList({ QStringLiteral("first"), QStringLiteral("last"),
                                  QStringLiteral("first"), QStringLiteral("last") }));
}

void TestLanguage::pageDestroyedDuringSwitchIsSkipped()
{
    auto page = makePage();
    bool pageListenerRan = false;
    QObject closer;
    languages().addListener(&closer, [&page] { page.reset(); });
    languages().addListener(page.get(), [&pageListenerRan] { pageListenerRan = true; });

    languages().setLanguage(1);
    QVERIFY(!page);
    QVERIFY(!pageListenerRan);
}

void TestLanguage::walkTranslatesAndRestoresTree()
{
    Tree tree;
    const QStringList chinese = tree.captions();

    languages().setLanguage(1);
    QCOMPARE(tree.captions(),
             QStringList({ "OSC Debug Tool", "Log", "控制面板", "Connection", "Local Port", "Auto Scroll",
                           "Line Chart", "Refresh", "e.g. temperature or data\\.value", "Line Chart",
                           "Pie Chart", "控制面板" }));
    QCOMPARE(tree.root->property("origTitle").toString(), chinese.at(0));
    QCOMPARE(tree.tabs->property("tab0").toString(), chinese.at(1));
    QCOMPARE(tree.tabs->property("tab1").toString(), chinese.at(2));
    QVERIFY(!tree.tabs->property("tab2").isValid());
    QCOMPARE(tree.group->property("origText").toString(), chinese.at(3));
    QCOMPARE(tree.edit->property("origPH").toString(), chinese.at(8));
    QCOMPARE(tree.combo->property("origItem1").toString(), chinese.at(10));
    QCOMPARE(tree.withoutRow->property("origText").toString(), chinese.at(11));

    languages().setLanguage(0);
    QCOMPARE(tree.captions(), chinese);
}

void TestLanguage::walkIsIdempotent()
{
    Tree tree;
    const QStringList fresh = tree.state();
    languages().retranslateWidget(tree.root.get());
    QCOMPARE(tree.state(), fresh);

    // The window's walk covers the chart page again after the page's own walk.
    languages().setLanguage(1);
    const QStringList english = tree.state();
    languages().retranslateWidget(tree.group);
    languages().retranslateWidget(tree.root.get());
    QCOMPARE(tree.state(), english);

    languages().setLanguage(0);
    const QStringList restored = tree.state();
    languages().retranslateWidget(tree.root.get());
    QCOMPARE(tree.state(), restored);
    languages().setLanguage(1);
    QCOMPARE(tree.state(), english);
}

void TestLanguage::walkHandlesEachKind_data()
{
    QTest::addColumn<QByteArray>("className");
    QTest::addColumn<QByteArray>("textProperty");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QByteArray>("remembered");

    const QByteArray text("text");
    const QByteArray placeholder("placeholderText");
    QTest::newRow("plain text edit placeholder") << QByteArray("QPlainTextEdit") << placeholder
        << QStringLiteral("规则名称") << QStringLiteral("Rule Name") << QByteArray("origPH");
    QTest::newRow("button without a row") << QByteArray("QPushButton") << text
        << QStringLiteral("清空") << QStringLiteral("清空") << QByteArray("origText");
    QTest::newRow("button reading a marker") << QByteArray("QPushButton") << text
        << QStringLiteral("●") << QStringLiteral("●") << QByteArray("origText");
    QTest::newRow("tool button left alone") << QByteArray("QToolButton") << text
        << QStringLiteral("刷新") << QStringLiteral("刷新") << QByteArray();
    QTest::newRow("empty label") << QByteArray("QLabel") << text << QString() << QString() << QByteArray();
    QTest::newRow("empty group box") << QByteArray("QGroupBox") << QByteArray("title")
        << QString() << QString() << QByteArray();
    QTest::newRow("empty placeholder") << QByteArray("QLineEdit") << placeholder
        << QString() << QString() << QByteArray();
    for (const char *decoration : { "◆", "  ", "●", "○" }) {
        QTest::addRow("label reading \"%s\"", decoration) << QByteArray("QLabel") << text
            << QString::fromUtf8(decoration) << QString::fromUtf8(decoration) << QByteArray();
    }
    QTest::newRow("label reading a dot and words") << QByteArray("QLabel") << text
        << QStringLiteral("● 本地端口") << QStringLiteral("● 本地端口") << QByteArray("origText");
}

void TestLanguage::walkHandlesEachKind()
{
    QFETCH(QByteArray, className);
    QFETCH(QByteArray, textProperty);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    QFETCH(QByteArray, remembered);

    auto page = makePage();
    QWidget *widget = makeWidget(className, page.get());
    widget->setProperty(textProperty, chinese);

    languages().setLanguage(1);
    QCOMPARE(widget->property(textProperty).toString(), english);
    if (remembered.isEmpty())
        QVERIFY(widget->dynamicPropertyNames().isEmpty());
    else
        QCOMPARE(widget->property(remembered).toString(), chinese);

    languages().setLanguage(0);
    QCOMPARE(widget->property(textProperty).toString(), chinese);
}

void TestLanguage::textChangedWhileEnglishIsRestored()
{
    auto page = makePage();
    auto *status = new QLabel(QStringLiteral("连接设置"), page.get());

    languages().setLanguage(1);
    QCOMPARE(status->text(), QStringLiteral("Connection"));
    status->setText(QStringLiteral("已断开"));
    languages().setLanguage(0);
    QCOMPARE(status->text(), QStringLiteral("连接设置"));

    // English translates what is shown; the first remembered text stays.
    status->setText(QStringLiteral("目标端口"));
    languages().setLanguage(1);
    QCOMPARE(status->text(), QStringLiteral("Target Port"));
    QCOMPARE(status->property("origText").toString(), QStringLiteral("连接设置"));
    languages().setLanguage(0);
    QCOMPARE(status->text(), QStringLiteral("连接设置"));
}

void TestLanguage::widgetBuiltWhileEnglish()
{
    languages().setLanguage(1);
    auto page = makePage();
    auto *label = new QLabel(QStringLiteral("本地端口"), page.get());
    auto *combo = new QComboBox(page.get());
    combo->addItems({ QStringLiteral("柱状图"), QStringLiteral("散点图") });

    // A page built in English mode walks itself once when it is complete.
    languages().retranslateWidget(page.get());
    QCOMPARE(label->text(), QStringLiteral("Local Port"));
    QCOMPARE(combo->itemText(1), QStringLiteral("Scatter Plot"));

    languages().setLanguage(0);
    QCOMPARE(label->text(), QStringLiteral("本地端口"));
    QCOMPARE(combo->itemText(0), QStringLiteral("柱状图"));
    QCOMPARE(combo->itemText(1), QStringLiteral("散点图"));
}

void TestLanguage::comboItemLimit_data()
{
    QTest::addColumn<int>("itemCount");
    QTest::addColumn<bool>("translated");

    QTest::newRow("19 items") << 19 << true;
    QTest::newRow("20 items") << 20 << false;
}

void TestLanguage::comboItemLimit()
{
    QFETCH(int, itemCount);
    QFETCH(bool, translated);

    auto page = makePage();
    auto *combo = new QComboBox(page.get());
    for (int i = 0; i < itemCount; ++i)
        combo->addItem(QStringLiteral("折线图"));

    languages().setLanguage(1);
    const QString last = combo->itemText(itemCount - 1);
    QCOMPARE(last, translated ? QStringLiteral("Line Chart") : QStringLiteral("折线图"));
    QCOMPARE(combo->property(QByteArray("origItem") + QByteArray::number(itemCount - 1)).isValid(), translated);

    languages().setLanguage(0);
    QCOMPARE(combo->itemText(itemCount - 1), QStringLiteral("折线图"));
}

void TestLanguage::unchangedComboItemIsNotReset()
{
    auto page = makePage();
    auto *combo = new QComboBox(page.get());
    combo->addItems({ QStringLiteral("UTF-8"), QStringLiteral("饼图") });
    auto *editable = new QComboBox(page.get());
    editable->setEditable(true);
    editable->addItems({ QStringLiteral("115200"), QStringLiteral("面积图") });
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    editable->lineEdit()->selectAll();
    QTest::keyClicks(editable->lineEdit(), QStringLiteral("9600"));

    QSignalSpy itemsChanged(combo->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy currentTextChanged(combo, &QComboBox::currentTextChanged);

    languages().setLanguage(1);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("UTF-8"));
    QCOMPARE(combo->itemText(1), QStringLiteral("Pie Chart"));
    QCOMPARE(itemsChanged.count(), 1);
    QCOMPARE(itemsChanged.first().at(0).value<QModelIndex>().row(), 1);
    QCOMPARE(currentTextChanged.count(), 0);
    QCOMPARE(editable->currentText(), QStringLiteral("9600"));
    QCOMPARE(editable->itemText(1), QStringLiteral("Area Chart"));

    languages().setLanguage(0);
    QCOMPARE(combo->currentText(), QStringLiteral("UTF-8"));
    QCOMPARE(combo->itemText(1), QStringLiteral("饼图"));
    QCOMPARE(currentTextChanged.count(), 0);
    QCOMPARE(editable->currentText(), QStringLiteral("9600"));
}

void TestLanguage::languageCombo()
{
    auto page = makePage();
    auto *label = new QLabel(QStringLiteral("本地端口"), page.get());
    QComboBox *combo = languages().createLanguageCombo(page.get());

    QCOMPARE(combo->parentWidget(), page.get());
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("中文"));
    QCOMPARE(combo->itemText(1), QStringLiteral("English"));
    QCOMPARE(combo->itemData(0), QVariant(0));
    QCOMPARE(combo->itemData(1), QVariant(1));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->minimumWidth(), 80);
    QCOMPARE(combo->maximumWidth(), 80);
    QCOMPARE(combo->styleSheet(),
             QStringLiteral("QComboBox { background: transparent; color: #94A3B8; border: 1px solid #2A3A4A; "
                            "border-radius: 3px; padding: 2px 6px; font-size: 11px; }"
                            "QComboBox:hover { border-color: #60A5FA; }"
                            "QComboBox QAbstractItemView { background: #0D1622; color: #F1F5F9; "
                            "selection-background-color: #1E3A5F; }"));

    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(languages().isEnglish());
    QCOMPARE(label->text(), QStringLiteral("Local Port"));
    QCOMPARE(combo->currentText(), QStringLiteral("English"));
    QCOMPARE(combo->itemText(0), QStringLiteral("中文"));

    QTest::keyClick(combo, Qt::Key_Up);
    QVERIFY(!languages().isEnglish());
    QCOMPARE(label->text(), QStringLiteral("本地端口"));
}

void TestLanguage::languageComboCreatedWhileEnglish()
{
    languages().setLanguage(1);
    QObject context;
    int runs = 0;
    languages().addListener(&context, [&runs] { ++runs; });

    QWidget header;
    QComboBox *combo = languages().createLanguageCombo(&header);
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(combo->currentText(), QStringLiteral("English"));
    QVERIFY(languages().isEnglish());
    QCOMPARE(runs, 0);
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
