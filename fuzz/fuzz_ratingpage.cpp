// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The rating-page cuts and the evaluation the lookup ends with: every cut
// stays within the page, the slice of link texts obeys its index rule, and
// EvaluateShop scores whatever facts the page (or anything else) yields.
//
// Input: the page text and the link texts, separated by "|" bytes; read once
// as UTF-8 and once as raw UTF-16 (split on the unit "|").

#include "evaluation/evaluateshop.h"
#include "fuzzsupport.h"
#include "lookup/ratingpage.h"
#include "text/textrules.h"

#include <algorithm>

namespace {

const QString kClose = QStringLiteral("关闭");
const QString kFromBuyers = QStringLiteral("来自买家的评价");
const QString kUnknown = QStringLiteral("未知");

void checkFlags(const QString &page)
{
    const RatingPage::Flags f = RatingPage::ReadFlags(page);
    FUZZ_CHECK(f.violations == !page.contains(QStringLiteral("无违规行为")));
    FUZZ_CHECK(f.penalties == !page.contains(QStringLiteral("该会员遵守淘宝用户行为管理规则良好")));
    FUZZ_CHECK(f.refundDisputes == !page.contains(QStringLiteral("天无退款纠纷")));
    FUZZ_CHECK(f.complaintDisputes == !page.contains(QStringLiteral("天无投诉")));
    FUZZ_CHECK(f.consumerProtection ==
               page.contains(QStringLiteral("卖家已提交保证金，加入消费者保障服务")));
}

void checkYear(const QString &cut)
{
    const QString year = RatingPage::YearOrUnknown(cut);
    FUZZ_CHECK(year == kUnknown || (Text::IsNumeric(year) && year == cut));
    if (cut != kUnknown)
        FUZZ_CHECK(Text::IsNumeric(cut) == (year == cut));
}

void checkEvaluation(const ShopFacts &facts)
{
    const Evaluation::Outcome out = Evaluation::EvaluateShop(facts);
    switch (out.kind) {
    case Evaluation::Outcome::Scored:
        FUZZ_CHECK(out.score >= 0 && out.score <= 100);
        FUZZ_CHECK(out.score == std::clamp(Evaluation::RawScore(facts), 0, 100));
        {
            // The explanation is the score: its points add up to the sum
            // before the clamp, which clamps to the score shown, with one
            // line a rule and the sum last.
            int sum = 0;
            for (const Evaluation::Rule &rule : out.breakdown.rules)
                sum += rule.points;
            FUZZ_CHECK(sum == out.breakdown.sum && sum == Evaluation::RawScore(facts));
            FUZZ_CHECK(std::clamp(sum, 0, 100) == out.score);
            FUZZ_CHECK(out.breakdown.rules.size() >= 5 && out.breakdown.rules.size() <= 9);
            const QString why = Evaluation::ExplainScore(out);
            FUZZ_CHECK(why.count(QLatin1Char('\n')) == out.breakdown.rules.size());
            FUZZ_CHECK(why.endsWith(QStringLiteral("计为 ") + QString::number(out.score)));
        }
        FUZZ_CHECK(!out.advice.isEmpty());
        FUZZ_CHECK(out.advice.contains(QString::number(out.score) + QStringLiteral(" 分。")));
        FUZZ_CHECK(out.message.isEmpty());
        FUZZ_CHECK(facts.registeredOn != kUnknown);
        FUZZ_CHECK(!facts.sellerCredit.isEmpty() && !facts.recentGoodRatings.isEmpty() &&
                   !facts.recentBadRatings.isEmpty());
        break;
    case Evaluation::Outcome::Uncertified:
        FUZZ_CHECK(facts.registeredOn == kUnknown);
        FUZZ_CHECK(!Evaluation::ExplainScore(out).contains(QLatin1Char('\n')));
        FUZZ_CHECK(!out.advice.isEmpty());
        break;
    case Evaluation::Outcome::MissingInput:
        FUZZ_CHECK(!out.message.isEmpty());
        FUZZ_CHECK(out.advice.isEmpty());
        FUZZ_CHECK(facts.sellerCredit.isEmpty() || facts.recentGoodRatings.isEmpty() ||
                   facts.recentBadRatings.isEmpty());
        break;
    default:
        FUZZ_CHECK(!"an outcome of no known kind");
    }
}

void checkPage(const QStringList &pieces, uint8_t choice)
{
    const QString page = pieces.value(0);
    const QStringList links = pieces.mid(1);
    QString pageWithoutSpaces = page;
    pageWithoutSpaces.remove(QLatin1Char(' '));

    checkFlags(page);

    // The credit: a piece of the page with its spaces taken out.
    const QString credit = RatingPage::CutSellerCredit(page);
    FUZZ_CHECK(!credit.contains(QLatin1Char(' ')));
    FUZZ_CHECK(credit.size() <= page.size());
    FUZZ_CHECK(credit.isEmpty() || pageWithoutSpaces.contains(credit));

    // The year: at most four units of the page.
    const QString yearCut = RatingPage::CutRegistrationYear(page);
    FUZZ_CHECK(yearCut.size() <= 4);
    FUZZ_CHECK(yearCut.isEmpty() || page.contains(yearCut));
    checkYear(yearCut);

    // The slice: from the first "关闭" at index 1 or later to the last
    // "来自买家的评价", each index 0 when its text is missing.
    const RatingPage::Slice slice = RatingPage::SliceRatings(links);
    const qsizetype expectedFirst = std::max<qsizetype>(0, links.indexOf(kClose, 1));
    const qsizetype expectedLast = std::max<qsizetype>(0, links.lastIndexOf(kFromBuyers));
    FUZZ_CHECK(slice.first == expectedFirst);
    FUZZ_CHECK(slice.last == expectedLast);
    FUZZ_CHECK(slice.first >= 0 && slice.last >= 0);
    FUZZ_CHECK(links.isEmpty() ? slice.first == 0 && slice.last == 0
                               : slice.first < links.size() && slice.last < links.size());
    const qsizetype expectedSize = slice.last >= slice.first ? slice.last - slice.first + 1 : 0;
    FUZZ_CHECK(slice.items.size() == std::min(expectedSize, links.size()));
    FUZZ_CHECK(slice.items.size() <= links.size());
    for (qsizetype i = 0; i < slice.items.size(); ++i)
        FUZZ_CHECK(slice.items[i] == links[slice.first + i]);
    if (slice.first >= 1 && !slice.items.isEmpty())
        FUZZ_CHECK(slice.items[0] == kClose);

    // Dropping leading items keeps the tail.
    for (const qsizetype count : {qsizetype(6), qsizetype(choice % 9)}) {
        const QStringList rest = RatingPage::DropLeading(slice.items, count);
        FUZZ_CHECK(rest.size() == std::max<qsizetype>(0, slice.items.size() - count));
        for (qsizetype i = 0; i < rest.size(); ++i)
            FUZZ_CHECK(rest[i] == slice.items[count + i]);
    }

    // A numeric item is the item itself; anything else is empty.
    const QStringList counts = RatingPage::DropLeading(slice.items, 6);
    for (qsizetype index = -2; index <= links.size() + 1; ++index) {
        const QString item = RatingPage::NumericItem(links, index);
        const bool present = index >= 0 && index < links.size();
        if (present && Text::IsNumeric(links[index]))
            FUZZ_CHECK(item == links[index]);
        else
            FUZZ_CHECK(item.isEmpty());
        if (present)
            checkYear(links[index]);
    }

    // The facts as the lookup reads them from this page, then the pieces
    // taken as facts directly.
    const ShopFacts facts = RatingPage::ReadShopFacts(page, links);
    FUZZ_CHECK(facts.sellerCredit == credit);
    FUZZ_CHECK(facts.registeredOn == RatingPage::YearOrUnknown(yearCut));
    FUZZ_CHECK(facts.recentGoodRatings == RatingPage::NumericItem(counts, 0));
    FUZZ_CHECK(facts.recentBadRatings == RatingPage::NumericItem(counts, 2));
    checkEvaluation(facts);

    ShopFacts raw;
    raw.sellerCredit = pieces.value(0);
    raw.recentGoodRatings = pieces.value(1);
    raw.recentBadRatings = pieces.value(2);
    raw.registeredOn = pieces.value(3);
    raw.consumerProtection = choice & 1;
    raw.violations = choice & 2;
    raw.refundDisputes = choice & 4;
    raw.complaintDisputes = choice & 8;
    raw.penalties = choice & 16;
    checkEvaluation(raw);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const uint8_t choice = size > 0 ? data[size - 1] : 0;
    checkPage(Fuzz::fromUtf8Bytes(data, size).split(QLatin1Char('|')), choice);
    checkPage(Fuzz::fromUtf16Bytes(data, size).split(QLatin1Char('|')), choice);
    return 0;
}
