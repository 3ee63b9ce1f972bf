#include "ads/AdBanner.h"
#include "osc/OscWidget.h"
#include "support/LocalHttpServer.h"

#include "LumeralConfig.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

Q_DECLARE_METATYPE(LocalHttpServer::Reply)

namespace {

const QString LoadingMarker = QStringLiteral("广告加载中");
const QString ImageLoadingSuffix = QStringLiteral(" <span style='color:#64748B;font-size:11px;'>— 图片加载中...</span>");
const QString Grey = QStringLiteral("#64748B");
const QString ShopLink = QStringLiteral("https://shop.kestrand.example/offer");
const QStringList UrlSchemes = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("file"),
                                QStringLiteral("javascript"), QStringLiteral("kestrand-app")};

QString titleHtml(const QString &colour, const QString &badge, const QString &href, const QString &title)
{
    return QStringLiteral(
               "<span style='background:%1;color:#fff;padding:0 6px;border-radius:2px;font-size:10px;margin-right:6px;'>%2</span>"
               "<a href='%3' style='color:#60A5FA;text-decoration:none;font-size:12px;'>%4</a>")
        .arg(colour, badge, href, title);
}

QJsonObject textAd(int id, const QString &title, const QString &link = ShopLink)
{
    return {{"id", id}, {"status", 1}, {"target_type", "global"}, {"ad_type", "text"}, {"title", title}, {"link_url", link}};
}

QJsonObject imageAd(int id, const QUrl &imageUrl)
{
    QJsonObject ad = textAd(id, QStringLiteral("Picture"));
    ad.insert("ad_type", "image");
    ad.insert("image_url", imageUrl.toString());
    return ad;
}

QByteArray serviceReply(const QJsonArray &ads)
{
    return QJsonDocument(QJsonObject{{"success", true}, {"ads", ads}}).toJson(QJsonDocument::Compact);
}

LocalHttpServer::Reply answer(const QByteArray &body, const QByteArray &contentType = "application/json")
{
    LocalHttpServer::Reply reply;
    reply.body = body;
    reply.contentType = contentType;
    return reply;
}

QByteArray padded(QByteArray body, qint64 size)
{
    return body + QByteArray(size - body.size(), ' ');
}

QByteArray png(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QLabel *labelOf(const AdBanner &banner)
{
    return banner.findChild<QLabel *>(QStringLiteral("adBanner"));
}

// Every reply handled and released, and the loading text gone.
bool settled(const AdBanner &banner)
{
    return QTest::qWaitFor([&banner] {
        return banner.findChildren<QNetworkReply *>().isEmpty() && !labelOf(banner)->text().contains(LoadingMarker);
    });
}

bool showsBuiltInEntries(const AdBanner &banner)
{
    const QString home = QStringLiteral(LUMERAL_HOME_PAGE_URL);
    const QList<AdItem> &ads = banner.ads();
    return ads.size() == 3 && ads.at(0).id == 0 && ads.at(0).targetType == QLatin1String("global")
        && ads.at(0).linkUrl == home && ads.at(1).linkUrl == QStringLiteral(LUMERAL_DOCS_SITE_URL "/docs/kestrand")
        && ads.at(2).linkUrl == home && banner.currentIndex() == 0
        && labelOf(banner)->text() == titleHtml(Grey, "AD", home, QStringLiteral("🚀 Orvane Pro — 专业调试工具套件"));
}

QImage shownImage(const QString &html)
{
    static const QRegularExpression base64(QStringLiteral("data:image/png;base64,([A-Za-z0-9+/=]+)'"));
    return QImage::fromData(QByteArray::fromBase64(base64.match(html).captured(1).toLatin1()), "PNG");
}

// (href, text) of each linked run of the rich text.
QList<QPair<QString, QString>> anchors(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    QList<QPair<QString, QString>> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                found.append({it.fragment().charFormat().anchorHref(), it.fragment().text()});
        }
    }
    return found;
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

} // namespace

class TestAdBanner : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void requestNamesProduct_data();
    void requestNamesProduct();
    void noServiceMakesNoRequest_data();
    void noServiceMakesNoRequest();
    void textAds_data();
    void textAds();
    void titleAndLinkEscaped_data();
    void titleAndLinkEscaped();
    void statusFiltering_data();
    void statusFiltering();
    void unusableRepliesGiveBuiltInEntries_data();
    void unusableRepliesGiveBuiltInEntries();
    void listSizeLimit_data();
    void listSizeLimit();
    void listTimeoutGivesBuiltInEntries();
    void rotation_data();
    void rotation();
    void rotationFollowsTimer();
    void imageAdsScaled_data();
    void imageAdsScaled();
    void imageMissingShowsLoadingText_data();
    void imageMissingShowsLoadingText();
    void imageForAnotherAdWaitsItsTurn();
    void clickOpensOnlyWebLinks_data();
    void clickOpensOnlyWebLinks();
    void sitsInWindowHeader();

private:
    QList<QUrl> m_opened;
};

void TestAdBanner::initTestCase()
{
    // Every link a click could open lands here instead of in a browser.
    for (const QString &scheme : UrlSchemes)
        QDesktopServices::setUrlHandler(scheme, this, "openUrl");
}

void TestAdBanner::cleanupTestCase()
{
    for (const QString &scheme : UrlSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

void TestAdBanner::init()
{
    m_opened.clear();
}

void TestAdBanner::requestNamesProduct_data()
{
    QTest::addColumn<QString>("productKey");
    QTest::addColumn<QString>("basePath");
    QTest::addColumn<QString>("expectedPath");
    QTest::newRow("product key") << "lumeral" << "" << "/api/ads";
    QTest::newRow("key with query delimiters") << "a b&c=d+e" << "" << "/api/ads";
    QTest::newRow("service under a path") << "lumeral" << "/ads-service/" << "/ads-service/api/ads";
}

void TestAdBanner::requestNamesProduct()
{
    QFETCH(QString, productKey);
    QFETCH(QString, basePath);
    QFETCH(QString, expectedPath);
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setReply(expectedPath, answer(serviceReply({textAd(1, "One")})));

    AdBanner banner(productKey, nullptr, server.url(basePath));
    QVERIFY(settled(banner));
    QCOMPARE(server.requests().size(), 1);
    const LocalHttpServer::Request request = server.requests().first();
    QCOMPARE(request.url.path(), expectedPath);
    QCOMPARE(QUrlQuery(request.url).queryItemValue("product", QUrl::FullyDecoded), productKey);
    QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
    QCOMPARE(banner.ads().first().title, QStringLiteral("One"));
}

void TestAdBanner::noServiceMakesNoRequest_data()
{
    QTest::addColumn<bool>("defaultService");
    QTest::newRow("empty service URL") << false;
    QTest::newRow("default build setting") << true;
}

void TestAdBanner::noServiceMakesNoRequest()
{
    QFETCH(bool, defaultService);
    if (defaultService && !QUrl(QStringLiteral(LUMERAL_AD_SERVICE_URL)).isEmpty())
        QSKIP("this build names an advertisement service");

    const auto banner = defaultService ? std::make_unique<AdBanner>(QStringLiteral("lumeral"))
                                       : std::make_unique<AdBanner>(QStringLiteral("lumeral"), nullptr, QUrl());
    QVERIFY(banner->findChildren<QNetworkReply *>().isEmpty());
    QVERIFY(showsBuiltInEntries(*banner));
    const auto timers = banner->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(timers.size(), 1);
    QVERIFY(timers.first()->isActive());
    QCOMPARE(timers.first()->interval(), 5000);
}

void TestAdBanner::textAds_data()
{
    QTest::addColumn<QString>("targetType");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("expectedHtml");
    const QString title = QStringLiteral("Kestrand Scope");
    const QString product = titleHtml("#10B981", "品", ShopLink, title);
    QTest::newRow("product badge") << "product" << "" << product;
    QTest::newRow("line badge") << "line" << "" << titleHtml("#8B5CF6", "线", ShopLink, title);
    QTest::newRow("global badge") << "global" << "" << titleHtml(Grey, "AD", ShopLink, title);
    QTest::newRow("capital P is not product") << "Product" << "" << titleHtml(Grey, "AD", ShopLink, title);
    QTest::newRow("no target type") << "" << "" << titleHtml(Grey, "AD", ShopLink, title);
    QTest::newRow("with description") << "product" << "Logic analyser <new>"
                                      << product + " <span style='color:#94A3B8;font-size:11px;'>— Logic analyser &lt;new&gt;</span>";
}

void TestAdBanner::textAds()
{
    QFETCH(QString, targetType);
    QFETCH(QString, description);
    QFETCH(QString, expectedHtml);
    LocalHttpServer server;
    QVERIFY(server.listen());
    QJsonObject ad = textAd(7, "Kestrand Scope");
    ad.insert("target_type", targetType);
    ad.insert("description", description);
    server.setReply("/api/ads", answer(serviceReply({ad})));

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    QVERIFY(settled(banner));
    QCOMPARE(labelOf(banner)->text(), expectedHtml);
    QCOMPARE(banner.ads().size(), 1);
    QCOMPARE(banner.ads().first().id, 7);
}

void TestAdBanner::titleAndLinkEscaped_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("href");
    QTest::newRow("bold tag in title") << "<b>Bold</b> & more" << ShopLink << ShopLink;
    QTest::newRow("single quote leaves the attribute")
        << "Offer" << "https://x.example/?q=' onclick='run()" << "https://x.example/?q=&#39; onclick=&#39;run()";
    QTest::newRow("double quote and markup")
        << "Offer" << "https://x.example/\"><b>bold</b>" << "https://x.example/&quot;&gt;&lt;b&gt;bold&lt;/b&gt;";
    QTest::newRow("entity-like ampersand") << "Offer" << "https://x.example/?a=1&lt=2" << "https://x.example/?a=1&amp;lt=2";
    QTest::newRow("placeholders substituted once") << "%1 off %2" << "https://x.example/%3%4" << "https://x.example/%3%4";
}

void TestAdBanner::titleAndLinkEscaped()
{
    QFETCH(QString, title);
    QFETCH(QString, link);
    QFETCH(QString, href);
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/api/ads", answer(serviceReply({textAd(1, title, link)})));

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    QVERIFY(settled(banner));
    const QString html = labelOf(banner)->text();
    QVERIFY2(html.contains("<a href='" + href + "' style='color:#60A5FA;"), qPrintable(html));
    QCOMPARE(plainText(html), "AD" + title);
    const auto links = anchors(html);
    QCOMPARE(links.size(), 1);
    QCOMPARE(links.first().second, title);
}

void TestAdBanner::statusFiltering_data()
{
    QTest::addColumn<QJsonArray>("statuses");
    QTest::addColumn<QList<int>>("expectedIds");
    QTest::newRow("only status 1 kept, in order") << QJsonArray{0, 1, 2, 1} << QList<int>{2, 4};
    QTest::newRow("missing, text and fractional status skipped") << QJsonArray{QJsonValue(), "1", 1.5, 1} << QList<int>{4};
    QTest::newRow("none active gives built-in entries") << QJsonArray{0, 2} << QList<int>();
}

void TestAdBanner::statusFiltering()
{
    QFETCH(QJsonArray, statuses);
    QFETCH(QList<int>, expectedIds);
    QJsonArray ads;
    for (qsizetype i = 0; i < statuses.size(); ++i) {
        QJsonObject ad = textAd(int(i + 1), QStringLiteral("Ad %1").arg(i + 1));
        ad.remove("status");
        if (!statuses.at(i).isNull())
            ad.insert("status", statuses.at(i));
        ads.append(ad);
    }
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/api/ads", answer(serviceReply(ads)));

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    QVERIFY(settled(banner));
    if (expectedIds.isEmpty()) {
        QVERIFY(showsBuiltInEntries(banner));
        return;
    }
    QList<int> ids;
    for (const AdItem &ad : banner.ads())
        ids.append(ad.id);
    QCOMPARE(ids, expectedIds);
}

void TestAdBanner::unusableRepliesGiveBuiltInEntries_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("refused");
    const QJsonArray oneAd{textAd(1, "One")};
    const QByteArray good = serviceReply(oneAd);
    QTest::newRow("success false") << QJsonDocument(QJsonObject{{"success", false}, {"ads", oneAd}}).toJson() << 200 << false;
    QTest::newRow("success missing") << QJsonDocument(QJsonObject{{"ads", oneAd}}).toJson() << 200 << false;
    QTest::newRow("success as text") << QJsonDocument(QJsonObject{{"success", "true"}, {"ads", oneAd}}).toJson() << 200 << false;
    QTest::newRow("empty ads") << serviceReply({}) << 200 << false;
    QTest::newRow("ads missing") << QByteArray(R"({"success":true})") << 200 << false;
    QTest::newRow("not JSON") << QByteArray("<html>maintenance</html>") << 200 << false;
    QTest::newRow("JSON array") << QByteArray("[{\"success\":true}]") << 200 << false;
    QTest::newRow("server error") << good << 500 << false;
    QTest::newRow("connection refused") << good << 200 << true;
}

void TestAdBanner::unusableRepliesGiveBuiltInEntries()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(bool, refused);
    LocalHttpServer server;
    QUrl serviceUrl;
    if (refused) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        serviceUrl = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    } else {
        QVERIFY(server.listen());
        LocalHttpServer::Reply reply = answer(body);
        reply.status = status;
        server.setReply("/api/ads", reply);
        serviceUrl = server.baseUrl();
    }

    AdBanner banner("lumeral", nullptr, serviceUrl);
    QVERIFY(settled(banner));
    QVERIFY(showsBuiltInEntries(banner));
}

void TestAdBanner::listSizeLimit_data()
{
    QTest::addColumn<LocalHttpServer::Reply>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("clientCloses");
    const QByteArray body = serviceReply({textAd(1, "One")});
    QTest::newRow("exactly 1 MiB") << answer(padded(body, AdBanner::MaxListReplyBytes)) << true << false;
    QTest::newRow("one byte over") << answer(padded(body, AdBanner::MaxListReplyBytes + 1)) << false << false;

    LocalHttpServer::Reply declared = answer(body);
    declared.contentLength = 2 * AdBanner::MaxListReplyBytes;
    QTest::newRow("declares 2 MiB") << declared << false << true;
    LocalHttpServer::Reply endless = answer(body);
    endless.behaviour = LocalHttpServer::Behaviour::StreamForever;
    QTest::newRow("body without end") << endless << false << true;
}

void TestAdBanner::listSizeLimit()
{
    QFETCH(LocalHttpServer::Reply, reply);
    QFETCH(bool, accepted);
    QFETCH(bool, clientCloses);
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/api/ads", reply);

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    QVERIFY(settled(banner));
    if (accepted)
        QCOMPARE(banner.ads().first().title, QStringLiteral("One"));
    else
        QVERIFY(showsBuiltInEntries(banner));
    if (clientCloses)
        QTRY_COMPARE(server.closedByClient(), 1);
}

void TestAdBanner::listTimeoutGivesBuiltInEntries()
{
    LocalHttpServer server;
    QVERIFY(server.listen());
    LocalHttpServer::Reply silent;
    silent.behaviour = LocalHttpServer::Behaviour::NeverAnswer;
    server.setReply("/api/ads", silent);
    AdBannerTimings timings;
    timings.listTimeoutMs = 300;

    AdBanner banner("lumeral", nullptr, server.baseUrl(), timings);
    QCOMPARE(labelOf(banner)->text(), QStringLiteral("<span style='color:#64748B;'>▶ 广告加载中...</span>"));
    QVERIFY(settled(banner));
    QVERIFY(showsBuiltInEntries(banner));
    QTRY_COMPARE(server.closedByClient(), 1);
}

void TestAdBanner::rotation_data()
{
    QTest::addColumn<int>("adCount");
    QTest::addColumn<QList<int>>("indexAfterEachRotation");
    QTest::newRow("one ad stays") << 1 << QList<int>{0, 0, 0};
    QTest::newRow("three ads wrap around") << 3 << QList<int>{1, 2, 0, 1};
}

void TestAdBanner::rotation()
{
    QFETCH(int, adCount);
    QFETCH(QList<int>, indexAfterEachRotation);
    QJsonArray ads;
    for (int i = 0; i < adCount; ++i)
        ads.append(textAd(i + 1, QStringLiteral("Ad %1").arg(i + 1)));
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/api/ads", answer(serviceReply(ads)));

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    QVERIFY(settled(banner));
    QCOMPARE(banner.currentIndex(), 0);
    for (int expected : indexAfterEachRotation) {
        banner.rotateAd();
        QCOMPARE(banner.currentIndex(), expected);
        QCOMPARE(plainText(labelOf(banner)->text()), QStringLiteral("ADAd %1").arg(expected + 1));
    }
}

void TestAdBanner::rotationFollowsTimer()
{
    AdBannerTimings timings;
    timings.rotateIntervalMs = 20;
    AdBanner banner("lumeral", nullptr, QUrl(), timings);
    QCOMPARE(banner.currentIndex(), 0);
    QTRY_VERIFY(banner.currentIndex() != 0);
}

void TestAdBanner::imageAdsScaled_data()
{
    QTest::addColumn<QSize>("imageSize");
    QTest::addColumn<qint64>("bodySize");
    QTest::addColumn<QSize>("shownSize");
    QTest::newRow("1000x100 to 36 high") << QSize(1000, 100) << qint64(0) << QSize(360, 36);
    QTest::newRow("100x20 unchanged") << QSize(100, 20) << qint64(0) << QSize(100, 20);
    QTest::newRow("4000x40 within 500x36") << QSize(4000, 40) << qint64(0) << QSize(500, 5);
    QTest::newRow("4096 wide still decoded") << QSize(4096, 36) << qint64(0) << QSize(500, 4);
    QTest::newRow("body of exactly 4 MiB") << QSize(100, 20) << AdBanner::MaxImageReplyBytes << QSize(100, 20);
}

void TestAdBanner::imageAdsScaled()
{
    QFETCH(QSize, imageSize);
    QFETCH(qint64, bodySize);
    QFETCH(QSize, shownSize);
    LocalHttpServer server;
    QVERIFY(server.listen());
    const QByteArray image = png(imageSize);
    server.setReply("/img/ad.png", answer(bodySize ? image + QByteArray(bodySize - image.size(), '\0') : image, "image/png"));
    server.setReply("/api/ads", answer(serviceReply({imageAd(1, server.url("/img/ad.png"))})));

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    QVERIFY(settled(banner));
    const QString html = labelOf(banner)->text();
    QVERIFY2(html.startsWith("<a href='" + ShopLink + "' style='text-decoration:none;'><img src='data:image/png;base64,"),
             qPrintable(html));
    QVERIFY(html.endsWith("' style='max-width:100%;vertical-align:middle;border-radius:3px;'/></a>"));
    QCOMPARE(shownImage(html).size(), shownSize);
}

void TestAdBanner::imageMissingShowsLoadingText_data()
{
    QTest::addColumn<LocalHttpServer::Reply>("imageReply");
    QTest::addColumn<bool>("fileScheme");
    QTest::addColumn<bool>("clientCloses");
    LocalHttpServer::Reply notFound;
    notFound.status = 404;
    QTest::newRow("not found") << notFound << false << false;
    QTest::newRow("not an image") << answer("GIF89a but not really", "image/gif") << false << false;
    QTest::newRow("declared wider than 4096") << answer(png(QSize(4097, 1)), "image/png") << false << false;
    QTest::newRow("declared taller than 4096") << answer(png(QSize(1, 4097)), "image/png") << false << false;
    const QByteArray small = png(QSize(10, 10));
    QTest::newRow("body over 4 MiB")
        << answer(small + QByteArray(AdBanner::MaxImageReplyBytes + 1 - small.size(), '\0'), "image/png") << false << false;
    LocalHttpServer::Reply endless = answer(small, "image/png");
    endless.behaviour = LocalHttpServer::Behaviour::StreamForever;
    QTest::newRow("body without end") << endless << false << true;
    LocalHttpServer::Reply silent;
    silent.behaviour = LocalHttpServer::Behaviour::NeverAnswer;
    QTest::newRow("never answers") << silent << false << true;
    QTest::newRow("local file") << answer(small, "image/png") << true << false;
}

void TestAdBanner::imageMissingShowsLoadingText()
{
    QFETCH(LocalHttpServer::Reply, imageReply);
    QFETCH(bool, fileScheme);
    QFETCH(bool, clientCloses);
    LocalHttpServer server;
    QVERIFY(server.listen());
    QUrl imageUrl = server.url("/img/ad.png");
    QTemporaryDir dir;
    if (fileScheme) {
        QFile file(dir.filePath("ad.png"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(imageReply.body);
        imageUrl = QUrl::fromLocalFile(file.fileName());
    }
    server.setReply("/img/ad.png", imageReply);
    server.setReply("/api/ads", answer(serviceReply({imageAd(1, imageUrl)})));
    AdBannerTimings timings;
    timings.imageTimeoutMs = 300;

    AdBanner banner("lumeral", nullptr, server.baseUrl(), timings);
    QVERIFY(settled(banner));
    QCOMPARE(labelOf(banner)->text(), titleHtml(Grey, "AD", ShopLink, "Picture") + ImageLoadingSuffix);
    if (clientCloses)
        QTRY_COMPARE(server.closedByClient(), 1);
}

void TestAdBanner::imageForAnotherAdWaitsItsTurn()
{
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/img/ad.png", answer(png(QSize(100, 20)), "image/png"));
    server.setReply("/api/ads", answer(serviceReply({textAd(1, "Text first"), imageAd(2, server.url("/img/ad.png"))})));

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    QVERIFY(settled(banner));
    QCOMPARE(server.requests().size(), 2);
    QCOMPARE(plainText(labelOf(banner)->text()), QStringLiteral("ADText first"));
    banner.rotateAd();
    QCOMPARE(shownImage(labelOf(banner)->text()).size(), QSize(100, 20));
}

void TestAdBanner::clickOpensOnlyWebLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QString>("shownHref");
    QTest::addColumn<bool>("opens");
    QTest::newRow("https, left button") << ShopLink << Qt::LeftButton << ShopLink << true;
    QTest::newRow("http, right button") << "http://kestrand.example/a" << Qt::RightButton << "http://kestrand.example/a" << true;
    QTest::newRow("file link") << "file:///etc/passwd" << Qt::LeftButton << "#" << false;
    QTest::newRow("javascript link") << "javascript:alert(1)" << Qt::LeftButton << "#" << false;
    QTest::newRow("custom scheme") << "kestrand-app://install" << Qt::LeftButton << "#" << false;
    QTest::newRow("no link") << "" << Qt::LeftButton << "#" << false;
}

void TestAdBanner::clickOpensOnlyWebLinks()
{
    QFETCH(QString, link);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QString, shownHref);
    QFETCH(bool, opens);
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/api/ads", answer(serviceReply({textAd(1, "Click me", link)})));

    AdBanner banner("lumeral", nullptr, server.baseUrl());
    banner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&banner));
    QVERIFY(settled(banner));
    QCOMPARE(anchors(labelOf(banner)->text()).value(0).first, shownHref);

    QTest::mouseClick(labelOf(banner), button);
    QCOMPARE(m_opened, opens ? QList<QUrl>{QUrl(link)} : QList<QUrl>());
}

void TestAdBanner::sitsInWindowHeader()
{
    OscWidget window;
    const auto *header = window.findChild<QFrame *>(QStringLiteral("headerBar"));
    QVERIFY(header);
    const auto *layout = qobject_cast<QHBoxLayout *>(header->layout());
    QVERIFY(layout);
    const auto banners = header->findChildren<AdBanner *>();
    QCOMPARE(banners.size(), 1);
    const int index = layout->indexOf(banners.first());
    QCOMPARE(layout->stretch(index), 2);
    QVERIFY(layout->itemAt(index - 1)->spacerItem());
    QCOMPARE(layout->stretch(index - 1), 1);
    QVERIFY(layout->itemAt(index + 1)->spacerItem());
    QCOMPARE(layout->stretch(index + 1), 1);
}

QTEST_MAIN(TestAdBanner)
#include "tst_adbanner.moc"
