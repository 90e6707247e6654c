// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The naive start of an empty window: the browser view is created
// before the window is shown. Kept for the record, beside start_naive.
#include <QApplication>
#include <QScreen>
#include <QWebEngineView>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(572, 379);
    auto *view = new QWebEngineView(&window);
    view->setGeometry(376, -16, 9, 9);
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return app.exec();
}
