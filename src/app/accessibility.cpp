// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace Accessibility {

namespace {

// The status line: a status bar whose name is what it shows, readable as
// text as well, so that each new status reaches a screen reader as a name
// change (QLabel reports those) and as a text change (the window reports
// those, see Form1::setStatus).
class StatusLine : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit StatusLine(QLabel *label) : QAccessibleWidget(label, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return label()->text();
        return QAccessibleWidget::text(t);
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The text, read only, without a caret or a selection of its own.
    QString text(int startOffset, int endOffset) const override
    {
        return label()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(label()->text().size()); }
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    QLabel *label() const { return static_cast<QLabel *>(widget()); }
};

// The browser's place in the window: nobody sees it, so a screen reader
// neither finds it nor what the engine puts inside it.
class HiddenBrowser : public QAccessibleWidget {
public:
    explicit HiddenBrowser(QWidget *place) : QAccessibleWidget(place, QAccessible::Client) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        s.offscreen = true;
        s.focusable = false;
        return s;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
};

QAccessibleInterface *factory(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    const QString name = widget->objectName();
    if (name == u"Form1" && widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (name == u"lblTBZZ") {
        if (auto *label = qobject_cast<QLabel *>(widget))
            return new StatusLine(label);
    }
    if (name == u"Line1")
        return new QAccessibleWidget(widget, QAccessible::Separator);
    if (name == u"WebTB")
        return new HiddenBrowser(widget);
    return nullptr;
}

} // namespace

void Install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
}

} // namespace Accessibility
