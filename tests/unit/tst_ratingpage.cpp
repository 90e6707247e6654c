// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "lookup/ratingpage.h"

#include <QTest>

using namespace RatingPage;

class TstRatingPage : public QObject {
    Q_OBJECT
private slots:
    void flags_data();
    void flags();
    void credit_data();
    void credit();
    void year_data();
    void year();
    void slice_data();
    void slice();
};

namespace {
const QString kAllFlags =
    QStringLiteral("无违规行为 该会员遵守淘宝用户行为管理规则良好 近30天无退款纠纷 近30天无投诉 "
                   "卖家已提交保证金，加入消费者保障服务");
}

void TstRatingPage::flags_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("expected"); // letters P V R C X as in the window's indicators
    QTest::newRow("all five phrases") << kAllFlags << "P";
    QTest::newRow("none of them") << ""
                                  << "VRCX";
    QTest::newRow("ASCII comma in the deposit phrase")
        << QString(kAllFlags).replace(QStringLiteral("，"), QStringLiteral(",")) << "";
    QTest::newRow("violations on record")
        << QString(kAllFlags).replace(QStringLiteral("无违规行为"), QStringLiteral("有违规行为"))
        << "PV";
    QTest::newRow("phrase split by a line break")
        << QString(kAllFlags).replace(QStringLiteral("天无投诉"), QStringLiteral("天无\r\n投诉"))
        << "PC";
}

void TstRatingPage::flags()
{
    QFETCH(QString, page);
    QFETCH(QString, expected);
    const Flags f = ReadFlags(page);
    QString got;
    if (f.consumerProtection)
        got += u'P';
    if (f.violations)
        got += u'V';
    if (f.refundDisputes)
        got += u'R';
    if (f.complaintDisputes)
        got += u'C';
    if (f.penalties)
        got += u'X';
    QCOMPARE(got, expected);
}

void TstRatingPage::credit_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("credit");
    QTest::newRow("blocks separated by CR LF")
        << QStringLiteral("店铺\r\n卖家信用: 12345\r\n虚拟商品交易：0") << "12345";
    QTest::newRow("two units dropped, blank removed")
        << QStringLiteral("卖家信用: 12 34XY虚拟商品交易") << "1234";
    QTest::newRow("nothing after the marker") << QStringLiteral("卖家信用: \r\n虚拟商品交易") << "";
    QTest::newRow("end marker missing: negative length") << QStringLiteral("卖家信用: 100") << "";
    QTest::newRow("end marker before the start")
        << QStringLiteral("虚拟商品交易 卖家信用: 100\r\n") << "";
    QTest::newRow("full-width colon does not match, cut from 6")
        << QStringLiteral("卖家信用：500\r\n虚拟商品交易") << QStringLiteral("500");
    QTest::newRow("other blanks stay")
        << QStringLiteral("卖家信用: 1\u3000000\r\n虚拟商品交易") << QStringLiteral("1\u3000000");
    QTest::newRow("empty page") << ""
                                << "";
    QTest::newRow("tabs around the credit stay")
        << QStringLiteral("卖家信用: \t12 34\t\r\n虚拟商品交易") << QStringLiteral("\t1234\t");
    QTest::newRow("a line break before the marker")
        << QStringLiteral("\r\n卖家信用: 12345\r\n虚拟商品交易") << "12345";
}

void TstRatingPage::credit()
{
    QFETCH(QString, page);
    QFETCH(QString, credit);
    QCOMPARE(CutSellerCredit(page), credit);
}

void TstRatingPage::year_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("year");
    const auto row = [](const char *name, const QString &page, const QString &year) {
        QTest::newRow(name) << page << year;
    };
    const QString unknown = QStringLiteral("未知");
    row("opened", QStringLiteral("开店时间：2005-06-01"), "2005");
    row("created only", QStringLiteral("创店时间：2007-01-01"), "2007");
    row("opened wins", QStringLiteral("创店时间：2007-01-01 开店时间：2004-02-02"), "2004");
    row("neither: positions 5 to 8", "abcd1999xyz", "1999");
    row("neither, not a number", QStringLiteral("店铺信息页面内容"), unknown);
    row("X in the year", QStringLiteral("开店时间：20X5-01-01"), unknown);
    row("short date at the end", QStringLiteral("开店时间：99"), "99");
    row("nothing after", QStringLiteral("开店时间："), unknown);
    row("the marker ends a line", QStringLiteral("开店时间：\r\n2005-06-01"), unknown);
    row("a line break before the marker", QStringLiteral("\r\n开店时间：2005-06-01"), "2005");
    row("a line break before the created marker", QStringLiteral("\r\n创店时间：2007-01-01"),
        "2007");
    row("a blank after the marker takes a place", QStringLiteral("开店时间： 2005-06-01"), " 200");
}

void TstRatingPage::year()
{
    QFETCH(QString, page);
    QFETCH(QString, year);
    QCOMPARE(YearOrUnknown(CutRegistrationYear(page)), year);
}

void TstRatingPage::slice_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<int>("sliceSize");
    const auto row = [](const char *name, const QStringList &links, const QString &good,
                        const QString &bad,
                        int size) { QTest::newRow(name) << links << good << bad << size; };
    const QStringList tabs = {"t1", "t2", "t3", "t4", "t5"};
    const QStringList top = {QStringLiteral("首页"), QStringLiteral("关闭")};
    const QString close = QStringLiteral("关闭");
    const QString buyers = QStringLiteral("来自买家的评价");
    row("counts after the close link",
        top + tabs + QStringList{"1,234", "5", "17", "x", buyers, "after"}, "1,234", "17", 11);
    row("close at index 0 then another",
        QStringList{close, "a"} + top + tabs + QStringList{"10", "0", "2", buyers}, "10", "2", 10);
    row("two close links after the first place: the first counts",
        top + tabs + QStringList{"10", "0", close, buyers}, "10", "", 10);
    row("last of several buyer links", top + tabs + QStringList{"7", buyers, "9", "z", buyers}, "7",
        "9", 11);
    row("slice of six: both empty", {"x", close, "a", "b", "c", "d", buyers}, "", "", 6);
    row("slice of seven: bad empty", top + QStringList{"a", "b", "c", "d", "44", buyers}, "", "",
        7);
    row("slice of eight: bad missing", top + QStringList{"a", "b", "c", "d", "e", "44", buyers},
        "44", "", 8);
    row("letters in a count", top + tabs + QStringList{"12a", "0", "3b", buyers}, "", "", 10);
    row("no close link and no buyers link", {"a", "b"}, "", "", 1);
    row("buyers before close: nothing", {"a", buyers, "b", close}, "", "", 0);
    row("no links at all", {}, "", "", 0);
    row("a link that only begins or ends with close opens nothing",
        QStringList{QStringLiteral("首页"), QStringLiteral("点击关闭"), QStringLiteral("关闭广告"),
                    close} +
            tabs + QStringList{"10", "0", "2", buyers},
        "10", "2", 10);
    row("a link that only begins or ends with the buyers' text closes nothing",
        top + tabs +
            QStringList{"7", "x", "9", buyers, QStringLiteral("来自买家的评价（3）"),
                        QStringLiteral("全部来自买家的评价")},
        "7", "9", 10);
}

void TstRatingPage::slice()
{
    QFETCH(QStringList, links);
    QFETCH(QString, good);
    QFETCH(QString, bad);
    QFETCH(int, sliceSize);
    const Slice s = SliceRatings(links);
    QCOMPARE(s.items.size(), sliceSize);
    const QStringList rest = DropLeading(s.items, 6);
    QCOMPARE(NumericItem(rest, 0), good);
    QCOMPARE(NumericItem(rest, 2), bad);
    // Items that do not exist read as empty text, on either side.
    QCOMPARE(NumericItem(rest, -1), QString());
    QCOMPARE(NumericItem(rest, rest.size()), QString());
}

QTEST_APPLESS_MAIN(TstRatingPage)
#include "tst_ratingpage.moc"
