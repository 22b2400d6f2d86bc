#pragma once

// A plain HTTP/1.1 responder on 127.0.0.1 for the network harnesses: it
// sends whatever bytes the harness chooses as the body, unchanged (the
// firmware server of tools/fwserver re-encodes every JSON reply it serves,
// which would hide the input's own spelling from the client). The client
// code under test does not care whether the reply came over TLS: its reply
// handler reads the body of a finished QNetworkReply either way.

#include <QByteArray>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace fuzzsupport {

struct RawResponse
{
    int status = 200;
    QByteArray body;
};

class RawHttpServer
{
public:
    using Handler = std::function<RawResponse(const QByteArray &target)>;

    explicit RawHttpServer(Handler handler)
        : m_handler(std::move(handler))
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool start() { return m_server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_server.serverPort(); }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

private:
    void serve(QTcpSocket *socket)
    {
        auto *request = new QByteArray;
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QObject::destroyed, [request] { delete request; });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> line = request->left(request->indexOf("\r\n")).split(' ');
            const RawResponse response = m_handler(line.size() > 1 ? line.at(1) : QByteArray());
            request->clear();
            QByteArray bytes = "HTTP/1.1 " + QByteArray::number(response.status) + " Fuzz\r\n"
                + "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n"
                + "Connection: close\r\n\r\n";
            bytes += response.body;
            socket->write(bytes);
            socket->disconnectFromHost();
        });
    }

    Handler m_handler;
    QTcpServer m_server;
};

// Requests to anywhere but the harness's own server go to a closed port on
// 127.0.0.1 and fail at once: URLs from a fuzzed reply must neither reach
// the internet nor wait for name lookups.
class LocalOnlyProxyFactory : public QNetworkProxyFactory
{
public:
    explicit LocalOnlyProxyFactory(quint16 allowedPort)
        : m_port(allowedPort)
    {
    }

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        if (query.peerHostName() == QLatin1String("127.0.0.1") && query.peerPort() == m_port)
            return { QNetworkProxy(QNetworkProxy::NoProxy) };
        return { QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 1) };
    }

private:
    quint16 m_port;
};

} // namespace fuzzsupport
