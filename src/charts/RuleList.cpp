#include "charts/RuleList.h"

#include "i18n/LanguageManager.h"

#include <QAction>
#include <QKeyEvent>

namespace {

constexpr int IsRuleRole = Qt::UserRole;

QString removeText()
{
    return LanguageManager::instance().pick(QStringLiteral("删除规则"), QStringLiteral("Remove rule"));
}

} // namespace

RuleList::RuleList(QWidget *parent)
    : QListWidget(parent)
    , m_removeAction(new QAction(removeText(), this))
{
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(m_removeAction);
    connect(m_removeAction, &QAction::triggered, this, &RuleList::requestRemoval);
}

void RuleList::appendRule(const ChartRule &rule)
{
    // An adopted series' rule is named after the address it reads.
    const QString text = rule.kind == RuleKind::OscArgument ? rule.name : rule.name + QStringLiteral(" = ") + rule.expression;
    auto *item = new QListWidgetItem(text, this);
    item->setData(IsRuleRole, true);
}

void RuleList::appendNotice(const QString &text)
{
    addItem(text);
}

void RuleList::removeRuleRow(qsizetype ruleIndex)
{
    for (int row = 0; row < count(); ++row) {
        if (ruleIndexOf(row) == ruleIndex) {
            delete takeItem(row);
            return;
        }
    }
}

void RuleList::retranslate()
{
    m_removeAction->setText(removeText());
}

void RuleList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete) {
        requestRemoval();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void RuleList::requestRemoval()
{
    const qsizetype ruleIndex = ruleIndexOf(currentRow());
    if (ruleIndex >= 0)
        emit removeRequested(ruleIndex);
}

qsizetype RuleList::ruleIndexOf(int row) const
{
    if (row < 0 || row >= count() || !item(row)->data(IsRuleRole).toBool())
        return -1;
    qsizetype rulesBefore = 0;
    for (int before = 0; before < row; ++before)
        rulesBefore += item(before)->data(IsRuleRole).toBool() ? 1 : 0;
    return rulesBefore;
}
