// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "webengine.h"

#include "lookup/engineflags.h"
#include "lookup/linktests.h"
#include "lookup/snapshotscript.h"

#include <QAuthenticator>
#include <QChildEvent>
#include <QCoreApplication>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QWebEngineCertificateError>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEngineDesktopMediaRequest>
#include <QWebEnginePermission>
#include <QWebEngineWebAuthUxRequest>
#else
#include <QWebEngineQuotaRequest>
#endif

namespace {

// How often the page is asked whether its load is complete, once the engine
// has lost count of it.
constexpr int kReadinessMs = 50;
// How long a page that has been left to itself may take to answer before it
// counts as stuck. An idle page answers within a millisecond; replacing one
// that was merely busy costs no more than a fresh start.
constexpr int kAnswerLimitMs = 250;

QUrl withoutFragment(const QUrl &address)
{
    return address.adjusted(QUrl::RemoveFragment);
}

} // namespace

// The page of a lookup. Nobody sees it and nobody answers it: whatever it asks
// of its host is answered no, at once, and nothing is shown.
class LookupPage : public QWebEnginePage {
public:
    LookupPage(QWebEngineProfile *profile, QObject *parent);

    // The lookup asks for address. Until its load has ended the page may go
    // only where that load leads.
    void expect(const QUrl &address)
    {
        m_expected = {withoutFragment(address)};
        m_pending = true;
        m_reading = false;
        m_leftWhileLoading = false;
    }
    // The lookup's load has ended, and the page is being read; from now on
    // it goes nowhere.
    void settle()
    {
        m_pending = false;
        m_reading = true;
    }
    // The page has been read, or given up.
    void finished() { m_reading = false; }
    bool pending() const { return m_pending; }
    // Whether address is where the lookup's load led: the address asked for,
    // or a redirect on the way.
    bool isExpected(const QUrl &address) const
    {
        return m_expected.contains(withoutFragment(address));
    }
    // Whether the page tried to go elsewhere while the lookup's load was
    // under way (the engine may pass the attempt on only as the page is
    // read). The attempt alone stops the document being read in, so the rest
    // of the page never arrives.
    bool leftWhileLoading() const { return m_leftWhileLoading; }
    // A load has started in the main frame. The engine may tell so before it
    // asks whether the page may go there, and the page's document can read
    // as empty from then on: while the page is read, or for another
    // program's address at any time, that is the page trying to go
    // elsewhere.
    void noteLoadStarted(const QUrl &address)
    {
        if (isExpected(address))
            return;
        if (m_reading || (m_pending && !Lookup::IsWebAddress(address)))
            m_leftWhileLoading = true;
    }

protected:
    // An alert: nobody is there to read it.
    void javaScriptAlert(const QUrl &, const QString &) override {}
    bool javaScriptConfirm(const QUrl &, const QString &message) override;
    // A prompt, perhaps for a password in a box that would seem to be Lumora's: cancelled.
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override
    {
        return false;
    }
    // The page's console is nobody's business.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
    // A new window or tab: none is made, and the lookup's page stays.
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
    // A file chooser: nothing is chosen, and no dialog opens.
    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override
    {
        return {};
    }
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    QList<QUrl> m_expected;
    bool m_pending = false;
    bool m_reading = false;
    bool m_leftWhileLoading = false;
};

LookupPage::LookupPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    // A permission (location, notifications, camera, microphone, screen,
    // pointer lock, and from Qt 6.8 on the clipboard and the local fonts
    // too): refused without asking; nobody could be asked.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
    // The choice of a screen or a window to share: none is chosen.
    connect(this, &QWebEnginePage::desktopMediaRequested, this,
            [](const QWebEngineDesktopMediaRequest &request) { request.cancel(); });
    // A security key or passkey: nobody is there to touch one.
    connect(this, &QWebEnginePage::webAuthUxRequested, this,
            [](QWebEngineWebAuthUxRequest *request) { request->cancel(); });
#else
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    // Room to store data: refused; the lookup keeps nothing. (Qt 6.8 no
    // longer asks.)
    connect(this, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
#endif
    // Full screen: refused; the page is never shown.
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    // Becoming the handler of a scheme: refused; the page is nobody's browser.
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    // Access to the user's files: refused.
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    // A client certificate: none is given; the lookup has no identity to show.
    connect(this, &QWebEnginePage::selectClientCertificate, this,
            [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
    // A log-in, to the site or to a proxy: none is given (a null authenticator
    // cancels it), so a page that needs one cannot be read.
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator) { *authenticator = QAuthenticator(); });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator, const QString &) {
                *authenticator = QAuthenticator();
            });
    // A certificate that does not check out: refused; nobody is there to judge it.
    connect(this, &QWebEnginePage::certificateError, this,
            [](QWebEngineCertificateError error) { error.rejectCertificate(); });
    // Printing (window.print()) comes only as printRequested, which nothing
    // here answers: no dialog, no printer, no file.
}

// A confirm: cancelled. The question before leaving a page, which the engine
// asks when the lookup moves on, is answered "leave": staying would hold the
// lookup until its page limit.
bool LookupPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    return message == QCoreApplication::translate("QWebEnginePage",
                                                  "Are you sure you want to leave this page? "
                                                  "Changes that you made may not be saved.");
}

bool LookupPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    // Another program's scheme, mailto:, file: and the like are never
    // followed, in any frame, and so never handed to the desktop either.
    const bool web = Lookup::IsWebAddress(url);
    if (!isMainFrame)
        return web;
    // The page itself goes nowhere: only the load the lookup asked for, and
    // the redirects on its way, replace it. A script or a refresh of the page
    // that the lookup has read can therefore never reach the next lookup.
    if (web && m_pending && (type == NavigationTypeTyped || type == NavigationTypeRedirect)) {
        if (type == NavigationTypeRedirect)
            m_expected.append(withoutFragment(url));
        return true;
    }
    if (m_pending || m_reading)
        m_leftWhileLoading = true;
    return false;
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
        load(m_waitingAddress);
    });
}

WebEngine::~WebEngine()
{
    // The pages, the current one and any on their way out, must go before
    // their profile.
    delete m_view;
    const QObjectList children = this->children();
    for (QObject *child : children)
        delete dynamic_cast<LookupPage *>(child);
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
    // The page processes leave the garbage of every page they have shown to
    // their script engine's own schedule, which, for a page that nobody sees,
    // never comes: Qt 6.8's engine grew by some 3 MB a lookup. Its gc() is
    // made available (before the engine starts, with the first profile) so
    // that the bridge can collect once a lookup has read its page.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            Lookup::WithScriptFlag(qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS"),
                                   QStringLiteral("--expose-gc"))
                .toLocal8Bit());
    m_profile = new QWebEngineProfile(); // no storage name: off the record
    m_profile->setHttpCacheType(QWebEngineProfile::NoCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // Spell checking is off by default; turning it off once more would make
    // Qt 6.8 look for dictionaries and complain on the terminal.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Qt 6.8 keeps the answers to a page's permission requests; there are
    // none to keep, in memory or on disk.
    m_profile->setPersistentPermissionsPolicy(
        QWebEngineProfile::PersistentPermissionsPolicy::AskEveryTime);
#endif
    // A download: none starts, and nothing is written.
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });

    QWebEngineSettings *settings = m_profile->settings();
    // Nobody sees the page: it never asks for the keyboard.
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    // A script opens no window, raises none, takes no screen, and neither
    // reads nor writes the clipboard.
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    // A PDF is not shown but offered as a download, which is refused; a page
    // that fails leaves no error page of the engine's own behind.
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // An address of another program's scheme goes to the navigation gate
    // like any other, whether a script or a click asks for it; the gate
    // refuses it, so it is never handed to the desktop, and the page's
    // attempt is known (see LookupPage::acceptNavigationRequest).
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    // Even off the record the engine makes folders for a page's databases
    // below its storage path: it points below a device, where none can be.
    m_profile->setPersistentStoragePath(QStringLiteral("/dev/null/lumora"));

    m_view = new QWebEngineView(m_container.data());
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    sealInput(m_view);
    newPage();
    showInContainer();
}

// Whatever widget the engine puts in the view, at any depth, gets no input.
void WebEngine::sealInput(QObject *object)
{
    object->installEventFilter(this);
    for (QObject *child : object->children())
        sealInput(child);
}

bool WebEngine::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        sealInput(static_cast<QChildEvent *>(event)->child());
        return false;
    // A click, a key, a touch or a drop would count as the user acting on
    // the page, which some of its requests (pickers, the clipboard, a file
    // chooser) wait for. Nobody sees the page: nobody acts on it.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

// Puts a fresh page in the view. The one before, if any, goes with the
// engine's process that held it, whatever that process is still doing.
void WebEngine::newPage()
{
    m_readiness.stop();
    m_answerLimit.stop();
    m_leftAlone = false;
    if (m_page) {
        m_page->disconnect(this);
        // Not at once: the page may be in the middle of reporting to us.
        m_page->deleteLater();
    }
    m_page = new LookupPage(m_profile, this);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngine::onLoadingChanged);
    // The engine's process that held the page has ended (it crashed, or ran
    // out of memory): whatever the lookup waited for from it will not come.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (!m_awaiting)
            return;
        m_page->settle();
        m_readiness.stop();
        reportFailure();
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
    if (!m_leftAlone) {
        load(address);
        return;
    }
    // The page has been on its own since it was read, and its scripts may
    // have been computing ever since. It gets the load if it answers at once;
    // otherwise it is replaced first.
    m_leftAlone = false;
    m_waitingAddress = address;
    m_answerLimit.start();
    const quint64 generation = m_generation;
    QPointer<WebEngine> self(this);
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          [self, generation](const QVariant &) {
                              if (!self || self->m_generation != generation ||
                                  !self->m_answerLimit.isActive())
                                  return;
                              self->m_answerLimit.stop();
                              self->load(self->m_waitingAddress);
                          });
}

void WebEngine::load(const QUrl &address, bool withScripts)
{
    m_awaiting = true;
    m_address = address;
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, withScripts);
    m_page->expect(address);
    m_page->load(address);
}

// The lookup's load is complete: the page is read.
void WebEngine::loaded()
{
    m_page->settle();
    m_readiness.stop();
    if (!readWholeAgain())
        takeSnapshot();
}

// Unless the page tried to go elsewhere while it loaded (the engine may tell
// so only while it is read). That attempt, refused, stopped the document
// being read in; the page is then loaded once more without its own scripts,
// so that it is read whole, as if the attempt had never been made.
bool WebEngine::readWholeAgain()
{
    if (!m_page->leftWhileLoading() ||
        !m_page->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled))
        return false;
    load(m_address, false);
    return true;
}

void WebEngine::stop()
{
    ++m_generation;
    m_awaiting = false;
    // Whatever the page still does is nobody's business. It may be stuck in a
    // script that never ends, so it goes with its process, and the next load
    // starts on a fresh page.
    if (m_view)
        newPage();
}

void WebEngine::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        m_page->noteLoadStarted(info.url());
        return;
    }
    if (!m_page->pending())
        return; // a page left to itself reports nothing
    if (m_page->isExpected(info.url())) {
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
            loaded();
            return;
        }
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
            m_page->settle();
            m_readiness.stop();
            reportFailure();
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

// Asks the page whether the document the lookup's load led to is complete;
// asks again a moment after each answer until it is.
void WebEngine::watchReadiness()
{
    const quint64 generation = m_generation;
    QPointer<WebEngine> self(this);
    m_page->runJavaScript(
        QStringLiteral("[document.readyState, document.URL]"), QWebEngineScript::ApplicationWorld,
        [self, generation](const QVariant &answer) {
            if (!self || self->m_generation != generation || !self->m_page->pending())
                return;
            const QVariantList state = answer.toList();
            if (state.value(0).toString() != u"complete" ||
                !self->m_page->isExpected(QUrl(state.value(1).toString()))) {
                self->m_readiness.start();
                return;
            }
            self->loaded();
        });
}

void WebEngine::reportFailure()
{
    DocumentSnapshot snapshot;
    snapshot.loadFailed = true;
    report(snapshot);
}

void WebEngine::report(const DocumentSnapshot &snapshot)
{
    m_awaiting = false;
    m_page->finished();
    const quint64 generation = m_generation;
    QPointer<WebEngine> self(this);
    m_documentComplete(snapshot);
    // Nobody asked for another load: the page is on its own until the next,
    // and what the lookup's pages left behind is collected meanwhile.
    if (self && m_generation == generation) {
        m_leftAlone = true;
        m_page->runJavaScript(QStringLiteral("typeof gc === 'function' && gc()"),
                              QWebEngineScript::ApplicationWorld);
    }
}

void WebEngine::takeSnapshot()
{
    const quint64 generation = m_generation;
    QPointer<WebEngine> self(this);
    // The application's own world shares the page's document but none of its
    // scripts' objects: a page that redefines JSON, arrays or the DOM's
    // getters changes nothing of what is read here.
    m_page->runJavaScript(Lookup::SnapshotScript(), QWebEngineScript::ApplicationWorld,
                          [self, generation](const QVariant &r) {
                              // A navigation or a stop since the page finished
                              // makes this look stale.
                              if (!self || self->m_generation != generation || !self->m_awaiting)
                                  return;
                              if (!self->readWholeAgain())
                                  self->report(Lookup::ParseSnapshot(r));
                          });
}
