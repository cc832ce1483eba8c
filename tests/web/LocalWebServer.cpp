#include "LocalWebServer.h"

#include <QTcpSocket>
#include <memory>

LocalWebServer::LocalWebServer(quint16 port, Answer answer) : m_answer(std::move(answer))
{
    listen(QHostAddress::LocalHost, port);
    connect(this, &QTcpServer::newConnection, this, [this] {
        QTcpSocket *socket = nextPendingConnection();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto head = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
            *head += socket->readAll();
            if (!head->endsWith("\r\n\r\n"))
                return;
            requests.append(*head);
            if (onRequest)
                onRequest();
            const QByteArray response = m_answer(*head);
            head->clear();
            if (response.isEmpty())
                return;
            socket->write(response);
            socket->disconnectFromHost();
        });
    });
}

QByteArray HttpResponse(const QByteArray &body, const QByteArray &status, const QByteArray &headers)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n" + headers + "\r\n" + body;
}
