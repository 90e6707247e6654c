// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Reading the shop facts from its rating page into the window's fields, then
// ending the lookup and judging the shop.
#include "app/form1.h"
#include "ratingpage.h"
#include "ui_form1.h"

#include <QStringListModel>

void Form1::ExtractShopFacts(const DocumentSnapshot &document)
{
    m_ratePageText = document.bodyText;

    // The five flags are only ever set here; the lookup start cleared them.
    const RatingPage::Flags flags = RatingPage::ReadFlags(m_ratePageText);
    if (flags.violations)
        ui->Check3->setChecked(true);
    if (flags.penalties)
        ui->Check6->setChecked(true);
    if (flags.refundDisputes)
        ui->Check4->setChecked(true);
    if (flags.complaintDisputes)
        ui->Check5->setChecked(true);
    if (flags.consumerProtection)
        ui->Check2->setChecked(true);

    ui->Text9->setText(RatingPage::CutSellerCredit(m_ratePageText));
    ui->Text12->setText(RatingPage::CutRegistrationYear(m_ratePageText));

    // The recent counts stand at fixed places among the link texts, after
    // the "关闭" link of the rating box.
    m_list1->setStringList(document.anchorTexts);
    const RatingPage::Slice slice = RatingPage::SliceRatings(m_list1->stringList());
    m_list2->setStringList(slice.items);
    m_list1->setStringList(RatingPage::DropLeading(slice.items, 6));
    const QStringList counts = m_list1->stringList();
    ui->Text7->setText(RatingPage::NumericItem(counts, 0));
    ui->Text8->setText(RatingPage::NumericItem(counts, 2));
    ui->Text12->setText(RatingPage::YearOrUnknown(ui->Text12->text()));

    // The lookup ends, and the shop is judged on what was read.
    endLookup(Ending::Read);
}
