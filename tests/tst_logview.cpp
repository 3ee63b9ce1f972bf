#include "comm/CommunicationBase.h"
#include "comm/LogViewWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(LogDirection)

namespace {

const QString kUntouched = QStringLiteral("clipboard untouched");

// A model that keeps only a few entries, so the view's row cap shows with small numbers.
class CappedCommunication : public CommunicationBase
{
public:
    explicit CappedCommunication(int limit) : m_limit(limit) {}
    int maxLogEntries() const override { return m_limit; }

private:
    int m_limit;
};

QListWidget *logList(const LogViewWidget &view)
{
    return view.findChild<QListWidget *>(QStringLiteral("logOutput"));
}

QPushButton *button(const LogViewWidget &view, const QString &text)
{
    const auto buttons = view.findChildren<QPushButton *>(QStringLiteral("smallButton"));
    for (QPushButton *candidate : buttons) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

bool showAt(QWidget &widget, int width, int height)
{
    widget.resize(width, height);
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

QStringList rowTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

QStringList systemLines(int first, int last)
{
    QStringList lines;
    for (int i = first; i <= last; ++i)
        lines.append(QStringLiteral("[SYS]  line %1").arg(i));
    return lines;
}

void addSystemLines(CommunicationBase &model, int first, int last)
{
    for (int i = first; i <= last; ++i)
        model.addSystemMessage(QStringLiteral("line %1").arg(i));
}

// Runs action on the first popup or modal widget of type T that opens, from inside the event
// loop that shows it (menus and dialogs block their caller until they close). The poll ends
// with its owner, so a popup that never opens leaves nothing behind.
template <typename T>
void whenOpened(QObject *owner, std::function<void(T *)> action)
{
    auto *poll = new QTimer(owner);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        QWidget *active = QApplication::activePopupWidget();
        if (!active)
            active = QApplication::activeModalWidget();
        if (auto *target = qobject_cast<T *>(active)) {
            poll->stop();
            poll->deleteLater();
            action(target);
        }
    });
    poll->start();
}

void chooseMenuAction(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    menu->close();
}

void typeFileName(QFileDialog *dialog, const QString &path)
{
    auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameEdit);
    nameEdit->setText(path);
    QTest::keyClick(nameEdit, Qt::Key_Return);
}

struct InkRows
{
    int top = -1;
    int bottom = -1;
};

// The first and last pixel rows holding the sent colour (yellow); the background and the
// antialiased edges of the glyphs do not count.
InkRows yellowInkRows(const QImage &image)
{
    InkRows ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.red() > 200 && pixel.green() > 170 && pixel.blue() < 90) {
                ink.top = ink.top < 0 ? y : ink.top;
                ink.bottom = y;
                break;
            }
        }
    }
    return ink;
}

void requestContextMenu(QListWidget *list, const QPoint &pos)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(list->viewport(), &event);
}

} // namespace

class tst_LogView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layoutAndNames();
    void rowTextAndColour_data();
    void rowTextAndColour();
    void burstFlushesInBatchesAndDrains();
    void autoScrollFollowsOnlyNearBottom_data();
    void autoScrollFollowsOnlyNearBottom();
    void itemStyleClamps_data();
    void itemStyleClamps();
    void delegateCentresTextInRow_data();
    void delegateCentresTextInRow();
    void longRowsStayOneLineTall();
    void countersResetAndClear();
    void copyMenu_data();
    void copyMenu();
    void exportThroughDialog_data();
    void exportThroughDialog();
    void exportFailureShowsWarning();
    void rowCapKeepsNewest_data();
    void rowCapKeepsNewest();
    void waitingQueueIsCapped();
    void cappedListKeepsReaderInPlace();
};

void tst_LogView::initTestCase()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void tst_LogView::layoutAndNames()
{
    CommunicationBase model;
    LogViewWidget view(&model);
    QListWidget *list = logList(view);
    QVERIFY(list);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(view.findChild<QFrame *>(QStringLiteral("statusBar")));
    QCOMPARE(view.findChild<QLabel *>(QStringLiteral("txLabel"))->text(), QStringLiteral("TX: 0 bytes"));
    QCOMPARE(view.findChild<QLabel *>(QStringLiteral("rxLabel"))->text(), QStringLiteral("RX: 0 bytes"));

    QStringList separatorStyles;
    for (QLabel *label : view.findChildren<QLabel *>()) {
        if (label->text() == QString(QChar(0x2502)))
            separatorStyles.append(label->styleSheet());
    }
    QCOMPARE(separatorStyles, QStringList{QStringLiteral("color: #2A3444; font-size: 16px; padding: 0 4px;")});

    QStringList texts;
    for (QPushButton *small : view.findChildren<QPushButton *>(QStringLiteral("smallButton"))) {
        texts.append(small->text());
        QCOMPARE(small->minimumHeight(), 24);
        QCOMPARE(small->maximumHeight(), 24);
    }
    QCOMPARE(texts, (QStringList{QStringLiteral("重置计数"), QStringLiteral("清除日志"), QStringLiteral("导出")}));
}

void tst_LogView::rowTextAndColour_data()
{
    QTest::addColumn<LogDirection>("direction");
    QTest::addColumn<bool>("showTimestamp");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("expectedAfterTime");
    QTest::addColumn<QColor>("colour");

    const QColor tx(QStringLiteral("#FFD700")), rx(QStringLiteral("#00FFC8"));
    const QColor sys(QStringLiteral("#8892A0")), other(QStringLiteral("#E0E0E0"));
    QTest::newRow("received, no time") << LogDirection::Rx << false << false << "[RX]  AB" << rx;
    QTest::newRow("received, with time") << LogDirection::Rx << true << false << "[RX]  AB" << rx;
    QTest::newRow("sent, hex") << LogDirection::Tx << false << true << "[TX]  41 42" << tx;
    QTest::newRow("sent, hex, with time") << LogDirection::Tx << true << true << "[TX]  41 42" << tx;
    QTest::newRow("system, hex shows message") << LogDirection::System << false << true << "[SYS]  AB" << sys;
    QTest::newRow("unknown direction, no time") << LogDirection(7) << false << false << "  AB" << other;
    QTest::newRow("unknown direction, with time") << LogDirection(7) << true << false << "  AB" << other;
}

void tst_LogView::rowTextAndColour()
{
    QFETCH(LogDirection, direction);
    QFETCH(bool, showTimestamp);
    QFETCH(bool, hex);
    QFETCH(QString, expectedAfterTime);
    QFETCH(QColor, colour);

    CommunicationBase model;
    model.setShowTimestamp(showTimestamp);
    model.setHexDisplay(hex);
    LogViewWidget view(&model);
    LogEntry entry = direction == LogDirection::System ? LogEntry(QStringLiteral("AB"))
                                                       : LogEntry(LogDirection::Rx, "AB", QStringLiteral("UTF-8"));
    entry.direction = direction;
    view.onNewLogEntry(entry);

    QListWidget *list = logList(view);
    QTRY_COMPARE(list->count(), 1);
    const QString time = showTimestamp ? CommunicationBase::timeString(entry) + QStringLiteral("  ") : QString();
    QCOMPARE(list->item(0)->text(), time + expectedAfterTime);
    QCOMPARE(list->item(0)->foreground().color(), colour);
}

void tst_LogView::burstFlushesInBatchesAndDrains()
{
    CommunicationBase model;
    model.setShowTimestamp(false);
    LogViewWidget view(&model);
    QListWidget *list = logList(view);

    addSystemLines(model, 0, 249);
    QCOMPARE(list->count(), 0);
    view.flushPendingItems();
    QCOMPARE(list->count(), 200);
    // No further traffic: the rest follows within a few turns of the event loop, long before
    // the 50 ms timer that a new entry would start.
    for (int turn = 0; turn < 5 && list->count() < 250; ++turn)
        QCoreApplication::processEvents();
    QCOMPARE(rowTexts(list), systemLines(0, 249));
}

void tst_LogView::autoScrollFollowsOnlyNearBottom_data()
{
    QTest::addColumn<bool>("autoScroll");
    QTest::addColumn<int>("pixelsAboveBottom");
    QTest::addColumn<bool>("follows");

    QTest::newRow("at the bottom") << true << 0 << true;
    QTest::newRow("10 px above the bottom") << true << 10 << true;
    QTest::newRow("11 px above the bottom") << true << 11 << false;
    QTest::newRow("far above the bottom") << true << 200 << false;
    QTest::newRow("auto-scroll off, at the bottom") << false << 0 << false;
}

void tst_LogView::autoScrollFollowsOnlyNearBottom()
{
    QFETCH(bool, autoScroll);
    QFETCH(int, pixelsAboveBottom);
    QFETCH(bool, follows);

    CommunicationBase model;
    LogViewWidget view(&model);
    QVERIFY(showAt(view, 400, 300));
    QListWidget *list = logList(view);
    QScrollBar *bar = list->verticalScrollBar();

    // More rows than the list lays out in one batch.
    addSystemLines(model, 0, 599);
    QTRY_COMPARE(list->count(), 600);
    QTRY_VERIFY(bar->maximum() > 300);
    QTRY_COMPARE(bar->value(), bar->maximum());

    model.setAutoScroll(autoScroll);
    const int oldMaximum = bar->maximum();
    bar->setValue(oldMaximum - pixelsAboveBottom);
    const int readerPosition = bar->value();
    addSystemLines(model, 600, 619);
    QTRY_COMPARE(list->count(), 620);
    QTRY_VERIFY(bar->maximum() > oldMaximum);
    if (follows) {
        QTRY_COMPARE(bar->value(), bar->maximum());
    } else {
        QTest::qWait(100);
        QCOMPARE(bar->value(), readerPosition);
    }
}

void tst_LogView::itemStyleClamps_data()
{
    QTest::addColumn<int>("lineSpacing");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<int>("storedSpacing");
    QTest::addColumn<int>("storedFont");
    QTest::addColumn<int>("padding");

    QTest::newRow("defaults") << 0 << 11 << 0 << 11 << 2;
    QTest::newRow("in range") << 3 << 14 << 3 << 14 << 5;
    QTest::newRow("spacing and font below range") << -20 << 3 << -10 << 7 << -8;
    QTest::newRow("spacing and font above range") << 25 << 30 << 10 << 18 << 12;
}

void tst_LogView::itemStyleClamps()
{
    QFETCH(int, lineSpacing);
    QFETCH(int, fontSize);
    QFETCH(int, storedSpacing);
    QFETCH(int, storedFont);
    QFETCH(int, padding);

    CommunicationBase model;
    LogViewWidget view(&model);
    QListWidget *list = logList(view);
    model.addSystemMessage(QStringLiteral("shown before"));
    QTRY_COMPARE(list->count(), 1);

    view.setLineSpacing(lineSpacing);
    view.setFontSize(fontSize);
    QCOMPARE(view.lineSpacing(), storedSpacing);
    QCOMPARE(view.fontSize(), storedFont);
    QCOMPARE(list->styleSheet(), QStringLiteral("QListWidget::item { padding: %1px 6px %1px 6px; font-size: %2pt; }")
                                     .arg(padding)
                                     .arg(storedFont));
    QCOMPARE(list->font().pointSize(), storedFont);
    QCOMPARE(list->item(0)->font().pointSize(), storedFont);

    model.addSystemMessage(QStringLiteral("shown after"));
    QTRY_COMPARE(list->count(), 2);
    QCOMPARE(list->item(1)->font().pointSize(), storedFont);
}

void tst_LogView::delegateCentresTextInRow_data()
{
    QTest::addColumn<int>("fontSize");

    QTest::newRow("small font") << 7;
    QTest::newRow("default font") << 11;
    QTest::newRow("large font") << 18;
}

void tst_LogView::delegateCentresTextInRow()
{
    QFETCH(int, fontSize);

    // Rows of different heights must place the line at the same distance from their middle.
    QList<int> imbalances;
    QList<int> rowHeights;
    for (int lineSpacing : {-2, 0, 10}) {
        CommunicationBase model;
        model.setShowTimestamp(false);
        LogViewWidget view(&model);
        view.setLineSpacing(lineSpacing);
        view.setFontSize(fontSize);
        QVERIFY(showAt(view, 500, 300));
        QListWidget *list = logList(view);
        model.addTxData("[Qjg|]");
        QTRY_COMPARE(list->count(), 1);

        const QRect row = list->visualItemRect(list->item(0));
        const InkRows ink = yellowInkRows(list->viewport()->grab().toImage());
        QVERIFY2(ink.top >= 0, "no text drawn");
        imbalances.append((ink.top - row.top()) - (row.bottom() - ink.bottom));
        rowHeights.append(row.height());
    }
    QVERIFY(rowHeights[0] < rowHeights[1] && rowHeights[1] < rowHeights[2]);
    for (int imbalance : imbalances) {
        QVERIFY2(qAbs(imbalance - imbalances.first()) <= 1,
                 qPrintable(QStringLiteral("ink above minus ink below the line, per row height: %1, %2, %3")
                                .arg(imbalances[0]).arg(imbalances[1]).arg(imbalances[2])));
    }
}

void tst_LogView::longRowsStayOneLineTall()
{
    CommunicationBase model;
    LogViewWidget view(&model);
    QVERIFY(showAt(view, 300, 200));
    QListWidget *list = logList(view);
    model.addSystemMessage(QStringLiteral("short"));
    QTRY_COMPARE(list->count(), 1);
    const int oneLine = list->visualItemRect(list->item(0)).height();

    // Far wider than the list: the row is drawn as one line and must not grow to wrapped height.
    model.addSystemMessage(QStringLiteral("long ").repeated(100));
    QTRY_COMPARE(list->count(), 2);
    QCOMPARE(list->visualItemRect(list->item(1)).height(), oneLine);
    QCOMPARE(list->visualItemRect(list->item(0)).height(), oneLine);
}

void tst_LogView::countersResetAndClear()
{
    CommunicationBase model;
    LogViewWidget view(&model);
    QListWidget *list = logList(view);
    auto *txLabel = view.findChild<QLabel *>(QStringLiteral("txLabel"));
    auto *rxLabel = view.findChild<QLabel *>(QStringLiteral("rxLabel"));

    model.addTxData("abc");
    model.addRxData("hello!");
    QCOMPARE(txLabel->text(), QStringLiteral("TX: 3 bytes"));
    QCOMPARE(rxLabel->text(), QStringLiteral("RX: 6 bytes"));
    QTRY_COMPARE(list->count(), 2);

    QTest::mouseClick(button(view, QStringLiteral("清除日志")), Qt::LeftButton);
    QCOMPARE(list->count(), 0);
    QVERIFY(model.entries().isEmpty());
    QCOMPARE(txLabel->text(), QStringLiteral("TX: 3 bytes"));

    model.addRxData("xy");
    QTRY_COMPARE(list->count(), 1);
    QTest::mouseClick(button(view, QStringLiteral("重置计数")), Qt::LeftButton);
    QCOMPARE(txLabel->text(), QStringLiteral("TX: 0 bytes"));
    QCOMPARE(rxLabel->text(), QStringLiteral("RX: 0 bytes"));
    QCOMPARE(list->count(), 1);

    model.clearLog();
    QCOMPARE(list->count(), 0);
}

void tst_LogView::copyMenu_data()
{
    QTest::addColumn<QList<int>>("clickedRows");
    QTest::addColumn<bool>("onRow");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("clipboard");

    const QString copy = QStringLiteral("复制"), copyAll = QStringLiteral("复制全部");
    QTest::newRow("copy one row") << QList<int>{2} << true << copy << "[SYS]  line 2";
    QTest::newRow("copy keeps the selection's order") << QList<int>{3, 1} << true << copy
                                                      << "[SYS]  line 3\n[SYS]  line 1";
    QTest::newRow("copy with nothing selected") << QList<int>{} << true << copy << kUntouched;
    QTest::newRow("copy all, top to bottom") << QList<int>{3} << true << copyAll << systemLines(0, 4).join('\n');
    QTest::newRow("dismissed") << QList<int>{2} << true << QString() << kUntouched;
    QTest::newRow("below the last row, no menu") << QList<int>{2} << false << copyAll << kUntouched;
}

void tst_LogView::copyMenu()
{
    QFETCH(QList<int>, clickedRows);
    QFETCH(bool, onRow);
    QFETCH(QString, action);
    QFETCH(QString, clipboard);

    CommunicationBase model;
    model.setShowTimestamp(false);
    LogViewWidget view(&model);
    QVERIFY(showAt(view, 400, 300));
    QListWidget *list = logList(view);
    addSystemLines(model, 0, 4);
    QTRY_COMPARE(list->count(), 5);

    for (int i = 0; i < clickedRows.size(); ++i) {
        const QPoint centre = list->visualItemRect(list->item(clickedRows[i])).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier, centre);
    }
    QApplication::clipboard()->setText(kUntouched);

    QString menuStyle;
    whenOpened<QMenu>(&view, [&](QMenu *menu) {
        menuStyle = menu->styleSheet();
        chooseMenuAction(menu, action);
    });
    const QRect lastRow = list->visualItemRect(list->item(4));
    requestContextMenu(list, onRow ? lastRow.center() : lastRow.bottomLeft() + QPoint(5, 40));

    QCOMPARE(menuStyle.startsWith(QStringLiteral("QMenu { background: #1F2937;")), onRow);
    QCOMPARE(QApplication::clipboard()->text(), clipboard);
}

void tst_LogView::exportThroughDialog_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("csv");

    QTest::newRow("text file") << "log.txt" << false << false;
    QTest::newRow("no suffix gives text") << "log" << false << false;
    QTest::newRow("other suffix gives text") << "log.log" << false << false;
    QTest::newRow("csv file") << "log.csv" << false << true;
    QTest::newRow("upper-case suffix gives csv") << "LOG.CSV" << false << true;
    QTest::newRow("hex display exports hex") << "hex.txt" << true << false;
    QTest::newRow("cancelled") << QString() << false << false;
}

void tst_LogView::exportThroughDialog()
{
    QFETCH(QString, fileName);
    QFETCH(bool, hex);
    QFETCH(bool, csv);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);
    CommunicationBase model;
    model.setHexDisplay(hex);
    LogViewWidget view(&model);
    model.addRxData("AB");

    QString title, defaultName;
    QStringList filters;
    whenOpened<QFileDialog>(&view, [&](QFileDialog *dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        defaultName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
        if (fileName.isEmpty())
            dialog->reject();
        else
            typeFileName(dialog, path);
    });
    QTest::mouseClick(button(view, QStringLiteral("导出")), Qt::LeftButton);

    QCOMPARE(title, QStringLiteral("导出日志"));
    QCOMPARE(filters, (QStringList{QStringLiteral("文本文件 (*.txt)"), QStringLiteral("CSV文件 (*.csv)")}));
    QVERIFY2(QRegularExpression(QStringLiteral("^Communication_Log_\\d{8}_\\d{6}$")).match(defaultName).hasMatch(),
             qPrintable(defaultName));
    if (fileName.isEmpty()) {
        QCOMPARE(model.entries().size(), 1);
        return;
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), csv ? 2 : 1);
    QCOMPARE(lines.first() == QStringLiteral("Timestamp,Direction,Data"), csv);
    QVERIFY(lines.last().contains(hex ? QStringLiteral("41 42") : QStringLiteral("AB")));

    const QString message = QStringLiteral("日志已导出: ") + path;
    QCOMPARE(model.entries().last().text, message);
    QTRY_COMPARE(logList(view)->count(), 2);
    QVERIFY(logList(view)->item(1)->text().endsWith(QStringLiteral("[SYS]  ") + message));
}

void tst_LogView::exportFailureShowsWarning()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("missing/log.txt"));
    CommunicationBase model;
    LogViewWidget view(&model);
    model.addRxData("AB");

    whenOpened<QFileDialog>(&view, [&](QFileDialog *dialog) {
        typeFileName(dialog, path);
    });
    QString title, text;
    QWidget *boxParent = nullptr;
    whenOpened<QMessageBox>(&view, [&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        boxParent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    view.exportLog();

    QCOMPARE(title, QStringLiteral("导出失败"));
    QCOMPARE(text, QStringLiteral("无法写入文件: ") + path);
    QCOMPARE(boxParent, &view);
    QCOMPARE(model.entries().size(), 1);
}

void tst_LogView::rowCapKeepsNewest_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("firstKept");

    QTest::newRow("small cap") << 5 << 12 << 7;
    QTest::newRow("cap above one batch") << 300 << 650 << 350;
    QTest::newRow("cap not reached") << 300 << 250 << 0;
    QTest::newRow("no cap") << 0 << 450 << 0;
}

void tst_LogView::rowCapKeepsNewest()
{
    QFETCH(int, limit);
    QFETCH(int, added);
    QFETCH(int, firstKept);

    CappedCommunication model(limit);
    model.setShowTimestamp(false);
    LogViewWidget view(&model);
    QListWidget *list = logList(view);
    // In two bursts, so that rows already shown are removed too, not only waiting ones.
    addSystemLines(model, 0, added / 2 - 1);
    QTRY_COMPARE(list->count(), limit >= 1 ? qMin(limit, added / 2) : added / 2);
    addSystemLines(model, added / 2, added - 1);
    QTRY_COMPARE(rowTexts(list), systemLines(firstKept, added - 1));
}

void tst_LogView::waitingQueueIsCapped()
{
    CappedCommunication model(5);
    model.setShowTimestamp(false);
    LogViewWidget view(&model);
    addSystemLines(model, 0, 499);
    // One flush shows the newest entries at once: the older ones were never kept waiting.
    view.flushPendingItems();
    QCOMPARE(rowTexts(logList(view)), systemLines(495, 499));
}

void tst_LogView::cappedListKeepsReaderInPlace()
{
    CappedCommunication model(60);
    model.setShowTimestamp(false);
    LogViewWidget view(&model);
    QVERIFY(showAt(view, 400, 300));
    QListWidget *list = logList(view);
    addSystemLines(model, 0, 59);
    QTRY_COMPARE(list->count(), 60);
    QTRY_VERIFY(list->verticalScrollBar()->maximum() > 0);

    list->scrollToItem(list->item(30), QAbstractItemView::PositionAtTop);
    QTRY_COMPARE(list->itemAt(5, 5)->text(), QStringLiteral("[SYS]  line 30"));
    addSystemLines(model, 60, 79);
    QTRY_COMPARE(list->item(59)->text(), QStringLiteral("[SYS]  line 79"));
    QTRY_COMPARE(list->itemAt(5, 5)->text(), QStringLiteral("[SYS]  line 30"));
}

QTEST_MAIN(tst_LogView)
#include "tst_logview.moc"
