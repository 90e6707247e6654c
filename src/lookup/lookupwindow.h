// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "evaluation/shopfacts.h"

#include <QString>

// What a lookup needs of the window it runs in: the name box, the inputs, the
// status line, the fields of the facts, the message box and the judgement.
// The window implements it; the lookup knows nothing else of it.
class LookupWindow {
public:
    virtual ~LookupWindow() = default;

    // The name box.
    virtual QString shopName() const = 0;
    virtual void setShopName(const QString &name) = 0;
    // Whether the search button is enabled, so that a lookup may start.
    virtual bool canSearch() const = 0;
    // Every fact unset, and the advice back to "暂无建议.".
    virtual void clearFacts() = 0;
    virtual void showFacts(const ShopFacts &facts) = 0;
    // The search button, then the name box, disabled; the keyboard rests
    // until the lookup ends.
    virtual void lockInputs() = 0;
    // The search button, then the name box, enabled, and the button that
    // opens the rating page enabled or disabled.
    virtual void unlockInputs(bool ratingPageRead) = 0;
    // The keyboard back in the window, after unlockInputs.
    virtual void returnKeyboard() = 0;
    virtual void setStatus(const QString &text) = 0;
    // A modal error box.
    virtual void showError(const QString &message) = 0;
    // The shop is judged on the facts in the window's fields.
    virtual void judge() = 0;
};
