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

// Which control of the window holds each fact, by its object name: the four
// texts in fields, the five flags in check boxes.
struct FactText {
    const char *control;
    QString ShopFacts::*fact;
};
struct FactFlag {
    const char *control;
    bool ShopFacts::*fact;
};
inline constexpr FactText kFactTexts[] = {
    {"Text9", &ShopFacts::sellerCredit},
    {"Text7", &ShopFacts::recentGoodRatings},
    {"Text8", &ShopFacts::recentBadRatings},
    {"Text12", &ShopFacts::registeredOn},
};
inline constexpr FactFlag kFactFlags[] = {
    {"Check2", &ShopFacts::consumerProtection}, {"Check3", &ShopFacts::violations},
    {"Check4", &ShopFacts::refundDisputes},     {"Check5", &ShopFacts::complaintDisputes},
    {"Check6", &ShopFacts::penalties},
};
