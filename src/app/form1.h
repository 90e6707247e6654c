// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "evaluation/shopfacts.h"
#include "keyboardhold.h"
#include "lookup/browser.h"

#include <QTimer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QStringListModel;

namespace Ui {
class Form1;
}

// The tool's one window. Its fields are the only store of the shop facts
// and of the advice; the lookup writes them and the evaluation reads them
// back. Handlers keep the names of the controls they belong to.
class Form1 : public QWidget {
    Q_OBJECT
    // The page limit, also reachable by name for drivers of the real program.
    Q_PROPERTY(int pageTimeout READ pageTimeout WRITE setPageTimeout)
public:
    explicit Form1(Browser *browser, QWidget *parent = nullptr);
    ~Form1() override;

    // Window-level lookup values.
    QString ratePageUrl() const { return m_ratePageUrl; }
    bool navigationArmed() const { return m_navigationArmed; }
    qint16 lookupStage() const { return m_lookupStage; }
    QString ratePageText() const { return m_ratePageText; }

    // How long a page of the lookup may take before the lookup gives up.
    void setPageTimeout(int milliseconds) { m_pageTimer.setInterval(milliseconds); }
    int pageTimeout() const { return m_pageTimer.interval(); }

    // Lookup start.
    void cmdTBCX_Click();
    void txtTB_KeyPress(qint16 &keyAscii);
    // Page-load navigation and rating-page extraction.
    void WebTB_DocumentComplete(const DocumentSnapshot &document);
    void ExtractShopFacts(const DocumentSnapshot &document);
    // Evaluation.
    void Command13_Click();
    // Window commands.
    void Form_Activate();
    void Command1_Click();
    void cmdTBURL_Click();
    void Check_KeyDown(QCheckBox *box, int &keyCode);
    void Check_MouseUp(QCheckBox *box, bool valueBeforePress);

signals:
    // The window has been painted for the first time.
    void firstPainted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setupLook();
    void setupPictures();
    void setStatus(const QString &text);
    void keepOutOfTabChain(QWidget *widget);
    void keepFocusOutOfBrowser(QWidget *old, QWidget *now);
    void lockInputs();
    void giveFocusBack();
    // How a lookup ends: the shop does not exist, its rating page was read,
    // or it could not be read.
    enum class Ending { NotFound, Read, Unread };
    void armNavigation(const QUrl &address);
    void followShopLink(const DocumentSnapshot &document);
    void followRatingLink(const DocumentSnapshot &document);
    void endLookup(Ending ending, const QString &message = QString());
    void pageTimedOut();
    ShopFacts readFacts() const;
    bool isIndicator(QObject *object) const;

    std::unique_ptr<Ui::Form1> ui;
    Browser *m_browser;
    QStringListModel *m_list1;
    QStringListModel *m_list2;
    QTimer m_pageTimer;

    QString m_ratePageUrl;
    bool m_navigationArmed = false;
    qint16 m_lookupStage = 0;
    QString m_ratePageText;
    // The advice box's description for a screen reader while it holds no
    // score; a score brings its explanation instead.
    QString m_adviceDescription;

    bool m_activated = false;
    bool m_painted = false;
    bool m_valueBeforePress = false;
    // While a lookup runs, no key reaches the window's controls.
    KeyboardHold *m_keyboardHold;
};
