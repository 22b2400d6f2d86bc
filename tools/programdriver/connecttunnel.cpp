#include "connecttunnel.h"

#include <QTcpSocket>

ConnectTunnel::ConnectTunnel(QObject *parent)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, &ConnectTunnel::accept);
}

bool ConnectTunnel::start(quint16 targetPort)
{
    m_target = targetPort;
    return listen(QHostAddress::LocalHost, 0);
}

QString ConnectTunnel::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(serverPort());
}

QStringList ConnectTunnel::hosts() const
{
    return m_hosts;
}

void ConnectTunnel::accept()
{
    while (QTcpSocket *client = nextPendingConnection()) {
        auto *upstream = new QTcpSocket(client);
        auto *header = new QByteArray;
        connect(client, &QObject::destroyed, [header] { delete header; });
        auto closeBoth = [client, upstream] {
            client->disconnectFromHost();
            upstream->disconnectFromHost();
        };
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(upstream, &QTcpSocket::disconnected, client, closeBoth);
        connect(client, &QTcpSocket::disconnected, upstream, [upstream] { upstream->disconnectFromHost(); });
        connect(upstream, &QTcpSocket::readyRead, client,
            [client, upstream] { client->write(upstream->readAll()); });
        connect(upstream, &QTcpSocket::connected, client,
            [client] { client->write("HTTP/1.1 200 Connection established\r\n\r\n"); });
        connect(client, &QTcpSocket::readyRead, client, [this, client, upstream, header, closeBoth] {
            if (upstream->state() != QAbstractSocket::UnconnectedState || header->endsWith("\r\n\r\n")) {
                upstream->write(client->readAll());
                return;
            }
            header->append(client->readAll());
            const int end = header->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QList<QByteArray> request = header->left(header->indexOf("\r\n")).split(' ');
            if (request.size() < 2 || request.at(0) != "CONNECT") {
                client->write("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
                closeBoth();
                return;
            }
            m_hosts << QString::fromLatin1(request.at(1));
            const QByteArray early = header->mid(end + 4);
            header->truncate(end + 4);
            upstream->connectToHost(QHostAddress::LocalHost, m_target);
            if (!early.isEmpty()) {
                connect(
                    upstream, &QTcpSocket::connected, client, [upstream, early] { upstream->write(early); });
            }
        });
    }
}
