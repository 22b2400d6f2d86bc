#include "catalogue/lenscatalogue.h"
#include "net/devicefirmwareprocess.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/testca/testca.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using Msg = DeviceFirmwareProcess::GetServerMsg;
using Route = FirmwareServer::Route;
using Fault = FirmwareServer::Fault;

namespace {

const QString kCode = QStringLiteral("12A34");
const QString kOther = QStringLiteral("56B78");

template <typename Condition> bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QByteArray image(const QByteArray &seed, int size)
{
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += seed;
    return bytes.left(size);
}

// Every signal of the client, in the order it came.
struct Recorder
{
    QStringList events;
    QList<int> messages;
    QList<QPair<qint64, qint64>> progress;

    explicit Recorder(DeviceFirmwareProcess &client)
    {
        QObject::connect(&client, &DeviceFirmwareProcess::hasDeviceMessage, [this] { events << "has"; });
        QObject::connect(
            &client, &DeviceFirmwareProcess::devicePictureFinished, [this] { events << "picture"; });
        QObject::connect(
            &client, &DeviceFirmwareProcess::deviceFirmwareFinished, [this] { events << "firmware"; });
        QObject::connect(&client, &DeviceFirmwareProcess::getServerMessage, [this](Msg m) {
            events << QStringLiteral("msg%1").arg(int(m));
            messages << int(m);
        });
        QObject::connect(&client, &DeviceFirmwareProcess::fileDownloadProcess, [this](qint64 r, qint64 t) {
            progress.append({ r, t });
        });
    }
    int count(Msg m) const { return messages.count(int(m)); }
    int downloadOutcomes() const
    {
        return count(Msg::PictureReceived) + count(Msg::PictureEmpty) + count(Msg::FirmwareReceived)
            + count(Msg::FirmwareEmpty);
    }
    int queryOutcomes() const
    {
        return count(Msg::InfoReceived) + count(Msg::ReplyParseError) + count(Msg::ReplyRejected);
    }
};

} // namespace

class tst_DeviceFirmwareProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void queryStoresReplyAndDownloadsBoth();
    void requestUrl_data();
    void requestUrl();
    void failedQueryKeepsStoredFields_data();
    void failedQueryKeepsStoredFields();
    void replyWithoutData();
    void nonStringFieldsReadEmpty();
    void incompleteDownloadOffersNothingOld_data();
    void incompleteDownloadOffersNothingOld();
    void imageModelName_data();
    void imageModelName();
    void latestVersionAndReleaseNotes();
    void clearDeviceInfoKeepsCameraVersion();
    void lateQueryReplyIgnored();
    void earlierDownloadsAbandoned();
    void untrustedServerRejected();

    void probeSilentWhileReachable();
    void probeReportsLossAndReturnOnce();
    void probeErrorPageCountsAsReachable();
    void stalledProbeTimesOut();

    void endpoints();

private:
    std::unique_ptr<DeviceFirmwareProcess> client(
        int probeIntervalMs = 0, int downloadTimeoutMs = 60000, int queryTimeoutMs = 15000);
    // Runs one query to its end: the query outcome and, when it succeeded,
    // both download outcomes.
    bool query(DeviceFirmwareProcess &c, Recorder &r, const QString &model, const QString &sn = "SN1",
        const QString &version = "V1.0.0");

    FirmwareServer m_server;
    QByteArray m_picture;
    QByteArray m_firmware;
};

void tst_DeviceFirmwareProcess::initTestCase()
{
    QVERIFY(TestCa::startServer(m_server));
    QVERIFY(m_server.origin().startsWith("https://127.0.0.1:"));
    m_picture = image("\x89PNG picture ", 3000);
    m_firmware = image("firmware image bytes ", 200000);
}

void tst_DeviceFirmwareProcess::init()
{
    m_server.stop();
    QVERIFY(m_server.start());
    m_server.clearFaults();
    m_server.clearModels();
    m_server.clearRequestLog();
    FirmwareServer::Model model;
    model.code = kCode;
    model.vendor = "Zemtar";
    model.modelName = "AF 85mm F1.8";
    model.nickname = "AF85";
    model.version = "V1.2.0";
    model.cameraVersion = "C2.0";
    model.content = "<p>Faster focus</p>";
    model.picture = m_picture;
    model.firmware = m_firmware;
    m_server.addModel(model);
    DeviceFirmwareProcess::resetReachability();
}

std::unique_ptr<DeviceFirmwareProcess> tst_DeviceFirmwareProcess::client(
    int probeIntervalMs, int downloadTimeoutMs, int queryTimeoutMs)
{
    DeviceFirmwareProcess::Endpoints e;
    e.origin = m_server.origin();
    e.probeUrl = m_server.homePageUrl();
    e.probeIntervalMs = probeIntervalMs;
    e.queryTimeoutMs = queryTimeoutMs;
    e.downloadTimeoutMs = downloadTimeoutMs;
    return std::make_unique<DeviceFirmwareProcess>(e);
}

bool tst_DeviceFirmwareProcess::query(
    DeviceFirmwareProcess &c, Recorder &r, const QString &model, const QString &sn, const QString &version)
{
    const int queries = r.queryOutcomes();
    const int infos = r.count(Msg::InfoReceived);
    const int downloads = r.downloadOutcomes();
    c.requestLatestFirmware(model, sn, version);
    if (!waitFor([&] { return r.queryOutcomes() > queries; }, 20000)) {
        qWarning("no query outcome");
        return false;
    }
    if (r.count(Msg::InfoReceived) > infos
        && !waitFor([&] { return r.downloadOutcomes() >= downloads + 2; }, 20000)) {
        qWarning("no download outcomes");
        return false;
    }
    return true;
}

void tst_DeviceFirmwareProcess::queryStoresReplyAndDownloadsBoth()
{
    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode.toLower()));

    QCOMPARE(
        r.events.mid(0, 2), (QStringList { "has", QStringLiteral("msg%1").arg(int(Msg::InfoReceived)) }));
    QCOMPARE(r.count(Msg::PictureReceived), 1);
    QCOMPARE(r.count(Msg::FirmwareReceived), 1);
    QCOMPARE(r.events.count("picture"), 1);
    QCOMPARE(r.events.count("firmware"), 1);
    // Each *Finished signal comes just before its Received outcome.
    QCOMPARE(
        r.events.at(r.events.indexOf("picture") + 1), QStringLiteral("msg%1").arg(int(Msg::PictureReceived)));
    QCOMPARE(r.events.at(r.events.indexOf("firmware") + 1),
        QStringLiteral("msg%1").arg(int(Msg::FirmwareReceived)));

    QCOMPARE(c->vendor(), QStringLiteral("Zemtar"));
    QCOMPARE(c->model(), QStringLiteral("AF 85mm F1.8"));
    QCOMPARE(c->nickname(), QStringLiteral("AF85"));
    QCOMPARE(c->latestVersion(), QStringLiteral("v1.2.0"));
    QCOMPARE(c->cameraVersion(), QStringLiteral("C2.0"));
    QCOMPARE(c->pictureUrl(), m_server.pictureUrl(kCode));
    QCOMPARE(c->firmwareUrl(), m_server.firmwareUrl(kCode));
    QCOMPARE(c->pictureData(), m_picture);
    QCOMPARE(c->firmwareData(), m_firmware);

    QVERIFY(!r.progress.isEmpty());
    QCOMPARE(r.progress.last(), qMakePair(qint64(m_firmware.size()), qint64(m_firmware.size())));

    QCOMPARE(m_server.requests(Route::Query).size(), 1);
    QCOMPARE(m_server.requests(Route::Picture).size(), 1);
    QCOMPARE(m_server.requests(Route::Firmware).size(), 1);
}

void tst_DeviceFirmwareProcess::requestUrl_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QByteArray>("target");

    const QByteArray path = "/zemtar/pc/v1/firmware/latest/version/";
    QTest::newRow("ordinary values as they are, model and serial upper case")
        << "12a34"
        << "ab12cd0001"
        << "V1.0.3t" << path + "12A34?sn=AB12CD0001&ver=V1.0.3t";
    QTest::newRow("ampersand and hash") << "12A34"
                                        << "a&b=c"
                                        << "1#2" << path + "12A34?sn=A%26B%3DC&ver=1%232";
    QTest::newRow("slash, blank, question mark") << "12/a 3?"
                                                 << "s n"
                                                 << "v 1/2" << path + "12%2FA%203%3F?sn=S%20N&ver=v%201%2F2";
    QTest::newRow("percent and plus") << "12A34"
                                      << "50%+"
                                      << "1+1" << path + "12A34?sn=50%25%2B&ver=1%2B1";
    QTest::newRow("non-ASCII") << "é"
                               << "ü"
                               << "ß" << path + "%C3%89?sn=%C3%9C&ver=%C3%9F";
    QTest::newRow("empty values") << ""
                                  << ""
                                  << "" << path + "?sn=&ver=";
    QTest::newRow("U-disk serial") << "12a34"
                                   << "12a340000000"
                                   << "V2.0.0" << path + "12A34?sn=12A340000000&ver=V2.0.0";
}

void tst_DeviceFirmwareProcess::requestUrl()
{
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(QString, version);
    QFETCH(QByteArray, target);

    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, model, serial, version));
    const QList<FirmwareServer::Request> queries = m_server.requests(Route::Query);
    QCOMPARE(queries.size(), 1);
    QCOMPARE(queries.first().target, target);
    // The server reads back exactly what the lens reported.
    QCOMPARE(queries.first().modelCode, model.toUpper());
    QCOMPARE(queries.first().query.queryItemValue("sn", QUrl::FullyDecoded), serial.toUpper());
    QCOMPARE(queries.first().query.queryItemValue("ver", QUrl::FullyDecoded), version);
}

void tst_DeviceFirmwareProcess::failedQueryKeepsStoredFields_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("outcome");

    QTest::newRow("invalid JSON") << kCode << int(Fault::InvalidJson) << 0 << int(Msg::ReplyParseError);
    QTest::newRow("JSON array") << kCode << int(Fault::NonObjectJson) << 0 << int(Msg::ReplyRejected);
    QTest::newRow("code 500") << kCode << int(Fault::CodeNot200) << 500 << int(Msg::ReplyRejected);
    QTest::newRow("code 201") << kCode << int(Fault::CodeNot200) << 201 << int(Msg::ReplyRejected);
    QTest::newRow("code as string \"200\"")
        << kCode << int(Fault::CodeAsString) << 0 << int(Msg::ReplyRejected);
    QTest::newRow("HTML error page") << kCode << int(Fault::ErrorPage) << 502 << int(Msg::ReplyParseError);
    QTest::newRow("connection dropped") << kCode << int(Fault::Drop) << 0 << int(Msg::ReplyParseError);
    QTest::newRow("body cut off") << kCode << int(Fault::Truncate) << 0 << int(Msg::ReplyParseError);
    QTest::newRow("unknown model, JSON 404") << "99Z99" << int(Fault::None) << 0 << int(Msg::ReplyRejected);
}

void tst_DeviceFirmwareProcess::failedQueryKeepsStoredFields()
{
    QFETCH(QString, model);
    QFETCH(int, fault);
    QFETCH(int, value);
    QFETCH(int, outcome);

    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode));
    QCOMPARE(r.count(Msg::InfoReceived), 1);
    r.events.clear();
    r.messages.clear();

    m_server.setFault(Route::Query, Fault(fault), value);
    m_server.clearRequestLog();
    QVERIFY(query(*c, r, model));
    QCOMPARE(r.messages, QList<int> { outcome });
    QVERIFY(!r.events.contains("has"));
    // (The toolkit itself sends again once when a connection closes unanswered.)
    QVERIFY(!m_server.requests(Route::Query).isEmpty());
    QCOMPARE(m_server.requests(Route::Picture).size() + m_server.requests(Route::Firmware).size(), 0);

    QCOMPARE(c->model(), QStringLiteral("AF 85mm F1.8"));
    QCOMPARE(c->latestVersion(), QStringLiteral("v1.2.0"));
    QCOMPARE(c->firmwareData(), m_firmware);
    QCOMPARE(c->pictureData(), m_picture);
}

void tst_DeviceFirmwareProcess::replyWithoutData()
{
    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode));
    r.events.clear();
    r.messages.clear();
    m_server.clearRequestLog();

    m_server.setFault(Route::Query, Fault::NoData);
    QVERIFY(query(*c, r, kCode));
    QCOMPARE(
        r.events.mid(0, 2), (QStringList { "has", QStringLiteral("msg%1").arg(int(Msg::InfoReceived)) }));
    QCOMPARE(r.count(Msg::PictureEmpty), 1);
    QCOMPARE(r.count(Msg::FirmwareEmpty), 1);
    QCOMPARE(r.messages.size(), 3);
    QVERIFY(!r.events.contains("picture"));
    QVERIFY(!r.events.contains("firmware"));
    // Downloads of empty URLs never reach a server.
    QCOMPARE(m_server.requestLog().size(), 1);

    for (const QString &field : { c->vendor(), c->model(), c->nickname(), c->pictureUrl(), c->firmwareUrl(),
             c->latestVersion(), c->cameraVersion(), c->releaseNotes() })
        QVERIFY(field.isEmpty());
    // The bytes of the earlier reply went with it.
    QVERIFY(c->pictureData().isEmpty());
    QVERIFY(c->firmwareData().isEmpty());
}

void tst_DeviceFirmwareProcess::nonStringFieldsReadEmpty()
{
    m_server.setQueryReply(kCode,
        R"({"code":200.0,"data":{"vendor":7,"model":null,"nickname":"AF85","version":["V1"],)"
        R"("camera_version":{"a":1},"content":true,"img":"","dat":""}})");
    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode));
    QCOMPARE(r.count(Msg::InfoReceived), 1);
    QCOMPARE(c->nickname(), QStringLiteral("AF85"));
    for (const QString &field :
        { c->vendor(), c->model(), c->latestVersion(), c->cameraVersion(), c->releaseNotes() })
        QVERIFY(field.isEmpty());
}

void tst_DeviceFirmwareProcess::incompleteDownloadOffersNothingOld_data()
{
    QTest::addColumn<int>("route");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("limit"); // bytes a download may have; 0: as built

    for (const Route route : { Route::Picture, Route::Firmware }) {
        const QByteArray name = route == Route::Picture ? "picture" : "firmware";
        QTest::newRow((name + ": body cut off").constData()) << int(route) << int(Fault::Truncate) << 0 << 0;
        QTest::newRow((name + ": only one byte of it").constData())
            << int(route) << int(Fault::Truncate) << 1 << 0;
        QTest::newRow((name + ": HTML error page").constData())
            << int(route) << int(Fault::ErrorPage) << 500 << 0;
        QTest::newRow((name + ": the body under 404").constData())
            << int(route) << int(Fault::Status) << 404 << 0;
        QTest::newRow((name + ": the body under 302").constData())
            << int(route) << int(Fault::Status) << 302 << 0;
        QTest::newRow((name + ": stalls before answering").constData())
            << int(route) << int(Fault::Stall) << 0 << 0;
        QTest::newRow((name + ": stalls half-way").constData())
            << int(route) << int(Fault::StallBody) << 0 << 0;
        QTest::newRow((name + ": connection dropped").constData())
            << int(route) << int(Fault::Drop) << 0 << 0;
        const int limit = route == Route::Picture ? 3200 : 220000;
        QTest::newRow((name + ": announced beyond the limit").constData())
            << int(route) << int(Fault::None) << 0 << limit;
        QTest::newRow((name + ": endless body").constData())
            << int(route) << int(Fault::Endless) << 0 << limit;
    }
    // Both addresses off https: neither is fetched.
    QTest::newRow("plain http addresses") << int(Route::Query) << int(Fault::PlainHttpLinks) << 0 << 0;
}

void tst_DeviceFirmwareProcess::incompleteDownloadOffersNothingOld()
{
    QFETCH(int, route);
    QFETCH(int, fault);
    QFETCH(int, value);
    QFETCH(int, limit);

    DeviceFirmwareProcess::Endpoints e;
    e.origin = m_server.origin();
    e.probeUrl = m_server.homePageUrl();
    e.probeIntervalMs = 0;
    e.downloadTimeoutMs = 1500;
    if (limit > 0)
        (Route(route) == Route::Picture ? e.maxPictureBytes : e.maxFirmwareBytes) = limit;
    auto c = std::make_unique<DeviceFirmwareProcess>(e);
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode));
    QCOMPARE(c->firmwareData(), m_firmware);

    // A little larger than the old ones, so that a limit between the two
    // catches only the new.
    const QByteArray newPicture = image("new picture ", 3500);
    const QByteArray newFirmware = image("new firmware ", 250000);
    m_server.addModel(kCode, "V1.3.0", "<p>n</p>", "AF85", "AF 85mm F1.8", newPicture, newFirmware);
    m_server.setFault(Route(route), Fault(fault), value);
    r.events.clear();
    r.messages.clear();
    QVERIFY(query(*c, r, kCode));

    if (Route(route) == Route::Query) {
        QCOMPARE(r.count(Msg::InfoReceived), 1);
        QCOMPARE(r.count(Msg::PictureEmpty), 1);
        QCOMPARE(r.count(Msg::FirmwareEmpty), 1);
        QVERIFY(c->pictureData().isEmpty() && c->firmwareData().isEmpty());
        QCOMPARE(m_server.requests(Route::Picture).size() + m_server.requests(Route::Firmware).size(), 2);
        return;
    }
    const bool picture = Route(route) == Route::Picture;
    QCOMPARE(r.count(Msg::InfoReceived), 1);
    QCOMPARE(r.count(picture ? Msg::PictureEmpty : Msg::FirmwareEmpty), 1);
    QCOMPARE(r.count(picture ? Msg::PictureReceived : Msg::FirmwareReceived), 0);
    QVERIFY(!r.events.contains(picture ? "picture" : "firmware"));
    // The old bytes belong to the old reply: offering them under the new
    // version would flash what the user was not shown.
    QVERIFY((picture ? c->pictureData() : c->firmwareData()).isEmpty());
    // The other download runs beside the faulty one; on a loaded machine the
    // client may lose it to the closed connection as well. Either way it must
    // be all new bytes or none, never a mix.
    const bool otherArrived = r.count(picture ? Msg::FirmwareReceived : Msg::PictureReceived) == 1;
    if (!otherArrived)
        QCOMPARE(r.count(picture ? Msg::FirmwareEmpty : Msg::PictureEmpty), 1);
    QCOMPARE(picture ? c->firmwareData() : c->pictureData(),
        otherArrived ? (picture ? newFirmware : newPicture) : QByteArray());
}

void tst_DeviceFirmwareProcess::imageModelName_data()
{
    QTest::addColumn<QString>("nickname");
    QTest::addColumn<QByteArray>("firmware");
    QTest::addColumn<QString>("name");

    const QStringList special = LensCatalogue::shortHeaderNicknames();
    QCOMPARE(special.size(), 2);
    QVERIFY(special.at(1).endsWith(special.at(0)));

    // Short field at 16..31, long field at 32..63.
    auto header = [](const QByteArray &shortField, const QByteArray &longField, int size) {
        QByteArray bytes(qMax(size, 64), '\xA5');
        bytes.replace(16, 16, shortField.leftJustified(16, '\0', true));
        bytes.replace(32, 32, longField.leftJustified(32, '\0', true));
        return bytes.left(size);
    };
    const QByteArray longName = "AF 85mm F1.8 Z";

    QTest::newRow("64 bytes") << "AF85" << header("SHORT", longName, 64) << "error -1";
    QTest::newRow("nothing") << "AF85" << QByteArray() << "error -1";
    QTest::newRow("65 bytes") << "AF85" << header("SHORT", longName, 65) << QString::fromLatin1(longName);
    QTest::newRow("special code") << special.at(0) << header("SHORT", longName, 4096) << "SHORT";
    QTest::newRow("special code with prefix") << special.at(1) << header("SHORT", longName, 4096) << "SHORT";
    QTest::newRow("special code, other case")
        << special.at(0).toLower() << header("SHORT", longName, 4096) << QString::fromLatin1(longName);
    QTest::newRow("special code inside a longer nickname")
        << special.at(0) + "X" << header("SHORT", longName, 4096) << QString::fromLatin1(longName);
    QTest::newRow("blanks around") << "AF85" << header("", ("  " + longName).leftJustified(32, ' '), 4096)
                                   << QString::fromLatin1(longName);
    QTest::newRow("zero byte ends the name")
        << "AF85" << header("", QByteArray("AF 85") + '\0' + "garbage", 4096) << "AF 85";
    QTest::newRow("full 32 bytes, no terminator")
        << "AF85" << header("", QByteArray(32, 'N'), 4096) << QString(32, 'N');
    QTest::newRow("UTF-8") << "AF85" << header("", "镜头 85", 4096) << QString::fromUtf8("镜头 85");
}

void tst_DeviceFirmwareProcess::imageModelName()
{
    QFETCH(QString, nickname);
    QFETCH(QByteArray, firmware);
    QFETCH(QString, name);

    m_server.addModel(kCode, "V1.2.0", "", nickname, "AF 85mm F1.8", m_picture, firmware);
    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode));
    QCOMPARE(c->nickname(), nickname);
    QCOMPARE(c->firmwareData(), firmware);
    QCOMPARE(c->firmwareImageModelName(), name);
}

void tst_DeviceFirmwareProcess::latestVersionAndReleaseNotes()
{
    m_server.addModel(kCode, "V1.2.0-RC1T", "<h3>V1.2.0</h3><p>Faster <b>focus</b>.</p><ul><li>One</li></ul>",
        "AF85", "AF 85mm F1.8", m_picture, m_firmware);
    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode));
    QCOMPARE(c->latestVersion(), QStringLiteral("v1.2.0-rc1t"));
    QCOMPARE(c->latestVersion(), QStringLiteral("v1.2.0-rc1t"));

    const QString notes = c->releaseNotes();
    QVERIFY2(!notes.contains('<'), qPrintable(notes));
    QVERIFY(notes.contains("Faster focus."));
    QVERIFY(notes.contains("One"));
    QVERIFY(notes.contains('\n'));
}

void tst_DeviceFirmwareProcess::clearDeviceInfoKeepsCameraVersion()
{
    auto c = client();
    Recorder r(*c);
    QVERIFY(query(*c, r, kCode));
    c->clearDeviceInfo();
    for (const QString &field : { c->vendor(), c->model(), c->nickname(), c->pictureUrl(), c->firmwareUrl(),
             c->latestVersion(), c->releaseNotes() })
        QVERIFY(field.isEmpty());
    QVERIFY(c->pictureData().isEmpty());
    QVERIFY(c->firmwareData().isEmpty());
    QCOMPARE(c->firmwareImageModelName(), QStringLiteral("error -1"));
    QCOMPARE(c->cameraVersion(), QStringLiteral("C2.0"));
}

void tst_DeviceFirmwareProcess::lateQueryReplyIgnored()
{
    const QByteArray otherPicture = image("other picture ", 1000);
    const QByteArray otherFirmware = image("other firmware ", 5000);
    m_server.addModel(kOther, "V9.0.0", "<p>other</p>", "OTHER", "Other lens", otherPicture, otherFirmware);

    auto c = client();
    Recorder r(*c);
    m_server.setFault(Route::Query, Fault::Delay, 1200, 1);
    c->requestLatestFirmware(kCode, "SN1", "V1.0.0");
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(Route::Query).size(), 1, 10000);
    QVERIFY(query(*c, r, kOther));
    QCOMPARE(m_server.requests(Route::Query).size(), 2);

    // Give the first reply time to come in late.
    QTest::qWait(2500);
    QCOMPARE(r.count(Msg::InfoReceived), 1);
    QCOMPARE(r.queryOutcomes(), 1);
    QCOMPARE(r.downloadOutcomes(), 2);
    QCOMPARE(r.events.count("has"), 1);
    QCOMPARE(c->model(), QStringLiteral("Other lens"));
    QCOMPARE(c->latestVersion(), QStringLiteral("v9.0.0"));
    QCOMPARE(c->firmwareData(), otherFirmware);
    QCOMPARE(c->pictureData(), otherPicture);
    for (const Route route : { Route::Picture, Route::Firmware }) {
        const QList<FirmwareServer::Request> downloads = m_server.requests(route);
        QCOMPARE(downloads.size(), 1);
        QCOMPARE(downloads.first().modelCode, kOther);
    }
}

void tst_DeviceFirmwareProcess::earlierDownloadsAbandoned()
{
    const QByteArray otherFirmware = image("other firmware ", 5000);
    m_server.addModel(kOther, "V9.0.0", "", "OTHER", "Other lens", m_picture, otherFirmware);

    auto c = client();
    Recorder r(*c);
    // The first firmware download hangs half-way; the next query supersedes it.
    m_server.setFault(Route::Firmware, Fault::StallBody, 0, 1);
    c->requestLatestFirmware(kCode, "SN1", "V1.0.0");
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(Route::Firmware).size(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(r.count(Msg::PictureReceived), 1, 10000);

    QVERIFY(query(*c, r, kOther));
    QTest::qWait(500);
    QCOMPARE(r.count(Msg::InfoReceived), 2);
    QCOMPARE(r.count(Msg::FirmwareReceived), 1);
    QCOMPARE(r.count(Msg::FirmwareEmpty), 0);
    QCOMPARE(c->firmwareData(), otherFirmware);
}

void tst_DeviceFirmwareProcess::untrustedServerRejected()
{
    // The certificate names 127.0.0.1 and localhost, not 127.0.0.2.
    FirmwareServer other;
    other.setCertificate(TestCa::serverCertificate(), TestCa::serverKey());
    if (!other.start(0, QHostAddress("127.0.0.2")))
        QSKIP("127.0.0.2 is not available");
    other.addModel(kCode, "V1.2.0", "", "AF85", "AF 85mm F1.8", m_picture, m_firmware);

    DeviceFirmwareProcess::Endpoints e;
    e.origin = other.origin();
    e.probeIntervalMs = 0;
    DeviceFirmwareProcess c(e);
    Recorder r(c);
    QVERIFY(query(c, r, kCode));
    QCOMPARE(r.messages, QList<int> { int(Msg::ReplyParseError) });
    QVERIFY(c.model().isEmpty());
    QVERIFY(other.requestLog().isEmpty());
}

void tst_DeviceFirmwareProcess::probeSilentWhileReachable()
{
    auto c = client(100);
    QSignalSpy status(c.get(), &DeviceFirmwareProcess::networkConnectStatus);
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requests(Route::Page).size() >= 4, 20000);
    QTest::qWait(300);
    QCOMPARE(status.count(), 0);
    QVERIFY(DeviceFirmwareProcess::lastReportedReachability());
}

void tst_DeviceFirmwareProcess::probeReportsLossAndReturnOnce()
{
    auto c = client(100);
    QSignalSpy status(c.get(), &DeviceFirmwareProcess::networkConnectStatus);
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requests(Route::Page).size() >= 2, 20000);

    m_server.stop();
    QVERIFY(status.wait(20000));
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toBool(), false);
    QVERIFY(!DeviceFirmwareProcess::lastReportedReachability());
    QTest::qWait(1000); // several more refused probes
    QCOMPARE(status.count(), 1);

    m_server.clearRequestLog();
    QVERIFY(m_server.start());
    QVERIFY(status.wait(20000));
    QCOMPARE(status.count(), 2);
    QCOMPARE(status.at(1).at(0).toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requests(Route::Page).size() >= 4, 20000);
    QTest::qWait(300);
    QCOMPARE(status.count(), 2);
    QVERIFY(DeviceFirmwareProcess::lastReportedReachability());
}

void tst_DeviceFirmwareProcess::probeErrorPageCountsAsReachable()
{
    // Unreachable at start-up: the first finished probe says so.
    m_server.stop();
    auto c = client(100);
    QSignalSpy status(c.get(), &DeviceFirmwareProcess::networkConnectStatus);
    QVERIFY(status.wait(20000));
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toBool(), false);

    m_server.setFault(Route::Page, Fault::ErrorPage, 503);
    QVERIFY(m_server.start());
    QVERIFY(status.wait(20000));
    QCOMPARE(status.count(), 2);
    QCOMPARE(status.at(1).at(0).toBool(), true);
    QVERIFY(!m_server.requests(Route::Page).isEmpty());
    QCOMPARE(m_server.requests(Route::Page).first().status, 503);
}

void tst_DeviceFirmwareProcess::stalledProbeTimesOut()
{
    m_server.setFault(Route::Page, Fault::Stall);
    auto c = client(200, 60000, 700);
    QSignalSpy status(c.get(), &DeviceFirmwareProcess::networkConnectStatus);
    QVERIFY(status.wait(20000));
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toBool(), false);

    m_server.clearFaults();
    QVERIFY(status.wait(20000));
    QCOMPARE(status.at(1).at(0).toBool(), true);
}

void tst_DeviceFirmwareProcess::endpoints()
{
    const DeviceFirmwareProcess::Endpoints builtIn = DeviceFirmwareProcess::builtInEndpoints();
    QVERIFY(builtIn.origin.startsWith("https://"));
    QCOMPARE(builtIn.probeUrl.scheme(), QStringLiteral("https"));
    QCOMPARE(builtIn.probeIntervalMs, 8000);

    {
        DeviceFirmwareProcess plain;
        QCOMPARE(plain.baseUrl(), builtIn.origin + "/zemtar/pc");
        QCOMPARE(plain.endpoints().probeUrl, builtIn.probeUrl);
    }
}

QTEST_MAIN(tst_DeviceFirmwareProcess)
#include "tst_devicefirmwareprocess.moc"
