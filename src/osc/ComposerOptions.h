#pragma once

#include "osc/MessageComposer.h"

#include <QList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The send area's composing options under its fields: sending as a bundle with a time tag, raw
// bytes, Ctrl+Enter to send, and Up/Down in the values field to walk the messages sent last. It
// turns the fields into a MessageComposer request; the window composes and sends it.
class ComposerOptions : public QWidget
{
    Q_OBJECT

public:
    static constexpr int HistorySize = 50;
    static constexpr int MaximumBundleDelayMs = 60000;

    ComposerOptions(QLineEdit *addressEdit, QComboBox *typeCombo, QLineEdit *valuesEdit);

    bool isRaw() const;
    MessageComposer::Request request() const;
    // Keeps the fields as they were sent, newest last; the walk starts again from the newest.
    void remember();

signals:
    void sendRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Sent
    {
        QString address;
        QString tags;
        QString values;
    };

    void walkHistory(int step);
    void showBundleDelayWord();

    QLineEdit *m_addressEdit;
    QComboBox *m_typeCombo;
    QLineEdit *m_valuesEdit;
    QCheckBox *m_bundleCheck;
    QSpinBox *m_bundleDelaySpin;
    QCheckBox *m_rawCheck;
    QList<Sent> m_history;
    // Where the walk stands: m_history.size() is the fields as typed, kept in m_draft.
    qsizetype m_walkIndex = 0;
    Sent m_draft;
};
