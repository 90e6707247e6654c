// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Following the browser from the search results to the shop's front page and
// on to its rating page. Only the first finished page after each navigation
// the lookup issues is handled; everything else the browser reports is not
// the lookup's business.
#include "app/errorbox.h"
#include "app/form1.h"
#include "linktests.h"
#include "marketplace.h"
#include "text/textrules.h"
#include "ui_form1.h"

namespace {
const QString kReady = QStringLiteral("准备就绪");
const QString kUnread = QStringLiteral("无法读取该店铺的信息，请稍后再试！");
const QString kNotFound =
    QStringLiteral("您所查询的店铺不存在，请注意查询请输入旺旺名，不是对方起的名！");
const QString kEngineMissing =
    QStringLiteral("本软件的浏览器组件缺失或无法加载，无法查询店铺，请重新安装本软件！");
} // namespace

void Form1::WebTB_DocumentComplete(const DocumentSnapshot &document)
{
    if (!m_navigationArmed)
        return;
    const qint16 stage = m_lookupStage;
    m_navigationArmed = false;
    m_pageTimer.stop();

    switch (stage) {
    case 0:
    case 1:
    case 2:
        // An error page says nothing about the shop; without its engine the
        // browser shows no page at all.
        if (document.loadFailed || document.engineMissing) {
            endLookup(Ending::Unread, document.engineMissing ? kEngineMissing : kUnread);
            return;
        }
        break;
    default:
        return; // the lookup expects no page
    }
    if (stage == 0)
        followShopLink(document);
    else if (stage == 1)
        followRatingLink(document);
    else
        ExtractShopFacts(document);
}

void Form1::armNavigation(const QUrl &address)
{
    m_navigationArmed = true;
    m_pageTimer.start();
    m_browser->Navigate(address);
}

void Form1::followShopLink(const DocumentSnapshot &document)
{
    const qsizetype i = Lookup::FirstLink(document.linkHrefs, Lookup::IsShopLink);
    if (i >= 0) {
        // A shop link outweighs a "not found" elsewhere on the page: the
        // lookup goes on and is not reported as failed.
        m_ratePageUrl = document.linkHrefs[i];
        m_lookupStage = 1;
        armNavigation(QUrl(m_ratePageUrl));
        return;
    }
    if (Text::FindText(Marketplace::kNotFound, document.bodyText) != 0) {
        endLookup(Ending::NotFound, kNotFound);
        return;
    }
    // A dead end: neither a shop nor the not-found phrase.
    endLookup(Ending::Unread, kUnread);
}

void Form1::followRatingLink(const DocumentSnapshot &document)
{
    const qsizetype i = Lookup::FirstLink(document.linkHrefs, Lookup::IsRatingLink);
    if (i < 0) {
        endLookup(Ending::Unread, kUnread);
        return;
    }
    m_ratePageUrl = document.linkHrefs[i];
    m_lookupStage = 2;
    setStatus(QStringLiteral("正在获取店铺信用信息......"));
    armNavigation(QUrl(m_ratePageUrl));
}

// Every lookup ends here. The inputs come back in the same order whatever
// the ending, which a screen reader follows: the search button, the name box,
// "看详细结果...", the status; then the keyboard returns, and last the user
// hears the message or the advice. The endings differ only in what the
// lookup leaves: the not-found report keeps the stage it has, a lookup that
// could not be read stops the browser, and only a read rating page can be
// opened in the default browser.
void Form1::endLookup(Ending ending, const QString &message)
{
    if (ending == Ending::Unread)
        m_browser->Stop();
    if (ending != Ending::NotFound)
        m_lookupStage = 0;
    ui->cmdTBCX->setEnabled(true);
    ui->txtTB->setEnabled(true);
    ui->cmdTBURL->setEnabled(ending == Ending::Read);
    setStatus(kReady);
    giveFocusBack();
    if (ending == Ending::Read)
        Command13_Click();
    else
        ErrorBox::Show(this, message);
}

// The page limit has passed: the lookup waits for its page no more.
void Form1::pageTimedOut()
{
    if (!m_navigationArmed)
        return;
    m_navigationArmed = false;
    endLookup(Ending::Unread, kUnread);
}
