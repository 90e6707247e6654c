// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QUrl>

#include <functional>

class QTcpServer;

// A tiny HTTP/1.1 server on 127.0.0.1, reached as the browser's HTTP proxy:
// every GET is answered with the page the handler gives for its address, or
// 404 when the handler gives nothing. Connections are kept open between
// requests; nothing is cached by the browser.
class PageServer : public QObject {
    Q_OBJECT
public:
    struct Page {
        QByteArray body;        // empty: 404
        QByteArray contentType; // e.g. "text/html; charset=gbk"
    };
    using Handler = std::function<Page(const QUrl &address)>;

    explicit PageServer(Handler handler, QObject *parent = nullptr);
    bool listen();
    quint16 port() const;

private:
    void serve(class QTcpSocket *socket);

    QTcpServer *m_server;
    Handler m_handler;
    QHash<class QTcpSocket *, QByteArray> m_buffers; // what each connection sent, unanswered
};
