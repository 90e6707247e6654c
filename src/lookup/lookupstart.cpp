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

// Disables the search button, then the name box. The keyboard, if it was in
// either, moves on to the next control; it comes back when the lookup ends.
void Form1::lockInputs()
{
    QWidget *focus = QApplication::focusWidget();
    const bool inInputs = focus == ui->txtTB || focus == ui->cmdTBCX;
    m_focusBeforeLookup = inInputs ? focus : nullptr;
    ui->cmdTBCX->setEnabled(false);
    ui->txtTB->setEnabled(false);
    m_focusDuringLookup = inInputs ? QApplication::focusWidget() : nullptr;
}

// Called once the inputs are enabled again: the keyboard returns to the name
// box or the search button, unless the user has moved it meanwhile. Without
// this, Enter pressed again after a lookup would land on "退出".
void Form1::giveFocusBack()
{
    if (m_focusBeforeLookup && QApplication::focusWidget() == m_focusDuringLookup)
        m_focusBeforeLookup->setFocus(Qt::OtherFocusReason);
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
