// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "evaluation/evaluateshop.h"

#include <QTest>

using namespace Evaluation;

namespace {

const QString kHeader = QStringLiteral("经过权威鉴定，该店存在的问题有：");
const QString kNoProtection = QStringLiteral("该店铺没加入消费者保障服务，不建议购买！");
const QString kViolations = QStringLiteral("该店铺最近违规。");
const QString kRefunds = QStringLiteral("该店铺最近有退款纠纷。");
const QString kComplaints = QStringLiteral("该店铺最近有投诉纠纷。");
const QString kPenalties = QStringLiteral("该店铺最近被处罚。");
const QString kTooManyBad = QStringLiteral("该店铺差评太多。");
const QString kLowCredit = QStringLiteral("该店铺信用太低。");
const QString kTooNew = QStringLiteral("该店铺注册时间距现在太近。");
const QString kFair = QStringLiteral("经过评估，该店总体水平一般，购物需谨慎！");
const QString kRather =
    QStringLiteral("经过评估，该店总体水平比较差，购物有一定的风险，不建议在此店购物！");
const QString kPoor = QStringLiteral("经过评估，该店总体水平差，不建议在此店购物！");
const QString kVeryPoor =
    QStringLiteral("经过评估，该店总体水平太差，购物有很大的风险，不建议在此店购物！");
const QString kFull =
    QStringLiteral("该店铺评分：100 分。经过评估，该店总体水平较好，可以放心在此店购物！");

QString scorePiece(int s)
{
    return QStringLiteral("该店铺评分：") + QString::number(s) + QStringLiteral(" 分。");
}

QString good(int s)
{
    return scorePiece(s).chopped(1) +
           QStringLiteral("。经过评估，该店总体水平较好，可以在此店购物！");
}

// Flags as letters: P consumer protection, V violations, R refund disputes,
// C complaint disputes, X penalties.
ShopFacts facts(const QString &c, const QString &g, const QString &b, const QString &y,
                const QString &flags = QStringLiteral("P"))
{
    ShopFacts f;
    f.sellerCredit = c;
    f.recentGoodRatings = g;
    f.recentBadRatings = b;
    f.registeredOn = y;
    f.consumerProtection = flags.contains(u'P');
    f.violations = flags.contains(u'V');
    f.refundDisputes = flags.contains(u'R');
    f.complaintDisputes = flags.contains(u'C');
    f.penalties = flags.contains(u'X');
    return f;
}

} // namespace

Q_DECLARE_METATYPE(ShopFacts)

class TstEvaluateShop : public QObject {
    Q_OBJECT
private slots:
    void advice_data();
    void advice();
    void bands_data();
    void bands();
    void missing_data();
    void missing();
    void whyThisScore_data();
    void whyThisScore();
};

void TstEvaluateShop::advice_data()
{
    QTest::addColumn<ShopFacts>("shop");
    QTest::addColumn<int>("score");
    QTest::addColumn<QString>("text");

    // The worked examples.
    QTest::newRow("fair shop, many bad ratings") << facts("1500", "10000", "40", "2008") << 75
                                                 << kHeader + kTooManyBad + scorePiece(75) + kFair;
    QTest::newRow("good shop") << facts("3000", "800", "50", "2007") << 90 << good(90);
    QTest::newRow("raw 181 is full marks")
        << facts("500000", "500000", "0", "2003") << 100 << kFull;
    QTest::newRow("refund disputes, every problem")
        << facts("300", "800", "600", "2010", "PR") << 0
        << kHeader + kRefunds + kTooManyBad + kLowCredit + kTooNew + scorePiece(0) + kVeryPoor;
    QTest::newRow("no consumer protection") << facts("1200", "7000", "4", "2005", "") << 0
                                            << kHeader + kNoProtection + scorePiece(0) + kVeryPoor;

    // Raw scores are worked out in each row's name: protection gives 100,
    // then the flags, bad, good, credit and year adjustments.
    QTest::newRow("163 with violations is full marks: 100 +30 +26 +25 -18")
        << facts("500000", "500000", "0", "2003", "PV") << 100 << kFull;
    QTest::newRow("raw exactly 100: +7 -4 -3")
        << facts("5000", "1000", "3", "2002") << 100 << kFull;
    QTest::newRow("raw 100 with penalties: +20 +14 -3 +16 -47")
        << facts("10000", "10000", "3", "2005", "PX") << 100 << kFull;
    QTest::newRow("85 has no problem list: +1 -8 -3 -5")
        << facts("2000", "999", "3", "2008") << 85 << good(85);
    QTest::newRow("84 lists problems: +1 -4 -13") << facts("2000", "1000", "30", "2002") << 84
                                                  << kHeader + kTooManyBad + scorePiece(84) + kFair;
    QTest::newRow("60 is fair: -33 +1 -8") << facts("2000", "999", "2", "1999", "PR") << 60
                                           << kHeader + kRefunds + scorePiece(60) + kFair;
    QTest::newRow("59 is rather poor: -47 -3 -8 +7 +10")
        << facts("5000", "0", "4", "2007", "PX") << 59
        << kHeader + kPenalties + scorePiece(59) + kRather;
    QTest::newRow("50 is rather poor: -47 +1 -4")
        << facts("2000", "1000", "0", "2002", "PX") << 50
        << kHeader + kPenalties + scorePiece(50) + kRather;
    QTest::newRow("49 is poor: -18 -3 -4 -21 -5")
        << facts("999", "1000", "3", "2008", "PV") << 49
        << kHeader + kViolations + kLowCredit + scorePiece(49) + kPoor;
    QTest::newRow("20 is poor: -24 -3 +9 -30 -32")
        << facts("0", "5000", "4", "2010", "PC") << 20
        << kHeader + kComplaints + kLowCredit + kTooNew + scorePiece(20) + kPoor;
    QTest::newRow("19 is very poor: -47 -13 +9 -30, letters as credit")
        << facts("abc", "5000", "30", "", "PX") << 19
        << kHeader + kPenalties + kTooManyBad + kLowCredit + scorePiece(19) + kVeryPoor;
    QTest::newRow("bad 4 names no problem of bad ratings: -18 -3 +1 -4")
        << facts("2000", "1000", "4", "1999", "PV") << 76
        << kHeader + kViolations + scorePiece(76) + kFair;
    QTest::newRow("bad 5 names too many bad ratings: -18 -3 +1 -4")
        << facts("2000", "1000", "5", "1999", "PV") << 76
        << kHeader + kViolations + kTooManyBad + scorePiece(76) + kFair;
    QTest::newRow("year 2009 names a recent registration: -18 +1 -4 -15")
        << facts("2000", "1000", "0", "2009", "PV") << 64
        << kHeader + kViolations + kTooNew + scorePiece(64) + kFair;
    QTest::newRow("no problem named goes from header to score: -3 -4 -21")
        << facts("1000", "1000", "4", "1999") << 72 << kHeader + scorePiece(72) + kFair;
    QTest::newRow("blanks count as zero")
        << facts(" ", " ", " ", " ") << 62 << kHeader + kLowCredit + scorePiece(62) + kFair;
    QTest::newRow("grouped credit reads as 1") << facts("1,500", "1000", "0", "2005-06") << 82
                                               << kHeader + kLowCredit + scorePiece(82) + kFair;
    QTest::newRow("all flags without protection")
        << facts("600000", "600000", "0", "2003", "VRCX") << 0
        << kHeader + kNoProtection + kViolations + kRefunds + kComplaints + kPenalties +
               scorePiece(0) + kVeryPoor;
    QTest::newRow("unknown year is uncertified") << facts("", "", "", QStringLiteral("未知")) << -1
                                                 << QStringLiteral("该店铺未认证，不建议购物！");
    QTest::newRow("unknown year with a blank is year 0")
        << facts("2000", "1000", "0", QStringLiteral("未知 ")) << 97 << good(97);
    QTest::newRow("infinite credit") << facts("1e999", "1000", "0", "2002") << 100 << kFull;
    QTest::newRow("99 is good, not full marks: +7 -8")
        << facts("5000", "999", "0", "1999") << 99 << good(99);
    QTest::newRow("unknown year after a blank is year 0")
        << facts("2000", "1000", "0", QStringLiteral(" 未知")) << 97 << good(97);
    QTest::newRow("a carriage return before a number reads as 0: -30 -8")
        << facts("\r5000", "\r5000", "\r40", "\r2009") << 62
        << kHeader + kLowCredit + scorePiece(62) + kFair;
}

void TstEvaluateShop::advice()
{
    QFETCH(ShopFacts, shop);
    QFETCH(int, score);
    QFETCH(QString, text);
    const Outcome out = EvaluateShop(shop);
    if (score < 0) {
        QCOMPARE(out.kind, Outcome::Uncertified);
    } else {
        QCOMPARE(out.kind, Outcome::Scored);
        QCOMPARE(out.score, score);
    }
    QCOMPARE(out.advice, text);
}

// One row per band bound, against a base that adjusts nothing else:
// protection, credit 2000 (+1), good 1000 (-4), bad 0, year 1999, raw 97.
void TstEvaluateShop::bands_data()
{
    QTest::addColumn<ShopFacts>("shop");
    QTest::addColumn<int>("raw");
    auto row = [](const char *name, const QString &c, const QString &g, const QString &b,
                  const QString &y, int raw, const QString &flags = QStringLiteral("P")) {
        QTest::newRow(name) << facts(c, g, b, y, flags) << raw;
    };
    row("bad 2 gives nothing", "2000", "1000", "2", "1999", 97);
    row("bad 3 gives -3", "2000", "1000", "3", "1999", 94);
    row("bad 29 gives -3", "2000", "1000", "29", "1999", 94);
    row("bad 30 gives -13", "2000", "1000", "30", "1999", 84);
    row("bad 100 gives -20", "2000", "1000", "100", "1999", 77);
    row("bad 499.5 gives -20", "2000", "1000", "499.5", "1999", 77);
    row("bad 500 gives -25", "2000", "1000", "500", "1999", 72);
    row("bad 1999 gives -25", "2000", "1000", "1999", "1999", 72);
    row("bad 2000 gives -40", "2000", "1000", "2000", "1999", 57);
    row("good 999 gives -8", "2000", "999", "0", "1999", 93);
    row("good 4999 gives -4", "2000", "4999", "0", "1999", 97);
    row("good 99999 gives +19", "2000", "99999", "0", "1999", 120);
    row("good 5000 gives +9", "2000", "5000", "0", "1999", 110);
    row("good 10000 gives +14", "2000", "10000", "0", "1999", 115);
    row("good 50000 gives +19", "2000", "50000", "0", "1999", 120);
    row("good 100000 gives +21", "2000", "100000", "0", "1999", 122);
    row("good 499999 gives +21", "2000", "499999", "0", "1999", 122);
    row("good 500000 gives +26", "2000", "500000", "0", "1999", 127);
    row("credit 499.5 gives -30", "499.5", "1000", "0", "1999", 66);
    row("credit 500 gives -21", "500", "1000", "0", "1999", 75);
    row("credit 1999 gives -21", "1999", "1000", "0", "1999", 75);
    row("credit 4999 gives +1", "4999", "1000", "0", "1999", 97);
    row("credit 5000 gives +7", "5000", "1000", "0", "1999", 103);
    row("credit 10000 gives +20", "10000", "1000", "0", "1999", 116);
    row("credit 100000 gives +25", "100000", "1000", "0", "1999", 121);
    row("credit 500000 gives +30", "500000", "1000", "0", "1999", 126);
    row("year 2002 gives nothing", "2000", "1000", "0", "2002", 97);
    row("year 2003 gives +25", "2000", "1000", "0", "2003", 122);
    row("year 2004 gives +20", "2000", "1000", "0", "2004", 117);
    row("year 2005 gives +16", "2000", "1000", "0", "2005", 113);
    row("year 2005.5 gives nothing", "2000", "1000", "0", "2005.5", 97);
    row("year 2006 gives +12", "2000", "1000", "0", "2006", 109);
    row("year 2007 gives +10", "2000", "1000", "0", "2007", 107);
    row("year 2008 gives -5", "2000", "1000", "0", "2008", 92);
    row("year 2009 gives -15", "2000", "1000", "0", "2009", 82);
    row("year 2009.5 is no whole year", "2000", "1000", "0", "2009.5", 97);
    row("year 2010 gives -32", "2000", "1000", "0", "2010", 65);
    row("year 2011 gives -32", "2000", "1000", "0", "2011", 65);
    row("violations -18", "2000", "1000", "0", "1999", 79, "PV");
    row("refund disputes -33", "2000", "1000", "0", "1999", 64, "PR");
    row("complaint disputes -24", "2000", "1000", "0", "1999", 73, "PC");
    row("penalties -47", "2000", "1000", "0", "1999", 50, "PX");
    row("all four flags -122", "2000", "1000", "0", "1999", -25, "PVRCX");
    row("no protection starts at -900", "2000", "1000", "0", "1999", -903, "");
    row("lowest raw score", "0", "0", "2000", "2010", -1132, "VRCX");
}

void TstEvaluateShop::bands()
{
    QFETCH(ShopFacts, shop);
    QFETCH(int, raw);
    QCOMPARE(RawScore(shop), raw);
}

void TstEvaluateShop::missing_data()
{
    QTest::addColumn<ShopFacts>("shop");
    QTest::addColumn<QString>("message");
    const QString credit = QStringLiteral("您没有填写店铺信用，无法进行评估！");
    const QString good = QStringLiteral("您没有填写最近半年好评，无法进行评估！");
    const QString bad = QStringLiteral("您没有填写最近半年差评，无法评估！");
    QTest::newRow("credit first of all") << facts("", "", "", "2005") << credit;
    QTest::newRow("credit and good empty") << facts("", "", "1", "2005") << credit;
    QTest::newRow("good") << facts("1", "", "", "2005") << good;
    QTest::newRow("bad") << facts("1", "1", "", "2005") << bad;
}

void TstEvaluateShop::missing()
{
    QFETCH(ShopFacts, shop);
    QFETCH(QString, message);
    const Outcome out = EvaluateShop(shop);
    QCOMPARE(out.kind, Outcome::MissingInput);
    QCOMPARE(out.message, message);
    QVERIFY(out.advice.isEmpty());
}

void TstEvaluateShop::whyThisScore_data()
{
    QTest::addColumn<ShopFacts>("shop");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("fair shop, many bad ratings")
        << facts("1500", "10000", "40", "2008")
        << QStringList{"起始分 100（已加入消费者保障服务）",
                       "近期差评数 40（不少于 30，少于 100）：-13",
                       "近期好评数 10000（不少于 10000，少于 50000）：+14",
                       "卖家信用 1500（不少于 500，少于 2000）：-21",
                       "注册时间 2008（2008 年）：-5",
                       "合计 75，按 0 至 100 计为 75"};
    QTest::newRow("raw 181 clamps to 100, open top bands")
        << facts("500000", "500000", "0", "2003")
        << QStringList{
               "起始分 100（已加入消费者保障服务）",      "近期差评数 0（少于 3）：0",
               "近期好评数 500000（不少于 500000）：+26", "卖家信用 500000（不少于 500000）：+30",
               "注册时间 2003（2003 年）：+25",           "合计 181，按 0 至 100 计为 100"};
    QTest::newRow("no protection and a refund dispute")
        << facts("1200", "7000", "4", "2005", "R")
        << QStringList{"起始分 -900（未加入消费者保障服务）",
                       "退款纠纷：-33",
                       "近期差评数 4（不少于 3，少于 30）：-3",
                       "近期好评数 7000（不少于 5000，少于 10000）：+9",
                       "卖家信用 1200（不少于 500，少于 2000）：-21",
                       "注册时间 2005（2005 年）：+16",
                       "合计 -932，按 0 至 100 计为 0"};
    QTest::newRow("every flag, a recent year, fractions and letters")
        << facts("abc", "999.5", "2000", "2011", "PVRCX")
        << QStringList{"起始分 100（已加入消费者保障服务）",
                       "违规行为：-18",
                       "退款纠纷：-33",
                       "投诉纠纷：-24",
                       "处罚情况：-47",
                       "近期差评数 2000（不少于 2000）：-40",
                       "近期好评数 999.5（少于 1000）：-8",
                       "卖家信用 0（少于 500）：-30",
                       "注册时间 2011（2010 年及以后）：-32",
                       "合计 -132，按 0 至 100 计为 0"};
    QTest::newRow("a year the table does not name, an infinite credit")
        << facts("1e999", "1000", "0", "2005.5")
        << QStringList{"起始分 100（已加入消费者保障服务）",
                       "近期差评数 0（少于 3）：0",
                       "近期好评数 1000（不少于 1000，少于 5000）：-4",
                       "卖家信用 ∞（不少于 500000）：+30",
                       "注册时间 2005.5（其他年份）：0",
                       "合计 126，按 0 至 100 计为 100"};
    QTest::newRow("a+b_store: second-highest bands, a penalty")
        << facts("150000", "120", "600", "2005", "PX")
        << QStringList{"起始分 100（已加入消费者保障服务）",
                       "处罚情况：-47",
                       "近期差评数 600（不少于 500，少于 2000）：-25",
                       "近期好评数 120（少于 1000）：-8",
                       "卖家信用 150000（不少于 100000，少于 500000）：+25",
                       "注册时间 2005（2005 年）：+16",
                       "合计 61，按 0 至 100 计为 61"};
    QTest::newRow("a gain of 1, a huge count, minus infinity")
        << facts("3000", "1e15", "-1e999", "1999")
        << QStringList{"起始分 100（已加入消费者保障服务）",
                       "近期差评数 -∞（少于 3）：0",
                       "近期好评数 1e+15（不少于 500000）：+26",
                       "卖家信用 3000（不少于 2000，少于 5000）：+1",
                       "注册时间 1999（其他年份）：0",
                       "合计 127，按 0 至 100 计为 100"};
    QTest::newRow("uncertified") << facts("", "", "", QStringLiteral("未知"))
                                 << QStringList{"开店时间未知，该店铺未认证，未计算评分"};
    QTest::newRow("missing fact") << facts("", "1", "1", "2005") << QStringList();
}

// What each fact weighed, from the same table as the score: the lines say
// it, and the rules' points add up to the sum that clamps to the score.
void TstEvaluateShop::whyThisScore()
{
    QFETCH(ShopFacts, shop);
    QFETCH(QStringList, lines);
    const Outcome out = EvaluateShop(shop);
    QCOMPARE(ExplainScore(out), lines.join(u'\n'));
    if (out.kind != Outcome::Scored)
        return;
    int sum = 0;
    for (const Rule &rule : out.breakdown.rules)
        sum += rule.points;
    QCOMPARE(sum, out.breakdown.sum);
    QCOMPARE(sum, RawScore(shop));
    QCOMPARE(qBound(0, sum, 100), out.score);
}

QTEST_APPLESS_MAIN(TstEvaluateShop)
#include "tst_evaluateshop.moc"
