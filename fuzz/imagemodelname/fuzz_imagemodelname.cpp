// A downloaded firmware image through DeviceFirmwareProcess: a local HTTP
// responder answers the latest-version query with a reply whose nickname is
// one of the two that select the short header field, or an ordinary one,
// and serves the input as the firmware file; firmwareImageModelName() then
// reads the name out of what the client downloaded.
//
// Input: a nickname byte (0: the model code of the short field, 1: the
// same behind its prefix, otherwise an ordinary nickname), then the image.
//
// The client must hold exactly the served bytes, and the name is "error -1"
// for an image of 64 bytes or less and otherwise text of at most the
// field's width, without zero characters.
#include "fuzz/common/fuzzsupport.h"
#include "fuzz/common/rawhttpserver.h"

#include "catalogue/lenscatalogue.h"
#include "net/devicefirmwareprocess.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdint>

namespace {

fuzzsupport::RawHttpServer *g_server = nullptr;
QString g_nickname;
QByteArray g_image;
// One client for the whole run (a new one per input would cost a network
// thread each time); every URL it is given points at the local responder.
DeviceFirmwareProcess *g_client = nullptr;

fuzzsupport::RawResponse respond(const QByteArray &target)
{
    if (target.startsWith("/zemtar/pc/v1/firmware/latest/version/")) {
        QJsonObject data;
        data.insert(QStringLiteral("vendor"), QStringLiteral("Zemtar"));
        data.insert(QStringLiteral("model"), QStringLiteral("Fuzz lens"));
        data.insert(QStringLiteral("nickname"), g_nickname);
        data.insert(QStringLiteral("img"), QString());
        data.insert(QStringLiteral("dat"), g_server->origin() + QStringLiteral("/files/fuzz/firmware.dat"));
        data.insert(QStringLiteral("version"), QStringLiteral("V1.1.0"));
        data.insert(QStringLiteral("content"), QString());
        QJsonObject reply;
        reply.insert(QStringLiteral("code"), 200);
        reply.insert(QStringLiteral("data"), data);
        return { 200, QJsonDocument(reply).toJson(QJsonDocument::Compact) };
    }
    if (target == "/files/fuzz/firmware.dat")
        return { 200, g_image };
    return { 404, QByteArray() };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzsupport::startApplication<QGuiApplication>(argc, argv);
    g_server = new fuzzsupport::RawHttpServer(respond);
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
    const QStringList shortNicknames = LensCatalogue::shortHeaderNicknames();
    const int kind = data[0] % 3;
    g_nickname = kind < shortNicknames.size() ? shortNicknames.at(kind) : QStringLiteral("85MM-FUZZ");
    const bool shortField = shortNicknames.contains(g_nickname);
    g_image = QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1));

    DeviceFirmwareProcess &client = *g_client;
    client.clearDeviceInfo();

    int firmwareOutcome = 0;
    QEventLoop loop; // also the context of this input's connection
    QObject::connect(&client, &DeviceFirmwareProcess::getServerMessage, &loop,
        [&](DeviceFirmwareProcess::GetServerMsg message) {
            if (message == DeviceFirmwareProcess::FirmwareReceived
                || message == DeviceFirmwareProcess::FirmwareEmpty
                || message == DeviceFirmwareProcess::ReplyParseError
                || message == DeviceFirmwareProcess::ReplyRejected) {
                firmwareOutcome = message;
                loop.quit();
            }
        });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    client.requestLatestFirmware(QStringLiteral("fuzz1"), QStringLiteral("sn1"), QStringLiteral("V1.0.0"));
    loop.exec();

    // The harness serves plain http, which the client never downloads from.
    FUZZ_CHECK(firmwareOutcome == DeviceFirmwareProcess::FirmwareEmpty,
        "the firmware download did not end as it should");
    FUZZ_CHECK(client.nickname() == g_nickname, "the nickname was not stored");
    FUZZ_CHECK(client.firmwareData().isEmpty(), "the client kept bytes from a plain http address");

    const QString name = DeviceFirmwareProcess::imageModelName(g_image, g_nickname);
    if (g_image.size() <= 64) {
        FUZZ_CHECK(name == QLatin1String("error -1"), "a short image gave a name");
    } else {
        FUZZ_CHECK(name.size() <= (shortField ? 16 : 32), "the name is wider than its field");
        FUZZ_CHECK(!name.contains(QChar(0)), "the name holds a zero character");
    }
    return 0;
}
