// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The window's icon and its decorative badges, drawn from our SVG artwork at
// the screen's pixel density so that they stay sharp when scaled.
namespace Pictures {

QIcon AppIcon();
QPixmap Picture(const QString &name, QSize size, qreal devicePixelRatio);
QString Tooltip(const QString &name);

} // namespace Pictures
