// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "sealed.h"

#include "httpconnection.h"
#include "pages.h"

#include <QRegularExpression>
#include <QUrlQuery>

namespace Sealed {

namespace {

using S = Stage;
using E = Ending;

// A compressed page unpacks to this many bytes of text before the page itself.
constexpr qsizetype kBombBytes = 40 * 1024 * 1024;

// What a piece does when a permission it asked for is granted after all:
// it tells the marketplace ("/mark?granted-<case>"), and the page it stands
// on stops being a rating page, so facts read from it afterwards would be
// wrong.
const char *const kSpoil = "function spoil() {\n"
                           "    new Image().src = '/mark?granted-%1';\n"
                           "    if (document.body) document.body.innerHTML = '<p>请稍候</p>';\n"
                           "  }\n";

// Requests that the engine lets through only while the user is acting on
// the page (a click or a key) are made at once (unless atOnce is false), and
// again on the first click or key; then the page tells the marketplace that
// it has made them, so that a test knows when they have all been sent.
QString gated(const QString &caseId, const QString &requests, bool atOnce = true)
{
    return QStringLiteral(R"(<script>
(function () {
  %1  var phase = 'load';
  // Tells the marketplace that the request was refused, and whether it was
  // made on the click.
  function refused(what) {
    var at = phase;
    return function () { new Image().src = '/mark?refused-%3-' + what + '-' + at; };
  }
  function ask() {
%2
  }
%4  // Two frames after the load, the page has been drawn and takes input.
  window.addEventListener('load', function () {
    requestAnimationFrame(function () {
      requestAnimationFrame(function () { new Image().src = '/mark?drawn-%3'; });
    });
  });
  var asked = false;
  function onAction() {
    if (asked) return;
    asked = true;
    phase = 'click';
    try { ask(); } catch (e) {}
    new Image().src = '/mark?%3';
  }
  window.addEventListener('mousedown', onAction, true);
  window.addEventListener('keydown', onAction, true);
})();
</script>
)")
        .arg(QString::fromUtf8(kSpoil).arg(caseId), requests, caseId,
             atOnce ? QStringLiteral("  try { ask(); } catch (e) {}\n") : QString());
}

QString piece(const QString &id, const QString &frontUrl)
{
    const QString decoy = QStringLiteral("http://rate.taobao.com/user-rate-sealed-decoy.htm");
    if (id == u"alert")
        return QStringLiteral(R"(<script>
alert('亲，本店所有评价真实有效，欢迎放心购买！');
window.addEventListener('load', function () { alert('恭喜您获得一张10元店铺优惠券！'); });
</script>
)");
    // Pressing OK (or giving any answer) hides the rest of the page.
    if (id == u"confirm")
        return QStringLiteral(R"(<script>
if (confirm('本店铺已通过淘宝认证，点击“确定”继续浏览。') !== false)
  document.write('<div style="display:none">');
window.addEventListener('load', function () {
  if (confirm('是否将本店加入收藏夹？') !== false) document.body.innerHTML = '<p>已收藏</p>';
});
</script>
)");
    if (id == u"prompt")
        return QStringLiteral(R"(<script>
var pay = prompt('为保障您的账户安全，请输入支付宝支付密码：', '');
if (pay !== null) document.write('<div style="display:none">');
window.addEventListener('load', function () {
  if (prompt('请输入手机收到的验证码：') !== null) document.body.innerHTML = '<p>验证中</p>';
});
</script>
)");
    if (id == u"leavepage")
        return QStringLiteral(R"(<script>
window.addEventListener('beforeunload', function (e) {
  e.preventDefault();
  e.returnValue = '您还有未领取的优惠券，确定要离开吗？';
  return e.returnValue;
});
window.onbeforeunload = function () { return '确定要离开本页吗？'; };
</script>
)");
    // New windows and tabs with another shop's rating page in them: a page
    // that took the lookup's place would give that shop's facts.
    if (id == u"windowopen")
        return QStringLiteral(
                   R"(<a id="J_Coupon" href="http://item.taobao.com/item.htm?id=20261111" target="_blank">领取优惠券</a>
<form id="J_Fav" action="%1" target="_blank" method="get"><input type="hidden" name="fav" value="1"></form>
<script>
window.open('%1', '_blank', 'width=600,height=400');
window.open('%1', 'coupon');
document.getElementById('J_Coupon').click();
document.getElementById('J_Fav').submit();
window.addEventListener('load', function () { window.open('%1'); });
</script>
)")
            .arg(decoy);
    if (id == u"print")
        return gated(id, QStringLiteral("    window.print();"));
    if (id == u"fullscreen")
        return QStringLiteral("<video id=\"J_Video\" width=\"1\" height=\"1\" muted></video>\n") +
               gated(id, QStringLiteral(R"(    var root = document.documentElement;
    if (root.requestFullscreen) root.requestFullscreen().catch(function () {});
    else if (root.webkitRequestFullscreen) root.webkitRequestFullscreen();
    var v = document.getElementById('J_Video');
    if (v && v.webkitEnterFullscreen) try { v.webkitEnterFullscreen(); } catch (e) {})"));
    if (id == u"filechooser")
        return QStringLiteral("<input type=\"file\" id=\"J_Upload\" accept=\"image/*\" multiple "
                              "style=\"position:absolute;left:-999px\">\n") +
               gated(id, QStringLiteral(R"(    var f = document.getElementById('J_Upload');
    f.click();
    try { f.showPicker(); } catch (e) {}
    if (window.showOpenFilePicker) showOpenFilePicker().then(spoil, function () {});)"));
    if (id == u"pickers")
        return QStringLiteral("<div style=\"position:absolute;left:-999px\"><input type=\"color\" "
                              "id=\"J_Color\" value=\"#ff4400\"><input type=\"date\" id=\"J_Date\">"
                              "<input type=\"datetime-local\" id=\"J_When\"><input type=\"month\" "
                              "id=\"J_Month\"></div>\n") +
               gated(id,
                     QStringLiteral(
                         R"(    ['J_Color', 'J_Date', 'J_When', 'J_Month'].forEach(function (id) {
      var e = document.getElementById(id);
      e.focus();
      e.click();
      try { e.showPicker(); } catch (x) {}
    });)"));
    if (id == u"location")
        return gated(id, QStringLiteral(R"(    if (navigator.geolocation) {
      navigator.geolocation.getCurrentPosition(spoil, refused('geo'));
      navigator.geolocation.watchPosition(spoil, function () {});
    }
    if (window.Notification) {
      var denied = refused('notify');
      Notification.requestPermission().then(function (p) {
        if (p === 'granted') { new Notification('您关注的店铺上新啦'); spoil(); }
        else denied();
      });
    })"));
    if (id == u"media")
        return gated(id, QStringLiteral(R"(    var md = navigator.mediaDevices;
    if (md && md.getUserMedia) {
      md.getUserMedia({audio: true, video: true}).then(spoil, refused('av'));
      md.getUserMedia({video: true}).then(spoil, refused('v'));
      md.getUserMedia({audio: true}).then(spoil, refused('a'));
    }
    if (md && md.getDisplayMedia) md.getDisplayMedia({video: true}).then(spoil, refused('screen'));)"));
    if (id == u"clipboard")
        return QStringLiteral("<div id=\"J_Code\" style=\"position:absolute;left:-999px\">"
                              "TB-COUPON-2468</div>\n") +
               gated(id, QStringLiteral(R"(    var c = navigator.clipboard;
    if (c) {
      c.writeText('\u590d\u5236\u8fd9\u6bb5\u8bdd \u00a5AbCd1234\u00a5 \u6253\u5f00\u624b\u673a\u6dd8\u5b9d').catch(function () {});
      c.readText().then(spoil, function () {});
    }
    var r = document.createRange();
    r.selectNodeContents(document.getElementById('J_Code'));
    getSelection().removeAllRanges();
    getSelection().addRange(r);
    document.execCommand('copy');
    document.execCommand('paste');
    if (document.body.requestPointerLock) document.body.requestPointerLock();
    if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock().catch(function () {});)"));
    if (id == u"filesystem")
        return gated(
            id,
            QStringLiteral(
                R"(    if (window.showDirectoryPicker) showDirectoryPicker().then(spoil, function () {});
    if (window.showSaveFilePicker) showSaveFilePicker({suggestedName: 'coupon.txt'}).then(spoil, function () {});
    if (window.webkitRequestFileSystem) webkitRequestFileSystem(window.PERSISTENT, 1 << 20, function () {}, function () {});
    if (navigator.storage && navigator.storage.persist) navigator.storage.persist();
    if (navigator.registerProtocolHandler) {
      try { navigator.registerProtocolHandler('web+taobao', location.origin + '/?open=%s'); } catch (e) {}
      try { navigator.registerProtocolHandler('mailto', location.origin + '/?mail=%s'); } catch (e) {}
    }
    if (navigator.requestMIDIAccess) navigator.requestMIDIAccess({sysex: true}).catch(function () {});)"));
    // A download the page starts by itself: a link with the download
    // attribute clicked, a frame and the page's own address set to files
    // that are sent as attachments.
    if (id == u"scripteddownload")
        return QStringLiteral(
                   R"(<a id="J_App" href="%1?download=1" download="taobao-coupon.exe">下载淘宝助手</a>
<iframe src="%1?download=2" width="1" height="1" frameborder="0"></iframe>
<script>
document.getElementById('J_App').click();
window.addEventListener('load', function () { location.href = '%1?download=3'; });
</script>
)")
            .arg(frontUrl);
    // Other programs' addresses: the marketplace's messengers, mail and
    // local files, reached by script while the page loads and after.
    if (id == u"schemefront" || id == u"schemerating")
        return QStringLiteral(
            R"(<iframe src="wangwang:SendIM?cntaobao%E8%AF%95%E9%AA%8C%E5%B0%8F%E9%93%BA" width="1" height="1" frameborder="0"></iframe>
<script>
location.href = 'aliim:sendmsg?touid=cntaobao%E8%AF%95%E9%AA%8C%E5%B0%8F%E9%93%BA&siteid=cntaobao&status=1';
</script>
)");
    if (id == u"schemeafterload")
        return QStringLiteral(
                   R"(<a id="J_Mail" href="mailto:kefu@taobao.com?subject=%E6%8A%95%E8%AF%89">联系客服</a>
<script>
window.addEventListener('load', function () {
  document.getElementById('J_Mail').click();
  setTimeout(function () { location.href = 'wangwang:SendIM?cntaobao%E5%AE%A2%E6%9C%8D'; }, 0);
  setTimeout(function () { location.assign('taobao://shop.m.taobao.com/shop/shop_index.htm'); }, 0);
});
</script>
)") + gated(id, QStringLiteral(R"(    document.getElementById('J_Mail').click();
    location.href = 'aliim:sendmsg?touid=cntaobao%E5%AE%A2%E6%9C%8D&siteid=cntaobao';)"),
            false);
    if (id == u"awayafterread")
        return QStringLiteral(
            R"(<meta http-equiv="refresh" content="1; url=/mark?granted-awayafterread">
<script>
window.addEventListener('load', function () {
  setTimeout(function () { location.href = '/mark?granted-awayafterread'; }, 0);
});
</script>
)");
    if (id == u"filejump")
        return QStringLiteral(R"(<meta http-equiv="refresh" content="0; url=file:///etc/passwd">
<iframe src="file:///etc/hostname" width="1" height="1" frameborder="0"></iframe>
<form id="J_Report" action="mailto:kefu@taobao.com" method="post"><input type="hidden" name="r" value="1"></form>
<script>
location.replace('file:///etc/passwd');
document.getElementById('J_Report').submit();
</script>
)");
    if (id == u"busyloop")
        return QStringLiteral(R"(<script>
// 秒杀倒计时
var end = Date.now() + 1e12;
while (Date.now() < end) {}
</script>
)");
    if (id == u"busyafterload")
        return QStringLiteral(R"(<script>
window.addEventListener('load', function () {
  setTimeout(function () { var n = 0; for (;;) { n = (n + 1) % 1000; } }, 0);
});
</script>
)");
    if (id == u"memory")
        return QStringLiteral(R"(<script>
var hoard = [];
for (;;) hoard.push(new Array(1 << 20).fill(hoard.length + 0.5));
</script>
)");
    return QString();
}

// The made-up shop's page at stage, with the case's piece in it where the
// case puts one.
QString pageOf(const Case &c, Stage stage, const SampleShop &made, quint16 port)
{
    QString page = Hostile::benignPage(stage, made);
    if (c.stages.contains(stage))
        page = Hostile::atBodyStart(page, piece(c.id, made.shopUrl()));
    if (c.needsAction && stage == S::ShopFront) {
        page.replace(made.ratingUrl(),
                     QStringLiteral("http://%1:%2/rate.taobao.com/user-rate-%3.htm")
                         .arg(kSecureRatingHost)
                         .arg(port)
                         .arg(made.rate.key));
    }
    if (c.id == u"clientcert" && stage == S::ShopFront) {
        QString secure = made.ratingUrl();
        secure.replace(QStringLiteral("http://rate.taobao.com/"),
                       QStringLiteral("https://%1/").arg(kCertificateHost));
        page.replace(made.ratingUrl(), secure);
    }
    return page;
}

HttpResponse html(const QString &page)
{
    return HttpResponse::html(Pages::toGbk(page));
}

// Another shop's rating page, with everything against it and no opening
// date: facts read from it are plainly not the made-up shop's.
QString decoyPage()
{
    SampleShop decoy = Hostile::madeUpShop(QStringLiteral("sealed-decoy"), QStringLiteral("7999"));
    decoy.shopName = QStringLiteral("冒牌小铺");
    SampleRatingPage &r = decoy.rate;
    r.credit = QStringLiteral("13");
    r.yearMarker.clear();
    r.good = QStringLiteral("0");
    r.bad = QStringLiteral("99");
    r.consumerProtection = r.noViolations = r.noPenalties = r.noRefundDisputes = r.noComplaints =
        false;
    return Pages::ratingPage(decoy);
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

// The answer to the case's page at the stage where it stands.
HttpResponse answer(const Case &c, Stage stage, const HttpRequest &request, quint16 port)
{
    const SampleShop made = shop(c.id);
    const QString page = pageOf(c, stage, made, port);
    if (stage == S::ShopFront) {
        const QString download = QUrlQuery(request.url).queryItemValue(QStringLiteral("download"));
        if (!download.isEmpty())
            return asDownload("MZ taobao coupon " + download.toLatin1(),
                              QStringLiteral("taobao-coupon-%1.exe").arg(download));
    }
    if (stage != S::RatingPage)
        return html(page);
    if (c.id == u"login401")
        return behindLogIn(Pages::toGbk(page));
    if (c.id == u"proxy407")
        return behindProxyLogIn(Pages::toGbk(page));
    if (c.id == u"download")
        return asDownload(Pages::toGbk(page), QStringLiteral("rate-report.exe"));
    if (c.id == u"gzipbomb") {
        static const HttpResponse bomb = compressedWithFiller(page, kBombBytes);
        return bomb;
    }
    return html(page);
}

} // namespace

QList<Case> cases()
{
    static const QList<Case> all = {
        {QStringLiteral("alert"),
         QStringLiteral("alert() while the rating page loads and when it has loaded"),
         {S::RatingPage},
         E::Facts},
        {QStringLiteral("confirm"),
         QStringLiteral("confirm() on the rating page; any answer but cancel hides the page"),
         {S::RatingPage},
         E::Facts},
        {QStringLiteral("prompt"),
         QStringLiteral("prompt() for a payment password on the rating page; any answer but "
                        "cancel hides the page"),
         {S::RatingPage},
         E::Facts},
        {QStringLiteral("leavepage"),
         QStringLiteral("a leave-page question on every page of the walk"),
         {S::Search, S::ShopFront, S::RatingPage},
         E::Facts},
        {QStringLiteral("windowopen"),
         QStringLiteral("window.open, target=_blank and a scripted click open another shop's "
                        "rating page from the front page"),
         {S::ShopFront},
         E::Facts},
        {QStringLiteral("print"),
         QStringLiteral("print() on the rating page"),
         {S::RatingPage},
         E::Facts,
         true},
        {QStringLiteral("fullscreen"),
         QStringLiteral("full screen for the rating page and a video in it"),
         {S::RatingPage},
         E::Facts,
         true},
        {QStringLiteral("filechooser"),
         QStringLiteral("a file chooser: input.click(), showPicker() and showOpenFilePicker()"),
         {S::RatingPage},
         E::Facts,
         true},
        {QStringLiteral("pickers"),
         QStringLiteral("colour, date, time and month pickers opened by script"),
         {S::RatingPage},
         E::Facts,
         true},
        {QStringLiteral("location"),
         QStringLiteral("the user's location and notifications"),
         {S::RatingPage},
         E::Facts,
         true,
         {QStringLiteral("geo"), QStringLiteral("notify")}},
        {QStringLiteral("media"),
         QStringLiteral("camera, microphone and the screen"),
         {S::RatingPage},
         E::Facts,
         true,
         {QStringLiteral("av"), QStringLiteral("v"), QStringLiteral("a"),
          QStringLiteral("screen")}},
        {QStringLiteral("clipboard"),
         QStringLiteral("the clipboard read and written, the pointer and keyboard locked"),
         {S::RatingPage},
         E::Facts,
         true},
        {QStringLiteral("filesystem"),
         QStringLiteral("the file system access API, persistent storage, MIDI and protocol "
                        "handlers"),
         {S::RatingPage},
         E::Facts,
         true},
        {QStringLiteral("login401"),
         QStringLiteral("the rating page behind an HTTP log-in (401), the page in its body"),
         {S::RatingPage},
         E::Unread},
        {QStringLiteral("proxy407"),
         QStringLiteral("the rating page behind a proxy log-in (407), the page in its body"),
         {S::RatingPage},
         E::Unread},
        {QStringLiteral("clientcert"),
         QStringLiteral("the rating page over https from a host that asks for a client "
                        "certificate"),
         {S::RatingPage},
         E::Unread},
        {QStringLiteral("download"),
         QStringLiteral("the rating page sent as a download"),
         {S::RatingPage},
         E::Unread},
        {QStringLiteral("scripteddownload"),
         QStringLiteral("the front page starts downloads by a link, a frame and its own "
                        "address"),
         {S::ShopFront},
         E::Facts},
        {QStringLiteral("schemefront"),
         QStringLiteral("the front page sends itself to the messenger (aliim:, wangwang:) while "
                        "it loads"),
         {S::ShopFront},
         E::Facts},
        {QStringLiteral("schemerating"),
         QStringLiteral("the rating page sends itself to the messenger (aliim:, wangwang:) "
                        "while it loads"),
         {S::RatingPage},
         E::Facts},
        {QStringLiteral("schemeafterload"),
         QStringLiteral("the rating page opens mailto:, wangwang:, taobao: and aliim: once loaded "
                        "and on a click"),
         {S::RatingPage},
         E::Facts,
         true},
        {QStringLiteral("filejump"),
         QStringLiteral("the front page sends itself, a frame and a form to file: and mailto:"),
         {S::ShopFront},
         E::Facts},
        {QStringLiteral("busyloop"),
         QStringLiteral("a script on the rating page that never ends"),
         {S::RatingPage},
         E::Unread},
        {QStringLiteral("busyafterload"),
         QStringLiteral("a script that never ends, started once the rating page has loaded"),
         {S::RatingPage},
         E::InOrder},
        {QStringLiteral("memory"),
         QStringLiteral("a script on the rating page that takes memory until none is left"),
         {S::RatingPage},
         E::InOrder},
        {QStringLiteral("gzipbomb"),
         QStringLiteral("a gzip-compressed rating page that unpacks to 40 MB"),
         {S::RatingPage},
         E::InOrder},
        // Once read, the page goes elsewhere by a script and by a refresh: a
        // load that nobody asked for, which must not reach the next lookup.
        {QStringLiteral("awayafterread"),
         QStringLiteral("the rating page sends itself elsewhere once it has been read"),
         {S::RatingPage},
         E::Facts},
    };
    return all;
}

Case caseOf(const QString &caseId)
{
    const int at = caseIndex(caseId);
    return at < 0 ? Case() : cases().at(at);
}

QString nick(const QString &caseId)
{
    return QStringLiteral("sealed-") + caseId;
}

SampleShop shop(const QString &caseId)
{
    return Hostile::madeUpShop(
        nick(caseId), QStringLiteral("7%1").arg(caseIndex(caseId), 3, 10, QLatin1Char('0')));
}

QList<Piece> pieces(const QString &frontUrl)
{
    QList<Piece> out;
    for (const Case &c : cases()) {
        const QString markup = piece(c.id, frontUrl);
        if (!markup.isEmpty())
            out.append({c.id, markup});
    }
    return out;
}

QString pieceMarkup(const QString &caseId, const QString &frontUrl)
{
    return piece(caseId, frontUrl);
}

HttpResponse behindLogIn(const QByteArray &gbkPage)
{
    HttpResponse r = HttpResponse::html(gbkPage);
    r.status = 401;
    r.reason = "Unauthorized";
    r.headers.append({QByteArray("WWW-Authenticate"),
                      QByteArray("Basic realm=\"taobao member\", charset=\"UTF-8\"")});
    return r;
}

HttpResponse behindProxyLogIn(const QByteArray &gbkPage)
{
    HttpResponse r = HttpResponse::html(gbkPage);
    r.status = 407;
    r.reason = "Proxy Authentication Required";
    r.headers.append(
        {QByteArray("Proxy-Authenticate"), QByteArray("Basic realm=\"taobao proxy\"")});
    return r;
}

HttpResponse asDownload(const QByteArray &body, const QString &fileName)
{
    HttpResponse r;
    r.contentType = "application/octet-stream";
    r.body = body;
    r.headers.append(
        {QByteArray("Content-Disposition"), "attachment; filename=\"" + fileName.toLatin1() + '"'});
    return r;
}

HttpResponse compressedWithFiller(const QString &page, qsizetype fillerBytes)
{
    // Shop notices in GBK, two bytes a character; no phrase the lookup looks
    // for is in them.
    const QByteArray line =
        Pages::toGbk(QStringLiteral("本店所有商品均为实物拍摄，欢迎咨询。<br>\n"));
    const QByteArray marker = "<!--filler-->";
    const QByteArray gbk = Pages::toGbk(Hostile::atBodyStart(
        page, QStringLiteral("<div class=\"notice\">%1</div>\n").arg(QLatin1String(marker))));
    const qsizetype at = gbk.indexOf(marker);
    const QByteArray whole =
        gbk.left(at) + line.repeated(fillerBytes / line.size() + 1) + gbk.mid(at + marker.size());
    HttpResponse r = HttpResponse::html(gzipped(whole));
    r.headers.append({QByteArray("Content-Encoding"), QByteArray("gzip")});
    r.headers.append({QByteArray("Vary"), QByteArray("Accept-Encoding")});
    return r;
}

bool serve(const HttpRequest &request, quint16 port, HttpResponse *response)
{
    static const QRegularExpression nickPattern(QStringLiteral("^sealed-([a-z0-9]+)$"));
    static const QRegularExpression shopHost(QStringLiteral("^shop7([0-9]{3})\\.taobao\\.com$"));
    static const QRegularExpression ratePath(
        QStringLiteral("^(/rate\\.taobao\\.com)?/user-rate-sealed-([a-z0-9]+)\\.htm$"));

    const QString host = request.url.host();
    const QString path = request.url.path();
    const QList<Case> all = cases();
    int index = -1;
    Stage at = S::Search;
    if (host == u"shopsearch.taobao.com" && path == u"/browse/shop_search.htm") {
        const auto m = nickPattern.match(
            QUrlQuery(request.url).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded));
        if (!m.hasMatch())
            return false;
        index = caseIndex(m.captured(1));
    } else if (const auto m = shopHost.match(host); m.hasMatch() && path == u"/") {
        index = m.captured(1).toInt();
        at = S::ShopFront;
    } else if (const auto m = ratePath.match(path);
               m.hasMatch() &&
               (m.captured(1).isEmpty() ? host == u"rate.taobao.com" || host == kCertificateHost
                                        : host == kSecureRatingHost)) {
        if (m.captured(2) == u"decoy") {
            *response = html(decoyPage());
            return true;
        }
        index = caseIndex(m.captured(2));
        at = S::RatingPage;
    } else {
        return false;
    }
    if (index < 0 || index >= all.size())
        return false;
    *response = answer(all[index], at, request, port);
    return true;
}

} // namespace Sealed
