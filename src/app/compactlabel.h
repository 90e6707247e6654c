// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

// A word-wrapped label whose lines follow each other at 1.15 times the
// font's size, whatever fallback font draws the Chinese characters. The
// CJK fonts on Linux have tall line heights that would push the window's
// explanatory texts into each other.
class CompactLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};
