// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Judging the shop whose facts stand in the window's fields.
#include "app/errorbox.h"
#include "app/form1.h"
#include "evaluateshop.h"
#include "ui_form1.h"

void Form1::Command13_Click()
{
    const Evaluation::Outcome outcome = Evaluation::EvaluateShop(readFacts());
    if (outcome.kind == Evaluation::Outcome::MissingInput) {
        ErrorBox::Show(this, outcome.message);
        return;
    }
    ui->Text10->setPlainText(outcome.advice);
    // What each fact weighed, beside the advice: for the mouse and for a
    // screen reader.
    const QString why = Evaluation::ExplainScore(outcome);
    ui->Text10->setToolTip(why);
    ui->Text10->setAccessibleDescription(why);
}
