#pragma once

#include <QColor>
#include <QDialog>

class OscControl;
class QComboBox;
class QLineEdit;

// The modal dialog in which the user sets a control's OSC address, caption and colour.
class ControlConfigDialog : public QDialog
{
    Q_OBJECT

public:
    ControlConfigDialog(const OscControl *control, QWidget *parent = nullptr);

    // The entered values: address and caption trimmed, the chosen colour.
    QString address() const;
    QString caption() const;
    QColor color() const;

    void applyTo(OscControl *control) const;

private:
    QLineEdit *m_addressEdit;
    QLineEdit *m_captionEdit;
    QComboBox *m_colorCombo;
};
