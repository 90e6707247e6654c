// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "hostile.h"

#include "httpconnection.h"
#include "pages.h"

#include <QRegularExpression>
#include <QUrlQuery>

namespace Hostile {

namespace {

constexpr int kRedirectHops = 5;

QString stageDigit(Stage stage)
{
    return QString::number(int(stage));
}

int caseIndex(const QString &caseId)
{
    const QList<Case> all = cases();
    for (int i = 0; i < all.size(); ++i) {
        if (all[i].id == caseId)
            return i;
    }
    return -1;
}

// The address of the request with one query item set: the same page, one
// step further. The search keeps its q.
QString withItem(const HttpRequest &request, const QString &key, const QString &value)
{
    QUrl url = request.url.adjusted(QUrl::RemoveFragment);
    QUrlQuery query(url);
    query.removeAllQueryItems(key);
    query.addQueryItem(key, value);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

QString bigText()
{
    // 5 MB of ordinary shop notices in GBK, which holds each of these
    // characters in two bytes; no phrase the lookup looks for is in it.
    const QString line =
        QStringLiteral("本店所有商品均为实物拍摄，欢迎咨询。") + QStringLiteral("\n");
    const qsizetype lines = 5 * 1024 * 1024 / (line.size() * 2) + 1;
    QString text;
    text.reserve(lines * line.size() + 64);
    text += QStringLiteral("<div class=\"notice\"><pre>");
    for (qsizetype i = 0; i < lines; ++i)
        text += line;
    text += QStringLiteral("</pre></div>\n");
    return text;
}

QString manyLinks()
{
    QString links;
    links.reserve(100000 * 64);
    links += QStringLiteral("<div class=\"hot-items\">");
    for (int i = 0; i < 100000; ++i)
        links +=
            QStringLiteral("<a href=\"http://item.taobao.com/item.htm?id=%1\">热卖%1</a> ").arg(i);
    links += QStringLiteral("</div>\n");
    return links;
}

// A script that rewrites what a reader of the page in the page's own world
// would get: JSON, arrays, every element's inner text and every link's
// address are lies from here on.
QString redefiningScript()
{
    return QStringLiteral(R"JS(<script>
(function () {
  JSON.stringify = function () { return '{"b":true,"x":"","h":[],"t":[]}'; };
  Array.prototype.push = function () { return 0; };
  Object.defineProperty(HTMLElement.prototype, 'innerText',
      {get: function () { return '\u5047'; }, configurable: true});
  Object.defineProperty(HTMLAnchorElement.prototype, 'href',
      {get: function () { return 'http://shop1.taobao.com/'; }, configurable: true});
  Object.defineProperty(Document.prototype, 'links',
      {get: function () { return []; }, configurable: true});
})();
</script>
)JS");
}

QString framePage(const QString &frameBody)
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>淘宝网</title>"
                          "</head>\n") +
           frameBody + QStringLiteral("</html>\n");
}

HttpResponse html(const QString &page)
{
    return HttpResponse::html(Pages::toGbk(page));
}

// The case's page at stage, asked for with request.
HttpResponse hostilePage(Stage stage, const QString &id, const HttpRequest &request,
                         quint16 refusedPort)
{
    const SampleShop made = shop(stage, id);
    const QString benign = withItem(request, QStringLiteral("benign"), QStringLiteral("1"));
    const QUrlQuery query(request.url);
    // The pages a case sends the browser on to are the ordinary ones.
    if (query.hasQueryItem(QStringLiteral("benign")))
        return html(benignPage(stage, made));

    if (id == u"bigbody")
        return html(atBodyStart(benignPage(stage, made), bigText()));
    if (id == u"manylinks")
        return html(atBodyStart(benignPage(stage, made), manyLinks()));
    if (id == u"frameset")
        return html(framePage(QStringLiteral("<frameset cols=\"50%,50%\"><frame src=\"%1\">"
                                             "<frame src=\"about:blank\"></frameset>\n")
                                  .arg(benign.toHtmlEscaped())));
    if (id == u"markersinframe")
        return html(
            framePage(QStringLiteral("<body><p>信用评价</p><iframe src=\"%1\" width=\"800\" "
                                     "height=\"600\"></iframe></body>\n")
                          .arg(benign.toHtmlEscaped())));
    if (id == u"empty")
        return HttpResponse::html(QByteArray());
    if (id == u"scriptaway")
        return html(atBodyStart(
            benignPage(stage, made),
            QStringLiteral("<script>location.replace(\"%1\");</script>\n").arg(benign)));
    if (id == u"metarefresh")
        return html(
            framePage(QStringLiteral("<head><meta http-equiv=\"refresh\" content=\"0; url=%1\">"
                                     "</head><body><p>正在跳转……</p></body>\n")
                          .arg(benign.toHtmlEscaped())));
    if (id == u"redirectchain" || id == u"redirectloop") {
        const int hop = query.queryItemValue(QStringLiteral("hop")).toInt();
        if (id == u"redirectloop")
            return HttpResponse::redirect(
                withItem(request, QStringLiteral("hop"), QString::number(hop == 1 ? 2 : 1)));
        if (hop < kRedirectHops)
            return HttpResponse::redirect(
                withItem(request, QStringLiteral("hop"), QString::number(hop + 1)));
        return html(benignPage(stage, made));
    }
    if (id == u"neverends" || id == u"closedmidway") {
        HttpResponse response = html(benignPage(stage, made));
        response.delivery = id == u"neverends" ? HttpResponse::Delivery::Stall
                                               : HttpResponse::Delivery::CloseHalfway;
        return response;
    }
    if (id == u"status404" || id == u"status500") {
        // Error pages that nonetheless carry the whole ordinary page: what
        // they say must not be taken for the shop's facts.
        HttpResponse response = html(benignPage(stage, made));
        response.status = id == u"status404" ? 404 : 500;
        response.reason = id == u"status404" ? "Not Found" : "Internal Server Error";
        return response;
    }
    if (id == u"refused")
        return HttpResponse::redirect(QStringLiteral("http://127.0.0.1:%1/").arg(refusedPort));
    if (id == u"redefined")
        return html(atBodyStart(benignPage(stage, made), redefiningScript()));

    // The marker phrases, mangled.
    QString page = benignPage(stage, made);
    if (id == u"splitmarkers") {
        page.replace(QStringLiteral("卖家信用: "),
                     QStringLiteral("卖家</div><div class=\"credit\">信用: "));
        page.replace(QStringLiteral("开店时间："), QStringLiteral("开店<br>时间："));
        page.replace(QStringLiteral("无违规行为"), QStringLiteral("无违<p>规行为</p>"));
    } else if (id == u"lookalikes") {
        page.replace(QStringLiteral("卖家信用: "), QStringLiteral("卖家信用："));
        page.replace(QStringLiteral("开店时间："), QStringLiteral("开店时间:"));
        page.replace(QStringLiteral("天无投诉"), QStringLiteral("天无投訴"));
        page.replace(QStringLiteral(">关闭<"), QStringLiteral(">關閉<"));
    } else if (id == u"emptycredit") {
        page.replace(QStringLiteral("卖家信用: %1").arg(made.rate.credit),
                     QStringLiteral("卖家信用: "));
    } else if (id == u"year20x5") {
        page.replace(made.rate.openedOn, QStringLiteral("20X5-06-01"));
    } else if (id == u"javascriptlink" || id == u"filelink" || id == u"customschemelink") {
        const QString link = id == u"javascriptlink"
                                 ? QStringLiteral("javascript:void('rate.taobao.com/user-rate-x')")
                             : id == u"filelink"
                                 ? QStringLiteral("file:///tmp/rate.taobao.com/user-rate-x.htm")
                                 : QStringLiteral("lumora-test://rate.taobao.com/user-rate-x.htm");
        page.replace(made.ratingUrl(), link);
    } else if (id == u"httpslink") {
        QString secure = made.ratingUrl();
        secure.replace(0, 4, QStringLiteral("https"));
        page.replace(made.ratingUrl(), secure);
    } else if (id == u"shoplinkpath") {
        page.replace(QStringLiteral("\"%1\"").arg(made.shopUrl()),
                     QStringLiteral("\"%1index.htm\"").arg(made.shopUrl()));
    }
    return html(page);
}

} // namespace

QList<Case> cases()
{
    using S = Stage;
    using E = Ending;
    const QList<QPair<Stage, Ending>> factsEverywhere = {
        {S::Search, E::Facts}, {S::ShopFront, E::Facts}, {S::RatingPage, E::Facts}};
    const QList<QPair<Stage, Ending>> unreadEverywhere = {
        {S::Search, E::Unread}, {S::ShopFront, E::Unread}, {S::RatingPage, E::Unread}};
    const QList<QPair<Stage, Ending>> bodiless = {
        {S::Search, E::Unread}, {S::ShopFront, E::Unread}, {S::RatingPage, E::Extracted}};
    const QList<QPair<Stage, Ending>> eitherEverywhere = {
        {S::Search, E::InOrder}, {S::ShopFront, E::InOrder}, {S::RatingPage, E::InOrder}};
    static const QList<Case> all = {
        {QStringLiteral("bigbody"), QStringLiteral("5 MB of text before the page"),
         factsEverywhere},
        {QStringLiteral("manylinks"), QStringLiteral("100,000 links before the page"),
         factsEverywhere},
        {QStringLiteral("frameset"), QStringLiteral("a frameset: no body at all"), bodiless},
        {QStringLiteral("markersinframe"), QStringLiteral("the page inside a frame"), bodiless},
        {QStringLiteral("empty"), QStringLiteral("an empty document"), bodiless},
        {QStringLiteral("scriptaway"), QStringLiteral("a script that navigates away while loading"),
         eitherEverywhere},
        {QStringLiteral("metarefresh"), QStringLiteral("a meta refresh to the page"),
         eitherEverywhere},
        {QStringLiteral("redirectchain"), QStringLiteral("five redirects, then the page"),
         factsEverywhere},
        {QStringLiteral("redirectloop"), QStringLiteral("redirects in a circle"), unreadEverywhere},
        {QStringLiteral("neverends"), QStringLiteral("half the page, then the connection hangs"),
         unreadEverywhere},
        {QStringLiteral("closedmidway"),
         QStringLiteral("half the page, then the connection closes"), eitherEverywhere},
        {QStringLiteral("status404"), QStringLiteral("the page with HTTP 404"), unreadEverywhere},
        {QStringLiteral("status500"), QStringLiteral("the page with HTTP 500"), unreadEverywhere},
        {QStringLiteral("refused"), QStringLiteral("a redirect to a refused connection"),
         unreadEverywhere},
        {QStringLiteral("redefined"),
         QStringLiteral("a script that redefines JSON, arrays, inner texts and addresses"),
         factsEverywhere},
        {QStringLiteral("splitmarkers"),
         QStringLiteral("marker phrases split across elements"),
         {{S::RatingPage, E::Extracted}}},
        {QStringLiteral("lookalikes"),
         QStringLiteral("markers with look-alike punctuation"),
         {{S::RatingPage, E::Extracted}}},
        {QStringLiteral("emptycredit"),
         QStringLiteral("nothing after the credit marker"),
         {{S::RatingPage, E::Extracted}}},
        {QStringLiteral("year20x5"),
         QStringLiteral("an opening year of 20X5"),
         {{S::RatingPage, E::Extracted}}},
        {QStringLiteral("javascriptlink"),
         QStringLiteral("a javascript: rating link"),
         {{S::ShopFront, E::Unread}}},
        {QStringLiteral("filelink"),
         QStringLiteral("a file: rating link"),
         {{S::ShopFront, E::Unread}}},
        {QStringLiteral("customschemelink"),
         QStringLiteral("a rating link of a custom scheme"),
         {{S::ShopFront, E::Unread}}},
        {QStringLiteral("shoplinkpath"),
         QStringLiteral("a shop link with a path after its last /"),
         {{S::Search, E::Unread}}},
        // Through the marketplace's https tunnel, whose certificate no browser trusts.
        {QStringLiteral("httpslink"),
         QStringLiteral("a rating link over https"),
         {{S::ShopFront, E::Unread}}},
    };
    return all;
}

QString nick(Stage stage, const QString &caseId)
{
    return QStringLiteral("hostile-%1-%2").arg(stageDigit(stage), caseId);
}

SampleShop shop(Stage stage, const QString &caseId)
{
    return madeUpShop(nick(stage, caseId), QStringLiteral("9%1%2")
                                               .arg(stageDigit(stage))
                                               .arg(caseIndex(caseId), 3, 10, QLatin1Char('0')));
}

SampleShop madeUpShop(const QString &nick, const QString &shopId)
{
    SampleShop s;
    s.nick = nick;
    s.kindName = QStringLiteral("hostile");
    s.shopId = shopId;
    s.shopName = QStringLiteral("试验小铺");
    SampleRatingPage &r = s.rate;
    r.key = nick;
    r.credit = QStringLiteral("2,468");
    r.yearMarker = QStringLiteral("开店时间：");
    r.openedOn = QStringLiteral("2009-03-01");
    r.good = QStringLiteral("321");
    r.neutral = QStringLiteral("4");
    r.bad = QStringLiteral("1");
    r.consumerProtection = r.noViolations = r.noPenalties = r.noRefundDisputes = r.noComplaints =
        true;
    SampleExpectation &e = s.expect;
    e.sellerCredit = r.credit;
    e.recentGoodRatings = r.good;
    e.recentBadRatings = r.bad;
    e.registeredOn = QStringLiteral("2009");
    e.consumerProtection = true;
    return s;
}

QString benignPage(Stage stage, const SampleShop &shop)
{
    switch (stage) {
    case Stage::Search:
        return Pages::searchResults(shop.nick, &shop);
    case Stage::ShopFront:
        return Pages::shopFront(shop);
    case Stage::RatingPage:
        break;
    }
    return Pages::ratingPage(shop);
}

QString atBodyStart(QString html, const QString &extra)
{
    const qsizetype body = html.indexOf(QLatin1String("<body>"));
    if (body >= 0)
        html.insert(body + 6, extra);
    return html;
}

bool serve(const HttpRequest &request, quint16 refusedPort, HttpResponse *response)
{
    static const QRegularExpression nickPattern(QStringLiteral("^hostile-([123])-([a-z0-9]+)$"));
    static const QRegularExpression shopHost(
        QStringLiteral("^shop9([123])([0-9]{3})\\.taobao\\.com$"));
    static const QRegularExpression ratePath(
        QStringLiteral("^/user-rate-hostile-([123])-([a-z0-9]+)\\.htm$"));

    const QString host = request.url.host();
    const QString path = request.url.path();
    Stage at = Stage::Search;
    QString id;
    Stage stage = Stage::Search;
    if (host == u"shopsearch.taobao.com" && path == u"/browse/shop_search.htm") {
        const auto m = nickPattern.match(
            QUrlQuery(request.url).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded));
        if (!m.hasMatch())
            return false;
        stage = Stage(m.captured(1).toInt());
        id = m.captured(2);
        at = Stage::Search;
    } else if (const auto m = shopHost.match(host); m.hasMatch() && path == u"/") {
        const QList<Case> all = cases();
        const int index = m.captured(2).toInt();
        if (index >= all.size())
            return false;
        stage = Stage(m.captured(1).toInt());
        id = all[index].id;
        at = Stage::ShopFront;
    } else if (const auto m = ratePath.match(path); m.hasMatch() && host == u"rate.taobao.com") {
        stage = Stage(m.captured(1).toInt());
        id = m.captured(2);
        at = Stage::RatingPage;
    } else {
        return false;
    }
    if (caseIndex(id) < 0)
        return false;
    *response = at == stage ? hostilePage(stage, id, request, refusedPort)
                            : html(benignPage(at, shop(stage, id)));
    return true;
}

} // namespace Hostile
