// A small HTTP/1.1 server on the loopback interface for the update checker's
// tests: fixed answers per path, redirects, bodies sent in paused chunks,
// bodies without a length, and requests left unanswered.
#ifndef KESTRIX_HTTP_TEST_SERVER_H
#define KESTRIX_HTTP_TEST_SERVER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

class HttpTestServer : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool sendLength = true;  // without it the body ends when the connection closes
        int chunks = 1;          // the body is split into this many writes...
        int pauseMs = 0;         // ...with this pause before each further write
        bool silent = false;     // the request is read and never answered
    };
    struct Request
    {
        QByteArray path;
        QByteArray userAgent;
    };

    explicit HttpTestServer(QObject *parent = nullptr);
    ~HttpTestServer() override;

    // Listens on 127.0.0.1 on a port chosen by the system.
    bool listen();
    QString url(const QString &path) const;

    void route(const QByteArray &path, const Response &response);
    void redirect(const QByteArray &path, const QByteArray &location, int status = 302);
    void serve(const QByteArray &path, const QByteArray &body);

    int hits(const QByteArray &path) const;
    QList<Request> requests;

private:
    void accept();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    QTcpServer server;
    QHash<QByteArray, Response> routes;
    QHash<QTcpSocket *, QByteArray> pending;
};

#endif // KESTRIX_HTTP_TEST_SERVER_H
