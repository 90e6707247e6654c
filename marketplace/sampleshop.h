// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

// What a lookup of one sample shop should end with, as the client shows it.
struct SampleExpectation {
    bool error = false; // the lookup ends with an error and yields no facts
    QString sellerCredit;
    QString recentGoodRatings;
    QString recentBadRatings;
    QString registeredOn;
    bool consumerProtection = false;
    bool violations = false;
    bool refundDisputes = false;
    bool complaintDisputes = false;
    bool penalties = false;
    bool uncertified = false; // no year on the rating page, so the shop gets no score
    int score = -1;           // 0..100 when scored, -1 otherwise
};

// The content of a shop's rating page, http://rate.taobao.com/user-rate-<key>.htm.
struct SampleRatingPage {
    QString key;
    QString credit;     // shown after "卖家信用: ", verbatim
    QString yearMarker; // "开店时间：", "创店时间：", or empty when the page shows no date
    QString openedOn;   // shown after the year marker, e.g. "2005-06-01"
    QString good;       // recent counts, shown as link texts
    QString neutral;
    QString bad;
    bool consumerProtection = false;
    bool noViolations = false;
    bool noPenalties = false;
    bool noRefundDisputes = false;
    bool noComplaints = false;
    bool closeLinkFirst = false; // a dismissable banner puts a "关闭" link first on the page
};

struct SampleShop {
    // How the walk from the search page to the rating page goes for this shop.
    enum class Kind {
        Normal,       // every page is there and the rating page carries the facts
        NotFound,     // the search page says "没有找到"
        NoShopLink,   // the search page lists the shop but has no front page link
        NoRateLink,   // the front page has no link to the rating page
        Hang,         // the front page response stops half way and never finishes
        RedirectLoop, // the rating page redirects in a circle
    };

    QString nick;
    Kind kind = Kind::Normal;
    QString kindName; // the kind as written in the data file
    QString shopId;   // digits; empty when the search finds nothing
    QString shopName;
    SampleRatingPage rate;
    SampleExpectation expect;

    QString shopUrl() const; // http://shop<id>.taobao.com/
    QString ratingUrl() const;

    // Parses the data file; entries that cannot be read are skipped with a warning.
    static QList<SampleShop> parse(const QByteArray &json);
};
