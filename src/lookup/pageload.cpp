// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Following the browser from the search results to the shop's front page and
// on to its rating page. Only the first finished page after each navigation
// the lookup issues is handled; everything else the browser reports is not
// the lookup's business.
#include "linktests.h"
#include "lookupwindow.h"
#include "marketplacesite.h"
#include "messages.h"
#include "shoplookup.h"
#include "text/textrules.h"

using namespace Messages;

void ShopLookup::WebTB_DocumentComplete(const DocumentSnapshot &document)
{
    if (!m_navigationArmed)
        return;
    const Stage stage = m_lookupStage;
    m_navigationArmed = false;
    m_pageTimer.stop();

    switch (stage) {
    case Stage::SearchResults:
    case Stage::ShopPage:
    case Stage::RatingPage:
        // An error page says nothing about the shop; without its engine the
        // browser shows no page at all.
        if (document.loadFailed || document.engineMissing) {
            endLookup(Ending::Unread, document.engineMissing ? kEngineMissing : kUnread);
            return;
        }
        break;
    default:
        return; // the lookup expects no page
    }
    if (stage == Stage::SearchResults)
        followShopLink(document);
    else if (stage == Stage::ShopPage)
        followRatingLink(document);
    else
        ExtractShopFacts(document);
}

void ShopLookup::armNavigation(const QUrl &address)
{
    m_navigationArmed = true;
    m_pageTimer.start();
    m_browser->Navigate(address);
}

void ShopLookup::followShopLink(const DocumentSnapshot &document)
{
    const qsizetype i = Lookup::FirstLink(document.linkHrefs, Lookup::IsShopLink);
    if (i >= 0) {
        // A shop link outweighs a "not found" elsewhere on the page: the
        // lookup goes on and is not reported as failed.
        m_ratePageUrl = document.linkHrefs[i];
        m_lookupStage = Stage::ShopPage;
        armNavigation(QUrl(m_ratePageUrl));
        return;
    }
    if (Text::FindText(MarketplaceSite::kNotFound, document.bodyText) != 0) {
        endLookup(Ending::NotFound, kNotFound);
        return;
    }
    // A dead end: neither a shop nor the not-found phrase.
    endLookup(Ending::Unread, kUnread);
}

void ShopLookup::followRatingLink(const DocumentSnapshot &document)
{
    const qsizetype i = Lookup::FirstLink(document.linkHrefs, Lookup::IsRatingLink);
    if (i < 0) {
        endLookup(Ending::Unread, kUnread);
        return;
    }
    m_ratePageUrl = document.linkHrefs[i];
    m_lookupStage = Stage::RatingPage;
    m_window->setStatus(kFetching);
    armNavigation(QUrl(m_ratePageUrl));
}

// Every lookup ends here. The inputs come back in the same order whatever
// the ending, which a screen reader follows: the search button, the name box,
// "看详细结果...", the status; then the keyboard returns, and last the user
// hears the message or the advice. The endings differ only in what the
// lookup leaves: the not-found report keeps the stage it has, a lookup that
// could not be read stops the browser, and only a read rating page can be
// opened in the default browser.
void ShopLookup::endLookup(Ending ending, const QString &message)
{
    if (ending == Ending::Unread)
        m_browser->Stop();
    if (ending != Ending::NotFound)
        m_lookupStage = Stage::SearchResults;
    m_window->unlockInputs(ending == Ending::Read);
    m_window->setStatus(kReady);
    m_window->returnKeyboard();
    if (ending == Ending::Read)
        m_window->judge();
    else
        m_window->showError(message);
}

// The page limit has passed: the lookup waits for its page no more.
void ShopLookup::pageTimedOut()
{
    if (!m_navigationArmed)
        return;
    m_navigationArmed = false;
    endLookup(Ending::Unread, kUnread);
}
