// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "webenginebrowser.h"

#include "linktests.h"
#include "snapshotscript.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

WebEngineBrowser::WebEngineBrowser(QObject *parent) : Browser(parent) {}

WebEngineBrowser::~WebEngineBrowser()
{
    // The page must go before its profile.
    delete m_view;
    delete m_profile;
}

void WebEngineBrowser::setContainer(QWidget *container)
{
    m_container = container;
    if (m_view && m_container) {
        m_view->setParent(m_container);
        m_view->setGeometry(m_container->rect());
        m_view->show();
    }
}

void WebEngineBrowser::warmUp()
{
    ensureView();
}

void WebEngineBrowser::ensureView()
{
    if (m_view)
        return;
    m_profile = new QWebEngineProfile(); // no storage name: off the record
    m_profile->setHttpCacheType(QWebEngineProfile::NoCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_view = new QWebEngineView(m_container.data());
    auto *page = new QWebEnginePage(m_profile, m_view);
    m_view->setPage(page);
    if (m_container) {
        m_view->setGeometry(m_container->rect());
        m_view->show();
    }
    connect(page, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
}

void WebEngineBrowser::Navigate(const QUrl &address)
{
    ensureView();
    ++m_generation;
    if (!Lookup::IsWebAddress(address)) {
        // Only web pages are loaded; anything else ends as a failed load,
        // reported after the caller has returned, like any page load, unless
        // a navigation or a stop comes first.
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (m_generation == generation)
                    reportFailure();
            },
            Qt::QueuedConnection);
        return;
    }
    m_view->page()->load(address);
}

void WebEngineBrowser::Stop()
{
    ++m_generation;
    if (m_view)
        m_view->page()->triggerAction(QWebEnginePage::Stop);
}

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        takeSnapshot();
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        reportFailure();
        break;
    default:
        // Started, or stopped because another navigation took its place:
        // the load that replaced it reports in its turn.
        break;
    }
}

void WebEngineBrowser::reportFailure()
{
    DocumentSnapshot snapshot;
    snapshot.loadFailed = true;
    emit DocumentComplete(snapshot);
}

void WebEngineBrowser::takeSnapshot()
{
    const quint64 generation = m_generation;
    QPointer<WebEngineBrowser> self(this);
    m_view->page()->runJavaScript(Lookup::SnapshotScript(), [self, generation](const QVariant &r) {
        // A navigation issued since the page finished makes this look stale.
        if (!self || self->m_generation != generation)
            return;
        emit self->DocumentComplete(Lookup::ParseSnapshot(r));
    });
}
