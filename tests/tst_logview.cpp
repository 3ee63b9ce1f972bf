#include "comm/CommunicationBase.h"
#include "comm/LogViewWidget.h"
#include "i18n/LanguageManager.h"
#include "osc/OscCodec.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// A log model with its view. Rows carry no time, so they compare as plain lines; a small limit
// shows the view's row cap with small numbers.
struct ViewedLog : CommunicationBase
{
    explicit ViewedLog(int limit = DefaultMaxLogEntries) : limit(limit) { setShowTimestamp(false); }
    int maxLogEntries() const override { return limit; }
    void addLines(int first, int last)
    {
        for (int i = first; i <= last; ++i)
            addSystemMessage(QStringLiteral("line %1").arg(i));
    }
    QStringList rows() const
    {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row)
            texts.append(list->item(row)->text());
        return texts;
    }

    // One row of each kind the filter tells apart; a bundle's row carries its element's address.
    void addMixedRows()
    {
        addRxDatagram(OscCodec::buildOscMessage("/mix/vol", ",f", "0.5"), "/mix/vol ,f 0.5000");
        addTxDatagram(OscCodec::buildOscMessage("/mix/pan", ",f", "0.1"), "/mix/pan ,f 0.1000");
        addSystemMessage(QStringLiteral("Bound to port 9000"));
        addRxDatagramRows("#bundle", {"#bundle ▸ /mix/vol ,f 1.0000"}, {"/mix/vol"});
    }

    const int limit;
    LogViewWidget view{this};
    QListWidget *list = view.findChild<QListWidget *>(QStringLiteral("logOutput"));
    QLineEdit *filterEdit = view.findChild<QLineEdit *>(QStringLiteral("logFilterEdit"));
    QPushButton *pauseButton = view.findChild<QPushButton *>(QStringLiteral("pauseButton"));
};

const QStringList kMixedRows{"[RX]  /mix/vol ,f 0.5000", "[TX]  /mix/pan ,f 0.1000", "[SYS]  Bound to port 9000",
                             "[RX]  #bundle ▸ /mix/vol ,f 1.0000"};

QStringList mixedRows(const QList<int> &picked)
{
    QStringList rows;
    for (int index : picked)
        rows.append(kMixedRows.at(index));
    return rows;
}

QStringList lines(int first, int last)
{
    QStringList texts;
    for (int i = first; i <= last; ++i)
        texts.append(QStringLiteral("[SYS]  line %1").arg(i));
    return texts;
}

// Runs action on the first popup or modal T to open, inside the event loop that shows it.
template <typename T, typename Action>
void whenOpened(QObject *owner, Action action)
{
    QTimer::singleShot(10, owner, [owner, action] {
        QWidget *active = QApplication::activePopupWidget();
        if (auto *target = qobject_cast<T *>(active ? active : QApplication::activeModalWidget()))
            action(target);
        else
            whenOpened<T>(owner, action);
    });
}

} // namespace

class tst_LogView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    // Each direction's tag and colour; datagrams in hex, system lines as written.
    void rowTextAndColour()
    {
        ViewedLog log;
        log.setHexDisplay(true);
        LogEntry unknown("AB");
        unknown.direction = LogDirection(7);
        for (const LogEntry &entry : {LogEntry(LogDirection::Rx, "AB", QStringLiteral("UTF-8")),
                                      LogEntry(LogDirection::Tx, "AB", QStringLiteral("UTF-8")), LogEntry("AB"), unknown})
            log.view.onNewLogEntry(entry);
        log.view.flushPendingItems();
        QCOMPARE(log.rows(), QStringList({"[RX]  41 42", "[TX]  41 42", "[SYS]  AB", "  AB"}));
        const QStringList colours{"#00ffc8", "#ffd700", "#8892a0", "#e0e0e0"};
        for (int row = 0; row < colours.size(); ++row)
            QCOMPARE(log.list->item(row)->foreground().color().name(), colours.at(row));
    }

    void batchesDrainAndCap_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("burst");
        QTest::addColumn<QStringList>("afterOneFlush");

        QTest::newRow("no cap, backlog drains") << 0 << 250 << lines(0, 199);
        QTest::newRow("cap above one batch") << 300 << 325 << lines(25, 224);
        // Entries beyond the cap never wait: the first flush already shows the newest.
        QTest::newRow("small cap") << 5 << 250 << lines(245, 249);
    }

    void batchesDrainAndCap()
    {
        QFETCH(int, limit);
        QFETCH(int, burst);
        QFETCH(QStringList, afterOneFlush);

        ViewedLog log(limit);
        log.addLines(0, burst - 1);
        QCOMPARE(log.list->count(), 0);
        log.view.flushPendingItems();
        QCOMPARE(log.rows(), afterOneFlush);
        // Without further traffic the backlog drains within a few event-loop turns, not at a 50 ms timer.
        for (int turn = 0; turn < 5; ++turn)
            QCoreApplication::processEvents();
        QCOMPARE(log.rows(), lines(limit >= 1 ? qMax(0, burst - limit) : 0, burst - 1));
        // The model keeps as many entries, the newest; a limit below one keeps every entry.
        QCOMPARE(log.entries().size(), log.list->count());
        QCOMPARE(log.entries().first().text, QStringLiteral("line %1").arg(burst - log.list->count()));
    }

    void filterRows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hiddenToggle"); // empty: every direction shown
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<QList<int>>("listedAfterEsc");

        const QList<int> all{0, 1, 2, 3};
        QTest::newRow("address, bundle row by its element") << "/mix/vol" << "" << QList<int>{0, 3} << all;
        QTest::newRow("text in any case") << "MIX/P" << "" << QList<int>{1} << all;
        QTest::newRow("address inverted") << "!/mix/vol" << "" << QList<int>{1, 2} << all;
        QTest::newRow("text inverted") << "!port" << "" << QList<int>{0, 1, 3} << all;
        QTest::newRow("lone ! hides nothing") << "!" << "" << all << all;
        QTest::newRow("RX hidden") << "" << "showRxCheck" << QList<int>{1, 2} << QList<int>{1, 2};
        QTest::newRow("TX hidden, text") << "mix" << "showTxCheck" << QList<int>{0, 3} << QList<int>{0, 2, 3};
        QTest::newRow("SYS hidden, inverted") << "!vol" << "showSysCheck" << QList<int>{1} << QList<int>{0, 1, 3};
    }

    // Typed filters and toggles, over rows already listed and rows that arrive later; the current
    // row stays current without a second notice; Esc lists every row again.
    void filterRows()
    {
        QFETCH(QString, typed);
        QFETCH(QString, hiddenToggle);
        QFETCH(QList<int>, listed);
        QFETCH(QList<int>, listedAfterEsc);

        ViewedLog log;
        log.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&log.view));
        QSignalSpy current(&log.view, &LogViewWidget::currentEntryChanged);
        log.addMixedRows();
        QTRY_COMPARE(log.rows(), kMixedRows);
        log.list->setCurrentRow(listed.first());
        QCOMPARE(current.count(), 1);

        if (!hiddenToggle.isEmpty())
            QTest::mouseClick(log.view.findChild<QCheckBox *>(hiddenToggle), Qt::LeftButton);
        QTest::keySequence(log.list, QKeySequence::Find);
        QVERIFY(log.filterEdit->hasFocus());
        QTest::keyClicks(log.filterEdit, typed);
        QTRY_COMPARE(log.rows(), mixedRows(listed));
        QCOMPARE(log.list->currentItem()->text(), kMixedRows.at(listed.first()));
        QCOMPARE(current.count(), 1);

        log.addMixedRows();
        QTRY_COMPARE(log.rows(), mixedRows(listed) + mixedRows(listed));

        QTest::keyClick(log.filterEdit, Qt::Key_Escape);
        QCOMPARE(log.filterEdit->text(), QString());
        QTRY_COMPARE(log.rows(), mixedRows(listedAfterEsc) + mixedRows(listedAfterEsc));
    }

    void pauseAndResume_data()
    {
        QTest::addColumn<int>("arrivals");
        QTest::addColumn<QString>("waiting");
        QTest::addColumn<QStringList>("afterResume");

        QTest::newRow("within the cap") << 5 << "5" << lines(0, 7);
        QTest::newRow("beyond the cap, told once") << 15 << "10" << lines(9, 17) + QStringList{"[SYS]  暂停期间日志已满, 最早的 6 条已丢弃"};
    }

    // Space pauses the list while the model keeps recording; the button counts the rows that
    // wait, in either language; resuming lists them in order.
    void pauseAndResume()
    {
        QFETCH(int, arrivals);
        QFETCH(QString, waiting);
        QFETCH(QStringList, afterResume);

        ViewedLog log(10);
        log.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&log.view));
        log.addLines(0, 2);
        QTRY_COMPARE(log.rows(), lines(0, 2));
        // The first waits for its flush when the pause comes.
        log.addLines(3, 3);
        log.list->setFocus();
        QTest::keyClick(log.list, Qt::Key_Space);
        log.addLines(4, 2 + arrivals);
        QTRY_COMPARE(log.pauseButton->text(), "继续 (" + waiting + ")");
        LanguageManager::instance().setLanguage(1);
        QCOMPARE(log.pauseButton->text(), "Resume (" + waiting + ")");
        LanguageManager::instance().setLanguage(0);
        QCOMPARE(log.rows(), lines(0, 2));
        QCOMPARE(log.entries().size(), qMin(10, 3 + arrivals));

        QTest::mouseClick(log.pauseButton, Qt::LeftButton);
        QTRY_COMPARE(log.rows(), afterResume);
        QCOMPARE(log.pauseButton->text(), QStringLiteral("暂停"));
    }

    // The current row announces its entry once; aged out, it hands the part to no other row.
    void currentRowAgesOut()
    {
        ViewedLog log(5);
        QSignalSpy current(&log.view, &LogViewWidget::currentEntryChanged);
        log.addLines(0, 4);
        QTRY_COMPARE(log.list->count(), 5);
        log.list->setCurrentRow(1);
        log.addLines(5, 8);
        QTRY_COMPARE(log.rows(), lines(4, 8));
        QCOMPARE(current.count(), 1);
        QCOMPARE(current.first().first().value<LogEntry>().text, QStringLiteral("line 1"));
    }

    void autoScrollFollowsOnlyNearBottom_data()
    {
        QTest::addColumn<bool>("autoScroll");
        QTest::addColumn<int>("pixelsAboveBottom");
        QTest::addColumn<bool>("follows");

        QTest::newRow("10 px above the bottom") << true << 10 << true;
        QTest::newRow("11 px above the bottom") << true << 11 << false;
        QTest::newRow("auto-scroll off, at the bottom") << false << 0 << false;
    }

    void autoScrollFollowsOnlyNearBottom()
    {
        QFETCH(bool, autoScroll);
        QFETCH(int, pixelsAboveBottom);
        QFETCH(bool, follows);

        // The cap drops the oldest rows, above a reader who is not followed: the same row must stay on top.
        ViewedLog log(610);
        log.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log.view));
        QScrollBar *bar = log.list->verticalScrollBar();
        log.addLines(0, 599);
        QTRY_VERIFY(log.list->count() == 600 && bar->maximum() > 300 && bar->value() == bar->maximum());

        log.setAutoScroll(autoScroll);
        const int oldMaximum = bar->maximum();
        bar->setValue(oldMaximum - pixelsAboveBottom);
        const QString topRow = log.list->itemAt(5, 5)->text();
        log.addLines(600, 619);
        QTRY_COMPARE(log.rows(), lines(10, 619));
        QTRY_VERIFY(bar->maximum() > oldMaximum);
        if (follows) {
            QTRY_COMPARE(bar->value(), bar->maximum());
        } else {
            QTest::qWait(100);
            QCOMPARE(log.list->itemAt(5, 5)->text(), topRow);
        }
    }

    void itemStyleClamps()
    {
        ViewedLog log;
        log.addSystemMessage(QStringLiteral("shown before"));
        QTRY_COMPARE(log.list->count(), 1);
        const QString itemStyle = QStringLiteral("QListWidget::item { padding: %1px 6px %1px 6px; font-size: %2pt; }");
        for (const auto &[asked, kept] : {std::pair{QPoint(-20, 3), QPoint(-10, 7)}, {QPoint(25, 30), QPoint(10, 18)}}) {
            log.view.setLineSpacing(asked.x());
            log.view.setFontSize(asked.y());
            QCOMPARE(log.list->styleSheet(), itemStyle.arg(kept.x() + 2).arg(kept.y()));
            log.addSystemMessage(QStringLiteral("shown after"));
            QTRY_VERIFY(log.list->count() > 1 && log.list->item(log.list->count() - 1)->font().pointSize() == kept.y());
            QCOMPARE(log.list->item(0)->font().pointSize(), kept.y());
        }
    }

    void exportThroughDialog_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("lastLine"); // empty: nothing written
        QTest::addColumn<QString>("filter");

        QTest::newRow("csv suffix in any case, hex display") << "Log.Csv" << true << "\",\"[RX]\",\"41 42\"" << "";
        QTest::newRow("cancelled") << QString() << false << QString() << "";
        QTest::newRow("unwritable, warns") << "missing/log.txt" << false << QString() << "";
        QTest::newRow("filtered, says so") << "log.txt" << false << "[RX] AB" << "ab";
    }

    void exportThroughDialog()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, hex);
        QFETCH(QString, lastLine);
        QFETCH(QString, filter);

        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        ViewedLog log;
        log.setHexDisplay(hex);
        log.addTxData("CD");
        log.addRxData("AB");
        log.filterEdit->setText(filter);
        log.view.applyFilter();

        QString dialogSeen, warning;
        whenOpened<QFileDialog>(&log.view, [&](QFileDialog *dialog) {
            // The default name's time stamp changes every second: its digits are masked.
            dialogSeen = dialog->windowTitle() + "|" + dialog->nameFilters().join(";;") + "|"
                + QFileInfo(dialog->selectedFiles().value(0)).fileName().replace(QRegularExpression("\\d"), "0");
            if (fileName.isEmpty())
                return dialog->reject();
            auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            nameEdit->setText(path);
            QTest::keyClick(nameEdit, Qt::Key_Return);
        });
        whenOpened<QMessageBox>(&log.view, [&](QMessageBox *box) {
            warning = box->parentWidget() == &log.view ? box->windowTitle() + "|" + box->text() : "no parent";
            box->button(QMessageBox::Ok)->click();
        });
        for (QPushButton *button : log.view.findChildren<QPushButton *>(QStringLiteral("smallButton"))) {
            if (button->text() == QStringLiteral("导出"))
                QTest::mouseClick(button, Qt::LeftButton);
        }

        QCOMPARE(dialogSeen, QStringLiteral("导出日志|文本文件 (*.txt);;CSV文件 (*.csv)|Communication_Log_00000000_000000"));
        QCOMPARE(warning, lastLine.isEmpty() && !fileName.isEmpty() ? QStringLiteral("导出失败|无法写入文件: ") + path : QString());
        QCOMPARE(log.entries().size(), lastLine.isEmpty() ? 2 : 3);
        if (lastLine.isEmpty())
            return;
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString written = QString::fromUtf8(file.readAll());
        QVERIFY(written.trimmed().endsWith(lastLine));
        QCOMPARE(written.contains("[TX]"), filter.isEmpty());
        QCOMPARE(log.entries().last().text, (filter.isEmpty() ? "日志已导出: " : "日志已导出 (仅过滤后的行): ") + path);
    }
};

QTEST_MAIN(tst_LogView)
#include "tst_logview.moc"
