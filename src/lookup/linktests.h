// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>

namespace Lookup {

// A shop's front page: "http://shop", a digit, anything, ".taobao.com/" at
// the very end. Exact and case-sensitive.
bool IsShopLink(QStringView address);

// A link to the shop's rating page: the rating host and "/user-rate"
// anywhere in the address.
bool IsRatingLink(QStringView address);

// Index of the first address of links that passes test, or -1.
qsizetype FirstLink(const QStringList &links, bool (*test)(QStringView));

// The shop-search address for a cleaned shopkeeper name, with the name
// percent-encoded (UTF-8) as one query value.
QUrl SearchAddress(const QString &cleanedName);

// The name as the lookup searches for it: every "." and then every " "
// removed; nothing else is touched.
QString CleanShopName(const QString &typed);

// Whether an address may be handed to the desktop's default browser or
// loaded by the lookup's browser: only http and https pages.
bool IsWebAddress(const QUrl &address);

} // namespace Lookup
