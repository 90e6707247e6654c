// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "webengine.h"

#include "lookup/linktests.h"
#include "lookup/snapshotscript.h"
#include "sealedpage.h"

#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

// How often the page is asked whether its load is complete, once the engine
// has lost count of it.
constexpr int kReadinessMs = 50;
// How long a page that has been left to itself may take to answer before it
// counts as stuck. An idle page answers within a millisecond; replacing one
// that was merely busy costs no more than a fresh start.
constexpr int kAnswerLimitMs = 250;

template <typename... Args, typename F> std::function<void(Args...)> WebEngine::unlessMovedOn(F f)
{
    return [self = QPointer<WebEngine>(this), generation = m_generation, f](Args... args) {
        if (self && self->m_generation == generation)
            f(args...);
    };
}

WebEngine::WebEngine(std::function<void(const DocumentSnapshot &)> documentComplete)
    : m_documentComplete(std::move(documentComplete))
{
    m_readiness.setSingleShot(true);
    m_readiness.setInterval(kReadinessMs);
    connect(&m_readiness, &QTimer::timeout, this, &WebEngine::watchReadiness);
    m_answerLimit.setSingleShot(true);
    m_answerLimit.setInterval(kAnswerLimitMs);
    connect(&m_answerLimit, &QTimer::timeout, this, [this] {
        newPage();
        load(m_address);
    });
}

WebEngine::~WebEngine()
{
    // The pages, the current one and any on their way out, must go before
    // their profile.
    delete m_view;
    const QObjectList children = this->children();
    for (QObject *child : children)
        delete dynamic_cast<SealedPage *>(child);
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

void WebEngine::ensureView()
{
    if (m_view)
        return;
    m_profile = SealedPage::newProfile();
    m_view = SealedPage::newView(m_container);
    newPage();
    showInContainer();
}

void WebEngine::newPage()
{
    m_readiness.stop();
    m_answerLimit.stop();
    if (m_page) {
        m_page->disconnect(this);
        // Not at once: the page may be in the middle of reporting to us.
        m_page->deleteLater();
    }
    m_page = new SealedPage(m_profile, this);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngine::onLoadingChanged);
    // The engine's process that held the page has ended (it crashed, or ran
    // out of memory): whatever the lookup waited for from it will not come.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (m_state == State::Loading || m_state == State::Reading)
            fail();
    });
    m_view->setPage(m_page);
}

void WebEngine::navigate(const QUrl &address)
{
    ensureView();
    ++m_generation;
    m_readiness.stop();
    m_answerLimit.stop();
    if (!Lookup::IsWebAddress(address)) {
        // Only web pages are loaded; anything else ends as a failed load,
        // reported after the caller has returned, like any page load, unless
        // a navigation or a stop comes first.
        QMetaObject::invokeMethod(this, unlessMovedOn([this] { fail(); }), Qt::QueuedConnection);
        return;
    }
    if (m_state != State::LeftAlone) {
        load(address);
        return;
    }
    // The page has been on its own since it was read, and its scripts may
    // have been computing ever since. It gets the load if it answers at once;
    // otherwise it is replaced first.
    m_state = State::Probing;
    m_address = address;
    m_answerLimit.start();
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          unlessMovedOn<const QVariant &>([this](const QVariant &) {
                              if (m_state != State::Probing || !m_answerLimit.isActive())
                                  return;
                              m_answerLimit.stop();
                              load(m_address);
                          }));
}

void WebEngine::load(const QUrl &address, bool withScripts)
{
    m_state = State::Loading;
    m_address = address;
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, withScripts);
    m_page->gate().expect(address);
    m_page->load(address);
}

void WebEngine::loaded()
{
    m_state = State::Reading;
    m_page->gate().settle();
    m_readiness.stop();
    if (!readWholeAgain())
        takeSnapshot();
}

bool WebEngine::readWholeAgain()
{
    if (!m_page->gate().leftWhileLoading() ||
        !m_page->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled))
        return false;
    load(m_address, false);
    return true;
}

void WebEngine::stop()
{
    ++m_generation;
    m_state = State::Idle;
    // Whatever the page still does is nobody's business. It may be stuck in a
    // script that never ends, so it goes with its process, and the next load
    // starts on a fresh page.
    if (m_view)
        newPage();
}

void WebEngine::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    Lookup::NavigationGate &gate = m_page->gate();
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        gate.noteLoadStarted(info.url());
        return;
    }
    if (!gate.pending())
        return; // a page left to itself reports nothing
    if (gate.isExpected(info.url())) {
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
            loaded();
            return;
        }
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
            fail();
            return;
        }
    }
    // The lookup's load was stopped by the page itself, or another document's
    // load has ended: one the page was leaving when the lookup's load began,
    // or a refused jump to another program's scheme. The engine then reports
    // the end of the lookup's own load no more, so the page is asked instead.
    if (!m_readiness.isActive())
        m_readiness.start();
}

void WebEngine::watchReadiness()
{
    m_page->runJavaScript(QStringLiteral("[document.readyState, document.URL]"),
                          QWebEngineScript::ApplicationWorld,
                          unlessMovedOn<const QVariant &>([this](const QVariant &answer) {
                              if (!m_page->gate().pending())
                                  return;
                              const QVariantList state = answer.toList();
                              if (state.value(0).toString() != u"complete" ||
                                  !m_page->gate().isExpected(QUrl(state.value(1).toString()))) {
                                  m_readiness.start();
                                  return;
                              }
                              loaded();
                          }));
}

void WebEngine::takeSnapshot()
{
    m_page->runJavaScript(Lookup::SnapshotScript(), QWebEngineScript::ApplicationWorld,
                          unlessMovedOn<const QVariant &>([this](const QVariant &result) {
                              if (m_state == State::Reading && !readWholeAgain())
                                  report(Lookup::ParseSnapshot(result));
                          }));
}

void WebEngine::fail()
{
    m_page->gate().settle();
    m_readiness.stop();
    DocumentSnapshot snapshot;
    snapshot.loadFailed = true;
    report(snapshot);
}

void WebEngine::report(const DocumentSnapshot &snapshot)
{
    m_state = State::Idle;
    m_page->gate().finish();
    // Nobody asked for another load: the page is on its own until the next,
    // and what the lookup's pages left behind is collected meanwhile.
    auto leaveAlone = unlessMovedOn([this] {
        m_state = State::LeftAlone;
        m_page->runJavaScript(QStringLiteral("typeof gc === 'function' && gc()"),
                              QWebEngineScript::ApplicationWorld);
    });
    m_documentComplete(snapshot);
    leaveAlone();
}
