// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "leadingnumber.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace Evaluation {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int digitValue(QChar c, int base)
{
    int v = -1;
    if (isDigit(c))
        v = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        v = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        v = c.unicode() - u'A' + 10;
    return v < base ? v : -1;
}

double radixNumber(const QString &s, qsizetype from, int base)
{
    double value = 0;
    for (qsizetype i = from; i < s.size(); ++i) {
        const int d = digitValue(s[i], base);
        if (d < 0)
            break;
        value = value * base + d;
    }
    return value;
}

} // namespace

double LeadingNumber(QStringView text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            s.append(c);
    }

    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        if (kind == u'H')
            return radixNumber(s, 2, 16);
        if (kind == u'O')
            return radixNumber(s, 2, 8);
    }

    // Collect the number in ASCII for a locale-free conversion.
    std::string number;
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    bool sawPoint = false;
    qsizetype digits = 0;
    qsizetype leadingIntegerDigits = 0; // significant digits before the point
    qsizetype leadingFractionZeros = 0; // zeros after the point before the first other digit
    bool sawSignificant = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            ++digits;
            if (s[i] != u'0')
                sawSignificant = true;
            if (!sawPoint && sawSignificant)
                ++leadingIntegerDigits;
            else if (sawPoint && !sawSignificant)
                ++leadingFractionZeros;
            number.push_back(char(s[i].unicode()));
        } else if (s[i] == u'.' && !sawPoint) {
            sawPoint = true;
            number.push_back('.');
        } else {
            break;
        }
    }
    if (digits == 0)
        return 0.0;

    long long exponent = 0;
    if (i < s.size() && QStringView(u"eEdD").contains(s[i])) {
        qsizetype j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) {
            negativeExponent = s[j] == u'-';
            ++j;
        }
        if (j < s.size() && isDigit(s[j])) {
            for (; j < s.size() && isDigit(s[j]); ++j) {
                if (exponent < 100000000)
                    exponent = exponent * 10 + (s[j].unicode() - u'0');
            }
            if (negativeExponent)
                exponent = -exponent;
        }
    }
    number += 'e';
    number += std::to_string(exponent);

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond a double's range: an overflow is infinite, an underflow is
        // zero. The number's decimal magnitude tells which.
        const long long magnitude =
            exponent + (leadingIntegerDigits > 0 ? leadingIntegerDigits : -leadingFractionZeros);
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

} // namespace Evaluation
