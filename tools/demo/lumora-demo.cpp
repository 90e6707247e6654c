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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: lumora-demo NAME SCREENSHOT.png\n";
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
            form.grab().save(args[2]);
            out << "Screenshot of the window: " << args[2] << Qt::endl;
            app.exit(search->isEnabled() ? 0 : 1);
        });
    });
    poll.start(100);
    return app.exec();
}
