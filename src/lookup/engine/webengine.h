// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "lookup/browserengine.h"

#include <QObject>
#include <QPointer>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// The lookup's browser on Qt WebEngine. Each finished top-level load is read
// in one script call, in a JavaScript world of its own that the page's
// scripts cannot reach, and reported as a snapshot. The profile is off the
// record: no cookie, cache or history reaches the disk.
class WebEngine : public QObject, public BrowserEngine {
    Q_OBJECT
public:
    explicit WebEngine(std::function<void(const DocumentSnapshot &)> documentComplete);
    ~WebEngine() override;

    void start() override;
    void navigate(const QUrl &address) override;
    void stop() override;
    void setContainer(QWidget *container) override;

private:
    void ensureView();
    void showInContainer();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void takeSnapshot();
    void reportFailure();

    std::function<void(const DocumentSnapshot &)> m_documentComplete;
    QPointer<QWidget> m_container;
    QWebEngineProfile *m_profile = nullptr;
    QPointer<QWebEngineView> m_view;
    quint64 m_generation = 0; // bumped by every navigate and stop
};
