// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "marketplace.h"

#include "hostile.h"
#include "httpconnection.h"
#include "pagefuzz.h"
#include "pages.h"
#include "sealed.h"
#include "tlsidentity.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

QRegularExpression whole(const QString &pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

// Hands out every connection as a QSslSocket, which carries plain HTTP like any TCP
// socket and can turn into a TLS server when the browser opens an https tunnel.
class TunnelReadyServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(descriptor))
            addPendingConnection(socket);
        else
            delete socket;
    }
};

} // namespace

Marketplace::Marketplace(QObject *parent)
    : QObject(parent), m_server(new TunnelReadyServer(this)), m_shops(sampleShops())
{
    for (int i = 0; i < m_shops.size(); ++i) {
        m_byNick.insert(m_shops[i].nick, i);
        if (!m_shops[i].shopId.isEmpty())
            m_byShopId.insert(m_shops[i].shopId, i);
        if (!m_shops[i].rate.key.isEmpty())
            m_byRateKey.insert(m_shops[i].rate.key, i);
    }

    const auto advert = [](const HttpRequest &request, const QStringList &) {
        return HttpResponse::html(Pages::toGbk(Pages::advert(request.url.host())));
    };
    // Looked up from the top; the first route that matches answers.
    m_routes = {
        {whole(QStringLiteral(".*")), whole(QStringLiteral("/favicon\\.ico")),
         [](const HttpRequest &, const QStringList &) { return HttpResponse::notFound(); }},
        {whole(QStringLiteral("control\\.lumora\\.test")), whole(QStringLiteral("/queries")),
         [this](const HttpRequest &, const QStringList &) { return serveQueries(); }},
        {whole(QStringLiteral("control\\.lumora\\.test")), whole(QStringLiteral("/tunnels")),
         [this](const HttpRequest &, const QStringList &) {
             return HttpResponse::json(QJsonDocument(QJsonArray::fromStringList(m_tunnels))
                                           .toJson(QJsonDocument::Compact));
         }},
        // Also on the secure rating pages' own host, which a secure page may fetch from.
        {whole(QStringLiteral("control\\.lumora\\.test|rate\\.localhost")),
         whole(QStringLiteral("/mark")),
         [this](const HttpRequest &request, const QStringList &) {
             m_marks.append(request.url.query(QUrl::FullyDecoded));
             HttpResponse r;
             r.status = 204;
             r.reason = "No Content";
             return r;
         }},
        {whole(QStringLiteral("shopsearch\\.taobao\\.com")),
         whole(QStringLiteral("/browse/shop_search\\.htm")),
         [this](const HttpRequest &request, const QStringList &) { return serveSearch(request); }},
        {whole(QStringLiteral("shop([0-9]+)\\.taobao\\.com")), whole(QStringLiteral("/")),
         [this](const HttpRequest &, const QStringList &captures) {
             return serveShopFront(captures.value(0));
         }},
        {whole(QStringLiteral("rate\\.taobao\\.com")),
         whole(QStringLiteral("/user-rate-([A-Za-z0-9_-]+)\\.htm")),
         [this](const HttpRequest &request, const QStringList &captures) {
             return serveRatingPage(captures.value(0), request);
         }},
        {whole(QStringLiteral("shopsearch\\.taobao\\.com|shop[0-9]+\\.taobao\\.com|"
                              "rate\\.taobao\\.com")),
         whole(QStringLiteral("/ad\\.htm")), advert},
    };

    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection())
            new HttpConnection(
                socket, [this](const HttpRequest &request) { return handle(request); }, m_delayMs,
                this);
    });
}

Marketplace::~Marketplace() = default;

bool Marketplace::listen(quint16 port)
{
    // A port on loopback where nothing listens, for the pages that send the
    // browser to a refused connection.
    QTcpServer probe;
    if (probe.listen(QHostAddress::LocalHost))
        m_refusedPort = probe.serverPort();
    probe.close();
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 Marketplace::port() const
{
    return m_server->serverPort();
}

QStringList Marketplace::queries() const
{
    return m_queries;
}

void Marketplace::clearQueries()
{
    m_queries.clear();
}

QList<SampleShop> Marketplace::sampleShops()
{
    static const QList<SampleShop> shops = [] {
        QFile file(QStringLiteral(":/marketplace/shops.json"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("sample shops: the data file is missing from the resources");
            return QList<SampleShop>();
        }
        return SampleShop::parse(file.readAll());
    }();
    return shops;
}

SampleShop Marketplace::sampleShop(const QString &nick)
{
    for (const SampleShop &shop : sampleShops()) {
        if (shop.nick == nick)
            return shop;
    }
    return {};
}

void Marketplace::setResponseDelay(int ms)
{
    m_delayMs = ms;
}

QStringList Marketplace::tunnels() const
{
    return m_tunnels;
}

QStringList Marketplace::marks() const
{
    return m_marks;
}

HttpResponse Marketplace::handle(const HttpRequest &request)
{
    if (request.method == "CONNECT") {
        // An https page: the browser gets a tunnel to this server, whatever the host.
        m_tunnels.append(request.url.authority());
        const TlsIdentity &identity = TlsIdentity::get();
        if (!identity.isValid()) {
            qWarning("sample marketplace: no https: %s", qPrintable(identity.error));
            return HttpResponse::error(502, "Bad Gateway");
        }
        HttpResponse tunnel = HttpResponse::tunnel();
        tunnel.clientCertificate = request.url.host() == Sealed::kCertificateHost;
        return tunnel;
    }
    if (request.method != "GET" && request.method != "HEAD")
        return HttpResponse::error(405, "Method Not Allowed");
    HttpResponse hostile;
    if (Hostile::serve(request, m_refusedPort, &hostile) ||
        Sealed::serve(request, port(), &hostile) || PageFuzz::serve(request, port(), &hostile))
        return hostile;
    const QString host = request.url.host();
    const QString path = request.url.path(QUrl::FullyEncoded);
    for (const Route &route : m_routes) {
        const QRegularExpressionMatch hostMatch = route.host.match(host);
        if (!hostMatch.hasMatch())
            continue;
        const QRegularExpressionMatch pathMatch = route.path.match(path);
        if (!pathMatch.hasMatch())
            continue;
        return route.handler(request,
                             hostMatch.capturedTexts().mid(1) + pathMatch.capturedTexts().mid(1));
    }
    return HttpResponse::notFound();
}

HttpResponse Marketplace::serveQueries() const
{
    return HttpResponse::json(
        QJsonDocument(QJsonArray::fromStringList(m_queries)).toJson(QJsonDocument::Compact));
}

HttpResponse Marketplace::serveSearch(const HttpRequest &request)
{
    // The client sends the name as UTF-8 percent-encoding and encodes "+" as %2B, so a "+"
    // in the query is a plus sign, not a space.
    const QUrlQuery query(request.url);
    QString name;
    if (query.hasQueryItem(QStringLiteral("q"))) {
        name = query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);
        m_queries.append(name);
    }
    const int index = m_byNick.value(name, -1);
    const SampleShop *shop = index < 0 ? nullptr : &m_shops[index];
    return HttpResponse::html(Pages::toGbk(Pages::searchResults(name, shop)));
}

HttpResponse Marketplace::serveShopFront(const QString &shopId) const
{
    const int index = m_byShopId.value(shopId, -1);
    if (index < 0)
        return HttpResponse::notFound();
    const SampleShop &shop = m_shops[index];
    HttpResponse response = HttpResponse::html(Pages::toGbk(Pages::shopFront(shop)));
    if (shop.kind == SampleShop::Kind::Hang)
        response.delivery = HttpResponse::Delivery::Stall;
    return response;
}

HttpResponse Marketplace::serveRatingPage(const QString &key, const HttpRequest &request) const
{
    const int index = m_byRateKey.value(key, -1);
    if (index < 0)
        return HttpResponse::notFound();
    const SampleShop &shop = m_shops[index];
    if (shop.kind == SampleShop::Kind::RedirectLoop) {
        // The page sends the browser to a second address, and that one sends it back.
        const QString page = shop.ratingUrl();
        const bool second = QUrlQuery(request.url).hasQueryItem(QStringLiteral("loop"));
        return HttpResponse::redirect(second ? page : page + QStringLiteral("?loop=1"));
    }
    return HttpResponse::html(Pages::toGbk(Pages::ratingPage(shop)));
}
