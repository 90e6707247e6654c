// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// FindText and Substring, the position rules every marker search and cut of
// the lookup rests on, against plain position-by-position references.
//
// Input: byte 0 is the needle's length in code units; bytes 1-8 and 9-16 are
// the start and length handed to Substring (signed 64-bit, low byte first);
// the rest is UTF-16, the needle's units first and then the text's.

#include "fuzzsupport.h"
#include "text/textrules.h"

#include <algorithm>

namespace {

int64_t readInt64(const uint8_t *bytes)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | bytes[i];
    return int64_t(v);
}

// Tries every position 1..size in turn: the piece of needle's length from
// there on, cut short at the end of the text, compared unit by unit.
qsizetype naiveFind(const QString &needle, const QString &text)
{
    for (qsizetype p = 1; p <= text.size(); ++p) {
        const qsizetype pieceLength = std::min(needle.size(), text.size() - (p - 1));
        if (pieceLength != needle.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; k < pieceLength && same; ++k)
            same = text[p - 1 + k] == needle[k];
        if (same)
            return p;
    }
    return 0;
}

// Collects the units at the positions start .. start+length-1 that lie
// within 1..size, counted without any risk of overflow.
QString naiveSubstring(const QString &text, int64_t start, int64_t length)
{
    QString out;
    if (length <= 0)
        return out;
    const __int128 first = std::max<__int128>(start, 1);
    const __int128 last = std::min<__int128>(__int128(start) + length - 1, text.size());
    for (__int128 p = first; p <= last; ++p)
        out += text[qsizetype(p - 1)];
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint8_t header[17] = {};
    std::memcpy(header, data, std::min(size, sizeof header));
    const size_t bodyOffset = std::min(size, sizeof header);
    const QString units = Fuzz::fromUtf16Bytes(data + bodyOffset, size - bodyOffset);

    const qsizetype needleLength = std::min<qsizetype>(header[0], units.size());
    const QString needle = units.first(needleLength);
    const QString text = units.sliced(needleLength);
    const int64_t start = readInt64(header + 1);
    const int64_t length = readInt64(header + 9);

    // FindText: a position within the text, the reference's position, and
    // the two rules for empty texts.
    const qsizetype found = Text::FindText(needle, text);
    FUZZ_CHECK(found >= 0 && found <= text.size());
    FUZZ_CHECK(found == naiveFind(needle, text));
    if (text.isEmpty())
        FUZZ_CHECK(found == 0);
    else if (needle.isEmpty())
        FUZZ_CHECK(found == 1);
    if (found > 0 && !needle.isEmpty())
        FUZZ_CHECK(text.mid(found - 1, needle.size()) == needle);

    // ReplaceAll leaves a text without the needle alone, and replacing the
    // needle by itself changes nothing.
    if (found == 0 && !needle.isEmpty())
        FUZZ_CHECK(Text::ReplaceAll(text, needle, u"x") == text);
    FUZZ_CHECK(Text::ReplaceAll(text, needle, needle) == text);

    // Substring at the fuzzed start and length, and at positions near the
    // text so that the ordinary cuts are covered as well.
    const int64_t starts[] = {start, int64_t(found), int64_t(found) + int64_t(needle.size()),
                              int64_t(text.size()), int64_t(text.size()) + 1};
    for (const int64_t s : starts) {
        const QString cut = Text::Substring(text, s, length);
        FUZZ_CHECK(cut.size() <= std::max<int64_t>(0, length));
        FUZZ_CHECK(cut.size() <= text.size());
        FUZZ_CHECK(cut.isEmpty() || text.contains(cut));
        FUZZ_CHECK(cut == naiveSubstring(text, s, length));
    }
    const QString small = Text::Substring(text, start, int64_t(header[0]) - 8);
    FUZZ_CHECK(small == naiveSubstring(text, start, int64_t(header[0]) - 8));
    return 0;
}
