// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "windowtest.h"

#include "lookup/messages.h"

#include <QDesktopServices>
#include <QHelpEvent>
#include <QToolTip>

namespace {

const QString kRate = QStringLiteral("http://rate.taobao.com/user-rate-abc.htm");

// Drives a whole lookup on the fake browser, with rateLink as the rating link.
void lookup(WindowFixture &w, const QString &rateLink = kRate)
{
    w.startLookup(QStringLiteral("abc"));
    w.browser.finish(page("", {"http://shop1.taobao.com/"}));
    w.browser.finish(page("", {rateLink}));
    w.browser.finish(page(QStringLiteral("卖家信用: 10\r\n虚拟商品交易 开店时间：2005"), {},
                          {"x", QStringLiteral("关闭"), "a", "b", "c", "d", "e", "1", "2", "3",
                           QStringLiteral("来自买家的评价")}));
}

} // namespace

Q_DECLARE_METATYPE(Qt::MouseButton)

class TstCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ratePageButtonFollowsTheLookups();
    void onlyWebPagesReachTheShell_data();
    void onlyWebPagesReachTheShell();
    void pressDuringALookupOpensWhatItHolds();
    void mouseOnIndicatorIsRefused_data();
    void mouseOnIndicatorIsRefused();
    void keysOnIndicatorAreDiscarded_data();
    void keysOnIndicatorAreDiscarded();
    void indicatorsShowTheirTooltips();
    void tabStillMovesOn();
    void enterOnFocusedButtonPressesIt_data();
    void enterOnFocusedButtonPressesIt();

private:
    UrlCatcher m_catcher;
};

void TstCommands::init()
{
    m_catcher.opened.clear();
    for (const char *scheme : {"http", "https", "file", "javascript", "tbopen"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_catcher, "open");
}

void TstCommands::cleanup()
{
    for (const char *scheme : {"http", "https", "file", "javascript", "tbopen"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
}

void TstCommands::ratePageButtonFollowsTheLookups()
{
    WindowFixture w;
    auto *button = w.button("cmdTBURL");
    QVERIFY(!button->isEnabled());
    lookup(w);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_catcher.opened, QList<QUrl>{QUrl(kRate)});
    QVERIFY(!button->isEnabled());
    QCOMPARE(w.form.lookup().ratePageUrl(), kRate);

    // A press on a disabled button does nothing.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_catcher.opened.size(), 1);

    lookup(w);
    QVERIFY(button->isEnabled());
    w.startLookup(QStringLiteral("nobody"));
    QVERIFY(button->isEnabled()); // a start leaves it as it was
    w.browser.finish(page(QStringLiteral("没有找到")));
    QVERIFY(!button->isEnabled());

    lookup(w);
    w.startLookup(QStringLiteral("dead"));
    w.browser.finish(page(QStringLiteral("空")));
    QVERIFY(!button->isEnabled());
    QCOMPARE(m_catcher.opened.size(), 1);
}

void TstCommands::onlyWebPagesReachTheShell_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opened");
    QTest::newRow("http") << kRate << true;
    QTest::newRow("https") << "https://rate.taobao.com/user-rate-1.htm" << true;
    QTest::newRow("file") << "file:///etc/passwd?rate.taobao.com/user-rate" << false;
    QTest::newRow("javascript") << "javascript:alert('rate.taobao.com/user-rate')" << false;
    QTest::newRow("custom scheme") << "tbopen://rate.taobao.com/user-rate" << false;
}

void TstCommands::onlyWebPagesReachTheShell()
{
    QFETCH(QString, link);
    QFETCH(bool, opened);
    WindowFixture w;
    lookup(w, link);
    QCOMPARE(w.form.lookup().ratePageUrl(), link);
    w.form.cmdTBURL_Click();
    QCOMPARE(m_catcher.opened.size(), opened ? 1 : 0);
    QVERIFY(!w.button("cmdTBURL")->isEnabled());
}

void TstCommands::pressDuringALookupOpensWhatItHolds()
{
    WindowFixture w;
    lookup(w);
    w.startLookup(QStringLiteral("again"));
    w.form.cmdTBURL_Click(); // empty right after the start: nothing to open
    QVERIFY(m_catcher.opened.isEmpty());
    QVERIFY(!w.button("cmdTBURL")->isEnabled());
}

void TstCommands::mouseOnIndicatorIsRefused_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("checked");
    for (const char *box : {"Check2", "Check3", "Check4", "Check5", "Check6"}) {
        for (auto button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            for (bool checked : {false, true}) {
                QTest::addRow("%s button %d %s", box, int(button),
                              checked ? "checked" : "unchecked")
                    << QString::fromLatin1(box) << button << checked;
            }
        }
    }
}

void TstCommands::mouseOnIndicatorIsRefused()
{
    QFETCH(QString, box);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, checked);
    WindowFixture w;
    QVERIFY(w.shown());
    auto *indicator = w.check(box.toLatin1().constData());
    indicator->setChecked(checked);
    QTest::mouseClick(indicator, button, {}, QPoint(6, 8));
    QCOMPARE(w.boxes, QStringList{Messages::kReadOnly});
    QCOMPARE(indicator->isChecked(), checked);
    // Clicked as any control: it has the keyboard, and it is not left
    // pressed down.
    QCOMPARE(QApplication::focusWidget(), indicator);
    QVERIFY(!indicator->isDown());
    QTest::mouseDClick(indicator, button, {}, QPoint(6, 8));
    QCOMPARE(indicator->isChecked(), checked);
}

void TstCommands::keysOnIndicatorAreDiscarded_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("space") << int(Qt::Key_Space);
    QTest::newRow("letter") << int(Qt::Key_A);
    QTest::newRow("enter") << int(Qt::Key_Return);
    QTest::newRow("minus") << int(Qt::Key_Minus);
    QTest::newRow("plus") << int(Qt::Key_Plus);
}

void TstCommands::keysOnIndicatorAreDiscarded()
{
    QFETCH(int, key);
    WindowFixture w;
    QVERIFY(w.shown());
    for (bool checked : {false, true}) {
        auto *indicator = w.check(checked ? "Check4" : "Check3");
        indicator->setChecked(checked);
        indicator->setFocus();
        QTest::keyClick(indicator, Qt::Key(key));
        QCOMPARE(indicator->isChecked(), checked);
    }
    QVERIFY(w.boxes.isEmpty());
}

// The indicators keep their tooltips, which say what each fact means.
void TstCommands::indicatorsShowTheirTooltips()
{
    WindowFixture w;
    QVERIFY(w.shown());
    for (const char *name : {"Check2", "Check6"}) {
        auto *box = w.check(name);
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(box, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), box->toolTip());
        QToolTip::hideText();
    }
}

void TstCommands::tabStillMovesOn()
{
    WindowFixture w;
    QVERIFY(w.shown());
    w.check("Check6")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.check("Check6"));
    QTest::keyClick(w.check("Check6"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.check("Check5"));
    QTest::keyClick(w.check("Check5"), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), w.check("Check6"));
}

void TstCommands::enterOnFocusedButtonPressesIt_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<int>("lookups"); // navigations started
    QTest::newRow("Return on 鉴定") << "cmdTBCX" << int(Qt::Key_Return) << false << 1;
    QTest::newRow("keypad Enter on 鉴定") << "cmdTBCX" << int(Qt::Key_Enter) << false << 1;
    QTest::newRow("Return held down on 鉴定") << "cmdTBCX" << int(Qt::Key_Return) << true << 0;
    QTest::newRow("Return in the name box") << "txtTB" << int(Qt::Key_Return) << false << 1;
    QTest::newRow("keypad Enter in the name box") << "txtTB" << int(Qt::Key_Enter) << false << 1;
    QTest::newRow("Return on 看详细结果... starts no lookup")
        << "cmdTBURL" << int(Qt::Key_Return) << false << 0;
}

// A key press alone, as the keyboard sends it before the release.
void TstCommands::enterOnFocusedButtonPressesIt()
{
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(bool, autoRepeat);
    QFETCH(int, lookups);
    WindowFixture w;
    QVERIFY(w.shown());
    w.line("txtTB")->setText(QStringLiteral("abc"));
    w.button("cmdTBURL")->setEnabled(true);
    auto *target = w.get<QWidget>(qPrintable(control));
    target->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(target, &press);
    QCOMPARE(w.browser.navigations.size(), lookups);
    if (control == u"cmdTBURL")
        QVERIFY(!w.button("cmdTBURL")->isEnabled()); // pressed
}

QTEST_MAIN(TstCommands)
#include "tst_commands.moc"
