// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "app/qttranslation.h"
#include "windowtest.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontInfo>
#include <QFrame>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <functional>

namespace {

// Qt's Chinese texts, installed the way the program installs them, for one
// test; they go again at its end so that each test starts from Qt's English.
struct QtChinese {
    bool installed;
    explicit QtChinese(const QString &folder = QString())
        : installed(folder.isNull() ? QtTranslation::InstallChinese()
                                    : QtTranslation::InstallChinese(folder))
    {
    }
    ~QtChinese()
    {
        for (QTranslator *t : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }
};

// Runs open and reads what a user reads on the menu or message box it brings
// up: the texts of its entries or buttons, without the shortcut keys that
// follow a tab. The menu or box is closed again.
QStringList readWhatOpens(const std::function<void()> &open)
{
    QStringList texts;
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (QAction *a : menu->actions()) {
                if (!a->isSeparator())
                    texts << a->text().section(QLatin1Char('\t'), 0, 0);
            }
            seen = true;
            menu->close();
        } else if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            for (QAbstractButton *b : box->buttons())
                texts << b->text();
            seen = true;
            box->reject();
        }
    });
    poll.start(10);
    open(); // a message box returns once closed, a menu may stay open
    (void)QTest::qWaitFor([&] { return seen; }, 10000);
    poll.stop();
    if (!seen)
        texts << QStringLiteral("(nothing opened)");
    return texts;
}

QStringList contextMenuOf(QWidget *widget)
{
    return readWhatOpens([widget] {
        const QPoint at = widget->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &event);
    });
}

// The error box the window shows when an indicator is clicked.
QStringList errorBoxOf(WindowFixture &w)
{
    ErrorBox::SetHandler({});
    return readWhatOpens([&w] { QTest::mouseClick(w.check("Check3"), Qt::LeftButton); });
}

} // namespace

class TstWindow : public QObject {
    Q_OBJECT
private slots:
    void geometry_data();
    void geometry();
    void initialState();
    void chineseFontsAreReal();
    void readOnlyFieldsRefuseTyping();
    void tabOrder_data();
    void tabOrder();
    void focusTakenByTheEngine_data();
    void focusTakenByTheEngine();
    void evaluation_data();
    void evaluation();
    void missingFactKeepsAdvice();
    void statusGrowsWithItsText();
    void everyControlIsNamedForAssistiveTools();
    void indicatorsReadAsCheckBoxes();
    void firstPaintIsSignalledOnce();
    void activationPutsTheKeyboardInTheNameBoxOnce();
    void rolesForScreenReaders_data();
    void rolesForScreenReaders();
    void picturesAreDrawnForTheScreen();
    void qtTextsInChinese_data();
    void qtTextsInChinese();
    void translationFromAFolder_data();
    void translationFromAFolder();
};

void TstWindow::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    const struct {
        const char *name;
        int x, y, w, h;
    } table[] = {
        {"Image1", 0, 0, 32, 32},        {"txtTB", 112, 0, 217, 33},
        {"cmdTBCX", 328, 0, 81, 33},     {"cmdTBURL", 216, 48, 193, 25},
        {"Check2", 0, 80, 217, 17},      {"Check3", 0, 104, 137, 17},
        {"Check4", 144, 104, 137, 17},   {"Check5", 0, 120, 137, 17},
        {"Check6", 144, 120, 137, 17},   {"Text9", 64, 152, 81, 25},
        {"Text12", 240, 148, 57, 25},    {"Command13", 304, 152, 81, 25},
        {"Text7", 72, 180, 65, 25},      {"Text8", 216, 180, 65, 25},
        {"Text10", 0, 224, 385, 97},     {"Label1", 416, 8, 145, 161},
        {"Label2", 416, 136, 153, 89},   {"Label3", 416, 224, 153, 105},
        {"Image2", 0, 340, 139, 65},     {"Image3", 88, 328, 48, 48},
        {"Image4", 144, 327, 54, 55},    {"Image5", 200, 327, 66, 55},
        {"Image6", 272, 327, 71, 55},    {"Image7", 344, 327, 72, 57},
        {"Command1", 424, 344, 145, 33}, {"List1", 280, 232, 81, 21},
        {"List2", 288, 384, 33, 21},     {"WebTB", 376, -16, 9, 9},
    };
    for (const auto &c : table)
        QTest::newRow(c.name) << QString::fromLatin1(c.name) << QRect(c.x, c.y, c.w, c.h);
}

void TstWindow::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    WindowFixture w;
    auto *widget = w.form.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), rect);
}

void TstWindow::initialState()
{
    WindowFixture w;
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Lumora1.2"));
    QCOMPARE(w.form.size(), QSize(572, 379));
    QCOMPARE(w.form.minimumSize(), w.form.maximumSize());
    QVERIFY(!w.form.windowIcon().isNull());
    QVERIFY(w.form.windowIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(w.shown());
    for (const char *name : {"Text7", "Text8", "Text9", "Text12"}) {
        QVERIFY2(w.line(name)->text().isEmpty(), name);
        QVERIFY2(w.line(name)->isReadOnly(), name);
    }
    QCOMPARE(w.flags(), QString());
    for (const char *name : {"Check2", "Check3", "Check4", "Check5", "Check6"})
        QVERIFY(w.check(name)->isEnabled());
    QCOMPARE(w.advice(), QStringLiteral("暂无建议.\n"));
    QCOMPARE(w.status(), QStringLiteral("准备就绪"));
    // Each page of a lookup may take half a minute.
    QCOMPARE(w.form.pageTimeout(), 30000);
    QVERIFY(!w.button("cmdTBURL")->isEnabled());
    QVERIFY(w.button("cmdTBCX")->isEnabled());
    QVERIFY(w.line("txtTB")->isEnabled());
    QCOMPARE(w.line("txtTB")->toolTip(), QStringLiteral("输入淘宝掌柜名（旺旺名）"));
    QVERIFY(!w.button("Command13")->isVisible());
    QVERIFY(!w.get<QListView>("List1")->isVisible());
    QVERIFY(!w.get<QListView>("List2")->isVisible());
    // The browser's place is wholly above the client area.
    const QRect web = w.get<QWidget>("WebTB")->geometry();
    QVERIFY(web.bottom() < 0);
    QVERIFY(w.get<QWidget>("WebTB")->isVisible());
    QCOMPARE(w.button("cmdTBCX")->text(), QStringLiteral("鉴定"));
    QCOMPARE(w.button("Command1")->text(), QStringLiteral("退出"));
    QCOMPARE(w.get<QLabel>("Label38")->text(), QStringLiteral("专    家    建    议"));
    QVERIFY(w.get<QLabel>("Label1")->text().startsWith(QStringLiteral("    淘宝默认卖家信用")));
    QCOMPARE(w.check("Check2")->text(), QStringLiteral("消费者保障服务(如交保证金请打钩)"));
    // Focus starts in the name box although the tab order starts elsewhere.
    QTRY_COMPARE(QApplication::focusWidget(), w.line("txtTB"));
}

void TstWindow::chineseFontsAreReal()
{
    WindowFixture w;
    for (const char *name : {"lblTB", "Label33", "Label1"}) {
        const QFontInfo info(w.get<QWidget>(name)->font());
        QVERIFY2(!info.family().contains(QStringLiteral("微软雅黑")), qPrintable(info.family()));
    }
    QCOMPARE(w.get<QLabel>("lblTB")->font().pointSizeF(), 10.5);
    QVERIFY(w.get<QLabel>("lblTB")->font().bold());
    QCOMPARE(w.button("cmdTBCX")->font().pointSize(), 12);
    QVERIFY(QFontMetrics(w.get<QLabel>("Label33")->font()).inFont(QChar(0x5356))); // 卖
}

void TstWindow::readOnlyFieldsRefuseTyping()
{
    WindowFixture w;
    QVERIFY(w.shown());
    w.line("Text9")->setText(QStringLiteral("123"));
    QTest::keyClicks(w.line("Text9"), QStringLiteral("abc"));
    QCOMPARE(w.line("Text9")->text(), QStringLiteral("123"));
    w.line("Text9")->selectAll();
    QCOMPARE(w.line("Text9")->selectedText(), QStringLiteral("123"));
    auto *advice = w.get<QPlainTextEdit>("Text10");
    QTest::keyClicks(advice->viewport(), QStringLiteral("abc"));
    QTest::keyClicks(advice, QStringLiteral("abc"));
    QCOMPARE(w.advice(), QStringLiteral("暂无建议.\n"));
}

void TstWindow::tabOrder_data()
{
    QTest::addColumn<bool>("lookupRunning");
    QTest::newRow("idle") << false;
    QTest::newRow("during a lookup") << true;
}

// Tab and Shift+Tab go round the visible, enabled controls in the window's
// order and never into the browser's place, whatever the engine puts there.
// During a lookup no key acts on the window: a control clicked meanwhile
// keeps the keyboard.
void TstWindow::tabOrder()
{
    QFETCH(bool, lookupRunning);
    WindowFixture w;
    QVERIFY(w.shown());
    QVERIFY(w.browser.pageWidget);
    w.button("cmdTBURL")->setEnabled(true);
    QStringList expected = {"Text12",  "Text10",   "Text9",  "Text8",   "Text7",
                            "Check6",  "Check5",   "Check4", "Check3",  "Check2",
                            "cmdTBCX", "cmdTBURL", "txtTB",  "Command1"};
    if (lookupRunning) {
        w.startLookup(QStringLiteral("abc"));
        expected.fill(QStringLiteral("Text12"));
    }
    const auto walk = [&](Qt::Key key) {
        QStringList seen;
        for (int i = 0; i < 2 * expected.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            if (!focus)
                return seen << QStringLiteral("(none)");
            seen << (w.get<QWidget>("WebTB")->isAncestorOf(focus) ? QStringLiteral("(browser)")
                                                                  : focus->objectName());
            QTest::keyClick(focus, key);
        }
        return seen;
    };
    w.line("Text12")->setFocus();
    QCOMPARE(walk(Qt::Key_Tab), expected + expected);
    QStringList backwards = expected;
    std::reverse(backwards.begin(), backwards.end());
    if (!lookupRunning)
        backwards.prepend(backwards.takeLast()); // from Text12, Shift+Tab goes to Command1 first
    w.line("Text12")->setFocus();
    QCOMPARE(walk(Qt::Key_Backtab), backwards + backwards);
}

void TstWindow::focusTakenByTheEngine_data()
{
    QTest::addColumn<QString>("from"); // where the keyboard was; "" nowhere
    QTest::addColumn<QString>("backTo");
    const auto row = [](const char *name, const QString &from, const QString &backTo) {
        QTest::newRow(name) << from << backTo;
    };
    row("from the name box", "txtTB", "txtTB");
    row("from an indicator", "Check4", "Check4");
    row("from nowhere", "", "Command1");
    row("from another window", "another window", "Command1");
}

// Should the engine take the keyboard by itself, it goes back where it was,
// or to "退出" when it was nowhere.
void TstWindow::focusTakenByTheEngine()
{
    QFETCH(QString, from);
    QFETCH(QString, backTo);
    WindowFixture w;
    QVERIFY(w.shown());
    QLineEdit other;
    if (from.isEmpty()) {
        if (QApplication::focusWidget())
            QApplication::focusWidget()->clearFocus();
        QTRY_VERIFY(!QApplication::focusWidget());
    } else if (from == u"another window") {
        // The window comes back to the front with the engine's widget as
        // its focus: the keyboard must not go back to the other window.
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), &other);
        w.browser.pageWidget->setFocus();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
    } else {
        w.get<QWidget>(qPrintable(from))->setFocus();
    }
    w.browser.pageWidget->setFocus();
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), backTo);
}

void TstWindow::evaluation_data()
{
    QTest::addColumn<QStringList>("fields"); // credit, good, bad, year, flags
    QTest::addColumn<QString>("advice");
    const auto row = [](const char *name, const QStringList &fields, const QString &advice) {
        QTest::newRow(name) << fields << advice;
    };
    const QString problems = QStringLiteral("经过权威鉴定，该店存在的问题有：");
    const auto score = [](int n) { return QStringLiteral("该店铺评分：%1 分。").arg(n); };
    const QString fair = QStringLiteral("经过评估，该店总体水平一般，购物需谨慎！");
    const QString good = QStringLiteral("经过评估，该店总体水平较好，可以在此店购物！");
    row("fair", {"1500", "10000", "40", "2008", "P"},
        problems + QStringLiteral("该店铺差评太多。") + score(75) + fair);
    row("uncertified", {"", "", "", QStringLiteral("未知"), ""},
        QStringLiteral("该店铺未认证，不建议购物！"));
    // A field of blanks is no missing fact: it reads as 0. "未知" with a blank
    // after it is no uncertified marker: it reads as year 0.
    row("credit of blanks", {" ", "1000", "2", "2005", "P"},
        problems + QStringLiteral("该店铺信用太低。") + score(82) + fair);
    row("good ratings of blanks", {"1500", " ", "2", "2005", "P"}, score(87) + good);
    row("bad ratings of blanks", {"1500", "1000", " ", "2005", "P"}, score(91) + good);
    row("未知 and a blank", {"1500", "1000", "2", QStringLiteral("未知 "), "P"},
        problems + score(75) + fair);
    row("good", {"3000", "800", "50", "2007", "P"}, score(90) + good);
    row("full marks", {"500000", "500000", "0", "2003", "P"},
        QStringLiteral("该店铺评分：100 分。经过评估，该店总体水平较好，可以放心在此店购物！"));
}

// Run twice on the same facts, the advice box holds the advice once: each
// run replaces what the box held.
void TstWindow::evaluation()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, advice);
    WindowFixture w;
    w.setFacts(fields[0], fields[1], fields[2], fields[3], fields[4]);
    w.form.judgement().Command13_Click();
    QCOMPARE(w.advice(), advice);
    w.form.judgement().Command13_Click();
    QCOMPARE(w.advice(), advice);
    QVERIFY(w.boxes.isEmpty());
}

void TstWindow::missingFactKeepsAdvice()
{
    WindowFixture w;
    w.setFacts("", "", "1", "2005", "P");
    w.form.judgement().Command13_Click();
    QCOMPARE(w.boxes, QStringList{QStringLiteral("您没有填写店铺信用，无法进行评估！")});
    QCOMPARE(w.advice(), QStringLiteral("暂无建议.\n"));
}

void TstWindow::statusGrowsWithItsText()
{
    WindowFixture w;
    const int idle = w.get<QLabel>("lblTBZZ")->width();
    w.startLookup(QStringLiteral("abc"));
    QVERIFY(w.get<QLabel>("lblTBZZ")->width() > idle);
    QCOMPARE(w.get<QLabel>("lblTBZZ")->pos(), QPoint(24, 40));
}

// A screen reader finds a name for every control it can reach, and a
// description for everything the user works with.
void TstWindow::everyControlIsNamedForAssistiveTools()
{
    WindowFixture w;
    w.form.show();
    const QList<QWidget *> widgets = w.form.findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(&w.form) || widget->objectName().isEmpty() ||
            widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
        QVERIFY2(a, qPrintable(widget->objectName()));
        const bool interactive = qobject_cast<QAbstractButton *>(widget) ||
                                 qobject_cast<QLineEdit *>(widget) ||
                                 qobject_cast<QPlainTextEdit *>(widget);
        if (!interactive && !qobject_cast<QLabel *>(widget))
            continue;
        QVERIFY2(!a->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(widget->objectName()));
        if (interactive)
            QVERIFY2(!a->text(QAccessible::Description).trimmed().isEmpty(),
                     qPrintable(widget->objectName()));
        ++checked;
    }
    QVERIFY(checked >= 25);
}

// The engine is loaded after the window's first paint, which the window
// announces once, and not before it.
void TstWindow::firstPaintIsSignalledOnce()
{
    WindowFixture w;
    QSignalSpy painted(&w.form, &Form1::firstPainted);
    QEvent other(QEvent::User);
    QApplication::sendEvent(&w.form, &other);
    QCoreApplication::processEvents();
    QCOMPARE(painted.count(), 0);
    QVERIFY(w.shown());
    QTRY_COMPARE(painted.count(), 1);
    w.form.repaint();
    QCoreApplication::processEvents();
    QCOMPARE(painted.count(), 1);
}

// When the window is shown the keyboard goes to the name box; the next time
// it is shown the keyboard stays where the user left it.
void TstWindow::activationPutsTheKeyboardInTheNameBoxOnce()
{
    WindowFixture w;
    QVERIFY(w.shown());
    QTRY_COMPARE(QApplication::focusWidget(), w.line("txtTB"));
    w.button("Command1")->setFocus();
    w.form.hide();
    QVERIFY(w.shown());
    QTRY_COMPARE(w.form.focusWidget(), w.button("Command1"));
}

void TstWindow::rolesForScreenReaders_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("lookupRunning");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::newRow("the window") << "Form1" << false << int(QAccessible::Window) << "Lumora1.2";
    QTest::newRow("status when idle")
        << "lblTBZZ" << false << int(QAccessible::StatusBar) << QStringLiteral("准备就绪");
    QTest::newRow("status while searching") << "lblTBZZ" << true << int(QAccessible::StatusBar)
                                            << QStringLiteral("正在淘宝服务器上搜索该店铺...");
    QTest::newRow("separator") << "Line1" << false << int(QAccessible::Separator)
                               << QStringLiteral("分隔线");
    QTest::newRow("hidden browser") << "WebTB" << false << int(QAccessible::Client) << QString();
}

void TstWindow::rolesForScreenReaders()
{
    QFETCH(QString, control);
    QFETCH(bool, lookupRunning);
    QFETCH(int, role);
    QFETCH(QString, name);
    WindowFixture w;
    w.form.show();
    if (lookupRunning)
        w.startLookup(QStringLiteral("abc"));
    QWidget *widget = control == u"Form1" ? &w.form : w.get<QWidget>(qPrintable(control));
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(a);
    QCOMPARE(int(a->role()), role);
    QCOMPARE(a->text(QAccessible::Name), name);
    if (control == u"lblTBZZ") {
        QVERIFY(a->textInterface());
        QCOMPARE(a->textInterface()->text(0, a->textInterface()->characterCount()), name);
    }
    if (control == u"WebTB") {
        // Out of sight, and nothing of the engine's inside it is found.
        QVERIFY(a->state().invisible);
        QCOMPARE(a->childCount(), 0);
    }
}

void TstWindow::indicatorsReadAsCheckBoxes()
{
    WindowFixture w;
    w.form.show();
    for (const char *name : {"Check2", "Check3", "Check4", "Check5", "Check6"}) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w.check(name));
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::CheckBox);
        QVERIFY(a->state().checkable);
        QCOMPARE(bool(a->state().checked), w.check(name)->isChecked());
        w.check(name)->setChecked(!w.check(name)->isChecked());
        QCOMPARE(bool(a->state().checked), w.check(name)->isChecked());
        QVERIFY(!a->state().disabled);
    }
}

// At any scale the pictures are drawn at the screen's own pixel density,
// not scaled up from small bitmaps. (ctest runs this file at scale 2 too.)
void TstWindow::picturesAreDrawnForTheScreen()
{
    WindowFixture w;
    w.form.show();
    const qreal ratio = w.form.devicePixelRatioF();
    for (const char *name :
         {"Image1", "Image2", "Image3", "Image4", "Image5", "Image6", "Image7"}) {
        auto *label = w.get<QLabel>(name);
        const QPixmap picture = label->pixmap();
        QVERIFY2(!picture.isNull(), name);
        QCOMPARE(picture.devicePixelRatio(), ratio);
        QCOMPARE(picture.size(), label->size() * ratio);
    }
}

// Every text Qt supplies that a user can reach reads in Chinese: the error
// box's button and the context menus of the fields, the name box, the advice
// box and its scroll bar; in every locale. (ctest runs this file under
// LANG=C.UTF-8.)
void TstWindow::qtTextsInChinese_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("locale"); // empty: the one the test runs in
    const auto row = [](const QByteArray &name, const char *where, const QStringList &texts,
                        const char *locale = "") {
        QTest::newRow(name.constData())
            << QString::fromLatin1(where) << texts << QString::fromLatin1(locale);
    };
    const QStringList ok{QStringLiteral("确定")};
    row("the error box's button", "errorBox", ok);
    for (const char *locale : {"C", "en_US", "de_DE", "zh_TW"})
        row(QByteArray("the error box's button in ") + locale, "errorBox", ok, locale);
    const QStringList readOnly{QStringLiteral("复制(&C)"), QStringLiteral("全选")};
    row("a fact field's menu", "Text9", readOnly);
    row("the name box's menu", "txtTB",
        {QStringLiteral("撤消(&U)"), QStringLiteral("重做(&R)"), QStringLiteral("剪切(&T)"),
         QStringLiteral("复制(&C)"), QStringLiteral("粘贴(&P)"), QStringLiteral("删除"),
         QStringLiteral("全选")});
    row("the advice box's menu", "Text10", readOnly);
    row("the advice box's scroll bar menu", "Text10bar",
        {QStringLiteral("滚动至此"), QStringLiteral("顶端"), QStringLiteral("底部"),
         QStringLiteral("向上翻页"), QStringLiteral("向下翻页"), QStringLiteral("向上滚动"),
         QStringLiteral("向下滚动")});
}

void TstWindow::qtTextsInChinese()
{
    QFETCH(QString, where);
    QFETCH(QStringList, texts);
    QFETCH(QString, locale);
    const auto restore = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
    if (!locale.isEmpty())
        QLocale::setDefault(QLocale(locale));
    QtChinese chinese;
    QVERIFY2(chinese.installed, "qtbase_zh_CN.qm is not in Qt's translations folder");
    WindowFixture w;
    QVERIFY(w.shown());
    w.line("Text9")->setText(QStringLiteral("612345"));
    w.line("txtTB")->setText(QStringLiteral("老字号茶庄"));
    QStringList read;
    if (where == u"errorBox")
        read = errorBoxOf(w);
    else if (where == u"Text10")
        read = contextMenuOf(w.get<QPlainTextEdit>("Text10")->viewport());
    else if (where == u"Text10bar")
        read = contextMenuOf(w.get<QPlainTextEdit>("Text10")->verticalScrollBar());
    else
        read = contextMenuOf(w.line(qPrintable(where)));
    QCOMPARE(read, texts);
}

void TstWindow::translationFromAFolder_data()
{
    QTest::addColumn<QString>("folder"); // what the folder holds
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("button");
    QTest::newRow("only lookalikes of the file") << "lookalikes" << false << "OK";
    QTest::newRow("a file of that name that is no translation") << "broken" << false << "OK";
    QTest::newRow("the file, in a folder whose name ends in a blank")
        << "blank" << true << QStringLiteral("确定");
}

// A machine without Qt's translations, or with a broken one: the program
// starts all the same, with Qt's English texts, and says nothing about it.
void TstWindow::translationFromAFolder()
{
    QFETCH(QString, folder);
    QFETCH(bool, installed);
    QFETCH(QString, button);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString path = work.filePath(folder == u"blank" ? QStringLiteral("qt ") : folder);
    QVERIFY(QDir().mkpath(path));
    const auto put = [&](const QString &name, const QByteArray &bytes) {
        QFile f(QDir(path).filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    if (folder == u"lookalikes") {
        for (const char *name : {"qtbase.qm", "qtbase_zh.qm", "qtbase_zh_CN"})
            QVERIFY(put(QLatin1String(name), QByteArray()));
    } else if (folder == u"broken") {
        QVERIFY(put(QStringLiteral("qtbase_zh_CN.qm"), QByteArray("no translation at all")));
    } else {
        QVERIFY(QFile::copy(QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
                                .filePath(QStringLiteral("qtbase_zh_CN.qm")),
                            QDir(path).filePath(QStringLiteral("qtbase_zh_CN.qm"))));
    }
    static QStringList printed;
    printed.clear();
    const QtMessageHandler before = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { printed << text; });
    QtChinese chinese(path);
    qInstallMessageHandler(before);
    QCOMPARE(chinese.installed, installed);
    QCOMPARE(printed, QStringList());
    WindowFixture w;
    w.form.show();
    QCOMPARE(errorBoxOf(w), QStringList{button});
}

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
