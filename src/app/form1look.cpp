// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// How the window looks: its border, fonts, colours, the labels sized to their
// texts and the pictures. Nothing here reacts to anything.
#include "form1.h"

#include "pictures.h"
#include "ui_form1.h"

void Form1::setupLook()
{
    // Fixed single border: the user can neither resize nor maximise it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(572, 379);

    // Half points are beyond the form's integer sizes.
    for (QWidget *w : {static_cast<QWidget *>(ui->lblTB), static_cast<QWidget *>(ui->txtTB)}) {
        QFont f = w->font();
        f.setPointSizeF(10.5);
        w->setFont(f);
    }
    QPalette blue = ui->lblTBZZ->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    ui->lblTBZZ->setPalette(blue);
    for (QLabel *label : {ui->lblTB, ui->lblTBZZ, ui->Label33, ui->Label42, ui->Label37,
                          ui->Label39, ui->Label38}) {
        const QRect before = label->geometry();
        label->adjustSize();
        if (label == ui->Label38) // centred: it keeps its middle
            label->move(before.center().x() - label->width() / 2, before.y());
    }
    setupPictures();
}

void Form1::setupPictures()
{
    const QIcon icon = Pictures::AppIcon();
    setWindowIcon(icon);
    const struct {
        QLabel *label;
        const char *name;
    } pictures[] = {{ui->Image1, "image1"}, {ui->Image2, "image2"}, {ui->Image3, "image3"},
                    {ui->Image4, "image4"}, {ui->Image5, "image5"}, {ui->Image6, "image6"},
                    {ui->Image7, "image7"}};
    for (const auto &p : pictures) {
        p.label->setPixmap(
            Pictures::Picture(QLatin1String(p.name), p.label->size(), devicePixelRatioF()));
        p.label->setToolTip(Pictures::Tooltip(QLatin1String(p.name)));
    }
}
