// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Extraction: a rating page with 32,767 links and about 1 MB of body text.
// Lumora's time from the page's loadFinished to the advice written, against
// the snapshot alone (the snapshot script run on the same page and its
// result parsed) as the floor; and the handlers alone on a prepared
// snapshot. The pages come from a small loopback server of this program,
// reached as the browser's HTTP proxy.
//
//   bench_extraction [--rounds N]
#include "app/errorbox.h"
#include "app/form1.h"
#include "benchcommon.h"
#include "lookup/linktests.h"
#include "lookup/modulebrowser.h"
#include "lookup/snapshotscript.h"
#include "marketplace/marketplace.h"
#include "marketplace/pages.h"
#include "pageserver.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

const QString kNick = QStringLiteral("老字号茶庄");
const QString kNoAdvice = QStringLiteral("暂无建议.");
constexpr int kLinks = 32767;
constexpr int kBodyText = 1 << 20; // characters of body text aimed at
constexpr int kTimeoutMs = 60000;

// The shop's rating page with a long list of buyers' ratings, one item link
// each, inside the part of the page the rating counts are read from.
QString bigRatingPage(const SampleShop &shop)
{
    QString html = Pages::ratingPage(shop);
    const QString header =
        QStringLiteral("<tr><th>评价</th><th>评论</th><th>评价人</th><th>宝贝信息</th></tr>");
    const qsizetype at = html.indexOf(header);
    if (at < 0)
        qFatal("the rating page has no rating list");
    static const QRegularExpression link(QStringLiteral("<a\\s[^>]*href="));
    const int rows = kLinks - int(html.count(link));
    // Each row shows its cells separated by tabs, ending with a line break.
    const QStringList words = {QStringLiteral("宝贝收到了质量很好"), QStringLiteral("发货很快"),
                               QStringLiteral("包装仔细"),           QStringLiteral("和描述的一样"),
                               QStringLiteral("下次还来"),           QStringLiteral("性价比高"),
                               QStringLiteral("物流给力"),           QStringLiteral("客服态度好")};
    const int perRow = (kBodyText - 3000) / rows; // the rest of the page shows about 3000
    QString filler;
    filler.reserve(rows * 200);
    for (int i = 0; i < rows; ++i) {
        const QString who = QStringLiteral("b***%1").arg(i % 10);
        const QString item = QStringLiteral("宝贝%1").arg(i);
        // "好评" tab comment tab who tab item newline
        const int fixed = 2 + 1 + 1 + int(who.size()) + 1 + int(item.size()) + 1;
        QString comment;
        for (int w = i; comment.size() < perRow - fixed; ++w)
            comment += words[w % words.size()];
        comment.truncate(qMax(1, perRow - fixed));
        filler +=
            QStringLiteral("<tr><td>好评</td><td>%1</td><td>%2</td><td><a "
                           "href=\"http://item.taobao.com/item.htm?id=%3\">%4</a></td></tr>\n")
                .arg(comment, who, QString::number(100000 + i), item);
    }
    html.insert(at + header.size() + 1, filler);
    return html;
}

// Waits for done() or the time-out.
class Wait {
public:
    Wait()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    }
    void exec()
    {
        m_timer.start(kTimeoutMs);
        m_loop.exec();
        m_timer.stop();
    }
    void done() { m_loop.quit(); }

private:
    QEventLoop m_loop;
    QTimer m_timer;
};

struct Times {
    double loaded = -1;   // ms from the start to the rating page's loadFinished
    double snapshot = -1; // ms from the start to the rating page's snapshot back
    double written = -1;  // ms from the start to the advice written
};

class LumoraSide {
public:
    LumoraSide(const QUrl &ratingPage)
        : m_ratingPage(ratingPage), m_tapped(tapSnapshots()), m_form(&m_browser)
    {
        QObject::connect(&m_form, &Form1::firstPainted, &m_browser, &ModuleBrowser::warmUp);
        m_form.setPageTimeout(kTimeoutMs);
        m_form.show();
        ErrorBox::SetHandler([this](QWidget *, const QString &text) {
            Bench::say(QStringLiteral("lumora: error box: ") + text);
            m_wait.done();
        });
        m_name = m_form.findChild<QLineEdit *>(QStringLiteral("txtTB"));
        m_advice = m_form.findChild<QPlainTextEdit *>(QStringLiteral("Text10"));
        QObject::connect(m_advice, &QPlainTextEdit::textChanged, [this] {
            if (m_t0 && m_times.written < 0 && m_advice->toPlainText() != kNoAdvice) {
                m_times.written = Bench::msSince(m_t0);
                m_wait.done();
            }
        });
    }

    Times lookUp()
    {
        m_times = Times();
        m_name->setText(kNick);
        m_t0 = Bench::nowNs();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(m_name, &press);
        QApplication::sendEvent(m_name, &release);
        // The browser view exists from the first Navigate on.
        watchPages();
        m_wait.exec();
        m_t0 = 0;
        return m_times;
    }

    Form1 &form() { return m_form; }

private:
    // Notes when the rating page's snapshot is back, before the window
    // handles it: connected ahead of the window.
    bool tapSnapshots()
    {
        QObject::connect(&m_browser, &Browser::DocumentComplete, [this] {
            if (m_t0 && m_times.loaded >= 0 && m_times.snapshot < 0)
                m_times.snapshot = Bench::msSince(m_t0);
        });
        return true;
    }

    void watchPages()
    {
        if (m_watched)
            return;
        auto *view = m_form.findChild<QWebEngineView *>();
        if (!view)
            return;
        m_watched = true;
        // loadFinished comes before loadingChanged, which the lookup's
        // browser reads the page on; both are watched, the earlier counts.
        const auto finished = [this, view] {
            if (m_t0 && m_times.loaded < 0 && view->url() == m_ratingPage)
                m_times.loaded = Bench::msSince(m_t0);
        };
        QObject::connect(view->page(), &QWebEnginePage::loadFinished, finished);
        QObject::connect(view->page(), &QWebEnginePage::loadingChanged,
                         [finished](const QWebEngineLoadingInfo &info) {
                             if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
                                 finished();
                         });
    }

    QUrl m_ratingPage;
    ModuleBrowser m_browser{QStringList{QStringLiteral(LUMORA_MODULE_BUILD_DIR)}};
    bool m_tapped;
    Form1 m_form;
    QLineEdit *m_name = nullptr;
    QPlainTextEdit *m_advice = nullptr;
    Wait m_wait;
    Times m_times;
    qint64 m_t0 = 0;
    bool m_watched = false;
};

struct SnapshotTimes {
    double loaded = -1; // ms from the start to the rating page's loadFinished
    double script = -1; // ms from loadFinished to the script's result
    double parse = -1;  // ms to parse the result
    DocumentSnapshot snapshot;
};

class FloorSide {
public:
    // pages: the search and the shop page, then the rating page; only the
    // last is read, the others give the engine the history a lookup gives it.
    explicit FloorSide(const QList<QUrl> &pages) : m_pages(pages)
    {
        // The same kind of profile the lookup's browser uses.
        m_profile.setHttpCacheType(QWebEngineProfile::NoCache);
        m_profile.setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        m_window.setFixedSize(572, 379);
        m_view = new QWebEngineView(&m_window);
        m_view->setPage(new QWebEnginePage(&m_profile, m_view));
        m_view->setGeometry(376, -16, 9, 9);
        m_window.show();
        QObject::connect(m_view->page(), &QWebEnginePage::loadFinished, [this](bool ok) {
            if (!m_t0 || m_times.loaded >= 0)
                return;
            if (!ok) {
                Bench::say(QStringLiteral("floor: a page did not load"));
                m_wait.done();
                return;
            }
            if (++m_next < m_pages.size()) {
                m_view->load(m_pages[m_next]);
                return;
            }
            const qint64 loaded = Bench::nowNs();
            m_times.loaded = double(loaded - m_t0) / 1e6;
            m_view->page()->runJavaScript(Lookup::SnapshotScript(),
                                          [this, loaded](const QVariant &result) {
                                              const qint64 got = Bench::nowNs();
                                              m_times.snapshot = Lookup::ParseSnapshot(result);
                                              m_times.parse = Bench::msSince(got);
                                              m_times.script = double(got - loaded) / 1e6;
                                              m_wait.done();
                                          });
        });
    }
    ~FloorSide() { delete m_view; }

    SnapshotTimes load()
    {
        m_times = SnapshotTimes();
        m_next = 0;
        m_t0 = Bench::nowNs();
        m_view->load(m_pages[0]);
        m_wait.exec();
        m_t0 = 0;
        return m_times;
    }

private:
    QList<QUrl> m_pages;
    qsizetype m_next = 0;
    QWebEngineProfile m_profile;
    QWidget m_window;
    QWebEngineView *m_view = nullptr;
    Wait m_wait;
    SnapshotTimes m_times;
    qint64 m_t0 = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    Bench::prepareEnvironment();
    const SampleShop shop = Marketplace::sampleShop(kNick);
    QApplication app(argc, argv);
    const QByteArray bigPage = Pages::toGbk(bigRatingPage(shop));
    const QUrl ratingPage(shop.ratingUrl());
    PageServer server([&](const QUrl &address) -> PageServer::Page {
        const QByteArray html = "text/html; charset=gbk";
        const QString host = address.host();
        if (host == QLatin1String("shopsearch.taobao.com") &&
            address.path() == QLatin1String("/browse/shop_search.htm"))
            return {Pages::toGbk(Pages::searchResults(kNick, &shop)), html};
        if (address == QUrl(shop.shopUrl()))
            return {Pages::toGbk(Pages::shopFront(shop)), html};
        if (address.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == ratingPage)
            return {bigPage, html};
        return {};
    });
    if (!server.listen()) {
        Bench::say(QStringLiteral("the page server could not listen"));
        return 1;
    }
    qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(server.port()));

    const QStringList args = app.arguments();
    int rounds = 5;
    const qsizetype at = args.indexOf(QStringLiteral("--rounds"));
    if (at > 0 && at + 1 < args.size())
        rounds = qMax(1, args[at + 1].toInt());

    LumoraSide lumora(ratingPage);
    FloorSide floor({Lookup::SearchAddress(kNick), QUrl(shop.shopUrl()), ratingPage});
    lumora.lookUp();
    SnapshotTimes last = floor.load();

    QList<double> whole, oursSnapshot, oursHandlers, snapshot, script, parse, loadOurs, loadFloor;
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            if ((round + k) % 2 == 0) {
                const Times t = lumora.lookUp();
                if (t.loaded >= 0 && t.written >= 0) {
                    whole << t.written - t.loaded;
                    oursSnapshot << t.snapshot - t.loaded;
                    oursHandlers << t.written - t.snapshot;
                    loadOurs << t.loaded;
                }
            } else {
                const SnapshotTimes t = floor.load();
                if (t.parse >= 0) {
                    snapshot << t.script + t.parse;
                    script << t.script;
                    parse << t.parse;
                    loadFloor << t.loaded;
                    last = t;
                }
            }
        }
    }

    // The handlers alone, on the snapshot the floor took, with no box to block.
    QStringList boxes;
    ErrorBox::SetHandler([&](QWidget *, const QString &text) { boxes << text; });
    QList<double> handlers;
    for (int i = 0; i < 21; ++i) {
        const qint64 t0 = Bench::nowNs();
        lumora.form().lookup().ExtractShopFacts(last.snapshot); // ends with Command13_Click
        handlers << Bench::msSince(t0);
    }
    ErrorBox::SetHandler({});

    Bench::say(QStringLiteral("\n== extraction from a big rating page: %1 rounds ==").arg(rounds));
    Bench::say(
        QStringLiteral("page: %1 bytes (GBK), %2 links, body text %3 characters, %4 link texts")
            .arg(bigPage.size())
            .arg(last.snapshot.linkHrefs.size())
            .arg(last.snapshot.bodyText.size())
            .arg(last.snapshot.anchorTexts.size()));
    Bench::say(QStringLiteral("rating page loaded, ms after the start (both walk search, shop, "
                              "rating): lumora %1, floor %2")
                   .arg(Bench::fmt(Bench::median(loadOurs)), Bench::fmt(Bench::median(loadFloor))));
    Bench::say(QStringLiteral("lumora, loadFinished to advice:  %1 ms (%2 of %3 lookups ended): "
                              "snapshot back after %4 ms, then the handlers %5 ms")
                   .arg(Bench::fmt(Bench::median(whole)))
                   .arg(whole.size())
                   .arg(rounds)
                   .arg(Bench::fmt(Bench::median(oursSnapshot)),
                        Bench::fmt(Bench::median(oursHandlers), 2)));
    Bench::say(QStringLiteral("floor, snapshot alone:           %1 ms (script %2 ms + parse %3 ms)")
                   .arg(Bench::fmt(Bench::median(snapshot)), Bench::fmt(Bench::median(script)),
                        Bench::fmt(Bench::median(parse))));
    Bench::say(
        QStringLiteral("handlers alone (ExtractShopFacts with Command13_Click): %1 ms%2")
            .arg(Bench::fmt(Bench::median(handlers), 2),
                 boxes.isEmpty() ? QString() : QStringLiteral(" (boxes: %1)").arg(boxes.first())));
    Bench::printResult(QStringLiteral("extraction"), Bench::median(whole), Bench::median(snapshot),
                       QStringLiteral("<=1.2"), QStringLiteral("ms"));
    Bench::say(QStringLiteral("RESULT handlers value=%1ms goal=<10ms")
                   .arg(Bench::fmt(Bench::median(handlers), 2)));
    return 0;
}
