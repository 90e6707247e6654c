// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

// The window is drawn in 微软雅黑 and Verdana; where those are missing the
// nearest fonts that have every Chinese glyph stand in for them.
void InstallFontSubstitutes();
