// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The texts Qt itself supplies (the message boxes' button, the context menus
// of the fields, the name box and the advice box, the scroll bar's menu) in
// Simplified Chinese, like the rest of the window, in every locale.
namespace QtTranslation {

// Installs Qt's own Simplified Chinese translation, qtbase_zh_CN.qm, from
// Qt's translations folder (or from the folder given) on the running
// application. Call it once the application object exists and before any
// window is made. Without the file Qt keeps its English texts and the
// program goes on: the result is false and nothing is printed.
bool InstallChinese();
bool InstallChinese(const QString &folder);

} // namespace QtTranslation
