#include "demosetup.h"

#include "demoautopilot.h"
#include "net/devicefirmwareprocess.h"
#include "sockethidapi.h"

#include <QCoreApplication>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTextStream>
#include <QUrl>

#ifndef LENS_DEMO_PORT
#error "The demo build names its server port (LENS_DEMO_PORT)"
#endif

QString DemoSetup::serverOrigin()
{
    return QStringLiteral("https://127.0.0.1:%1").arg(LENS_DEMO_PORT);
}

QString DemoSetup::simulatorName()
{
    return QStringLiteral(LENS_DEMO_SOCKET);
}

QString DemoSetup::caFile()
{
    return QStringLiteral(LENS_DEMO_CA_FILE);
}

DeviceFirmwareProcess::Endpoints DemoSetup::firmwareEndpoints()
{
    DeviceFirmwareProcess::Endpoints endpoints = DeviceFirmwareProcess::builtInEndpoints();
    endpoints.origin = serverOrigin();
    endpoints.probeUrl = QUrl(serverOrigin() + QLatin1Char('/'));
    return endpoints;
}

bool DemoSetup::prepare()
{
    QTextStream err(stderr);
    const QList<QSslCertificate> ca = QSslCertificate::fromPath(caFile());
    if (ca.isEmpty()) {
        err << "lens-updater-demo: the demo CA " << caFile() << " is missing; build the demo first "
            << "(scripts/run.sh does).\n";
        return false;
    }
    // Added to what the system trusts, for this process only.
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.addCaCertificates(ca);
    QSslConfiguration::setDefaultConfiguration(ssl);

    SocketHidapi::setServerName(simulatorName());

    err << "lens-updater-demo: firmware server " << serverOrigin() << ", lens simulator \"" << simulatorName()
        << "\"\n";
    if (!SocketHidapi::serverReachable())
        err << "lens-updater-demo: lens-sim is not running (yet); the lens appears once it is.\n";
    err.flush();

    if (qgetenv("LENS_DEMO_AUTOPILOT") == "1")
        (new DemoAutopilot(QCoreApplication::instance()))->start();
    return true;
}
