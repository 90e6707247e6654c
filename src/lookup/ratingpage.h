// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "evaluation/shopfacts.h"

#include <QString>
#include <QStringList>

// Reading a shop's rating page: the marker phrases in its body text and the
// recent rating counts among its link texts. Pure; the window only copies
// the results into its fields.
namespace RatingPage {

// Every field is set by ReadFlags, in this order.
struct Flags {
    bool violations;         // "无违规行为" absent
    bool penalties;          // "该会员遵守淘宝用户行为管理规则良好" absent
    bool refundDisputes;     // "天无退款纠纷" absent
    bool complaintDisputes;  // "天无投诉" absent
    bool consumerProtection; // deposit phrase present
};

Flags ReadFlags(const QString &pageText);

// The text between "卖家信用: " and the two units before "虚拟商品交易",
// every U+0020 removed. Empty when the cut would have a negative length.
QString CutSellerCredit(const QString &pageText);

// The four units after "开店时间：" (or "创店时间：" when that is absent);
// positions 5 to 8 of the page when neither is there. Not yet checked.
QString CutRegistrationYear(const QString &pageText);

// The link texts from the first "关闭" at index 1 or later to the last
// "来自买家的评价", both included; empty when the last lies before the first.
struct Slice {
    qsizetype first = 0;
    qsizetype last = 0;
    QStringList items;
};
Slice SliceRatings(const QStringList &linkTexts);

// The slice without its first six items: where the recent counts stand.
QStringList DropLeading(const QStringList &items, qsizetype count);

// Item index of items when it exists and is numeric, else empty text.
QString NumericItem(const QStringList &items, qsizetype index);

// The year as shown: the cut when numeric, else "未知".
QString YearOrUnknown(const QString &cut);

// The nine facts of a rating page, from its body text and its link texts:
// the flags, the credit and the year cut from the text, and the recent good
// and bad counts at the first and third place after the six leading items of
// the rating slice.
ShopFacts ReadShopFacts(const QString &pageText, const QStringList &linkTexts);

} // namespace RatingPage
