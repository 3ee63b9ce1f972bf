#include "ads/AdBanner.h"

#include "LumeralConfig.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

// An HTTP/1.1 server on 127.0.0.1: one fixed reply per path, one request per connection, and the
// ways a slow or hostile server misbehaves.
class HttpResponder : public QObject
{
public:
    enum Behaviour { Answer, NeverAnswer, StreamForever };
    struct Reply
    {
        QByteArray body;
        int status = 200;
        Behaviour behaviour = Answer;
        qint64 contentLength = -1; // -1: the size of body; more keeps the connection open
    };

    HttpResponder()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QString &path = {}) const { return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path)); }
    void serve(const QString &path, const Reply &reply) { m_replies.insert(path, reply); }
    bool allClosed() const { return m_server.findChildren<QTcpSocket *>().isEmpty(); }

    QList<QByteArray> requestHeads; // request line and headers, as received

private:
    void read(QTcpSocket *socket)
    {
        const QByteArray received = socket->peek(socket->bytesAvailable());
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return; // the rest of the head is on its way
        socket->skip(received.size());
        requestHeads.append(received.left(headEnd));
        const Reply reply = m_replies.value(QUrl::fromEncoded(received.split(' ').value(1)).path(), Reply{{}, 404});
        if (reply.behaviour == NeverAnswer)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\nConnection: close\r\n";
        if (reply.behaviour == Answer)
            head += "Content-Length: " + QByteArray::number(reply.contentLength >= 0 ? reply.contentLength : reply.body.size()) + "\r\n";
        socket->write(head + "\r\n" + reply.body);
        if (reply.behaviour == StreamForever) {
            connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
                if (socket->bytesToWrite() < 64 * 1024)
                    socket->write(QByteArray(64 * 1024, ' '));
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
const char *const UrlSchemes[] = {"http", "https", "file", "javascript"};

QString titleHtml(const QString &href, const QString &title = QStringLiteral("Offer"),
                  const QString &colour = QStringLiteral("#64748B"), const QString &badge = QStringLiteral("AD"))
{
    return QStringLiteral(
               "<span style='background:%1;color:#fff;padding:0 6px;border-radius:2px;font-size:10px;margin-right:6px;'>%2</span>"
               "<a href='%3' style='color:#60A5FA;text-decoration:none;font-size:12px;'>%4</a>")
        .arg(colour, badge, href, title);
}

// An active text ad "Offer" to the shop, with these fields changed.
QJsonObject textAd(int id, const QJsonObject &fields = {})
{
    QJsonObject ad{{"id", id}, {"status", 1}, {"target_type", "global"}, {"ad_type", "text"}, {"title", "Offer"}, {"link_url", ShopLink}};
    for (auto field = fields.begin(); field != fields.end(); ++field)
        ad.insert(field.key(), field.value());
    return ad;
}

QByteArray serviceReply(const QJsonArray &ads) { return QJsonDocument(QJsonObject{{"success", true}, {"ads", ads}}).toJson(); }

// Text ads "Ad 1", "Ad 2", ... with these statuses.
QByteArray adsWithStatuses(const QJsonArray &statuses)
{
    QJsonArray ads;
    for (qsizetype i = 0; i < statuses.size(); ++i)
        ads.append(textAd(int(i + 1), {{"title", QStringLiteral("Ad %1").arg(i + 1)}, {"status", statuses.at(i)}}));
    return serviceReply(ads);
}

Reply pngReply(const QSize &size, qint64 paddedSize = 0)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer png;
    image.save(&png, "PNG");
    return Reply{png.data() + QByteArray(std::max<qint64>(0, paddedSize - png.size()), ' ')};
}

// Short waits for a server that never answers; size limits must act without a timeout's help.
AdBannerTimings waitsFor(const Reply &reply) { return reply.behaviour == HttpResponder::NeverAnswer ? AdBannerTimings{5000, 300, 300} : AdBannerTimings(); }

QLabel *labelOf(const AdBanner &banner) { return banner.findChild<QLabel *>(QStringLiteral("adBanner")); }

// Every reply handled and released, and the loading text gone.
bool settled(const AdBanner &banner)
{
    return QTest::qWaitFor([&banner] {
        return banner.findChildren<QNetworkReply *>().isEmpty() && !labelOf(banner)->text().contains(LoadingMarker);
    });
}

bool showsBuiltInEntries(const AdBanner &banner)
{
    return banner.ads().size() == 3 && banner.currentIndex() == 0
        && banner.ads().at(1).linkUrl == QStringLiteral(LUMERAL_DOCS_SITE_URL "/docs/kestrand")
        && labelOf(banner)->text() == titleHtml(QStringLiteral(LUMERAL_HOME_PAGE_URL), QStringLiteral("🚀 Orvane Pro — 专业调试工具套件"));
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
        for (const char *scheme : UrlSchemes)
            QDesktopServices::setUrlHandler(scheme, this, "openUrl");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : UrlSchemes)
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

    void replies_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QStringList>("shown"); // each ad in turn; empty: the built-in entries
        const auto ad = [](const QJsonObject &fields) { return Reply{serviceReply({textAd(1, fields)})}; };
        const auto link = [&ad](const char *url) { return ad({{"link_url", url}}); };
        QTest::newRow("product badge") << ad({{"target_type", "product"}}) << QStringList(titleHtml(ShopLink, "Offer", "#10B981", "品"));
        QTest::newRow("escaped title and description") << ad({{"title", "<b>B</b> & c"}, {"description", "<new>"}})
            << QStringList(titleHtml(ShopLink, "&lt;b&gt;B&lt;/b&gt; &amp; c") + " <span style='color:#94A3B8;font-size:11px;'>— &lt;new&gt;</span>");
        QTest::newRow("quotes, & and markup in link") << link("https://x/' a='&lt\"><b>")
            << QStringList(titleHtml("https://x/&#39; a=&#39;&amp;lt&quot;&gt;&lt;b&gt;"));
        QTest::newRow("placeholders") << ad({{"title", "%1 %2"}, {"link_url", "http://x/%3%4"}}) << QStringList(titleHtml("http://x/%3%4", "%1 %2"));
        QTest::newRow("javascript link") << link("javascript:alert(1)") << QStringList(titleHtml("#"));
        QTest::newRow("no link") << link("") << QStringList(titleHtml("#"));
        const QByteArray one = adsWithStatuses({1});
        QTest::newRow("only status 1 kept, in order") << Reply{adsWithStatuses({0, 1, 2, 1})} << QStringList{titleHtml(ShopLink, "Ad 2"), titleHtml(ShopLink, "Ad 4")};
        QTest::newRow("no active ad: null, text, fractional") << Reply{adsWithStatuses({0, 2, QJsonValue(), "1", 1.5})} << QStringList();
        QTest::newRow("success false") << Reply{R"({"success":false,"ads":[{"id":1,"status":1}]})"} << QStringList();
        QTest::newRow("empty ads") << Reply{R"({"success":true,"ads":[]})"} << QStringList();
        QTest::newRow("not JSON") << Reply{"<html>maintenance</html>"} << QStringList();
        QTest::newRow("server error") << Reply{one, 500} << QStringList();
        QTest::newRow("exactly 1 MiB") << Reply{one + QByteArray(AdBanner::MaxListReplyBytes - one.size(), ' ')} << QStringList(titleHtml(ShopLink, "Ad 1"));
        QTest::newRow("one byte over 1 MiB") << Reply{one + QByteArray(AdBanner::MaxListReplyBytes + 1 - one.size(), ' ')} << QStringList();
        QTest::newRow("declares 2 MiB") << Reply{one, 200, HttpResponder::Answer, 2 * AdBanner::MaxListReplyBytes} << QStringList();
        QTest::newRow("body without end") << Reply{one, 200, HttpResponder::StreamForever} << QStringList();
        QTest::newRow("never answers") << Reply{{}, 200, HttpResponder::NeverAnswer} << QStringList();
    }

    void replies()
    {
        QFETCH(Reply, reply);
        QFETCH(QStringList, shown);
        HttpResponder server;
        server.serve("/ads-service/api/ads", reply);

        AdBanner banner(ProductKey, nullptr, server.url("/ads-service/"), waitsFor(reply));
        banner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&banner) && labelOf(banner)->text().contains(LoadingMarker));
        QVERIFY(settled(banner));
        QVERIFY(!shown.isEmpty() || showsBuiltInEntries(banner));
        // Through every entry and round to the first; any button opens a web link, only a web link.
        QList<QUrl> opened;
        for (qsizetype turn = 0; turn < shown.size(); ++turn) {
            QCOMPARE(labelOf(banner)->text(), shown.at(turn));
            QTest::mouseClick(labelOf(banner), Qt::LeftButton);
            QTest::mouseClick(labelOf(banner), Qt::RightButton);
            if (!shown.at(turn).contains("href='#'"))
                opened << banner.ads().at(turn).linkUrl << banner.ads().at(turn).linkUrl;
            banner.rotateAd();
        }
        QCOMPARE(m_opened, opened);
        QVERIFY(shown.isEmpty() || labelOf(banner)->text() == shown.first());
        const QByteArray head = server.requestHeads.value(0);
        QCOMPARE(QUrlQuery(QUrl::fromEncoded(head.split(' ').value(1))).queryItemValue("product", QUrl::FullyDecoded), ProductKey);
        QVERIFY2(head.toLower().contains("\r\ncontent-type: application/json\r\n"), head.constData());
        QTRY_VERIFY(server.allClosed());
    }

    void imageAds_data()
    {
        QTest::addColumn<Reply>("imageReply");
        QTest::addColumn<bool>("fromLocalFile");
        QTest::addColumn<QSize>("shownSize"); // invalid: the title and the loading text instead
        QTest::newRow("1000x100 to 36 high") << pngReply(QSize(1000, 100)) << false << QSize(360, 36);
        QTest::newRow("100x20 unchanged, body of exactly 4 MiB") << pngReply(QSize(100, 20), AdBanner::MaxImageReplyBytes) << false << QSize(100, 20);
        QTest::newRow("4096x40 within 500x36, still decoded") << pngReply(QSize(4096, 40)) << false << QSize(500, 4);
        QTest::newRow("not an image") << Reply{"GIF89a but not really"} << false << QSize();
        QTest::newRow("declared wider than 4096") << pngReply(QSize(4097, 1)) << false << QSize();
        QTest::newRow("body over 4 MiB") << pngReply(QSize(10, 10), AdBanner::MaxImageReplyBytes + 1) << false << QSize();
        QTest::newRow("body without end") << Reply{{}, 200, HttpResponder::StreamForever} << false << QSize();
        QTest::newRow("never answers") << Reply{{}, 200, HttpResponder::NeverAnswer} << false << QSize();
        QTest::newRow("local file") << Reply{} << true << QSize();
    }

    void imageAds()
    {
        QFETCH(Reply, imageReply);
        QFETCH(bool, fromLocalFile);
        QFETCH(QSize, shownSize);
        HttpResponder server;
        QTemporaryDir dir;
        QVERIFY(QImage(QSize(10, 10), QImage::Format_RGB32).save(dir.filePath("ad.png")));
        const QUrl imageUrl = fromLocalFile ? QUrl::fromLocalFile(dir.filePath("ad.png")) : server.url("/img/ad.png");
        server.serve("/img/ad.png", imageReply);
        server.serve("/api/ads", Reply{serviceReply({textAd(1), textAd(2, {{"ad_type", "image"}, {"image_url", imageUrl.toString()}})})});

        AdBanner banner("lumeral", nullptr, server.url(), waitsFor(imageReply));
        QVERIFY(settled(banner));
        // An image arriving for an ad not yet shown waits for its turn.
        QCOMPARE(labelOf(banner)->text(), titleHtml(ShopLink));
        banner.rotateAd();
        const QString html = labelOf(banner)->text();
        if (shownSize.isValid()) {
            QVERIFY2(html.startsWith("<a href='" + ShopLink + "'"), qPrintable(html));
            const QByteArray base64 = html.section("base64,", 1).section('\'', 0, 0).toLatin1();
            QCOMPARE(QImage::fromData(QByteArray::fromBase64(base64), "PNG").size(), shownSize);
        } else {
            QCOMPARE(html, titleHtml(ShopLink) + " <span style='color:#64748B;font-size:11px;'>— 图片加载中...</span>");
        }
        QTRY_VERIFY(server.allClosed());
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(TestAdBanner)
#include "tst_adbanner.moc"
