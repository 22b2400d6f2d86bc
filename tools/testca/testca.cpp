#include "testca.h"

#include "tools/fwserver/firmwareserver.h"

#include <QFile>
#include <QSslConfiguration>

namespace {

QByteArray readFile(const QString &name)
{
    QFile file(TestCa::directory() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("test CA: cannot read %s", qPrintable(file.fileName()));
        return {};
    }
    return file.readAll();
}

} // namespace

QString TestCa::directory()
{
    return QStringLiteral(LENS_TESTCA_DIR);
}

QSslCertificate TestCa::caCertificate()
{
    return QSslCertificate(readFile(QStringLiteral("ca.pem")), QSsl::Pem);
}

QSslCertificate TestCa::serverCertificate()
{
    return QSslCertificate(readFile(QStringLiteral("server.pem")), QSsl::Pem);
}

QSslKey TestCa::serverKey()
{
    return QSslKey(readFile(QStringLiteral("server.key")), QSsl::Rsa, QSsl::Pem);
}

void TestCa::trustInProcess()
{
    const QSslCertificate ca = caCertificate();
    if (ca.isNull())
        return;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    QList<QSslCertificate> cas = configuration.caCertificates();
    if (cas.contains(ca))
        return;
    cas.append(ca);
    configuration.setCaCertificates(cas);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

bool TestCa::startServer(FirmwareServer &server, quint16 port)
{
    trustInProcess();
    const QSslCertificate certificate = serverCertificate();
    const QSslKey key = serverKey();
    if (caCertificate().isNull() || certificate.isNull() || key.isNull())
        return false;
    server.setCertificate(certificate, key);
    if (!server.start(port)) {
        qWarning("test server: %s", qPrintable(server.errorString()));
        return false;
    }
    return true;
}
