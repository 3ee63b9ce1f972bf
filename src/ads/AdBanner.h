#pragma once

#include "ads/AdItem.h"

#include <QList>
#include <QMap>
#include <QPixmap>
#include <QString>
#include <QUrl>
#include <QWidget>

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// How long the banner shows each advertisement and waits for the service; tests shorten them.
struct AdBannerTimings
{
    int rotateIntervalMs = 5000;
    int listTimeoutMs = 10000;
    int imageTimeoutMs = 15000;
};

// The one-line advertisement strip of the header: fetches the advertisements of one product from the
// advertisement service, rotates through them and opens the current one's link on a click.
class AdBanner : public QWidget
{
    Q_OBJECT

public:
    // Larger replies count as failed; the download stops as soon as it passes the limit.
    static constexpr qint64 MaxListReplyBytes = 1024 * 1024;
    static constexpr qint64 MaxImageReplyBytes = 4 * 1024 * 1024;

    // serviceUrl is the service's base (scheme, host, port); empty: the built-in entries, no request.
    explicit AdBanner(const QString &productKey, QWidget *parent = nullptr,
                      const QUrl &serviceUrl = defaultServiceUrl(),
                      const AdBannerTimings &timings = AdBannerTimings());

    static QUrl defaultServiceUrl();

    const QList<AdItem> &ads() const;
    int currentIndex() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onAdsLoaded(QNetworkReply *reply);
    void onImageLoaded(QNetworkReply *reply);

public slots:
    void rotateAd();

private:
    void fetchAds();
    void fetchImage(const AdItem &ad);
    void renderAd(const AdItem &ad);
    void showFallbackAds();
    void showFirstAd();

    QLabel *m_label = nullptr;
    QTimer *m_rotateTimer = nullptr;
    QNetworkAccessManager *m_networkManager = nullptr;
    QString m_productKey;
    QList<AdItem> m_ads;
    int m_currentIndex = 0;
    QMap<QString, QPixmap> m_imageCache;
    QUrl m_serviceUrl;
    AdBannerTimings m_timings;
};
