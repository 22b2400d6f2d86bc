#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QTimer;

// The program's only HTTP(S) client: asks the firmware server for the latest
// firmware of a lens, keeps the reply's fields, downloads the lens picture and
// the firmware image, and probes whether the internet is reachable.
//
// Everything runs on the thread that owns the object (the GUI thread).
class DeviceFirmwareProcess : public QObject
{
    Q_OBJECT

public:
    enum GetServerMsg {
        InfoReceived = 1,
        ReplyParseError = 2,
        ReplyRejected = 3,
        PictureReceived = 4,
        PictureEmpty = 5,
        FirmwareReceived = 6,
        FirmwareEmpty = 7,
    };
    Q_ENUM(GetServerMsg)

    // Where the client talks to. The built-in values come from the build
    // settings LENS_SERVER_ORIGIN and LENS_PROBE_URL; tests and tools hand
    // in their own.
    struct Endpoints
    {
        QString origin; // scheme, host and port, e.g. "https://127.0.0.1:8443"
        QUrl probeUrl; // fetched on every probe tick
        int probeIntervalMs = 8000;
        int queryTimeoutMs = 15000; // inactivity limit of queries and probes
        int downloadTimeoutMs = 60000; // inactivity limit of the two downloads
        // Bodies announced or received beyond these are abandoned.
        qint64 maxFirmwareBytes = 16 * 1024 * 1024;
        qint64 maxPictureBytes = 8 * 1024 * 1024;
    };

    // Uses builtInEndpoints().
    explicit DeviceFirmwareProcess(QObject *parent = nullptr);
    explicit DeviceFirmwareProcess(const Endpoints &endpoints, QObject *parent = nullptr);
    ~DeviceFirmwareProcess() override;

    // The compiled-in endpoints.
    static Endpoints builtInEndpoints();

    // The last reachability reported by networkConnectStatus(), shared by all
    // instances for the life of the process; starts as true.
    static bool lastReportedReachability();
    // Puts the shared flag back to reachable (for tests).
    static void resetReachability();

    Endpoints endpoints() const;
    QString baseUrl() const;

    void requestLatestFirmware(const QString &model, const QString &serialNumber, const QString &version);
    // Ends the running query and both downloads and forgets the reply and
    // its bytes: nothing fetched before arrives after this.
    void clearDeviceInfo();

    QString vendor() const;
    QString model() const;
    QString nickname() const;
    QString pictureUrl() const;
    QString firmwareUrl() const;
    QByteArray pictureData() const;
    QByteArray firmwareData() const;
    QString latestVersion() const;
    QString cameraVersion() const;

    // Converts the stored release notes from HTML to plain text, keeps the
    // plain text and returns it.
    QString releaseNotes();

    // Model name in the header of the downloaded firmware image; "error -1"
    // when the image is too short to hold a header.
    QString firmwareImageModelName() const;
    // The same for any image, e.g. one read from a file, with the nickname
    // that selects the header layout.
    static QString imageModelName(const QByteArray &image, const QString &nickname);

signals:
    void hasDeviceMessage();
    void fileDownloadProcess(qint64 bytesReceived, qint64 bytesTotal);
    void devicePictureFinished();
    void deviceFirmwareFinished();
    void networkConnectStatus(bool reachable);
    void getServerMessage(DeviceFirmwareProcess::GetServerMsg message);
    // The latest-version query failed on the way (before getServerMessage
    // reports the outcome): lets a caller tell an unreachable server from a
    // server that answered.
    void queryFailed(QNetworkReply::NetworkError error);

private slots:
    void deviceInformationHandle();
    void replyError(QNetworkReply::NetworkError error);
    void onTimerTimeout();

private:
    enum class Download { Picture, Firmware };

    void startDownload(Download kind, const QString &url);
    void downloadFinished(Download kind, QNetworkReply *reply);
    void probeFinished(QNetworkReply *reply);
    void abandon(QPointer<QNetworkReply> &reply);
    // Abandons a download whose body is beyond its limit.
    void checkDownloadSize(Download kind, QNetworkReply *reply, qint64 received, qint64 total);

    QString m_baseUrl;
    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QString m_vendor;
    QString m_model;
    QString m_nickname;
    QString m_img;
    QString m_dat;
    QString m_version;
    QString m_cameraVersion;
    QString m_content;
    QByteArray m_pictureData;
    QByteArray m_firmwareData;
    QTimer *m_probeTimer = nullptr;

    Endpoints m_endpoints;
    // Downloads of the latest successful reply; earlier ones are abandoned.
    QPointer<QNetworkReply> m_pictureReply;
    QPointer<QNetworkReply> m_firmwareReply;
    // Counts clearDeviceInfo() calls, so that nothing deferred outlives one.
    // Counts forgotten offers, so that nothing deferred outlives one.
    quint64 m_generation = 0;
};
