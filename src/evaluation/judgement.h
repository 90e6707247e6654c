// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "shopfacts.h"

#include <QString>

// What the evaluation needs of the window: the facts in its fields, its
// advice box and its message box. The window implements it.
class JudgementWindow {
public:
    virtual ~JudgementWindow() = default;

    virtual ShopFacts readFacts() const = 0;
    // The advice replaces the box's content; why is what each fact weighed,
    // for the mouse and for a screen reader.
    virtual void showAdvice(const QString &advice, const QString &why) = 0;
    virtual void showError(const QString &message) = 0;
};

// The evaluation's handler (the hidden button Command13): judges the shop
// whose facts stand in the window's fields.
class Judgement {
public:
    explicit Judgement(JudgementWindow *window) : m_window(window) {}

    void Command13_Click();

private:
    JudgementWindow *m_window;
};
