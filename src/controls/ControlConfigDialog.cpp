#include "controls/ControlConfigDialog.h"

#include "controls/OscControl.h"
#include "i18n/LanguageManager.h"
#include "theme/Theme.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace {

constexpr int MinimumDialogWidth = 320;

struct ColorChoice {
    const char *name;
    QColor color;
};

// Each entry reads as its name followed by its colour's hex code.
const ColorChoice ColorChoices[] = {
    {"青蓝", Theme::Cyan},
    {"翠绿", Theme::Emerald},
    {"琥珀", Theme::Amber},
    {"紫罗兰", Theme::Violet},
    {"玫红", Theme::Pink},
    {"靛蓝", Theme::Indigo},
    {"橙红", Theme::Rose},
    {"天蓝", Theme::Sky},
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
        m_colorCombo->addItem(LanguageManager::instance().translate(QString::fromUtf8(choice.name)) + u' ' + Theme::hexName(choice.color), choice.color);
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
    LanguageManager::instance().retranslateWidget(this);
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
