#pragma once

#include "comm/LogEntry.h"
#include "comm/LogFilter.h"
#include "theme/Theme.h"

#include <QList>
#include <QTimer>
#include <QWidget>

#include <memory>

class CommunicationBase;
struct LogRowStore;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPoint;
class QPushButton;

// The traffic log of one CommunicationBase as a list of coloured lines, with the byte counters,
// the reset/clear/export buttons and a copy menu (Ctrl+C copies the selected rows too). New
// entries are queued and shown in batches by a short single-shot timer, so a burst of datagrams
// costs one repaint; the list keeps no more rows than the model keeps entries. Each row reads
// its entry from the view's store and renders its line when asked, so switching timestamps or
// hexadecimal display changes every row at once.
//
// Above the list, a filter (a field and three direction toggles) decides which of the rows the
// view has taken are in the list: a changed filter fills the list again in time-sliced passes,
// and every row that arrives meets it. A pause button stops the view taking rows while the model
// keeps recording, then shows the rows that waited.
class LogViewWidget : public QWidget
{
    Q_OBJECT

public:
    LogViewWidget(CommunicationBase *model, QWidget *parent = nullptr);

    // Extra vertical item padding in pixels, kept within -10..10.
    int lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(int spacing);
    // Item font size in points, kept within 7..18.
    int fontSize() const { return m_fontSize; }
    void setFontSize(int points);

    // Empties the list, then the model's log.
    void clearLogView();

    // Datagrams the system dropped before they could be read, shown beside the counters in the
    // warning colour; hidden at 0.
    void setDroppedCount(quint64 dropped);

    // What the filter field and the direction toggles ask for, once applied.
    LogFilter filter() const { return m_filter; }
    // True while a changed filter is still being applied to the rows already shown.
    bool isFiltering() const { return m_filterPassIndex >= 0; }
    // While paused the list takes no rows: they wait, as many as the model keeps, and resuming
    // lists them, after one line telling how many were pushed out meanwhile, if any were.
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused);
    // The filter field as typed, leading '!' included.
    QString filterText() const;
    // Puts the text in the field, sets the direction toggles and applies both at once.
    void setFilter(const QString &typed, LogFilter::Directions directions);

    // Places a widget of the window's in the status bar, beside the counters.
    void addStatusWidget(QWidget *widget);

signals:
    // The reset button was pressed: the model's counters and the dropped count start again.
    void countersReset();
    // The list's current row is now the one showing this entry.
    void currentEntryChanged(const LogEntry &entry);

public slots:
    void onNewLogEntry(const LogEntry &entry);
    void onCountersUpdated();
    void flushPendingItems();
    void exportLog();
    void handleContextMenu(const QPoint &pos);
    void togglePause();
    // Applies the field's text and the toggles now, without waiting for the typing pause.
    void applyFilter();

private:
    QWidget *createFilterBar();
    QCheckBox *createDirectionToggle(const QString &text, const char *objectName, QWidget *parent);
    QWidget *createStatusBar();
    QPushButton *createSmallButton(const QString &text, QWidget *parent);
    void applyItemStyle();
    // Moves up to maxBatches batches of queued entries into the list, then scrolls once.
    void flushBatches(int maxBatches);
    int rowLimit() const;
    void appendRows(const QList<LogEntry> &entries);
    int dropOldestRows();
    // Lists the accepted rows from m_filterPassIndex on for one time slice; schedules the next.
    void continueFilterPass();
    void addListRow(qint64 serial);
    void onLogCleared();
    void updatePauseButton();
    void showCounters();
    void applyDisplayFormat();
    void copySelectedRows();
    void copyToClipboard(const QStringList &lines);

    CommunicationBase *m_model;
    QListWidget *m_list = nullptr;
    QLabel *m_txLabel = nullptr;
    QLabel *m_rxLabel = nullptr;
    QLabel *m_dropLabel = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QHBoxLayout *m_statusLayout = nullptr;
    QLineEdit *m_filterEdit = nullptr;
    QCheckBox *m_showRxCheck = nullptr;
    QCheckBox *m_showTxCheck = nullptr;
    QCheckBox *m_showSysCheck = nullptr;
    QPushButton *m_pauseButton = nullptr;
    QTimer m_flushTimer;
    QTimer m_filterTypingTimer;
    QTimer m_filterPassTimer;
    QTimer m_pauseButtonTimer;
    QTimer m_countersTimer;
    LogFilter m_filter;
    // The next of the taken rows the running filter pass decides; -1 when no pass runs.
    qsizetype m_filterPassIndex = -1;
    bool m_filterPassFollows = false;
    // The row that was current when the pass began, made current again once it is listed.
    qint64 m_filterPassCurrent = -1;
    bool m_paused = false;
    // Entries that arrived while paused and were pushed out before they could be shown.
    qint64 m_droppedWhilePaused = 0;
    QList<LogEntry> m_pendingEntries;
    bool m_flushScheduled = false;
    int m_lineSpacing = 0;
    int m_fontSize = Theme::LogPointSize;
    // The entries of the rows the view has taken, and how they render; shared by every row of
    // the list.
    std::shared_ptr<LogRowStore> m_rows;
};
