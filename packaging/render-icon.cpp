// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// lumora-render-icon IN.svg SIZE OUT.png: draws the program's icon at one size for the
// desktop's icon theme, at build time, so the package carries pictures made from the
// same drawings as the window icon.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Drawing into an image needs no screen; the offscreen platform lets the build run
    // on a machine without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        err << "usage: lumora-render-icon IN.svg SIZE OUT.png\n";
        return 2;
    }
    bool ok = false;
    const int size = args[2].toInt(&ok);
    if (!ok || size < 1 || size > 1024) {
        err << "lumora-render-icon: bad size \"" << args[2] << "\"\n";
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        err << "lumora-render-icon: cannot read " << args[1] << "\n";
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    // A picture with nothing drawn on it means the drawing did not render.
    bool drawn = false;
    for (int y = 0; y < size && !drawn; ++y)
        for (int x = 0; x < size && !drawn; ++x)
            drawn = qAlpha(image.pixel(x, y)) != 0;
    if (!drawn) {
        err << "lumora-render-icon: " << args[1] << " drew nothing\n";
        return 1;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args[3], "PNG")) {
        err << "lumora-render-icon: cannot write " << args[3] << "\n";
        return 1;
    }
    return 0;
}
