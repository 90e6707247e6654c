// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "errorbox.h"

#include <QLabel>
#include <QMessageBox>

namespace ErrorBox {

namespace {
Handler &handler()
{
    static Handler h;
    return h;
}
} // namespace

void Show(QWidget *owner, const QString &text)
{
    if (handler()) {
        handler()(owner, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("错误"), text, QMessageBox::Ok, owner);
    // A screen reader names the error icon too.
    if (auto *icon = box.findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label")))
        icon->setAccessibleName(QStringLiteral("错误"));
    box.exec();
}

void SetHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace ErrorBox
