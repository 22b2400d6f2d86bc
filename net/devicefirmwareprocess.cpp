#include "devicefirmwareprocess.h"

#include "catalogue/lenscatalogue.h"
#include "netlog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTextDocument>
#include <QTimer>

#ifndef LENS_SERVER_ORIGIN
#define LENS_SERVER_ORIGIN "https://firmware.zemtar.com"
#endif
#ifndef LENS_PROBE_URL
#define LENS_PROBE_URL "https://www.bing.com/"
#endif

namespace {

// Only one client exists in the program; the last reported reachability
// belongs to the program, not to an instance.
bool g_reachable = true;

QString networkErrorName(QNetworkReply::NetworkError error)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return name ? QString::fromLatin1(name) : QString::number(int(error));
}

// Letters, digits and "-._~" stay as they are, so ordinary values give the
// same URL as an unescaped join; anything else cannot change the request.
QString component(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QNetworkRequest requestFor(const QUrl &url, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    return request;
}

// An error page, a redirect or a body cut short is not a picture or a
// firmware image.
bool isCompleteDownload(QNetworkReply *reply, const QByteArray &body)
{
    if (reply->error() != QNetworkReply::NoError || body.isEmpty())
        return false;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299)
        return false;
    if (reply->hasRawHeader("Content-Length")) {
        // A compressed body is announced by its compressed length.
        const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
        bool ok = false;
        const qint64 length = reply->rawHeader("Content-Length").trimmed().toLongLong(&ok);
        if (ok && (encoding.isEmpty() || encoding == "identity") && length != body.size())
            return false;
    }
    return true;
}

} // namespace

DeviceFirmwareProcess::DeviceFirmwareProcess(QObject *parent)
    : DeviceFirmwareProcess(builtInEndpoints(), parent)
{
}

DeviceFirmwareProcess::DeviceFirmwareProcess(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
{
    qRegisterMetaType<DeviceFirmwareProcess::GetServerMsg>("DeviceFirmwareProcess::GetServerMsg");

    QString origin = endpoints.origin;
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    m_baseUrl = origin + QStringLiteral("/zemtar/pc");

    m_manager = new QNetworkAccessManager(this);

    m_probeTimer = new QTimer(this);
    connect(m_probeTimer, &QTimer::timeout, this, &DeviceFirmwareProcess::onTimerTimeout);
    if (endpoints.probeIntervalMs > 0)
        m_probeTimer->start(endpoints.probeIntervalMs);
}

DeviceFirmwareProcess::~DeviceFirmwareProcess() = default;

DeviceFirmwareProcess::Endpoints DeviceFirmwareProcess::builtInEndpoints()
{
    Endpoints endpoints;
    endpoints.origin = QStringLiteral(LENS_SERVER_ORIGIN);
    endpoints.probeUrl = QUrl(QStringLiteral(LENS_PROBE_URL));
    return endpoints;
}

bool DeviceFirmwareProcess::lastReportedReachability()
{
    return g_reachable;
}

void DeviceFirmwareProcess::resetReachability()
{
    g_reachable = true;
}

DeviceFirmwareProcess::Endpoints DeviceFirmwareProcess::endpoints() const
{
    return m_endpoints;
}

QString DeviceFirmwareProcess::baseUrl() const
{
    return m_baseUrl;
}

void DeviceFirmwareProcess::requestLatestFirmware(
    const QString &model, const QString &serialNumber, const QString &version)
{
    // Only the newest query may store fields and start downloads.
    abandon(m_reply);

    const QString text = m_baseUrl + QStringLiteral("/v1/firmware/latest/version/")
        + component(model.toUpper()) + QStringLiteral("?sn=") + component(serialNumber.toUpper())
        + QStringLiteral("&ver=") + component(version);
    const QUrl url(text, QUrl::TolerantMode);

    m_reply = m_manager->get(requestFor(url, m_endpoints.queryTimeoutMs));
    connect(m_reply, &QNetworkReply::finished, this, &DeviceFirmwareProcess::deviceInformationHandle);
    connect(m_reply, &QNetworkReply::errorOccurred, this, &DeviceFirmwareProcess::replyError);
    qCDebug(lcNet).noquote() << "latest version query:" << url.toString();
}

void DeviceFirmwareProcess::deviceInformationHandle()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        qCInfo(lcNet) << "latest version reply is not JSON:" << parseError.errorString();
        emit getServerMessage(ReplyParseError);
        return;
    }
    if (!document.isObject()) {
        emit getServerMessage(ReplyRejected);
        return;
    }
    const QJsonObject object = document.object();
    const int code = object.value(QStringLiteral("code")).toInt();
    if (code != 200) {
        qCInfo(lcNet) << "latest version reply rejected, code" << object.value(QStringLiteral("code"));
        emit getServerMessage(ReplyRejected);
        return;
    }

    const QJsonObject data = object.value(QStringLiteral("data")).toObject();
    m_vendor = data.value(QStringLiteral("vendor")).toString();
    m_model = data.value(QStringLiteral("model")).toString();
    m_nickname = data.value(QStringLiteral("nickname")).toString();
    m_img = data.value(QStringLiteral("img")).toString();
    m_dat = data.value(QStringLiteral("dat")).toString();
    m_version = data.value(QStringLiteral("version")).toString();
    m_cameraVersion = data.value(QStringLiteral("camera_version")).toString();
    m_content = data.value(QStringLiteral("content")).toString();
    // The bytes of the previous reply belong to another offer.
    ++m_generation;
    m_pictureData.clear();
    m_firmwareData.clear();

    startDownload(Download::Picture, m_img);
    startDownload(Download::Firmware, m_dat);

    emit hasDeviceMessage();
    emit getServerMessage(InfoReceived);
}

void DeviceFirmwareProcess::replyError(QNetworkReply::NetworkError error)
{
    qCInfo(lcNet).noquote() << "latest version query failed:" << networkErrorName(error);
    emit queryFailed(error);
}

void DeviceFirmwareProcess::onTimerTimeout()
{
    QNetworkReply *reply = m_manager->get(requestFor(m_endpoints.probeUrl, m_endpoints.queryTimeoutMs));
    connect(reply, &QNetworkReply::finished, this, [this, reply] { probeFinished(reply); });
}

void DeviceFirmwareProcess::probeFinished(QNetworkReply *reply)
{
    // Any body proves the network, whatever its status.
    const bool reachable = reply->bytesAvailable() > 0;
    if (!reachable && reply->error() != QNetworkReply::NoError)
        qCDebug(lcNet).noquote() << "probe failed:" << networkErrorName(reply->error());
    if (reachable != g_reachable) {
        g_reachable = reachable;
        emit networkConnectStatus(reachable);
    }
    reply->deleteLater();
}

void DeviceFirmwareProcess::startDownload(Download kind, const QString &url)
{
    QPointer<QNetworkReply> &slot = kind == Download::Picture ? m_pictureReply : m_firmwareReply;
    abandon(slot);

    const bool picture = kind == Download::Picture;
    const QUrl address(url);
    // Firmware that anyone on the path could swap is not firmware to flash.
    if (address.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0
        || address.host().isEmpty()) {
        qCDebug(lcNet).noquote() << (picture ? "picture" : "firmware") << "address is not https:" << url;
        // Reported after the reply's own signals, as a download would be.
        QTimer::singleShot(0, this, [this, picture, generation = m_generation] {
            if (generation == m_generation)
                emit getServerMessage(picture ? PictureEmpty : FirmwareEmpty);
        });
        return;
    }

    QNetworkRequest request = requestFor(address, m_endpoints.downloadTimeoutMs);
    // A redirect could lead off https.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = m_manager->get(request);
    slot = reply;
    connect(reply, &QNetworkReply::finished, this, [this, kind, reply] { downloadFinished(kind, reply); });
    connect(
        reply, &QNetworkReply::downloadProgress, this, [this, kind, reply](qint64 received, qint64 total) {
            checkDownloadSize(kind, reply, received, total);
        });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, kind, reply] {
        bool ok = false;
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok)
            checkDownloadSize(kind, reply, 0, announced);
    });
    if (kind == Download::Firmware)
        connect(reply, &QNetworkReply::downloadProgress, this, &DeviceFirmwareProcess::fileDownloadProcess);
}

void DeviceFirmwareProcess::downloadFinished(Download kind, QNetworkReply *reply)
{
    reply->deleteLater();
    const bool picture = kind == Download::Picture;
    (picture ? m_pictureReply : m_firmwareReply) = nullptr;

    const QByteArray body = reply->readAll();
    if (!isCompleteDownload(reply, body)) {
        qCInfo(lcNet).noquote() << (picture ? "picture" : "firmware")
                                << "download not usable:" << networkErrorName(reply->error()) << "status"
                                << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()
                                << "bytes" << body.size();
        emit getServerMessage(picture ? PictureEmpty : FirmwareEmpty);
        return;
    }
    if (picture) {
        m_pictureData = body;
        emit devicePictureFinished();
        emit getServerMessage(PictureReceived);
    } else {
        m_firmwareData = body;
        emit deviceFirmwareFinished();
        emit getServerMessage(FirmwareReceived);
    }
}

void DeviceFirmwareProcess::checkDownloadSize(
    Download kind, QNetworkReply *reply, qint64 received, qint64 total)
{
    const bool picture = kind == Download::Picture;
    const qint64 limit = picture ? m_endpoints.maxPictureBytes : m_endpoints.maxFirmwareBytes;
    if (received <= limit && total <= limit)
        return;
    QPointer<QNetworkReply> &slot = picture ? m_pictureReply : m_firmwareReply;
    if (slot != reply)
        return;
    qCDebug(lcNet) << (picture ? "picture" : "firmware") << "download beyond" << limit << "bytes abandoned";
    abandon(slot);
    emit getServerMessage(picture ? PictureEmpty : FirmwareEmpty);
}

void DeviceFirmwareProcess::abandon(QPointer<QNetworkReply> &reply)
{
    if (!reply)
        return;
    QNetworkReply *old = reply;
    reply = nullptr;
    // Only our own handlers; the manager keeps its bookkeeping.
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

void DeviceFirmwareProcess::clearDeviceInfo()
{
    ++m_generation;
    abandon(m_reply);
    abandon(m_pictureReply);
    abandon(m_firmwareReply);
    m_vendor.clear();
    m_model.clear();
    m_nickname.clear();
    m_img.clear();
    m_dat.clear();
    m_version.clear();
    m_content.clear();
    m_pictureData.clear();
    m_firmwareData.clear();
}

QString DeviceFirmwareProcess::vendor() const
{
    return m_vendor;
}

QString DeviceFirmwareProcess::model() const
{
    return m_model;
}

QString DeviceFirmwareProcess::nickname() const
{
    return m_nickname;
}

QString DeviceFirmwareProcess::pictureUrl() const
{
    return m_img;
}

QString DeviceFirmwareProcess::firmwareUrl() const
{
    return m_dat;
}

QByteArray DeviceFirmwareProcess::pictureData() const
{
    return m_pictureData;
}

QByteArray DeviceFirmwareProcess::firmwareData() const
{
    return m_firmwareData;
}

QString DeviceFirmwareProcess::latestVersion() const
{
    return m_version.toLower();
}

QString DeviceFirmwareProcess::cameraVersion() const
{
    return m_cameraVersion;
}

QString DeviceFirmwareProcess::releaseNotes()
{
    QTextDocument document;
    document.setHtml(m_content);
    m_content = document.toPlainText();
    return m_content;
}

QString DeviceFirmwareProcess::firmwareImageModelName() const
{
    return imageModelName(m_firmwareData, m_nickname);
}

QString DeviceFirmwareProcess::imageModelName(const QByteArray &image, const QString &nickname)
{
    if (image.size() <= 64)
        return QStringLiteral("error -1");
    const bool shortHeader = LensCatalogue::shortHeaderNicknames().contains(nickname, Qt::CaseSensitive);
    const QByteArray field = shortHeader ? image.mid(16, 16) : image.mid(32, 32);
    const QByteArray trimmed = field.trimmed();
    return QString::fromUtf8(trimmed.constData(), int(qstrnlen(trimmed.constData(), uint(trimmed.size()))));
}
