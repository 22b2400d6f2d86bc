#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

class QSslSocket;
class QTcpServer;

// A small HTTPS firmware server of our own, for tests and demos.
//
// It answers the latest-version query
//   GET /zemtar/pc/v1/firmware/latest/version/<CODE>?sn=...&ver=...
// with {"code":200,"data":{vendor, model, nickname, img, dat, version,
// camera_version, content}} for every model it knows, serves each model's
// picture and firmware image under /files/<CODE>/<name>, and a small home
// page at "/" (what a connectivity probe can fetch). Unknown models get
// HTTP 404 with {"code":404,...}; other unknown paths an HTML 404 page.
// Every request is logged, and the server can be told to misbehave.
//
// In a test:
//     FirmwareServer server;
//     TestCa::startServer(server);            // tools/testca: TLS identity, trust, listen
//     server.addModel("12A34", "V1.2.0", "<p>notes</p>", "12A34", "Lens 85mm", png, image);
//     DeviceFirmwareProcess client({server.origin(), server.homePageUrl(), 0});
//     client.requestLatestFirmware("12a34", "sn1", "V1.0.0");
//     server.setFault(FirmwareServer::Route::Firmware, FirmwareServer::Fault::Truncate);
//     server.requestLog().last().target;      // "/files/12A34/firmware.dat"
//
// Without the test helper: setCertificate() (or setCertificateFiles()), then
// start(). The object works on the thread that owns it, through its event
// loop; nothing blocks.
class FirmwareServer : public QObject
{
    Q_OBJECT

public:
    // Which requests a fault applies to.
    enum class Route {
        Any, // every request without a fault of its own route
        Query, // the latest-version query
        Picture, // a model's picture
        Firmware, // any other file under /files/
        Page, // "/" and every other path
    };
    Q_ENUM(Route)

    // How to misbehave. `value` is the fault's number (see each); 0 means
    // its default.
    enum class Fault {
        None,
        Status, // the normal body under HTTP status `value` (500)
        ErrorPage, // an HTML error page under HTTP status `value` (500)
        InvalidJson, // query: a body that is not JSON
        NonObjectJson, // query: a JSON array
        CodeNot200, // query: "code" `value` (500) with the normal "data"
        CodeAsString, // query: "code" given as the string "200"
        NoData, // query: "code" 200 and no "data"
        Truncate, // announce the whole body, send `value` bytes (half), close
        Stall, // read the request, never answer
        StallBody, // send the headers and `value` bytes (half), then nothing
        Delay, // the normal answer after `value` ms (2000)
        Drop, // close the connection without any answer
        PlainHttpLinks, // query: "img" and "dat" as http:// addresses
        Endless, // a body of no announced length that never ends: `value` bytes (4096) every 5 ms
    };
    Q_ENUM(Fault)

    // One model as the server files it.
    struct Model
    {
        QString code; // as the client asks for it (the client upper-cases)
        QString vendor = QStringLiteral("Zemtar");
        QString modelName;
        QString nickname;
        QString version;
        QString cameraVersion;
        QString content; // release notes, HTML
        QByteArray picture;
        QByteArray firmware;
        QString pictureName = QStringLiteral("picture.png");
        QString firmwareName = QStringLiteral("firmware.dat");
    };

    // One request as it arrived.
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query exactly as sent (still percent-encoded)
        QString path; // decoded path
        QUrlQuery query; // query items (sn, ver)
        QList<QPair<QByteArray, QByteArray>> headers;
        Route route = Route::Page;
        QString modelCode; // query and files: the code the path names, decoded
        Fault fault = Fault::None; // the fault applied
        int status = 0; // the HTTP status sent; 0 for none (Stall, Drop)
    };

    explicit FirmwareServer(QObject *parent = nullptr);
    ~FirmwareServer() override;

    // TLS identity. The chain holds intermediates, if any.
    void setCertificate(
        const QSslCertificate &certificate, const QSslKey &key, const QList<QSslCertificate> &chain = {});
    // PEM files; false (with errorString()) when they cannot be read.
    bool setCertificateFiles(const QString &certificatePath, const QString &keyPath);

    // Listens for HTTPS. Port 0 takes a free port on the first start and the
    // same port again on a later start, so origin() stays valid across
    // stop() and start(). False (with errorString()) on failure.
    bool start(quint16 port = 0, const QHostAddress &address = QHostAddress(QHostAddress::LocalHost));
    // Stops listening (connections are then refused) and drops every open
    // connection, stalled ones included.
    void stop();
    bool isListening() const;
    quint16 port() const;
    QString errorString() const;

    // "https://127.0.0.1:<port>" (hosts other than 127.0.0.1 as given).
    QString origin() const;
    // origin() + "/": the home page, for a connectivity probe.
    QUrl homePageUrl() const;
    // Where the model's files are served.
    QString pictureUrl(const QString &code) const;
    QString firmwareUrl(const QString &code) const;

    // Adds or replaces a model.
    void addModel(const Model &model);
    void addModel(const QString &code, const QString &version, const QString &content,
        const QString &nickname, const QString &modelName, const QByteArray &picture,
        const QByteArray &firmware);
    void removeModel(const QString &code);
    void clearModels();
    QStringList modelCodes() const;

    // Serves every subfolder of `folder` holding a reply.json as a model
    // named by the subfolder. reply.json is the whole query reply; in its
    // "data", an "img" or "dat" that is not an absolute URL names a file of
    // that subfolder, served by this server. A reply.json that is not JSON
    // is served as it stands. Returns how many models were loaded; -1 (with
    // errorString()) when the folder cannot be read.
    int loadModels(const QString &folder);

    // Replaces the query reply of one model with this body and status.
    void setQueryReply(const QString &code, const QByteArray &body, int status = 200);

    // Misbehave on a route for the next `times` requests (-1: until
    // changed). Fault::None clears the route.
    void setFault(Route route, Fault fault, int value = 0, int times = -1);
    void clearFaults();

    QList<Request> requestLog() const;
    // Requests of one route (Route::Any: all).
    QList<Request> requests(Route route) const;
    void clearRequestLog();

    // Printed by the standalone server; empty for Fault::None.
    static QString faultName(Fault fault);
    static QString routeName(Route route);
    // The inverse of faultName() / routeName(), case-insensitive; false when unknown.
    static bool parseFault(const QString &text, Fault *fault);
    static bool parseRoute(const QString &text, Route *route);

signals:
    // After the server decided how to answer (status set, not yet sent).
    void requestReceived(const FirmwareServer::Request &request);

private:
    struct Entry
    {
        QByteArray replyBody; // JSON text; img/dat rewritten at answer time when relative
        int replyStatus = 200;
        QHash<QString, QByteArray> files;
        QString pictureName;
        QString firmwareName;
    };
    struct FaultState
    {
        Fault fault = Fault::None;
        int value = 0;
        int times = -1;
    };
    class Listener;

    void onConnection(qintptr descriptor);
    void onReadyRead(QSslSocket *socket);
    void answer(QSslSocket *socket, Request request);
    FaultState takeFault(Route route);
    QByteArray queryBody(const QString &code, const Entry &entry, Fault fault, int value, int *status) const;
    QString fileUrl(const QString &code, const QString &name) const;

    Listener *m_listener = nullptr;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QList<QSslCertificate> m_chain;
    QHostAddress m_address = QHostAddress(QHostAddress::LocalHost);
    quint16 m_port = 0;
    QString m_error;
    QHash<QString, Entry> m_models;
    QHash<int, FaultState> m_faults;
    QList<Request> m_log;
    QList<QSslSocket *> m_sockets;
};

Q_DECLARE_METATYPE(FirmwareServer::Request)
