// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

// What every fuzz target shares: turning the fuzzer's bytes into texts and
// stopping the run with a readable message when an invariant breaks.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Fuzz {

[[noreturn]] inline void fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "\n*** invariant broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

// The bytes read as UTF-16 code units, low byte first; an odd last byte is
// dropped. Any unit can come out, lone surrogates included.
inline QString fromUtf16Bytes(const uint8_t *data, size_t size)
{
    QString s(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2)
        s[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return s;
}

inline QString fromUtf8Bytes(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// One unit per byte, so that every byte the fuzzer changes is one character.
inline QString fromLatin1Bytes(const uint8_t *data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Whether the text holds a surrogate that is not part of a pair.
inline bool hasLoneSurrogate(const QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < s.size() && s[i + 1].unicode() >= 0xDC00 && s[i + 1].unicode() <= 0xDFFF)
                ++i;
            else
                return true;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

// Every surrogate unit replaced by U+FFFD, unit for unit, so that a regular
// expression (which refuses broken UTF-16) can read the text; positions and
// ASCII content stay as they were.
inline QString withoutSurrogates(QString s)
{
    for (QChar &c : s) {
        if (c.isSurrogate())
            c = QChar(0xFFFD);
    }
    return s;
}

// Prints a text's code units in hex, for the report of a broken invariant.
inline void printUnits(const char *label, const QString &s)
{
    std::fprintf(stderr, "%s (%lld units):", label, static_cast<long long>(s.size()));
    for (QChar c : s)
        std::fprintf(stderr, " %04x", unsigned(c.unicode()));
    std::fprintf(stderr, "\n");
}

// A small deterministic source of choices drawn from the input itself, so
// that a crash file replays the same run.
class Choices {
public:
    Choices(const uint8_t *data, size_t size)
    {
        for (size_t i = 0; i < size; ++i)
            state_ = (state_ ^ data[i]) * 0x100000001b3ull;
    }
    uint64_t next() // splitmix64
    {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // 0 .. bound-1; bound must be positive.
    uint64_t below(uint64_t bound) { return next() % bound; }

private:
    uint64_t state_ = 0xcbf29ce484222325ull;
};

} // namespace Fuzz

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::Fuzz::fail(#cond, __FILE__, __LINE__);                                               \
    } while (0)
