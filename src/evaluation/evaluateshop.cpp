// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "evaluateshop.h"

#include "leadingnumber.h"

#include <QStringList>
#include <initializer_list>

namespace Evaluation {

namespace {

struct Band {
    double lowerBound; // the band holds lowerBound and what lies above it, up to the next band
    int adjustment;
};

// Bands in ascending order; a value below the first bound takes belowAll.
int bandAdjustment(double value, int belowAll, std::initializer_list<Band> bands)
{
    int adjustment = belowAll;
    for (const Band &band : bands) {
        if (value >= band.lowerBound)
            adjustment = band.adjustment;
    }
    return adjustment;
}

int badRatingsAdjustment(double b)
{
    return bandAdjustment(b, 0, {{3, -3}, {30, -13}, {100, -20}, {500, -25}, {2000, -40}});
}

int goodRatingsAdjustment(double g)
{
    return bandAdjustment(
        g, -8, {{1000, -4}, {5000, 9}, {10000, 14}, {50000, 19}, {100000, 21}, {500000, 26}});
}

int creditAdjustment(double c)
{
    return bandAdjustment(
        c, -30, {{500, -21}, {2000, 1}, {5000, 7}, {10000, 20}, {100000, 25}, {500000, 30}});
}

int yearAdjustment(double y)
{
    if (y >= 2010)
        return -32;
    if (y == 2003)
        return 25;
    if (y == 2004)
        return 20;
    if (y == 2005)
        return 16;
    if (y == 2006)
        return 12;
    if (y == 2007)
        return 10;
    if (y == 2008)
        return -5;
    if (y == 2009)
        return -15;
    return 0;
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

int RawScore(const ShopFacts &f)
{
    const double c = LeadingNumber(f.sellerCredit);
    const double g = LeadingNumber(f.recentGoodRatings);
    const double b = LeadingNumber(f.recentBadRatings);
    const double y = LeadingNumber(f.registeredOn);

    int score = f.consumerProtection ? 100 : -900;
    if (f.violations)
        score -= 18;
    if (f.refundDisputes)
        score -= 33;
    if (f.complaintDisputes)
        score -= 24;
    if (f.penalties)
        score -= 47;
    score += badRatingsAdjustment(b);
    score += goodRatingsAdjustment(g);
    score += creditAdjustment(c);
    score += yearAdjustment(y);
    return score;
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

    const int s = qBound(0, RawScore(f), 100);
    out.kind = Outcome::Scored;
    out.score = s;
    const QString d = QString::number(s);
    if (s == 100) {
        out.advice = QStringLiteral("该店铺评分：100 分。经过评估，该店总体水平较好，可以放心在此店购物！");
    } else if (s >= 85) {
        out.advice = kScorePrefix + d + QStringLiteral(" 分。经过评估，该店总体水平较好，可以在此店购物！");
    } else {
        const double c = LeadingNumber(f.sellerCredit);
        const double b = LeadingNumber(f.recentBadRatings);
        const double y = LeadingNumber(f.registeredOn);
        out.advice = QStringLiteral("经过权威鉴定，该店存在的问题有：") + problems(f, c, b, y) +
                     kScorePrefix + d + kScoreSuffix + verdict(s);
    }
    return out;
}

} // namespace Evaluation
