#include "ads/AdBanner.h"

#include "LumeralConfig.h"
#include "i18n/LanguageManager.h"
#include "theme/Theme.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>
#include <optional>

namespace {

const char *const AdImageUrlProperty = "adImageUrl";
const char *const IsImageRequestProperty = "isImageRequest";

const QString LoadingHtml = QStringLiteral("<span style='color:#64748B;'>▶ %1</span>");
const QString TitleHtml = QStringLiteral(
    "<span style='background:%1;color:#fff;padding:0 6px;border-radius:2px;font-size:10px;margin-right:6px;'>%2</span>"
    "<a href='%3' style='color:#60A5FA;text-decoration:none;font-size:12px;'>%4</a>");
const QString DescriptionHtml = QStringLiteral(" <span style='color:#94A3B8;font-size:11px;'>— %1</span>");
const QString ImageLoadingHtml = QStringLiteral(" <span style='color:#64748B;font-size:11px;'>— %1</span>");
const QString ImageHtml = QStringLiteral(
    "<a href='%1' style='text-decoration:none;'><img src='data:image/png;base64,%2' "
    "style='max-width:100%;vertical-align:middle;border-radius:3px;'/></a>");
const QString FallbackLink = QStringLiteral("#");

// Images with a larger declared side are not decoded.
constexpr int MaxImageSide = 4096;
constexpr int MaxShownImageWidth = 500;
constexpr int MaxShownImageHeight = 36;

struct Badge
{
    QString colour;
    QString text;
};

Badge badgeFor(const QString &targetType)
{
    if (targetType == QLatin1String("product"))
        return {Theme::hexName(Theme::Emerald), LanguageManager::instance().pick(QStringLiteral("品"), QStringLiteral("Product"))};
    if (targetType == QLatin1String("line"))
        return {Theme::hexName(Theme::Violet), LanguageManager::instance().pick(QStringLiteral("线"), QStringLiteral("Line"))};
    return {Theme::hexName(Theme::DimText), QStringLiteral("AD")};
}

// Links and images come from a server; only the web is reached through them.
bool isWebUrl(const QUrl &url)
{
    return url.isValid()
        && (url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0
            || url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0);
}

// Safe inside a single- or double-quoted attribute value.
QString escapeAttribute(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

QString shownLink(const QString &linkUrl)
{
    if (linkUrl.isEmpty() || !isWebUrl(QUrl(linkUrl)))
        return FallbackLink;
    return escapeAttribute(linkUrl);
}

QString joinPath(const QString &base, const QString &path)
{
    QString url = base;
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url + path;
}

// Stops a download as soon as its declared or received size passes maxBytes; the reply then
// finishes with an error like any other failed transfer.
void abortBeyond(QNetworkReply *reply, qint64 maxBytes)
{
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBytes)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, maxBytes] {
        if (reply->bytesAvailable() > maxBytes)
            reply->abort();
    });
}

std::optional<QByteArray> readBounded(QNetworkReply *reply, qint64 maxBytes)
{
    const QByteArray body = reply->read(maxBytes + 1);
    if (body.size() > maxBytes)
        return std::nullopt;
    return body;
}

// Reads the declared size first, so that a small file claiming a huge picture is never decoded.
QPixmap decodeBoundedImage(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxImageSide || size.height() > MaxImageSide)
        return QPixmap();
    return QPixmap::fromImage(reader.read());
}

// At most 36 high, and at most 500 wide at that height.
QSize shownImageSize(const QSize &imageSize)
{
    const int height = std::min(imageSize.height(), MaxShownImageHeight);
    const qint64 width = qint64(imageSize.width()) * height / std::max(imageSize.height(), 1);
    return QSize(int(std::min<qint64>(width, MaxShownImageWidth)), height);
}

QString imageHtml(const QPixmap &image, const QString &link)
{
    const QPixmap shown = image.scaled(shownImageSize(image.size()), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    shown.save(&buffer, "PNG");
    return ImageHtml.arg(link, QString::fromLatin1(png.toBase64()));
}

} // namespace

AdBanner::AdBanner(const QString &productKey, QWidget *parent, const QUrl &serviceUrl,
                   const AdBannerTimings &timings)
    : QWidget(parent)
    , m_productKey(productKey)
    , m_serviceUrl(serviceUrl)
    , m_timings(timings)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("adBanner"));
    m_label->setTextFormat(Qt::RichText);
    // A press on the label opens the current link (eventFilter); the label opening links itself
    // as well would open it a second time on release.
    m_label->setOpenExternalLinks(false);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_label->setMinimumWidth(300);
    m_label->setMaximumHeight(40);
    m_label->setScaledContents(false);
    m_label->setCursor(Qt::PointingHandCursor);
    m_label->installEventFilter(this);
    layout->addWidget(m_label);

    m_networkManager = new QNetworkAccessManager(this);
    connect(m_networkManager, &QNetworkAccessManager::finished, this, &AdBanner::onAdsLoaded);

    m_rotateTimer = new QTimer(this);
    m_rotateTimer->setInterval(m_timings.rotateIntervalMs);
    connect(m_rotateTimer, &QTimer::timeout, this, &AdBanner::rotateAd);

    m_label->setText(LoadingHtml.arg(LanguageManager::instance().translate(QStringLiteral("广告加载中..."))));
    LanguageManager::instance().addListener(this, [this] {
        if (m_currentIndex < m_ads.size())
            renderAd(m_ads.at(m_currentIndex));
    });
    fetchAds();
}

QUrl AdBanner::defaultServiceUrl()
{
    return QUrl(QStringLiteral(LUMERAL_AD_SERVICE_URL));
}

const QList<AdItem> &AdBanner::ads() const
{
    return m_ads;
}

int AdBanner::currentIndex() const
{
    return m_currentIndex;
}

bool AdBanner::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label && event->type() == QEvent::MouseButtonPress && m_currentIndex >= 0
        && m_currentIndex < m_ads.size()) {
        const QString link = m_ads.at(m_currentIndex).linkUrl;
        if (!link.isEmpty()) {
            const QUrl url(link);
            if (isWebUrl(url))
                QDesktopServices::openUrl(url);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AdBanner::onAdsLoaded(QNetworkReply *reply)
{
    if (reply->property(IsImageRequestProperty).toBool()) {
        onImageLoaded(reply);
        return;
    }
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        showFallbackAds();
        return;
    }
    const std::optional<QByteArray> body = readBounded(reply, MaxListReplyBytes);
    m_ads = body ? AdItem::listFromReply(*body) : QList<AdItem>();
    if (m_ads.isEmpty()) {
        showFallbackAds();
        return;
    }
    for (const AdItem &ad : std::as_const(m_ads)) {
        if (ad.isImage() && !m_imageCache.contains(ad.imageUrl))
            fetchImage(ad);
    }
    showFirstAd();
}

void AdBanner::onImageLoaded(QNetworkReply *reply)
{
    reply->deleteLater();
    const QString imageUrl = reply->property(AdImageUrlProperty).toString();
    if (reply->error() != QNetworkReply::NoError)
        return;
    const std::optional<QByteArray> body = readBounded(reply, MaxImageReplyBytes);
    if (!body)
        return;
    const QPixmap image = decodeBoundedImage(*body);
    if (image.isNull())
        return;
    m_imageCache.insert(imageUrl, image);
    if (m_currentIndex >= 0 && m_currentIndex < m_ads.size() && m_ads.at(m_currentIndex).imageUrl == imageUrl)
        renderAd(m_ads.at(m_currentIndex));
}

void AdBanner::rotateAd()
{
    if (m_ads.isEmpty())
        return;
    m_currentIndex = (m_currentIndex + 1) % m_ads.size();
    renderAd(m_ads.at(m_currentIndex));
}

void AdBanner::fetchAds()
{
    if (m_serviceUrl.isEmpty()) {
        showFallbackAds();
        return;
    }
    QUrl url = m_serviceUrl;
    url.setPath(joinPath(url.path(), QStringLiteral("/api/ads")));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("product"), m_productKey);
    url.setQuery(query);

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(m_timings.listTimeoutMs);
    abortBeyond(m_networkManager->get(request), MaxListReplyBytes);
}

void AdBanner::fetchImage(const AdItem &ad)
{
    const QUrl url(ad.imageUrl);
    if (!isWebUrl(url))
        return;
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timings.imageTimeoutMs);
    QNetworkReply *reply = m_networkManager->get(request);
    reply->setProperty(AdImageUrlProperty, ad.imageUrl);
    reply->setProperty(IsImageRequestProperty, true);
    abortBeyond(reply, MaxImageReplyBytes);
}

void AdBanner::renderAd(const AdItem &ad)
{
    const QString title = LanguageManager::instance().translate(ad.title).toHtmlEscaped();
    const Badge badge = badgeFor(ad.targetType);
    const QString link = shownLink(ad.linkUrl);
    if (ad.isImage()) {
        const auto cached = m_imageCache.constFind(ad.imageUrl);
        if (cached != m_imageCache.constEnd())
            m_label->setText(imageHtml(*cached, link));
        else
            m_label->setText(TitleHtml.arg(badge.colour, badge.text, link, title)
                           + ImageLoadingHtml.arg(LanguageManager::instance().translate(QStringLiteral("图片加载中..."))));
        return;
    }
    QString html = TitleHtml.arg(badge.colour, badge.text, link, title);
    if (!ad.description.isEmpty())
        html += DescriptionHtml.arg(ad.description.toHtmlEscaped());
    m_label->setText(html);
}

void AdBanner::showFallbackAds()
{
    const QString homePage = QStringLiteral(LUMERAL_HOME_PAGE_URL);
    const QString docsPage = joinPath(QStringLiteral(LUMERAL_DOCS_SITE_URL), QStringLiteral("/docs/kestrand"));
    const auto builtIn = [](const QString &title, const QString &link) {
        AdItem item;
        item.adType = QStringLiteral("text");
        item.targetType = QStringLiteral("global");
        item.title = title;
        item.linkUrl = link;
        return item;
    };
    m_ads = {
        builtIn(QStringLiteral("🚀 Orvane Pro — 专业调试工具套件"), homePage),
        builtIn(QStringLiteral("📖 在线文档 — 查看完整使用指南"), docsPage),
        builtIn(QStringLiteral("⭐ 更多工具 — 探索 Kestrand 全系产品"), homePage),
    };
    showFirstAd();
}

void AdBanner::showFirstAd()
{
    m_currentIndex = 0;
    renderAd(m_ads.first());
    m_rotateTimer->start();
}
