#include "i18n/LanguageManager.h"
#include "i18n/TranslationTable.h"

#include <QtTest>
#include <QtWidgets>

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

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void tableLookups()
    {
        const TranslationTable table;
        // Every row stays, though two Chinese texts are listed twice: the later row wins.
        QCOMPARE(table.size(), 123);
        const std::pair<const char *, const char *> lookups[] = {
            {"数据可视化", "Data Visualization"}, {"未发现可用数值 — 请检查数据", "No values found — check data"},
            {"例: temperature 或 data\\.value", "e.g. temperature or data\\.value"},
            {"数据可视化 ", "数据可视化 "}, {"控制", "控制"}}; // whole texts only; no row
        for (const auto &[text, english] : lookups)
            QCOMPARE(table.translate(QString::fromUtf8(text)), QString::fromUtf8(english));
    }

    void listenersRunOncePerChangeWhileTheirPageLives_data()
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
    void listenersRunOncePerChangeWhileTheirPageLives()
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
        QCOMPARE(calls->join(' '), QStringList(changes, "first process").join(' '));
        QCOMPARE(languages().isEnglish(), english);
        QCOMPARE(languages().pick("中文", "English"), english ? "English" : "中文");
    }

    void walkTranslatesAndRestoresTree()
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
        // Neither translated nor remembered: tool buttons (icons, not words) and glyph-only labels.
        QList<QWidget *> leftAlone{new QToolButton(group)};
        static_cast<QToolButton *>(leftAlone.first())->setText("刷新");
        for (const char *glyphs : {"◆", "  ", "●", "○"})
            leftAlone << new QLabel(QString::fromUtf8(glyphs), group);
        auto *marker = new QPushButton("●", group);
        const auto captions = [&] {
            return QStringList{root->windowTitle(), tabs->tabText(0), tabs->tabText(1), group->title(),
                               label->text(), edit->placeholderText(),
                               notes->placeholderText(), combo->currentText(), combo->itemText(1),
                               editable->currentText(), editable->itemText(1), nineteen->itemText(18),
                               twenty->itemText(19), marker->text()};
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
        QCOMPARE(captions(), QStringList({"OSC Debug Tool", "Data Visualization", "Control Panel",
                                          "Connection", "Local Port",
                                          "e.g. temperature or data\\.value", "Rule Name", "UTF-8",
                                          "Pie Chart", "9600", "Area Chart", "Line Chart", "折线图", "●"}));
        QCOMPARE(QVariantList({root->property("origTitle"), tabs->property("tab1"),
                               tabs->property("tab2"), group->property("origText"),
                               notes->property("origPH"), combo->property("origItem1"),
                               twenty->property("origItem19"), marker->property("origText")}),
                 QVariantList({"OSC调试助手", "控制面板", QVariant(), "连接设置", "规则名称", "饼图",
                               QVariant(), "●"}));
        for (const QWidget *widget : leftAlone)
            QVERIFY(widget->dynamicPropertyNames().isEmpty() && !widget->property("text").toString().contains("Refresh"));
        // The window's walk covers a page again after the page's own walk.
        const QStringList english = state();
        languages().retranslateWidget(group);
        languages().retranslateWidget(root.get());
        QCOMPARE(state(), english);
        QCOMPARE(itemsChanged.count(), 1);

        languages().setLanguage(0);
        QCOMPARE(captions(), chinese);

        // A text a page sets while English is on gives way to the remembered one.
        languages().setLanguage(1);
        label->setText("已断开");
        languages().setLanguage(0);
        QCOMPARE(label->text(), QStringLiteral("本地端口"));
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
