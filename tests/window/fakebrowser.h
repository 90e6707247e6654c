// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "lookup/browser.h"

#include <QLineEdit>
#include <QList>
#include <QUrl>

// A browser whose pages a test writes by hand. It remembers where it was
// sent; the test then raises the page it wants with finish().
class FakeBrowser : public Browser {
    Q_OBJECT
public:
    QList<QUrl> navigations;
    int stops = 0;

    void Stop() override { ++stops; }
    // Puts a page in the browser's place, as an engine would: widgets that
    // would gladly take the keyboard, one of them inside another, and one
    // more at each navigation, as an engine adds one for a new page process.
    void setContainer(QWidget *container) override
    {
        page = new QWidget;
        pageWidget = new QLineEdit(page);
        page->setParent(container);
        page->setGeometry(container->rect());
        page->show();
    }
    void Navigate(const QUrl &address) override
    {
        navigations.append(address);
        if (page) {
            lateWidget = new QLineEdit(page);
            lateWidget->show();
        }
    }
    QWidget *page = nullptr;
    QLineEdit *lateWidget = nullptr;
    QLineEdit *pageWidget = nullptr;

    void finish(const DocumentSnapshot &snapshot) { emit DocumentComplete(snapshot); }
};

// Small builders for the pages of the tests.
inline DocumentSnapshot page(const QString &body, const QStringList &hrefs = {},
                             const QStringList &anchors = {})
{
    DocumentSnapshot s;
    s.hasDocument = true;
    s.hasBody = true;
    s.bodyText = body;
    s.linkHrefs = hrefs;
    s.anchorTexts = anchors;
    return s;
}

inline DocumentSnapshot failedPage()
{
    DocumentSnapshot s;
    s.loadFailed = true;
    return s;
}

// Catches the addresses handed to the desktop's default browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};
