#include "controls/ControlConfigDialog.h"

#include "controls/OscControl.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace {

constexpr int MinimumDialogWidth = 320;

struct ColorChoice {
    const char *text;
    const char *color;
};

const ColorChoice ColorChoices[] = {
    {"青蓝 #00D4FF", "#00D4FF"},
    {"翠绿 #10B981", "#10B981"},
    {"琥珀 #F59E0B", "#F59E0B"},
    {"紫罗兰 #8B5CF6", "#8B5CF6"},
    {"玫红 #EC4899", "#EC4899"},
    {"靛蓝 #6366F1", "#6366F1"},
    {"橙红 #F43F5E", "#F43F5E"},
    {"天蓝 #06B6D4", "#06B6D4"},
};

const char DialogStyleSheet[] =
    "QDialog { background: #111827; }"
    "QLabel { color: #94A3B8; font-size: 12px; }"
    "QLineEdit { background: #0F172A; color: #F1F5F9; border: 1px solid #1E3A5F; border-radius: 4px; padding: 6px; }"
    "QComboBox { background: #0F172A; color: #F1F5F9; border: 1px solid #1E3A5F; border-radius: 4px; padding: 4px; }"
    "QPushButton { background: #1F2937; color: #F1F5F9; border: 1px solid #1E3A5F; border-radius: 4px; padding: 6px 16px; }";

}

ControlConfigDialog::ControlConfigDialog(const OscControl *control, QWidget *parent)
    : QDialog(parent)
    , m_addressEdit(new QLineEdit(control->address(), this))
    , m_captionEdit(new QLineEdit(control->name(), this))
    , m_colorCombo(new QComboBox(this))
{
    setWindowTitle(QStringLiteral("配置控件"));
    setMinimumWidth(MinimumDialogWidth);
    setStyleSheet(QString::fromUtf8(DialogStyleSheet));

    m_addressEdit->setObjectName(QStringLiteral("controlAddressEdit"));
    m_captionEdit->setObjectName(QStringLiteral("controlCaptionEdit"));
    m_colorCombo->setObjectName(QStringLiteral("controlColorCombo"));
    for (const ColorChoice &choice : ColorChoices)
        m_colorCombo->addItem(QString::fromUtf8(choice.text), QColor(QString::fromLatin1(choice.color)));
    const int current = m_colorCombo->findData(control->color());
    m_colorCombo->setCurrentIndex(current < 0 ? 0 : current);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("OSC 地址:"), m_addressEdit);
    form->addRow(QStringLiteral("标签:"), m_captionEdit);
    form->addRow(QStringLiteral("颜色:"), m_colorCombo);
    form->addRow(buttons);
}

QString ControlConfigDialog::address() const
{
    return m_addressEdit->text().trimmed();
}

QString ControlConfigDialog::caption() const
{
    return m_captionEdit->text().trimmed();
}

QColor ControlConfigDialog::color() const
{
    return m_colorCombo->currentData().value<QColor>();
}

void ControlConfigDialog::applyTo(OscControl *control) const
{
    control->setAddress(address());
    control->setName(caption());
    control->setColor(color());
    control->update();
}
