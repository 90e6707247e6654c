// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "browser.h"

#include <QPointer>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// The lookup's browser on Qt WebEngine. Each finished top-level load is read
// in one script call and reported as a snapshot. The profile is off the
// record: no cookie, cache or history reaches the disk.
class WebEngineBrowser : public Browser {
    Q_OBJECT
public:
    explicit WebEngineBrowser(QObject *parent = nullptr);
    ~WebEngineBrowser() override;

    void Navigate(const QUrl &address) override;
    void Stop() override;
    void setContainer(QWidget *container) override;

    // Starts the browser engine ahead of the first lookup.
    void warmUp();

private:
    void ensureView();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void takeSnapshot();
    void reportFailure();

    QPointer<QWidget> m_container;
    QWebEngineProfile *m_profile = nullptr;
    QPointer<QWebEngineView> m_view;
    quint64 m_generation = 0; // bumped by every Navigate and Stop
};
