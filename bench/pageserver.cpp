// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "pageserver.h"

#include <QTcpServer>
#include <QTcpSocket>

PageServer::PageServer(Handler handler, QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_handler(std::move(handler))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QObject::destroyed, this,
                    [this, socket] { m_buffers.remove(socket); });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

bool PageServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 PageServer::port() const
{
    return m_server->serverPort();
}

void PageServer::serve(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    qsizetype end;
    while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + 4);
        // "GET http://host/path HTTP/1.1": requests to a proxy name the
        // whole address. No request the browser sends here has a body.
        const QList<QByteArray> line = head.left(head.indexOf("\r\n")).split(' ');
        Page page;
        if (line.size() == 3 && (line[0] == "GET" || line[0] == "HEAD"))
            page = m_handler(QUrl::fromEncoded(line[1]));
        QByteArray response;
        if (page.body.isEmpty()) {
            response = "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\n"
                       "Content-Length: 9\r\nCache-Control: no-store\r\n\r\nnot found";
        } else {
            response = "HTTP/1.1 200 OK\r\nContent-Type: " + page.contentType +
                       "\r\nContent-Length: " + QByteArray::number(page.body.size()) +
                       "\r\nCache-Control: no-store\r\n\r\n";
            if (line[0] == "GET")
                response += page.body;
        }
        socket->write(response);
    }
}
