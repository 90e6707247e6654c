// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "marketplace/marketplace.h"
#include "marketplace/sealed.h"

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
    void sealedWalk_data();
    void sealedWalk();
    void sealedAnswers_data();
    void sealedAnswers();
    void certificateHostAsksForClientCertificate();
    void marksAreRecorded();

private:
    Page get(const QString &url);
    // One request sent as it is on a connection of its own; the whole answer.
    QByteArray exchange(const QByteArray &request);
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
    // The compressed sealed page unpacks to far more than Qt unpacks unasked.
    request.setDecompressedSafetyCheckThreshold(-1);
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
        // The page starts, and stops short of the length it promised: the
        // rest never comes.
        QVERIFY(QTest::qWaitFor([&] { return reply->bytesAvailable() > 0; }, 5000));
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

QByteArray TestMarketplace::exchange(const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_market.port());
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray answer;
    const bool closed = QTest::qWaitFor(
        [&] {
            answer += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        20000);
    if (!closed)
        qWarning("the connection stayed open after %s", request.left(80).constData());
    return answer + socket.readAll();
}

void TestMarketplace::sealedWalk_data()
{
    QTest::addColumn<QString>("caseId");
    for (const Sealed::Case &c : Sealed::cases())
        QTest::newRow(qPrintable(c.id)) << c.id;
}

// Every sealed case is a walk through the made-up shop's pages, with the
// case's piece on the pages it names and a rating link that the lookup
// follows: on the secure host for pieces that need an action, over https to
// the host that asks for a certificate, else the ordinary one.
void TestMarketplace::sealedWalk()
{
    QFETCH(QString, caseId);
    const Sealed::Case c = Sealed::caseOf(caseId);
    const SampleShop made = Sealed::shop(caseId);
    QCOMPARE(made.nick, QStringLiteral("sealed-") + caseId);
    const QString piece = Sealed::pieceMarkup(caseId, made.shopUrl());
    const auto hasPiece = [&](const Page &page) {
        return !piece.isEmpty() && page.text.contains(piece);
    };

    const Page search = get(searchUrl(made.nick));
    QCOMPARE(search.status, 200);
    QCOMPARE(shopLink(search.text), made.shopUrl());
    QCOMPARE(hasPiece(search), !piece.isEmpty() && c.stages.contains(Sealed::Stage::Search));

    const Page front = get(made.shopUrl());
    QCOMPARE(front.status, 200);
    QCOMPARE(hasPiece(front), !piece.isEmpty() && c.stages.contains(Sealed::Stage::ShopFront));
    QString rating = made.ratingUrl();
    if (c.needsAction)
        rating = QStringLiteral("http://rate.localhost:%1/rate.taobao.com/user-rate-%2.htm")
                     .arg(m_market.port())
                     .arg(made.rate.key);
    else if (caseId == u"clientcert")
        rating.replace(QStringLiteral("http://rate.taobao.com/"),
                       QStringLiteral("https://vip-rate.taobao.com/"));
    QCOMPARE(rateLink(front.text), rating);
    if (caseId == u"clientcert" || caseId == u"login401" || caseId == u"proxy407" ||
        caseId == u"download")
        return; // sealedAnswers and certificateHostAsksForClientCertificate

    // The rating page (gzip-compressed pages come unpacked) still yields
    // the made-up shop's facts to a reader of its markup.
    const Page page = get(rating);
    QCOMPARE(page.status, 200);
    QCOMPARE(hasPiece(page), !piece.isEmpty() && c.stages.contains(Sealed::Stage::RatingPage));
    if (caseId == u"gzipbomb")
        QVERIFY2(page.body.size() > 40 * 1024 * 1024,
                 qPrintable(QString::number(page.body.size())));
    checkRatingFacts(made, page.text);
}

void TestMarketplace::sealedAnswers_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("value"); // the header's value starts with it
    QTest::addColumn<QString>("inBody");   // for a body that is not compressed
    const QString shopName = QStringLiteral("试验小铺");
    QTest::newRow("the rating page behind an HTTP log-in")
        << Sealed::shop(QStringLiteral("login401")).ratingUrl() << 401
        << QByteArray("www-authenticate") << QByteArray("Basic realm=") << shopName;
    QTest::newRow("the rating page behind a proxy log-in")
        << Sealed::shop(QStringLiteral("proxy407")).ratingUrl() << 407
        << QByteArray("proxy-authenticate") << QByteArray("Basic realm=") << shopName;
    QTest::newRow("the rating page as a download")
        << Sealed::shop(QStringLiteral("download")).ratingUrl() << 200
        << QByteArray("content-disposition") << QByteArray("attachment; filename=") << shopName;
    QTest::newRow("a download of the front page")
        << Sealed::shop(QStringLiteral("scripteddownload")).shopUrl() +
               QStringLiteral("?download=2")
        << 200 << QByteArray("content-type") << QByteArray("application/octet-stream")
        << QStringLiteral("taobao coupon 2");
    QTest::newRow("a compressed rating page")
        << Sealed::shop(QStringLiteral("gzipbomb")).ratingUrl() << 200
        << QByteArray("content-encoding") << QByteArray("gzip") << QString();
    QTest::newRow("another shop's rating page for the windows a page opens")
        << QStringLiteral("http://rate.taobao.com/user-rate-sealed-decoy.htm") << 200
        << QByteArray("content-type") << QByteArray("text/html") << QStringLiteral("冒牌小铺");
    QTest::newRow("a case that does not exist")
        << QStringLiteral("http://rate.taobao.com/user-rate-sealed-nosuchcase.htm") << 404
        << QByteArray("content-type") << QByteArray("text/html") << QString();
}

// How the whole answer of a sealed page goes out, byte for byte.
void TestMarketplace::sealedAnswers()
{
    QFETCH(QString, url);
    QFETCH(int, status);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, value);
    QFETCH(QString, inBody);
    const QByteArray host = QUrl(url).host().toLatin1();
    const QByteArray answer = exchange("GET " + url.toLatin1() + " HTTP/1.1\r\nHost: " + host +
                                       "\r\nProxy-Connection: close\r\n\r\n");
    const int end = answer.indexOf("\r\n\r\n");
    QVERIFY2(end > 0, answer.left(200).constData());
    const QByteArray head = answer.left(end);
    const QByteArray body = answer.mid(end + 4);
    QVERIFY2(head.startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '), head.constData());
    QVERIFY2(responseHeader(head, header).startsWith(value), head.constData());
    QCOMPARE(responseHeader(head, "content-length").toLongLong(), body.size());
    if (!inBody.isEmpty())
        QVERIFY(body.contains(gbk(inBody)));
    if (header == "content-encoding") {
        // A few hundred kilobytes that unpack to over 40 MB.
        QVERIFY2(body.size() < 1024 * 1024, qPrintable(QString::number(body.size())));
        QVERIFY(body.startsWith("\x1f\x8b\x08"));
    }
}

// A tunnel to the host that wants a log-in by certificate asks the client
// for one and ends without a page when none comes; any other tunnel serves
// its page to the same client.
void TestMarketplace::certificateHostAsksForClientCertificate()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");
    const auto pageThrough = [&](const QByteArray &host, const QByteArray &path) {
        QSslSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_market.port());
        if (!socket.waitForConnected(5000))
            return QByteArray("no connection");
        socket.write("CONNECT " + host + ":443 HTTP/1.1\r\nHost: " + host + ":443\r\n\r\n");
        QByteArray head;
        if (!QTest::qWaitFor(
                [&] {
                    head += socket.readAll();
                    return head.contains("\r\n\r\n");
                },
                20000))
            return QByteArray("no answer to CONNECT");
        if (!head.startsWith("HTTP/1.1 200 "))
            return head;
        connect(&socket, &QSslSocket::sslErrors, &socket,
                [&](const QList<QSslError> &) { socket.ignoreSslErrors(); });
        socket.startClientEncryption();
        QByteArray response;
        [[maybe_unused]] const bool encrypted = QTest::qWaitFor(
            [&] {
                return socket.isEncrypted() || socket.state() == QAbstractSocket::UnconnectedState;
            },
            10000);
        socket.write("GET " + path + " HTTP/1.1\r\nHost: " + host +
                     "\r\nConnection: close\r\n\r\n");
        [[maybe_unused]] const bool closed = QTest::qWaitFor(
            [&] {
                response += socket.readAll();
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            10000);
        return response;
    };
    const QByteArray path =
        QUrl(Sealed::shop(QStringLiteral("clientcert")).ratingUrl()).path().toLatin1();
    const QByteArray asked = pageThrough(Sealed::kCertificateHost.toLatin1(), path);
    QVERIFY2(!asked.contains("HTTP/1.1 200"), asked.left(200).constData());
    QCOMPARE(m_market.tunnels().last(),
             Sealed::kCertificateHost.toString() + QStringLiteral(":443"));
    const QByteArray plain = pageThrough("rate.taobao.com", path);
    QVERIFY2(plain.startsWith("HTTP/1.1 200 "), plain.left(200).constData());
    QVERIFY(plain.contains(gbk(QStringLiteral("卖家信用: 2,468"))));
}

// What a page says it has done, through the proxy to the control host or
// straight to the secure rating pages' host, as the browser reaches it.
void TestMarketplace::marksAreRecorded()
{
    QCOMPARE(exchange("GET http://control.lumora.test/mark?print HTTP/1.1\r\n"
                      "Host: control.lumora.test\r\nProxy-Connection: close\r\n\r\n")
                 .left(13),
             QByteArray("HTTP/1.1 204 "));
    QCOMPARE(exchange("GET /mark?drawn-media HTTP/1.1\r\nHost: rate.localhost:" +
                      QByteArray::number(m_market.port()) + "\r\nConnection: close\r\n\r\n")
                 .left(13),
             QByteArray("HTTP/1.1 204 "));
    const QByteArray secure = exchange(
        "GET /rate.taobao.com/user-rate-sealed-media.htm HTTP/1.1\r\nHost: rate.localhost:" +
        QByteArray::number(m_market.port()) + "\r\nConnection: close\r\n\r\n");
    QVERIFY2(secure.startsWith("HTTP/1.1 200 "), secure.left(200).constData());
    QVERIFY(secure.contains("/mark?media"));
    QCOMPARE(m_market.marks(),
             (QStringList{QStringLiteral("print"), QStringLiteral("drawn-media")}));
}

QTEST_GUILESS_MAIN(TestMarketplace)
#include "tst_marketplace.moc"
