// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// What the start would cost with the browser engine outside the program:
// Lumora's window in a program that does not link the engine, which loads a
// module holding the engine once the window has been painted, the way the
// lookup's browser is warmed up now. Not how Lumora starts: a measure of how
// far moving the engine into a module of its own would take the start.
#include "form1.h"
#include "lookup/browser.h"

#include <QApplication>
#include <QLibrary>
#include <QOpenGLContext>
#include <QPointer>
#include <QScreen>

// Exported by QtGui (the engine itself sets it when it is linked in); the
// engine needs a shared context before its first view.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

namespace {

class ModuleBrowser : public Browser {
public:
    void Navigate(const QUrl &) override {}
    void Stop() override {}
    void setContainer(QWidget *container) override { m_container = container; }

    void warmUp()
    {
        if (!QOpenGLContext::globalShareContext()) {
            auto *context = new QOpenGLContext(this);
            context->create();
            qt_gl_set_global_share_context(context);
        }
        QLibrary module(QCoreApplication::applicationDirPath() +
                        QStringLiteral("/libbench_enginemodule.so"));
        using CreateView = QWidget *(*)(QWidget *);
        auto create = reinterpret_cast<CreateView>(module.resolve("createView"));
        if (!create)
            qFatal("%s", qPrintable(module.errorString()));
        create(m_container);
    }

private:
    QPointer<QWidget> m_container;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lumora"));

    ModuleBrowser browser;
    Form1 form(&browser);
    QObject::connect(&form, &Form1::firstPainted, &browser, &ModuleBrowser::warmUp);

    const QRect screen = form.screen()->availableGeometry();
    form.move(screen.center() - form.rect().center());
    form.show();
    return app.exec();
}
