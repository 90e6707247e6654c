// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "pages.h"

#include "sampleshop.h"

#include <QHash>
#include <QStringEncoder>
#include <QUrl>

namespace {

using Values = QHash<QString, QString>;

// Replaces every {{name}} in text in one pass, so values that happen to contain braces
// or percent signs are never expanded again.
QString fill(const QString &text, const Values &values)
{
    QString out;
    out.reserve(text.size() * 2);
    int from = 0;
    while (true) {
        const int open = text.indexOf(QLatin1String("{{"), from);
        const int close = open < 0 ? -1 : text.indexOf(QLatin1String("}}"), open + 2);
        if (close < 0) {
            out += QStringView(text).mid(from);
            return out;
        }
        out += QStringView(text).mid(from, open - from);
        const QString name = text.mid(open + 2, close - open - 2);
        Q_ASSERT_X(values.contains(name), "Pages::fill", qPrintable(name));
        out += values.value(name);
        from = close + 2;
    }
}

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString urlArg(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// A count shown on a longer period than the recent one; counts that are not numbers
// (they never are on a real page) are shown as 0 there.
QString scaledCount(QString count, int factor)
{
    count.remove(QLatin1Char(','));
    bool ok = false;
    const qlonglong n = count.toLongLong(&ok);
    return QString::number(ok ? n * factor : 0);
}

const char *const pageHead = R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="gbk">
<title>{{title}}</title>
<style>
body { margin: 0; font: 12px/1.5 Tahoma, Arial, sans-serif; color: #3c3c3c; }
a { color: #36c; text-decoration: none; }
.site-nav { background: #f5f5f5; border-bottom: 1px solid #e5e5e5; padding: 3px 10px; }
.site-nav ul, .shop-nav ul, .tabs { display: inline; margin: 0; padding: 0; }
.site-nav li, .shop-nav li, .tabs li { display: inline; margin-right: 12px; }
.wrap { width: 950px; margin: 0 auto; }
.col-main { float: left; width: 740px; }
.col-sub { float: right; width: 200px; }
.footer { clear: both; border-top: 1px solid #e5e5e5; margin-top: 20px; padding: 10px; }
table { border-collapse: collapse; }
td, th { border: 1px solid #e5e5e5; padding: 3px 8px; }
.top-banner { background: #ff4400; color: #fff; padding: 4px 10px; }
.top-banner a { color: #fff; }
</style>
<script>
var g_page = {name: "{{pageName}}", version: "2010.3"};
document.documentElement.className += " js";
</script>
</head>
)";

const char *const siteNav = R"(<div id="site-nav" class="site-nav">
  <span class="login-info">亲，欢迎来淘宝！<a href="http://login.taobao.com/member/login.jhtml">请登录</a>
  <a href="http://reg.taobao.com/member/new_register.jhtml">免费注册</a></span>
  <ul class="quick-menu">
    <li><a href="http://www.taobao.com/">淘宝网首页</a></li>
    <li><a href="http://i.taobao.com/my_taobao.htm">我的淘宝</a></li>
    <li><a href="http://cart.taobao.com/my_cart.htm">购物车</a></li>
    <li><a href="http://favorite.taobao.com/">收藏夹</a></li>
    <li><a href="http://service.taobao.com/support/main/service_center.htm">联系客服</a></li>
  </ul>
</div>
)";

const char *const pageFoot = R"(<div class="footer">
  <p><a href="http://www.taobao.com/about/">关于淘宝</a> | <a href="http://www.taobao.com/about/partners.php">合作伙伴</a>
  | <a href="http://ad.taobao.com/">营销中心</a> | <a href="http://www.taobao.com/about/contact.php">联系我们</a>
  | <a href="http://www.taobao.com/sitemap.php">网站地图</a> | <a href="http://www.taobao.com/about/legal.php">法律声明</a></p>
  <p>版权所有 2003-2010 淘宝网</p>
</div>
</body>
</html>
)";

QString page(const QString &title, const QString &pageName, const QString &body)
{
    return fill(QString::fromUtf8(pageHead),
                {{QStringLiteral("title"), esc(title)}, {QStringLiteral("pageName"), pageName}}) +
           QStringLiteral("<body>\n") + body + QString::fromUtf8(pageFoot);
}

QString iframe(const QString &host)
{
    return QStringLiteral("<iframe src=\"http://%1/ad.htm\" width=\"190\" height=\"90\" "
                          "frameborder=\"0\" scrolling=\"no\"></iframe>\n")
        .arg(host);
}

const char *const searchBody = R"(<div id="header" class="wrap">
  <div class="logo"><a href="http://www.taobao.com/">淘宝网</a></div>
  <ul class="tabs">
    <li><a href="http://s.taobao.com/search?q={{queryUrl}}">宝贝</a></li>
    <li class="selected"><a href="http://shopsearch.taobao.com/browse/shop_search.htm?q={{queryUrl}}">店铺</a></li>
  </ul>
  <form id="J_Search" action="http://shopsearch.taobao.com/browse/shop_search.htm" method="get">
    <input type="text" name="q" value="{{query}}">
    <input type="hidden" name="title" value="title"><input type="hidden" name="nick" value="nick">
    <input type="hidden" name="tab" value="3">
    <button type="submit">搜 索</button>
  </form>
</div>
<div id="main" class="wrap">
  <div class="col-main">
    <div class="filter">
      <span>筛选：</span>
      <a href="http://shopsearch.taobao.com/browse/shop_search.htm?q={{queryUrl}}&amp;isb=1">天猫商城</a>
      <a href="http://shopsearch.taobao.com/browse/shop_search.htm?q={{queryUrl}}&amp;goodrate=9800">好评率98%以上</a>
      <a href="http://shopsearch.taobao.com/browse/shop_search.htm?q={{queryUrl}}&amp;xb=1">消保卖家</a>
    </div>
{{results}}
  </div>
  <div class="col-sub">
    <h4>掌柜热卖</h4>
    {{iframe}}
  </div>
</div>
)";

const char *const shopListed = R"(    <p class="result-count">为您找到 <em>1</em> 家相关店铺</p>
    <table class="shop-list">
      <tr class="list-item">
        <td class="list-img"><a href="{{imageUrl}}"><img src="data:image/gif;base64,R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==" width="80" height="80" alt="{{shopName}}"></a></td>
        <td class="list-info">
          <h4><a href="{{nameUrl}}" class="shop-name">{{shopName}}</a></h4>
          <p class="nick">掌柜：<a href="http://www.taobao.com/webww/ww.php?nick={{nickUrl}}" class="ww">{{nick}}</a></p>
          <p class="main-cat">主营：<span>女装</span> <span>箱包</span> <span>配饰</span></p>
          <p class="loc">浙江 杭州</p>
        </td>
        <td class="list-items">
          <a href="http://item.taobao.com/item.htm?id={{shopId}}01">新款 热卖</a>
          <a href="http://item.taobao.com/item.htm?id={{shopId}}02">包邮 特价</a>
        </td>
      </tr>
    </table>
)";

const char *const nothingFound = R"(    <div class="no-result">
      <p class="tip">没有找到与“{{query}}”相关的店铺。</p>
      <p>建议您：</p>
      <ul><li>看看输入的文字是否有误</li><li>调整关键词，如“{{query}}”改为更短的词</li></ul>
      <p>您也可以：<a href="http://www.taobao.com/market/shop.php">逛逛热门店铺</a></p>
    </div>
)";

const char *const shopBody = R"(<div id="shop-hd" class="wrap">
  <div class="shop-title">
    <h2><a href="http://shop{{shopId}}.taobao.com/" class="shop-name">{{shopName}}</a></h2>
    <span class="shop-rank">信誉：<a href="http://rate.taobao.com/">评价规则</a></span>
  </div>
  <div class="shop-nav">
    <ul>
      <li><a href="http://shop{{shopId}}.taobao.com/">首页</a></li>
      <li><a href="http://shop{{shopId}}.taobao.com/search.htm">所有宝贝</a></li>
      <li><a href="http://shop{{shopId}}.taobao.com/category-101.htm">新品上架</a></li>
      <li><a href="http://shop{{shopId}}.taobao.com/category-102.htm">热卖推荐</a></li>
      <li><a href="http://shop{{shopId}}.taobao.com/category-103.htm">特价促销</a></li>
    </ul>
  </div>
</div>
<div id="content" class="wrap">
  <div class="col-main">
    <div class="box">
      <h3>掌柜推荐</h3>
      <table class="items">
        <tr>
          <td><a href="http://item.taobao.com/item.htm?id={{shopId}}11">春季新款 手工真皮</a><br>一口价：<em>168.00</em> 元</td>
          <td><a href="http://item.taobao.com/item.htm?id={{shopId}}12">限时特价 买二送一</a><br>一口价：<em>39.90</em> 元</td>
          <td><a href="http://item.taobao.com/item.htm?id={{shopId}}13">店长推荐 正品保证</a><br>一口价：<em>88.00</em> 元</td>
        </tr>
      </table>
    </div>
  </div>
  <div class="col-sub">
    <div class="box shop-info">
      <h3>掌柜档案</h3>
      <ul>
        <li>掌柜：<a href="http://www.taobao.com/webww/ww.php?nick={{nickUrl}}">{{nick}}</a></li>
{{rateLink}}        <li>所在地：浙江 杭州</li>
      </ul>
    </div>
    {{iframe}}
  </div>
  <div class="col-main">
    <div class="box">
      <h3>所有宝贝</h3>
      <ul>
        <li><a href="http://item.taobao.com/item.htm?id={{shopId}}21">经典款 百搭</a></li>
        <li><a href="http://item.taobao.com/item.htm?id={{shopId}}22">新品 七天无理由退换</a></li>
      </ul>
    </div>
  </div>
</div>
)";

const char *const ratingBody = R"({{banner}}{{siteNav}}<div id="header" class="wrap">
  <div class="logo"><a href="http://www.taobao.com/">淘宝网</a> <a href="http://rate.taobao.com/">评价</a></div>
</div>
<div id="content" class="wrap">
  <div class="col-main">
    <div class="shop-card">
      <a href="http://shop{{shopId}}.taobao.com/">{{shopName}}</a> 掌柜：{{nick}}
    </div>
    <div class="info-block">
      <h3>卖家信息</h3>
      <div class="credit-box"><div class="credit">卖家信用: {{credit}}</div><div class="virtual">虚拟商品交易：0 笔，占比 0.00%</div></div>
      <ul class="shop-facts">
{{opened}}        <li>所在地区：浙江 杭州</li>
        <li>买家信用：36</li>
      </ul>
    </div>
    <div class="help-pop" id="J_HelpPop">
      <div class="pop-hd"><span>什么是信用评价？</span> <a href="#" class="J_Close">关闭</a></div>
      <div class="pop-bd">买家和卖家每完成一笔交易后，可以相互评价。好评加一分，中评不加分，差评扣一分。</div>
    </div>
    <div class="rate-tabs">
      <a href="http://rate.taobao.com/user-rate-{{key}}.htm#credit">信用评价</a>
      <a href="http://rate.taobao.com/user-rate-{{key}}.htm#dsr">店铺动态评分</a>
      <a href="http://rate.taobao.com/user-rate-{{key}}.htm#detail">评价详情</a>
      <a href="http://rate.taobao.com/rule.htm">评价规则</a>
      <a href="http://rate.taobao.com/level.htm">信用等级说明</a>
    </div>
    <table class="rate-summary">
      <tr><th>时间</th><th>好评</th><th>中评</th><th>差评</th></tr>
{{summaryRows}}    </table>
    <div class="service-box">
      <h3>服务情况</h3>
      <table>
        <tr><th>消费者保障</th><td>{{protection}}</td></tr>
        <tr><th>违规记录</th><td>{{violations}}</td></tr>
        <tr><th>处罚记录</th><td>{{penalties}}</td></tr>
        <tr><th>退款</th><td>{{refunds}}</td></tr>
        <tr><th>投诉</th><td>{{complaints}}</td></tr>
      </table>
    </div>
    <div class="rate-list">
      <ul class="tabs">
        <li class="selected"><a href="http://rate.taobao.com/user-rate-{{key}}.htm?from=buyer">来自买家的评价</a></li>
        <li><a href="http://rate.taobao.com/user-rate-{{key}}.htm?from=seller">来自卖家的评价</a></li>
        <li><a href="http://rate.taobao.com/user-rate-{{key}}.htm?from=self">给他人的评价</a></li>
      </ul>
      <table>
        <tr><th>评价</th><th>评论</th><th>评价人</th><th>宝贝信息</th></tr>
        <tr><td>好评</td><td>宝贝收到了，质量很好，和描述的一样。</td><td>t***1</td><td><a href="http://item.taobao.com/item.htm?id={{shopId}}11">春季新款 手工真皮</a></td></tr>
        <tr><td>好评</td><td>发货很快，包装仔细，下次还来。</td><td>w***8</td><td><a href="http://item.taobao.com/item.htm?id={{shopId}}12">限时特价 买二送一</a></td></tr>
      </table>
      <div class="pager"><a href="http://rate.taobao.com/user-rate-{{key}}.htm?page=1">上一页</a> <a href="http://rate.taobao.com/user-rate-{{key}}.htm?page=2">下一页</a></div>
    </div>
  </div>
  <div class="col-sub">
    {{iframe}}
    <p><a href="http://rate.taobao.com/user-rate-{{key}}.htm?from=buyer">来自买家的评价</a></p>
  </div>
</div>
)";

} // namespace

QString Pages::searchResults(const QString &query, const SampleShop *shop)
{
    QString results;
    if (!shop || shop->kind == SampleShop::Kind::NotFound) {
        results = fill(QString::fromUtf8(nothingFound), {{QStringLiteral("query"), esc(query)}});
    } else {
        // A listing without a front page link still shows the shop, with links that lead
        // elsewhere: one to the shop's profile and one that looks like its front page but
        // does not end in ".taobao.com/".
        const bool linked = shop->kind != SampleShop::Kind::NoShopLink;
        const QString imageUrl =
            linked ? shop->shopUrl()
                   : QStringLiteral("http://store.taobao.com/shop/view_shop.htm?user_number_id=") +
                         shop->shopId;
        const QString nameUrl =
            linked
                ? shop->shopUrl()
                : QStringLiteral("http://shop%1.taobao.com/shop/view_shop.htm").arg(shop->shopId);
        results =
            fill(QString::fromUtf8(shopListed), {{QStringLiteral("imageUrl"), esc(imageUrl)},
                                                 {QStringLiteral("nameUrl"), esc(nameUrl)},
                                                 {QStringLiteral("shopName"), esc(shop->shopName)},
                                                 {QStringLiteral("nick"), esc(shop->nick)},
                                                 {QStringLiteral("nickUrl"), urlArg(shop->nick)},
                                                 {QStringLiteral("shopId"), shop->shopId}});
    }
    const QString body =
        QString::fromUtf8(siteNav) +
        fill(QString::fromUtf8(searchBody),
             {{QStringLiteral("query"), esc(query)},
              {QStringLiteral("queryUrl"), urlArg(query)},
              {QStringLiteral("results"), results},
              {QStringLiteral("iframe"), iframe(QStringLiteral("shopsearch.taobao.com"))}});
    return page(query + QStringLiteral(" - 店铺搜索 - 淘宝网"), QStringLiteral("shopsearch"), body);
}

QString Pages::shopFront(const SampleShop &shop)
{
    QString rateLink;
    if (shop.kind != SampleShop::Kind::NoRateLink && !shop.rate.key.isEmpty())
        rateLink = QStringLiteral("        <li>信用评价：<a href=\"%1\">查看卖家信用</a></li>\n")
                       .arg(esc(shop.ratingUrl()));
    const QString body = QString::fromUtf8(siteNav) +
                         fill(QString::fromUtf8(shopBody),
                              {{QStringLiteral("shopId"), shop.shopId},
                               {QStringLiteral("shopName"), esc(shop.shopName)},
                               {QStringLiteral("nick"), esc(shop.nick)},
                               {QStringLiteral("nickUrl"), urlArg(shop.nick)},
                               {QStringLiteral("rateLink"), rateLink},
                               {QStringLiteral("iframe"),
                                iframe(QStringLiteral("shop%1.taobao.com").arg(shop.shopId))}});
    return page(QStringLiteral("首页-%1-淘宝网").arg(shop.shopName), QStringLiteral("shop"), body);
}

QString Pages::ratingPage(const SampleShop &shop)
{
    const SampleRatingPage &r = shop.rate;
    const QString countCell = QStringLiteral("<td><a href=\"http://rate.taobao.com/user-rate-%1.htm"
                                             "?result=%2&amp;period=%3\">%4</a></td>");
    // One row per period; the recent one comes first and carries the counts the page is
    // read for, the longer periods show larger numbers.
    const QList<QPair<QString, int>> periods = {{QStringLiteral("最近1周"), 1},
                                                {QStringLiteral("最近1个月"), 3},
                                                {QStringLiteral("最近6个月"), 12},
                                                {QStringLiteral("6个月前"), 40}};
    QString rows;
    for (int i = 0; i < periods.size(); ++i) {
        const int f = periods[i].second;
        const QString period = QString::number(i + 1);
        rows += QStringLiteral("      <tr><th>%1</th>").arg(periods[i].first);
        rows += countCell.arg(r.key, QStringLiteral("1"), period,
                              esc(i == 0 ? r.good : scaledCount(r.good, f)));
        rows += countCell.arg(r.key, QStringLiteral("0"), period,
                              esc(i == 0 ? r.neutral : scaledCount(r.neutral, f)));
        rows += countCell.arg(r.key, QStringLiteral("-1"), period,
                              esc(i == 0 ? r.bad : scaledCount(r.bad, f)));
        rows += QStringLiteral("</tr>\n");
    }
    const QString banner =
        r.closeLinkFirst ? QStringLiteral("<div class=\"top-banner\">淘宝年终大促，全场包邮！ "
                                          "<a href=\"#\" class=\"banner-close\">关闭</a></div>\n")
                         : QString();
    const QString opened =
        r.yearMarker.isEmpty()
            ? QString()
            : QStringLiteral("        <li>%1%2</li>\n").arg(esc(r.yearMarker), esc(r.openedOn));
    const Values values = {
        {QStringLiteral("banner"), banner},
        {QStringLiteral("siteNav"), QString::fromUtf8(siteNav)},
        {QStringLiteral("shopId"), shop.shopId},
        {QStringLiteral("shopName"), esc(shop.shopName)},
        {QStringLiteral("nick"), esc(shop.nick)},
        {QStringLiteral("key"), r.key},
        {QStringLiteral("credit"), esc(r.credit)},
        {QStringLiteral("opened"), opened},
        {QStringLiteral("summaryRows"), rows},
        {QStringLiteral("protection"), r.consumerProtection
                                           ? QStringLiteral("卖家已提交保证金，加入消费者保障服务")
                                           : QStringLiteral("该卖家尚未加入消费者保障服务")},
        {QStringLiteral("violations"),
         r.noViolations ? QStringLiteral("无违规行为") : QStringLiteral("有违规行为记录 1 次")},
        {QStringLiteral("penalties"),
         r.noPenalties ? QStringLiteral("该会员遵守淘宝用户行为管理规则良好")
                       : QStringLiteral("该会员曾因违反淘宝用户行为管理规则受到处罚")},
        {QStringLiteral("refunds"), r.noRefundDisputes ? QStringLiteral("近30天无退款纠纷")
                                                       : QStringLiteral("近30天有退款纠纷 2 笔")},
        {QStringLiteral("complaints"),
         r.noComplaints ? QStringLiteral("近30天无投诉") : QStringLiteral("近30天有投诉 1 笔")},
        {QStringLiteral("iframe"), iframe(QStringLiteral("rate.taobao.com"))},
    };
    return page(QStringLiteral("淘宝信用评价 - %1").arg(shop.nick), QStringLiteral("rate"),
                fill(QString::fromUtf8(ratingBody), values));
}

QString Pages::advert(const QString &host)
{
    const QString body =
        QStringLiteral(
            "<div class=\"ad\"><a href=\"http://www.taobao.com/market/promo.php?from=%1\">"
            "年货节 满300减40</a></div>\n")
            .arg(esc(host));
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>广告</title>"
                          "</head>\n<body style=\"margin:0\">\n") +
           body + QStringLiteral("</body></html>\n");
}

QByteArray Pages::toGbk(const QString &html)
{
    QStringEncoder whole("GBK");
    QByteArray out = whole.encode(html);
    if (!whole.hasError())
        return out;
    // Some character has no GBK form: go again one code point at a time.
    out.clear();
    out.reserve(html.size() * 2);
    for (int i = 0; i < html.size(); ++i) {
        const int len = html.at(i).isHighSurrogate() && i + 1 < html.size() ? 2 : 1;
        const QStringView unit = QStringView(html).mid(i, len);
        if (unit.front().unicode() < 0x80) {
            out += char(unit.front().unicode());
            continue;
        }
        QStringEncoder single("GBK");
        const QByteArray bytes = single.encode(unit);
        if (single.hasError())
            out += "&#" + QByteArray::number(unit.toUcs4().value(0)) + ';';
        else
            out += bytes;
        i += len - 1;
    }
    return out;
}
