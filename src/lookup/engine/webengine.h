// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "lookup/browserengine.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class LookupPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// The lookup's browser on Qt WebEngine. Each finished top-level load that the
// lookup asked for is read in one script call, in a JavaScript world of its
// own that the page's scripts cannot reach, and reported as a snapshot. The
// profile is off the record: no cookie, cache or history reaches the disk.
//
// The page is sealed: nobody sees it and nobody answers it (see LookupPage).
// Whatever it does ends with its own lookup: a page that stops answering is
// replaced, with the engine's process that held it, before the next load.
class WebEngine : public QObject, public BrowserEngine {
    Q_OBJECT
public:
    explicit WebEngine(std::function<void(const DocumentSnapshot &)> documentComplete);
    ~WebEngine() override;

    void start() override;
    void navigate(const QUrl &address) override;
    void stop() override;
    void setContainer(QWidget *container) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ensureView();
    void sealInput(QObject *object);
    void newPage();
    void showInContainer();
    void load(const QUrl &address, bool withScripts = true);
    void loaded();
    bool readWholeAgain();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void watchReadiness();
    void takeSnapshot();
    void report(const DocumentSnapshot &snapshot);
    void reportFailure();

    std::function<void(const DocumentSnapshot &)> m_documentComplete;
    QPointer<QWidget> m_container;
    QWebEngineProfile *m_profile = nullptr;
    QPointer<QWebEngineView> m_view;
    LookupPage *m_page = nullptr;
    quint64 m_generation = 0; // bumped by every navigate and stop
    bool m_awaiting = false;  // a load of the lookup's has yet to be reported
    QUrl m_address;           // the address of that load
    // The page has been left to itself since its last report: it may have
    // been computing ever since, so it is asked whether it still answers
    // before it is given the next load.
    bool m_leftAlone = false;
    QTimer m_readiness;    // asks whether the page has loaded, when the engine has lost count
    QTimer m_answerLimit;  // how long a page left alone may take to answer
    QUrl m_waitingAddress; // the load that waits for that answer
};
