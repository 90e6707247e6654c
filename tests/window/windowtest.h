// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "app/errorbox.h"
#include "app/form1.h"
#include "fakebrowser.h"
#include "lookup/messages.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>

// A window on a fake browser, with the error boxes recorded instead of shown.
struct WindowFixture {
    FakeBrowser browser;
    Form1 form{&browser};
    QStringList boxes;

    WindowFixture() { recordBoxes(); }
    ~WindowFixture() { ErrorBox::SetHandler({}); }
    void recordBoxes()
    {
        ErrorBox::SetHandler([this](QWidget *, const QString &text) { boxes.append(text); });
    }

    template <typename T> T *get(const char *name)
    {
        return form.findChild<T *>(QLatin1String(name));
    }
    QLineEdit *line(const char *name) { return get<QLineEdit>(name); }
    QCheckBox *check(const char *name) { return get<QCheckBox>(name); }
    QPushButton *button(const char *name) { return get<QPushButton>(name); }
    QString advice() { return get<QPlainTextEdit>("Text10")->toPlainText(); }
    QString status() { return get<QLabel>("lblTBZZ")->text(); }
    // The window shown and on the screen; active: with the keyboard too.
    bool shown(bool active = false)
    {
        form.show();
        return active ? QTest::qWaitForWindowActive(&form) : QTest::qWaitForWindowExposed(&form);
    }
    bool active() { return shown(true); }

    // The flags as letters, in the order of the check boxes: P(rotection),
    // V(iolations), R(efunds), C(omplaints), X (penalties).
    QString flags()
    {
        QString f;
        for (qsizetype i = 0; i < qsizetype(std::size(kFactFlags)); ++i) {
            if (check(kFactFlags[i].control)->isChecked())
                f += QLatin1Char("PVRCX"[i]);
        }
        return f;
    }
    // The four texts and the flags, as setFacts() takes them, joined by "|".
    QString facts()
    {
        return QStringList{line("Text9")->text(), line("Text7")->text(), line("Text8")->text(),
                           line("Text12")->text(), flags()}
            .join(u'|');
    }
    void setFacts(const QString &c, const QString &g, const QString &b, const QString &y,
                  const QString &flagLetters)
    {
        line("Text9")->setText(c);
        line("Text7")->setText(g);
        line("Text8")->setText(b);
        line("Text12")->setText(y);
        for (qsizetype i = 0; i < qsizetype(std::size(kFactFlags)); ++i)
            check(kFactFlags[i].control)->setChecked(flagLetters.contains(QLatin1Char("PVRCX"[i])));
    }
    // Empty once a lookup is over: back at the search results, nothing
    // armed, "准备就绪", 鉴定 and the name box enabled; otherwise what is not.
    QString stillLookingUp()
    {
        QStringList left;
        if (form.lookup().lookupStage() != ShopLookup::Stage::SearchResults)
            left << QStringLiteral("stage %1").arg(int(form.lookup().lookupStage()));
        if (form.lookup().navigationArmed())
            left << QStringLiteral("armed");
        if (status() != Messages::kReady)
            left << QStringLiteral("status ") + status();
        if (!button("cmdTBCX")->isEnabled() || !line("txtTB")->isEnabled())
            left << QStringLiteral("inputs locked");
        return left.join(QStringLiteral(", "));
    }
    void startLookup(const QString &name)
    {
        line("txtTB")->setText(name);
        form.lookup().cmdTBCX_Click();
    }
};
