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

    m_languageCombo = LanguageManager::instance().createLanguageCombo(this);
    layout->addWidget(m_languageCombo);

    auto *docButton = new QPushButton(QStringLiteral("📖 文档"));
    docButton->setObjectName(QStringLiteral("docButton"));
    docButton->setCursor(Qt::PointingHandCursor);
    docButton->setFixedHeight(kDocButtonHeight);
    docButton->setStyleSheet(kDocButtonStyle);
    connect(docButton, &QPushButton::clicked, this, [] {
        QDesktopServices::openUrl(QUrl(QStringLiteral(LUMERAL_DOCS_SITE_URL) + kDocumentationPath));
    });
    layout->addWidget(docButton);

    m_statusLabel = namedLabel(QStringLiteral("⚫ 未绑定"), QStringLiteral("connStatus"));
    layout->addWidget(m_statusLabel);
}
