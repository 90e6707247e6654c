// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>

// The marketplace's addresses and the phrases its pages are recognised by.
namespace MarketplaceSite {

inline constexpr QStringView kSearchHost = u"shopsearch.taobao.com";
inline constexpr QStringView kShopLinkPrefix = u"http://shop";             // 11 units
inline constexpr QStringView kShopLinkSuffix = u".taobao.com/";            // 12 units
inline constexpr QStringView kRatingMarker = u"rate.taobao.com/user-rate"; // 25 units
inline constexpr QStringView kNotFound = u"没有找到";

} // namespace MarketplaceSite
