// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "sampleshop.h"

#include <QList>
#include <QString>
#include <QStringList>

struct HttpRequest;
struct HttpResponse;

// Random marketplace pages for the page fuzzer. A lookup of the name
// "fuzz-<seed>-<index>" walks through the three pages of a made-up shop
// (试验小铺, as in hostile.h), each mixed from the same page's ordinary
// markup, random markup, random scripts, the marketplace's own marker
// phrases and link shapes, and the pieces of the sealed pages (sealed.h);
// sometimes a whole answer is replaced (a log-in, a download, a compressed
// page, a redirect to another program, an answer that never ends). Every
// page depends on the seed and the index alone, so a page that goes wrong
// can be made again.
namespace PageFuzz {

// How a lookup of the page may end.
enum class Expect {
    Facts,         // the made-up shop's facts: nothing on the way changes what is read
    FactsOrUnread, // the made-up shop's facts, or the unread error
    InOrder,       // in order; the pages change what is read, so any facts
};

struct Page {
    quint32 seed = 0;
    int index = 0;
    SampleShop shop;
    Expect expect = Expect::Facts;
    // A piece may keep a page from finishing, so the lookup may end at the
    // page limit.
    bool mayHang = false;
    bool secureRating = false;     // the rating page on Sealed::kSecureRatingHost
    QStringList what[3];           // what went into the search, front and rating page
    QString search, front, rating; // the three pages' markup
    // A whole answer that replaces a page: "", "login401", "proxy407",
    // "download", "gzip", "schemeredirect", "fileredirect", "neverends".
    QString answer[3];
    qsizetype gzipFiller = 0;

    // One line: the stages' contents and the expectation.
    QString summary() const;
};

QString nick(quint32 seed, int index);

// The page for seed and index; port is the marketplace's own, for the
// secure rating host.
Page page(quint32 seed, int index, quint16 port);

// Whether the request belongs to a fuzzed walk; if so, answers it.
bool serve(const HttpRequest &request, quint16 port, HttpResponse *response);

} // namespace PageFuzz
