// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "form1.h"

#include "accessibility.h"
#include "errorbox.h"
#include "fonts.h"
#include "lookup/linktests.h"
#include "lookup/messages.h"
#include "ui_form1.h"

#include <QAccessible>
#include <QApplication>
#include <QChildEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringListModel>

Form1::Form1(Browser *browser, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form1>()), m_browser(browser),
      m_lookup(new ShopLookup(this, browser, this)), m_keyboardHold(new KeyboardHold(this))
{
    InstallFontSubstitutes();
    Accessibility::Install();
    ui->setupUi(this);
    setupLook();
    ui->Text10->setPlainText(QStringLiteral("暂无建议.\r\n"));
    m_adviceDescription = ui->Text10->accessibleDescription();
    ui->List1->setModel(m_lookup->list1());
    ui->List2->setModel(m_lookup->list2());

    for (QCheckBox *box : {ui->Check2, ui->Check3, ui->Check4, ui->Check5, ui->Check6})
        box->installEventFilter(this);
    for (QWidget *w : {static_cast<QWidget *>(ui->txtTB), static_cast<QWidget *>(ui->cmdTBCX),
                       static_cast<QWidget *>(ui->cmdTBURL), static_cast<QWidget *>(ui->Command1)})
        w->installEventFilter(this);
    installEventFilter(this);

    connect(ui->cmdTBCX, &QPushButton::clicked, m_lookup, &ShopLookup::cmdTBCX_Click);
    connect(ui->cmdTBURL, &QPushButton::clicked, this, &Form1::cmdTBURL_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui->Command13, &QPushButton::clicked, this, &Form1::judge);

    // Nothing the browser puts in its place may take the keyboard: the
    // page is out of sight.
    ui->WebTB->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &Form1::keepFocusOutOfBrowser);
    m_browser->setContainer(ui->WebTB);
}

Form1::~Form1()
{
    // Closing the window still moves the focus; this part of it is gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void Form1::setStatus(const QString &text)
{
    const QString before = ui->lblTBZZ->text();
    ui->lblTBZZ->setText(text);
    ui->lblTBZZ->adjustSize();
    // A screen reader hears the new status as a change of the status bar's
    // text as well as of its name (QLabel reports that one).
    QAccessibleTextUpdateEvent event(ui->lblTBZZ, 0, before, text);
    QAccessible::updateAccessibility(&event);
}

void Form1::keepOutOfTabChain(QWidget *widget)
{
    widget->installEventFilter(this);
    widget->setFocusPolicy(Qt::NoFocus);
    for (QWidget *child : widget->findChildren<QWidget *>()) {
        child->installEventFilter(this);
        child->setFocusPolicy(Qt::NoFocus);
    }
}

void Form1::keepFocusOutOfBrowser(QWidget *old, QWidget *now)
{
    // Should the engine take the focus by itself, it goes back where it was,
    // or to "退出", which is always there.
    if (!ui->WebTB->isAncestorOf(now))
        return;
    // (A control that has the focus is enabled and shown.)
    const bool back = old && old->window() == this && !ui->WebTB->isAncestorOf(old);
    (back ? old : ui->Command1)->setFocus(Qt::OtherFocusReason);
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

void Form1::Form_Activate()
{
    ui->txtTB->setFocus(Qt::ActiveWindowFocusReason);
}

void Form1::Command1_Click()
{
    close();
    QCoreApplication::quit();
}

void Form1::cmdTBURL_Click()
{
    ui->cmdTBURL->setEnabled(false);
    // Only web pages go to the default browser; a link that merely mentions
    // the rating host under another scheme is never opened.
    const QUrl address(m_lookup->ratePageUrl());
    if (Lookup::IsWebAddress(address))
        QDesktopServices::openUrl(address);
}

bool Form1::isIndicator(QObject *o) const
{
    return o == ui->Check2 || o == ui->Check3 || o == ui->Check4 || o == ui->Check5 ||
           o == ui->Check6;
}

void Form1::Check_KeyDown(QCheckBox *, int &keyCode)
{
    keyCode = 0;
}

void Form1::Check_MouseUp(QCheckBox *box, bool valueBeforePress)
{
    ErrorBox::Show(this, Messages::kReadOnly);
    box->setChecked(valueBeforePress);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // Whatever widget appears inside the browser's place, at any depth, is
    // kept out of the Tab chain once it is ready to be shown: every widget in
    // there is watched, so its own new children are seen too. (Every object
    // this filter watches is a widget.)
    if (event->type() == QEvent::ChildPolished &&
        ui->WebTB->isAncestorOf(static_cast<QWidget *>(watched))) // WebTB is its own ancestor
        keepOutOfTabChain(static_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()));
    if (watched == this) {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QMetaObject::invokeMethod(this, &Form1::firstPainted, Qt::QueuedConnection);
        }
        return false;
    }
    if (isIndicator(watched)) {
        auto *box = static_cast<QCheckBox *>(watched);
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto *key = static_cast<QKeyEvent *>(event);
            // Tab still moves the focus on; every other key is discarded.
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
                return false;
            if (event->type() == QEvent::KeyPress) {
                int keyCode = key->key();
                Check_KeyDown(box, keyCode);
            }
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // (Qt has given the box the keyboard already.)
            m_valueBeforePress = box->isChecked();
            return true;
        case QEvent::MouseButtonRelease:
            Check_MouseUp(box, m_valueBeforePress);
            return true;
        default:
            return false;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == ui->txtTB && enter) {
            qint16 keyAscii = 13;
            m_lookup->txtTB_KeyPress(keyAscii);
        }
        // Enter on a focused button presses it, as on any desktop.
        if (enter && !key->isAutoRepeat()) {
            if (auto *button = qobject_cast<QPushButton *>(watched)) {
                button->click();
                return true;
            }
        }
    }
    return false;
}

QString Form1::shopName() const
{
    return ui->txtTB->text();
}

void Form1::setShopName(const QString &name)
{
    ui->txtTB->setText(name);
}

bool Form1::canSearch() const
{
    return ui->cmdTBCX->isEnabled();
}

// In the order a lookup start has always cleared them.
void Form1::clearFacts()
{
    for (const FactFlag &f : kFactFlags)
        findChild<QCheckBox *>(QLatin1String(f.control))->setChecked(false);
    ui->Text7->clear();
    ui->Text8->clear();
    ui->Text9->clear();
    ui->Text10->setPlainText(Messages::kNoAdvice);
    ui->Text10->setToolTip(QString());
    ui->Text10->setAccessibleDescription(m_adviceDescription);
    ui->Text12->clear();
}

ShopFacts Form1::readFacts() const
{
    ShopFacts facts;
    for (const FactText &t : kFactTexts)
        facts.*t.fact = findChild<QLineEdit *>(QLatin1String(t.control))->text();
    for (const FactFlag &f : kFactFlags)
        facts.*f.fact = findChild<QCheckBox *>(QLatin1String(f.control))->isChecked();
    return facts;
}

void Form1::showFacts(const ShopFacts &facts)
{
    for (const FactFlag &f : kFactFlags)
        findChild<QCheckBox *>(QLatin1String(f.control))->setChecked(facts.*f.fact);
    for (const FactText &t : kFactTexts)
        findChild<QLineEdit *>(QLatin1String(t.control))->setText(facts.*t.fact);
}

// Before the search button and the name box are disabled, the keyboard is
// parked on the status line, which does nothing with a key and which a
// screen reader reads out: left to Qt, it would move on to the next control
// in the Tab order, "退出", and a second Enter would end the program. Until
// the lookup ends, no key reaches any control of the window.
void Form1::lockInputs()
{
    QWidget *focus = focusWidget();
    if (!focus || focus == ui->txtTB || focus == ui->cmdTBCX)
        ui->lblTBZZ->setFocus(Qt::OtherFocusReason);
    m_keyboardHold->hold();
    ui->cmdTBCX->setEnabled(false);
    ui->txtTB->setEnabled(false);
}

void Form1::unlockInputs(bool ratingPageRead)
{
    ui->cmdTBCX->setEnabled(true);
    ui->txtTB->setEnabled(true);
    ui->cmdTBURL->setEnabled(ratingPageRead);
}

// The keys reach the window again, and the caret returns to the name box,
// unless the user has clicked elsewhere in the window meanwhile.
void Form1::returnKeyboard()
{
    m_keyboardHold->release();
    QWidget *focus = focusWidget();
    if (!focus || focus == ui->lblTBZZ)
        ui->txtTB->setFocus(Qt::OtherFocusReason);
}

void Form1::showError(const QString &message)
{
    ErrorBox::Show(this, message);
}

void Form1::judge()
{
    m_judgement.Command13_Click();
}

void Form1::showAdvice(const QString &advice, const QString &why)
{
    ui->Text10->setPlainText(advice);
    ui->Text10->setToolTip(why);
    ui->Text10->setAccessibleDescription(why);
}
