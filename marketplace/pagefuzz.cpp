// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "pagefuzz.h"

#include "hostile.h"
#include "httpconnection.h"
#include "pages.h"
#include "sealed.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrlQuery>

namespace PageFuzz {

namespace {

using Stage = Hostile::Stage;

const Stage kStages[3] = {Stage::Search, Stage::ShopFront, Stage::RatingPage};
const char *const kStageNames[3] = {"search", "front", "rating"};

// Words of the marketplace's pages that none of the phrases the lookup
// looks for is made of.
const QStringList kWords = {
    QStringLiteral("包邮"),     QStringLiteral("正品"),       QStringLiteral("秒杀"),
    QStringLiteral("特价"),     QStringLiteral("新款"),       QStringLiteral("热卖"),
    QStringLiteral("好评返现"), QStringLiteral("七天无理由"), QStringLiteral("旗舰店"),
    QStringLiteral("掌柜推荐"), QStringLiteral("满300减40"),  QStringLiteral("优惠券"),
    QStringLiteral("限时"),     QStringLiteral("清仓"),       QStringLiteral("预售"),
    QStringLiteral("爆款"),     QStringLiteral("亲"),         QStringLiteral("顺丰发货"),
    QStringLiteral("客服"),     QStringLiteral("SALE"),       QStringLiteral("VIP"),
    QStringLiteral("100%"),     QStringLiteral("&amp;"),      QStringLiteral("&lt;b&gt;"),
    QStringLiteral("&nbsp;"),   QStringLiteral("&#x4e2d;"),   QStringLiteral("😀"),
    QStringLiteral("\u00a5"),   QStringLiteral("2,468"),      QStringLiteral("2009"),
    QStringLiteral("\t"),       QStringLiteral("\n"),         QStringLiteral("  ")};

const QStringList kContainers = {
    QStringLiteral("div"),     QStringLiteral("span"),       QStringLiteral("p"),
    QStringLiteral("b"),       QStringLiteral("i"),          QStringLiteral("em"),
    QStringLiteral("strong"),  QStringLiteral("font"),       QStringLiteral("center"),
    QStringLiteral("small"),   QStringLiteral("blockquote"), QStringLiteral("h4"),
    QStringLiteral("marquee"), QStringLiteral("label"),      QStringLiteral("pre"),
    QStringLiteral("section"), QStringLiteral("button"),     QStringLiteral("noscript")};

const QStringList kStyles = {QStringLiteral("color:#f40"),
                             QStringLiteral("font-size:14px"),
                             QStringLiteral("border:1px solid #e5e5e5"),
                             QStringLiteral("float:left"),
                             QStringLiteral("width:120px"),
                             QStringLiteral("position:relative;top:2px"),
                             QStringLiteral("background:#fff0e8"),
                             QStringLiteral("white-space:nowrap"),
                             QStringLiteral("overflow:hidden;height:20px"),
                             QStringLiteral("transform:rotate(2deg)")};

// Scripts that leave the page as it is, as far as the lookup reads it.
const QStringList kInertScripts = {
    QStringLiteral("var a = []; for (var i = 0; i < %1; i++) a.push(i * i);"),
    QStringLiteral("console.log('%1'); console.error(new Error('%1'));"),
    QStringLiteral("try { null.x = %1; } catch (e) {}"),
    QStringLiteral("setTimeout(function () { var d = document.createElement('div'); "
                   "d.textContent = '热卖%1'; document.body.appendChild(d); }, %1 % 50);"),
    QStringLiteral("JSON.parse(JSON.stringify({a: [%1, 2, 3], b: '\\u4e2d'}));"),
    QStringLiteral("document.title = document.title + ' %1';"),
    QStringLiteral("history.replaceState({n: %1}, '', location.href.split('#')[0] + '#s%1');"),
    QStringLiteral("location.hash = 'item%1';"),
    QStringLiteral("var s = document.createElement('style'); s.textContent = 'p { letter-spacing: "
                   "%1px }'; document.head.appendChild(s);"),
    QStringLiteral("requestAnimationFrame(function () { document.documentElement.scrollTop = %1; "
                   "});"),
    QStringLiteral("new Worker(URL.createObjectURL(new Blob(['onmessage = function () {};'])))"
                   ".postMessage(%1);"),
    QStringLiteral("try { localStorage.setItem('k%1', 'v'); sessionStorage.setItem('k', '%1'); } "
                   "catch (e) {}"),
    QStringLiteral("document.cookie = 'cna=%1; path=/';"),
    QStringLiteral("fetch('/ad.htm?n=%1').catch(function () {});"),
    QStringLiteral("try { indexedDB.open('tb%1'); } catch (e) {}"),
    QStringLiteral("if (window.caches) caches.open('v%1').catch(function () {});"),
    QStringLiteral("var t = setInterval(function () {}, 10); setTimeout(function () { "
                   "clearInterval(t); }, %1 % 200);"),
    QStringLiteral("new Audio('data:audio/wav;base64,UklGRiQAAABXQVZF#%1').play().catch(function "
                   "() {});"),
    QStringLiteral("Array.prototype.tb%1 = function () { return %1; };"),
    QStringLiteral("window.onerror = function () { return true; }; undefinedFunction%1();"),
    QStringLiteral("if (navigator.sendBeacon) navigator.sendBeacon('/ad.htm', 'n=%1');")};

// Scripts that change what the lookup reads, or which page it reads.
const QStringList kChangingScripts = {
    QStringLiteral("document.body.innerHTML = '<p>活动已结束 %1</p>';"),
    QStringLiteral("document.write('<plaintext>');"),
    QStringLiteral("setTimeout(function () { document.open(); document.write('<p>%1</p>'); "
                   "document.close(); }, %1 % 20);"),
    QStringLiteral("if (location.search.indexOf('again') < 0) location.replace(location.href.split("
                   "'#')[0] + (location.search ? '&' : '?') + 'again=%1');"),
    QStringLiteral("location.href = 'http://shop57301122.taobao.com/';"),
    QStringLiteral("setTimeout(function () { location.href = 'http://rate.taobao.com/"
                   "user-rate-sealed-decoy.htm'; }, %1 % 30);"),
    QStringLiteral("var all = document.getElementsByTagName('a'); for (var i = all.length - 1; i "
                   ">= 0; i -= 2) all[i].parentNode.removeChild(all[i]);"),
    QStringLiteral("document.documentElement.style.display = 'none';")};

// The marketplace's own phrases and link shapes, out of place.
const QStringList kMarkers = {
    QStringLiteral("<p>卖家信用: %1</p>"),
    QStringLiteral("<div>虚拟商品交易：%1 笔</div>"),
    QStringLiteral("<p>开店时间：19%1-01-01</p>"),
    QStringLiteral("<p>创店时间：20%1</p>"),
    QStringLiteral("<a href=\"#\">关闭</a>"),
    QStringLiteral("<a href=\"#\">来自买家的评价</a> <a href=\"#\">%1</a>"),
    QStringLiteral("<p class=\"tip\">没有找到与“%1”相关的店铺。</p>"),
    QStringLiteral("<a href=\"http://shop%1.taobao.com/\">进入店铺</a>"),
    QStringLiteral("<a href=\"http://shop57301122.taobao.com/\">老字号茶庄</a>"),
    QStringLiteral("<a href=\"http://rate.taobao.com/user-rate-%1.htm\">信用评价</a>"),
    QStringLiteral("<a href=\"aliim:rate.taobao.com/user-rate-%1\">和我联系</a>"),
    QStringLiteral("<a href=\"javascript:void('rate.taobao.com/user-rate-%1')\">评价</a>"),
    QStringLiteral("<a href=\"http://shop%1.taobao.com/shop/view_shop.htm\">店铺</a>"),
    QStringLiteral("<p>卖家已提交保证金，加入消费者保障服务</p><p>有违规行为记录 %1 次</p>"),
    QStringLiteral("<p>近30天有退款纠纷 %1 笔</p>")};

// Sealed pieces that keep a page from finishing or its engine process from
// answering: the lookup may end at the page limit.
bool hangs(const QString &id)
{
    return id == u"busyloop" || id == u"busyafterload" || id == u"memory";
}

// Some pieces have no number in them; QString::arg would warn about those.
QString withNumber(QString piece, int number)
{
    return piece.replace(QStringLiteral("%1"), QString::number(number));
}

class Generator {
public:
    Generator(quint32 seed, int index)
    {
        const quint32 seeds[2] = {seed, quint32(index)};
        m_rng = QRandomGenerator(seeds, 2);
    }

    int below(int n) { return n <= 0 ? 0 : int(m_rng.bounded(n)); }
    bool chance(int percent) { return below(100) < percent; }
    const QString &pick(const QStringList &list) { return list[below(list.size())]; }
    QString number() { return QString::number(below(100000)); }

    QString text()
    {
        QString out;
        for (int n = 1 + below(6); n > 0; --n)
            out += pick(kWords) + (chance(50) ? QStringLiteral(" ") : QString());
        return out;
    }

    QString attributes()
    {
        QString out;
        if (chance(40))
            out += QStringLiteral(" class=\"c%1\"").arg(below(20));
        if (chance(30))
            out += QStringLiteral(" style=\"%1\"").arg(pick(kStyles));
        if (chance(15))
            out += QStringLiteral(" title=\"%1\"").arg(text().toHtmlEscaped());
        if (chance(10))
            out += QStringLiteral(" onclick=\"return false\" data-spm=\"a%1\"").arg(number());
        return out;
    }

    // Balanced markup that hides nothing and says nothing the lookup looks for.
    QString markup(int depth = 0)
    {
        if (depth > 3 || chance(25))
            return text().toHtmlEscaped().replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        switch (below(10)) {
        case 0:
            return QStringLiteral("<a href=\"http://item.taobao.com/item.htm?id=%1\"%2>%3</a>")
                .arg(number(), attributes(), text());
        case 1: {
            QString rows;
            for (int r = 1 + below(3); r > 0; --r) {
                rows += QStringLiteral("<tr>");
                for (int d = 1 + below(3); d > 0; --d)
                    rows += QStringLiteral("<td>") + markup(depth + 1) + QStringLiteral("</td>");
                rows += QStringLiteral("</tr>");
            }
            return QStringLiteral("<table%1>%2</table>").arg(attributes(), rows);
        }
        case 2: {
            QString items;
            for (int n = 1 + below(4); n > 0; --n)
                items += QStringLiteral("<li>") + markup(depth + 1) + QStringLiteral("</li>");
            return QStringLiteral("<ul%1>%2</ul>").arg(attributes(), items);
        }
        case 3:
            switch (below(6)) {
            case 0:
                return QStringLiteral("<br>");
            case 1:
                return QStringLiteral("<hr>");
            case 2:
                return QStringLiteral("<img src=\"data:image/gif;base64,R0lGODlhAQABAIAAAP///"
                                      "wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==\" width=\"%1\" "
                                      "alt=\"%2\">")
                    .arg(below(200))
                    .arg(pick(kWords).toHtmlEscaped());
            case 3:
                return QStringLiteral("<input type=\"%1\" value=\"%2\">")
                    .arg(chance(50) ? QStringLiteral("text") : QStringLiteral("checkbox"),
                         number());
            case 4:
                return QStringLiteral("<select><option>%1</option><option>%2</option></select>")
                    .arg(text().toHtmlEscaped(), text().toHtmlEscaped());
            default:
                return QStringLiteral("<wbr>");
            }
        case 4:
            return chance(50) ? QStringLiteral("<iframe src=\"/ad.htm\" width=\"%1\" height=\"20\" "
                                               "frameborder=\"0\"></iframe>")
                                    .arg(below(300))
                              : QStringLiteral("<iframe srcdoc=\"&lt;p&gt;%1&lt;/p&gt;\" "
                                               "width=\"1\" height=\"1\"></iframe>")
                                    .arg(number());
        case 5:
            return QStringLiteral("<details><summary>%1</summary>%2</details>")
                .arg(text().toHtmlEscaped(), markup(depth + 1));
        case 6:
            return QStringLiteral("<svg width=\"10\" height=\"10\"><circle cx=\"5\" cy=\"5\" "
                                  "r=\"%1\"/></svg>")
                .arg(below(5));
        case 7:
            return QStringLiteral("<!-- %1 --><template><p>%2</p></template>")
                .arg(number(), text().toHtmlEscaped());
        default: {
            const QString tag = pick(kContainers);
            QString inner;
            for (int n = 1 + below(3); n > 0; --n)
                inner += markup(depth + 1);
            return QStringLiteral("<%1%2>%3</%1>").arg(tag, attributes(), inner);
        }
        }
    }

    QString script(const QStringList &from)
    {
        const QString chosen = pick(from);
        return QStringLiteral("<script>\n") + withNumber(chosen, below(1000) + 1) +
               QStringLiteral("\n</script>\n");
    }

    QString marker()
    {
        const QString chosen = pick(kMarkers);
        return withNumber(chosen, below(100));
    }

private:
    QRandomGenerator m_rng;
};

QString beforeFooter(QString html, const QString &extra)
{
    const qsizetype footer = html.lastIndexOf(QLatin1String("<div class=\"footer\">"));
    if (footer >= 0)
        html.insert(footer, extra);
    return html;
}

// After a random tag of the body: anywhere, inside tables and links too.
QString spliced(Generator &g, QString html, const QString &extra)
{
    const qsizetype body = html.indexOf(QLatin1String("<body>"));
    QList<qsizetype> ends;
    for (qsizetype i = html.indexOf(u'>', body); i >= 0; i = html.indexOf(u'>', i + 1))
        ends << i + 1;
    if (ends.isEmpty())
        return html + extra;
    html.insert(ends[g.below(ends.size())], extra);
    return html;
}

QString expectName(Expect e)
{
    switch (e) {
    case Expect::Facts:
        return QStringLiteral("facts");
    case Expect::FactsOrUnread:
        return QStringLiteral("facts or unread");
    case Expect::InOrder:
        break;
    }
    return QStringLiteral("in order");
}

void atLeast(Page *p, Expect e)
{
    if (int(e) > int(p->expect))
        p->expect = e;
}

} // namespace

QString Page::summary() const
{
    QStringList stages;
    for (int s = 0; s < 3; ++s) {
        QStringList items = what[s];
        if (!answer[s].isEmpty())
            items.prepend(answer[s] == u"gzip"
                              ? QStringLiteral("gzip %1 MB").arg(gzipFiller / (1024 * 1024))
                              : answer[s]);
        stages << QStringLiteral("%1[%2]").arg(QLatin1String(kStageNames[s]),
                                               items.join(QStringLiteral(", ")));
    }
    return stages.join(u' ') + (secureRating ? QStringLiteral(" secure") : QString()) +
           QStringLiteral(" -> ") + expectName(expect);
}

QString nick(quint32 seed, int index)
{
    return QStringLiteral("fuzz-%1-%2").arg(seed).arg(index);
}

Page page(quint32 seed, int index, quint16 port)
{
    Generator g(seed, index);
    Page p;
    p.seed = seed;
    p.index = index;
    p.shop = Hostile::madeUpShop(nick(seed, index), QStringLiteral("8-%1-%2").arg(seed).arg(index));
    p.secureRating = g.chance(30);
    const QString front = p.shop.shopUrl();
    const QList<Sealed::Piece> pieces = Sealed::pieces(front);
    QList<Sealed::Case> cases = Sealed::cases();

    QString pages[3];
    for (int s = 0; s < 3; ++s)
        pages[s] = Hostile::benignPage(kStages[s], p.shop);
    if (p.secureRating)
        pages[1].replace(p.shop.ratingUrl(),
                         QStringLiteral("http://%1:%2/rate.taobao.com/user-rate-%3.htm")
                             .arg(Sealed::kSecureRatingHost)
                             .arg(port)
                             .arg(p.shop.rate.key));

    // At most one answer of a page is replaced as a whole.
    if (g.chance(14)) {
        static const QStringList answers = {
            QStringLiteral("login401"),       QStringLiteral("proxy407"),
            QStringLiteral("download"),       QStringLiteral("gzip"),
            QStringLiteral("schemeredirect"), QStringLiteral("fileredirect"),
            QStringLiteral("neverends")};
        const int s = g.below(3);
        p.answer[s] = g.pick(answers);
        if (p.answer[s] == u"gzip")
            p.gzipFiller = qsizetype(2 + g.below(11)) * 1024 * 1024;
        if (p.answer[s] == u"gzip" || p.answer[s] == u"neverends")
            p.mayHang = true;
        atLeast(&p, Expect::FactsOrUnread);
    }

    bool hung = false; // one piece that may hang a page is enough for a lookup
    for (int s = 0; s < 3; ++s) {
        // Now and then a page with none of its own content: no link leads on,
        // and a rating page without its phrases is read as it is.
        if (g.chance(3)) {
            pages[s] = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"gbk\">"
                                      "<title>淘宝网</title></head>\n<body>") +
                       g.markup() + QStringLiteral("</body></html>\n");
            p.what[s] << QStringLiteral("nothing of its own");
            atLeast(&p, s == 2 ? Expect::InOrder : Expect::FactsOrUnread);
        }
        for (int n = g.below(5); n > 0; --n) {
            const int kind = g.below(100);
            if (kind < 37) {
                const QString m = g.markup();
                pages[s] =
                    g.chance(50) ? Hostile::atBodyStart(pages[s], m) : beforeFooter(pages[s], m);
                p.what[s] << QStringLiteral("markup");
            } else if (kind < 60) {
                pages[s] = Hostile::atBodyStart(pages[s], g.script(kInertScripts));
                p.what[s] << QStringLiteral("script");
            } else if (kind < 92) {
                const Sealed::Piece &piece = pieces[g.below(pieces.size())];
                if (hangs(piece.id) && (hung || g.chance(60)))
                    continue;
                hung = hung || hangs(piece.id);
                pages[s] = Hostile::atBodyStart(pages[s], piece.markup);
                p.what[s] << piece.id;
                for (const Sealed::Case &c : cases) {
                    if (c.id == piece.id && c.ending != Hostile::Ending::Facts)
                        atLeast(&p, Expect::FactsOrUnread);
                }
                p.mayHang = p.mayHang || hangs(piece.id);
            } else if (kind < 97) {
                const QString m = g.marker();
                pages[s] = g.chance(40)   ? Hostile::atBodyStart(pages[s], m)
                           : g.chance(50) ? beforeFooter(pages[s], m)
                                          : spliced(g, pages[s], m);
                p.what[s] << QStringLiteral("marker");
                atLeast(&p, Expect::InOrder);
            } else {
                pages[s] = g.chance(50) ? Hostile::atBodyStart(pages[s], g.script(kChangingScripts))
                                        : spliced(g, pages[s], g.markup().left(g.below(200)));
                p.what[s] << QStringLiteral("changing");
                atLeast(&p, Expect::InOrder);
            }
        }
    }
    p.search = pages[0];
    p.front = pages[1];
    p.rating = pages[2];
    return p;
}

bool serve(const HttpRequest &request, quint16 port, HttpResponse *response)
{
    static const QRegularExpression nickPattern(QStringLiteral("^fuzz-(\\d+)-(\\d+)$"));
    static const QRegularExpression shopHost(
        QStringLiteral("^shop8-(\\d+)-(\\d+)\\.taobao\\.com$"));
    static const QRegularExpression ratePath(
        QStringLiteral("^(/rate\\.taobao\\.com)?/user-rate-fuzz-(\\d+)-(\\d+)\\.htm$"));

    const QString host = request.url.host();
    const QString path = request.url.path();
    QRegularExpressionMatch m;
    int stage = 0;
    if (host == u"shopsearch.taobao.com" && path == u"/browse/shop_search.htm") {
        m = nickPattern.match(
            QUrlQuery(request.url).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded));
    } else if (m = shopHost.match(host); m.hasMatch()) {
        stage = 1;
        if (path == u"/ad.htm") {
            *response = HttpResponse::html(Pages::toGbk(Pages::advert(host)));
            return true;
        }
        const QString download = QUrlQuery(request.url).queryItemValue(QStringLiteral("download"));
        if (!download.isEmpty()) {
            *response = Sealed::asDownload("MZ taobao coupon " + download.toLatin1(),
                                           QStringLiteral("taobao-coupon-%1.exe").arg(download));
            return true;
        }
        if (path != u"/")
            return false;
    } else if (m = ratePath.match(path); m.hasMatch()) {
        if (m.captured(1).isEmpty() ? host != u"rate.taobao.com"
                                    : host != Sealed::kSecureRatingHost)
            return false;
        stage = 2;
    }
    if (!m.hasMatch())
        return false;
    bool ok = false;
    const quint32 seed = m.captured(stage == 2 ? 2 : 1).toUInt(&ok);
    const int index = m.captured(stage == 2 ? 3 : 2).toInt();
    if (!ok)
        return false;
    const Page p = page(seed, index, port);
    const QString &html = stage == 0 ? p.search : stage == 1 ? p.front : p.rating;
    const QString &answer = p.answer[stage];
    const QByteArray gbk = Pages::toGbk(html);
    if (answer == u"login401")
        *response = Sealed::behindLogIn(gbk);
    else if (answer == u"proxy407")
        *response = Sealed::behindProxyLogIn(gbk);
    else if (answer == u"download")
        *response = Sealed::asDownload(gbk, QStringLiteral("page.htm"));
    else if (answer == u"gzip")
        *response = Sealed::compressedWithFiller(html, p.gzipFiller);
    else if (answer == u"schemeredirect")
        *response = HttpResponse::redirect(
            QStringLiteral("aliim:sendmsg?touid=cntaobao%E8%AF%95&siteid=cntaobao"));
    else if (answer == u"fileredirect")
        *response = HttpResponse::redirect(QStringLiteral("file:///etc/passwd"));
    else
        *response = HttpResponse::html(gbk);
    if (answer == u"neverends")
        response->delivery = HttpResponse::Delivery::Stall;
    return true;
}

} // namespace PageFuzz
