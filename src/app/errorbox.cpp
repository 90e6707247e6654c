// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "errorbox.h"

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
    QMessageBox::critical(owner, QStringLiteral("错误"), text, QMessageBox::Ok);
}

void SetHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace ErrorBox
