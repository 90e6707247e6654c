// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

struct SampleShop;

// The HTML of the sample marketplace. Pages are built as text and encoded with toGbk()
// right before they are sent.
namespace Pages {

// Search results for a shopkeeper name; shop is null when the name is unknown.
QString searchResults(const QString &query, const SampleShop *shop);
QString shopFront(const SampleShop &shop);
QString ratingPage(const SampleShop &shop);
// The small advertisement page that other pages show in an iframe.
QString advert(const QString &host);

// GBK bytes of html. Characters GBK cannot hold (such as those outside the BMP) become
// numeric character references, which is what a GBK site has to do with them as well.
QByteArray toGbk(const QString &html);

} // namespace Pages
