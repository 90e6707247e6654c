// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "evaluation/judgement.h"
#include "keyboardhold.h"
#include "lookup/lookupwindow.h"
#include "lookup/shoplookup.h"

#include <QWidget>
#include <memory>

class QCheckBox;

namespace Ui {
class Form1;
}

// The tool's one window. Its fields are the only store of the shop facts
// and of the advice; the lookup writes them and the evaluation reads them
// back, each through its own narrow interface. Handlers keep the names of
// the controls they belong to.
class Form1 : public QWidget, public LookupWindow, public JudgementWindow {
    Q_OBJECT
    // The page limit, also reachable by name for drivers of the real program.
    Q_PROPERTY(int pageTimeout READ pageTimeout WRITE setPageTimeout)
public:
    explicit Form1(Browser *browser, QWidget *parent = nullptr);
    ~Form1() override;

    // The lookup and the evaluation that run in this window.
    ShopLookup &lookup() { return *m_lookup; }
    Judgement &judgement() { return m_judgement; }
    void setPageTimeout(int milliseconds) { m_lookup->setPageTimeout(milliseconds); }
    int pageTimeout() const { return m_lookup->pageTimeout(); }

    // Window commands.
    void Form_Activate();
    void Command1_Click();
    void cmdTBURL_Click();
    void Check_KeyDown(QCheckBox *box, int &keyCode);
    void Check_MouseUp(QCheckBox *box, bool valueBeforePress);

    // What the lookup and the evaluation see of the window.
    QString shopName() const override;
    void setShopName(const QString &name) override;
    bool canSearch() const override;
    void clearFacts() override;
    void showFacts(const ShopFacts &facts) override;
    void lockInputs() override;
    void unlockInputs(bool ratingPageRead) override;
    void returnKeyboard() override;
    void setStatus(const QString &text) override;
    void showError(const QString &message) override;
    void judge() override;
    ShopFacts readFacts() const override;
    void showAdvice(const QString &advice, const QString &why) override;

signals:
    // The window has been painted for the first time.
    void firstPainted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setupLook();
    void setupPictures();
    void keepOutOfTabChain(QWidget *widget);
    void keepFocusOutOfBrowser(QWidget *old, QWidget *now);
    bool isIndicator(QObject *object) const;

    std::unique_ptr<Ui::Form1> ui;
    Browser *m_browser;
    ShopLookup *m_lookup;
    Judgement m_judgement{this};
    // The advice box's description for a screen reader while it holds no
    // score; a score brings its explanation instead.
    QString m_adviceDescription;

    bool m_activated = false;
    bool m_painted = false;
    bool m_valueBeforePress = false;
    // While a lookup runs, no key reaches the window's controls.
    KeyboardHold *m_keyboardHold;
};
