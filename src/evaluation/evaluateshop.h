// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "shopfacts.h"

#include <QList>
#include <QString>
#include <QtNumeric>

namespace Evaluation {

// One rule of the table as it applied to a shop, in the order the table
// applies them.
struct Rule {
    enum class Fact {
        ConsumerProtection, // the starting score
        Violations,
        RefundDisputes,
        ComplaintDisputes,
        Penalties,
        BadRatings,
        GoodRatings,
        SellerCredit,
        RegisteredOn,
    };
    // How the value met the rule: a band from `from` (included) below
    // `below`, either end open when infinite; exactly the year `from`; or
    // none of the years the table names.
    enum class Match { Set, Band, Exactly, OtherYear };

    Fact fact = Fact::ConsumerProtection;
    Match match = Match::Set;
    // The number read, for the ratings, the credit and the year, and the
    // band; not a number where the rule has none.
    double value = qQNaN();
    double from = qQNaN();
    double below = qQNaN();
    int points = 0; // the starting score, or the adjustment
};

// Every rule that applied, and their sum before the clamp.
struct Breakdown {
    QList<Rule> rules;
    int sum = 0;
};

struct Outcome {
    enum Kind { MissingInput, Uncertified, Scored };
    Kind kind = MissingInput;
    int score = 0;       // 0..100, only when Scored
    QString message;     // the missing fact's message, only when MissingInput
    QString advice;      // the advice text when Uncertified or Scored
    Breakdown breakdown; // only when Scored
};

// Scores a shop out of 100 by the fixed rule table and writes the advice.
// Pure: no window, no state.
Outcome EvaluateShop(const ShopFacts &facts);

// The rules that apply to a shop whose required facts are present, with
// their sum.
Breakdown ScoreShop(const ShopFacts &facts);

// The score before clamping, for shops whose required facts are present.
int RawScore(const ShopFacts &facts);

// What each fact weighed, in Chinese, one rule a line, ending with the sum
// and the score; for an uncertified shop, the one line that says why there
// is no score; nothing when a fact is missing.
QString ExplainScore(const Outcome &outcome);

} // namespace Evaluation
