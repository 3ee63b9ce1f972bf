#pragma once

#include "charts/ChartRule.h"

#include <QListWidget>

class QAction;
class QKeyEvent;

// The chart page's rule list: one row per rule, in rule order, with notices in between that are
// no rules. Delete, or "删除规则" in a row's context menu, asks to remove the selected rule.
class RuleList : public QListWidget
{
    Q_OBJECT

public:
    explicit RuleList(QWidget *parent = nullptr);

    void appendRule(const ChartRule &rule);
    void appendNotice(const QString &text);
    void removeRuleRow(qsizetype ruleIndex);
    void retranslate();

signals:
    void removeRequested(qsizetype ruleIndex);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void requestRemoval();
    // The rule index of `row`, or -1 when the row is a notice.
    qsizetype ruleIndexOf(int row) const;

    QAction *m_removeAction = nullptr;
};
