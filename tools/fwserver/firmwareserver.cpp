#include "firmwareserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMetaEnum>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <functional>

Q_LOGGING_CATEGORY(lcFwServer, "lens.fwserver")

namespace {

const QByteArray kQueryPrefix = "/zemtar/pc/v1/firmware/latest/version/";
const QByteArray kFilesPrefix = "/files/";
constexpr int kMaxHeaderBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray htmlPage(int status, const QString &text)
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><title>%1 %2</title></head>"
                          "<body><h1>%1 %2</h1><p>%3</p></body></html>\n")
        .arg(status)
        .arg(QString::fromLatin1(reasonPhrase(status)), text.toHtmlEscaped())
        .toUtf8();
}

QByteArray contentTypeFor(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return "image/png";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "image/jpeg";
    if (suffix == QLatin1String("bmp"))
        return "image/bmp";
    return "application/octet-stream";
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

class FirmwareServer::Listener : public QTcpServer
{
public:
    std::function<void(qintptr)> onConnection;

protected:
    void incomingConnection(qintptr descriptor) override { onConnection(descriptor); }
};

FirmwareServer::FirmwareServer(QObject *parent)
    : QObject(parent)
    , m_listener(new Listener)
{
    qRegisterMetaType<FirmwareServer::Request>();
    m_listener->setParent(this);
    m_listener->onConnection = [this](qintptr descriptor) { onConnection(descriptor); };
}

FirmwareServer::~FirmwareServer()
{
    stop();
}

void FirmwareServer::setCertificate(
    const QSslCertificate &certificate, const QSslKey &key, const QList<QSslCertificate> &chain)
{
    m_certificate = certificate;
    m_key = key;
    m_chain = chain;
}

bool FirmwareServer::setCertificateFiles(const QString &certificatePath, const QString &keyPath)
{
    QFile certFile(certificatePath);
    QFile keyFile(keyPath);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read %1 or %2").arg(certificatePath, keyPath);
        return false;
    }
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(certFile.readAll(), QSsl::Pem);
    const QByteArray keyPem = keyFile.readAll();
    QSslKey key(keyPem, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (certificates.isEmpty() || key.isNull()) {
        m_error
            = QStringLiteral("no PEM certificate in %1 or no PEM key in %2").arg(certificatePath, keyPath);
        return false;
    }
    setCertificate(certificates.first(), key, certificates.mid(1));
    return true;
}

bool FirmwareServer::start(quint16 port, const QHostAddress &address)
{
    if (m_certificate.isNull() || m_key.isNull()) {
        m_error = QStringLiteral("no server certificate set");
        return false;
    }
    if (m_listener->isListening())
        return true;
    if (port == 0)
        port = m_port;
    if (!m_listener->listen(address, port)) {
        m_error = m_listener->errorString();
        return false;
    }
    m_address = address;
    m_port = m_listener->serverPort();
    qCDebug(lcFwServer).noquote() << "listening on" << origin();
    return true;
}

void FirmwareServer::stop()
{
    m_listener->close();
    const QList<QSslSocket *> sockets = m_sockets;
    m_sockets.clear();
    for (QSslSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

bool FirmwareServer::isListening() const
{
    return m_listener->isListening();
}

quint16 FirmwareServer::port() const
{
    return m_port;
}

QString FirmwareServer::errorString() const
{
    return m_error;
}

QString FirmwareServer::origin() const
{
    QHostAddress host = m_address;
    if (host == QHostAddress::Any || host == QHostAddress::AnyIPv4)
        host = QHostAddress(QHostAddress::LocalHost);
    else if (host == QHostAddress::AnyIPv6)
        host = QHostAddress(QHostAddress::LocalHostIPv6);
    const QString name = host.protocol() == QAbstractSocket::IPv6Protocol
        ? QLatin1Char('[') + host.toString() + QLatin1Char(']')
        : host.toString();
    return QStringLiteral("https://%1:%2").arg(name).arg(m_port);
}

QUrl FirmwareServer::homePageUrl() const
{
    return QUrl(origin() + QLatin1Char('/'));
}

QString FirmwareServer::fileUrl(const QString &code, const QString &name) const
{
    return origin() + QString::fromLatin1(kFilesPrefix) + QString::fromLatin1(QUrl::toPercentEncoding(code))
        + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QString FirmwareServer::pictureUrl(const QString &code) const
{
    const auto it = m_models.constFind(code);
    return it == m_models.constEnd() ? QString() : fileUrl(code, it->pictureName);
}

QString FirmwareServer::firmwareUrl(const QString &code) const
{
    const auto it = m_models.constFind(code);
    return it == m_models.constEnd() ? QString() : fileUrl(code, it->firmwareName);
}

void FirmwareServer::addModel(const Model &model)
{
    QJsonObject data;
    data.insert(QStringLiteral("vendor"), model.vendor);
    data.insert(QStringLiteral("model"), model.modelName);
    data.insert(QStringLiteral("nickname"), model.nickname);
    data.insert(QStringLiteral("img"), model.pictureName);
    data.insert(QStringLiteral("dat"), model.firmwareName);
    data.insert(QStringLiteral("version"), model.version);
    data.insert(QStringLiteral("camera_version"), model.cameraVersion);
    data.insert(QStringLiteral("content"), model.content);
    QJsonObject reply;
    reply.insert(QStringLiteral("code"), 200);
    reply.insert(QStringLiteral("msg"), QStringLiteral("success"));
    reply.insert(QStringLiteral("data"), data);

    Entry entry;
    entry.replyBody = compact(reply);
    entry.pictureName = model.pictureName;
    entry.firmwareName = model.firmwareName;
    entry.files.insert(model.pictureName, model.picture);
    entry.files.insert(model.firmwareName, model.firmware);
    m_models.insert(model.code, entry);
}

void FirmwareServer::addModel(const QString &code, const QString &version, const QString &content,
    const QString &nickname, const QString &modelName, const QByteArray &picture, const QByteArray &firmware)
{
    Model model;
    model.code = code;
    model.version = version;
    model.content = content;
    model.nickname = nickname;
    model.modelName = modelName;
    model.picture = picture;
    model.firmware = firmware;
    addModel(model);
}

void FirmwareServer::removeModel(const QString &code)
{
    m_models.remove(code);
}

void FirmwareServer::clearModels()
{
    m_models.clear();
}

QStringList FirmwareServer::modelCodes() const
{
    QStringList codes = m_models.keys();
    codes.sort();
    return codes;
}

int FirmwareServer::loadModels(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        m_error = QStringLiteral("no folder %1").arg(folder);
        return -1;
    }
    int loaded = 0;
    for (const QFileInfo &sub : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile replyFile(sub.filePath() + QStringLiteral("/reply.json"));
        if (!replyFile.open(QIODevice::ReadOnly))
            continue;
        Entry entry;
        entry.replyBody = replyFile.readAll();
        const QJsonObject data
            = QJsonDocument::fromJson(entry.replyBody).object().value(QStringLiteral("data")).toObject();
        const QString img = data.value(QStringLiteral("img")).toString();
        const QString dat = data.value(QStringLiteral("dat")).toString();
        if (!img.isEmpty() && QUrl(img).isRelative())
            entry.pictureName = img;
        if (!dat.isEmpty() && QUrl(dat).isRelative())
            entry.firmwareName = dat;
        const QDir modelDir(sub.filePath());
        for (const QFileInfo &file : modelDir.entryInfoList(QDir::Files)) {
            if (file.fileName() == QLatin1String("reply.json"))
                continue;
            QFile f(file.filePath());
            if (f.open(QIODevice::ReadOnly))
                entry.files.insert(file.fileName(), f.readAll());
        }
        m_models.insert(sub.fileName(), entry);
        ++loaded;
    }
    return loaded;
}

void FirmwareServer::setQueryReply(const QString &code, const QByteArray &body, int status)
{
    Entry &entry = m_models[code];
    entry.replyBody = body;
    entry.replyStatus = status;
}

void FirmwareServer::setFault(Route route, Fault fault, int value, int times)
{
    if (fault == Fault::None || times == 0) {
        m_faults.remove(int(route));
        return;
    }
    m_faults.insert(int(route), FaultState { fault, value, times });
}

void FirmwareServer::clearFaults()
{
    m_faults.clear();
}

FirmwareServer::FaultState FirmwareServer::takeFault(Route route)
{
    for (const Route r : { route, Route::Any }) {
        auto it = m_faults.find(int(r));
        if (it == m_faults.end())
            continue;
        const FaultState state = *it;
        if (it->times > 0 && --it->times == 0)
            m_faults.erase(it);
        return state;
    }
    return {};
}

QList<FirmwareServer::Request> FirmwareServer::requestLog() const
{
    return m_log;
}

QList<FirmwareServer::Request> FirmwareServer::requests(Route route) const
{
    if (route == Route::Any)
        return m_log;
    QList<Request> result;
    for (const Request &request : m_log) {
        if (request.route == route)
            result.append(request);
    }
    return result;
}

void FirmwareServer::clearRequestLog()
{
    m_log.clear();
}

QString FirmwareServer::faultName(Fault fault)
{
    static const QHash<int, QString> names = {
        { int(Fault::Status), QStringLiteral("status") },
        { int(Fault::ErrorPage), QStringLiteral("error-page") },
        { int(Fault::InvalidJson), QStringLiteral("invalid-json") },
        { int(Fault::NonObjectJson), QStringLiteral("non-object-json") },
        { int(Fault::CodeNot200), QStringLiteral("code") },
        { int(Fault::CodeAsString), QStringLiteral("code-as-string") },
        { int(Fault::NoData), QStringLiteral("no-data") },
        { int(Fault::Truncate), QStringLiteral("truncate") },
        { int(Fault::Stall), QStringLiteral("stall") },
        { int(Fault::StallBody), QStringLiteral("stall-body") },
        { int(Fault::Delay), QStringLiteral("delay") },
        { int(Fault::Drop), QStringLiteral("drop") },
        { int(Fault::PlainHttpLinks), QStringLiteral("plain-http-links") },
        { int(Fault::Endless), QStringLiteral("endless") },
    };
    return names.value(int(fault));
}

QString FirmwareServer::routeName(Route route)
{
    switch (route) {
    case Route::Any:
        return QStringLiteral("any");
    case Route::Query:
        return QStringLiteral("query");
    case Route::Picture:
        return QStringLiteral("picture");
    case Route::Firmware:
        return QStringLiteral("firmware");
    case Route::Page:
        return QStringLiteral("page");
    }
    return QString();
}

bool FirmwareServer::parseFault(const QString &text, Fault *fault)
{
    const QMetaEnum meta = QMetaEnum::fromType<Fault>();
    for (int i = 0; i < meta.keyCount(); ++i) {
        const Fault f = Fault(meta.value(i));
        if (text.compare(faultName(f), Qt::CaseInsensitive) == 0
            || text.compare(QLatin1String(meta.key(i)), Qt::CaseInsensitive) == 0) {
            *fault = f;
            return true;
        }
    }
    return false;
}

bool FirmwareServer::parseRoute(const QString &text, Route *route)
{
    for (const Route r : { Route::Any, Route::Query, Route::Picture, Route::Firmware, Route::Page }) {
        if (text.compare(routeName(r), Qt::CaseInsensitive) == 0) {
            *route = r;
            return true;
        }
    }
    return false;
}

void FirmwareServer::onConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    m_sockets.append(socket);
    socket->setLocalCertificate(m_certificate);
    socket->setLocalCertificateChain(QList<QSslCertificate> { m_certificate } + m_chain);
    socket->setPrivateKey(m_key);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        m_sockets.removeOne(socket);
        socket->deleteLater();
    });
    connect(socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), this,
        [](const QList<QSslError> &errors) {
            for (const QSslError &error : errors)
                qCDebug(lcFwServer).noquote() << "TLS:" << error.errorString();
        });
    socket->startServerEncryption();
}

void FirmwareServer::onReadyRead(QSslSocket *socket)
{
    QByteArray buffer = socket->property("lens_request").toByteArray() + socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (buffer.size() > kMaxHeaderBytes) {
            socket->abort();
            return;
        }
        socket->setProperty("lens_request", buffer);
        return;
    }
    // One request per connection: every answer closes it.
    disconnect(socket, &QSslSocket::readyRead, this, nullptr);

    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request;
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({ line.left(colon).trimmed(), line.mid(colon + 1).trimmed() });
    }
    const int question = request.target.indexOf('?');
    const QByteArray rawPath = question < 0 ? request.target : request.target.left(question);
    request.path = QUrl::fromPercentEncoding(rawPath);
    if (question >= 0)
        request.query = QUrlQuery(QString::fromLatin1(request.target.mid(question + 1)));
    answer(socket, request);
}

QByteArray FirmwareServer::queryBody(
    const QString &code, const Entry &entry, Fault fault, int value, int *status) const
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(entry.replyBody, &error);
    QJsonObject object = document.object();
    if (error.error == QJsonParseError::NoError && document.isObject()) {
        QJsonObject data = object.value(QStringLiteral("data")).toObject();
        if (object.contains(QStringLiteral("data")) && object.value(QStringLiteral("data")).isObject()) {
            for (const QString &key : { QStringLiteral("img"), QStringLiteral("dat") }) {
                const QString name = data.value(key).toString();
                if (!name.isEmpty() && QUrl(name).isRelative())
                    data.insert(key, fileUrl(code, name));
                if (fault == Fault::PlainHttpLinks)
                    data.insert(key,
                        data.value(key).toString().replace(
                            QLatin1String("https://"), QLatin1String("http://")));
            }
            object.insert(QStringLiteral("data"), data);
        }
    }

    switch (fault) {
    case Fault::InvalidJson:
        return QByteArrayLiteral("{\"code\":200,\"data\":{\"version\":");
    case Fault::NonObjectJson:
        return QJsonDocument(QJsonArray { object }).toJson(QJsonDocument::Compact);
    case Fault::CodeNot200:
        object.insert(QStringLiteral("code"), value ? value : 500);
        return compact(object);
    case Fault::CodeAsString:
        object.insert(QStringLiteral("code"), QStringLiteral("200"));
        return compact(object);
    case Fault::NoData:
        object.remove(QStringLiteral("data"));
        object.insert(QStringLiteral("code"), 200);
        return compact(object);
    default:
        break;
    }
    *status = entry.replyStatus;
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return entry.replyBody;
    return compact(object);
}

void FirmwareServer::answer(QSslSocket *socket, Request request)
{
    int status = 200;
    QByteArray type = "text/html; charset=utf-8";
    QByteArray body;

    const QByteArray rawPath = request.target.left(
        request.target.indexOf('?') < 0 ? request.target.size() : request.target.indexOf('?'));
    FaultState fault;
    if (rawPath.startsWith(kQueryPrefix)) {
        request.route = Route::Query;
        request.modelCode = QUrl::fromPercentEncoding(rawPath.mid(kQueryPrefix.size()));
        fault = takeFault(request.route);
        type = "application/json; charset=utf-8";
        const auto it = m_models.constFind(request.modelCode);
        if (it != m_models.constEnd()) {
            body = queryBody(request.modelCode, *it, fault.fault, fault.value, &status);
        } else {
            Entry missing;
            missing.replyBody = R"({"code":404,"msg":"no firmware for this model"})";
            missing.replyStatus = 404;
            body = queryBody(request.modelCode, missing, fault.fault, fault.value, &status);
        }
    } else if (rawPath.startsWith(kFilesPrefix)) {
        const QByteArray rest = rawPath.mid(kFilesPrefix.size());
        const int slash = rest.indexOf('/');
        request.modelCode = QUrl::fromPercentEncoding(rest.left(slash));
        const QString name = slash < 0 ? QString() : QUrl::fromPercentEncoding(rest.mid(slash + 1));
        const auto it = m_models.constFind(request.modelCode);
        const bool found = slash > 0 && it != m_models.constEnd() && it->files.contains(name);
        request.route = found && name == it->pictureName ? Route::Picture : Route::Firmware;
        fault = takeFault(request.route);
        if (found) {
            type = contentTypeFor(name);
            body = it->files.value(name);
        } else {
            status = 404;
            body = htmlPage(status, QStringLiteral("No such file."));
        }
    } else {
        request.route = Route::Page;
        fault = takeFault(request.route);
        if (request.path == QLatin1String("/")) {
            body = QByteArrayLiteral("<!DOCTYPE html>\n<html><head><title>Lens firmware server</title></head>"
                                     "<body><h1>Lens firmware server</h1></body></html>\n");
        } else {
            status = 404;
            body = htmlPage(status, QStringLiteral("Nothing here."));
        }
    }

    qint64 sendBytes = body.size();
    bool stallAfter = false;
    int delayMs = 0;
    switch (fault.fault) {
    case Fault::Status:
        status = fault.value ? fault.value : 500;
        break;
    case Fault::ErrorPage:
        status = fault.value ? fault.value : 500;
        type = "text/html; charset=utf-8";
        body = htmlPage(status, QStringLiteral("The server met a problem."));
        sendBytes = body.size();
        break;
    case Fault::Truncate:
        sendBytes = fault.value ? qMin<qint64>(fault.value, body.size()) : body.size() / 2;
        break;
    case Fault::StallBody:
        sendBytes = fault.value ? qMin<qint64>(fault.value, body.size()) : body.size() / 2;
        stallAfter = true;
        break;
    case Fault::Stall:
    case Fault::Drop:
        status = 0;
        break;
    case Fault::Delay:
        delayMs = fault.value ? fault.value : 2000;
        break;
    default:
        break;
    }
    request.fault = fault.fault;
    request.status = status;
    m_log.append(request);
    qCDebug(lcFwServer).noquote() << request.method << request.target << "->"
                                  << (status ? QString::number(status) : QStringLiteral("no answer"))
                                  << faultName(fault.fault);
    emit requestReceived(request);

    if (fault.fault == Fault::Stall)
        return;
    if (fault.fault == Fault::Drop) {
        socket->disconnectFromHost();
        return;
    }
    if (fault.fault == Fault::Endless) {
        QByteArray head = "HTTP/1.1 200 OK\r\nServer: lens-fwserver\r\nContent-Type: " + type
            + "\r\nConnection: close\r\n\r\n";
        socket->write(head);
        const QByteArray chunk(fault.value > 0 ? fault.value : 4096, 'x');
        auto *timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket, chunk] {
            if (socket->bytesToWrite() < 4 * chunk.size())
                socket->write(chunk);
        });
        timer->start(5);
        return;
    }

    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    head += "Server: lens-fwserver\r\n";
    head += "Content-Type: " + type + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    const QByteArray payload = head + body.left(int(sendBytes));
    const bool close = !stallAfter;

    QPointer<QSslSocket> guard(socket);
    auto send = [guard, payload, close] {
        if (!guard)
            return;
        guard->write(payload);
        if (close)
            guard->disconnectFromHost();
    };
    if (delayMs > 0)
        QTimer::singleShot(delayMs, this, send);
    else
        send();
}
