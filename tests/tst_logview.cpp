#include "comm/CommunicationBase.h"
#include "comm/LogViewWidget.h"

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

    const int limit;
    LogViewWidget view{this};
    QListWidget *list = view.findChild<QListWidget *>(QStringLiteral("logOutput"));
};

QStringList rowTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
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

    void rowTextAndColour_data()
    {
        QTest::addColumn<LogEntry>("entry");
        QTest::addColumn<bool>("showTimestamp");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("afterTime");
        QTest::addColumn<QString>("colour");

        const auto traffic = [](LogDirection direction) { return LogEntry(direction, "AB", QStringLiteral("UTF-8")); };
        QTest::newRow("received, with time") << traffic(LogDirection::Rx) << true << false << "[RX]  AB" << "#00ffc8";
        QTest::newRow("sent, hex") << traffic(LogDirection::Tx) << false << true << "[TX]  41 42" << "#ffd700";
        QTest::newRow("system, hex shows the message") << LogEntry("AB") << true << true << "[SYS]  AB" << "#8892a0";
    }

    void rowTextAndColour()
    {
        QFETCH(LogEntry, entry);
        QFETCH(bool, showTimestamp);
        QFETCH(bool, hex);
        QFETCH(QString, afterTime);
        QFETCH(QString, colour);

        ViewedLog log;
        log.setShowTimestamp(showTimestamp);
        log.setHexDisplay(hex);
        log.view.onNewLogEntry(entry);
        QTRY_COMPARE(log.list->count(), 1);
        const QString time = showTimestamp ? ViewedLog::timeString(entry) + "  " : QString();
        QCOMPARE(log.list->item(0)->text(), time + afterTime);
        QCOMPARE(log.list->item(0)->foreground().color().name(), colour);
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
        QCOMPARE(rowTexts(log.list), afterOneFlush);
        // Without further traffic the backlog drains within a few event-loop turns, not at a 50 ms timer.
        for (int turn = 0; turn < 5; ++turn)
            QCoreApplication::processEvents();
        QCOMPARE(rowTexts(log.list), lines(limit >= 1 ? qMax(0, burst - limit) : 0, burst - 1));
    }

    void autoScrollFollowsOnlyNearBottom_data()
    {
        QTest::addColumn<bool>("autoScroll");
        QTest::addColumn<int>("pixelsAboveBottom");
        QTest::addColumn<bool>("follows");

        QTest::newRow("at the bottom") << true << 0 << true;
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
        QTRY_COMPARE(log.list->count(), 600);
        QTRY_VERIFY(bar->maximum() > 300 && bar->value() == bar->maximum());

        log.setAutoScroll(autoScroll);
        const int oldMaximum = bar->maximum();
        bar->setValue(oldMaximum - pixelsAboveBottom);
        const QString topRow = log.list->itemAt(5, 5)->text();
        log.addLines(600, 619);
        QTRY_COMPARE(rowTexts(log.list), lines(10, 619));
        QTRY_VERIFY(bar->maximum() > oldMaximum);
        if (follows) {
            QTRY_COMPARE(bar->value(), bar->maximum());
        } else {
            QTest::qWait(100);
            QCOMPARE(log.list->itemAt(5, 5)->text(), topRow);
        }
    }

    void itemStyleClamps_data()
    {
        QTest::addColumn<int>("lineSpacing");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<int>("keptSpacing");
        QTest::addColumn<int>("keptFont");

        QTest::newRow("below range") << -20 << 3 << -10 << 7;
        QTest::newRow("above range") << 25 << 30 << 10 << 18;
    }

    void itemStyleClamps()
    {
        QFETCH(int, lineSpacing);
        QFETCH(int, fontSize);
        QFETCH(int, keptSpacing);
        QFETCH(int, keptFont);

        ViewedLog log;
        log.addSystemMessage(QStringLiteral("shown before"));
        QTRY_COMPARE(log.list->count(), 1);
        log.view.setLineSpacing(lineSpacing);
        log.view.setFontSize(fontSize);
        const QString itemStyle = QStringLiteral("QListWidget::item { padding: %1px 6px %1px 6px; font-size: %2pt; }");
        QCOMPARE(log.list->styleSheet(), itemStyle.arg(keptSpacing + 2).arg(keptFont));
        log.addSystemMessage(QStringLiteral("shown after"));
        QTRY_COMPARE(log.list->count(), 2);
        QCOMPARE(log.list->item(0)->font().pointSize(), keptFont);
        QCOMPARE(log.list->item(1)->font().pointSize(), keptFont);
    }

    void copyMenu_data()
    {
        QTest::addColumn<QList<int>>("selectedRows");
        QTest::addColumn<QPoint>("fromLastRow");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("clipboard");

        const QString copy = QStringLiteral("复制"), copyAll = QStringLiteral("复制全部");
        const QString untouched = QStringLiteral("untouched");
        QTest::newRow("copy in selection order") << QList<int>{3, 1} << QPoint() << copy << "[SYS]  line 3\n[SYS]  line 1";
        QTest::newRow("copy with nothing selected") << QList<int>{} << QPoint() << copy << untouched;
        QTest::newRow("copy all, top to bottom") << QList<int>{3} << QPoint() << copyAll << lines(0, 4).join('\n');
        QTest::newRow("dismissed") << QList<int>{2} << QPoint() << QString() << untouched;
        QTest::newRow("below the last row, no menu") << QList<int>{2} << QPoint(0, 60) << copyAll << untouched;
    }

    void copyMenu()
    {
        QFETCH(QList<int>, selectedRows);
        QFETCH(QPoint, fromLastRow);
        QFETCH(QString, action);
        QFETCH(QString, clipboard);

        ViewedLog log;
        log.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log.view));
        log.addLines(0, 4);
        QTRY_COMPARE(log.list->count(), 5);
        for (int row : selectedRows)
            log.list->item(row)->setSelected(true);
        QApplication::clipboard()->setText(QStringLiteral("untouched"));

        whenOpened<QMenu>(&log.view, [&](QMenu *menu) {
            for (QAction *candidate : menu->actions()) {
                if (candidate->text() == action)
                    return QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(candidate).center());
            }
            menu->close();
        });
        const QPoint pos = log.list->visualItemRect(log.list->item(4)).center() + fromLastRow;
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, log.list->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(log.list->viewport(), &event);

        QCOMPARE(QApplication::clipboard()->text(), clipboard);
    }

    void exportThroughDialog_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<bool>("csv");
        QTest::addColumn<QString>("data");

        QTest::newRow("text file") << "log.txt" << false << false << "AB";
        QTest::newRow("csv suffix in any case") << "Log.Csv" << false << true << "AB";
        QTest::newRow("hex display exports hex") << "hex.csv" << true << true << "41 42";
        QTest::newRow("cancelled") << QString() << false << false << QString();
        QTest::newRow("unwritable, warns") << "missing/log.txt" << false << false << QString();
    }

    void exportThroughDialog()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, hex);
        QFETCH(bool, csv);
        QFETCH(QString, data);

        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        ViewedLog log;
        log.setHexDisplay(hex);
        log.addRxData("AB");

        QString dialogSeen, warning;
        whenOpened<QFileDialog>(&log.view, [&](QFileDialog *dialog) {
            // The default name's time stamp changes every second: its digits are masked.
            QString defaultName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            defaultName.replace(QRegularExpression(QStringLiteral("\\d")), QStringLiteral("0"));
            dialogSeen = dialog->windowTitle() + "|" + dialog->nameFilters().join(";;") + "|" + defaultName;
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
        if (data.isEmpty()) {
            QCOMPARE(warning, fileName.isEmpty() ? QString() : QStringLiteral("导出失败|无法写入文件: ") + path);
            QCOMPARE(log.entries().size(), 1);
            return;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList written = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(written.first() == QStringLiteral("Timestamp,Direction,Data"), csv);
        QVERIFY(written.last().contains(data));
        QCOMPARE(warning, QString());
        QCOMPARE(log.entries().last().text, QStringLiteral("日志已导出: ") + path);
    }
};

QTEST_MAIN(tst_LogView)
#include "tst_logview.moc"
