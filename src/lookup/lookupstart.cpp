// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Starting a lookup from the shopkeeper name in the name box.
#include "app/errorbox.h"
#include "app/form1.h"
#include "linktests.h"
#include "ui_form1.h"

#include <QApplication>
#include <QStringListModel>

void Form1::txtTB_KeyPress(qint16 &keyAscii)
{
    if (keyAscii == 13 && ui->cmdTBCX->isEnabled())
        cmdTBCX_Click();
}

// Disables the search button, then the name box. Before that, the keyboard
// is parked on the status line, which does nothing with a key and which a
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

// Called once the inputs are enabled again: the keys reach the window again,
// and the caret returns to the name box, unless the user has clicked
// elsewhere in the window meanwhile.
void Form1::giveFocusBack()
{
    m_keyboardHold->release();
    QWidget *focus = focusWidget();
    if (!focus || focus == ui->lblTBZZ)
        ui->txtTB->setFocus(Qt::OtherFocusReason);
}

void Form1::cmdTBCX_Click()
{
    // Blanks and dots count as a name here; they are only cleaned away below.
    if (ui->txtTB->text().isEmpty()) {
        ErrorBox::Show(this, QStringLiteral("请输入店铺名!"));
        return;
    }
    m_list1->setStringList({});
    m_list2->setStringList({});

    for (QCheckBox *box : {ui->Check2, ui->Check3, ui->Check4, ui->Check5, ui->Check6})
        box->setChecked(false);
    ui->Text7->clear();
    ui->Text8->clear();
    ui->Text9->clear();
    ui->Text10->setPlainText(QStringLiteral("暂无建议."));
    ui->Text10->setToolTip(QString());
    ui->Text10->setAccessibleDescription(m_adviceDescription);
    ui->Text12->clear();

    // The box shows what is searched for.
    ui->txtTB->setText(Lookup::CleanShopName(ui->txtTB->text()));

    m_ratePageUrl.clear();
    lockInputs();
    setStatus(QStringLiteral("正在淘宝服务器上搜索该店铺..."));
    armNavigation(Lookup::SearchAddress(ui->txtTB->text()));
}
