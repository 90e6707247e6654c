// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "hostile.h"

#include <QList>
#include <QString>

struct HttpRequest;
struct HttpResponse;

// Pages that ask their host for something nobody is there to give: script
// dialogs, new windows, printing, full screen, file and colour choosers,
// permissions, log-ins, downloads, other programs' schemes, and pages that
// never stop computing, exhaust their memory or unpack to tens of megabytes.
// A lookup of the name "sealed-<case>" walks through ordinary pages of a
// made-up shop (试验小铺, as in hostile.h) and meets the case's piece at the
// stages the case names, where it does the most harm.
namespace Sealed {

using Stage = Hostile::Stage;
using Ending = Hostile::Ending; // Facts, Unread or InOrder

struct Case {
    QString id;
    QString what;
    QList<Stage> stages; // where the piece is
    Ending ending;       // how the lookup must end
    // The engine lets the piece's requests through only while the user acts
    // on the page and only on a secure page: the rating page is on
    // kSecureRatingHost, and once it has loaded, a click or a key on it
    // makes the requests again and then fetches "/mark?<case>" there.
    bool needsAction = false;
    // The permissions the page must hear refused, at once, when it asks for
    // them on the click: "/mark?refused-<case>-<what>-click" for each.
    QStringList refusals = {};
};

QList<Case> cases();
// The case of that id; an empty one when there is none.
Case caseOf(const QString &caseId);

QString nick(const QString &caseId); // "sealed-<case>"
SampleShop shop(const QString &caseId);

// The host whose https tunnel asks for a client certificate.
inline constexpr QStringView kCertificateHost = u"vip-rate.taobao.com";
// The real marketplace serves its rating pages over https, so a page there
// may ask for everything a secure page may ask for. The sample
// marketplace's https cannot be trusted; a host under "localhost" is secure
// to the engine as well, and the engine reaches it directly, not through
// the proxy. Its rating page addresses hold the rating marker in their path:
// http://rate.localhost:PORT/rate.taobao.com/user-rate-sealed-<case>.htm
inline constexpr QStringView kSecureRatingHost = u"rate.localhost";

// A piece of a page: markup and scripts put at the start of its body.
struct Piece {
    QString id;
    QString markup;
};

// The in-page pieces, for the page fuzzer: every hostile thing that lives in
// the markup, with the made-up shop's front page address in it where a piece
// refers to the shop's own pages. Cases that change the whole answer (log-ins,
// downloads, compression) are not among them.
QList<Piece> pieces(const QString &frontUrl);

// The piece of the case, or an empty one.
QString pieceMarkup(const QString &caseId, const QString &frontUrl);

// Answers of a whole response, for the fuzzer as well: the page behind an
// HTTP or proxy log-in, sent as a download, or gzip-compressed after
// fillerBytes of text.
HttpResponse behindLogIn(const QByteArray &gbkPage);
HttpResponse behindProxyLogIn(const QByteArray &gbkPage);
HttpResponse asDownload(const QByteArray &body, const QString &fileName);
HttpResponse compressedWithFiller(const QString &page, qsizetype fillerBytes);

// Whether the request belongs to a sealed walk; if so, answers it. port is
// the marketplace's own, where the secure rating pages are.
bool serve(const HttpRequest &request, quint16 port, HttpResponse *response);

} // namespace Sealed
