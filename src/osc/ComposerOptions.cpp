#include "osc/ComposerOptions.h"

#include "i18n/LanguageManager.h"
#include "osc/FormFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>

ComposerOptions::ComposerOptions(QLineEdit *addressEdit, QComboBox *typeCombo, QLineEdit *valuesEdit)
    : m_addressEdit(addressEdit)
    , m_typeCombo(typeCombo)
    , m_valuesEdit(valuesEdit)
    , m_bundleCheck(FormFields::createCheckBox(QStringLiteral("sendAsBundleCheck"), QStringLiteral("作为消息包发送"), false))
    , m_bundleDelaySpin(FormFields::createSpinBox(QStringLiteral("bundleDelaySpin"), 0, MaximumBundleDelayMs, 0,
                                                  QStringLiteral(" ms")))
    , m_rawCheck(FormFields::createCheckBox(QStringLiteral("rawBytesCheck"), QStringLiteral("原始字节"), false))
{
    // Any tag string may be typed; the presets stay as the items, and typing adds none.
    m_typeCombo->setEditable(true);
    m_typeCombo->setInsertPolicy(QComboBox::NoInsert);
    // 0 ms is the time tag "immediately"; more is that long after the send.
    m_bundleDelaySpin->setPrefix(QStringLiteral("+"));
    m_bundleDelaySpin->setEnabled(false);
    showBundleDelayWord();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bundleCheck);
    layout->addWidget(m_bundleDelaySpin);
    layout->addWidget(m_rawCheck);
    layout->addStretch();

    connect(m_bundleCheck, &QCheckBox::toggled, m_bundleDelaySpin, &QWidget::setEnabled);
    connect(m_rawCheck, &QCheckBox::toggled, this, [this](bool raw) {
        m_addressEdit->setDisabled(raw);
        m_typeCombo->setDisabled(raw);
        m_bundleCheck->setDisabled(raw);
    });
    for (QWidget *field : {static_cast<QWidget *>(m_addressEdit), static_cast<QWidget *>(m_typeCombo->lineEdit()),
                           static_cast<QWidget *>(m_valuesEdit)})
        field->installEventFilter(this);
    LanguageManager::instance().addListener(this, [this] { showBundleDelayWord(); });
}

void ComposerOptions::showBundleDelayWord()
{
    m_bundleDelaySpin->setSpecialValueText(
        LanguageManager::instance().pick(QStringLiteral("立即"), QStringLiteral("immediately")));
    // The box is sized for its widest text, which the word just changed.
    m_bundleDelaySpin->updateGeometry();
}

bool ComposerOptions::isRaw() const
{
    return m_rawCheck->isChecked();
}

MessageComposer::Request ComposerOptions::request() const
{
    MessageComposer::Request request;
    request.address = m_addressEdit->text().trimmed();
    // A preset's tags are its text up to the first space.
    request.tags = m_typeCombo->currentText().trimmed().section(QLatin1Char(' '), 0, 0);
    request.values = m_valuesEdit->text().trimmed();
    request.raw = isRaw();
    request.bundle = m_bundleCheck->isChecked();
    if (m_bundleDelaySpin->value() > 0)
        request.bundleDelayMs = m_bundleDelaySpin->value();
    return request;
}

void ComposerOptions::remember()
{
    Sent sent{m_addressEdit->text(), m_typeCombo->currentText(), m_valuesEdit->text()};
    if (m_history.isEmpty() || m_history.constLast().address != sent.address || m_history.constLast().tags != sent.tags
        || m_history.constLast().values != sent.values)
        m_history.append(sent);
    if (m_history.size() > HistorySize)
        m_history.removeFirst();
    m_walkIndex = m_history.size();
}

void ComposerOptions::walkHistory(int step)
{
    const qsizetype target = m_walkIndex + step;
    if (target < 0 || target > m_history.size())
        return;
    if (m_walkIndex == m_history.size())
        m_draft = {m_addressEdit->text(), m_typeCombo->currentText(), m_valuesEdit->text()};
    m_walkIndex = target;
    const Sent &shown = m_walkIndex == m_history.size() ? m_draft : m_history.at(m_walkIndex);
    m_addressEdit->setText(shown.address);
    m_typeCombo->setCurrentText(shown.tags);
    m_valuesEdit->setText(shown.values);
}

bool ComposerOptions::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && key->modifiers().testFlag(Qt::ControlModifier)) {
        emit sendRequested();
        return true;
    }
    if (watched == m_valuesEdit && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        walkHistory(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
