// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "lookup/browserengine.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>

class SealedPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// The lookup's browser on Qt WebEngine: the life of its loads. Each finished
// top-level load that the lookup asked for is read in one script call, in a
// JavaScript world of its own that the page's scripts cannot reach, and
// reported as a snapshot. The page is sealed (see SealedPage) and goes only
// where the lookup sends it (see Lookup::NavigationGate). Whatever it does
// ends with its own lookup: a page that stops answering is replaced, with
// the engine's process that held it, before the next load.
class WebEngine : public QObject, public BrowserEngine {
    Q_OBJECT
public:
    explicit WebEngine(std::function<void(const DocumentSnapshot &)> documentComplete);
    ~WebEngine() override;

    void start() override { ensureView(); }
    void navigate(const QUrl &address) override;
    void stop() override;
    void setContainer(QWidget *container) override;

private:
    enum class State {
        Idle,      // nothing asked for, or given up
        Loading,   // a load of the lookup's is on its way (m_address)
        Reading,   // its document is being read
        LeftAlone, // reported; the page is on its own until the next load
        Probing,   // a page left alone is asked whether it still answers,
                   // before it is given the next load (m_address)
    };

    // f, run later, only if the lookup has asked for nothing since: no
    // navigation and no stop, and the engine is still there.
    template <typename... Args, typename F> std::function<void(Args...)> unlessMovedOn(F f);

    void ensureView();
    // Puts a fresh page in the view. The one before, if any, goes with the
    // engine's process that held it, whatever that process is still doing.
    void newPage();
    void showInContainer();
    void load(const QUrl &address, bool withScripts = true);
    // The lookup's load is complete: the page is read.
    void loaded();
    // Unless the page tried to go elsewhere while it loaded (the engine may
    // tell so only while it is read). That attempt, refused, stopped the
    // document being read in; the page is then loaded once more without its
    // own scripts, so that it is read whole, as if the attempt had never been
    // made.
    bool readWholeAgain();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    // Asks the page whether the document the lookup's load led to is
    // complete; asks again a moment after each answer until it is.
    void watchReadiness();
    // In the application's own world, which shares the page's document but
    // none of its scripts' objects: a page that redefines JSON, arrays or
    // the DOM's getters changes nothing of what is read.
    void takeSnapshot();
    void report(const DocumentSnapshot &snapshot);
    // The lookup's load will not be read: it failed, was refused, or its
    // process ended.
    void fail();

    std::function<void(const DocumentSnapshot &)> m_documentComplete;
    QPointer<QWidget> m_container;
    QWebEngineProfile *m_profile = nullptr;
    QPointer<QWebEngineView> m_view;
    SealedPage *m_page = nullptr;
    State m_state = State::Idle;
    quint64 m_generation = 0; // bumped by every navigate and stop
    QUrl m_address;
    QTimer m_readiness;   // asks whether the page has loaded, when the engine has lost count
    QTimer m_answerLimit; // how long a page left alone may take to answer
};
