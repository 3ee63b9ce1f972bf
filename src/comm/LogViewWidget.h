#pragma once

#include "comm/LogEntry.h"
#include "comm/LogFilter.h"
#include "theme/Theme.h"

#include <QList>
#include <QTimer>
#include <QWidget>

#include <memory>

class CommunicationBase;
struct LogRowStyle;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPoint;
class QPushButton;

// The traffic log of one CommunicationBase as a list of coloured lines, with the byte counters,
// the reset/clear/export buttons and a copy menu (Ctrl+C copies the selected rows too). New
// entries are queued and shown in batches by a short single-shot timer, so a burst of datagrams
// costs one repaint; the list keeps no more rows than the model keeps entries. Each row keeps its
// entry and renders its line when asked, so switching timestamps or hexadecimal display changes
// every row at once.
//
// Above the list, a filter (a field and three direction toggles) hides the rows it does not
// accept, over the rows already shown in time-sliced passes and on every row as it arrives; and a
// pause button stops the list taking rows while the model keeps recording, then shows the rows
// that waited.
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
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused);

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
    // Hides or shows rows from m_filterPassRow on for one time slice; schedules the next slice.
    void continueFilterPass();
    bool rowAccepted(int row) const;
    void onLogCleared();
    void updatePauseButton();
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
    QLineEdit *m_filterEdit = nullptr;
    QCheckBox *m_showRxCheck = nullptr;
    QCheckBox *m_showTxCheck = nullptr;
    QCheckBox *m_showSysCheck = nullptr;
    QPushButton *m_pauseButton = nullptr;
    QTimer m_flushTimer;
    QTimer m_filterTypingTimer;
    QTimer m_filterPassTimer;
    QTimer m_pauseButtonTimer;
    LogFilter m_filter;
    // The next row the running filter pass decides; -1 when no pass runs.
    int m_filterPassRow = -1;
    bool m_filterPassFollows = false;
    bool m_paused = false;
    // Entries that arrived while paused and were pushed out before they could be shown.
    qint64 m_droppedWhilePaused = 0;
    QList<LogEntry> m_pendingEntries;
    bool m_flushScheduled = false;
    int m_lineSpacing = 0;
    int m_fontSize = Theme::LogPointSize;
    // Shared by every row of the list.
    std::shared_ptr<LogRowStyle> m_rowStyle;
};
