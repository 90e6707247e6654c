// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Judging the shop whose facts stand in the window's fields.
#include "evaluateshop.h"
#include "judgement.h"

void Judgement::Command13_Click()
{
    const Evaluation::Outcome outcome = Evaluation::EvaluateShop(m_window->readFacts());
    if (outcome.kind == Evaluation::Outcome::MissingInput) {
        m_window->showError(outcome.message);
        return;
    }
    m_window->showAdvice(outcome.advice, Evaluation::ExplainScore(outcome));
}
