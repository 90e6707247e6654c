// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The naive start: Lumora's own window, with the browser view created
// before the window is shown and put in the window's browser place, as a
// program would that links the engine and does not defer it.
#include "../windowfloor.h"

#include <QWebEngineView>

namespace {
class NaiveBrowser : public Bench::NoBrowser {
public:
    void setContainer(QWidget *container) override
    {
        m_view->setParent(container);
        m_view->setGeometry(container->rect());
        m_view->show();
    }

private:
    // Made with the browser, before the window exists.
    QWebEngineView *m_view = new QWebEngineView;
};
} // namespace

int main(int argc, char *argv[])
{
    // As a program that links the engine is told to.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Bench::nameApplication();
    NaiveBrowser browser;
    Form1 form(&browser);
    Bench::showCentred(form);
    return app.exec();
}
