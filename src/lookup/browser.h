// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

// One look at the browser's top-level document, taken when it has finished
// loading. Inner texts separate blocks with CR LF.
struct DocumentSnapshot {
    bool hasDocument = false; // false: the page went away before it could be read
    bool hasBody = false;
    bool loadFailed = false;    // the browser could not load the page at all
    bool engineMissing = false; // the browser engine could not be loaded
    QString bodyText;           // the body's inner text
    QStringList linkHrefs;      // document.links[i].href, in document order
    QStringList anchorTexts;    // the inner text of every A element, in document order
};

// The lookup's browser (WebTB): it is told where to go and reports each
// finished top-level page with a snapshot of its document.
class Browser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Browser() override = default;

    // Loads address. Addresses other than http and https pages are not
    // loaded; they finish at once as failed loads.
    virtual void Navigate(const QUrl &address) = 0;
    // Abandons whatever is loading; no completion is reported for it.
    virtual void Stop() = 0;
    // The place in the window where the pages are shown (out of sight).
    virtual void setContainer(QWidget *container) = 0;

signals:
    void DocumentComplete(const DocumentSnapshot &snapshot);
};
