#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

class FirmwareServer;

// The test certificate authority of the build tree and a server certificate
// for 127.0.0.1 / localhost signed by it.
//
//     FirmwareServer server;
//     QVERIFY(TestCa::startServer(server));   // trusts the CA, then listens
//     ... server.origin() is "https://127.0.0.1:<port>"
class TestCa
{
public:
    // Folder holding ca.pem, server.pem and server.key.
    static QString directory();
    static QSslCertificate caCertificate();
    static QSslCertificate serverCertificate();
    static QSslKey serverKey();

    // Adds the test CA to this process's default SSL configuration, so every
    // QNetworkAccessManager request made afterwards trusts it (verification
    // stays on). Idempotent.
    static void trustInProcess();

    // Trusts the CA, gives the server the test certificate and starts it on
    // 127.0.0.1 (port 0: a free one). False when any of it fails.
    static bool startServer(FirmwareServer &server, quint16 port = 0);
};
