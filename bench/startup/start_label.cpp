// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The bare window with one line of Chinese text in it: what drawing any
// Chinese text adds to a start (the font set-up and the first font file),
// which the empty window of the floor never pays.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(572, 379);
    auto *label = new QLabel(QStringLiteral("店铺名称"), &window);
    label->move(16, 16);
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return app.exec();
}
