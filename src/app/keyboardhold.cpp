// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "keyboardhold.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

KeyboardHold::KeyboardHold(QWidget *window) : QObject(window), m_window(window) {}

void KeyboardHold::hold()
{
    if (m_held)
        return;
    m_held = true;
    qApp->installEventFilter(this);
}

void KeyboardHold::release()
{
    if (!m_held)
        return;
    m_held = false;
    qApp->removeEventFilter(this);
}

bool KeyboardHold::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    // Shortcuts are asked first; a taken override keeps them from firing.
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
        break;
    default:
        return false;
    }
    if (!watched->isWidgetType() || static_cast<QWidget *>(watched)->window() != m_window)
        return false;
    event->accept();
    return true;
}
