#include "tools/fwserver/firmwareserver.h"
#include "tools/testca/testca.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using Route = FirmwareServer::Route;
using Fault = FirmwareServer::Fault;

namespace {

struct Response
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

Response fetch(QNetworkAccessManager &manager, const QUrl &url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(10000);
    QNetworkReply *reply = manager.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(15000);
    Response response;
    response.error = reply->error();
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.body = reply->readAll();
    reply->deleteLater();
    return response;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_FirmwareServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void servesFolderOfModels();
    void faultsFollowRouteAndCount();
    void logsEachRequest();
    void stopRefusesAndStartKeepsPort();
    void standaloneServer();

private:
    QUrl queryUrl(const QString &code) const;

    FirmwareServer m_server;
    QNetworkAccessManager m_manager;
    QTemporaryDir m_models;
};

QUrl tst_FirmwareServer::queryUrl(const QString &code) const
{
    return QUrl(m_server.origin() + "/zemtar/pc/v1/firmware/latest/version/" + code + "?sn=X1&ver=V1");
}

void tst_FirmwareServer::initTestCase()
{
    QVERIFY(TestCa::startServer(m_server));
    QVERIFY(m_models.isValid());
    const QString dir = m_models.path();
    QVERIFY(QDir(dir).mkpath("12A34"));
    QVERIFY(QDir(dir).mkpath("ABS01"));
    QVERIFY(QDir(dir).mkpath("BAD01"));
    QVERIFY(QDir(dir).mkpath("empty-folder"));
    const QByteArray reply
        = R"({"code":200,"data":{"vendor":"Zemtar","model":"AF 85mm","nickname":"AF85",)"
          R"("img":"lens.png","dat":"UPD12A34V120.DAT","version":"V1.2.0","content":"x"}})";
    const QByteArray absolute = R"({"code":200,"data":{"img":"https://example.invalid/p.png","dat":""}})";
    QVERIFY(writeFile(dir + "/12A34/reply.json", reply));
    QVERIFY(writeFile(dir + "/12A34/lens.png", "PNG bytes"));
    QVERIFY(writeFile(dir + "/12A34/UPD12A34V120.DAT", QByteArray(5000, 'F')));
    QVERIFY(writeFile(dir + "/ABS01/reply.json", absolute));
    QVERIFY(writeFile(dir + "/BAD01/reply.json", "not json at all"));
}

void tst_FirmwareServer::init()
{
    m_server.clearModels();
    m_server.clearFaults();
    m_server.clearRequestLog();
    QCOMPARE(m_server.loadModels(m_models.path()), 3);
}

void tst_FirmwareServer::servesFolderOfModels()
{
    QCOMPARE(m_server.modelCodes(), (QStringList { "12A34", "ABS01", "BAD01" }));
    QCOMPARE(m_server.loadModels(m_models.path() + "/missing"), -1);

    Response r = fetch(m_manager, queryUrl("12A34"));
    QCOMPARE(r.status, 200);
    const QJsonObject data = r.json().value("data").toObject();
    QCOMPARE(data.value("model").toString(), QStringLiteral("AF 85mm"));
    QCOMPARE(data.value("img").toString(), m_server.origin() + "/files/12A34/lens.png");
    QCOMPARE(data.value("dat").toString(), m_server.firmwareUrl("12A34"));
    QCOMPARE(fetch(m_manager, QUrl(data.value("img").toString())).body, QByteArray("PNG bytes"));
    QCOMPARE(fetch(m_manager, QUrl(data.value("dat").toString())).body, QByteArray(5000, 'F'));

    // Absolute URLs stay as they are; a broken reply is served as it stands.
    QCOMPARE(fetch(m_manager, queryUrl("ABS01")).json().value("data").toObject().value("img").toString(),
        QStringLiteral("https://example.invalid/p.png"));
    QCOMPARE(fetch(m_manager, queryUrl("BAD01")).body, QByteArray("not json at all"));

    r = fetch(m_manager, queryUrl("NOPE1"));
    QCOMPARE(r.status, 404);
    QCOMPARE(r.json().value("code").toInt(), 404);
    QCOMPARE(fetch(m_manager, QUrl(m_server.origin() + "/files/12A34/nothing.dat")).status, 404);
    QCOMPARE(fetch(m_manager, m_server.homePageUrl()).status, 200);

    // In-memory models sit beside the loaded ones.
    m_server.addModel("99Z99", "V2", "", "N", "Mem lens", "pic", "fw");
    QCOMPARE(fetch(m_manager, queryUrl("99Z99")).json().value("data").toObject().value("version").toString(),
        QStringLiteral("V2"));
    QCOMPARE(fetch(m_manager, QUrl(m_server.pictureUrl("99Z99"))).body, QByteArray("pic"));
}

void tst_FirmwareServer::faultsFollowRouteAndCount()
{
    m_server.setFault(Route::Query, Fault::CodeNot200, 503, 2);
    m_server.setFault(Route::Any, Fault::Status, 418);
    QCOMPARE(fetch(m_manager, queryUrl("12A34")).json().value("code").toInt(), 503);
    QCOMPARE(fetch(m_manager, queryUrl("12A34")).json().value("code").toInt(), 503);
    // Used up: the route falls back to the fault for any route.
    Response r = fetch(m_manager, queryUrl("12A34"));
    QCOMPARE(r.status, 418);
    QCOMPARE(r.json().value("code").toInt(), 200);
    QCOMPARE(fetch(m_manager, m_server.homePageUrl()).status, 418);
    m_server.setFault(Route::Any, Fault::None);

    m_server.setFault(Route::Query, Fault::CodeAsString);
    QCOMPARE(fetch(m_manager, queryUrl("12A34")).json().value("code").toString(), QStringLiteral("200"));
    m_server.setFault(Route::Query, Fault::NoData);
    QVERIFY(!fetch(m_manager, queryUrl("12A34")).json().contains("data"));
    m_server.setFault(Route::Query, Fault::NonObjectJson);
    QVERIFY(QJsonDocument::fromJson(fetch(m_manager, queryUrl("12A34")).body).isArray());
    m_server.clearFaults();

    m_server.setFault(Route::Firmware, Fault::Truncate, 100);
    r = fetch(m_manager, QUrl(m_server.firmwareUrl("12A34")));
    QCOMPARE(r.error, QNetworkReply::RemoteHostClosedError);
    QVERIFY(r.body.size() <= 100);
    // The picture route is untouched by a firmware fault.
    QCOMPARE(fetch(m_manager, QUrl(m_server.pictureUrl("12A34"))).status, 200);

    m_server.setFault(Route::Picture, Fault::ErrorPage);
    r = fetch(m_manager, QUrl(m_server.pictureUrl("12A34")));
    QCOMPARE(r.status, 500);
    QVERIFY(r.body.contains("<html>"));
}

void tst_FirmwareServer::logsEachRequest()
{
    QSignalSpy received(&m_server, &FirmwareServer::requestReceived);
    fetch(m_manager,
        QUrl(m_server.origin() + "/zemtar/pc/v1/firmware/latest/version/12%2FA?sn=A%26B&ver=1%232"));
    fetch(m_manager, QUrl(m_server.firmwareUrl("12A34")));
    fetch(m_manager, m_server.homePageUrl());

    const QList<FirmwareServer::Request> log = m_server.requestLog();
    QCOMPARE(log.size(), 3);
    QCOMPARE(received.count(), 3);
    QCOMPARE(log.at(0).method, QByteArray("GET"));
    QCOMPARE(log.at(0).target, QByteArray("/zemtar/pc/v1/firmware/latest/version/12%2FA?sn=A%26B&ver=1%232"));
    QCOMPARE(log.at(0).route, Route::Query);
    QCOMPARE(log.at(0).modelCode, QStringLiteral("12/A"));
    QCOMPARE(log.at(0).query.queryItemValue("sn", QUrl::FullyDecoded), QStringLiteral("A&B"));
    QCOMPARE(log.at(0).status, 404);
    QCOMPARE(log.at(1).route, Route::Firmware);
    QCOMPARE(log.at(1).modelCode, QStringLiteral("12A34"));
    QCOMPARE(log.at(2).route, Route::Page);
    QCOMPARE(m_server.requests(Route::Firmware).size(), 1);
    bool hasHost = false;
    for (const auto &header : log.at(2).headers)
        hasHost = hasHost || header.first.toLower() == "host";
    QVERIFY(hasHost);
}

void tst_FirmwareServer::stopRefusesAndStartKeepsPort()
{
    const QString origin = m_server.origin();
    m_server.setFault(Route::Page, Fault::Stall);
    QNetworkRequest request(m_server.homePageUrl());
    QNetworkReply *stalled = m_manager.get(request);
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(Route::Page).size(), 1, 10000);

    m_server.stop();
    QVERIFY(!m_server.isListening());
    // Stopping drops the stalled connection too.
    QTRY_VERIFY_WITH_TIMEOUT(stalled->isFinished(), 10000);
    stalled->deleteLater();
    QCOMPARE(fetch(m_manager, m_server.homePageUrl()).error, QNetworkReply::ConnectionRefusedError);

    m_server.clearFaults();
    QVERIFY(m_server.start());
    QCOMPARE(m_server.origin(), origin);
    QCOMPARE(fetch(m_manager, m_server.homePageUrl()).status, 200);
}

void tst_FirmwareServer::standaloneServer()
{
    QProcess process;
    process.setProgram(QStringLiteral(LENS_FWSERVER_EXE));
    process.setArguments(
        { "--port", "0", "--models", m_models.path(), "--cert", TestCa::directory() + "/server.pem", "--key",
            TestCa::directory() + "/server.key", "--fault", "picture=error-page:503" });
    process.start();
    QVERIFY(process.waitForStarted(10000));
    QRegularExpressionMatch match;
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT(
        (out += process.readAllStandardOutput(),
            match
            = QRegularExpression("Serving (https://127\\.0\\.0\\.1:\\d+)/zemtar/pc \\(3 models").match(out),
            match.hasMatch()),
        10000);
    const QString origin = match.captured(1);

    const Response r
        = fetch(m_manager, QUrl(origin + "/zemtar/pc/v1/firmware/latest/version/12A34?sn=X&ver=V"));
    QCOMPARE(
        r.json().value("data").toObject().value("dat").toString(), origin + "/files/12A34/UPD12A34V120.DAT");
    QCOMPARE(fetch(m_manager, QUrl(origin + "/files/12A34/lens.png")).status, 503);
    QTRY_VERIFY_WITH_TIMEOUT(
        (out += process.readAllStandardOutput(), out.contains("lens.png -> 503 (error-page)")), 10000);
    QVERIFY(out.contains("GET /zemtar/pc/v1/firmware/latest/version/12A34?sn=X&ver=V -> 200"));

    process.terminate();
    QVERIFY(process.waitForFinished(10000));

    QProcess bad;
    bad.start(QStringLiteral(LENS_FWSERVER_EXE), { "--fault", "nowhere=stall" });
    QVERIFY(bad.waitForFinished(10000));
    QCOMPARE(bad.exitCode(), 1);
}

QTEST_GUILESS_MAIN(tst_FirmwareServer)
#include "tst_firmwareserver.moc"
