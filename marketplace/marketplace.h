// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "sampleshop.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QRegularExpression>
#include <QStringList>

#include <functional>

class QTcpServer;
struct HttpRequest;
struct HttpResponse;

// A sample marketplace reached as an HTTP proxy on 127.0.0.1: it serves the shop search,
// shop front pages and rating pages of the sample shops in shops.json, whatever host the
// browser asks for, and answers everything else with 404. https pages come through a
// CONNECT tunnel to port 443 with a self-signed certificate (tlsidentity.h). Names of the form
// "hostile-<stage>-<case>" lead to the hostile pages of hostile.h, "sealed-<case>" to
// the pages of sealed.h that ask their host for things, "fuzz-<seed>-<index>" to the
// random pages of pagefuzz.h.
class Marketplace : public QObject {
    Q_OBJECT
public:
    explicit Marketplace(QObject *parent = nullptr);
    ~Marketplace() override;

    bool listen(quint16 port = 0); // on 127.0.0.1; port 0 picks a free one
    quint16 port() const;
    // Answers every request ms late from now on, as a slow network would; 0 by default.
    void setResponseDelay(int ms);

    // Every decoded q value the shop search has received, oldest first.
    QStringList queries() const;
    void clearQueries();
    // Every "host:443" the browser has opened an https tunnel to, oldest first.
    QStringList tunnels() const;
    // Every query of http://control.lumora.test/mark?TEXT, oldest first: what pages say
    // they have done (sealed.h).
    QStringList marks() const;

    static QList<SampleShop> sampleShops();
    // The sample shop of that nick; an empty one when there is none.
    static SampleShop sampleShop(const QString &nick);

private:
    // A route answers requests whose host and path match both expressions in full; the
    // handler gets the captures of the host expression followed by those of the path.
    struct Route {
        QRegularExpression host;
        QRegularExpression path;
        std::function<HttpResponse(const HttpRequest &, const QStringList &)> handler;
    };

    HttpResponse handle(const HttpRequest &request);
    HttpResponse serveQueries() const;
    HttpResponse serveSearch(const HttpRequest &request);
    HttpResponse serveShopFront(const QString &shopId) const;
    HttpResponse serveRatingPage(const QString &key, const HttpRequest &request) const;

    QTcpServer *m_server;
    QList<Route> m_routes;
    QList<SampleShop> m_shops;
    QHash<QString, int> m_byNick;
    QHash<QString, int> m_byShopId;
    QHash<QString, int> m_byRateKey;
    QStringList m_queries;
    QStringList m_tunnels;
    QStringList m_marks;
    quint16 m_refusedPort = 1;
    int m_delayMs = 0;
};
