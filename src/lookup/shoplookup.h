// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "browser.h"

#include <QObject>
#include <QTimer>

class LookupWindow;
class QStringListModel;

// One lookup at a time, from the typed name to the read rating page: its
// start, its page-by-page navigation and the reading of the facts. It holds
// the lookup's values and work lists for as long as its window lives, and
// reaches the window only through LookupWindow. Handlers keep the names of
// the controls and events they belong to.
class ShopLookup : public QObject {
    Q_OBJECT
public:
    // The page the lookup expects next.
    enum class Stage : qint16 { SearchResults = 0, ShopPage = 1, RatingPage = 2 };

    ShopLookup(LookupWindow *window, Browser *browser, QObject *parent = nullptr);

    QString ratePageUrl() const { return m_ratePageUrl; }
    bool navigationArmed() const { return m_navigationArmed; }
    Stage lookupStage() const { return m_lookupStage; }
    QString ratePageText() const { return m_ratePageText; }
    // The work lists of the reading (List1, List2).
    QStringListModel *list1() const { return m_list1; }
    QStringListModel *list2() const { return m_list2; }

    // How long a page of the lookup may take before the lookup gives up.
    void setPageTimeout(int milliseconds) { m_pageTimer.setInterval(milliseconds); }
    int pageTimeout() const { return m_pageTimer.interval(); }

    // Lookup start.
    void cmdTBCX_Click();
    void txtTB_KeyPress(qint16 &keyAscii);
    // Page-load navigation and rating-page extraction.
    void WebTB_DocumentComplete(const DocumentSnapshot &document);
    void ExtractShopFacts(const DocumentSnapshot &document);

private:
    // How a lookup ends: the shop does not exist, its rating page was read,
    // or it could not be read.
    enum class Ending { NotFound, Read, Unread };
    void armNavigation(const QUrl &address);
    void followShopLink(const DocumentSnapshot &document);
    void followRatingLink(const DocumentSnapshot &document);
    void endLookup(Ending ending, const QString &message = QString());
    void pageTimedOut();

    LookupWindow *m_window;
    Browser *m_browser;
    QStringListModel *m_list1;
    QStringListModel *m_list2;
    QTimer m_pageTimer;

    QString m_ratePageUrl;
    bool m_navigationArmed = false;
    Stage m_lookupStage = Stage::SearchResults;
    QString m_ratePageText;
};
