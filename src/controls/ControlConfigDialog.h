#pragma once

#include <QColor>
#include <QDialog>

class OscControl;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The modal dialog in which the user sets a control's OSC address, caption and colour, and for a
// control that sends, its output type and range.
class ControlConfigDialog : public QDialog
{
    Q_OBJECT

public:
    ControlConfigDialog(const OscControl *control, QWidget *parent = nullptr);

    // The entered values: address and caption trimmed, the chosen colour.
    QString address() const;
    QString caption() const;
    QColor color() const;
    bool outputInteger() const;
    double outputLow() const;
    double outputHigh() const;

    void applyTo(OscControl *control) const;

private:
    // OK stays disabled while the address cannot be used; the reason shows under the address.
    void checkAddress();
    void addOutputRows(const OscControl *control, QFormLayout *form);

    QLineEdit *m_addressEdit;
    QLabel *m_addressProblem;
    QPushButton *m_okButton;
    QLineEdit *m_captionEdit;
    QComboBox *m_colorCombo;
    QComboBox *m_typeCombo = nullptr;
    QDoubleSpinBox *m_lowSpin = nullptr;
    QDoubleSpinBox *m_highSpin = nullptr;
};
