// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "lookup/navigationgate.h"

#include <QWebEnginePage>

class QWebEngineProfile;
class QWebEngineView;

// The page of a lookup. Nobody sees it and nobody answers it: whatever it asks
// of its host is answered no, at once, and nothing is shown. Its loads pass
// the lookup's navigation gate.
class SealedPage : public QWebEnginePage {
public:
    SealedPage(QWebEngineProfile *profile, QObject *parent);

    // The profile of the lookup's pages: off the record, so no cookie, cache
    // or history reaches the disk, and set to refuse what a page could ask
    // of it: downloads, windows, the screen, the clipboard.
    static QWebEngineProfile *newProfile();
    // The view the pages are shown in, out of sight in container: it takes
    // neither the keyboard nor a context menu, and whatever widget the
    // engine puts in it, at any depth, gets no input.
    static QWebEngineView *newView(QWidget *container);

    Lookup::NavigationGate &gate() { return m_gate; }

protected:
    // Alerts, questions and prompts are not shown; the script goes on as if
    // cancelled.
    void javaScriptAlert(const QUrl &, const QString &) override {}
    bool javaScriptConfirm(const QUrl &, const QString &message) override;
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override
    {
        return false;
    }
    // The page's console is nobody's business.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
    // No new window or tab opens; the lookup's page stays.
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
    // No file chooser opens, and nothing is chosen.
    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override
    {
        return {};
    }
    // Another program is never reached, and the page goes nowhere by itself.
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    Lookup::NavigationGate m_gate;
};
