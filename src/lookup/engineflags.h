// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace Lookup {

// The browser engine's switches (as QTWEBENGINE_CHROMIUM_FLAGS holds them,
// separated by blanks) with one more flag for its script engine. Chromium
// reads the script engine's flags from a single --js-flags switch, separated
// by commas, and takes only the last such switch: a flag already given there
// is kept, and the new one joins it.
QString WithScriptFlag(const QString &switches, const QString &flag);

} // namespace Lookup
