// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The floor: a browser view loading the lookup's three pages one after
// another, again and again, in a profile off the record like the lookup's.
//   mem_floor          in Lumora's own window, reading each page with the
//                      lookup's snapshot script in the same isolated world
//   mem_floor --bare   in an empty window of Lumora's size, reading nothing
//                      (the floor before the window and the reading counted)
#include "../windowfloor.h"
#include "lookup/linktests.h"
#include "lookup/snapshotscript.h"
#include "memchild.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool bare = app.arguments().contains(QStringLiteral("--bare"));
    // The three pages: the search, the shop and its rating page.
    const QStringList pageArgs = qEnvironmentVariable("LUMORA_BENCH_PAGES").split(u' ');
    QList<QUrl> pages{Lookup::SearchAddress(MemChild::nick())};
    for (const QString &page : pageArgs)
        pages << QUrl(page);

    QWebEngineProfile profile;
    profile.setHttpCacheType(QWebEngineProfile::NoCache);
    profile.setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    Bench::NoBrowser browser;
    std::unique_ptr<QWidget> window;
    if (bare) {
        window = std::make_unique<QWidget>();
        window->setFixedSize(572, 379);
    } else {
        Bench::nameApplication();
        window = std::make_unique<Form1>(&browser);
    }
    auto *view = new QWebEngineView(window.get());
    view->setPage(new QWebEnginePage(&profile, view));
    view->setGeometry(376, -16, 9, 9);
    window->show();

    int loaded = 0;
    const int total = MemChild::lookups() * int(pages.size());
    const auto next = [&] {
        if (++loaded == total) {
            MemChild::doneThenWait(loaded / int(pages.size()));
            return;
        }
        view->load(pages[loaded % pages.size()]);
    };
    QObject::connect(view->page(), &QWebEnginePage::loadFinished, [&](bool ok) {
        if (!ok)
            MemChild::report(QStringLiteral("ERROR a page did not load"));
        if (bare) {
            next();
            return;
        }
        view->page()->runJavaScript(Lookup::SnapshotScript(), QWebEngineScript::ApplicationWorld,
                                    [&](const QVariant &result) {
                                        if (!Lookup::ParseSnapshot(result).hasBody)
                                            MemChild::report(
                                                QStringLiteral("ERROR a page was not read"));
                                        next();
                                    });
    });
    view->load(pages[0]);
    const int code = app.exec();
    delete view; // the page goes before its profile
    return code;
}
