// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// The text rules every marker search and cut of the lookup is made with.
// Texts are sequences of UTF-16 code units; positions are 1-based and count
// code units, so a character outside the BMP occupies two positions.
namespace Text {

// 1-based position of the first occurrence of needle in text, or 0.
// Exact, case-sensitive, code unit by code unit. An empty text yields 0,
// an empty needle in a non-empty text yields 1.
qsizetype FindText(QStringView needle, QStringView text);

// The length code units of text from the 1-based position start on; fewer
// where the text ends first, empty when start lies beyond the end or the
// length is not positive. Positions before 1 hold nothing.
QString Substring(const QString &text, qsizetype start, qsizetype length);

// text with every occurrence of from replaced by to, left to right.
QString ReplaceAll(QString text, QStringView from, QStringView to);

// True when text, leading and trailing blanks ignored, reads as one decimal
// number: optional sign, digits (commas may group those before the point),
// an optional point with digits, an optional exponent. Empty is not numeric.
bool IsNumeric(QStringView text);

} // namespace Text
