// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

// What a screen reader is told about the window beyond what Qt derives from
// the widget classes: the window is a window, the status line is a status
// bar whose text is its name and whose changes are text changes, the line
// under the indicators is a separator, and the hidden browser is not there
// at all. Installed once, before the window is made.
namespace Accessibility {

void Install();

} // namespace Accessibility
