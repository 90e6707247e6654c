// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The floor: a bare program with a browser view in an empty window of
// Lumora's size, loading the lookup's three pages one after another, again
// and again. Its profile is off the record like the lookup's.
#include "lookup/linktests.h"
#include "memchild.h"

#include <QApplication>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The three pages: the search, the shop and its rating page.
    const QStringList pageArgs = qEnvironmentVariable("LUMORA_BENCH_PAGES").split(u' ');
    QList<QUrl> pages{Lookup::SearchAddress(MemChild::nick())};
    for (const QString &page : pageArgs)
        pages << QUrl(page);

    QWebEngineProfile profile;
    profile.setHttpCacheType(QWebEngineProfile::NoCache);
    profile.setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QWidget window;
    window.setFixedSize(572, 379);
    auto *view = new QWebEngineView(&window);
    view->setPage(new QWebEnginePage(&profile, view));
    view->setGeometry(376, -16, 9, 9);
    window.show();

    int loaded = 0;
    const int total = MemChild::lookups() * int(pages.size());
    QObject::connect(view->page(), &QWebEnginePage::loadFinished, [&](bool ok) {
        if (!ok)
            MemChild::report(QStringLiteral("ERROR a page did not load"));
        if (++loaded == total) {
            MemChild::doneThenWait(loaded / int(pages.size()));
            return;
        }
        view->load(pages[loaded % pages.size()]);
    });
    view->load(pages[0]);
    const int code = app.exec();
    delete view; // the page goes before its profile
    return code;
}
