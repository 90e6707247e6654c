// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "browser.h"

#include <QtPlugin>
#include <functional>

class QWidget;

// The browser engine as its module provides it. The program does not link
// the engine: it loads the module once its window has been painted and
// drives the engine through this interface only. The module links Qt
// WebEngine and a copy of its own of the judgement library (lumora_core),
// for the web-address test and the snapshot script; nothing of the window
// crosses into it but this interface and the container of its view.
class BrowserEngine {
public:
    virtual ~BrowserEngine() = default;

    // Makes the view now rather than at the first Navigate.
    virtual void start() = 0;
    // As Browser::Navigate, Stop and setContainer.
    virtual void navigate(const QUrl &address) = 0;
    virtual void stop() = 0;
    virtual void setContainer(QWidget *container) = 0;
};

// The module's entry point: makes the engine that reports each finished
// top-level page to documentComplete, on the thread of the window.
class BrowserEngineFactory {
public:
    virtual ~BrowserEngineFactory() = default;
    virtual BrowserEngine *
    createEngine(std::function<void(const DocumentSnapshot &)> documentComplete) = 0;
};

#define LUMORA_BROWSER_ENGINE_IID "io.github.lumora.BrowserEngineFactory/1.0"
Q_DECLARE_INTERFACE(BrowserEngineFactory, LUMORA_BROWSER_ENGINE_IID)
