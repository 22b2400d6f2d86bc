#pragma once

#include <QByteArray>
#include <QList>
#include <mutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QTimer;

// Watches the mounted volumes for a lens in U-disk mode (a volume whose root
// holds DeviceInformation.txt) and writes firmware onto it as Fw.dat.
//
// Meant to be moved onto a thread of its own: the detection timer stays on
// the constructing thread and its ticks reach timerUdiskModeDetect() queued.
// The accessors may be called from any thread; they return the values of
// one complete detection pass.
class UdiskDevice : public QObject
{
    Q_OBJECT

public:
    // Root paths of the volumes to look at, in list order. Called on the
    // thread the object lives on.
    using VolumeLister = std::function<QStringList()>;

    explicit UdiskDevice(QObject *parent = nullptr);
    explicit UdiskDevice(VolumeLister volumeLister, QObject *parent = nullptr);
    ~UdiskDevice() override;

    // The default volume list: root paths of QStorageInfo::mountedVolumes(),
    // read afresh on every call so that new mounts are seen at once.
    static QStringList mountedVolumeRoots();

    QString modelName() const;
    QString firmwareVersion() const;
    // Catalogue code of modelName(); empty when the name is not listed.
    QString modelCode() const;
    // Root of the lens volume the last pass read; empty when none.
    QString volumeRoot() const;

    static constexpr int DetectIntervalMs = 500;
    static constexpr int TakeCheckIntervalMs = 50;
    static constexpr int TakeCheckCount = 160;
    static constexpr int SettleMs = 1000;

signals:
    void isUdiskModeConnecte(bool connected);
    void updateStateChanged(int state);

public slots:
    void updateHandle(QByteArray firmware);
    void updateHandle(QByteArray firmware, QString volumeRoot);

private slots:
    void timerUdiskModeDetect();

private:
    int updateOnce(const QByteArray &firmware);
    bool writeFirmwareFile(const QString &root, const QByteArray &firmware);
    bool waitForLensToTake(const QString &infoPath);
    static bool localWait(int ms);

    QTimer *m_detectTimer = nullptr;
    mutable std::mutex m_mutex; // seen by thread sanitizers, unlike QMutex's slow path
    QString m_modelName;
    QString m_firmwareVersion;
    QString m_volumeRoot;

    VolumeLister m_volumeLister;
    bool m_updating = false;
    QList<QByteArray> m_pendingUpdates;
};
