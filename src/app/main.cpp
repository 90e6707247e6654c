// Lumora: tells a shopper whether a seller's shop can be trusted.
#include "form1.h"
#include "lookup/webenginebrowser.h"
#include "singleinstance.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    // Only one window of the tool runs at a time; a second start ends here,
    // silently, before anything is shown.
    SingleInstance instance;
    if (!instance.claim())
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lumora"));
    QApplication::setDesktopFileName(QStringLiteral("lumora"));

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
