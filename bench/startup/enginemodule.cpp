// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The module start_deferred loads after its first paint: the lookup's browser
// view as the lookup's browser makes it, in the container it is given.
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget *createView(QWidget *container)
{
    auto *view = new QWebEngineView(container);
    auto *profile = new QWebEngineProfile(view); // no storage name: off the record
    profile->setHttpCacheType(QWebEngineProfile::NoCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    view->setPage(new QWebEnginePage(profile, view));
    view->setGeometry(container->rect());
    view->show();
    return view;
}
