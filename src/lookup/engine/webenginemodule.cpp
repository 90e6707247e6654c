// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The module that holds the browser engine: the one part of Lumora that
// links Qt WebEngine.
#include "lookup/engineflags.h"
#include "webengine.h"

#include <QObject>
#include <QOpenGLContext>
#include <QQuickWindow>

class WebEngineModule : public QObject, public BrowserEngineFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LUMORA_BROWSER_ENGINE_IID)
    Q_INTERFACES(BrowserEngineFactory)
public:
    BrowserEngine *
    createEngine(std::function<void(const DocumentSnapshot &)> documentComplete) override
    {
        prepareEngine();
        return new WebEngine(std::move(documentComplete));
    }

private:
    // What the engine must know before it starts, which it does with the
    // first page.
    static void prepareEngine()
    {
        // Without OpenGL (the offscreen platform, a display without GL) the
        // engine's pages are drawn in software from the start.
        const QOpenGLContext *shared = QOpenGLContext::globalShareContext();
        if (!shared || !shared->isValid())
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        // The page processes leave the garbage of every page they have shown
        // to their script engine's own schedule, which, for a page that
        // nobody sees, never comes: Qt 6.8's engine grew by some 3 MB a
        // lookup. Its gc() is made available, so that the bridge can collect
        // once a lookup has read its page.
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                Lookup::WithScriptFlag(qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS"),
                                       QStringLiteral("--expose-gc"))
                    .toLocal8Bit());
    }
};

#include "webenginemodule.moc"
