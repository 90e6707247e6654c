// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "leadingnumber.h"

#include <locale.h>
#include <stdlib.h>
#include <string>

namespace Evaluation {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The whole number in base 16 or 8 that s holds from position from on, up
// to the first character that is no digit of that base.
double radixNumber(const QString &s, qsizetype from, int base)
{
    const QStringView digits = QStringView(u"0123456789abcdef").first(base);
    double value = 0;
    for (qsizetype i = from; i < s.size(); ++i) {
        const qsizetype d = digits.indexOf(s[i].toLower());
        if (d < 0)
            break;
        value = value * base + double(d);
    }
    return value;
}

// The C library's conversion in the C locale: "." is the point whatever the
// user's locale, a number beyond a double's range is infinite, and one
// below its smallest is zero, each with its sign.
double cNumber(const std::string &number)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtod_l(number.c_str(), nullptr, c);
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

    if (s.startsWith(u"&H", Qt::CaseInsensitive))
        return radixNumber(s, 2, 16);
    if (s.startsWith(u"&O", Qt::CaseInsensitive))
        return radixNumber(s, 2, 8);

    // Collect the number in ASCII for a locale-free conversion: a sign,
    // digits and points. The conversion stops at a second point, as reading
    // does, and gives 0 where no digit was read.
    std::string number;
    qsizetype i = 0;
    if (i < s.size() && QStringView(u"+-").contains(s[i]))
        number.push_back(char(s[i++].unicode()));
    for (; i < s.size() && (isDigit(s[i]) || s[i] == u'.'); ++i)
        number.push_back(char(s[i].unicode()));

    // The exponent's digits are read to their end, but its value is capped
    // far beyond any double's range, so that no text makes it overflow.
    if (i < s.size() && QStringView(u"eEdD").contains(s[i])) {
        qsizetype j = i + 1;
        std::string sign;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            sign = char(s[j++].unicode());
        long long exponent = 0;
        for (; j < s.size() && isDigit(s[j]); ++j)
            exponent = std::min(exponent * 10 + (s[j].unicode() - u'0'), 100000000LL);
        number += 'e' + sign + std::to_string(exponent);
    }
    return cNumber(number);
}

} // namespace Evaluation
