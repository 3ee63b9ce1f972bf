#pragma once

#include <QFrame>

class QComboBox;
class QLabel;

// The window's header: icon, title and version on the left, the advertisement banner in the
// middle, the language switch, the documentation button and the binding status on the right.
class HeaderBar : public QFrame
{
    Q_OBJECT

public:
    explicit HeaderBar(const QString &title, QWidget *parent = nullptr);

    QComboBox *languageCombo() const { return m_languageCombo; }
    QLabel *statusLabel() const { return m_statusLabel; }

private:
    QComboBox *m_languageCombo = nullptr;
    QLabel *m_statusLabel = nullptr;
};
