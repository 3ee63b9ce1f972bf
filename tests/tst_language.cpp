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

enum class Kind { Label, PushButton, CheckBox, RadioButton, ToolButton, GroupBox, LineEdit, PlainTextEdit };

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

QWidget *makeWidget(Kind kind, const QString &text, QWidget *parent)
{
    switch (kind) {
    case Kind::Label: return new QLabel(text, parent);
    case Kind::PushButton: return new QPushButton(text, parent);
    case Kind::CheckBox: return new QCheckBox(text, parent);
    case Kind::RadioButton: return new QRadioButton(text, parent);
    case Kind::ToolButton: {
        auto *button = new QToolButton(parent);
        button->setText(text);
        return button;
    }
    case Kind::GroupBox: return new QGroupBox(text, parent);
    case Kind::LineEdit: {
        auto *edit = new QLineEdit(parent);
        edit->setPlaceholderText(text);
        return edit;
    }
    case Kind::PlainTextEdit: {
        auto *edit = new QPlainTextEdit(parent);
        edit->setPlaceholderText(text);
        return edit;
    }
    }
    return nullptr;
}

QString shownText(Kind kind, QWidget *widget)
{
    switch (kind) {
    case Kind::Label: return static_cast<QLabel *>(widget)->text();
    case Kind::PushButton:
    case Kind::CheckBox:
    case Kind::RadioButton:
    case Kind::ToolButton: return static_cast<QAbstractButton *>(widget)->text();
    case Kind::GroupBox: return static_cast<QGroupBox *>(widget)->title();
    case Kind::LineEdit: return static_cast<QLineEdit *>(widget)->placeholderText();
    case Kind::PlainTextEdit: return static_cast<QPlainTextEdit *>(widget)->placeholderText();
    }
    return {};
}

// The window-like tree most tests walk: a title, tabs, and captions nested inside tab pages.
struct Tree
{
    std::unique_ptr<QWidget> root = makePage();
    QTabWidget *tabs = new QTabWidget(root.get());
    QGroupBox *group = new QGroupBox(QStringLiteral("连接设置"));
    QLabel *portLabel = new QLabel(QStringLiteral("本地端口"), group);
    QCheckBox *autoScroll = new QCheckBox(QStringLiteral("自动滚动"), group);
    QRadioButton *lineChart = new QRadioButton(QStringLiteral("折线图"), group);
    QPushButton *refresh = new QPushButton(QStringLiteral("刷新"), group);
    QLineEdit *expression = new QLineEdit(group);
    QComboBox *chartType = new QComboBox(group);
    QLabel *untranslated = new QLabel(QStringLiteral("控制面板"), group);

    Tree()
    {
        root->setWindowTitle(QStringLiteral("OSC调试助手"));
        expression->setPlaceholderText(QStringLiteral("例: temperature 或 data\\.value"));
        chartType->addItems({ QStringLiteral("折线图"), QStringLiteral("饼图") });
        auto *settingsPage = new QWidget;
        auto *layout = new QVBoxLayout(settingsPage);
        layout->addWidget(group);
        tabs->addTab(settingsPage, QStringLiteral("通信日志"));
        tabs->addTab(new QWidget, QStringLiteral("数据图表"));
        tabs->addTab(new QWidget, QStringLiteral("控制面板"));
        tabs->addTab(new QWidget, QString());
    }
};

// Everything the walk may read or write, widget by widget, to compare two states of a tree.
QStringList describe(QWidget *root)
{
    QStringList lines;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : widgets) {
        QStringList fields { QString::fromLatin1(widget->metaObject()->className()), widget->windowTitle() };
        if (auto *label = qobject_cast<QLabel *>(widget))
            fields << label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            fields << button->text();
        if (auto *group = qobject_cast<QGroupBox *>(widget))
            fields << group->title();
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            fields << edit->placeholderText();
        if (auto *tabs = qobject_cast<QTabWidget *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                fields << tabs->tabText(i);
        }
        if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                fields << combo->itemText(i);
        }
        for (const QByteArray &name : widget->dynamicPropertyNames())
            fields << QString::fromLatin1(name) + QLatin1Char('=') + widget->property(name).toString();
        lines << fields.join(QLatin1Char('|'));
    }
    return lines;
}

QComboBox *makeCombo(int itemCount, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->addItem(QStringLiteral("折线图"));
    for (int i = 1; i < itemCount; ++i)
        combo->addItem(QStringLiteral("通道 %1").arg(i));
    return combo;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void translate_data();
    void translate();
    void pick();
    void rememberOriginalText_data();
    void rememberOriginalText();

    void listenersRunOncePerChange_data();
    void listenersRunOncePerChange();
    void listenersRunInRegistrationOrder();
    void listenerOfDestroyedPageNeverRuns();
    void pageDestroyedDuringSwitchIsSkipped();

    void walkTranslatesEachKind_data();
    void walkTranslatesEachKind();
    void walkCoversNestedTree();
    void walkIsIdempotent();
    void walkInChineseLeavesFreshTreeAlone();
    void decorationLabelsAreSkipped_data();
    void decorationLabelsAreSkipped();
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
    QTest::newRow("axis title") << QStringLiteral("时间") << QStringLiteral("Time");
    QTest::newRow("value axis") << QStringLiteral("数值") << QStringLiteral("Value");
    QTest::newRow("series name") << QStringLiteral("频率") << QStringLiteral("Frequency");
    QTest::newRow("colon is part of the key") << QStringLiteral("间隔:") << QStringLiteral("Interval:");
    QTest::newRow("no row") << QStringLiteral("控制面板") << QStringLiteral("控制面板");
    QTest::newRow("case matters") << QStringLiteral("osc调试助手") << QStringLiteral("osc调试助手");
    QTest::newRow("whole text only") << QStringLiteral("连接设置 ") << QStringLiteral("连接设置 ");
    QTest::newRow("prefix only") << QStringLiteral("连接") << QStringLiteral("连接");
    QTest::newRow("english is no key") << QStringLiteral("Connection") << QStringLiteral("Connection");
    QTest::newRow("empty") << QString() << QString();
}

void TestLanguage::translate()
{
    QFETCH(QString, text);
    QFETCH(QString, english);

    QCOMPARE(languages().translate(text), text);
    languages().setLanguage(1);
    QCOMPARE(languages().translate(text), english);
}

void TestLanguage::pick()
{
    QVERIFY(!languages().isEnglish());
    QCOMPARE(languages().pick(QStringLiteral("已连接"), QStringLiteral("Connected")), QStringLiteral("已连接"));
    languages().setLanguage(1);
    QVERIFY(languages().isEnglish());
    QCOMPARE(languages().pick(QStringLiteral("已连接"), QStringLiteral("Connected")), QStringLiteral("Connected"));
}

void TestLanguage::rememberOriginalText_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing stored") << QVariant() << QStringLiteral("本地端口");
    QTest::newRow("empty stored") << QVariant(QString()) << QStringLiteral("本地端口");
    QTest::newRow("text stored") << QVariant(QStringLiteral("目标端口")) << QStringLiteral("目标端口");
}

void TestLanguage::rememberOriginalText()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);

    QLabel label;
    if (stored.isValid())
        label.setProperty("origText", stored);
    languages().rememberOriginalText(&label, QStringLiteral("本地端口"));
    QCOMPARE(label.property("origText").toString(), expected);
}

void TestLanguage::listenersRunOncePerChange_data()
{
    QTest::addColumn<QList<int>>("comboIndices");
    QTest::addColumn<int>("expectedRuns");
    QTest::addColumn<bool>("english");

    QTest::newRow("chinese while chinese") << QList<int> { 0 } << 0 << false;
    QTest::newRow("english once") << QList<int> { 1 } << 1 << true;
    QTest::newRow("english twice") << QList<int> { 1, 1 } << 1 << true;
    QTest::newRow("english and back") << QList<int> { 1, 0 } << 2 << false;
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
    const QStringList expected { QStringLiteral("chart page"), QStringLiteral("process"), QStringLiteral("window") };
    QCOMPARE(*calls, expected);
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

    const QStringList expected { QStringLiteral("first"), QStringLiteral("last"),
                                 QStringLiteral("first"), QStringLiteral("last") };
    QCOMPARE(calls, expected);
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

void TestLanguage::walkTranslatesEachKind_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QByteArray>("property");

    const QByteArray origText("origText");
    const QByteArray origPH("origPH");
    QTest::newRow("label") << Kind::Label << QStringLiteral("本地端口") << QStringLiteral("Local Port") << origText;
    QTest::newRow("label without a row")
        << Kind::Label << QStringLiteral("控制面板") << QStringLiteral("控制面板") << origText;
    QTest::newRow("push button") << Kind::PushButton << QStringLiteral("刷新") << QStringLiteral("Refresh") << origText;
    QTest::newRow("push button without a row")
        << Kind::PushButton << QStringLiteral("清空") << QStringLiteral("清空") << origText;
    QTest::newRow("push button reading a marker")
        << Kind::PushButton << QStringLiteral("●") << QStringLiteral("●") << origText;
    QTest::newRow("check box") << Kind::CheckBox << QStringLiteral("自动滚动") << QStringLiteral("Auto Scroll") << origText;
    QTest::newRow("radio button") << Kind::RadioButton << QStringLiteral("饼图") << QStringLiteral("Pie Chart") << origText;
    QTest::newRow("group box title") << Kind::GroupBox << QStringLiteral("发送区") << QStringLiteral("Send") << origText;
    QTest::newRow("line edit placeholder")
        << Kind::LineEdit << QStringLiteral("规则名称") << QStringLiteral("Rule Name") << origPH;
    QTest::newRow("plain text edit placeholder")
        << Kind::PlainTextEdit << QStringLiteral("表达式 (正则/JSON路径)")
        << QStringLiteral("Expression (Regex/JSON)") << origPH;
    QTest::newRow("tool button left alone") << Kind::ToolButton << QStringLiteral("刷新") << QStringLiteral("刷新")
                                            << QByteArray();
    QTest::newRow("empty label left alone") << Kind::Label << QString() << QString() << QByteArray();
    QTest::newRow("empty button left alone") << Kind::PushButton << QString() << QString() << QByteArray();
    QTest::newRow("empty placeholder left alone") << Kind::LineEdit << QString() << QString() << QByteArray();
}

void TestLanguage::walkTranslatesEachKind()
{
    QFETCH(Kind, kind);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    QFETCH(QByteArray, property);

    auto page = makePage();
    QWidget *widget = makeWidget(kind, chinese, page.get());

    languages().setLanguage(1);
    QCOMPARE(shownText(kind, widget), english);
    if (property.isEmpty()) {
        QVERIFY(widget->dynamicPropertyNames().isEmpty());
    } else {
        QCOMPARE(widget->dynamicPropertyNames(), QList<QByteArray> { property });
        QCOMPARE(widget->property(property).toString(), chinese);
    }

    languages().setLanguage(0);
    QCOMPARE(shownText(kind, widget), chinese);
}

void TestLanguage::walkCoversNestedTree()
{
    Tree tree;

    languages().setLanguage(1);
    QCOMPARE(tree.root->windowTitle(), QStringLiteral("OSC Debug Tool"));
    QCOMPARE(tree.root->property("origTitle").toString(), QStringLiteral("OSC调试助手"));
    QCOMPARE(tree.tabs->tabText(0), QStringLiteral("Log"));
    QCOMPARE(tree.tabs->tabText(1), QStringLiteral("Chart"));
    QCOMPARE(tree.tabs->tabText(2), QStringLiteral("控制面板"));
    QCOMPARE(tree.tabs->property("tab0").toString(), QStringLiteral("通信日志"));
    QCOMPARE(tree.tabs->property("tab2").toString(), QStringLiteral("控制面板"));
    QVERIFY(!tree.tabs->property("tab3").isValid());
    QCOMPARE(tree.group->title(), QStringLiteral("Connection"));
    QCOMPARE(tree.portLabel->text(), QStringLiteral("Local Port"));
    QCOMPARE(tree.autoScroll->text(), QStringLiteral("Auto Scroll"));
    QCOMPARE(tree.lineChart->text(), QStringLiteral("Line Chart"));
    QCOMPARE(tree.refresh->text(), QStringLiteral("Refresh"));
    QCOMPARE(tree.expression->placeholderText(), QStringLiteral("e.g. temperature or data\\.value"));
    QCOMPARE(tree.chartType->itemText(0), QStringLiteral("Line Chart"));
    QCOMPARE(tree.chartType->itemText(1), QStringLiteral("Pie Chart"));
    QCOMPARE(tree.chartType->property("origItem1").toString(), QStringLiteral("饼图"));
    QCOMPARE(tree.untranslated->text(), QStringLiteral("控制面板"));
    QCOMPARE(tree.untranslated->property("origText").toString(), QStringLiteral("控制面板"));

    languages().setLanguage(0);
    QCOMPARE(tree.root->windowTitle(), QStringLiteral("OSC调试助手"));
    QCOMPARE(tree.tabs->tabText(0), QStringLiteral("通信日志"));
    QCOMPARE(tree.tabs->tabText(1), QStringLiteral("数据图表"));
    QCOMPARE(tree.group->title(), QStringLiteral("连接设置"));
    QCOMPARE(tree.portLabel->text(), QStringLiteral("本地端口"));
    QCOMPARE(tree.autoScroll->text(), QStringLiteral("自动滚动"));
    QCOMPARE(tree.lineChart->text(), QStringLiteral("折线图"));
    QCOMPARE(tree.refresh->text(), QStringLiteral("刷新"));
    QCOMPARE(tree.expression->placeholderText(), QStringLiteral("例: temperature 或 data\\.value"));
    QCOMPARE(tree.chartType->itemText(0), QStringLiteral("折线图"));
    QCOMPARE(tree.chartType->itemText(1), QStringLiteral("饼图"));
}

void TestLanguage::walkIsIdempotent()
{
    Tree tree;
    const QStringList chinese = describe(tree.root.get());

    // The window's walk covers the chart page again after the page's own walk.
    languages().setLanguage(1);
    const QStringList english = describe(tree.root.get());
    QVERIFY(english != chinese);
    languages().retranslateWidget(tree.root.get());
    languages().retranslateWidget(tree.group);
    QCOMPARE(describe(tree.root.get()), english);

    languages().setLanguage(0);
    const QStringList restored = describe(tree.root.get());
    languages().retranslateWidget(tree.root.get());
    QCOMPARE(describe(tree.root.get()), restored);

    languages().setLanguage(1);
    QCOMPARE(describe(tree.root.get()), english);
}

void TestLanguage::walkInChineseLeavesFreshTreeAlone()
{
    Tree tree;
    const QStringList before = describe(tree.root.get());
    languages().retranslateWidget(tree.root.get());
    QCOMPARE(describe(tree.root.get()), before);
    QVERIFY(tree.portLabel->dynamicPropertyNames().isEmpty());
}

void TestLanguage::decorationLabelsAreSkipped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("skipped");

    QTest::newRow("diamond") << QStringLiteral("◆") << true;
    QTest::newRow("two spaces") << QStringLiteral("  ") << true;
    QTest::newRow("filled dot") << QStringLiteral("●") << true;
    QTest::newRow("hollow dot") << QStringLiteral("○") << true;
    QTest::newRow("one space") << QStringLiteral(" ") << false;
    QTest::newRow("dot with caption") << QStringLiteral("● 本地端口") << false;
}

void TestLanguage::decorationLabelsAreSkipped()
{
    QFETCH(QString, text);
    QFETCH(bool, skipped);

    auto page = makePage();
    auto *label = new QLabel(text, page.get());
    languages().setLanguage(1);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->property("origText").isValid(), !skipped);
    languages().setLanguage(0);
    QCOMPARE(label->text(), text);
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
    QCOMPARE(combo->itemText(0), QStringLiteral("Bar Chart"));
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

    QTest::newRow("one item") << 1 << true;
    QTest::newRow("19 items") << 19 << true;
    QTest::newRow("20 items") << 20 << false;
}

void TestLanguage::comboItemLimit()
{
    QFETCH(int, itemCount);
    QFETCH(bool, translated);

    auto page = makePage();
    QComboBox *combo = makeCombo(itemCount, page.get());

    languages().setLanguage(1);
    QCOMPARE(combo->itemText(0), translated ? QStringLiteral("Line Chart") : QStringLiteral("折线图"));
    QCOMPARE(combo->property("origItem0").isValid(), translated);
    QCOMPARE(combo->property(QByteArray("origItem") + QByteArray::number(itemCount - 1)).isValid(), translated);
    QCOMPARE(combo->count(), itemCount);

    languages().setLanguage(0);
    QCOMPARE(combo->itemText(0), QStringLiteral("折线图"));
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
    QSignalSpy currentChanged(combo, &QComboBox::currentIndexChanged);
    QSignalSpy currentTextChanged(combo, &QComboBox::currentTextChanged);

    languages().setLanguage(1);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("UTF-8"));
    QCOMPARE(combo->itemText(1), QStringLiteral("Pie Chart"));
    QCOMPARE(combo->property("origItem0").toString(), QStringLiteral("UTF-8"));
    QCOMPARE(itemsChanged.count(), 1);
    QCOMPARE(itemsChanged.first().at(0).value<QModelIndex>().row(), 1);
    QCOMPARE(currentChanged.count(), 0);
    QCOMPARE(currentTextChanged.count(), 0);
    QCOMPARE(editable->currentText(), QStringLiteral("9600"));
    QCOMPARE(editable->itemText(1), QStringLiteral("Area Chart"));

    languages().setLanguage(0);
    QCOMPARE(combo->currentText(), QStringLiteral("UTF-8"));
    QCOMPARE(combo->itemText(1), QStringLiteral("饼图"));
    QCOMPARE(currentChanged.count(), 0);
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
    QCOMPARE(combo->itemText(0), QStringLiteral("中文"));
    QCOMPARE(combo->currentText(), QStringLiteral("English"));

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
