// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "windowtest.h"

#include "lookup/messages.h"
#include "lookup/modulebrowser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QUrlQuery>

namespace {

const QString kShop = QStringLiteral("http://shop123.taobao.com/");
const QString kRate = QStringLiteral("http://rate.taobao.com/user-rate-abc.htm");
using namespace Messages;

DocumentSnapshot resultsPage()
{
    return page(QStringLiteral("搜索结果\r\n小店"),
                {"http://www.taobao.com/", "http://shopsearch.taobao.com/browse/x.htm", kShop,
                 "http://shop999.taobao.com/"});
}

DocumentSnapshot shopPage()
{
    return page(QStringLiteral("店铺首页"), {"http://item.taobao.com/item.htm?id=1", kRate,
                                             "http://rate.taobao.com/user-rate-zzz"});
}

// What the window shows of ratingPage(), as WindowFixture::facts() joins it.
const QString kRatingPageFacts = QStringLiteral("12345|12000|4|2005|P");

// A rating page with every "no problem" phrase, a deposit, credit 12345,
// year 2005, 12000 good and 4 bad recent ratings.
DocumentSnapshot ratingPage()
{
    const QString body = QStringLiteral(
        "信用评价\r\n卖家信用: 12345\r\n虚拟商品交易：0\r\n开店时间：2005-06-01\r\n"
        "无违规行为\r\n该会员遵守淘宝用户行为管理规则良好\r\n近30天无退款纠纷\r\n近30天无投诉\r\n"
        "卖家已提交保证金，加入消费者保障服务");
    const QStringList anchors =
        QStringLiteral("首页 关闭 a b c d e 12000 30 4 来自买家的评价").split(u' ');
    return page(body, {}, anchors);
}

// The first pages of the lookup started in w come in: the search results,
// then the shop's page, which sends it to the rating page.
void reachRatingPage(WindowFixture &w, int pages = 2)
{
    if (pages >= 1)
        w.browser.finish(resultsPage());
    if (pages >= 2)
        w.browser.finish(shopPage());
}

// Ends the lookup started in w: "notfound", "deadend", "timeout" (at a page
// limit the test made short), "missing" (a rating page without a fact),
// "uncertified" (one without a year), or anything else with ratingPage().
void endWith(WindowFixture &w, const QString &ending)
{
    if (ending == u"notfound") {
        w.browser.finish(page(QStringLiteral("没有找到")));
    } else if (ending == u"deadend") {
        w.browser.finish(page(QStringLiteral("空")));
    } else if (ending == u"timeout") {
        QTRY_VERIFY(w.button("cmdTBCX")->isEnabled());
    } else {
        if (w.form.lookup().lookupStage() != ShopLookup::Stage::RatingPage)
            reachRatingPage(w);
        w.browser.finish(ending == u"missing"       ? page(QStringLiteral("开店时间：2005"))
                         : ending == u"uncertified" ? page(QStringLiteral("没有年份"))
                                                    : ratingPage());
    }
}

} // namespace

class TstLookup : public QObject {
    Q_OBJECT
private slots:
    void emptyNameChangesNothing();
    void startResetsAndLocks();
    void startCleansTheName_data();
    void startCleansTheName();
    void enterStartsOnlyWhenEnabled();
    void wholeLookup();
    void eventsWhileDisarmedAreIgnored();
    void onlyFirstEventAfterNavigation();
    void shopLinkWinsOverNotFound();
    void endingsWithoutFacts_data();
    void endingsWithoutFacts();
    void timeoutEndsTheLookup_data();
    void timeoutEndsTheLookup();
    void slowPagesAreWaitedFor();
    void endingsUnlockInOrder_data();
    void endingsUnlockInOrder();
    void yearFromTheRatingPage_data();
    void yearFromTheRatingPage();
    void extractionLists();
    void extractionWithNothing();
    void adviceExplained_data();
    void adviceExplained();
    void keyboardComesBack_data();
    void keyboardComesBack();
    void keysDuringALookup_data();
    void keysDuringALookup();
    void otherWindowsKeepTheirKeys();
    void withoutTheEngineModule_data();
    void withoutTheEngineModule();
};

void TstLookup::emptyNameChangesNothing()
{
    WindowFixture w;
    w.setFacts("1", "2", "3", "2005", "PV");
    w.startLookup(QString());
    QCOMPARE(w.boxes, QStringList{kNoName});
    QCOMPARE(w.line("Text9")->text(), QStringLiteral("1"));
    QCOMPARE(w.flags(), QStringLiteral("PV"));
    QVERIFY(w.browser.navigations.isEmpty());
    QCOMPARE(w.stillLookingUp(), QString());
}

void TstLookup::startResetsAndLocks()
{
    WindowFixture w;
    w.setFacts("1", "2", "3", "2005", "PVRCX");
    // Both work lists hold what an earlier page left.
    w.get<QListView>("List1")->model()->insertRows(0, 2);
    w.get<QListView>("List2")->model()->insertRows(0, 3);
    w.startLookup(QStringLiteral("abc"));
    QCOMPARE(w.get<QListView>("List1")->model()->rowCount(), 0);
    QCOMPARE(w.get<QListView>("List2")->model()->rowCount(), 0);
    QCOMPARE(w.facts(), QStringLiteral("||||"));
    QCOMPARE(w.advice(), kNoAdvice);
    QVERIFY(!w.button("cmdTBCX")->isEnabled());
    QVERIFY(!w.line("txtTB")->isEnabled());
    QCOMPARE(w.status(), kSearching);
    QVERIFY(w.form.lookup().navigationArmed());
    QCOMPARE(w.form.lookup().ratePageUrl(), QString());
    QCOMPARE(w.browser.navigations.size(), 1);
    QCOMPARE(w.browser.navigations[0].toEncoded(),
             QByteArray("http://shopsearch.taobao.com/browse/"
                        "shop_search.htm?q=abc&title=title&nick=nick&tab=3&s=0"));
}

void TstLookup::startCleansTheName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char *name, const QString &typed, const QString &shown) {
        QTest::newRow(name) << typed << shown;
    };
    row("dots and blanks", "a. b.c", "abc");
    row("three blanks", "   ", "");
    row("tab and ideographic space stay", QStringLiteral("a\tb\u3000c"),
        QStringLiteral("a\tb\u3000c"));
    row("ampersand and hash", "a&b #c", "a&b#c");
    row("chinese and emoji", QStringLiteral("小 店.😀"), QStringLiteral("小店😀"));
    row("tab and ideographic space at the ends stay", QStringLiteral("\t a.b\u3000"),
        QStringLiteral("\tab\u3000"));
}

void TstLookup::startCleansTheName()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    WindowFixture w;
    w.startLookup(typed);
    QCOMPARE(w.line("txtTB")->text(), shown);
    QCOMPARE(w.browser.navigations.size(), 1);
    QCOMPARE(QUrlQuery(w.browser.navigations[0]).queryItemValue("q", QUrl::FullyDecoded), shown);
    QVERIFY(!w.button("cmdTBCX")->isEnabled());
}

void TstLookup::enterStartsOnlyWhenEnabled()
{
    WindowFixture w;
    QVERIFY(w.shown());
    w.line("txtTB")->setText(QStringLiteral("abc"));
    QTest::keyClick(w.line("txtTB"), Qt::Key_A);
    QVERIFY(w.browser.navigations.isEmpty());
    // The lookup starts as Enter goes down, not when it comes up: an Enter
    // whose press went elsewhere starts nothing.
    QTest::keyRelease(w.line("txtTB"), Qt::Key_Return);
    QVERIFY(w.browser.navigations.isEmpty());
    QTest::keyPress(w.line("txtTB"), Qt::Key_Return);
    QCOMPARE(w.browser.navigations.size(), 1);
    QTest::keyRelease(w.line("txtTB"), Qt::Key_Return);
    QCOMPARE(w.browser.navigations.size(), 1);
    // Locked: Enter starts nothing more.
    qint16 enter = 13;
    w.form.lookup().txtTB_KeyPress(enter);
    QCOMPARE(w.browser.navigations.size(), 1);
    QCOMPARE(enter, qint16(13));
}

void TstLookup::wholeLookup()
{
    WindowFixture w;
    w.startLookup(QStringLiteral("abc"));
    w.browser.finish(resultsPage());
    QCOMPARE(w.form.lookup().lookupStage(), ShopLookup::Stage::ShopPage);
    QVERIFY(w.form.lookup().navigationArmed());
    QCOMPARE(w.form.lookup().ratePageUrl(), kShop);
    QCOMPARE(w.browser.navigations.last(), QUrl(kShop));
    QCOMPARE(w.status(), kSearching);

    w.browser.finish(shopPage());
    QCOMPARE(w.form.lookup().lookupStage(), ShopLookup::Stage::RatingPage);
    QCOMPARE(w.form.lookup().ratePageUrl(), kRate);
    QCOMPARE(w.status(), kFetching);
    QCOMPARE(w.browser.navigations.last(), QUrl(kRate));

    w.browser.finish(ratingPage());
    QCOMPARE(w.stillLookingUp(), QString());
    QCOMPARE(w.facts(), kRatingPageFacts);
    // 100 + 20 (credit) + 14 (good) - 3 (bad) + 16 (2005) = 147
    QCOMPARE(
        w.advice(),
        QStringLiteral("该店铺评分：100 分。经过评估，该店总体水平较好，可以放心在此店购物！"));
    QVERIFY(w.button("cmdTBURL")->isEnabled());
    QCOMPARE(w.form.lookup().ratePageUrl(), kRate);
    QVERIFY(w.boxes.isEmpty());
}

void TstLookup::eventsWhileDisarmedAreIgnored()
{
    WindowFixture w;
    w.browser.finish(ratingPage());
    QCOMPARE(w.line("Text9")->text(), QString());
    QCOMPARE(w.form.lookup().lookupStage(), ShopLookup::Stage::SearchResults);
    // After a finished lookup, a click inside the browser changes nothing.
    w.startLookup(QStringLiteral("abc"));
    reachRatingPage(w);
    w.browser.finish(ratingPage());
    const QString advice = w.advice();
    w.setFacts("", "", "", "", "");
    w.browser.finish(ratingPage());
    QCOMPARE(w.line("Text9")->text(), QString());
    QCOMPARE(w.advice(), advice);
    QCOMPARE(w.browser.navigations.size(), 3);
}

void TstLookup::onlyFirstEventAfterNavigation()
{
    WindowFixture w;
    w.startLookup(QStringLiteral("nobody"));
    w.browser.finish(page(QStringLiteral("没有找到")));
    // A frame of the results page finishing late is not the lookup's.
    w.browser.finish(resultsPage());
    QCOMPARE(w.browser.navigations.size(), 1);
    QCOMPARE(w.form.lookup().lookupStage(), ShopLookup::Stage::SearchResults);
    QCOMPARE(w.boxes.size(), 1);
}

void TstLookup::shopLinkWinsOverNotFound()
{
    WindowFixture w;
    w.startLookup(QStringLiteral("abc"));
    DocumentSnapshot both = resultsPage();
    both.bodyText += QStringLiteral("没有找到相关宝贝");
    w.browser.finish(both);
    QVERIFY(w.boxes.isEmpty());
    QCOMPARE(w.form.lookup().lookupStage(), ShopLookup::Stage::ShopPage);
    QVERIFY(!w.button("cmdTBCX")->isEnabled());
}

void TstLookup::endingsWithoutFacts_data()
{
    QTest::addColumn<int>("stage");
    QTest::addColumn<DocumentSnapshot>("dead");
    QTest::addColumn<QString>("message");
    DocumentSnapshot noEngine;
    noEngine.engineMissing = true;
    QTest::newRow("not found") << 0 << page(QStringLiteral("没有找到与“nobody”相关的店铺"))
                               << kNotFound;
    QTest::newRow("results without shop link or not-found")
        << 0 << page(QStringLiteral("搜索结果"), {"http://shop123.taobao.com/x.htm"}) << kUnread;
    QTest::newRow("results page failed to load") << 0 << failedPage() << kUnread;
    QTest::newRow("shop page without rating link")
        << 1 << page(QStringLiteral("店铺"), {"http://rate.taobao.com/other"}) << kUnread;
    QTest::newRow("shop page failed to load") << 1 << failedPage() << kUnread;
    QTest::newRow("rating page failed to load") << 2 << failedPage() << kUnread;
    QTest::newRow("empty results document") << 0 << DocumentSnapshot() << kUnread;
    QTest::newRow("no browser engine at the search") << 0 << noEngine << kEngineMissing;
    QTest::newRow("no browser engine at the rating page") << 2 << noEngine << kEngineMissing;
}

Q_DECLARE_METATYPE(DocumentSnapshot)

void TstLookup::endingsWithoutFacts()
{
    QFETCH(int, stage);
    QFETCH(DocumentSnapshot, dead);
    QFETCH(QString, message);
    WindowFixture w;
    w.button("cmdTBURL")->setEnabled(true);
    w.startLookup(QStringLiteral("abc"));
    reachRatingPage(w, stage);
    w.browser.finish(dead);
    QCOMPARE(w.boxes, QStringList{message});
    QCOMPARE(w.stillLookingUp(), QString());
    QVERIFY(!w.button("cmdTBURL")->isEnabled());
    QCOMPARE(w.line("Text9")->text(), QString());
    QCOMPARE(w.flags(), QString());
    QCOMPARE(w.advice(), kNoAdvice);
}

void TstLookup::timeoutEndsTheLookup_data()
{
    QTest::addColumn<int>("pagesFinished");
    QTest::newRow("the search never finishes") << 0;
    QTest::newRow("the shop page never finishes") << 1;
    QTest::newRow("the rating page never finishes") << 2;
}

void TstLookup::timeoutEndsTheLookup()
{
    QFETCH(int, pagesFinished);
    WindowFixture w;
    w.form.setPageTimeout(50);
    w.startLookup(QStringLiteral("abc"));
    reachRatingPage(w, pagesFinished);
    QTRY_COMPARE(w.boxes, QStringList{kUnread});
    QVERIFY(w.browser.stops >= 1);
    QCOMPARE(w.stillLookingUp(), QString());
    // The page that finally arrives is no longer the lookup's.
    w.browser.finish(shopPage());
    QCOMPARE(w.browser.navigations.size(), pagesFinished + 1);
    QCOMPARE(w.boxes.size(), 1);
}

// A lookup waits for its page: whatever else the window handles meanwhile
// (everything queued, nothing due yet) ends nothing.
void TstLookup::slowPagesAreWaitedFor()
{
    WindowFixture w;
    w.startLookup(QStringLiteral("abc"));
    QCoreApplication::processEvents();
    w.browser.finish(resultsPage());
    QCoreApplication::processEvents();
    QVERIFY(w.boxes.isEmpty());
    QVERIFY(w.form.lookup().navigationArmed());
    QCOMPARE(w.form.lookup().lookupStage(), ShopLookup::Stage::ShopPage);
}

// Notes, in order, what a screen reader is told as a lookup ends: the
// controls that change their enabled state, the status line's new text,
// where the keyboard goes, the message box and the advice.
class EndingLog : public QObject {
public:
    EndingLog(WindowFixture &w) : m_status(w.get<QLabel>("lblTBZZ")), m_last(m_status->text())
    {
        for (const char *name : {"cmdTBCX", "txtTB", "cmdTBURL"})
            w.get<QWidget>(name)->installEventFilter(this);
        ErrorBox::SetHandler([this](QWidget *, const QString &text) { note("box " + text); });
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
            note("focus " + (now ? now->objectName() : QString()));
        });
        connect(w.get<QPlainTextEdit>("Text10"), &QPlainTextEdit::textChanged, this,
                [this] { note("advice"); });
    }
    QStringList lines;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange) {
            auto *w = static_cast<QWidget *>(watched);
            note(w->objectName() + (w->isEnabled() ? " on" : " off"));
        }
        return false;
    }

private:
    // The status line raises no event of its own: a new text is noted
    // before whatever comes after it.
    void note(const QString &line)
    {
        if (m_status->text() != m_last) {
            m_last = m_status->text();
            lines << "status " + m_last;
        }
        lines << line;
    }
    QLabel *m_status;
    QString m_last;
};

void TstLookup::endingsUnlockInOrder_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QStringList>("expected");
    const QStringList unlocked = {"cmdTBCX on", "txtTB on"};
    const QStringList back = {"status " + kReady, "focus txtTB"};
    const auto row = [&](const char *name, const char *ending, bool read, const QString &last) {
        QTest::newRow(name) << QString::fromLatin1(ending)
                            << unlocked + QStringList{read ? "cmdTBURL on" : "cmdTBURL off"} +
                                   back + QStringList{last};
    };
    row("not found", "notfound", false, "box " + kNotFound);
    row("dead end", "deadend", false, "box " + kUnread);
    row("page limit", "timeout", false, "box " + kUnread);
    row("rating page read", "read", true, QStringLiteral("advice"));
    row("a fact missing", "missing", true,
        QStringLiteral("box 您没有填写店铺信用，无法进行评估！"));
}

// Every ending gives the inputs back in the same order, and only after the
// lookup is over does the user hear its message or its advice. Meanwhile the
// keyboard rests on the status line; then the caret is back in the name box,
// and the next lookup runs as the first did.
void TstLookup::endingsUnlockInOrder()
{
    QFETCH(QString, ending);
    QFETCH(QStringList, expected);
    WindowFixture w;
    QVERIFY(w.active());
    const bool read = ending == u"read" || ending == u"missing";
    // An earlier lookup left "看详细结果..." enabled; a read page enables it anew.
    w.button("cmdTBURL")->setEnabled(!read);
    w.form.setPageTimeout(ending == u"timeout" ? 1 : 30000);
    w.line("txtTB")->setText(QStringLiteral("abc"));
    w.line("txtTB")->setFocus();
    QTest::keyClick(w.line("txtTB"), Qt::Key_Return);
    QVERIFY(!w.button("cmdTBCX")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), w.get<QWidget>("lblTBZZ"));

    if (read)
        reachRatingPage(w);
    {
        EndingLog log(w);
        endWith(w, ending);
        QCOMPARE(log.lines, expected);
    }
    QCOMPARE(w.stillLookingUp(), QString());
    // Only a lookup that could not be read leaves the browser stopped.
    QCOMPARE(w.browser.stops, ending == u"deadend" || ending == u"timeout" ? 1 : 0);

    w.recordBoxes();
    w.form.setPageTimeout(30000);
    w.startLookup(QStringLiteral("second"));
    QCOMPARE(w.form.lookup().ratePageUrl(), QString());
    endWith(w, QStringLiteral("read"));
    QCOMPARE(w.facts(), kRatingPageFacts);
    QVERIFY(w.boxes.isEmpty());
}

void TstLookup::yearFromTheRatingPage_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("year");
    QTest::newRow("after 开店时间") << QStringLiteral("信用评价\r\n开店时间：2005-06-01") << "2005";
    QTest::newRow("开店时间 ends its line")
        << QStringLiteral("信用评价\r\n开店时间：\r\n2005-06-01") << QStringLiteral("未知");
    QTest::newRow("after 创店时间 alone") << QStringLiteral("创店时间：2006-01-01") << "2006";
    QTest::newRow("开店时间 before 创店时间")
        << QStringLiteral("创店时间：2006-01-01 开店时间：2005-06-01") << "2005";
    QTest::newRow("no marker: the page's 5th to 8th units")
        << QStringLiteral("信用评价2007年") << "2007";
    QTest::newRow("no marker and no number there")
        << QStringLiteral("信用评价：近期") << QStringLiteral("未知");
}

// The year the shop opened, as the lookup writes it into its field.
void TstLookup::yearFromTheRatingPage()
{
    QFETCH(QString, body);
    QFETCH(QString, year);
    WindowFixture w;
    w.startLookup(QStringLiteral("abc"));
    reachRatingPage(w);
    w.browser.finish(page(body));
    QCOMPARE(w.line("Text12")->text(), year);
}

void TstLookup::extractionLists()
{
    WindowFixture w;
    w.startLookup(QStringLiteral("abc"));
    reachRatingPage(w);
    w.browser.finish(ratingPage());
    auto *list1 = qobject_cast<QStringListModel *>(w.get<QListView>("List1")->model());
    auto *list2 = qobject_cast<QStringListModel *>(w.get<QListView>("List2")->model());
    QCOMPARE(list2->stringList().size(), 10);
    QCOMPARE(list2->stringList().first(), QStringLiteral("关闭"));
    QCOMPARE(list1->stringList(),
             (QStringList{"12000", "30", "4", QStringLiteral("来自买家的评价")}));
    QVERIFY(w.form.lookup().ratePageText().contains(QStringLiteral("卖家信用: 12345")));
}

void TstLookup::extractionWithNothing()
{
    // No body, no links: empty facts, every problem flag, the year unknown;
    // the lookup still ends unlocked and the evaluation runs once.
    WindowFixture w;
    w.startLookup(QStringLiteral("abc"));
    reachRatingPage(w);
    DocumentSnapshot empty;
    empty.hasDocument = true;
    w.browser.finish(empty);
    QCOMPARE(w.flags(), QStringLiteral("VRCX"));
    QCOMPARE(w.line("Text12")->text(), QStringLiteral("未知"));
    QCOMPARE(w.advice(), QStringLiteral("该店铺未认证，不建议购物！"));
    QCOMPARE(w.status(), kReady);
    QVERIFY(w.button("cmdTBCX")->isEnabled());
    QVERIFY(w.boxes.isEmpty());
}

void TstLookup::adviceExplained_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("why"); // empty: no explanation, the box's own description
    // What each fact of ratingPage() weighed.
    const QString ratingPageWhy =
        QStringLiteral("起始分 100（已加入消费者保障服务）\n"
                       "近期差评数 4（不少于 3，少于 30）：-3\n"
                       "近期好评数 12000（不少于 10000，少于 50000）：+14\n"
                       "卖家信用 12345（不少于 10000，少于 100000）：+20\n"
                       "注册时间 2005（2005 年）：+16\n"
                       "合计 147，按 0 至 100 计为 100");
    QTest::newRow("scored") << "facts" << ratingPageWhy;
    QTest::newRow("uncertified") << "uncertified"
                                 << QStringLiteral("开店时间未知，该店铺未认证，未计算评分");
    QTest::newRow("a fact missing") << "missing" << QString();
    QTest::newRow("evaluated again with a fact gone keeps the last") << "again" << ratingPageWhy;
}

// The advice box's tooltip and description for a screen reader say what
// each fact weighed, and go with the advice when the next lookup starts.
void TstLookup::adviceExplained()
{
    QFETCH(QString, ending);
    QFETCH(QString, why);
    WindowFixture w;
    auto *advice = w.get<QPlainTextEdit>("Text10");
    const QString plain = advice->accessibleDescription();
    QVERIFY(!plain.isEmpty());
    w.startLookup(QStringLiteral("abc"));
    endWith(w, ending);
    if (ending == u"again") {
        w.line("Text7")->clear();
        w.form.judgement().Command13_Click();
        QCOMPARE(w.boxes.size(), 1);
    }
    QCOMPARE(advice->toolTip(), why);
    QCOMPARE(advice->accessibleDescription(), why.isEmpty() ? plain : why);
    w.startLookup(QStringLiteral("next"));
    QCOMPARE(advice->toolTip(), QString());
    QCOMPARE(advice->accessibleDescription(), plain);
}

void TstLookup::keyboardComesBack_data()
{
    QTest::addColumn<QString>("startedFrom"); // the control that had the keyboard
    QTest::addColumn<QString>("clicked");     // a control clicked during the lookup
    QTest::addColumn<QString>("focusAfter");
    // Enter in the name box, for every ending: endingsUnlockInOrder.
    QTest::newRow("search button") << "cmdTBCX" << QString() << "txtTB";
    QTest::newRow("a field clicked during the lookup") << "txtTB"
                                                       << "Text12"
                                                       << "Text12";
}

// During a lookup the keyboard rests on the status line, which does nothing
// with a key; the caret then returns to the name box, unless the user clicked
// elsewhere meanwhile.
void TstLookup::keyboardComesBack()
{
    QFETCH(QString, startedFrom);
    QFETCH(QString, clicked);
    QFETCH(QString, focusAfter);
    WindowFixture w;
    QVERIFY(w.active());
    w.line("txtTB")->setText(QStringLiteral("abc"));
    auto *start = w.get<QWidget>(qPrintable(startedFrom));
    start->setFocus();
    QTest::keyClick(start, startedFrom == u"txtTB" ? Qt::Key_Return : Qt::Key_Space);
    QVERIFY(!w.button("cmdTBCX")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), w.get<QWidget>("lblTBZZ"));
    if (!clicked.isEmpty())
        QTest::mouseClick(w.get<QWidget>(qPrintable(clicked)), Qt::LeftButton);
    endWith(w, QStringLiteral("read"));
    QVERIFY(w.button("cmdTBCX")->isEnabled());
    QCOMPARE(QApplication::focusWidget()->objectName(), focusAfter);
}

void TstLookup::keysDuringALookup_data()
{
    QTest::addColumn<QList<int>>("keys"); // one press of each, in order, per round
    QTest::addColumn<int>("rounds");
    const QList<std::pair<const char *, QList<int>>> keys = {
        {"Enter", {Qt::Key_Enter}},
        {"Return", {Qt::Key_Return}},
        {"Space", {Qt::Key_Space}},
        {"Escape", {Qt::Key_Escape}},
        {"Tab then Enter", {Qt::Key_Tab, Qt::Key_Return}},
        {"a letter", {Qt::Key_Q}},
    };
    for (const auto &[name, sequence] : keys) {
        for (int rounds : {1, 2, 5})
            QTest::addRow("%s x%d", name, rounds) << sequence << rounds;
    }
}

// Keys pressed right after a lookup starts, as an impatient user does, reach
// nothing: the program goes on, no second lookup starts, nothing opens and
// no field changes; the lookup ends with its facts and the caret in the
// name box.
void TstLookup::keysDuringALookup()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, rounds);
    WindowFixture w;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    w.button("cmdTBURL")->setEnabled(true); // as an earlier lookup leaves it
    QVERIFY(w.active());
    w.line("txtTB")->setText(QStringLiteral("abc"));
    w.line("txtTB")->setFocus();
    const auto pressKeys = [&] {
        for (int round = 0; round < rounds; ++round) {
            for (int key : keys)
                QTest::keyClick(w.form.windowHandle(), Qt::Key(key));
        }
    };
    // The window is there, its keyboard rests on the status line, and the
    // lookup is the only one: nothing opened, the name as typed.
    const auto held = [&](int navigations, const QString &name) {
        QVERIFY(w.form.isVisible());
        QCOMPARE(QApplication::focusWidget(), w.get<QWidget>("lblTBZZ"));
        QCOMPARE(w.browser.navigations.size(), navigations);
        QVERIFY(w.boxes.isEmpty());
        QVERIFY(catcher.opened.isEmpty());
        QCOMPARE(w.line("txtTB")->text(), name);
    };
    QTest::keyClick(w.form.windowHandle(), Qt::Key_Return);
    QCOMPARE(w.browser.navigations.size(), 1);
    QVERIFY(!w.button("cmdTBCX")->isEnabled());
    pressKeys();
    QCoreApplication::processEvents();
    held(1, QStringLiteral("abc"));
    QCOMPARE(QApplication::activeWindow(), &w.form);
    QCOMPARE(w.facts(), QStringLiteral("||||"));
    QCOMPARE(w.advice(), kNoAdvice);

    reachRatingPage(w);
    w.browser.finish(ratingPage());
    QVERIFY(w.form.isVisible());
    QCOMPARE(w.browser.navigations.size(), 3);
    QCOMPARE(w.facts(), kRatingPageFacts);
    QCOMPARE(QApplication::focusWidget(), w.line("txtTB"));
    // The keys reach the window again, and the next lookup holds them too.
    QTest::keyClick(w.form.windowHandle(), Qt::Key_D);
    QCOMPARE(w.line("txtTB")->text(), QStringLiteral("abcd"));
    QTest::keyClick(w.form.windowHandle(), Qt::Key_Return);
    pressKeys();
    held(4, QStringLiteral("abcd"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

// Another window, such as a message box opened meanwhile, still takes the
// keys while a lookup holds the window's.
void TstLookup::otherWindowsKeepTheirKeys()
{
    WindowFixture w;
    QVERIFY(w.active());
    w.startLookup(QStringLiteral("abc"));
    QLineEdit other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTest::keyClick(&other, Qt::Key_Z);
    QCOMPARE(other.text(), QStringLiteral("z"));
    QCOMPARE(w.browser.navigations.size(), 1);
}

void TstLookup::withoutTheEngineModule_data()
{
    QTest::addColumn<QByteArray>("moduleBytes"); // empty: no module file at all
    QTest::newRow("no module") << QByteArray();
    QTest::newRow("a module file that is no module") << QByteArray("not a shared object");
}

// The program's own browser, with its module missing or broken: the window
// works, and each lookup ends in order with one box that says so.
void TstLookup::withoutTheEngineModule()
{
    QFETCH(QByteArray, moduleBytes);
    QTemporaryDir folder;
    if (!moduleBytes.isEmpty()) {
        QFile module(folder.filePath(ModuleBrowser::moduleFileName()));
        QVERIFY(module.open(QIODevice::WriteOnly));
        module.write(moduleBytes);
    }
    QStringList boxes;
    ErrorBox::SetHandler([&](QWidget *, const QString &text) { boxes << text; });
    ModuleBrowser browser({folder.path()});
    Form1 form(&browser);
    browser.warmUp();
    QVERIFY(!browser.isLoaded());
    QVERIFY(!browser.loadError().isEmpty());
    for (int lookup = 1; lookup <= 2; ++lookup) {
        form.findChild<QLineEdit *>(QStringLiteral("txtTB"))->setText(QStringLiteral("abc"));
        form.lookup().cmdTBCX_Click();
        QCOMPARE(boxes.size(), lookup - 1); // reported after the start has returned
        QTRY_COMPARE(boxes.size(), lookup);
        QCOMPARE(boxes.last(), kEngineMissing);
        QVERIFY(form.findChild<QPushButton *>(QStringLiteral("cmdTBCX"))->isEnabled());
        QVERIFY(form.findChild<QLineEdit *>(QStringLiteral("txtTB"))->isEnabled());
        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("lblTBZZ"))->text(), kReady);
        QCOMPARE(form.lookup().lookupStage(), ShopLookup::Stage::SearchResults);
    }
    ErrorBox::SetHandler({});
}

QTEST_MAIN(TstLookup)
#include "tst_lookup.moc"
