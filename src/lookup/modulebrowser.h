// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "browser.h"

#include <QPointer>
#include <QStringList>
#include <memory>

class BrowserEngine;
class QPluginLoader;

// The lookup's browser (WebTB) on the engine in its module. The module is
// loaded by warmUp(), which the program runs right after the window's first
// paint, or by the first Navigate when a lookup comes before that. When the
// module is missing or cannot be loaded, every Navigate finishes, after the
// caller has returned, as a page with engineMissing set.
class ModuleBrowser : public Browser {
    Q_OBJECT
public:
    // The file name of the module and the folders it is looked for in, in
    // order: beside the program (a build tree), then the package's own
    // library folder relative to the program.
    static QString moduleFileName();
    static QStringList defaultFolders();

    explicit ModuleBrowser(const QStringList &folders = defaultFolders(),
                           QObject *parent = nullptr);
    ~ModuleBrowser() override;

    void Navigate(const QUrl &address) override;
    void Stop() override;
    void setContainer(QWidget *container) override;

    // Loads the module and starts the engine, ahead of the first lookup.
    void warmUp();
    bool isLoaded() const { return m_engine != nullptr; }
    // Why the module could not be loaded; empty while nothing failed.
    QString loadError() const { return m_loadError; }

private:
    bool load();

    QStringList m_folders;
    std::unique_ptr<QPluginLoader> m_loader;
    std::unique_ptr<BrowserEngine> m_engine;
    QPointer<QWidget> m_container;
    QString m_loadError;
    quint64 m_generation = 0; // bumped by every Navigate and Stop
};
