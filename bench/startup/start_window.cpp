// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Lumora's window without the browser engine: the start of src/app/main.cpp
// with a browser that does nothing and a program that does not link the
// engine. Shows what the window itself costs, apart from the engine.
#include "form1.h"
#include "lookup/browser.h"

#include <QApplication>
#include <QScreen>

namespace {
class NoBrowser : public Browser {
public:
    void Navigate(const QUrl &) override {}
    void Stop() override {}
    void setContainer(QWidget *) override {}
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lumora"));
    QApplication::setDesktopFileName(QStringLiteral("lumora"));

    NoBrowser browser;
    Form1 form(&browser);

    const QRect screen = form.screen()->availableGeometry();
    form.move(screen.center() - form.rect().center());
    form.show();
    return app.exec();
}
