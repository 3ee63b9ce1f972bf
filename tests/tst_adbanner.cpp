#include "ads/AdBanner.h"
#include "osc/OscWidget.h"

#include "LumeralConfig.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QBoxLayout>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

// An HTTP/1.1 responder on 127.0.0.1: one fixed reply per path, one request per connection, and the
// misbehaviours of a slow, hostile or absent server.
class HttpResponder : public QObject
{
public:
    enum Behaviour { Answer, NeverAnswer, StreamForever, Unreachable };
    struct Reply
    {
        QByteArray body;
        int status = 200;
        Behaviour behaviour = Answer;
        qint64 contentLength = -1; // -1: the size of body; more keeps the connection open
        QByteArray contentType = "application/json";
    };

    HttpResponder()
    {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            qFatal("no local port for the HTTP responder");
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QString &path = {}) const { return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path)); }

    void serve(const QString &path, const Reply &reply)
    {
        m_replies.insert(path, reply);
        if (reply.behaviour == Unreachable)
            m_server.close(); // the port refuses connections from now on
    }

    // Connections a reply leaves open have to be closed by the client.
    bool allClosed() const { return m_server.findChildren<QTcpSocket *>().isEmpty(); }

    QList<QByteArray> requestHeads; // request line and headers, as received

private:
    void read(QTcpSocket *socket)
    {
        constexpr qint64 StreamChunkBytes = 64 * 1024;
        const QByteArray received = socket->peek(socket->bytesAvailable());
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return; // the rest of the head is on its way
        socket->skip(received.size());
        requestHeads.append(received.left(headEnd));
        const Reply reply = m_replies.value(QUrl::fromEncoded(received.split(' ').value(1)).path(), Reply{{}, 404});
        if (reply.behaviour == NeverAnswer)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\nContent-Type: "
                        + reply.contentType + "\r\nConnection: close\r\n";
        if (reply.behaviour == Answer)
            head += "Content-Length: " + QByteArray::number(reply.contentLength >= 0 ? reply.contentLength : reply.body.size()) + "\r\n";
        socket->write(head + "\r\n" + reply.body);
        if (reply.behaviour == StreamForever) {
            connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
                if (socket->bytesToWrite() < StreamChunkBytes)
                    socket->write(QByteArray(StreamChunkBytes, ' '));
            });
        } else if (reply.contentLength < 0) {
            socket->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QHash<QString, Reply> m_replies;
};

using Reply = HttpResponder::Reply;
Q_DECLARE_METATYPE(HttpResponder::Reply)

namespace {

const QString LoadingMarker = QStringLiteral("广告加载中");
// Query delimiters in the key must reach the service as part of it.
const QString ProductKey = QStringLiteral("a b&c=d+e");
const QString ShopLink = QStringLiteral("https://shop.kestrand.example/offer");
const QStringList UrlSchemes{"http", "https", "file", "javascript", "kestrand-app"};

QString titleHtml(const QString &colour, const QString &badge, const QString &href, const QString &title)
{
    return QStringLiteral(
               "<span style='background:%1;color:#fff;padding:0 6px;border-radius:2px;font-size:10px;margin-right:6px;'>%2</span>"
               "<a href='%3' style='color:#60A5FA;text-decoration:none;font-size:12px;'>%4</a>")
        .arg(colour, badge, href, title);
}

QString greyTitleHtml(const QString &href, const QString &title = QStringLiteral("Offer"))
{
    return titleHtml(QStringLiteral("#64748B"), QStringLiteral("AD"), href, title);
}

// An active text ad "Offer" to the shop, with these fields changed.
QJsonObject textAd(int id, const QJsonObject &fields = {})
{
    QJsonObject ad{{"id", id}, {"status", 1}, {"target_type", "global"}, {"ad_type", "text"}, {"title", "Offer"}, {"link_url", ShopLink}};
    for (auto field = fields.begin(); field != fields.end(); ++field)
        ad.insert(field.key(), field.value());
    return ad;
}

QByteArray serviceReply(const QJsonArray &ads)
{
    return QJsonDocument(QJsonObject{{"success", true}, {"ads", ads}}).toJson(QJsonDocument::Compact);
}

// Text ads "Ad 1", "Ad 2", ... with these statuses.
QByteArray adsWithStatuses(const QJsonArray &statuses)
{
    QJsonArray ads;
    for (qsizetype i = 0; i < statuses.size(); ++i)
        ads.append(textAd(int(i + 1), {{"title", QStringLiteral("Ad %1").arg(i + 1)}, {"status", statuses.at(i)}}));
    return serviceReply(ads);
}

QByteArray padded(const QByteArray &body, qint64 size)
{
    return body + QByteArray(size - body.size(), ' ');
}

Reply pngReply(const QSize &size, qint64 paddedSize = 0)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return Reply{padded(bytes, std::max<qint64>(paddedSize, bytes.size())), 200, HttpResponder::Answer, -1, "image/png"};
}

// For a server that never answers; size limits must act without a timeout's help.
AdBannerTimings waitsFor(const Reply &reply)
{
    return reply.behaviour == HttpResponder::NeverAnswer ? AdBannerTimings{5000, 300, 300} : AdBannerTimings();
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
    const QList<AdItem> &ads = banner.ads();
    return ads.size() == 3 && banner.currentIndex() == 0
        && ads.at(1).linkUrl == QStringLiteral(LUMERAL_DOCS_SITE_URL "/docs/kestrand")
        && labelOf(banner)->text() == greyTitleHtml(QStringLiteral(LUMERAL_HOME_PAGE_URL), QStringLiteral("🚀 Orvane Pro — 专业调试工具套件"));
}

QSize shownImageSize(const QString &html)
{
    const QByteArray base64 = html.section(QLatin1String("base64,"), 1).section(QLatin1Char('\''), 0, 0).toLatin1();
    return QImage::fromData(QByteArray::fromBase64(base64), "PNG").size();
}

} // namespace

class TestAdBanner : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase()
    {
        // Every link a click could open lands here instead of in a browser.
        for (const QString &scheme : UrlSchemes)
            QDesktopServices::setUrlHandler(scheme, this, "openUrl");
    }

    void cleanupTestCase()
    {
        for (const QString &scheme : UrlSchemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }

    void init() { m_opened.clear(); }

    void noServiceShowsBuiltInEntriesAtOnce()
    {
        // Shown before the event loop runs: no request was made.
        AdBanner banner("lumeral", nullptr, QUrl(), AdBannerTimings{20});
        QVERIFY(showsBuiltInEntries(banner));
        QTRY_VERIFY(banner.currentIndex() != 0);
        if (AdBanner::defaultServiceUrl().isEmpty()) // the default build reaches no service
            QVERIFY(showsBuiltInEntries(AdBanner("lumeral")));
    }

    void textAdsAndClicks_data()
    {
        QTest::addColumn<QJsonObject>("fields");
        QTest::addColumn<QString>("expectedHtml"); // a link shown as "#" is never opened
        QTest::newRow("product badge") << QJsonObject{{"target_type", "product"}} << titleHtml("#10B981", "品", ShopLink, "Offer");
        QTest::newRow("line badge") << QJsonObject{{"target_type", "line"}} << titleHtml("#8B5CF6", "线", ShopLink, "Offer");
        QTest::newRow("capital P is not product") << QJsonObject{{"target_type", "Product"}} << greyTitleHtml(ShopLink);
        QTest::newRow("escaped title and description") << QJsonObject{{"title", "<b>B</b> & c"}, {"description", "<new>"}}
            << greyTitleHtml(ShopLink, "&lt;b&gt;B&lt;/b&gt; &amp; c") + " <span style='color:#94A3B8;font-size:11px;'>— &lt;new&gt;</span>";
        const auto link = [](const char *url) { return QJsonObject{{"link_url", url}}; };
        QTest::newRow("single quote in link") << link("https://x/' a='") << greyTitleHtml("https://x/&#39; a=&#39;");
        QTest::newRow("&, \" and markup in link") << link("https://x/&lt\"><b>") << greyTitleHtml("https://x/&amp;lt&quot;&gt;&lt;b&gt;");
        QTest::newRow("placeholders") << QJsonObject{{"title", "%1 %2"}, {"link_url", "https://x/%3%4"}} << greyTitleHtml("https://x/%3%4", "%1 %2");
        QTest::newRow("http link") << link("http://x/a") << greyTitleHtml("http://x/a");
        QTest::newRow("file link") << link("file:///etc/passwd") << greyTitleHtml("#");
        QTest::newRow("javascript link") << link("javascript:alert(1)") << greyTitleHtml("#");
        QTest::newRow("custom scheme") << link("kestrand-app://install") << greyTitleHtml("#");
        QTest::newRow("no link") << link("") << greyTitleHtml("#");
    }

    void textAdsAndClicks()
    {
        QFETCH(QJsonObject, fields);
        QFETCH(QString, expectedHtml);
        HttpResponder server;
        server.serve("/api/ads", Reply{serviceReply({textAd(1, fields)})});

        AdBanner banner("lumeral", nullptr, server.url());
        banner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&banner));
        QVERIFY(settled(banner));
        QCOMPARE(labelOf(banner)->text(), expectedHtml);
        QTest::mouseClick(labelOf(banner), Qt::LeftButton);
        QTest::mouseClick(labelOf(banner), Qt::RightButton);
        const QUrl link(textAd(1, fields).value("link_url").toString());
        QCOMPARE(m_opened, expectedHtml.contains("href='#'") ? QList<QUrl>() : QList<QUrl>({link, link}));
    }

    void listReplies_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QList<int>>("shownIds"); // empty: the built-in entries
        const QList<int> builtIn;
        const QByteArray one = adsWithStatuses({1});
        QTest::newRow("three ads") << Reply{adsWithStatuses({1, 1, 1})} << QList<int>{1, 2, 3};
        QTest::newRow("only status 1 kept, in order") << Reply{adsWithStatuses({0, 1, 2, 1})} << QList<int>{2, 4};
        QTest::newRow("null, text and fractional status skipped") << Reply{adsWithStatuses({QJsonValue(), "1", 1.5, 1})} << QList<int>{4};
        QTest::newRow("no active ad") << Reply{adsWithStatuses({0, 2})} << builtIn;
        QTest::newRow("success false") << Reply{R"({"success":false,"ads":[{"id":1,"status":1}]})"} << builtIn;
        QTest::newRow("success missing") << Reply{R"({"ads":[{"id":1,"status":1}]})"} << builtIn;
        QTest::newRow("success as text") << Reply{R"({"success":"true","ads":[{"id":1,"status":1}]})"} << builtIn;
        QTest::newRow("empty ads") << Reply{R"({"success":true,"ads":[]})"} << builtIn;
        QTest::newRow("ads missing") << Reply{R"({"success":true})"} << builtIn;
        QTest::newRow("not JSON") << Reply{"<html>maintenance</html>"} << builtIn;
        QTest::newRow("JSON array") << Reply{R"([{"success":true}])"} << builtIn;
        QTest::newRow("server error") << Reply{one, 500} << builtIn;
        QTest::newRow("connection refused") << Reply{one, 200, HttpResponder::Unreachable} << builtIn;
        QTest::newRow("exactly 1 MiB") << Reply{padded(one, AdBanner::MaxListReplyBytes)} << QList<int>{1};
        QTest::newRow("one byte over 1 MiB") << Reply{padded(one, AdBanner::MaxListReplyBytes + 1)} << builtIn;
        QTest::newRow("declares 2 MiB") << Reply{one, 200, HttpResponder::Answer, 2 * AdBanner::MaxListReplyBytes} << builtIn;
        QTest::newRow("body without end") << Reply{one, 200, HttpResponder::StreamForever} << builtIn;
        QTest::newRow("never answers") << Reply{{}, 200, HttpResponder::NeverAnswer} << builtIn;
    }

    void listReplies()
    {
        QFETCH(Reply, reply);
        QFETCH(QList<int>, shownIds);
        HttpResponder server;
        server.serve("/ads-service/api/ads", reply);

        AdBanner banner(ProductKey, nullptr, server.url("/ads-service/"), waitsFor(reply));
        QVERIFY(labelOf(banner)->text().contains(LoadingMarker));
        QVERIFY(settled(banner));
        QVERIFY(!shownIds.isEmpty() || showsBuiltInEntries(banner));
        // Through every entry and round to the first; a single entry stays.
        for (qsizetype turn = 1; turn <= shownIds.size(); ++turn) {
            banner.rotateAd();
            QCOMPARE(labelOf(banner)->text(), greyTitleHtml(ShopLink, QStringLiteral("Ad %1").arg(shownIds.at(turn % shownIds.size()))));
        }
        for (const QByteArray &head : std::as_const(server.requestHeads)) {
            QCOMPARE(QUrlQuery(QUrl::fromEncoded(head.split(' ').value(1))).queryItemValue("product", QUrl::FullyDecoded), ProductKey);
            QVERIFY2(head.toLower().contains("\r\ncontent-type: application/json\r\n"), head.constData());
        }
        QTRY_VERIFY(server.allClosed());
    }

    void imageAds_data()
    {
        QTest::addColumn<Reply>("imageReply");
        QTest::addColumn<bool>("fromLocalFile");
        QTest::addColumn<QSize>("shownSize"); // invalid: the title and the loading text instead
        QTest::newRow("1000x100 to 36 high") << pngReply(QSize(1000, 100)) << false << QSize(360, 36);
        QTest::newRow("100x20 unchanged") << pngReply(QSize(100, 20)) << false << QSize(100, 20);
        QTest::newRow("4000x40 within 500x36") << pngReply(QSize(4000, 40)) << false << QSize(500, 5);
        QTest::newRow("4096 wide still decoded") << pngReply(QSize(4096, 36)) << false << QSize(500, 4);
        QTest::newRow("body of exactly 4 MiB") << pngReply(QSize(100, 20), AdBanner::MaxImageReplyBytes) << false << QSize(100, 20);
        QTest::newRow("not found") << Reply{{}, 404} << false << QSize();
        QTest::newRow("not an image") << Reply{"GIF89a but not really"} << false << QSize();
        QTest::newRow("declared wider than 4096") << pngReply(QSize(4097, 1)) << false << QSize();
        QTest::newRow("declared taller than 4096") << pngReply(QSize(1, 4097)) << false << QSize();
        QTest::newRow("body over 4 MiB") << pngReply(QSize(10, 10), AdBanner::MaxImageReplyBytes + 1) << false << QSize();
        QTest::newRow("body without end") << Reply{{}, 200, HttpResponder::StreamForever} << false << QSize();
        QTest::newRow("never answers") << Reply{{}, 200, HttpResponder::NeverAnswer} << false << QSize();
        QTest::newRow("local file") << pngReply(QSize(10, 10)) << true << QSize();
    }

    void imageAds()
    {
        QFETCH(Reply, imageReply);
        QFETCH(bool, fromLocalFile);
        QFETCH(QSize, shownSize);
        HttpResponder server;
        QTemporaryDir dir;
        QFile file(dir.filePath("ad.png"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(imageReply.body) == imageReply.body.size() && file.flush());
        const QUrl imageUrl = fromLocalFile ? QUrl::fromLocalFile(file.fileName()) : server.url("/img/ad.png");
        server.serve("/img/ad.png", imageReply);
        server.serve("/api/ads", Reply{serviceReply({textAd(1), textAd(2, {{"ad_type", "image"}, {"image_url", imageUrl.toString()}})})});

        AdBanner banner("lumeral", nullptr, server.url(), waitsFor(imageReply));
        QVERIFY(settled(banner));
        // An image arriving for an ad not yet shown waits for its turn.
        QCOMPARE(labelOf(banner)->text(), greyTitleHtml(ShopLink));
        banner.rotateAd();
        const QString html = labelOf(banner)->text();
        if (shownSize.isValid()) {
            QVERIFY2(html.startsWith("<a href='" + ShopLink + "'"), qPrintable(html));
            QCOMPARE(shownImageSize(html), shownSize);
        } else {
            QCOMPARE(html, greyTitleHtml(ShopLink) + " <span style='color:#64748B;font-size:11px;'>— 图片加载中...</span>");
        }
        QTRY_VERIFY(server.allClosed());
    }

    void sitsInWindowHeader()
    {
        OscWidget window;
        auto *banner = window.findChild<AdBanner *>();
        QVERIFY(banner && banner->parentWidget()->objectName() == QLatin1String("headerBar"));
        const auto *layout = qobject_cast<QBoxLayout *>(banner->parentWidget()->layout());
        QVERIFY(layout);
        QCOMPARE(layout->stretch(layout->indexOf(banner)), 2);
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(TestAdBanner)
#include "tst_adbanner.moc"
