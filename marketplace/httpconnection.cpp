// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "httpconnection.h"

#include "tlsidentity.h"

#include <QSslSocket>
#include <QTimer>

#include <array>

namespace {

// Limits that keep a misbehaving client from growing the buffer without end.
constexpr int maxHeaderBytes = 64 * 1024;
constexpr qint64 maxBodyBytes = 1024 * 1024;

QByteArray plainPage(int status, const QByteArray &reason)
{
    const QByteArray title = QByteArray::number(status) + ' ' + reason;
    return "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>" + title +
           "</title></head>\n<body><h1>" + title + "</h1></body></html>\n";
}

} // namespace

QByteArray HttpRequest::header(const QByteArray &lowerCaseName) const
{
    for (const auto &h : headers) {
        if (h.first == lowerCaseName)
            return h.second;
    }
    return {};
}

HttpResponse HttpResponse::html(const QByteArray &gbkBody)
{
    HttpResponse r;
    r.contentType = "text/html; charset=GBK";
    r.body = gbkBody;
    return r;
}

HttpResponse HttpResponse::notFound()
{
    return error(404, "Not Found");
}

HttpResponse HttpResponse::redirect(const QString &location)
{
    HttpResponse r = error(302, "Found");
    r.headers.append({"Location", location.toUtf8()});
    return r;
}

HttpResponse HttpResponse::json(const QByteArray &utf8Body)
{
    HttpResponse r;
    r.contentType = "application/json; charset=utf-8";
    r.body = utf8Body;
    return r;
}

HttpResponse HttpResponse::error(int status, const QByteArray &reason)
{
    HttpResponse r = html(plainPage(status, reason));
    r.status = status;
    r.reason = reason;
    return r;
}

HttpResponse HttpResponse::tunnel()
{
    HttpResponse r;
    r.reason = "Connection established";
    r.delivery = Delivery::Tunnel;
    return r;
}

QByteArray gzipped(const QByteArray &data)
{
    // qCompress gives a 4-byte length and a zlib stream: a 2-byte header, the deflate
    // data and a 4-byte checksum. gzip wants the same deflate data between its own
    // 10-byte header and a trailer of the CRC-32 and the length.
    const QByteArray zlib = qCompress(data, 9);
    const QByteArray deflate = zlib.mid(6, zlib.size() - 10);
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320U ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xffffffffU;
    for (const char byte : data)
        crc = table[(crc ^ quint8(byte)) & 0xff] ^ (crc >> 8);
    crc ^= 0xffffffffU;
    const auto littleEndian = [](quint32 v) {
        QByteArray out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[i] = char((v >> (8 * i)) & 0xff);
        return out;
    };
    return QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03", 10) + deflate +
           littleEndian(crc) + littleEndian(quint32(data.size()));
}

HttpConnection::HttpConnection(QTcpSocket *socket, Handler handler, int delayMs, QObject *parent)
    : QObject(parent), m_socket(socket), m_handler(std::move(handler)), m_delayMs(delayMs)
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readRequests);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    if (m_socket->bytesAvailable() > 0)
        readRequests();
}

void HttpConnection::readRequests()
{
    const QByteArray data = m_socket->readAll();
    if (m_done)
        return;
    m_buffer.append(data);
    while (!m_done) {
        HttpRequest request;
        HttpResponse failure;
        switch (takeRequest(&request, &failure)) {
        case Parse::NeedMore:
            return;
        case Parse::Bad:
            sendAndClose(failure);
            return;
        case Parse::Ready:
            break;
        }
        // HTTP/1.1 keeps the connection by default, HTTP/1.0 only when asked; browsers
        // talking to a proxy say so in Proxy-Connection rather than Connection.
        const QByteArray connection =
            (request.header("connection") + ',' + request.header("proxy-connection")).toLower();
        bool keepAlive = request.version == "HTTP/1.1";
        if (connection.contains("close"))
            keepAlive = false;
        else if (connection.contains("keep-alive"))
            keepAlive = true;
        const HttpResponse response = m_handler(request);
        if (m_delayMs > 0 && request.method != "CONNECT") {
            // Answers leave in the order of their requests, each one the same time late.
            QTimer::singleShot(m_delayMs, this, [this, request, response, keepAlive] {
                if (!m_done)
                    send(request, response, keepAlive);
            });
            continue;
        }
        send(request, response, keepAlive);
    }
}

HttpConnection::Parse HttpConnection::takeRequest(HttpRequest *request, HttpResponse *failure)
{
    const int headerEnd = m_buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        if (m_buffer.size() <= maxHeaderBytes)
            return Parse::NeedMore;
        *failure = HttpResponse::error(431, "Request Header Fields Too Large");
        return Parse::Bad;
    }
    const QList<QByteArray> lines = m_buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        *failure = HttpResponse::error(400, "Bad Request");
        return Parse::Bad;
    }
    request->method = requestLine[0];
    request->target = requestLine[1];
    request->version = requestLine[2];
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon <= 0) {
            *failure = HttpResponse::error(400, "Bad Request");
            return Parse::Bad;
        }
        request->headers.append(
            {lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed()});
    }
    if (!request->header("transfer-encoding").isEmpty()) {
        *failure = HttpResponse::error(501, "Not Implemented");
        return Parse::Bad;
    }
    qint64 bodyLength = 0;
    const QByteArray lengthHeader = request->header("content-length");
    if (!lengthHeader.isEmpty()) {
        bool ok = false;
        bodyLength = lengthHeader.toLongLong(&ok);
        if (!ok || bodyLength < 0 || bodyLength > maxBodyBytes) {
            *failure = HttpResponse::error(400, "Bad Request");
            return Parse::Bad;
        }
    }
    const qint64 total = headerEnd + 4 + bodyLength;
    if (m_buffer.size() < total)
        return Parse::NeedMore;
    request->body = m_buffer.mid(headerEnd + 4, bodyLength);
    m_buffer.remove(0, total);

    if (request->method == "CONNECT") {
        // Only https tunnels: authority form "host:443"; the handler decides.
        request->url = QUrl::fromEncoded("https://" + request->target);
        if (!request->url.isValid() || request->url.host().isEmpty() ||
            request->url.port() != 443 || request->url.path() != QString()) {
            *failure = HttpResponse::error(405, "Method Not Allowed");
            return Parse::Bad;
        }
        return Parse::Ready;
    }
    if (request->target.startsWith('/')) {
        QByteArray host = request->header("host");
        const int portColon = host.lastIndexOf(':');
        if (portColon > 0 && !host.endsWith(']'))
            host.truncate(portColon);
        request->url = QUrl::fromEncoded(m_scheme + "://" + host + request->target);
    } else {
        request->url = QUrl::fromEncoded(request->target);
    }
    if (!request->url.isValid() || request->url.host().isEmpty()) {
        *failure = HttpResponse::error(400, "Bad Request");
        return Parse::Bad;
    }
    return Parse::Ready;
}

void HttpConnection::send(const HttpRequest &request, const HttpResponse &response, bool keepAlive)
{
    if (response.delivery == HttpResponse::Delivery::Tunnel) {
        openTunnel(response.clientCertificate);
        return;
    }
    // A CONNECT that gets no tunnel ends the connection.
    if (request.method == "CONNECT")
        keepAlive = false;
    const bool stall = response.delivery == HttpResponse::Delivery::Stall;
    const bool halfway = stall || response.delivery == HttpResponse::Delivery::CloseHalfway;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason +
                      "\r\nServer: lumora-marketplace\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Cache-Control: no-store\r\n";
    for (const auto &h : response.headers)
        head += h.first + ": " + h.second + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    m_socket->write(head);
    if (request.method != "HEAD")
        m_socket->write(halfway ? response.body.left(response.body.size() / 2) : response.body);
    if (stall) {
        // The promised length is never reached; the socket stays open until the client
        // gives up, and whatever else it sends is left unread.
        m_done = true;
        m_buffer.clear();
        m_socket->flush();
    } else if (!keepAlive || halfway) {
        m_done = true;
        m_socket->disconnectFromHost();
    }
}

void HttpConnection::openTunnel(bool askClientCertificate)
{
    const TlsIdentity &identity = TlsIdentity::get();
    auto *ssl = qobject_cast<QSslSocket *>(m_socket);
    if (!ssl || !identity.isValid()) {
        sendAndClose(HttpResponse::error(502, "Bad Gateway"));
        return;
    }
    m_socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
    m_socket->flush();
    m_scheme = "https";
    ssl->setLocalCertificate(identity.certificate);
    ssl->setPrivateKey(identity.key);
    // Asking for the client's certificate, and refusing a client without one, is what
    // a site that wants a log-in by certificate does.
    if (askClientCertificate)
        ssl->setPeerVerifyMode(QSslSocket::VerifyPeer);
    // A client that refuses the certificate ends the handshake; the socket then
    // disconnects and the connection goes away like any other.
    ssl->startServerEncryption();
}

void HttpConnection::sendAndClose(const HttpResponse &response)
{
    HttpRequest none;
    send(none, response, false);
}
