// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// LeadingNumber, the reading of every field the evaluation scores: never NaN,
// equal to the C library's own conversion of the number the text begins
// with, and blind to blanks, tabs and line feeds wherever they stand.
//
// Input: the bytes as Latin-1 text (one character per byte), the same with
// every "~" stretched to a hundred zeros, and the bytes again as UTF-16 text.

#include "evaluation/leadingnumber.h"
#include "fuzzsupport.h"

#include <cctype>
#include <clocale>
#include <cmath>
#include <locale.h>
#include <stdlib.h>
#include <string>

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

QString withoutBlanks(const QString &text)
{
    QString s;
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            s += c;
    }
    return s;
}

double cLocaleStrtod(const std::string &number)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(number.c_str(), nullptr, c);
}

// The number the text begins with, the way the C library reads it: the
// longest leading run of the grammar is copied out in ASCII (a "D" exponent
// written as "e") and handed to strtod. Whole numbers after "&H" or "&O"
// come from strtoull while they fit a double's mantissa exactly; longer
// ones are only checked for sign. Sets exact to false in that case.
double referenceNumber(const QString &text, bool &exact)
{
    exact = true;
    const QString s = withoutBlanks(text);
    if (s.size() >= 2 && s[0] == QLatin1Char('&')) {
        const char16_t kind = s[1].unicode();
        const int base = (kind == 'h' || kind == 'H') ? 16 : (kind == 'o' || kind == 'O') ? 8 : 0;
        if (base != 0) {
            std::string digits;
            for (qsizetype i = 2; i < s.size(); ++i) {
                const char16_t u = s[i].unicode();
                const bool ok =
                    base == 16 ? (u < 128 && std::isxdigit(int(u))) : (u >= '0' && u <= '7');
                if (!ok)
                    break;
                digits += char(u);
            }
            const size_t exactDigits = base == 16 ? 13 : 17; // at most 52 or 51 bits
            if (digits.size() > exactDigits) {
                exact = false;
                return 0;
            }
            return digits.empty() ? 0.0 : double(std::strtoull(digits.c_str(), nullptr, base));
        }
    }

    std::string number;
    qsizetype i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        number += char(s[i++].unicode());
    bool point = false;
    bool anyDigit = false;
    for (; i < s.size(); ++i) {
        if (isAsciiDigit(s[i])) {
            anyDigit = true;
            number += char(s[i].unicode());
        } else if (s[i] == QLatin1Char('.') && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0.0;
    if (i < s.size() && QStringLiteral("eEdD").contains(s[i])) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            exponent += char(s[j++].unicode());
        if (j < s.size() && isAsciiDigit(s[j])) {
            for (; j < s.size() && isAsciiDigit(s[j]); ++j)
                exponent += char(s[j].unicode());
            number += exponent;
        }
    }
    return cLocaleStrtod(number);
}

bool sameDouble(double a, double b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

void checkText(const QString &text, Fuzz::Choices &choices)
{
    const double value = Evaluation::LeadingNumber(text);
    FUZZ_CHECK(!std::isnan(value));

    bool exact = true;
    const double expected = referenceNumber(text, exact);
    if (exact) {
        if (!sameDouble(value, expected)) {
            std::fprintf(stderr, "LeadingNumber gave %.17g, strtod %.17g for \"%s\"\n", value,
                         expected, qPrintable(withoutBlanks(text)));
        }
        FUZZ_CHECK(sameDouble(value, expected));
    } else {
        FUZZ_CHECK(value >= 0); // a long hexadecimal or octal whole number
    }

    // Blanks, tabs and line feeds anywhere do not change the reading.
    QString spread = text;
    const int count = int(choices.below(6)) + 1;
    for (int k = 0; k < count; ++k) {
        static const char16_t blanks[] = {u' ', u'\t', u'\n'};
        const qsizetype at = qsizetype(choices.below(uint64_t(spread.size()) + 1));
        spread.insert(at, QChar(blanks[choices.below(3)]));
    }
    FUZZ_CHECK(sameDouble(Evaluation::LeadingNumber(spread), value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::Choices choices(data, size);
    const QString text = Fuzz::fromLatin1Bytes(data, size);
    checkText(text, choices);
    // Long digit runs are where the reading's own bookkeeping of magnitude
    // matters, and the fuzzer's inputs stay short: every "~" also stands
    // for a run of a hundred zeros.
    if (text.contains(QLatin1Char('~'))) {
        QString stretched = text;
        stretched.replace(QLatin1Char('~'), QString(100, QLatin1Char('0')));
        checkText(stretched, choices);
    }
    checkText(Fuzz::fromUtf16Bytes(data, size), choices);
    return 0;
}
