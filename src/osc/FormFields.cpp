#include "osc/FormFields.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace FormFields {

void addFieldRow(QVBoxLayout *layout, const QString &caption, QWidget *field)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(caption));
    row->addWidget(field, 1);
    layout->addLayout(row);
}

QSpinBox *createSpinBox(const QString &objectName, int minimum, int maximum, int value,
                        const QString &suffix)
{
    auto *spin = new QSpinBox;
    spin->setObjectName(objectName);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setSuffix(suffix);
    return spin;
}

QCheckBox *createCheckBox(const QString &objectName, const QString &text, bool checked)
{
    auto *check = new QCheckBox(text);
    check->setObjectName(objectName);
    check->setChecked(checked);
    return check;
}

QLineEdit *createLineEdit(const QString &objectName, const QString &text)
{
    auto *edit = new QLineEdit(text);
    edit->setObjectName(objectName);
    return edit;
}

} // namespace FormFields
