// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "textrules.h"

namespace Text {

qsizetype FindText(QStringView needle, QStringView text)
{
    if (text.isEmpty())
        return 0;
    if (needle.isEmpty())
        return 1;
    return text.indexOf(needle, 0, Qt::CaseSensitive) + 1;
}

QString Substring(const QString &text, qsizetype start, qsizetype length)
{
    if (length <= 0)
        return QString();
    // Positions before 1 hold nothing. Nothing is added before it is
    // bounded, so no sum can overflow: the count of positions before 1 can
    // exceed qsizetype, so it is unsigned.
    if (start < 1) {
        const quint64 before = quint64(1) - quint64(start);
        if (quint64(length) <= before)
            return QString();
        length -= qsizetype(before);
        start = 1;
    }
    // A length past the end is cut short there; a start past it gives
    // nothing.
    return text.mid(start - 1, length);
}

QString ReplaceAll(QString text, QStringView from, QStringView to)
{
    if (from.isEmpty())
        return text;
    return text.replace(from.toString(), to.toString(), Qt::CaseSensitive);
}

static bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsNumeric(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    const QStringView s = text.sliced(begin, end - begin);

    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    // Digits before the point; commas group them but never lead.
    while (i < s.size() && (isDigit(s[i]) || (s[i] == u',' && digits > 0))) {
        if (isDigit(s[i]))
            ++digits;
        ++i;
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++digits;
            ++i;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == s.size();
}

} // namespace Text
