// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QWidget;

// While held, no key reaches any widget of one window: not a press, not a
// release, not a shortcut, not an input method's text. Other windows, such
// as a message box, still take the keyboard, and the mouse is untouched.
class KeyboardHold : public QObject {
public:
    explicit KeyboardHold(QWidget *window);

    void hold();
    void release();
    bool isHeld() const { return m_held; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    bool m_held = false;
};
