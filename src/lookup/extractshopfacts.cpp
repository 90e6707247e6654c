// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Reading the shop facts from its rating page into the window's fields, then
// ending the lookup and judging the shop.
#include "lookupwindow.h"
#include "ratingpage.h"
#include "shoplookup.h"

#include <QStringListModel>

void ShopLookup::ExtractShopFacts(const DocumentSnapshot &document)
{
    m_ratePageText = document.bodyText;
    // The work lists as the counts are found: every link text, then the
    // rating slice among them, then what follows its six leading items.
    m_list1->setStringList(document.anchorTexts);
    const RatingPage::Slice slice = RatingPage::SliceRatings(m_list1->stringList());
    m_list2->setStringList(slice.items);
    m_list1->setStringList(RatingPage::DropLeading(slice.items, 6));
    m_window->showFacts(RatingPage::ReadShopFacts(m_ratePageText, document.anchorTexts));

    // The lookup ends, and the shop is judged on what was read.
    endLookup(Ending::Read);
}
