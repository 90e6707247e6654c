// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// IsNumeric, which decides whether a rating count or a year is shown, against
// a regular expression of the same grammar, and its agreement with the
// reading LeadingNumber makes of a numeric text.
//
// Input: the bytes as Latin-1 text (one character per byte), and again as
// UTF-16 text.

#include "evaluation/leadingnumber.h"
#include "fuzzsupport.h"
#include "text/textrules.h"

#include <QRegularExpression>

#include <cmath>
#include <locale.h>
#include <stdlib.h>

namespace {

// Blanks, a sign, digits that commas may group after the first one, an
// optional point with digits (or a point and digits alone), an optional
// exponent, blanks. Anchored at both ends of the whole text.
const QRegularExpression &numericGrammar()
{
    static const QRegularExpression grammar(QRegularExpression::anchoredPattern(
        QStringLiteral(" *[+-]?(?:[0-9][0-9,]*(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eEdD][+-]?[0-9]+)? *")));
    return grammar;
}

void checkText(const QString &text)
{
    const bool numeric = Text::IsNumeric(text);
    const QString readable = Fuzz::withoutSurrogates(text);
    FUZZ_CHECK(numeric == numericGrammar().match(readable).hasMatch());

    if (!numeric)
        return;
    const QString trimmed = text.trimmed();
    FUZZ_CHECK(!trimmed.isEmpty());

    // Without its commas a numeric text is one whole number for LeadingNumber
    // and reads as the C library reads it.
    QString plain = text;
    plain.remove(QLatin1Char(','));
    const double value = Evaluation::LeadingNumber(plain);
    FUZZ_CHECK(!std::isnan(value));

    QByteArray ascii = plain.trimmed().toLatin1();
    ascii.replace('d', 'e').replace('D', 'e');
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    char *end = nullptr;
    const double expected = strtod_l(ascii.constData(), &end, c);
    FUZZ_CHECK(end == ascii.constData() + ascii.size()); // the whole text was read
    if (!(value == expected && std::signbit(value) == std::signbit(expected))) {
        std::fprintf(stderr, "LeadingNumber gave %.17g, strtod %.17g for \"%s\"\n", value, expected,
                     ascii.constData());
    }
    FUZZ_CHECK(value == expected && std::signbit(value) == std::signbit(expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkText(Fuzz::fromLatin1Bytes(data, size));
    checkText(Fuzz::fromUtf16Bytes(data, size));
    return 0;
}
