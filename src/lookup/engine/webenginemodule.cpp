// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The module that holds the browser engine: the one part of Lumora that
// links Qt WebEngine.
#include "webengine.h"

#include <QObject>

class WebEngineModule : public QObject, public BrowserEngineFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LUMORA_BROWSER_ENGINE_IID)
    Q_INTERFACES(BrowserEngineFactory)
public:
    BrowserEngine *
    createEngine(std::function<void(const DocumentSnapshot &)> documentComplete) override
    {
        return new WebEngine(std::move(documentComplete));
    }
};

#include "webenginemodule.moc"
