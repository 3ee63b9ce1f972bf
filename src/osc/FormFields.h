#pragma once

#include <QString>

class QCheckBox;
class QLineEdit;
class QSpinBox;
class QVBoxLayout;
class QWidget;

// The named fields the window's settings and send groups are made of, each with the object name
// that tests and tools find it by.
namespace FormFields {

// A row of a group: a caption and a field that takes the spare width.
void addFieldRow(QVBoxLayout *layout, const QString &caption, QWidget *field);
QSpinBox *createSpinBox(const QString &objectName, int minimum, int maximum, int value,
                        const QString &suffix = QString());
QCheckBox *createCheckBox(const QString &objectName, const QString &text, bool checked);
QLineEdit *createLineEdit(const QString &objectName, const QString &text);

} // namespace FormFields
