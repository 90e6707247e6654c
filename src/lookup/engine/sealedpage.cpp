// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "sealedpage.h"

#include <QAuthenticator>
#include <QChildEvent>
#include <QCoreApplication>
#include <QWebEngineCertificateError>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
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

// A click, a key, a touch or a drop would count as the user acting on the
// page, which some of its requests (pickers, the clipboard, a file chooser)
// wait for. Nobody sees the page: nobody acts on it.
class InputSeal : public QObject {
public:
    using QObject::QObject;

    void seal(QObject *object)
    {
        object->installEventFilter(this);
        for (QObject *child : object->children())
            seal(child);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ChildAdded:
            seal(static_cast<QChildEvent *>(event)->child());
            return false;
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
};

} // namespace

QWebEngineView *SealedPage::newView(QWidget *container)
{
    auto *view = new QWebEngineView(container);
    view->setFocusPolicy(Qt::NoFocus);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    (new InputSeal(view))->seal(view);
    return view;
}

QWebEngineProfile *SealedPage::newProfile()
{
    auto *profile = new QWebEngineProfile(); // no storage name: off the record
    profile->setHttpCacheType(QWebEngineProfile::NoCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // Spell checking is off by default; turning it off once more would make
    // Qt 6.8 look for dictionaries and complain on the terminal.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Qt 6.8 keeps the answers to a page's permission requests; there are
    // none to keep, in memory or on disk.
    profile->setPersistentPermissionsPolicy(
        QWebEngineProfile::PersistentPermissionsPolicy::AskEveryTime);
#endif
    // Even off the record the engine makes folders for a page's databases
    // below its storage path: it points below a device, where none can be.
    profile->setPersistentStoragePath(QStringLiteral("/dev/null/lumora"));
    // Nothing is downloaded, and nothing is written.
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest *download) { download->cancel(); });

    QWebEngineSettings *settings = profile->settings();
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
    // An address of another program's scheme goes to the navigation gate like
    // any other, whether a script or a click asks for it; the gate refuses
    // it, so it is never handed to the desktop, and the page's attempt is
    // known.
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    return profile;
}

// Each request a page can make of its host, in the order the README lists
// what a page cannot do. Downloads are refused by the profile.
SealedPage::SealedPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    // No window goes full screen; nothing is shown.
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    // Printing (window.print()) comes only as printRequested, which nothing
    // here answers: no dialog, no printer, no file.

    // No permission is given, without asking: location, notifications,
    // camera, microphone, screen, pointer lock, and from Qt 6.8 on the
    // clipboard and the local fonts too; nobody could be asked.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
    // No screen or window is chosen to share.
    connect(this, &QWebEnginePage::desktopMediaRequested, this,
            [](const QWebEngineDesktopMediaRequest &request) { request.cancel(); });
    // No security key or passkey: nobody is there to touch one.
    connect(this, &QWebEnginePage::webAuthUxRequested, this,
            [](QWebEngineWebAuthUxRequest *request) { request->cancel(); });
#else
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    // No room to store data; the lookup keeps nothing. (Qt 6.8 no longer asks.)
    connect(this, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
#endif
    // No access to the user's files.
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    // The page handles no scheme; it is nobody's browser.
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });

    // No log-in is sent, to the site or to a proxy (a null authenticator
    // cancels it), so a page that needs one cannot be read.
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator) { *authenticator = QAuthenticator(); });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator, const QString &) {
                *authenticator = QAuthenticator();
            });
    // No client certificate: the lookup has no identity to show.
    connect(this, &QWebEnginePage::selectClientCertificate, this,
            [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
    // A certificate that does not check out is refused; nobody is there to
    // judge it.
    connect(this, &QWebEnginePage::certificateError, this,
            [](QWebEngineCertificateError error) { error.rejectCertificate(); });
}

// A confirm: cancelled. The question before leaving a page, which the engine
// asks when the lookup moves on, is answered "leave": staying would hold the
// lookup until its page limit.
bool SealedPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    return message == QCoreApplication::translate("QWebEnginePage",
                                                  "Are you sure you want to leave this page? "
                                                  "Changes that you made may not be saved.");
}

bool SealedPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    using Cause = Lookup::NavigationGate::Cause;
    const Cause cause = type == NavigationTypeTyped      ? Cause::Asked
                        : type == NavigationTypeRedirect ? Cause::Redirect
                                                         : Cause::Page;
    return m_gate.allows(url, cause, isMainFrame);
}
