// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "sampleshop.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QtDebug>

namespace {

bool kindFromName(const QString &name, SampleShop::Kind *kind)
{
    static const QList<QPair<QString, SampleShop::Kind>> names = {
        {QStringLiteral("normal"), SampleShop::Kind::Normal},
        {QStringLiteral("not-found"), SampleShop::Kind::NotFound},
        {QStringLiteral("no-shop-link"), SampleShop::Kind::NoShopLink},
        {QStringLiteral("no-rate-link"), SampleShop::Kind::NoRateLink},
        {QStringLiteral("hang"), SampleShop::Kind::Hang},
        {QStringLiteral("redirect-loop"), SampleShop::Kind::RedirectLoop},
    };
    for (const auto &entry : names) {
        if (entry.first == name) {
            *kind = entry.second;
            return true;
        }
    }
    return false;
}

SampleRatingPage ratingPageFrom(const QJsonObject &o)
{
    SampleRatingPage r;
    r.key = o.value(QLatin1String("key")).toString();
    r.credit = o.value(QLatin1String("credit")).toString();
    r.yearMarker = o.value(QLatin1String("yearMarker")).toString();
    r.openedOn = o.value(QLatin1String("opened")).toString();
    r.good = o.value(QLatin1String("good")).toString(QStringLiteral("0"));
    r.neutral = o.value(QLatin1String("neutral")).toString(QStringLiteral("0"));
    r.bad = o.value(QLatin1String("bad")).toString(QStringLiteral("0"));
    r.consumerProtection = o.value(QLatin1String("consumerProtection")).toBool();
    r.noViolations = o.value(QLatin1String("noViolations")).toBool();
    r.noPenalties = o.value(QLatin1String("noPenalties")).toBool();
    r.noRefundDisputes = o.value(QLatin1String("noRefundDisputes")).toBool();
    r.noComplaints = o.value(QLatin1String("noComplaints")).toBool();
    r.closeLinkFirst = o.value(QLatin1String("closeLinkFirst")).toBool();
    return r;
}

SampleExpectation expectationFrom(const QJsonObject &o)
{
    SampleExpectation e;
    e.error = o.value(QLatin1String("error")).toBool();
    e.sellerCredit = o.value(QLatin1String("sellerCredit")).toString();
    e.recentGoodRatings = o.value(QLatin1String("recentGoodRatings")).toString();
    e.recentBadRatings = o.value(QLatin1String("recentBadRatings")).toString();
    e.registeredOn = o.value(QLatin1String("registeredOn")).toString();
    e.consumerProtection = o.value(QLatin1String("consumerProtection")).toBool();
    e.violations = o.value(QLatin1String("violations")).toBool();
    e.refundDisputes = o.value(QLatin1String("refundDisputes")).toBool();
    e.complaintDisputes = o.value(QLatin1String("complaintDisputes")).toBool();
    e.penalties = o.value(QLatin1String("penalties")).toBool();
    e.uncertified = o.value(QLatin1String("uncertified")).toBool();
    e.score = o.value(QLatin1String("score")).toInt(-1);
    return e;
}

} // namespace

QString SampleShop::shopUrl() const
{
    return QStringLiteral("http://shop%1.taobao.com/").arg(shopId);
}

QString SampleShop::ratingUrl() const
{
    return QStringLiteral("http://rate.taobao.com/user-rate-%1.htm").arg(rate.key);
}

QList<SampleShop> SampleShop::parse(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull()) {
        qWarning("sample shops: %s at offset %d", qPrintable(error.errorString()), error.offset);
        return {};
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression key(QStringLiteral("^[A-Za-z0-9_-]+$"));
    QList<SampleShop> shops;
    const QJsonArray entries = doc.object().value(QLatin1String("shops")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject o = value.toObject();
        SampleShop shop;
        shop.nick = o.value(QLatin1String("nick")).toString();
        shop.kindName = o.value(QLatin1String("kind")).toString(QStringLiteral("normal"));
        shop.shopId = o.value(QLatin1String("shopId")).toString();
        shop.shopName = o.value(QLatin1String("shopName")).toString(shop.nick);
        shop.rate = ratingPageFrom(o.value(QLatin1String("rate")).toObject());
        shop.expect = expectationFrom(o.value(QLatin1String("expect")).toObject());
        if (shop.nick.isEmpty() || !kindFromName(shop.kindName, &shop.kind)) {
            qWarning("sample shops: skipping entry with nick \"%s\" and kind \"%s\"",
                     qPrintable(shop.nick), qPrintable(shop.kindName));
            continue;
        }
        // Every kind but "not-found" has a shop id, and shops whose walk reaches the rating
        // page have its key; ids and keys end up in host names and paths, so anything but
        // plain digits and letters would not be routable.
        const bool needsId = shop.kind != Kind::NotFound;
        const bool needsKey = shop.kind == Kind::Normal || shop.kind == Kind::RedirectLoop;
        if ((needsId && !digits.match(shop.shopId).hasMatch()) ||
            (needsKey && shop.rate.key.isEmpty()) ||
            (!shop.rate.key.isEmpty() && !key.match(shop.rate.key).hasMatch())) {
            qWarning("sample shops: skipping \"%s\": bad shop id or rating key",
                     qPrintable(shop.nick));
            continue;
        }
        shops.append(shop);
    }
    return shops;
}
