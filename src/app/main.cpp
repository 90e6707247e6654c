// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Lumora: tells a shopper whether a seller's shop can be trusted.
#include "defaultbrowser.h"
#include "endonsignal.h"
#include "form1.h"
#include "lookup/modulebrowser.h"
#include "privacy.h"
#include "qttranslation.h"
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

    const Privacy::Setup privacy = Privacy::KeepNothingOnDisk();

    // Qt's compiled shaders stay in memory too.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    // The browser engine takes its switches from the application's arguments
    // after --webEngineArgs: its own error log (GPU hiccups on exit and the
    // like) stays off the terminal, it builds no accessibility tree for pages
    // that nobody sees, and it keeps its compiled shaders in memory.
    std::vector<char *> args(argv, argv + argc);
    char engineArgs[] = "--webEngineArgs";
    char quietEngine[] = "--log-level=3";
    char noPageAccessibility[] = "--disable-renderer-accessibility";
    char noShaderFiles[] = "--disable-gpu-shader-disk-cache";
    args.push_back(engineArgs);
    args.push_back(quietEngine);
    args.push_back(noPageAccessibility);
    args.push_back(noShaderFiles);
    int count = int(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());
    EndOnSignal(&app);
    // The browser engine describes its set-up on the terminal; a desktop
    // tool keeps quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // No display name: Qt would add it to every title bar, the window's
    // "Lumora1.2" and the message boxes' "错误" alike.
    QApplication::setApplicationName(QStringLiteral("lumora"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.lumora.Lumora"));
    // Qt's own buttons and menus speak Chinese like the window, in any locale.
    QtTranslation::InstallChinese();
    // "看详细结果..." opens the rating page in the user's browser, which runs
    // in the user's own environment.
    DefaultBrowser defaultBrowser(privacy.asGiven);

    ModuleBrowser browser;
    Form1 form(&browser);
    // The browser engine is loaded from its module once the window has been
    // painted, so the window appears at the speed of the window alone; a
    // lookup started before then loads it itself.
    QObject::connect(&form, &Form1::firstPainted, &browser, &ModuleBrowser::warmUp);

    const QRect screen = form.screen()->availableGeometry();
    form.move(screen.center() - form.rect().center());
    form.show();
    return app.exec();
}
