#pragma once

#include <QFrame>

class QComboBox;
class QLabel;
class QPushButton;

// The window's header: icon, title and version on the left, the advertisement banner in the
// middle, the setup file buttons, the language switch, the documentation button and the binding status on the right.
class HeaderBar : public QFrame
{
    Q_OBJECT

public:
    explicit HeaderBar(const QString &title, QWidget *parent = nullptr);

    QComboBox *languageCombo() const { return m_languageCombo; }
    QLabel *statusLabel() const { return m_statusLabel; }
    QPushButton *saveSetupButton() const { return m_saveSetupButton; }
    QPushButton *openSetupButton() const { return m_openSetupButton; }

private:
    QComboBox *m_languageCombo = nullptr;
    QLabel *m_statusLabel = nullptr;
    QPushButton *m_saveSetupButton = nullptr;
    QPushButton *m_openSetupButton = nullptr;
};
