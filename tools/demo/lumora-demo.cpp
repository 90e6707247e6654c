// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Shows the whole job on a machine without a screen: the real window and
// browser look up one shop, then the facts and the advice are printed and
// the window is saved as a picture.
#include "app/errorbox.h"
#include "app/form1.h"
#include "lookup/modulebrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QToolTip>

// The window, and with why the advice box's tooltip shown over it where the
// mouse would bring it up.
static QPixmap picture(QWidget &form, bool why)
{
    const QPixmap window = form.grab();
    if (!why)
        return window;
    auto *advice = form.findChild<QPlainTextEdit *>(QStringLiteral("Text10"));
    const QPoint at = advice->mapToGlobal(QPoint(advice->width() / 3, advice->height() / 2));
    QToolTip::showText(at, advice->toolTip(), advice);
    QWidget *tip = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("QTipLabel") && w->isVisible())
            tip = w;
    }
    if (!tip)
        return window;
    const QRect windowRect(form.mapToGlobal(QPoint(0, 0)), form.size());
    const QRect tipRect(tip->pos(), tip->size());
    const QRect all = windowRect.united(tipRect);
    QPixmap canvas(all.size() * window.devicePixelRatio());
    canvas.setDevicePixelRatio(window.devicePixelRatio());
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawPixmap(windowRect.topLeft() - all.topLeft(), window);
    painter.drawPixmap(tipRect.topLeft() - all.topLeft(), tip->grab());
    return canvas;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool why = args.size() == 4 && args[3] == u"--why";
    if (args.size() != 3 && !why) {
        QTextStream(stderr) << "usage: lumora-demo NAME SCREENSHOT.png [--why]\n"
                               "  --why: the picture shows the advice box's tooltip, which\n"
                               "         says what each fact weighed\n";
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
            picture(form, why).save(args[2]);
            out << "Screenshot of the window: " << args[2] << Qt::endl;
            app.exit(search->isEnabled() ? 0 : 1);
        });
    });
    poll.start(100);
    return app.exec();
}
