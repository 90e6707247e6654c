// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "lookup/linktests.h"

#include <QTest>
#include <QUrlQuery>

using namespace Lookup;

class TstLinkTests : public QObject {
    Q_OBJECT
private slots:
    void shopLink_data();
    void shopLink();
    void ratingLink_data();
    void ratingLink();
    void firstLinkInDocumentOrder();
    void searchAddress_data();
    void searchAddress();
    void cleanShopName_data();
    void cleanShopName();
    void webAddress_data();
    void webAddress();
};

void TstLinkTests::shopLink_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("isShop");
    QTest::newRow("shop front page") << "http://shop123456.taobao.com/" << true;
    QTest::newRow("digit then letters") << "http://shop1abc.taobao.com/" << true;
    QTest::newRow("shortest") << "http://shop1.taobao.com/" << true;
    QTest::newRow("path after the slash") << "http://shop123.taobao.com/index.htm" << false;
    QTest::newRow("query after the slash") << "http://shop123.taobao.com/?a=1" << false;
    QTest::newRow("no final slash") << "http://shop123.taobao.com" << false;
    QTest::newRow("letter after shop") << "http://shopsearch.taobao.com/" << false;
    QTest::newRow("search page itself")
        << "http://shopsearch.taobao.com/browse/shop_search.htm?q=a" << false;
    QTest::newRow("upper-case prefix") << "HTTP://shop123.taobao.com/" << false;
    QTest::newRow("upper-case suffix") << "http://shop123.TAOBAO.com/" << false;
    QTest::newRow("https") << "https://shop123.taobao.com/" << false;
    QTest::newRow("other domain") << "http://shop123.taobao.net/" << false;
    QTest::newRow("eleven units") << "http://shop" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("prefix and suffix overlap") << "http://shop1.taobao.com/" << true;
    QTest::newRow("full-width digit") << QStringLiteral("http://shop１.taobao.com/") << false;
    QTest::newRow("digit 0") << "http://shop0.taobao.com/" << true;
    QTest::newRow("digit 9") << "http://shop9.taobao.com/" << true;
    QTest::newRow("a dash instead of the digit") << "http://shop-1.taobao.com/" << false;
    QTest::newRow("a colon instead of the digit") << "http://shop:1.taobao.com/" << false;
    QTest::newRow("a blank after the final slash") << "http://shop1.taobao.com/ " << false;
}

void TstLinkTests::shopLink()
{
    QFETCH(QString, address);
    QFETCH(bool, isShop);
    QCOMPARE(IsShopLink(address), isShop);
}

void TstLinkTests::ratingLink_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("isRating");
    QTest::newRow("rating page") << "http://rate.taobao.com/user-rate-abc.htm" << true;
    QTest::newRow("inside a query") << "http://x.com/go?to=rate.taobao.com/user-rate-1" << true;
    QTest::newRow("other path") << "http://rate.taobao.com/other" << false;
    QTest::newRow("upper case") << "http://RATE.taobao.com/user-rate-1" << false;
    QTest::newRow("scheme not checked here") << "javascript:'rate.taobao.com/user-rate'" << true;
}

void TstLinkTests::ratingLink()
{
    QFETCH(QString, address);
    QFETCH(bool, isRating);
    QCOMPARE(IsRatingLink(address), isRating);
}

void TstLinkTests::firstLinkInDocumentOrder()
{
    const QStringList links = {"http://www.taobao.com/", "http://shop2.taobao.com/",
                               "http://shop1.taobao.com/"};
    QCOMPARE(FirstLink(links, IsShopLink), 1);
    QCOMPARE(FirstLink(links, IsRatingLink), -1);
    QCOMPARE(FirstLink({}, IsShopLink), -1);
}

void TstLinkTests::searchAddress_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "abc";
    QTest::newRow("empty") << "";
    QTest::newRow("ampersand and hash") << "a&b#c";
    QTest::newRow("plus and percent") << "1+1%20";
    QTest::newRow("query characters") << "a?b/c=d";
    QTest::newRow("chinese") << QStringLiteral("小店铺");
    QTest::newRow("outside the BMP") << QStringLiteral("店😀");
    QTest::newRow("tab and ideographic space") << QStringLiteral("a\tb\u3000c");
    QTest::newRow("right to left") << QStringLiteral("متجر");
    QTest::newRow("tab and ideographic space at the ends") << QStringLiteral("\tabc\u3000");
}

void TstLinkTests::searchAddress()
{
    QFETCH(QString, name);
    const QUrl url = SearchAddress(name);
    QVERIFY(url.isValid());
    QCOMPARE(url.scheme(), QStringLiteral("http"));
    QCOMPARE(url.host(), QStringLiteral("shopsearch.taobao.com"));
    QCOMPARE(url.path(), QStringLiteral("/browse/shop_search.htm"));
    // The name comes back exactly as one value; the fixed keys follow in order.
    const QUrlQuery query(url);
    const auto items = query.queryItems(QUrl::FullyDecoded);
    QCOMPARE(items.size(), 5);
    QCOMPARE(items[0].first, QStringLiteral("q"));
    QCOMPARE(items[0].second, name);
    QCOMPARE(url.toEncoded().mid(url.toEncoded().indexOf("&title")),
             QByteArray("&title=title&nick=nick&tab=3&s=0"));
}

void TstLinkTests::cleanShopName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cleaned");
    const auto row = [](const char *name, const QString &typed, const QString &cleaned) {
        QTest::newRow(name) << typed << cleaned;
    };
    row("dots and blanks between letters", "a. b.c", "abc");
    row("only blanks", "   ", "");
    row("only dots", "...", "");
    row("other blanks stay", QStringLiteral("a\tb\u3000c"), QStringLiteral("a\tb\u3000c"));
    row("full-width dot stays", QStringLiteral("a。b．c"), QStringLiteral("a。b．c"));
    row("other blanks at the ends stay", QStringLiteral("\t a.b\u3000"),
        QStringLiteral("\tab\u3000"));
}

void TstLinkTests::cleanShopName()
{
    QFETCH(QString, typed);
    QFETCH(QString, cleaned);
    QCOMPARE(CleanShopName(typed), cleaned);
}

void TstLinkTests::webAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("web");
    QTest::newRow("http") << "http://rate.taobao.com/user-rate-1.htm" << true;
    QTest::newRow("https") << "https://rate.taobao.com/user-rate-1.htm" << true;
    QTest::newRow("file") << "file:///etc/passwd?rate.taobao.com/user-rate" << false;
    QTest::newRow("javascript") << "javascript:alert('rate.taobao.com/user-rate')" << false;
    QTest::newRow("custom scheme") << "tbopen://rate.taobao.com/user-rate" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("port out of range") << "http://rate.taobao.com:99999/user-rate-1.htm" << false;
    QTest::newRow("no host") << "http:///user-rate" << false;
    QTest::newRow("ftp") << "ftp://rate.taobao.com/user-rate-1.htm" << false;
    QTest::newRow("a scheme that begins with http")
        << "httpx://rate.taobao.com/user-rate-1.htm" << false;
    QTest::newRow("a scheme that ends in http")
        << "xhttp://rate.taobao.com/user-rate-1.htm" << false;
    QTest::newRow("a scheme that begins with https")
        << "httpsx://rate.taobao.com/user-rate-1.htm" << false;
    QTest::newRow("a scheme that ends in https")
        << "xhttps://rate.taobao.com/user-rate-1.htm" << false;
}

void TstLinkTests::webAddress()
{
    QFETCH(QString, address);
    QFETCH(bool, web);
    QCOMPARE(IsWebAddress(QUrl(address)), web);
}

QTEST_APPLESS_MAIN(TstLinkTests)
#include "tst_linktests.moc"
