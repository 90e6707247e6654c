// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "sampleshop.h"

#include <QList>
#include <QString>

struct HttpRequest;
struct HttpResponse;

// Pages a stranger could serve in place of the search results, a shop's
// front page or its rating page: huge, empty, bodiless, broken, endless,
// redirecting, or with the marker phrases mangled. A lookup of the name
// "hostile-<stage>-<case>" walks through ordinary pages of a made-up shop
// until the given stage, where it gets the case's page instead.
namespace Hostile {

enum class Stage { Search = 1, ShopFront = 2, RatingPage = 3 };

// How a lookup that meets the case at a stage ends.
enum class Ending {
    Facts,     // as an ordinary lookup of the made-up shop: all nine facts
    Unread,    // the lookup gives up with its "could not read" message
    Extracted, // the rating page was read; what it yields depends on the page
    InOrder,   // either of the above; the page decides which, not the server
};

struct Case {
    QString id;
    QString what;
    QList<QPair<Stage, Ending>> stages; // where the case is tried, and how that ends
};

QList<Case> cases();

// The name that meets caseId at stage.
QString nick(Stage stage, const QString &caseId);

// The made-up shop a hostile lookup walks through, and what its
// rating page yields when nothing interferes.
SampleShop shop(Stage stage, const QString &caseId);

// A made-up shop (试验小铺, credit 2,468, opened 2009, nothing against it)
// under the given name and shop id; its rating key is the name.
SampleShop madeUpShop(const QString &nick, const QString &shopId);

// The ordinary page of shop at stage.
QString benignPage(Stage stage, const SampleShop &shop);

// html with extra put right after the body's opening tag.
QString atBodyStart(QString html, const QString &extra);

// Whether the request belongs to a hostile walk; if so, answers it.
// refusedPort is a port on 127.0.0.1 where nothing listens.
bool serve(const HttpRequest &request, quint16 refusedPort, HttpResponse *response);

} // namespace Hostile
