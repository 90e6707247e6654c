// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

// Lumora's own window as part of a floor: the same widgets, Chinese text,
// fonts and pictures, with a browser that does nothing. A floor that shows
// an empty window instead leaves out what the window itself costs, which
// Lumora cannot avoid.

#include "app/form1.h"
#include "lookup/browser.h"

#include <QApplication>
#include <QScreen>

namespace Bench {

class NoBrowser : public Browser {
public:
    void Navigate(const QUrl &) override {}
    void Stop() override {}
    void setContainer(QWidget *) override {}
};

// The names Lumora's main() gives the application, then the window centred
// on the screen as Lumora shows it.
inline void nameApplication()
{
    QApplication::setApplicationName(QStringLiteral("lumora"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.lumora.Lumora"));
}

inline void showCentred(QWidget &window)
{
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
}

} // namespace Bench
