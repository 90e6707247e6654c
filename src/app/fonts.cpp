// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "fonts.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), {QStringLiteral("Noto Sans CJK SC"),
                                                            QStringLiteral("WenQuanYi Micro Hei")});
    // Verdana has no Chinese glyphs either; the CJK face follows so that the
    // advice never shows as boxes.
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC"),
                                QStringLiteral("WenQuanYi Micro Hei")});
}
