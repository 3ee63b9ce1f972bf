#include "comm/LogViewWidget.h"

#include "comm/CommunicationBase.h"
#include "comm/LogExportTarget.h"
#include "i18n/LanguageManager.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <deque>
#include <memory>
#include <utility>

// What every row reads when it renders: the font, the model's display flags, and the entries of
// every row the view has taken, listed or not, oldest first. The first entry has firstSerial and
// each next one the next serial number, which its list row keeps.
struct LogRowStore
{
    QFont font;
    bool showTimestamp = true;
    bool hex = false;
    // Taken at one end and dropped at the other in blocks of memory that never move, so a full
    // log neither copies its entries nor keeps room for as many again.
    std::deque<LogEntry> entries;
    qint64 firstSerial = 0;

    qint64 nextSerial() const { return firstSerial + qint64(entries.size()); }
    const LogEntry &entry(qint64 serial) const { return entries[size_t(serial - firstSerial)]; }
};

namespace {

constexpr int kFlushIntervalMs = 50;
constexpr int kMaxItemsPerFlush = 200;
// Every turn of the event loop that adds rows makes the list lay out all of its rows again (a
// full list of 100000 rows takes milliseconds), so the timer's flush moves up to this many
// batches at once: a flood of 100000 entries a second is one layout per flush interval.
constexpr int kMaxBatchesPerTimedFlush = 25;
constexpr int kBottomTolerancePx = 10;
constexpr int kMinLineSpacing = -10;
constexpr int kMaxLineSpacing = 10;
constexpr int kMinFontSize = 7;
constexpr int kMaxFontSize = 18;
constexpr int kBasePaddingPx = 2;
constexpr int kButtonHeight = 24;
constexpr int kTextIndentPx = 4;
// The filter waits for a pause in typing, so a long log is not filtered once per keystroke.
constexpr int kFilterTypingPauseMs = 150;
// A filter pass lists rows for at most this long per event-loop turn, looking at the clock
// every few hundred rows, so a full log stays responsive while its filter changes.
constexpr int kFilterSliceMs = 10;
constexpr int kFilterRowsPerClockCheck = 512;
// The pause button counts waiting rows at most this often, however fast they arrive.
constexpr int kPauseButtonIntervalMs = 100;
// Remembered by LanguageManager as a text's Chinese form; the pause button keeps it current.
const char *const kOriginalTextProperty = "origText";

const char *const kSeparatorStyle = "color: #2A3444; font-size: 16px; padding: 0 4px;";
const QString kDropLabelStyle = QStringLiteral("color: %1;").arg(Theme::Amber.name());
const char *const kItemStyle = "QListWidget::item { padding: %1px 6px %2px 6px; font-size: %3pt; }";
const char *const kMenuStyle =
    "QMenu { background: #1F2937; color: #F1F5F9; border: 1px solid #1E3A5F; padding: 4px; }"
    "QMenu::item { padding: 6px 20px; border-radius: 3px; }"
    "QMenu::item:selected { background: #0E4A6F; }";

QColor directionColor(LogDirection direction)
{
    switch (direction) {
    case LogDirection::Tx:
        return Theme::LogSent;
    case LogDirection::Rx:
        return Theme::LogReceived;
    case LogDirection::System:
        return Theme::LogSystem;
    }
    return Theme::LogOther;
}

QString displayLine(const LogEntry &entry, bool showTimestamp, bool hex)
{
    static const QString separator = QStringLiteral("  ");
    QString line;
    if (showTimestamp)
        line += CommunicationBase::timeString(entry) + separator;
    line += CommunicationBase::directionTag(entry) + separator;
    line += hex ? entry.hexForm() : entry.text;
    return line;
}

// A row of the list: the serial number of its entry, rendered when the list asks for the line.
// Every row reads the view's one row store, so a new font size or display format reaches a full
// log at the cost of one layout rather than one change notice per row; only the rows on screen
// are ever rendered.
class LogRowItem : public QListWidgetItem
{
public:
    LogRowItem(qint64 serial, std::shared_ptr<const LogRowStore> store)
        : QListWidgetItem(nullptr, QListWidgetItem::UserType)
        , m_serial(serial)
        , m_store(std::move(store))
    {
    }

    QVariant data(int role) const override
    {
        switch (role) {
        case Qt::DisplayRole:
            return displayLine(entry(), m_store->showTimestamp, m_store->hex);
        case Qt::FontRole:
            return m_store->font;
        case Qt::ForegroundRole:
            return QBrush(directionColor(entry().direction));
        default:
            return QListWidgetItem::data(role);
        }
    }

    const LogEntry &entry() const { return m_store->entry(m_serial); }
    qint64 serial() const { return m_serial; }

private:
    qint64 m_serial;
    std::shared_ptr<const LogRowStore> m_store;
};

// Draws each row's text as one unwrapped line, centred vertically in the row, whatever
// padding the item style gives the row.
class VCenterDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Measured as the one line it is drawn as: the list wraps words, and the list takes every
    // row's height from one sample row, so a long sample would make every row tall.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        opt.features &= ~QStyleOptionViewItem::WrapText;
        return QStyledItemDelegate::sizeHint(opt, index);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        drawPanel(painter, opt);

        painter->save();
        painter->setFont(opt.font);
        const bool selected = opt.state.testFlag(QStyle::State_Selected);
        painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QFontMetrics metrics(opt.font);
        const int left = opt.rect.left() + kTextIndentPx;
        const QString text = visiblePart(index.data(Qt::DisplayRole).toString(), metrics,
                                         viewportRight(opt) - left);
        const QRect bounds = metrics.boundingRect(text);
        const int baseline = opt.rect.top() + (opt.rect.height() - bounds.height()) / 2 - bounds.top();
        painter->drawText(left, baseline, text);
        painter->restore();
    }

private:
    // Drawing lays out the whole string, and a datagram's hex runs to three characters a byte, so
    // only the start that reaches the right edge is drawn. No character of the log's monospaced
    // font is narrower than half its average width.
    static QString visiblePart(const QString &line, const QFontMetrics &metrics, int width)
    {
        const qsizetype fits = qMax(0, width) / qMax(1, metrics.averageCharWidth() / 2) + 1;
        return line.size() > fits ? line.left(fits) : line;
    }

    static int viewportRight(const QStyleOptionViewItem &opt)
    {
        const auto *view = qobject_cast<const QAbstractItemView *>(opt.widget);
        return view ? view->viewport()->width() : opt.rect.right();
    }

    // Background, selection and hover, as the widget's style draws them.
    static void drawPanel(QPainter *painter, const QStyleOptionViewItem &opt)
    {
        QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, opt.widget);
    }
};

// Every row of the list is a LogRowItem.
const LogRowItem *logRow(const QListWidgetItem *item)
{
    return static_cast<const LogRowItem *>(item);
}

} // namespace

LogViewWidget::LogViewWidget(CommunicationBase *model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_rows(std::make_shared<LogRowStore>())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("logOutput"));
    m_list->setFont(Theme::monoFont(m_fontSize));
    m_list->setAlternatingRowColors(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setWordWrap(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setFrameShape(QFrame::NoFrame);
    // The delegate draws every row as one unwrapped line, so all rows are equally tall and the
    // list need measure only one of them. The layout stays single-pass: a batched layout starts
    // again from the first row on every insertion and leaves the scroll range short until it
    // has finished, so a view following new rows would stop far above them.
    m_list->setUniformItemSizes(true);
    m_list->setItemDelegate(new VCenterDelegate(m_list));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(createFilterBar(), 0);
    layout->addWidget(m_list, 1);
    layout->addWidget(createStatusBar(), 0);

    applyItemStyle();
    applyDisplayFormat();

    m_flushTimer.setSingleShot(true);
    m_filterTypingTimer.setSingleShot(true);
    m_filterTypingTimer.setInterval(kFilterTypingPauseMs);
    m_filterPassTimer.setSingleShot(true);
    m_pauseButtonTimer.setSingleShot(true);
    m_countersTimer.setSingleShot(true);
    m_countersTimer.setInterval(kFlushIntervalMs);
    m_pauseButtonTimer.setInterval(kPauseButtonIntervalMs);

    connect(&m_flushTimer, &QTimer::timeout, this, [this] { flushBatches(kMaxBatchesPerTimedFlush); });
    connect(m_model, &CommunicationBase::logEntryAdded, this, &LogViewWidget::onNewLogEntry);
    connect(m_model, &CommunicationBase::countersUpdated, this, &LogViewWidget::onCountersUpdated);
    connect(m_model, &CommunicationBase::logCleared, this, &LogViewWidget::onLogCleared);
    connect(m_model, &CommunicationBase::displayFormatChanged, this, &LogViewWidget::applyDisplayFormat);
    // The list's own Ctrl+C would copy only the current row.
    new QShortcut(QKeySequence::Copy, m_list, this, &LogViewWidget::copySelectedRows, Qt::WidgetShortcut);
    connect(m_list, &QWidget::customContextMenuRequested, this, &LogViewWidget::handleContextMenu);
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *current) {
        if (current)
            emit currentEntryChanged(logRow(current)->entry());
    });
    new QShortcut(QKeySequence(Qt::Key_Space), m_list, this, &LogViewWidget::togglePause, Qt::WidgetShortcut);
    new QShortcut(QKeySequence::Find, this, this, [this] {
        m_filterEdit->setFocus(Qt::ShortcutFocusReason);
        m_filterEdit->selectAll();
    });
    new QShortcut(QKeySequence(Qt::Key_Escape), m_filterEdit, this, [this] {
        m_filterEdit->clear();
        applyFilter();
    }, Qt::WidgetShortcut);
    connect(m_filterEdit, &QLineEdit::textEdited, &m_filterTypingTimer, qOverload<>(&QTimer::start));
    connect(m_filterEdit, &QLineEdit::returnPressed, this, &LogViewWidget::applyFilter);
    connect(&m_filterTypingTimer, &QTimer::timeout, this, &LogViewWidget::applyFilter);
    connect(&m_filterPassTimer, &QTimer::timeout, this, &LogViewWidget::continueFilterPass);
    for (QCheckBox *toggle : {m_showRxCheck, m_showTxCheck, m_showSysCheck})
        connect(toggle, &QCheckBox::toggled, this, &LogViewWidget::applyFilter);
    connect(m_pauseButton, &QPushButton::clicked, this, &LogViewWidget::togglePause);
    connect(&m_pauseButtonTimer, &QTimer::timeout, this, &LogViewWidget::updatePauseButton);
    connect(&m_countersTimer, &QTimer::timeout, this, &LogViewWidget::showCounters);
    // The count on the pause button is made at run time, so it follows the language itself.
    LanguageManager::instance().addListener(this, [this] { updatePauseButton(); });
    connect(m_resetButton, &QPushButton::clicked, m_model, &CommunicationBase::resetCounters);
    connect(m_resetButton, &QPushButton::clicked, this, [this] {
        setDroppedCount(0);
        emit countersReset();
    });
    connect(m_clearButton, &QPushButton::clicked, this, &LogViewWidget::clearLogView);
    connect(m_exportButton, &QPushButton::clicked, this, &LogViewWidget::exportLog);
}

QWidget *LogViewWidget::createFilterBar()
{
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    m_filterEdit = new QLineEdit(bar);
    m_filterEdit->setObjectName(QStringLiteral("logFilterEdit"));
    m_filterEdit->setPlaceholderText(QStringLiteral("过滤: /地址/* 或文字"));
    m_filterEdit->setClearButtonEnabled(true);
    m_showRxCheck = createDirectionToggle(QStringLiteral("RX"), "showRxCheck", bar);
    m_showTxCheck = createDirectionToggle(QStringLiteral("TX"), "showTxCheck", bar);
    m_showSysCheck = createDirectionToggle(QStringLiteral("SYS"), "showSysCheck", bar);
    m_pauseButton = createSmallButton(QString(), bar);
    m_pauseButton->setObjectName(QStringLiteral("pauseButton"));
    updatePauseButton();

    layout->addWidget(m_filterEdit, 1);
    layout->addWidget(m_showRxCheck);
    layout->addWidget(m_showTxCheck);
    layout->addWidget(m_showSysCheck);
    layout->addWidget(m_pauseButton);
    return bar;
}

QCheckBox *LogViewWidget::createDirectionToggle(const QString &text, const char *objectName, QWidget *parent)
{
    auto *toggle = new QCheckBox(text, parent);
    toggle->setObjectName(QLatin1String(objectName));
    toggle->setChecked(true);
    return toggle;
}

QWidget *LogViewWidget::createStatusBar()
{
    auto *bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("statusBar"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(8);

    m_txLabel = new QLabel(QStringLiteral("TX: 0 bytes"), bar);
    m_txLabel->setObjectName(QStringLiteral("txLabel"));
    auto *separator = new QLabel(QString(QChar(0x2502)), bar);
    separator->setStyleSheet(QString::fromLatin1(kSeparatorStyle));
    m_rxLabel = new QLabel(QStringLiteral("RX: 0 bytes"), bar);
    m_rxLabel->setObjectName(QStringLiteral("rxLabel"));
    m_dropLabel = new QLabel(bar);
    m_dropLabel->setObjectName(QStringLiteral("dropLabel"));
    m_dropLabel->setStyleSheet(kDropLabelStyle);
    m_dropLabel->hide();

    m_resetButton = createSmallButton(QStringLiteral("重置计数"), bar);
    m_clearButton = createSmallButton(QStringLiteral("清除日志"), bar);
    m_exportButton = createSmallButton(QStringLiteral("导出"), bar);

    layout->addWidget(m_txLabel);
    layout->addWidget(separator);
    layout->addWidget(m_rxLabel);
    layout->addWidget(m_dropLabel);
    layout->addStretch();
    layout->addWidget(m_resetButton);
    layout->addWidget(m_clearButton);
    layout->addWidget(m_exportButton);
    m_statusLayout = layout;
    return bar;
}

void LogViewWidget::addStatusWidget(QWidget *widget)
{
    // Beside the counters, where the free room is, so that what it shows is not squeezed out.
    m_statusLayout->insertWidget(m_statusLayout->indexOf(m_dropLabel) + 1, widget);
}

QString LogViewWidget::filterText() const
{
    return m_filterEdit->text();
}

void LogViewWidget::setFilter(const QString &typed, LogFilter::Directions directions)
{
    m_filterEdit->setText(typed);
    m_showRxCheck->setChecked(directions.testFlag(LogFilter::ShowRx));
    m_showTxCheck->setChecked(directions.testFlag(LogFilter::ShowTx));
    m_showSysCheck->setChecked(directions.testFlag(LogFilter::ShowSystem));
    applyFilter();
}

QPushButton *LogViewWidget::createSmallButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("smallButton"));
    button->setFixedHeight(kButtonHeight);
    return button;
}

void LogViewWidget::setDroppedCount(quint64 dropped)
{
    const QString format = LanguageManager::instance().pick(QStringLiteral("丢包: %1"), QStringLiteral("Dropped: %1"));
    m_dropLabel->setText(dropped > 0 ? format.arg(dropped) : QString());
    m_dropLabel->setVisible(dropped > 0);
}

void LogViewWidget::setLineSpacing(int spacing)
{
    m_lineSpacing = qBound(kMinLineSpacing, spacing, kMaxLineSpacing);
    applyItemStyle();
}

void LogViewWidget::setFontSize(int points)
{
    m_fontSize = qBound(kMinFontSize, points, kMaxFontSize);
    applyItemStyle();
}

void LogViewWidget::applyItemStyle()
{
    const int padding = m_lineSpacing + kBasePaddingPx;
    m_list->setStyleSheet(QString::fromLatin1(kItemStyle).arg(padding).arg(padding).arg(m_fontSize));

    const QFont font = Theme::monoFont(m_fontSize);
    m_list->setFont(font);
    // An application style sheet may override the list's own font, so every row carries it too.
    m_rows->font = font;
    m_list->doItemsLayout();
    m_list->viewport()->update();
}

void LogViewWidget::applyDisplayFormat()
{
    m_rows->showTimestamp = m_model->showTimestamp();
    m_rows->hex = m_model->hexDisplay();
    // Lines change length, and the list measures rows by the first one.
    m_list->doItemsLayout();
    m_list->viewport()->update();
}

void LogViewWidget::clearLogView()
{
    m_list->clear();
    m_model->clearLog();
}

void LogViewWidget::onLogCleared()
{
    m_list->clear();
    m_rows->firstSerial = m_rows->nextSerial();
    m_rows->entries.clear();
    m_filterPassIndex = -1;
    m_filterPassTimer.stop();
    // Rows queued or waiting behind the pause are gone from the model too.
    m_pendingEntries.clear();
    m_droppedWhilePaused = 0;
    updatePauseButton();
}

int LogViewWidget::rowLimit() const
{
    return m_model->maxLogEntries();
}

void LogViewWidget::onNewLogEntry(const LogEntry &entry)
{
    m_pendingEntries.append(entry);
    // Entries beyond what the list may keep would be removed right after being shown.
    const int limit = rowLimit();
    if (limit >= 1 && m_pendingEntries.size() > limit) {
        const qsizetype excess = m_pendingEntries.size() - limit;
        m_pendingEntries.remove(0, excess);
        if (m_paused)
            m_droppedWhilePaused += excess;
    }
    if (m_paused) {
        if (!m_pauseButtonTimer.isActive())
            m_pauseButtonTimer.start();
        return;
    }
    if (!m_flushScheduled) {
        m_flushScheduled = true;
        m_flushTimer.start(kFlushIntervalMs);
    }
}

// The counters change with every datagram, and a label's new text costs more than logging the
// datagram: they are shown at most once per flush interval.
void LogViewWidget::onCountersUpdated()
{
    if (!m_countersTimer.isActive())
        m_countersTimer.start();
}

void LogViewWidget::showCounters()
{
    m_txLabel->setText(QStringLiteral("TX: %1 bytes").arg(m_model->txBytes()));
    m_rxLabel->setText(QStringLiteral("RX: %1 bytes").arg(m_model->rxBytes()));
}

void LogViewWidget::flushPendingItems()
{
    flushBatches(1);
}

void LogViewWidget::flushBatches(int maxBatches)
{
    m_flushScheduled = false;
    // A filter pass takes the rows that wait once it has listed the ones before them.
    if (m_paused || isFiltering() || m_pendingEntries.isEmpty())
        return;

    const bool autoScroll = m_model->autoScroll();
    QScrollBar *scrollBar = m_list->verticalScrollBar();
    const bool atBottom = scrollBar->value() >= scrollBar->maximum() - kBottomTolerancePx;
    const bool follow = autoScroll && atBottom;

    m_list->setUpdatesEnabled(false);
    for (int batch = 0; batch < maxBatches && !m_pendingEntries.isEmpty(); ++batch) {
        const int batchSize = qMin<int>(m_pendingEntries.size(), kMaxItemsPerFlush);
        appendRows(m_pendingEntries.first(batchSize));
        m_pendingEntries.remove(0, batchSize);
    }
    const bool backlog = !m_pendingEntries.isEmpty();
    const int scrollValue = scrollBar->value();
    const int droppedRows = dropOldestRows();
    m_list->setUpdatesEnabled(true);

    if (follow) {
        m_list->scrollToBottom();
    } else if (droppedRows > 0 && m_list->count() > 0) {
        // Keep a reader who scrolled up on the rows they were reading.
        scrollBar->setValue(qMax(0, scrollValue - droppedRows * m_list->sizeHintForRow(0)));
    }

    // A backlog drains in further batches at once, between other events, rather than waiting
    // for traffic that may never come.
    if (backlog) {
        m_flushScheduled = true;
        m_flushTimer.start(0);
    }
}

void LogViewWidget::appendRows(const QList<LogEntry> &entries)
{
    const bool filtered = m_filter.isActive();
    for (const LogEntry &entry : entries) {
        const qint64 serial = m_rows->nextSerial();
        m_rows->entries.push_back(entry);
        if (!filtered || m_filter.accepts(entry))
            addListRow(serial);
    }
}

void LogViewWidget::addListRow(qint64 serial)
{
    m_list->addItem(new LogRowItem(serial, m_rows));
}

// Forgets the oldest rows beyond what the model keeps and removes, in one block, those of them
// the list shows; returns how many it removed.
int LogViewWidget::dropOldestRows()
{
    const int limit = rowLimit();
    const qsizetype excess = qsizetype(m_rows->entries.size()) - limit;
    if (limit < 1 || excess <= 0)
        return 0;
    // The list rows go first: until they are gone they render from their entries.
    const qint64 keptSerial = m_rows->firstSerial + excess;
    int listed = 0;
    while (listed < m_list->count() && logRow(m_list->item(listed))->serial() < keptSerial)
        ++listed;
    // A current row that ages out leaves no current row, rather than handing the part to
    // whichever row is oldest now, flush after flush.
    if (m_list->currentRow() >= 0 && m_list->currentRow() < listed)
        m_list->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    if (listed > 0)
        m_list->model()->removeRows(0, listed);
    m_rows->entries.erase(m_rows->entries.begin(), m_rows->entries.begin() + excess);
    m_rows->firstSerial = keptSerial;
    return listed;
}

void LogViewWidget::applyFilter()
{
    m_filterTypingTimer.stop();
    LogFilter::Directions directions;
    directions.setFlag(LogFilter::ShowRx, m_showRxCheck->isChecked());
    directions.setFlag(LogFilter::ShowTx, m_showTxCheck->isChecked());
    directions.setFlag(LogFilter::ShowSystem, m_showSysCheck->isChecked());
    const LogFilter filter(m_filterEdit->text(), directions);
    if (filter == m_filter)
        return;

    m_filter = filter;
    // A pass already running starts again from the first row with the new filter.
    if (!isFiltering()) {
        QScrollBar *scrollBar = m_list->verticalScrollBar();
        m_filterPassFollows = m_model->autoScroll() && scrollBar->value() >= scrollBar->maximum() - kBottomTolerancePx;
        const QListWidgetItem *current = m_list->currentItem();
        m_filterPassCurrent = current ? logRow(current)->serial() : -1;
    }
    // Emptied at once and filled again in slices: rows added at the end are cheap, while rows
    // taken from inside the list move every row after them, and hidden rows would cost a lookup
    // per row on every layout.
    m_list->clear();
    m_filterPassIndex = 0;
    continueFilterPass();
}

void LogViewWidget::continueFilterPass()
{
    QElapsedTimer slice;
    slice.start();
    const bool filtered = m_filter.isActive();
    const qsizetype count = qsizetype(m_rows->entries.size());
    qsizetype index = m_filterPassIndex;
    while (index < count) {
        const qsizetype end = qMin(count, index + kFilterRowsPerClockCheck);
        for (; index < end; ++index) {
            if (filtered && !m_filter.accepts(m_rows->entries[size_t(index)]))
                continue;
            const qint64 serial = m_rows->firstSerial + index;
            addListRow(serial);
            if (serial == m_filterPassCurrent) {
                // The same row, listed again: no change for those following the current row.
                const QSignalBlocker blocker(m_list);
                m_list->setCurrentRow(m_list->count() - 1);
            }
        }
        if (slice.elapsed() >= kFilterSliceMs)
            break;
    }
    if (index < count) {
        m_filterPassIndex = index;
        m_filterPassTimer.start(0);
        return;
    }

    m_filterPassIndex = -1;
    if (m_filterPassFollows) {
        m_list->scrollToBottom();
    } else if (const QListWidgetItem *current = m_list->currentItem()) {
        // A reader keeps the row they were on in sight.
        m_list->scrollToItem(current);
    }
    if (!m_pendingEntries.isEmpty() && !m_flushScheduled) {
        m_flushScheduled = true;
        m_flushTimer.start(0);
    }
}

void LogViewWidget::togglePause()
{
    setPaused(!m_paused);
}

void LogViewWidget::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (!m_paused) {
        // The line that tells it takes a place in the full log too: one more is gone.
        const qint64 dropped = m_droppedWhilePaused > 0 ? m_droppedWhilePaused + 1 : 0;
        m_droppedWhilePaused = 0;
        if (dropped > 0) {
            m_model->addSystemMessage(LanguageManager::instance()
                                          .pick(QStringLiteral("暂停期间日志已满, 最早的 %1 条已丢弃"),
                                                QStringLiteral("The log filled up while paused; its %1 oldest entries are gone"))
                                          .arg(dropped));
        }
        if (!m_pendingEntries.isEmpty()) {
            m_flushScheduled = true;
            m_flushTimer.start(0);
        }
    }
    m_pauseButtonTimer.stop();
    updatePauseButton();
}

void LogViewWidget::updatePauseButton()
{
    QString chinese = QStringLiteral("暂停");
    QString english = QStringLiteral("Pause");
    if (m_paused) {
        const QString waiting = QString::number(m_pendingEntries.size());
        chinese = QStringLiteral("继续 (%1)").arg(waiting);
        english = QStringLiteral("Resume (%1)").arg(waiting);
    }
    // Switching languages restores the remembered Chinese text: it must be the current one.
    m_pauseButton->setProperty(kOriginalTextProperty, chinese);
    m_pauseButton->setText(LanguageManager::instance().pick(chinese, english));
}

void LogViewWidget::handleContextMenu(const QPoint &pos)
{
    if (!m_list->itemAt(pos))
        return;

    QMenu menu(this);
    menu.setStyleSheet(QString::fromLatin1(kMenuStyle));
    QAction *copyAction = menu.addAction(LanguageManager::instance().translate(QStringLiteral("复制")));
    QAction *copyAllAction = menu.addAction(LanguageManager::instance().translate(QStringLiteral("复制全部")));
    QAction *chosen = menu.exec(m_list->viewport()->mapToGlobal(pos));

    if (chosen == copyAction) {
        copySelectedRows();
    } else if (chosen == copyAllAction) {
        QStringList lines;
        lines.reserve(m_list->count());
        for (int row = 0; row < m_list->count(); ++row)
            lines.append(m_list->item(row)->text());
        copyToClipboard(lines);
    }
}

// In the order the list reports its selection; with nothing selected the clipboard is left alone.
void LogViewWidget::copySelectedRows()
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    QStringList lines;
    lines.reserve(selected.size());
    for (const QListWidgetItem *item : selected)
        lines.append(item->text());
    copyToClipboard(lines);
}

void LogViewWidget::copyToClipboard(const QStringList &lines)
{
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void LogViewWidget::exportLog()
{
    const QString defaultName = QStringLiteral("Communication_Log_%1")
                                    .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")));
    QString chosenFilter;
    const LanguageManager &language = LanguageManager::instance();
    const QString chosenName = QFileDialog::getSaveFileName(this, language.translate(QStringLiteral("导出日志")), defaultName,
                                                            LogExportTarget::nameFilters(language.isEnglish()), &chosenFilter);
    if (chosenName.isEmpty())
        return;

    const LogExportTarget target = LogExportTarget::fromDialog(chosenName, chosenFilter);
    // With a filter set, the file holds what the filter shows.
    const bool filtered = m_filter.isActive();
    const QString exported = filtered ? language.pick(QStringLiteral("日志已导出 (仅过滤后的行): %1"),
                                                      QStringLiteral("Log exported (filtered rows only): %1"))
                                      : language.pick(QStringLiteral("日志已导出: %1"), QStringLiteral("Log exported: %1"));
    if (m_model->exportToFile(target.fileName, m_model->hexDisplay(), target.csv, m_filter))
        m_model->addSystemMessage(exported.arg(target.fileName));
    else
        QMessageBox::warning(this, language.translate(QStringLiteral("导出失败")),
                             language.pick(QStringLiteral("无法写入文件: "), QStringLiteral("Cannot write file: ")) + target.fileName);
}
