// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Lookup: from Enter in the name box to the advice written, over the sample
// marketplace on loopback, against the floor: the same browser engine
// loading the same three pages one after another and reading each, when it
// has finished, with the same snapshot script in the same isolated world,
// with nothing else. A lookup cannot go on without reading each page; the
// same three pages loaded and never read are measured for the record.
//
// Recovery: the ordinary lookup right after one whose rating page never
// stops computing (it ends at the page limit), against the ordinary lookups
// of the same run. The page's process is replaced when that lookup ends, so
// the next one pays for a fresh process and nothing more.
//
//   bench_lookup [--rounds N] [--recovery-rounds N]
#include "app/errorbox.h"
#include "app/form1.h"
#include "benchcommon.h"
#include "lookup/linktests.h"
#include "lookup/modulebrowser.h"
#include "lookup/snapshotscript.h"
#include "marketplace/marketplace.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

const QString kNick = QStringLiteral("老字号茶庄");
// A made-up shop of the sample marketplace whose rating page never stops computing.
const QString kNeverEnds = QStringLiteral("sealed-busyloop");
// The page limit while it is looked up: short, as only what follows counts.
constexpr int kShortPageLimitMs = 2000;
const QString kNoAdvice = QStringLiteral("暂无建议.");
constexpr int kTimeoutMs = 30000;

// One round's times in ms from the start: each page started and finished,
// and the end.
struct Round {
    QList<double> started;
    QList<double> pages;
    QList<double> snapshots; // each page's snapshot back from the page
    double total = -1;
};

class LumoraSide {
public:
    LumoraSide() : m_tapped(tapSnapshots()), m_form(&m_browser)
    {
        m_timeout.setSingleShot(true);
        QObject::connect(&m_timeout, &QTimer::timeout, &m_loop, &QEventLoop::quit);
        QObject::connect(&m_form, &Form1::firstPainted, &m_browser, &ModuleBrowser::warmUp);
        m_form.show();
        ErrorBox::SetHandler([this](QWidget *, const QString &text) {
            m_error = text;
            m_loop.quit();
        });
        m_name = m_form.findChild<QLineEdit *>(QStringLiteral("txtTB"));
        m_advice = m_form.findChild<QPlainTextEdit *>(QStringLiteral("Text10"));
        QObject::connect(m_advice, &QPlainTextEdit::textChanged, [this] {
            if (m_round.total < 0 && m_t0 && m_advice->toPlainText() != kNoAdvice) {
                m_round.total = Bench::msSince(m_t0);
                m_loop.quit();
            }
        });
    }

    void setPageLimit(int ms) { m_form.setPageTimeout(ms); }
    QString error() const { return m_error; }

    Round lookUp(const QString &nick = kNick)
    {
        watchPages();
        m_round = Round();
        m_error.clear();
        m_name->setText(nick);
        m_timeout.start(kTimeoutMs);
        m_t0 = Bench::nowNs();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(m_name, &press);
        QApplication::sendEvent(m_name, &release);
        m_loop.exec();
        m_timeout.stop();
        m_t0 = 0;
        if (!m_error.isEmpty())
            Bench::say(QStringLiteral("lumora: error box: ") + m_error);
        return m_round;
    }

private:
    // Notes when each page's snapshot is back, before the window handles
    // it: connected ahead of the window.
    bool tapSnapshots()
    {
        QObject::connect(&m_browser, &Browser::DocumentComplete, [this] {
            if (m_t0)
                m_round.snapshots << Bench::msSince(m_t0);
        });
        return true;
    }

    // The lookup's browser view exists once the engine has started; every
    // finished page is noted, for the break-down, whichever page the view
    // holds.
    void watchPages()
    {
        if (m_watched)
            return;
        auto *view = m_form.findChild<QWebEngineView *>();
        if (!view)
            return;
        m_watched = true;
        QObject::connect(view, &QWebEngineView::loadStarted, [this] {
            if (m_t0)
                m_round.started << Bench::msSince(m_t0);
        });
        QObject::connect(view, &QWebEngineView::loadFinished, [this](bool) {
            if (m_t0)
                m_round.pages << Bench::msSince(m_t0);
        });
    }

    ModuleBrowser m_browser{QStringList{QStringLiteral(LUMORA_MODULE_BUILD_DIR)}};
    bool m_tapped;
    Form1 m_form;
    QLineEdit *m_name = nullptr;
    QPlainTextEdit *m_advice = nullptr;
    QEventLoop m_loop;
    QTimer m_timeout;
    Round m_round;
    QString m_error;
    qint64 m_t0 = 0;
    bool m_watched = false;
};

class FloorSide {
public:
    // read: each page is read with the lookup's snapshot before the next
    // one is loaded.
    FloorSide(const QList<QUrl> &pages, bool read) : m_pages(pages), m_read(read)
    {
        m_timeout.setSingleShot(true);
        QObject::connect(&m_timeout, &QTimer::timeout, &m_loop, &QEventLoop::quit);
        // The same kind of profile the lookup's browser uses.
        m_profile.setHttpCacheType(QWebEngineProfile::NoCache);
        m_profile.setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        m_window.setFixedSize(572, 379);
        m_view = new QWebEngineView(&m_window);
        m_view->setPage(new QWebEnginePage(&m_profile, m_view));
        m_view->setGeometry(376, -16, 9, 9);
        m_window.show();
        QObject::connect(m_view->page(), &QWebEnginePage::loadStarted, [this] {
            if (m_t0)
                m_round.started << Bench::msSince(m_t0);
        });
        QObject::connect(m_view->page(), &QWebEnginePage::loadFinished, [this](bool ok) {
            if (!m_t0)
                return;
            m_round.pages << Bench::msSince(m_t0);
            if (!ok)
                Bench::say(QStringLiteral("floor: a page did not load"));
            if (!m_read) {
                next();
                return;
            }
            m_view->page()->runJavaScript(
                Lookup::SnapshotScript(), QWebEngineScript::ApplicationWorld,
                [this](const QVariant &result) {
                    if (!m_t0)
                        return;
                    if (!Lookup::ParseSnapshot(result).hasBody)
                        Bench::say(QStringLiteral("floor: a page could not be read"));
                    m_round.snapshots << Bench::msSince(m_t0);
                    next();
                });
        });
    }
    ~FloorSide()
    {
        delete m_view; // the page goes before its profile
    }

    Round load()
    {
        m_round = Round();
        m_timeout.start(kTimeoutMs);
        m_t0 = Bench::nowNs();
        m_view->load(m_pages[0]);
        m_loop.exec();
        m_timeout.stop();
        m_t0 = 0;
        return m_round;
    }

private:
    void next()
    {
        if (m_round.pages.size() < m_pages.size()) {
            m_view->load(m_pages[m_round.pages.size()]);
            return;
        }
        m_round.total = Bench::msSince(m_t0);
        m_loop.quit();
    }

    QList<QUrl> m_pages;
    bool m_read;
    QWebEngineProfile m_profile; // no storage name: off the record
    QWidget m_window;
    QWebEngineView *m_view = nullptr;
    QEventLoop m_loop;
    QTimer m_timeout;
    Round m_round;
    qint64 m_t0 = 0;
};

// Medians of when each page started and finished loading (and, for Lumora,
// when its snapshot was back), and of the end.
QString pageColumns(const QList<Round> &rounds)
{
    const auto median = [&](QList<double> Round::*times, int i) {
        QList<double> values;
        for (const Round &r : rounds)
            if ((r.*times).size() > i)
                values << (r.*times)[i];
        return values.isEmpty() ? QString() : Bench::fmt(Bench::median(values));
    };
    QString cells;
    for (int i = 0; i < 3; ++i) {
        const QString snapshot = median(&Round::snapshots, i);
        cells += QStringLiteral("%1-%2%3 ")
                     .arg(median(&Round::started, i), median(&Round::pages, i),
                          snapshot.isEmpty() ? QString() : QStringLiteral("/") + snapshot);
    }
    QList<double> end;
    for (const Round &r : rounds)
        end << r.total;
    return cells + QStringLiteral("end %1").arg(Bench::fmt(Bench::median(end)));
}

} // namespace

int main(int argc, char *argv[])
{
    Bench::prepareEnvironment();
    QApplication app(argc, argv);
    Marketplace market;
    if (!market.listen()) {
        Bench::say(QStringLiteral("the sample marketplace could not listen"));
        return 1;
    }
    // The engine reads its proxy from the environment when it starts, which
    // is later, with the first lookup.
    qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(market.port()));
    const QStringList args = app.arguments();
    const auto count = [&](const QString &option, int fallback) {
        const qsizetype at = args.indexOf(option);
        return at > 0 && at + 1 < args.size() ? qMax(1, args[at + 1].toInt()) : fallback;
    };
    const int rounds = count(QStringLiteral("--rounds"), 40);
    const int recoveryRounds = count(QStringLiteral("--recovery-rounds"), 10);

    const SampleShop shop = Marketplace::sampleShop(kNick);
    const QList<QUrl> pages = {Lookup::SearchAddress(kNick), QUrl(shop.shopUrl()),
                               QUrl(shop.ratingUrl())};

    LumoraSide lumora;
    FloorSide floor(pages, true);
    FloorSide unread(pages, false);
    // Two of each first: the engine, the connections and the caches warm up.
    for (int i = 0; i < 2; ++i) {
        lumora.lookUp();
        floor.load();
        unread.load();
    }
    QList<Round> rows[3];
    QList<double> totals[3];
    for (int round = 0; round < rounds; ++round) {
        // The order turns every round.
        for (int k = 0; k < 3; ++k) {
            const int side = (round + k) % 3;
            const Round r = side == 0 ? lumora.lookUp() : (side == 1 ? floor : unread).load();
            if (r.total >= 0) {
                rows[side] << r;
                totals[side] << r.total;
            }
        }
    }
    // Recovery: a lookup that ends at the page limit, then an ordinary one.
    QList<double> recovered;
    lumora.setPageLimit(kShortPageLimitMs);
    for (int round = 0; round < recoveryRounds; ++round) {
        lumora.lookUp(kNeverEnds);
        if (lumora.error().isEmpty())
            Bench::say(QStringLiteral("lumora: %1 did not end at the page limit").arg(kNeverEnds));
        const Round r = lumora.lookUp();
        if (r.total >= 0)
            recovered << r.total;
    }
    Bench::say(QStringLiteral("\n== lookup of %1 over the sample marketplace: %2 rounds ==")
                   .arg(kNick)
                   .arg(rounds));
    Bench::say(QStringLiteral("lumora, Enter to advice:        %1 ms (%2 of %3 lookups ended)")
                   .arg(Bench::fmt(Bench::median(totals[0])))
                   .arg(totals[0].size())
                   .arg(rounds));
    Bench::say(QStringLiteral("floor, three pages read:        %1 ms")
                   .arg(Bench::fmt(Bench::median(totals[1]))));
    Bench::say(QStringLiteral("three pages loaded, not read:   %1 ms")
                   .arg(Bench::fmt(Bench::median(totals[2]))));
    Bench::say(QStringLiteral("each page started-finished(/snapshot back), in ms from the start "
                              "(search, shop, rating), then the end:"));
    Bench::say(QStringLiteral("  lumora %1").arg(pageColumns(rows[0])));
    Bench::say(QStringLiteral("  floor  %1").arg(pageColumns(rows[1])));
    Bench::say(QStringLiteral("  unread %1").arg(pageColumns(rows[2])));
    Bench::printResult(QStringLiteral("lookup"), Bench::median(totals[0]), Bench::median(totals[1]),
                       QStringLiteral("<=1.10"), QStringLiteral("ms"));
    Bench::printResult(QStringLiteral("lookup-unread"), Bench::median(totals[0]),
                       Bench::median(totals[2]), QStringLiteral("record"), QStringLiteral("ms"));
    Bench::say(QStringLiteral("lumora, Enter to advice right after a page that never stops "
                              "computing: %1 ms (%2 of %3 lookups ended)")
                   .arg(Bench::fmt(Bench::median(recovered)))
                   .arg(recovered.size())
                   .arg(recoveryRounds));
    Bench::printResult(QStringLiteral("recovery"), Bench::median(recovered),
                       Bench::median(totals[0]), QStringLiteral("<=3.0"), QStringLiteral("ms"));
    ErrorBox::SetHandler({});
    return 0;
}
