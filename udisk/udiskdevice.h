#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

class QTimer;

// Watches the mounted volumes for a lens in U-disk mode (a FAT-family volume
// whose root holds a regular DeviceInformation.txt) and writes firmware onto
// it as Fw.dat.
//
// Meant to be moved onto a thread of its own: the detection timer stays on
// the constructing thread and its ticks reach timerUdiskModeDetect() queued.
// The accessors may be called from any thread; they return the values of
// one complete detection pass.
class UdiskDevice : public QObject
{
    Q_OBJECT

public:
    // Outcome of one updateHandle() call, carried as an int by
    // updateStateChanged().
    enum UpdateState {
        UpdateWritten = 0, // written whole; the lens took it or the wait ran out
        UpdateWriteFailed = 1, // Fw.dat could not be written whole; none is left
        UpdateNoFirmware = 4, // no bytes given and no lens volume mounted
        UpdateNoLens = 5, // the lens volume named is not (or no longer) a mounted lens
        UpdateSeveralLenses = 6, // more than one lens volume mounted; nothing written
    };
    Q_ENUM(UpdateState)

    struct Volume
    {
        QString rootPath;
        // As the platform names it: "vfat", "fuse.fusefat", "FAT32", ...
        QString fileSystemType;
    };
    // The mounted volumes, in the order the platform lists them. Called on
    // the thread the object lives on.
    using VolumeLister = std::function<QList<Volume>()>;

    explicit UdiskDevice(QObject *parent = nullptr);
    explicit UdiskDevice(VolumeLister volumeLister, QObject *parent = nullptr);
    ~UdiskDevice() override;

    // The default volume list, read afresh on every call so that new mounts
    // are seen at once. On Linux it comes from /proc/self/mounts without
    // touching the volumes, so a hung mount cannot stall it. A mount point
    // listed twice (one mount stacked on another) is the last one.
    static QList<Volume> mountedVolumes();
    // The file systems a lens volume can have; nothing else is looked at.
    static const QStringList &lensFileSystemTypes();
    static bool isLensFileSystem(const QString &fileSystemType);

    // Of the lens volume found last by the last complete detection pass.
    // Name and version keep their values when the lens goes; the root is
    // empty while no lens volume is mounted.
    QString modelName() const;
    QString firmwareVersion() const;
    // Catalogue code of modelName(); empty when the name is not listed.
    QString modelCode() const;
    QString volumeRoot() const;
    int lensVolumeCount() const;

    static constexpr int DetectIntervalMs = 500;
    static constexpr int TakeCheckIntervalMs = 50;
    static constexpr int TakeCheckCount = 160;
    static constexpr int SettleMs = 1000;
    // A larger information file is not read.
    static constexpr int MaxInfoFileBytes = 4096;

signals:
    void isUdiskModeConnecte(bool connected);
    void updateStateChanged(int state);

public slots:
    // Writes Fw.dat onto volumeRoot, and only when that is the one lens
    // volume mounted.
    void updateHandle(QByteArray firmware, QString volumeRoot);

private slots:
    void timerUdiskModeDetect();

private:
    struct Lens
    {
        QString rootPath;
        QString modelName;
        QString firmwareVersion;
    };
    struct PendingUpdate
    {
        QByteArray firmware;
        QString volumeRoot;
    };

    QList<Lens> findLenses() const;
    int updateOnce(const QByteArray &firmware, const QString &volumeRoot);
    bool waitForLensToTake(const QString &root);
    static bool localWait(int ms);

    QTimer *m_detectTimer = nullptr;
    mutable std::mutex m_mutex; // seen by thread sanitizers, unlike QMutex's slow path
    QString m_modelName;
    QString m_firmwareVersion;
    QString m_volumeRoot;
    int m_lensVolumeCount = 0;

    VolumeLister m_volumeLister;
    bool m_updating = false;
    QList<PendingUpdate> m_pendingUpdates;
};
