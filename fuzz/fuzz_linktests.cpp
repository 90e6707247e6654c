// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The link tests that walk a lookup from the shop search to the rating page,
// and the search address made from a shopkeeper name: each against a
// reference written another way.
//
// Input: the whole input is one address or name, and its "|"-separated
// pieces are a list of links; read once as UTF-8 and once as raw UTF-16.

#include "fuzzsupport.h"
#include "lookup/linktests.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <QUrlQuery>

namespace {

// A shop's front page: the prefix, a digit, anything (line breaks too), the
// host suffix at the very end.
bool referenceShopLink(const QString &address)
{
    static const QRegularExpression shopLink(
        QRegularExpression::anchoredPattern(QStringLiteral("http://shop[0-9].*\\.taobao\\.com/")),
        QRegularExpression::DotMatchesEverythingOption);
    return shopLink.match(Fuzz::withoutSurrogates(address)).hasMatch();
}

bool referenceRatingLink(const QString &address)
{
    return address.contains(QStringLiteral("rate.taobao.com/user-rate"));
}

QString referenceClean(const QString &typed)
{
    QString out;
    for (QChar c : typed) {
        if (c != QLatin1Char('.') && c != QLatin1Char(' '))
            out += c;
    }
    return out;
}

bool hasNonCharacter(const QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t code = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(s[i], s[i + 1]);
        if (QChar::isNonCharacter(code))
            return true;
    }
    return false;
}

void checkAddress(const QString &address)
{
    FUZZ_CHECK(Lookup::IsShopLink(address) == referenceShopLink(address));
    FUZZ_CHECK(Lookup::IsRatingLink(address) == referenceRatingLink(address));

    // Only valid http and https addresses with a host are web addresses.
    const QUrl url(address);
    if (Lookup::IsWebAddress(url)) {
        FUZZ_CHECK(url.isValid() && !url.host().isEmpty());
        FUZZ_CHECK(url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
    }
}

void checkName(const QString &typed)
{
    const QString name = Lookup::CleanShopName(typed);
    FUZZ_CHECK(!name.contains(QLatin1Char('.')) && !name.contains(QLatin1Char(' ')));
    FUZZ_CHECK(name == referenceClean(typed));

    // The search address carries the name as its q value, whatever the name
    // holds; UTF-8 cannot carry a lone surrogate, so those names are only
    // required not to crash.
    for (const QString &n : {name, typed}) {
        const QUrl search = Lookup::SearchAddress(n);
        if (Fuzz::hasLoneSurrogate(n))
            continue;
        FUZZ_CHECK(search.isValid());
        FUZZ_CHECK(Lookup::IsWebAddress(search));
        FUZZ_CHECK(search.host() == QLatin1String("shopsearch.taobao.com"));
        // On the wire: the q item of the encoded query, percent-decoded
        // and read as UTF-8, is the name.
        const QByteArrayList items = search.query(QUrl::FullyEncoded).toLatin1().split('&');
        FUZZ_CHECK(!items.isEmpty() && items[0].startsWith("q="));
        // (A leading U+FEFF is part of the name, not a byte order mark.)
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString wire = utf8(QByteArray::fromPercentEncoding(items[0].mid(2)));
        if (wire != n) {
            Fuzz::printUnits("name", n);
            Fuzz::printUnits("q value", wire);
            std::fprintf(stderr, "address: %s\n", search.toEncoded().constData());
        }
        FUZZ_CHECK(wire == n);

        // Read back through Qt's own query parser. Its decoder turns
        // noncharacters (U+FFFE, U+FFFF, ...) into U+FFFD, so those names
        // are only checked on the wire above.
        const QUrlQuery query(search);
        FUZZ_CHECK(query.hasQueryItem(QStringLiteral("q")));
        if (!hasNonCharacter(n))
            FUZZ_CHECK(query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded) == n);
        FUZZ_CHECK(query.queryItemValue(QStringLiteral("tab")) == QLatin1String("3"));
    }
}

void checkLinks(const QStringList &links)
{
    qsizetype firstShop = -1;
    qsizetype firstRating = -1;
    for (qsizetype i = links.size() - 1; i >= 0; --i) {
        if (referenceShopLink(links[i]))
            firstShop = i;
        if (referenceRatingLink(links[i]))
            firstRating = i;
    }
    FUZZ_CHECK(Lookup::FirstLink(links, Lookup::IsShopLink) == firstShop);
    FUZZ_CHECK(Lookup::FirstLink(links, Lookup::IsRatingLink) == firstRating);
    for (const QString &link : links)
        checkAddress(link);
}

void checkText(const QString &text)
{
    checkAddress(text);
    checkName(text);
    checkLinks(text.split(QLatin1Char('|')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkText(Fuzz::fromUtf8Bytes(data, size));
    checkText(Fuzz::fromUtf16Bytes(data, size));
    return 0;
}
