#include "monitor/AddressTableView.h"

#include "i18n/LanguageManager.h"
#include "monitor/AddressTableFilter.h"
#include "monitor/AddressTableModel.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int SenderPadding = 16;

} // namespace

AddressTableView::AddressTableView(AddressTableModel *model, QWidget *parent)
    : QWidget(parent), m_model(model), m_filter(new AddressTableFilter(this)),
      m_filterEdit(new QLineEdit(this)), m_table(new QTableView(this))
{
    m_filter->setSourceModel(model);

    m_filterEdit->setObjectName(QStringLiteral("addressFilterEdit"));
    m_filterEdit->setPlaceholderText(QStringLiteral("过滤地址: /mix/* 或文字, ! 取反"));
    m_filterEdit->setClearButtonEnabled(true);
    connect(m_filterEdit, &QLineEdit::textChanged, m_filter, &AddressTableFilter::setFilterText);

    m_table->setObjectName(QStringLiteral("addressTable"));
    m_table->setModel(m_filter);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(AddressTableModel::AddressColumn, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // The value is the widest and most read column: it takes the room the others leave.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setSectionResizeMode(AddressTableModel::ValueColumn, QHeaderView::Stretch);
    // Measuring every row to fit a column would cost a pass over thousands of rows per refresh;
    // the sender's width is known in advance.
    m_table->setColumnWidth(AddressTableModel::SenderColumn,
                            m_table->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255:65535")) + SenderPadding);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        const QString address = addressAt(index);
        if (!address.isEmpty())
            emit addressActivated(address);
    });
    connect(m_table, &QTableView::customContextMenuRequested, this, &AddressTableView::showContextMenu);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_filterEdit);
    layout->addWidget(m_table);

    LanguageManager &language = LanguageManager::instance();
    language.retranslateWidget(this);
    applyLanguage();
    language.addListener(this, [this] {
        LanguageManager::instance().retranslateWidget(this);
        applyLanguage();
    });
}

void AddressTableView::applyLanguage()
{
    const LanguageManager &language = LanguageManager::instance();
    AddressTableModel::Texts texts = AddressTableModel::chineseTexts();
    for (QString &header : texts.headers)
        header = language.translate(header);
    texts.otherRow = language.translate(texts.otherRow);
    texts.immediately = language.translate(texts.immediately);
    m_model->setTexts(texts);
}

void AddressTableView::showContextMenu(const QPoint &position)
{
    const QString address = addressAt(m_table->indexAt(position));
    if (address.isEmpty())
        return;
    const LanguageManager &language = LanguageManager::instance();
    QMenu menu(this);
    menu.addAction(language.pick(QStringLiteral("为此地址添加图表规则"), QStringLiteral("Add a chart rule for this address")),
                   this, [this, address] { emit chartRuleRequested(address); });
    menu.addAction(language.pick(QStringLiteral("为此地址添加标签控件"), QStringLiteral("Add a label control for this address")),
                   this, [this, address] { emit labelControlRequested(address); });
    menu.exec(m_table->viewport()->mapToGlobal(position));
}

QString AddressTableView::addressAt(const QModelIndex &index) const
{
    return index.isValid() ? index.data(AddressTableModel::AddressRole).toString() : QString();
}
