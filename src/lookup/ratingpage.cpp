// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "ratingpage.h"

#include "text/textrules.h"

namespace RatingPage {

using Text::FindText;

Flags ReadFlags(const QString &t)
{
    return {
        FindText(u"无违规行为", t) == 0,
        FindText(u"该会员遵守淘宝用户行为管理规则良好", t) == 0,
        FindText(u"天无退款纠纷", t) == 0,
        FindText(u"天无投诉", t) == 0,
        FindText(u"卖家已提交保证金，加入消费者保障服务", t) != 0,
    };
}

QString CutSellerCredit(const QString &t)
{
    // The credit stands right after its six-unit marker; the line break
    // that ends its block is the two units before the next heading.
    const qsizetype start = FindText(u"卖家信用: ", t) + 6;
    const qsizetype end = FindText(u"虚拟商品交易", t);
    const QString cut = Text::Substring(t, start, end - start - 2);
    return Text::ReplaceAll(cut, u" ", u"");
}

QString CutRegistrationYear(const QString &t)
{
    qsizetype p = FindText(u"开店时间：", t);
    if (p == 0)
        p = FindText(u"创店时间：", t);
    return Text::Substring(t, p + 5, 4);
}

Slice SliceRatings(const QStringList &links)
{
    Slice s;
    for (qsizetype i = 0; i < links.size(); ++i) {
        if (links[i] == u"关闭" && s.first == 0)
            s.first = i;
        if (links[i] == u"来自买家的评价")
            s.last = i;
    }
    if (s.last >= s.first)
        s.items = links.mid(s.first, s.last - s.first + 1);
    return s;
}

QStringList DropLeading(const QStringList &items, qsizetype count)
{
    return items.mid(count); // nothing when count reaches the end
}

QString NumericItem(const QStringList &items, qsizetype index)
{
    if (index < 0 || index >= items.size() || !Text::IsNumeric(items[index]))
        return QString();
    return items[index];
}

QString YearOrUnknown(const QString &cut)
{
    return Text::IsNumeric(cut) ? cut : QStringLiteral("未知");
}

ShopFacts ReadShopFacts(const QString &t, const QStringList &links)
{
    const Flags flags = ReadFlags(t);
    const QStringList counts = DropLeading(SliceRatings(links).items, 6);
    ShopFacts f;
    f.sellerCredit = CutSellerCredit(t);
    f.recentGoodRatings = NumericItem(counts, 0);
    f.recentBadRatings = NumericItem(counts, 2);
    f.registeredOn = YearOrUnknown(CutRegistrationYear(t));
    f.consumerProtection = flags.consumerProtection;
    f.violations = flags.violations;
    f.refundDisputes = flags.refundDisputes;
    f.complaintDisputes = flags.complaintDisputes;
    f.penalties = flags.penalties;
    return f;
}

} // namespace RatingPage
