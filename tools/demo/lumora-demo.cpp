// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Shows the whole job on a machine without a screen: the real window and
// browser look up one shop, then the facts and the advice are printed and
// the window is saved as a picture.
#include "app/errorbox.h"
#include "app/form1.h"
#include "app/qttranslation.h"
#include "lookup/modulebrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QToolTip>

// The window with a top-level widget shown over it (a tooltip, a menu, a
// message box) where it stands on the screen.
static QPixmap withShownOver(QWidget &form, QWidget *over)
{
    const QPixmap window = form.grab();
    if (!over)
        return window;
    const QRect windowRect(form.mapToGlobal(QPoint(0, 0)), form.size());
    const QRect overRect(over->pos(), over->size());
    const QRect all = windowRect.united(overRect);
    QPixmap canvas(all.size() * window.devicePixelRatio());
    canvas.setDevicePixelRatio(window.devicePixelRatio());
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawPixmap(windowRect.topLeft() - all.topLeft(), window);
    painter.drawPixmap(overRect.topLeft() - all.topLeft(), over->grab());
    // A dialog has no frame of its own without a window manager: a thin line
    // tells it from the window under it.
    if (over->windowType() == Qt::Dialog) {
        painter.setPen(over->palette().color(QPalette::Shadow));
        painter.drawRect(
            QRect(overRect.topLeft() - all.topLeft(), overRect.size()).adjusted(0, 0, -1, -1));
    }
    return canvas;
}

// The advice box's tooltip, shown where the mouse would bring it up.
static QWidget *showAdviceTooltip(QWidget &form)
{
    auto *advice = form.findChild<QPlainTextEdit *>(QStringLiteral("Text10"));
    const QPoint at = advice->mapToGlobal(QPoint(advice->width() / 3, advice->height() / 2));
    QToolTip::showText(at, advice->toolTip(), advice);
    QWidget *tip = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("QTipLabel") && w->isVisible())
            tip = w;
    }
    return tip;
}

// The context menu of the seller credit field, as a right click opens it.
static QWidget *showFieldMenu(QWidget &form)
{
    auto *field = form.findChild<QLineEdit *>(QStringLiteral("Text9"));
    field->selectAll(); // what one right-clicks on to copy it
    const QPoint at(field->width() / 2, field->height() / 2);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, field->mapToGlobal(at));
    QApplication::sendEvent(field, &click);
    return QApplication::activePopupWidget();
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QtTranslation::InstallChinese();
    const QStringList args = app.arguments();
    const QString extra = args.size() == 4 ? args[3] : QString();
    const bool why = extra == u"--why";
    const bool menu = extra == u"--menu";
    const bool errorBox = extra == u"--error-box";
    if (args.size() != 3 && !why && !menu && !errorBox) {
        QTextStream(stderr)
            << "usage: lumora-demo NAME SCREENSHOT.png [--why | --menu | --error-box]\n"
               "  --why:       the picture shows the advice box's tooltip, which says\n"
               "               what each fact weighed\n"
               "  --menu:      the picture shows the context menu of the seller credit\n"
               "  --error-box: the picture shows the error box that a click on an\n"
               "               indicator brings up\n";
        return 2;
    }
    QTextStream out(stdout);
    QStringList boxes;
    ErrorBox::SetHandler([&](QWidget *, const QString &text) {
        boxes << text;
        out << "error box: " << text << Qt::endl;
    });

    ModuleBrowser browser;
    Form1 form(&browser);
    form.show();

    auto *name = form.findChild<QLineEdit *>(QStringLiteral("txtTB"));
    auto *search = form.findChild<QPushButton *>(QStringLiteral("cmdTBCX"));
    name->setText(args[1]);
    search->click();
    out << "Looking up " << args[1] << " ..." << Qt::endl;

    QTimer poll;
    int waited = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        waited += 100;
        if (!search->isEnabled() && waited < 90000)
            return;
        poll.stop();
        // Let the window paint the advice before it is saved.
        QTimer::singleShot(300, [&] {
            auto text = [&](const char *n) { return form.findChild<QLineEdit *>(n)->text(); };
            auto flag = [&](const char *n) {
                return form.findChild<QCheckBox *>(n)->isChecked() ? "yes" : "no";
            };
            out << "卖家信用 (sellerCredit):        " << text("Text9") << "\n"
                << "近期好评数 (recentGoodRatings): " << text("Text7") << "\n"
                << "近期差评数 (recentBadRatings):  " << text("Text8") << "\n"
                << "注册时间 (registeredOn):        " << text("Text12") << "\n"
                << "消费者保障 (consumerProtection): " << flag("Check2") << "\n"
                << "违规行为 (violations):          " << flag("Check3") << "\n"
                << "退款纠纷 (refundDisputes):      " << flag("Check4") << "\n"
                << "投诉纠纷 (complaintDisputes):   " << flag("Check5") << "\n"
                << "处罚情况 (penalties):           " << flag("Check6") << "\n"
                << "专家建议 (advice): "
                << form.findChild<QPlainTextEdit *>(QStringLiteral("Text10"))->toPlainText()
                << Qt::endl;
            const QString explanation =
                form.findChild<QPlainTextEdit *>(QStringLiteral("Text10"))->toolTip();
            if (!explanation.isEmpty())
                out << "评分依据 (why this score):\n    "
                    << QString(explanation).replace(u'\n', QStringLiteral("\n    ")) << Qt::endl;
            const int result = search->isEnabled() ? 0 : 1;
            if (errorBox) {
                // The real box, which waits for its button: it is saved
                // while it is shown, then closed.
                ErrorBox::SetHandler({});
                QTimer::singleShot(300, [&] {
                    QWidget *box = QApplication::activeModalWidget();
                    withShownOver(form, box).save(args[2]);
                    out << "Screenshot of the window with its error box: " << args[2] << Qt::endl;
                    if (box)
                        box->close();
                });
                auto *indicator = form.findChild<QCheckBox *>(QStringLiteral("Check3"));
                const QPointF at(indicator->width() / 2.0, indicator->height() / 2.0);
                const QPointF global = indicator->mapToGlobal(at);
                QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier);
                QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(indicator, &press);
                QApplication::sendEvent(indicator, &release);
                app.exit(result);
                return;
            }
            QWidget *over = why ? showAdviceTooltip(form) : menu ? showFieldMenu(form) : nullptr;
            withShownOver(form, over).save(args[2]);
            out << "Screenshot of the window: " << args[2] << Qt::endl;
            app.exit(result);
        });
    });
    poll.start(100);
    return app.exec();
}
