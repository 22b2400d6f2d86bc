// lens-fwserver: the local HTTPS firmware server, from the command line.
//
//   lens-fwserver --models DIR [--port 8443] [--address 127.0.0.1]
//                 [--cert server.pem --key server.key]
//                 [--fault ROUTE=FAULT[:VALUE]]...
//
// Prints the origin it serves, then one line per request.

#include "firmwareserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTextStream>

#ifndef LENS_FWSERVER_CERT_DIR
#define LENS_FWSERVER_CERT_DIR ""
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lens-fwserver"));
    // The request lines below say it all.
    QLoggingCategory::setFilterRules(QStringLiteral("lens.fwserver.debug=false"));

    const QString certDir = QStringLiteral(LENS_FWSERVER_CERT_DIR);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Local HTTPS firmware server. Serves the latest-version query, pictures and firmware images of the "
        "models in a folder: one subfolder per model code, holding reply.json (the whole query reply; in "
        "its \"data\", \"img\" and \"dat\" may name files of the subfolder) and those files.\n\n"
        "Routes: any, query, picture, firmware, page. Faults: status, error-page, invalid-json, "
        "non-object-json, code, code-as-string, no-data, truncate, stall, stall-body, delay, drop."));
    parser.addHelpOption();
    QCommandLineOption modelsOption(
        QStringLiteral("models"), QStringLiteral("Folder of models."), QStringLiteral("dir"));
    QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port (0: any free one)."),
        QStringLiteral("port"), QStringLiteral("8443"));
    QCommandLineOption addressOption(QStringLiteral("address"), QStringLiteral("Address to listen on."),
        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    QCommandLineOption certOption(QStringLiteral("cert"),
        QStringLiteral("Server certificate, PEM (default: the build's local one)."), QStringLiteral("file"),
        certDir + QStringLiteral("/server.pem"));
    QCommandLineOption keyOption(QStringLiteral("key"),
        QStringLiteral("Private key, PEM (default: the build's local one)."), QStringLiteral("file"),
        certDir + QStringLiteral("/server.key"));
    QCommandLineOption faultOption(QStringLiteral("fault"),
        QStringLiteral("Misbehave on a route, e.g. firmware=truncate or query=code:503."),
        QStringLiteral("route=fault[:value]"));
    parser.addOptions({ modelsOption, portOption, addressOption, certOption, keyOption, faultOption });
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);

    FirmwareServer server;
    if (!server.setCertificateFiles(parser.value(certOption), parser.value(keyOption))) {
        err << "lens-fwserver: " << server.errorString() << "\n";
        return 1;
    }
    if (parser.isSet(modelsOption) && server.loadModels(parser.value(modelsOption)) < 0) {
        err << "lens-fwserver: " << server.errorString() << "\n";
        return 1;
    }
    for (const QString &text : parser.values(faultOption)) {
        const QString routeText = text.section(QLatin1Char('='), 0, 0);
        const QString faultText = text.section(QLatin1Char('='), 1).section(QLatin1Char(':'), 0, 0);
        const QString valueText = text.section(QLatin1Char('='), 1).section(QLatin1Char(':'), 1);
        FirmwareServer::Route route;
        FirmwareServer::Fault fault;
        bool ok = true;
        const int value = valueText.isEmpty() ? 0 : valueText.toInt(&ok);
        if (!FirmwareServer::parseRoute(routeText, &route) || !FirmwareServer::parseFault(faultText, &fault)
            || !ok) {
            err << "lens-fwserver: bad --fault " << text << "\n";
            return 1;
        }
        server.setFault(route, fault, value);
    }

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    const QHostAddress address(parser.value(addressOption));
    if (!portOk || port > 65535 || address.isNull()) {
        err << "lens-fwserver: bad --port or --address\n";
        return 1;
    }
    if (!server.start(quint16(port), address)) {
        err << "lens-fwserver: " << server.errorString() << "\n";
        return 1;
    }

    out << "Serving " << server.origin() << "/zemtar/pc";
    const QStringList codes = server.modelCodes();
    out << " (" << codes.size() << (codes.size() == 1 ? " model" : " models")
        << (codes.isEmpty() ? QString() : QStringLiteral(": ") + codes.join(QStringLiteral(", "))) << ")\n";
    const QString caPath = QFileInfo(parser.value(certOption)).absolutePath() + QStringLiteral("/ca.pem");
    if (QFileInfo::exists(caPath))
        out << "Clients must trust " << caPath << "\n";
    out.flush();

    QObject::connect(
        &server, &FirmwareServer::requestReceived, [&out](const FirmwareServer::Request &request) {
            out << request.method << ' ' << request.target << " -> "
                << (request.status ? QString::number(request.status) : QStringLiteral("no answer"));
            if (request.fault != FirmwareServer::Fault::None)
                out << " (" << FirmwareServer::faultName(request.fault) << ")";
            out << "\n";
            out.flush();
        });

    return app.exec();
}
