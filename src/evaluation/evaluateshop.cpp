// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "evaluateshop.h"

#include "leadingnumber.h"

#include <QLocale>
#include <QStringList>
#include <cmath>
#include <limits>

namespace Evaluation {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The rule table. Everything the score and its explanation know of the
// rules is here, once.

constexpr int kWithProtection = 100;
constexpr int kWithoutProtection = -900;

struct FlagRule {
    bool ShopFacts::*flag;
    Rule::Fact fact;
    int points;
};
constexpr FlagRule kFlags[] = {
    {&ShopFacts::violations, Rule::Fact::Violations, -18},
    {&ShopFacts::refundDisputes, Rule::Fact::RefundDisputes, -33},
    {&ShopFacts::complaintDisputes, Rule::Fact::ComplaintDisputes, -24},
    {&ShopFacts::penalties, Rule::Fact::Penalties, -47},
};

// A band runs from its bound up to the next band's; the first one also
// takes everything below.
struct Band {
    double from;
    int points;
};
constexpr Band kBadRatings[] = {{-kInfinity, 0}, {3, -3},    {30, -13},
                                {100, -20},      {500, -25}, {2000, -40}};
constexpr Band kGoodRatings[] = {{-kInfinity, -8}, {1000, -4},   {5000, 9},   {10000, 14},
                                 {50000, 19},      {100000, 21}, {500000, 26}};
constexpr Band kSellerCredit[] = {{-kInfinity, -30}, {500, -21},   {2000, 1},   {5000, 7},
                                  {10000, 20},       {100000, 25}, {500000, 30}};

struct YearRule {
    double year;
    int points;
};
constexpr YearRule kYears[] = {{2003, 25}, {2004, 20}, {2005, 16}, {2006, 12},
                               {2007, 10}, {2008, -5}, {2009, -15}};
constexpr Band kRecentYears = {2010, -32};

template <std::size_t N> Rule bandRule(Rule::Fact fact, double value, const Band (&bands)[N])
{
    std::size_t at = 0;
    for (std::size_t i = 1; i < N; ++i) {
        if (value >= bands[i].from)
            at = i;
    }
    Rule r{fact, Rule::Match::Band, value, bands[at].from, kInfinity, bands[at].points};
    if (at + 1 < N)
        r.below = bands[at + 1].from;
    return r;
}

Rule setRule(Rule::Fact fact, int points)
{
    Rule r;
    r.fact = fact;
    r.points = points;
    return r;
}

Rule yearRule(double y)
{
    if (y >= kRecentYears.from)
        return {Rule::Fact::RegisteredOn, Rule::Match::Band, y,
                kRecentYears.from,        kInfinity,         kRecentYears.points};
    for (const YearRule &year : kYears) {
        if (y == year.year)
            return {Rule::Fact::RegisteredOn,
                    Rule::Match::Exactly,
                    y,
                    year.year,
                    year.year,
                    year.points};
    }
    Rule other;
    other.fact = Rule::Fact::RegisteredOn;
    other.match = Rule::Match::OtherYear;
    other.value = y;
    return other;
}

const QString kUncertified = QStringLiteral("该店铺未认证，不建议购物！");
const QString kScorePrefix = QStringLiteral("该店铺评分：");
const QString kScoreSuffix = QStringLiteral(" 分。");

QString problems(const ShopFacts &f, double c, double b, double y)
{
    QString text;
    if (!f.consumerProtection)
        text += QStringLiteral("该店铺没加入消费者保障服务，不建议购买！");
    if (f.violations)
        text += QStringLiteral("该店铺最近违规。");
    if (f.refundDisputes)
        text += QStringLiteral("该店铺最近有退款纠纷。");
    if (f.complaintDisputes)
        text += QStringLiteral("该店铺最近有投诉纠纷。");
    if (f.penalties)
        text += QStringLiteral("该店铺最近被处罚。");
    if (b >= 5)
        text += QStringLiteral("该店铺差评太多。");
    if (c < 1000)
        text += QStringLiteral("该店铺信用太低。");
    if (y >= 2009)
        text += QStringLiteral("该店铺注册时间距现在太近。");
    return text;
}

QString verdict(int score)
{
    if (score >= 60)
        return QStringLiteral("经过评估，该店总体水平一般，购物需谨慎！");
    if (score >= 50)
        return QStringLiteral("经过评估，该店总体水平比较差，购物有一定的风险，不建议在此店购物！");
    if (score >= 20)
        return QStringLiteral("经过评估，该店总体水平差，不建议在此店购物！");
    return QStringLiteral("经过评估，该店总体水平太差，购物有很大的风险，不建议在此店购物！");
}

} // namespace

Breakdown ScoreShop(const ShopFacts &f)
{
    Breakdown b;
    b.rules.append(setRule(Rule::Fact::ConsumerProtection,
                           f.consumerProtection ? kWithProtection : kWithoutProtection));
    for (const FlagRule &flag : kFlags) {
        if (f.*flag.flag)
            b.rules.append(setRule(flag.fact, flag.points));
    }
    b.rules.append(
        bandRule(Rule::Fact::BadRatings, LeadingNumber(f.recentBadRatings), kBadRatings));
    b.rules.append(
        bandRule(Rule::Fact::GoodRatings, LeadingNumber(f.recentGoodRatings), kGoodRatings));
    b.rules.append(
        bandRule(Rule::Fact::SellerCredit, LeadingNumber(f.sellerCredit), kSellerCredit));
    b.rules.append(yearRule(LeadingNumber(f.registeredOn)));
    for (const Rule &r : std::as_const(b.rules))
        b.sum += r.points;
    return b;
}

int RawScore(const ShopFacts &f)
{
    return ScoreShop(f).sum;
}

Outcome EvaluateShop(const ShopFacts &f)
{
    Outcome out;
    if (f.registeredOn == QStringLiteral("未知")) {
        out.kind = Outcome::Uncertified;
        out.advice = kUncertified;
        return out;
    }
    if (f.sellerCredit.isEmpty()) {
        out.message = QStringLiteral("您没有填写店铺信用，无法进行评估！");
        return out;
    }
    if (f.recentGoodRatings.isEmpty()) {
        out.message = QStringLiteral("您没有填写最近半年好评，无法进行评估！");
        return out;
    }
    if (f.recentBadRatings.isEmpty()) {
        out.message = QStringLiteral("您没有填写最近半年差评，无法评估！");
        return out;
    }

    out.breakdown = ScoreShop(f);
    // Cut to 0..100.
    const int s = qBound(0, out.breakdown.sum, 100);
    out.kind = Outcome::Scored;
    out.score = s;
    const QString d = QString::number(s);
    if (s == 100) {
        out.advice =
            QStringLiteral("该店铺评分：100 分。经过评估，该店总体水平较好，可以放心在此店购物！");
    } else if (s >= 85) {
        out.advice =
            kScorePrefix + d + QStringLiteral(" 分。经过评估，该店总体水平较好，可以在此店购物！");
    } else {
        const double c = LeadingNumber(f.sellerCredit);
        const double b = LeadingNumber(f.recentBadRatings);
        const double y = LeadingNumber(f.registeredOn);
        out.advice = QStringLiteral("经过权威鉴定，该店存在的问题有：") + problems(f, c, b, y) +
                     kScorePrefix + d + kScoreSuffix + verdict(s);
    }
    return out;
}

namespace {

// A number as the shopper wrote it: whole numbers without a point, others
// in their shortest exact form, infinities as such.
QString number(double v)
{
    if (std::isinf(v))
        return std::signbit(v) ? QStringLiteral("-∞") : QStringLiteral("∞");
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(qint64(v));
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

QString points(int p)
{
    return p > 0 ? QStringLiteral("+") + QString::number(p) : QString::number(p);
}

QString band(const Rule &r)
{
    if (std::isinf(r.from))
        return QStringLiteral("少于 ") + number(r.below);
    if (std::isinf(r.below))
        return QStringLiteral("不少于 ") + number(r.from);
    return QStringLiteral("不少于 %1，少于 %2").arg(number(r.from), number(r.below));
}

QString explain(const Rule &r)
{
    using F = Rule::Fact;
    switch (r.fact) {
    case F::ConsumerProtection:
        return QStringLiteral("起始分 %1（%2消费者保障服务）")
            .arg(r.points)
            .arg(r.points == kWithProtection ? QStringLiteral("已加入") : QStringLiteral("未加入"));
    case F::Violations:
        return QStringLiteral("违规行为：") + points(r.points);
    case F::RefundDisputes:
        return QStringLiteral("退款纠纷：") + points(r.points);
    case F::ComplaintDisputes:
        return QStringLiteral("投诉纠纷：") + points(r.points);
    case F::Penalties:
        return QStringLiteral("处罚情况：") + points(r.points);
    case F::BadRatings:
        return QStringLiteral("近期差评数 %1（%2）：%3")
            .arg(number(r.value), band(r), points(r.points));
    case F::GoodRatings:
        return QStringLiteral("近期好评数 %1（%2）：%3")
            .arg(number(r.value), band(r), points(r.points));
    case F::SellerCredit:
        return QStringLiteral("卖家信用 %1（%2）：%3")
            .arg(number(r.value), band(r), points(r.points));
    case F::RegisteredOn:
        break;
    }
    const QString which = r.match == Rule::Match::Exactly ? number(r.from) + QStringLiteral(" 年")
                          : r.match == Rule::Match::Band
                              ? number(r.from) + QStringLiteral(" 年及以后")
                              : QStringLiteral("其他年份");
    return QStringLiteral("注册时间 %1（%2）：%3").arg(number(r.value), which, points(r.points));
}

} // namespace

QString ExplainScore(const Outcome &outcome)
{
    switch (outcome.kind) {
    case Outcome::MissingInput:
        return QString();
    case Outcome::Uncertified:
        return QStringLiteral("开店时间未知，该店铺未认证，未计算评分");
    case Outcome::Scored:
        break;
    }
    QStringList lines;
    for (const Rule &r : outcome.breakdown.rules)
        lines << explain(r);
    lines << QStringLiteral("合计 %1，按 0 至 100 计为 %2")
                 .arg(outcome.breakdown.sum)
                 .arg(outcome.score);
    return lines.join(QLatin1Char('\n'));
}

} // namespace Evaluation
