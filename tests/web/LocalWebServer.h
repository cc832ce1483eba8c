#pragma once

#include <QTcpServer>
#include <functional>

// A web server on 127.0.0.1 inside the test process. Each request (its head,
// up to the blank line) is answered with the bytes answer returns for it and
// the connection closed; an empty answer leaves the connection silent.
class LocalWebServer final : public QTcpServer
{
public:
    using Answer = std::function<QByteArray(const QByteArray &head)>;

    LocalWebServer(quint16 port, Answer answer);

    // Request heads in the order they arrived.
    QList<QByteArray> requests;
    // Runs when a request arrives, before it is answered.
    std::function<void()> onRequest;

private:
    Answer m_answer;
};

// An HTTP/1.1 response with the given status line's code and text.
QByteArray HttpResponse(const QByteArray &body, const QByteArray &status = "200 OK",
                        const QByteArray &headers = {});
