// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "shopfacts.h"

#include <QString>

namespace Evaluation {

struct Outcome {
    enum Kind { MissingInput, Uncertified, Scored };
    Kind kind = MissingInput;
    int score = 0;   // 0..100, only when Scored
    QString message; // the missing fact's message, only when MissingInput
    QString advice;  // the advice text when Uncertified or Scored
};

// Scores a shop out of 100 by the fixed rule table and writes the advice.
// Pure: no window, no state.
Outcome EvaluateShop(const ShopFacts &facts);

// The score before clamping, for shops whose required facts are present.
int RawScore(const ShopFacts &facts);

} // namespace Evaluation
