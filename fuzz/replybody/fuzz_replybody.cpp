// The server's reply to the latest-version query, through the real reply
// handler of DeviceFirmwareProcess: the client asks a local HTTP responder,
// which answers with the input as the body, byte for byte.
//
// Input: a status byte (200, 404, 500 or 302 as HTTP status), then the body.
//
// Each query ends in exactly one of InfoReceived, ReplyParseError and
// ReplyRejected, InfoReceived only after hasDeviceMessage; the stored fields
// only change on InfoReceived.
//
// One client serves the whole run (a new one per input would cost a network
// thread each time). The downloads a reply starts go to URLs out of the
// input; they are deleted as soon as the query's outcome is known, before
// the event loop could deliver anything of them.
#include "fuzz/common/fuzzsupport.h"
#include "fuzz/common/guisupport.h"
#include "fuzz/common/rawhttpserver.h"

#include "net/devicefirmwareprocess.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <cstdint>

namespace {

fuzzsupport::RawHttpServer *g_server = nullptr;
fuzzsupport::RawResponse g_response;
DeviceFirmwareProcess *g_client = nullptr;

QStringList storedFields(DeviceFirmwareProcess *client)
{
    return { client->vendor(), client->model(), client->nickname(), client->pictureUrl(),
        client->firmwareUrl(), client->latestVersion(), client->cameraVersion() };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzsupport::startApplication<QGuiApplication>(argc, argv);
    fuzzsupport::warmUpTextDocument();
    g_server = new fuzzsupport::RawHttpServer([](const QByteArray &) { return g_response; });
    if (!g_server->start()) {
        std::fprintf(stderr, "the local responder cannot listen\n");
        std::abort();
    }
    QNetworkProxyFactory::setApplicationProxyFactory(
        new fuzzsupport::LocalOnlyProxyFactory(g_server->port()));

    DeviceFirmwareProcess::Endpoints endpoints;
    endpoints.origin = g_server->origin();
    endpoints.probeIntervalMs = 0;
    g_client = new DeviceFirmwareProcess(endpoints);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const int statuses[] = { 200, 404, 500, 302 };
    g_response.status = statuses[data[0] % 4];
    g_response.body = QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1));

    DeviceFirmwareProcess *client = g_client;
    const QStringList before = storedFields(client);
    int outcomes = 0;
    int outcome = 0;
    bool announced = false;
    QEventLoop loop; // also the context of this input's connections
    QObject::connect(client, &DeviceFirmwareProcess::hasDeviceMessage, &loop, [&] {
        FUZZ_CHECK(outcomes == 0, "hasDeviceMessage after the query's outcome");
        announced = true;
    });
    QObject::connect(client, &DeviceFirmwareProcess::getServerMessage, &loop,
        [&](DeviceFirmwareProcess::GetServerMsg message) {
            if (message != DeviceFirmwareProcess::InfoReceived
                && message != DeviceFirmwareProcess::ReplyParseError
                && message != DeviceFirmwareProcess::ReplyRejected)
                return; // a download's outcome
            ++outcomes;
            outcome = message;
            loop.quit();
        });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    client->requestLatestFirmware(QStringLiteral("fuzz1"), QStringLiteral("sn1"), QStringLiteral("V1.0.0"));
    loop.exec();
    for (QNetworkAccessManager *manager : client->findChildren<QNetworkAccessManager *>())
        qDeleteAll(manager->findChildren<QNetworkReply *>());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    FUZZ_CHECK(outcomes == 1, "the query ended without an outcome (or with several)");
    FUZZ_CHECK(announced == (outcome == DeviceFirmwareProcess::InfoReceived),
        "hasDeviceMessage and InfoReceived disagree");
    if (outcome != DeviceFirmwareProcess::InfoReceived) {
        FUZZ_CHECK(storedFields(client) == before, "a rejected reply changed the stored fields");
    }
    client->releaseNotes();
    client->firmwareImageModelName();
    return 0;
}
