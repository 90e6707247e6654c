// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every failure the user must see goes through here: a modal box titled
// "错误" with the error icon and a single OK button.
namespace ErrorBox {

void Show(QWidget *owner, const QString &text);

// Replaces the box, for tests that must not block; an empty handler puts the
// real box back.
using Handler = std::function<void(QWidget *owner, const QString &text)>;
void SetHandler(Handler handler);

} // namespace ErrorBox
