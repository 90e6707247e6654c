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
}

void Form1::WebTB_DocumentComplete(const DocumentSnapshot &document)
{
    if (!m_navigationArmed)
        return;
    const qint16 stage = m_lookupStage;
    m_navigationArmed = false;
    m_pageTimer.stop();

    // An error page says nothing about the shop.
    if (document.loadFailed && stage >= 0 && stage <= 2) {
        endLookupUnread();
        return;
    }
    switch (stage) {
    case 0:
        followShopLink(document);
        break;
    case 1:
        followRatingLink(document);
        break;
    case 2:
        ExtractShopFacts(document);
        break;
    default:
        break;
    }
}

void Form1::armNavigation(const QString &address)
{
    m_navigationArmed = true;
    m_pageTimer.start();
    m_browser->Navigate(QUrl(address));
}

void Form1::followShopLink(const DocumentSnapshot &document)
{
    const qsizetype i = Lookup::FirstLink(document.linkHrefs, Lookup::IsShopLink);
    if (i >= 0) {
        // A shop link outweighs a "not found" elsewhere on the page: the
        // lookup goes on and is not reported as failed.
        m_ratePageUrl = document.linkHrefs[i];
        m_lookupStage = 1;
        armNavigation(m_ratePageUrl);
        return;
    }
    if (Text::FindText(Marketplace::kNotFound, document.bodyText) != 0) {
        reportNotFound();
        return;
    }
    m_lookupStage = 1;
    endLookupUnread();
}

void Form1::followRatingLink(const DocumentSnapshot &document)
{
    const qsizetype i = Lookup::FirstLink(document.linkHrefs, Lookup::IsRatingLink);
    if (i < 0) {
        endLookupUnread();
        return;
    }
    m_ratePageUrl = document.linkHrefs[i];
    m_lookupStage = 2;
    setStatus(QStringLiteral("正在获取店铺信用信息......"));
    armNavigation(m_ratePageUrl);
}

void Form1::reportNotFound()
{
    ui->cmdTBCX->setEnabled(true);
    ui->txtTB->setEnabled(true);
    ui->cmdTBURL->setEnabled(false);
    setStatus(kReady);
    ErrorBox::Show(this,
                   QStringLiteral("您所查询的店铺不存在，请注意查询请输入旺旺名，不是对方起的名！"));
}

// A lookup that cannot go on (no shop link, no rating link, a page that did
// not load or never finished) ends like the not-found report, so that the
// user can try again.
void Form1::endLookupUnread()
{
    m_navigationArmed = false;
    m_pageTimer.stop();
    m_browser->Stop();
    m_lookupStage = 0;
    ui->cmdTBCX->setEnabled(true);
    ui->txtTB->setEnabled(true);
    ui->cmdTBURL->setEnabled(false);
    setStatus(kReady);
    ErrorBox::Show(this, QStringLiteral("无法读取该店铺的信息，请稍后再试！"));
}

void Form1::pageTimedOut()
{
    if (m_navigationArmed)
        endLookupUnread();
}
