// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "marketplace/marketplace.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslSocket>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpSocket>
#include <QTest>

Q_DECLARE_METATYPE(SampleShop)

namespace {

struct Page {
    int status = 0;
    QByteArray contentType;
    QByteArray location;
    QByteArray body;
    QString text; // the body decoded as GBK
};

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString searchUrl(const QString &nick)
{
    return QStringLiteral("http://shopsearch.taobao.com/browse/shop_search.htm?q=") +
           QString::fromLatin1(QUrl::toPercentEncoding(nick)) +
           QStringLiteral("&title=title&nick=nick&tab=3&s=0");
}

// The href values of the page's links, in document order.
QStringList hrefs(const QString &html)
{
    static const QRegularExpression href(QStringLiteral("<a [^>]*href=\"([^\"]*)\""));
    QStringList out;
    for (const auto &m : href.globalMatch(html))
        out << m.captured(1).replace(QLatin1String("&amp;"), QLatin1String("&"));
    return out;
}

// The text of every A element, in document order.
QStringList linkTexts(const QString &html)
{
    static const QRegularExpression link(QStringLiteral("<a[ >].*?>(.*?)</a>"));
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QStringList out;
    for (const auto &m : link.globalMatch(html))
        out << m.captured(1).remove(tag).replace(QLatin1String("&amp;"), QLatin1String("&"));
    return out;
}

// The first link the client would follow from a search results page.
QString shopLink(const QString &html)
{
    for (const QString &h : hrefs(html)) {
        if (h.startsWith(QLatin1String("http://shop")) && h.size() > 11 && h.at(11).isDigit() &&
            h.endsWith(QLatin1String(".taobao.com/")))
            return h;
    }
    return {};
}

QString rateLink(const QString &html)
{
    for (const QString &h : hrefs(html)) {
        if (h.contains(QLatin1String("rate.taobao.com/user-rate")))
            return h;
    }
    return {};
}

QByteArray responseHeader(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace

class TestMarketplace : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void dataFileIsReadWhole();
    void walkEveryShop_data();
    void walkEveryShop();
    void queryIsRecordedExactly_data();
    void queryIsRecordedExactly();
    void pagesAreGbk_data();
    void pagesAreGbk();
    void keepAliveServesSeveralRequests();
    void unknownAddressesGet404_data();
    void unknownAddressesGet404();
    void delayedAnswersKeepTheirOrder();
    void connectOpensHttpsTunnel_data();
    void connectOpensHttpsTunnel();

private:
    Page get(const QString &url);
    void checkRatingFacts(const SampleShop &shop, const QString &html);

    Marketplace m_market;
    QNetworkAccessManager m_nam;
};

void TestMarketplace::initTestCase()
{
    QVERIFY(m_market.listen());
    QVERIFY(m_market.port() != 0);
    m_nam.setProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_market.port()));
}

void TestMarketplace::init()
{
    m_market.clearQueries();
}

Page TestMarketplace::get(const QString &url)
{
    QNetworkRequest request(QUrl::fromEncoded(url.toUtf8()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = m_nam.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!finished.wait(5000))
        qWarning("no answer for %s", qPrintable(url));
    Page page;
    page.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    page.contentType = reply->rawHeader("Content-Type");
    page.location = reply->rawHeader("Location");
    page.body = reply->readAll();
    page.text = QStringDecoder("GBK").decode(page.body);
    reply->deleteLater();
    return page;
}

void TestMarketplace::dataFileIsReadWhole()
{
    QFile file(QStringLiteral(":/marketplace/shops.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray raw =
        QJsonDocument::fromJson(file.readAll())[QLatin1String("shops")].toArray();
    const QList<SampleShop> shops = Marketplace::sampleShops();
    QVERIFY(!raw.isEmpty());
    QCOMPARE(shops.size(), raw.size()); // no entry was skipped as unreadable
    QSet<QString> nicks, ids;
    for (const SampleShop &shop : shops) {
        QVERIFY2(!nicks.contains(shop.nick), qPrintable(shop.nick));
        QVERIFY2(shop.shopId.isEmpty() || !ids.contains(shop.shopId), qPrintable(shop.shopId));
        nicks << shop.nick;
        ids << shop.shopId;
    }
}

void TestMarketplace::walkEveryShop_data()
{
    QTest::addColumn<SampleShop>("shop");
    for (const SampleShop &shop : Marketplace::sampleShops())
        QTest::newRow(qPrintable(shop.kindName + QLatin1Char(' ') + shop.nick)) << shop;
    SampleShop unlisted;
    unlisted.nick = QStringLiteral("从来没有开过店的人");
    unlisted.kind = SampleShop::Kind::NotFound;
    QTest::newRow("unlisted name") << unlisted;
}

// Goes from the search page to the rating page the way the client does, and checks that
// each shop stops where its kind says and that a rating page shows what `expect` promises.
void TestMarketplace::walkEveryShop()
{
    QFETCH(SampleShop, shop);
    using Kind = SampleShop::Kind;

    const Page search = get(searchUrl(shop.nick));
    QCOMPARE(search.status, 200);
    QCOMPARE(m_market.queries(), QStringList{shop.nick});
    QCOMPARE(search.text.contains(QStringLiteral("没有找到")), shop.kind == Kind::NotFound);
    const QString front = shopLink(search.text);
    if (shop.kind == Kind::NotFound || shop.kind == Kind::NoShopLink) {
        QCOMPARE(front, QString());
        return;
    }
    QCOMPARE(front, shop.shopUrl());

    if (shop.kind == Kind::Hang) {
        QNetworkReply *reply = m_nam.get(QNetworkRequest(QUrl(front)));
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(QTest::qWaitFor([&] { return reply->bytesAvailable() > 0; }, 5000));
        QTest::qWait(500);
        QCOMPARE(finished.count(), 0);
        const qint64 promised = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        QVERIFY(reply->bytesAvailable() < promised);
        reply->abort();
        reply->deleteLater();
        return;
    }
    const Page shopPage = get(front);
    QCOMPARE(shopPage.status, 200);
    const QString rating = rateLink(shopPage.text);
    if (shop.kind == Kind::NoRateLink) {
        QCOMPARE(rating, QString());
        return;
    }
    QCOMPARE(rating, shop.ratingUrl());

    if (shop.kind == Kind::RedirectLoop) {
        const Page first = get(rating);
        QCOMPARE(first.status, 302);
        QVERIFY(first.location != rating.toUtf8());
        const Page second = get(QString::fromUtf8(first.location));
        QCOMPARE(second.status, 302);
        QCOMPARE(second.location, rating.toUtf8());
        return;
    }
    const Page ratingPage = get(rating);
    QCOMPARE(ratingPage.status, 200);
    checkRatingFacts(shop, ratingPage.text);
}

// Reads the rating page markup the way the client reads the rendered page and compares
// with the shop's expectations.
void TestMarketplace::checkRatingFacts(const SampleShop &shop, const QString &html)
{
    const SampleExpectation &e = shop.expect;
    QCOMPARE(html.contains(QStringLiteral("卖家已提交保证金，加入消费者保障服务")),
             e.consumerProtection);
    QCOMPARE(html.contains(QStringLiteral("无违规行为")), !e.violations);
    QCOMPARE(html.contains(QStringLiteral("该会员遵守淘宝用户行为管理规则良好")), !e.penalties);
    QCOMPARE(html.contains(QStringLiteral("天无退款纠纷")), !e.refundDisputes);
    QCOMPARE(html.contains(QStringLiteral("天无投诉")), !e.complaintDisputes);

    // The credit stands alone in a block directly followed by the virtual goods block.
    static const QRegularExpression credit(QStringLiteral(
        "<div class=\"credit\">卖家信用: ([^<]*)</div><div class=\"virtual\">虚拟商品交易"));
    const QRegularExpressionMatch m = credit.match(html);
    QVERIFY(m.hasMatch());
    QCOMPARE(m.captured(1).remove(QLatin1Char(' ')), e.sellerCredit);
    QCOMPARE(html.count(QStringLiteral("卖家信用: ")), 1);

    QString year = QStringLiteral("未知");
    for (const QString &marker : {QStringLiteral("开店时间："), QStringLiteral("创店时间：")}) {
        const int at = html.indexOf(marker);
        if (at >= 0) {
            year = html.mid(at + marker.size(), 4);
            break;
        }
    }
    QCOMPARE(year, e.registeredOn);
    QCOMPARE(e.uncertified, year == QStringLiteral("未知"));

    const QStringList texts = linkTexts(html);
    const int first = texts.indexOf(QStringLiteral("关闭"), 1);
    const int last = texts.lastIndexOf(QStringLiteral("来自买家的评价"));
    QVERIFY(first >= 1);
    QVERIFY(last >= first + 8);
    QCOMPARE(texts.at(first + 6), e.recentGoodRatings);
    QCOMPARE(texts.at(first + 8), e.recentBadRatings);
}

void TestMarketplace::queryIsRecordedExactly_data()
{
    QTest::addColumn<QString>("encoded");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("reserved characters") << "%26%23%25%2B"
                                         << "&#%+";
    QTest::newRow("literal plus") << "a+b"
                                  << "a+b";
    QTest::newRow("space") << "ghost%20shop"
                           << "ghost shop";
    QTest::newRow("chinese with ampersand")
        << "%E5%88%98%E8%AE%B0%26%E5%B0%8F%E9%93%BA" << QStringLiteral("刘记&小铺");
    QTest::newRow("outside the BMP") << "x%F0%9F%98%80y" << QStringLiteral("x\U0001F600y");
    QTest::newRow("empty") << ""
                           << "";
}

void TestMarketplace::queryIsRecordedExactly()
{
    QFETCH(QString, encoded);
    QFETCH(QString, decoded);
    const Page page = get(QStringLiteral("http://shopsearch.taobao.com/browse/shop_search.htm?q=") +
                          encoded + QStringLiteral("&title=title&nick=nick&tab=3&s=0"));
    QCOMPARE(page.status, 200);
    QCOMPARE(m_market.queries(), QStringList{decoded});

    // The same list as another process sees it.
    const Page control = get(QStringLiteral("http://control.lumora.test/queries"));
    QCOMPARE(control.status, 200);
    QVERIFY(control.contentType.startsWith("application/json"));
    QCOMPARE(QJsonDocument::fromJson(control.body).array(), QJsonArray{decoded});
}

void TestMarketplace::pagesAreGbk_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("phrase");
    QTest::newRow("rating page") << Marketplace::sampleShops().first().ratingUrl()
                                 << QStringLiteral("卖家已提交保证金，加入消费者保障服务");
    QTest::newRow("nothing found") << searchUrl(QStringLiteral("不存在的掌柜"))
                                   << QStringLiteral("没有找到与“不存在的掌柜”相关的店铺");
    // GBK has no emoji, so the page carries it as a character reference.
    QTest::newRow("emoji in name")
        << searchUrl(QStringLiteral("笑脸\U0001F600杂货"))
        << QStringLiteral("掌柜：<a href=\"http://www.taobao.com/webww/ww.php?"
                          "nick=%E7%AC%91%E8%84%B8%F0%9F%98%80%E6%9D%82%E8%B4%A7\" "
                          "class=\"ww\">笑脸&#128512;杂货</a>");
}

void TestMarketplace::pagesAreGbk()
{
    QFETCH(QString, url);
    QFETCH(QString, phrase);
    const Page page = get(url);
    QCOMPARE(page.status, 200);
    QCOMPARE(page.contentType, QByteArray("text/html; charset=GBK"));
    QVERIFY(page.text.contains(QStringLiteral("<meta charset=\"gbk\">")));
    QVERIFY(page.body.contains(gbk(phrase)));
    QVERIFY(!page.body.contains(phrase.toUtf8()));
    QVERIFY(page.text.contains(phrase));
}

void TestMarketplace::keepAliveServesSeveralRequests()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_market.port());
    QVERIFY(socket.waitForConnected(5000));

    QByteArray pending;
    // Reads one response; returns its head and puts its body in *body.
    const auto exchange = [&](const QByteArray &url, const QByteArray &connection,
                              QByteArray *body) {
        const QByteArray host = QUrl::fromEncoded(url).host().toLatin1();
        socket.write("GET " + url + " HTTP/1.1\r\nHost: " + host +
                     "\r\nProxy-Connection: " + connection + "\r\n\r\n");
        QByteArray head;
        const bool complete = QTest::qWaitFor(
            [&] {
                pending += socket.readAll();
                const int end = pending.indexOf("\r\n\r\n");
                if (end < 0)
                    return false;
                head = pending.left(end);
                const int length = responseHeader(head, "content-length").toInt();
                if (pending.size() < end + 4 + length)
                    return false;
                *body = pending.mid(end + 4, length);
                pending.remove(0, end + 4 + length);
                return true;
            },
            5000);
        return complete ? head : QByteArray();
    };

    const SampleShop shop = Marketplace::sampleShops().first();
    QByteArray body;
    QByteArray head = exchange(searchUrl(shop.nick).toUtf8(), "keep-alive", &body);
    QVERIFY(head.startsWith("HTTP/1.1 200 "));
    QVERIFY(body.contains(shop.shopUrl().toUtf8()));

    head = exchange(shop.ratingUrl().toUtf8(), "keep-alive", &body);
    QVERIFY(head.startsWith("HTTP/1.1 200 "));
    QVERIFY(body.contains(gbk(QStringLiteral("卖家信用: "))));
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);

    head = exchange("http://shopsearch.taobao.com/favicon.ico", "close", &body);
    QVERIFY(head.startsWith("HTTP/1.1 404 "));
    QCOMPARE(responseHeader(head, "connection"), QByteArray("close"));
    QVERIFY(
        QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QCOMPARE(pending, QByteArray());
    QCOMPARE(m_market.queries(), QStringList{shop.nick});
}

void TestMarketplace::unknownAddressesGet404_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("unknown host") << "http://www.example.test/";
    QTest::newRow("search favicon") << "http://shopsearch.taobao.com/favicon.ico";
    QTest::newRow("shop favicon") << "http://shop57301122.taobao.com/favicon.ico";
    QTest::newRow("unknown shop") << "http://shop99999999.taobao.com/";
    QTest::newRow("shop subpage") << "http://shop57301122.taobao.com/index.htm";
    QTest::newRow("unknown rating key") << "http://rate.taobao.com/user-rate-NoSuchKey.htm";
    QTest::newRow("search elsewhere") << "http://shopsearch.taobao.com/search.htm?q=x";
    QTest::newRow("control elsewhere") << "http://control.lumora.test/";
}

void TestMarketplace::unknownAddressesGet404()
{
    QFETCH(QString, url);
    const Page page = get(url);
    QCOMPARE(page.status, 404);
    QVERIFY(page.text.contains(QStringLiteral("404 Not Found")));
    QCOMPARE(m_market.queries(), QStringList());
}

// With a delay, requests sent one after another on one connection are still answered
// one after another, each whole.
void TestMarketplace::delayedAnswersKeepTheirOrder()
{
    Marketplace slow;
    slow.setResponseDelay(100);
    QVERIFY(slow.listen());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, slow.port());
    QVERIFY(socket.waitForConnected(5000));
    const SampleShop shop = Marketplace::sampleShops().first();
    const QByteArray urls[] = {shop.ratingUrl().toUtf8(), "http://shopsearch.taobao.com/x",
                               shop.shopUrl().toUtf8()};
    for (const QByteArray &url : urls)
        socket.write("GET " + url +
                     " HTTP/1.1\r\nHost: " + QUrl::fromEncoded(url).host().toLatin1() + "\r\n\r\n");
    QByteArray all;
    QVERIFY(QTest::qWaitFor(
        [&] {
            all += socket.readAll();
            return all.count("HTTP/1.1 ") == 3 && all.endsWith("</html>\n");
        },
        10000));
    const qsizetype rating = all.indexOf(gbk(QStringLiteral("卖家信用: ")));
    const qsizetype missing = all.indexOf("HTTP/1.1 404 ");
    const qsizetype front = all.indexOf(shop.ratingUrl().toUtf8(), missing);
    QVERIFY(rating > 0);
    QVERIFY(missing > rating);
    QVERIFY(front > missing);
}

void TestMarketplace::connectOpensHttpsTunnel_data()
{
    QTest::addColumn<QByteArray>("authority");
    QTest::addColumn<int>("status"); // of the CONNECT
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected"); // in the page read through the tunnel
    const SampleShop shop = Marketplace::sampleShops().first();
    QTest::newRow("rating page") << QByteArray("rate.taobao.com:443") << 200
                                 << QUrl(shop.ratingUrl()).path()
                                 << QStringLiteral("卖家信用: ") + shop.rate.credit;
    QTest::newRow("shop front") << QByteArray("shop") + shop.shopId.toLatin1() + ".taobao.com:443"
                                << 200 << QStringLiteral("/") << shop.ratingUrl();
    QTest::newRow("port 80 is no tunnel")
        << QByteArray("rate.taobao.com:80") << 405 << QString() << QString();
    QTest::newRow("no port") << QByteArray("rate.taobao.com") << 405 << QString() << QString();
}

// The browser's way to https pages: CONNECT, then TLS with the marketplace's own
// certificate, then ordinary requests in origin form through the tunnel.
void TestMarketplace::connectOpensHttpsTunnel()
{
    QFETCH(QByteArray, authority);
    QFETCH(int, status);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");

    QSslSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_market.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n");
    QByteArray head;
    QVERIFY(QTest::qWaitFor(
        [&] {
            head += socket.readAll();
            return head.contains("\r\n\r\n");
        },
        20000)); // the first tunnel waits for its certificate to be made
    QVERIFY2(head.startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '), head.constData());
    if (status != 200) {
        QVERIFY(QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; },
                                5000));
        return;
    }
    QCOMPARE(m_market.tunnels().last(), QString::fromLatin1(authority));

    // Self-signed for the marketplace's hosts: a client that checks it refuses it.
    const QString host = QString::fromLatin1(authority).section(QLatin1Char(':'), 0, 0);
    QList<QSslError> seen;
    connect(&socket, &QSslSocket::sslErrors, this, [&](const QList<QSslError> &errors) {
        seen = errors;
        socket.ignoreSslErrors();
    });
    socket.setPeerVerifyName(host);
    socket.startClientEncryption();
    // The server answers from this thread's event loop.
    QVERIFY(QTest::qWaitFor([&] { return socket.isEncrypted(); }, 10000));
    QVERIFY(!seen.isEmpty());
    QVERIFY(std::any_of(seen.cbegin(), seen.cend(), [](const QSslError &e) {
        return e.error() == QSslError::SelfSignedCertificate;
    }));
    QVERIFY(std::none_of(seen.cbegin(), seen.cend(), [](const QSslError &e) {
        return e.error() == QSslError::HostNameMismatch;
    }));

    socket.write("GET " + path.toLatin1() + " HTTP/1.1\r\nHost: " + host.toLatin1() +
                 "\r\nConnection: close\r\n\r\n");
    QByteArray response;
    QVERIFY(QTest::qWaitFor(
        [&] {
            response += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        5000));
    QVERIFY2(response.startsWith("HTTP/1.1 200 "), response.left(200).constData());
    QVERIFY(response.contains(gbk(expected)));
}

QTEST_GUILESS_MAIN(TestMarketplace)
#include "tst_marketplace.moc"
