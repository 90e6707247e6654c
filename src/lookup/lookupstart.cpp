// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Starting a lookup from the shopkeeper name in the name box.
#include "linktests.h"
#include "lookupwindow.h"
#include "messages.h"
#include "shoplookup.h"

#include <QStringListModel>

namespace {
constexpr int kPageTimeoutMs = 30000;
} // namespace

ShopLookup::ShopLookup(LookupWindow *window, Browser *browser, QObject *parent)
    : QObject(parent), m_window(window), m_browser(browser),
      m_list1(new QStringListModel(this)), m_list2(new QStringListModel(this))
{
    connect(m_browser, &Browser::DocumentComplete, this, &ShopLookup::WebTB_DocumentComplete);
    m_pageTimer.setSingleShot(true);
    m_pageTimer.setInterval(kPageTimeoutMs);
    connect(&m_pageTimer, &QTimer::timeout, this, &ShopLookup::pageTimedOut);
}

void ShopLookup::txtTB_KeyPress(qint16 &keyAscii)
{
    if (keyAscii == 13 && m_window->canSearch())
        cmdTBCX_Click();
}

void ShopLookup::cmdTBCX_Click()
{
    // Blanks and dots count as a name here; they are only cleaned away below.
    if (m_window->shopName().isEmpty()) {
        m_window->showError(Messages::kNoName);
        return;
    }
    m_list1->setStringList({});
    m_list2->setStringList({});
    m_window->clearFacts();
    // The box shows what is searched for.
    m_window->setShopName(Lookup::CleanShopName(m_window->shopName()));

    m_ratePageUrl.clear();
    m_window->lockInputs();
    m_window->setStatus(Messages::kSearching);
    armNavigation(Lookup::SearchAddress(m_window->shopName()));
}
