// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <functional>

class QTcpSocket;

// One request as it came from the browser's proxy connection.
struct HttpRequest {
    QByteArray method;
    QByteArray target; // absolute form "http://host/path?query", or origin form "/path?query"
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
    QByteArray body;
    QUrl url; // always absolute; the host comes from the target, else from the Host header

    QByteArray header(const QByteArray &lowerCaseName) const;
};

struct HttpResponse {
    // How the response leaves the server.
    enum class Delivery {
        Complete,     // status line, headers and the whole body
        Stall,        // status line, headers and half of the body, then nothing ever again
        CloseHalfway, // status line, headers and half of the body, then the connection closes
        Tunnel,       // "200 Connection established" to a CONNECT, then TLS as the server
    };

    int status = 200;
    QByteArray reason = "OK";
    QByteArray contentType;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    Delivery delivery = Delivery::Complete;
    // A tunnel whose TLS handshake asks the browser for a client certificate and
    // ends when none comes.
    bool clientCertificate = false;

    static HttpResponse html(const QByteArray &gbkBody);
    static HttpResponse notFound();
    static HttpResponse redirect(const QString &location);
    static HttpResponse json(const QByteArray &utf8Body);
    static HttpResponse error(int status, const QByteArray &reason);
    static HttpResponse tunnel();
};

// data in the gzip format (RFC 1952), for a body sent with "Content-Encoding: gzip".
QByteArray gzipped(const QByteArray &data);

// Reads HTTP/1.1 requests from one socket one after another, answers each through the
// handler, and keeps the connection open between them unless the client asks otherwise.
// A CONNECT to port 443 reaches the handler with the url https://host:443; when it answers
// with a tunnel, the connection turns into a TLS server (the socket must be a QSslSocket)
// and goes on reading requests, now in origin form for that host, through the tunnel.
class HttpConnection : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    // Every answer but a tunnel's leaves delayMs late.
    HttpConnection(QTcpSocket *socket, Handler handler, int delayMs = 0, QObject *parent = nullptr);

private:
    enum class Parse { NeedMore, Ready, Bad };

    void readRequests();
    Parse takeRequest(HttpRequest *request, HttpResponse *failure);
    void send(const HttpRequest &request, const HttpResponse &response, bool keepAlive);
    void sendAndClose(const HttpResponse &response);
    void openTunnel(bool askClientCertificate);

    QTcpSocket *m_socket;
    Handler m_handler;
    int m_delayMs = 0;
    QByteArray m_buffer;
    bool m_done = false;          // closing, or stalled on purpose: later input is ignored
    QByteArray m_scheme = "http"; // of origin-form requests; https inside a tunnel
};
