// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "linktests.h"

#include "marketplacesite.h"
#include "text/textrules.h"

namespace Lookup {

bool IsShopLink(QStringView a)
{
    using namespace MarketplaceSite;
    if (!a.startsWith(kShopLinkPrefix) || !a.endsWith(kShopLinkSuffix))
        return false;
    // Longer than the prefix, as the suffix is longer still: the unit right
    // after the prefix exists.
    const QChar digit = a.sliced(kShopLinkPrefix.size()).front();
    return digit >= u'0' && digit <= u'9';
}

bool IsRatingLink(QStringView a)
{
    return Text::FindText(MarketplaceSite::kRatingMarker, a) != 0;
}

qsizetype FirstLink(const QStringList &links, bool (*test)(QStringView))
{
    for (qsizetype i = 0; i < links.size(); ++i) {
        if (test(links[i]))
            return i;
    }
    return -1;
}

QUrl SearchAddress(const QString &cleanedName)
{
    const QByteArray address = "http://" + MarketplaceSite::kSearchHost.toUtf8() +
                               "/browse/shop_search.htm?q=" + QUrl::toPercentEncoding(cleanedName) +
                               "&title=title&nick=nick&tab=3&s=0";
    return QUrl::fromEncoded(address, QUrl::StrictMode);
}

QString CleanShopName(const QString &typed)
{
    return Text::ReplaceAll(Text::ReplaceAll(typed, u".", u""), u" ", u"");
}

bool IsWebAddress(const QUrl &address)
{
    const QString scheme = address.scheme();
    return address.isValid() && (scheme == u"http" || scheme == u"https") &&
           !address.host().isEmpty();
}

} // namespace Lookup
