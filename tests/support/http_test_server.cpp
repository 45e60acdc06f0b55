#include "http_test_server.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 404: return "Not Found";
    default: return "Status";
    }
}

} // namespace

HttpTestServer::HttpTestServer(QObject *parent)
    : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &HttpTestServer::accept);
}

HttpTestServer::~HttpTestServer()
{
    // Connections still open are deleted with the listening socket, after
    // the table of pending requests is gone: what they report on closing
    // must not reach it.
    const QList<QTcpSocket *> sockets = server.findChildren<QTcpSocket *>();
    for (QTcpSocket *socket : sockets)
        socket->disconnect(this);
}

bool HttpTestServer::listen()
{
    return server.listen(QHostAddress::LocalHost, 0);
}

QString HttpTestServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
}

void HttpTestServer::route(const QByteArray &path, const Response &response)
{
    routes.insert(path, response);
}

void HttpTestServer::redirect(const QByteArray &path, const QByteArray &location, int status)
{
    Response response;
    response.status = status;
    response.headers.append({"Location", location});
    routes.insert(path, response);
}

void HttpTestServer::serve(const QByteArray &path, const QByteArray &body)
{
    Response response;
    response.body = body;
    routes.insert(path, response);
}

int HttpTestServer::hits(const QByteArray &path) const
{
    int n = 0;
    for (const Request &request : requests)
        n += request.path == path ? 1 : 0;
    return n;
}

void HttpTestServer::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpTestServer::readRequest(QTcpSocket *socket)
{
    QByteArray &buffer = pending[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;

    const QList<QByteArray> lines = buffer.left(end).split('\n');
    Request request;
    const QList<QByteArray> words = lines.first().trimmed().split(' ');
    request.path = words.value(1);
    for (const QByteArray &line : lines) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "user-agent")
            request.userAgent = line.mid(colon + 1).trimmed();
    }
    requests.append(request);
    buffer.clear();

    Response notFound;
    notFound.status = 404;
    notFound.body = "not here";
    answer(socket, routes.value(request.path, notFound));
}

void HttpTestServer::answer(QTcpSocket *socket, const Response &response)
{
    if (response.silent)
        return;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
                      + reason(response.status) + "\r\n";
    for (const auto &header : response.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (response.sendLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);

    const int chunks = qMax(1, response.chunks);
    const int step = (response.body.size() + chunks - 1) / chunks;
    QPointer<QTcpSocket> guard(socket);
    for (int i = 0; i < chunks; ++i) {
        const QByteArray piece = response.body.mid(i * step, step);
        const bool last = i == chunks - 1;
        auto send = [guard, piece, last] {
            if (!guard)
                return;
            guard->write(piece);
            guard->flush();
            if (last)
                guard->disconnectFromHost();
        };
        if (i == 0)
            send();
        else
            QTimer::singleShot(i * response.pauseMs, socket, send);
    }
}
