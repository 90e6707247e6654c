// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

namespace Evaluation {

// The number a field's text begins with, as the evaluation reads it.
// Blanks, tabs and line feeds are removed wherever they stand; then an
// optional sign, digits with at most one "." and an optional exponent
// (E or D, either case) are read up to the first character that cannot
// continue the number. "&H" and "&O" introduce hexadecimal and octal whole
// numbers. No digit gives 0; a number beyond a double's range gives an
// infinity of its sign. The point is always ".", whatever the locale.
double LeadingNumber(QStringView text);

} // namespace Evaluation
