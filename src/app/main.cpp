// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Lumora: tells a shopper whether a seller's shop can be trusted.
#include "form1.h"
#include "lookup/webenginebrowser.h"
#include "singleinstance.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <vector>

int main(int argc, char *argv[])
{
    // Only one window of the tool runs at a time; a second start ends here,
    // silently, before anything is shown.
    SingleInstance instance;
    if (!instance.claim())
        return 0;

    // The browser engine shares its drawing contexts with the window, and
    // keeps its own error log (GPU hiccups on exit and the like) off the
    // terminal. It takes its switches from the application's arguments after
    // --webEngineArgs.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    std::vector<char *> args(argv, argv + argc);
    char engineArgs[] = "--webEngineArgs";
    char quietEngine[] = "--log-level=3";
    args.push_back(engineArgs);
    args.push_back(quietEngine);
    int count = int(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());
    // The browser engine describes its set-up on the terminal; a desktop
    // tool keeps quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QApplication::setApplicationName(QStringLiteral("lumora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lumora"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.lumora.Lumora"));

    WebEngineBrowser browser;
    Form1 form(&browser);
    // The browser engine is started once the window has been painted, so the
    // window is usable at once; a lookup started before then starts it itself.
    QObject::connect(&form, &Form1::firstPainted, &browser, &WebEngineBrowser::warmUp);

    const QRect screen = form.screen()->availableGeometry();
    form.move(screen.center() - form.rect().center());
    form.show();
    return app.exec();
}
