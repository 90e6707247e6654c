// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Lumora's window without the browser engine: the start of src/app/main.cpp
// with a browser that does nothing and a program that does not link the
// engine. Shows what the window itself costs, apart from the engine.
#include "../windowfloor.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Bench::nameApplication();
    Bench::NoBrowser browser;
    Form1 form(&browser);
    Bench::showCentred(form);
    return app.exec();
}
