// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "webengine.h"

#include "lookup/linktests.h"
#include "lookup/snapshotscript.h"

#include <QOpenGLContext>
#include <QQuickWindow>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// The lookup's page. Its own console messages are not the user's business.
// While a load the lookup asked for is under way, the page that is being
// left can no longer navigate the browser: a meta refresh or a script of
// the previous page would otherwise replace the lookup's page before it
// arrives. The server's redirects still lead on.
class LookupPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

    bool ownLoadPending = false;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
    bool acceptNavigationRequest(const QUrl &, NavigationType type, bool isMainFrame) override
    {
        return !isMainFrame || !ownLoadPending || type == NavigationTypeTyped ||
               type == NavigationTypeRedirect;
    }
};

} // namespace

WebEngine::WebEngine(std::function<void(const DocumentSnapshot &)> documentComplete)
    : m_documentComplete(std::move(documentComplete))
{
}

WebEngine::~WebEngine()
{
    // The page must go before its profile.
    delete m_view;
    delete m_profile;
}

void WebEngine::setContainer(QWidget *container)
{
    m_container = container;
    showInContainer();
}

void WebEngine::showInContainer()
{
    if (!m_view || !m_container)
        return;
    m_view->setParent(m_container);
    m_view->setGeometry(m_container->rect());
    m_view->show();
}

void WebEngine::start()
{
    ensureView();
}

void WebEngine::ensureView()
{
    if (m_view)
        return;
    // Without OpenGL (the offscreen platform, a display without GL) the
    // engine's pages are drawn in software from the start.
    const QOpenGLContext *shared = QOpenGLContext::globalShareContext();
    if (!shared || !shared->isValid())
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    m_profile = new QWebEngineProfile(); // no storage name: off the record
    m_profile->setHttpCacheType(QWebEngineProfile::NoCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    m_view = new QWebEngineView(m_container.data());
    auto *page = new LookupPage(m_profile, m_view);
    // Nobody sees the page: it never asks for the keyboard.
    page->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setPage(page);
    showInContainer();
    connect(page, &QWebEnginePage::loadingChanged, this, &WebEngine::onLoadingChanged);
}

void WebEngine::navigate(const QUrl &address)
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
    static_cast<LookupPage *>(m_view->page())->ownLoadPending = true;
    m_view->page()->load(address);
}

void WebEngine::stop()
{
    ++m_generation;
    if (m_view)
        m_view->page()->triggerAction(QWebEnginePage::Stop);
}

void WebEngine::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    // A load that another took the place of reports only that it stopped.
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
        info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
        static_cast<LookupPage *>(m_view->page())->ownLoadPending = false;
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

void WebEngine::reportFailure()
{
    DocumentSnapshot snapshot;
    snapshot.loadFailed = true;
    m_documentComplete(snapshot);
}

void WebEngine::takeSnapshot()
{
    const quint64 generation = m_generation;
    QPointer<WebEngine> self(this);
    // The application's own world shares the page's document but none of its
    // scripts' objects: a page that redefines JSON, arrays or the DOM's
    // getters changes nothing of what is read here.
    m_view->page()->runJavaScript(Lookup::SnapshotScript(), QWebEngineScript::ApplicationWorld,
                                  [self, generation](const QVariant &r) {
                                      // A navigation issued since the page
                                      // finished makes this look stale.
                                      if (!self || self->m_generation != generation)
                                          return;
                                      self->m_documentComplete(Lookup::ParseSnapshot(r));
                                  });
}
