#include "controls/ControlConfigDialog.h"

#include "controls/ControlAddress.h"
#include "controls/OscControl.h"
#include "i18n/LanguageManager.h"
#include "theme/Theme.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int MinimumDialogWidth = 320;
// Output values are sent as int32 or float32; the range stays within what both can carry.
constexpr double OutputLimit = 2147483647.0;
constexpr int OutputDecimals = 3;

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
    "QDoubleSpinBox { background: #0F172A; color: #F1F5F9; border: 1px solid #1E3A5F; border-radius: 4px; padding: 4px; }"
    "QComboBox { background: #0F172A; color: #F1F5F9; border: 1px solid #1E3A5F; border-radius: 4px; padding: 4px; }"
    "QLabel#controlAddressProblem { color: #F43F5E; }"
    "QPushButton { background: #1F2937; color: #F1F5F9; border: 1px solid #1E3A5F; border-radius: 4px; padding: 6px 16px; }";

}

ControlConfigDialog::ControlConfigDialog(const OscControl *control, QWidget *parent)
    : QDialog(parent)
    , m_addressEdit(new QLineEdit(control->address(), this))
    , m_addressProblem(new QLabel(this))
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
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    m_addressProblem->setObjectName(QStringLiteral("controlAddressProblem"));
    connect(m_addressEdit, &QLineEdit::textChanged, this, &ControlConfigDialog::checkAddress);
    checkAddress();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("OSC 地址:"), m_addressEdit);
    form->addRow(QString(), m_addressProblem);
    form->addRow(QStringLiteral("标签:"), m_captionEdit);
    form->addRow(QStringLiteral("颜色:"), m_colorCombo);
    if (control->type() != ControlType::Label)
        addOutputRows(control, form);
    form->addRow(buttons);
    LanguageManager::instance().retranslateWidget(this);
}

void ControlConfigDialog::addOutputRows(const OscControl *control, QFormLayout *form)
{
    const LanguageManager &language = LanguageManager::instance();
    m_typeCombo = new QComboBox(this);
    m_typeCombo->setObjectName(QStringLiteral("controlOutputTypeCombo"));
    m_typeCombo->addItems({language.pick(QStringLiteral("浮点数"), QStringLiteral("Float")),
                           language.pick(QStringLiteral("整数"), QStringLiteral("Integer"))});
    m_typeCombo->setCurrentIndex(control->outputInteger() ? 1 : 0);
    const auto spin = [this](const char *name, double value) {
        auto *box = new QDoubleSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(-OutputLimit, OutputLimit);
        box->setDecimals(OutputDecimals);
        box->setValue(value);
        return box;
    };
    m_lowSpin = spin("controlOutputLowSpin", control->outputLow());
    m_highSpin = spin("controlOutputHighSpin", control->outputHigh());
    form->addRow(language.pick(QStringLiteral("输出类型:"), QStringLiteral("Output type:")), m_typeCombo);
    // A button sends its high value when pressed and its low value when released.
    if (control->type() == ControlType::Button) {
        form->addRow(language.pick(QStringLiteral("按下值:"), QStringLiteral("Press value:")), m_highSpin);
        form->addRow(language.pick(QStringLiteral("松开值:"), QStringLiteral("Release value:")), m_lowSpin);
    } else {
        form->addRow(language.pick(QStringLiteral("最小值:"), QStringLiteral("Minimum:")), m_lowSpin);
        form->addRow(language.pick(QStringLiteral("最大值:"), QStringLiteral("Maximum:")), m_highSpin);
    }
}

void ControlConfigDialog::checkAddress()
{
    const AddressProblem problem = ControlAddress::problem(m_addressEdit->text());
    m_addressProblem->setText(LanguageManager::instance().pick(problem.chinese, problem.english));
    m_addressProblem->setVisible(!problem.isNone());
    m_okButton->setEnabled(problem.isNone());
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

bool ControlConfigDialog::outputInteger() const
{
    return m_typeCombo && m_typeCombo->currentIndex() == 1;
}

double ControlConfigDialog::outputLow() const
{
    return m_lowSpin ? m_lowSpin->value() : 0.0;
}

double ControlConfigDialog::outputHigh() const
{
    return m_highSpin ? m_highSpin->value() : 1.0;
}

void ControlConfigDialog::applyTo(OscControl *control) const
{
    control->setAddress(address());
    control->setName(caption());
    control->setColor(color());
    control->setOutputInteger(outputInteger());
    control->setOutputRange(outputLow(), outputHigh());
    control->update();
}
