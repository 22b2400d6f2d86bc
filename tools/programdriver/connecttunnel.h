#pragma once

#include <QStringList>
#include <QTcpServer>

// An HTTP proxy that only tunnels (CONNECT) and sends every tunnel to one
// local port, whatever host was asked for: a program whose server and
// probe addresses are compiled in reaches the test's server through it.
// The TLS inside the tunnel is the program's and the server's own.
//
//     ConnectTunnel tunnel;
//     tunnel.start(server.port());
//     ... program with the application proxy 127.0.0.1:tunnel.port()
//     tunnel.hosts();          // "firmware.example.com:443", ...
class ConnectTunnel : public QTcpServer
{
    Q_OBJECT

public:
    explicit ConnectTunnel(QObject *parent = nullptr);

    bool start(quint16 targetPort);
    QString address() const; // "127.0.0.1:<port>"
    // Every host:port a CONNECT asked for, in order.
    QStringList hosts() const;

private:
    void accept();

    quint16 m_target = 0;
    QStringList m_hosts;
};
