// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The nine facts a shop is judged by, as the window's fields hold them:
// four texts exactly as shown and five indicators.
struct ShopFacts {
    QString sellerCredit;
    QString recentGoodRatings;
    QString recentBadRatings;
    QString registeredOn;
    bool consumerProtection = false;
    bool violations = false;
    bool refundDisputes = false;
    bool complaintDisputes = false;
    bool penalties = false;
};
