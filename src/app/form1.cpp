// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "form1.h"

#include "accessibility.h"
#include "errorbox.h"
#include "fonts.h"
#include "lookup/linktests.h"
#include "ui_form1.h"

#include <QAccessible>
#include <QApplication>
#include <QChildEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringListModel>

namespace {
constexpr int kPageTimeoutMs = 30000;
} // namespace

Form1::Form1(Browser *browser, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form1>()), m_browser(browser),
      m_list1(new QStringListModel(this)), m_list2(new QStringListModel(this)),
      m_keyboardHold(new KeyboardHold(this))
{
    InstallFontSubstitutes();
    Accessibility::Install();
    ui->setupUi(this);
    setupLook();
    ui->Text10->setPlainText(QStringLiteral("暂无建议.\r\n"));
    m_adviceDescription = ui->Text10->accessibleDescription();
    ui->List1->setModel(m_list1);
    ui->List2->setModel(m_list2);

    for (QCheckBox *box : {ui->Check2, ui->Check3, ui->Check4, ui->Check5, ui->Check6})
        box->installEventFilter(this);
    for (QWidget *w : {static_cast<QWidget *>(ui->txtTB), static_cast<QWidget *>(ui->cmdTBCX),
                       static_cast<QWidget *>(ui->cmdTBURL), static_cast<QWidget *>(ui->Command1)})
        w->installEventFilter(this);
    installEventFilter(this);

    connect(ui->cmdTBCX, &QPushButton::clicked, this, &Form1::cmdTBCX_Click);
    connect(ui->cmdTBURL, &QPushButton::clicked, this, &Form1::cmdTBURL_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui->Command13, &QPushButton::clicked, this, &Form1::Command13_Click);

    // Nothing the browser puts in its place may take the keyboard: the
    // page is out of sight.
    ui->WebTB->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &Form1::keepFocusOutOfBrowser);
    m_browser->setContainer(ui->WebTB);
    connect(m_browser, &Browser::DocumentComplete, this, &Form1::WebTB_DocumentComplete);

    m_pageTimer.setSingleShot(true);
    m_pageTimer.setInterval(kPageTimeoutMs);
    connect(&m_pageTimer, &QTimer::timeout, this, &Form1::pageTimedOut);
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
    const QUrl address(m_ratePageUrl);
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
    ErrorBox::Show(this, QStringLiteral("本项严禁修改！"));
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
            txtTB_KeyPress(keyAscii);
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

ShopFacts Form1::readFacts() const
{
    ShopFacts f;
    f.sellerCredit = ui->Text9->text();
    f.recentGoodRatings = ui->Text7->text();
    f.recentBadRatings = ui->Text8->text();
    f.registeredOn = ui->Text12->text();
    f.consumerProtection = ui->Check2->isChecked();
    f.violations = ui->Check3->isChecked();
    f.refundDisputes = ui->Check4->isChecked();
    f.complaintDisputes = ui->Check5->isChecked();
    f.penalties = ui->Check6->isChecked();
    return f;
}
