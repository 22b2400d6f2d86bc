#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QSocketNotifier;
class QTemporaryDir;

// A lens in U-disk mode, simulated on a real mounted volume that shows up
// in /proc/mounts: by default a FAT image made with mkfs.fat and mounted
// with fusefat (type fuse.fusefat), as a lens presents itself; or a tmpfs,
// a volume no lens has, where a test needs one (symlinks, a "lens" that is
// not one). Needs root, and for FAT /dev/fuse, mkfs.fat and fusefat.
//
// A read-only volume is the writable one with a read-only bind mount of
// itself stacked on the same mount point, so that it can turn read-only or
// writable again without ever leaving the volume list.
//
// The lens's behaviour runs in the event loop of the thread that created
// the object (inotify on the volume root): the test must keep that loop
// turning (QSignalSpy::wait, QTRY_COMPARE, or the local event loops of a
// UdiskDevice living on the same thread).
//
// When a writer closes Fw.dat (or renames a file to that name) the lens
// reads it. A non-empty file (equal to the expected image, if one was set)
// is taken: after the take delay the lens removes DeviceInformation.txt and
// Fw.dat, and later, if asked to, comes back with a new firmware version.
// Anything else is rejected and the lens keeps its information file.
//
// The volume is unmounted and its temporary folder removed on destruction,
// also when a test fails half-way.
class UdiskLensVolume : public QObject
{
    Q_OBJECT

public:
    enum FileSystem { Fat, Tmpfs };

    explicit UdiskLensVolume(QObject *parent = nullptr);
    explicit UdiskLensVolume(FileSystem fileSystem, QObject *parent = nullptr);
    ~UdiskLensVolume() override;

    // Whether this process can mount both kinds of volume; *reason says why
    // not. Probes once per process (and clears mounts left by crashed runs).
    static bool canMount(QString *reason = nullptr);

    FileSystem fileSystem() const { return m_fileSystem; }
    // Takes effect at the next mount.
    void setFileSystem(FileSystem fileSystem) { m_fileSystem = fileSystem; }
    // The mount type the platform lists the volume with.
    QString fileSystemType() const;

    // Mounts a volume of sizeBytes at dir (created when missing). A
    // read-only volume still gets its information file written: the
    // helper makes it writable for its own writes.
    bool mount(const QString &dir, qint64 sizeBytes, bool readOnly = false);
    // The same under a fresh unique folder in the temporary directory.
    bool mount(qint64 sizeBytes, bool readOnly = false);
    bool unmount();
    // Unplugged and plugged in again: the FAT image mounted afresh, after
    // fsck.fat found it consistent, so that what is read then comes from
    // the image. The lens stays stopped.
    bool replug();
    bool isMounted() const { return !m_root.isEmpty(); }
    QString rootPath() const { return m_root; }
    QString filePath(const QString &name) const;
    // The FAT image behind the volume; empty for tmpfs.
    QString imagePath() const { return m_imagePath; }
    QString errorString() const { return m_error; }

    bool setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    qint64 bytesAvailable() const;
    // Leaves about leaveFreeBytes (rounded to whole blocks) free.
    bool fill(qint64 leaveFreeBytes);

    // DeviceInformation.txt as this lens writes it: five CRLF lines, the
    // model name after a lead of 20 characters, the version after one of 18.
    static QByteArray deviceInformationText(const QString &modelName, const QString &version);
    bool writeDeviceInformation(const QString &modelName, const QString &version);
    bool writeDeviceInformationRaw(const QByteArray &contents);
    bool removeDeviceInformation();
    bool hasDeviceInformation() const;
    bool writeFile(const QString &name, const QByteArray &contents);
    QByteArray readFile(const QString &name) const;
    // File names in the volume root, sorted.
    QStringList entries() const;

    // Hostile volumes. A symlink in the root (tmpfs only: FAT has none).
    bool makeSymlink(const QString &name, const QString &target);
    // Mounts `source` (any file, a FIFO included) over `name` in the root,
    // creating an empty file there first: the name then leads off the
    // volume, as a symlink would. Undone by unmount().
    bool bindOver(const QString &name, const QString &source);

    // Lens behaviour. takeDelayMs < 0: the lens never removes its file.
    void setTakeDelay(int takeDelayMs) { m_takeDelayMs = takeDelayMs; }
    // After taking an image, write the information file again with
    // newVersion after comeBackDelayMs. An empty version: stay away.
    void setComeBack(const QString &newVersion, int comeBackDelayMs);
    // When set, only this exact image is taken.
    void setExpectedFirmware(const QByteArray &image) { m_expected = image; }
    void startLens();
    void stopLens();

    // Contents of the last complete Fw.dat the lens found, and how many it found.
    QByteArray receivedFirmware() const { return m_received; }
    int firmwareCount() const { return m_firmwareCount; }

signals:
    void firmwareReceived(const QByteArray &image, bool accepted);
    void deviceInformationRemoved();
    void cameBack(const QString &version);

private:
    void readEvents();
    void checkForFirmware();
    void takeFirmware();
    void comeBack();
    bool writeRootFile(const QString &name, const QByteArray &contents);
    bool mountFat(const QString &path, qint64 sizeBytes);
    bool unmountBinds();
    bool run(const QStringList &args);
    bool remount(bool readOnly);
    template <typename F> bool writable(F &&f);
    bool fail(const QString &message);

    FileSystem m_fileSystem = Fat;
    std::unique_ptr<QTemporaryDir> m_tempDir;
    QString m_root;
    QString m_imagePath;
    QStringList m_binds;
    bool m_createdDir = false;
    bool m_readOnly = false;
    QString m_error;

    QString m_modelName;
    QString m_comeBackVersion;
    int m_comeBackDelayMs = 0;
    int m_takeDelayMs = 200;
    QByteArray m_expected;

    int m_inotify = -1;
    QSocketNotifier *m_notifier = nullptr;
    bool m_lensRunning = false;
    bool m_taking = false;
    QString m_lastSeenStamp;
    QByteArray m_received;
    int m_firmwareCount = 0;
};
