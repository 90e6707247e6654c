// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "compactlabel.h"

#include <QFontInfo>
#include <QPainter>
#include <QTextLayout>

void CompactLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const qreal lineSpacing = qRound(QFontInfo(font()).pixelSize() * 1.15);

    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    // Baselines stand on a fixed grid: the tallest fallback font no longer
    // decides the gap between lines.
    const QFontMetricsF metrics(font());
    qreal baseline = metrics.ascent() + (lineSpacing - metrics.height()) / 2;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        line.setPosition(QPointF(0, baseline - line.ascent()));
        baseline += lineSpacing;
    }
    layout.endLayout();
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, area.topLeft());
}
