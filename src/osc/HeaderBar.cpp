#include "osc/HeaderBar.h"

#include "LumeralConfig.h"
#include "ads/AdBanner.h"
#include "i18n/LanguageManager.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace {

constexpr int kHeaderHeight = 52;
constexpr int kDocButtonHeight = 24;
const QString kDocumentationPath = QStringLiteral("/docs/kestrand/lumeral");
const QString kDocButtonStyle = QStringLiteral(
    "QPushButton { background: transparent; color: #94A3B8; border: 1px solid #2A3A4A; "
    "border-radius: 3px; padding: 2px 8px; font-size: 11px; } "
    "QPushButton:hover { border-color: #60A5FA; color: #00D4FF; }");

QLabel *namedLabel(const QString &text, const QString &objectName)
{
    auto *label = new QLabel(text);
    label->setObjectName(objectName);
    return label;
}

// Small and quiet like the documentation button: the header is not a toolbar.
QPushButton *headerButton(const QString &text, const QString &objectName)
{
    auto *button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedHeight(kDocButtonHeight);
    button->setStyleSheet(kDocButtonStyle);
    return button;
}

} // namespace

HeaderBar::HeaderBar(const QString &title, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("headerBar"));
    setFixedHeight(kHeaderHeight);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 0, 20, 0);

    layout->addWidget(namedLabel(QStringLiteral("◆"), QStringLiteral("headerIcon")));
    layout->addWidget(namedLabel(title, QStringLiteral("headerTitle")));
    layout->addWidget(namedLabel(QStringLiteral(LUMERAL_VERSION_LABEL), QStringLiteral("headerVersion")));
    layout->addStretch(1);
    layout->addWidget(new AdBanner(QStringLiteral("lumeral"), this), 2);
    layout->addStretch(1);

    m_saveSetupButton = headerButton(QStringLiteral("保存配置…"), QStringLiteral("saveSetupButton"));
    m_openSetupButton = headerButton(QStringLiteral("打开配置…"), QStringLiteral("openSetupButton"));
    layout->addWidget(m_saveSetupButton);
    layout->addWidget(m_openSetupButton);

    m_languageCombo = LanguageManager::instance().createLanguageCombo(this);
    layout->addWidget(m_languageCombo);

    auto *docButton = headerButton(QStringLiteral("📖 文档"), QStringLiteral("docButton"));
    connect(docButton, &QPushButton::clicked, this, [] {
        QDesktopServices::openUrl(QUrl(QStringLiteral(LUMERAL_DOCS_SITE_URL) + kDocumentationPath));
    });
    layout->addWidget(docButton);

    m_statusLabel = namedLabel(QStringLiteral("⚫ 未绑定"), QStringLiteral("connStatus"));
    layout->addWidget(m_statusLabel);
}
