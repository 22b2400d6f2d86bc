#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QFileSystemWatcher;
class QTemporaryDir;
class QTimer;

// A lens in U-disk mode, simulated on a real tmpfs volume that shows up in
// /proc/mounts and so in QStorageInfo::mountedVolumes(). Needs root.
//
// The lens's behaviour runs in the event loop of the thread that created
// the object (a QFileSystemWatcher plus a short polling timer): the test
// must keep that loop turning (QSignalSpy::wait, QTRY_COMPARE, or the
// local event loops of a UdiskDevice living on the same thread).
//
// When a complete Fw.dat appears the lens reads it. A non-empty file (equal
// to the expected image, if one was set) is taken: after the take delay the
// lens removes DeviceInformation.txt and Fw.dat, and later, if asked to,
// comes back with a new firmware version. Anything else is rejected and the
// lens keeps its information file.
//
// The volume is unmounted and its temporary folder removed on destruction,
// also when a test fails half-way.
class UdiskLensVolume : public QObject
{
    Q_OBJECT

public:
    explicit UdiskLensVolume(QObject *parent = nullptr);
    ~UdiskLensVolume() override;

    // Whether this process can mount tmpfs volumes; *reason says why not.
    // Probes once per process (and clears mounts left by crashed runs).
    static bool canMount(QString *reason = nullptr);

    // Mounts a tmpfs of sizeBytes at dir (created when missing). A
    // read-only volume still gets its information file written: the
    // helper remounts it writable for its own writes.
    bool mount(const QString &dir, qint64 sizeBytes, bool readOnly = false);
    // The same under a fresh unique folder in the temporary directory.
    bool mount(qint64 sizeBytes, bool readOnly = false);
    bool unmount();
    bool isMounted() const { return !m_root.isEmpty(); }
    QString rootPath() const { return m_root; }
    QString errorString() const { return m_error; }

    bool setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    qint64 bytesAvailable() const;
    // Leaves about leaveFreeBytes (rounded to whole pages) free.
    bool fill(qint64 leaveFreeBytes);

    // DeviceInformation.txt as this lens writes it: five CRLF lines, the
    // model name after a lead of 20 characters, the version after one of 18.
    static QByteArray deviceInformationText(const QString &modelName, const QString &version);
    bool writeDeviceInformation(const QString &modelName, const QString &version);
    bool writeDeviceInformationRaw(const QByteArray &contents);
    bool removeDeviceInformation();
    bool hasDeviceInformation() const;
    // File names in the volume root, sorted.
    QStringList entries() const;

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
    void checkForFirmware();
    void takeFirmware();
    void comeBack();
    bool writeFile(const QString &name, const QByteArray &contents);
    bool run(const QStringList &args);
    bool remount(bool readOnly);
    template <typename F> bool writable(F &&f);
    bool fail(const QString &message);

    std::unique_ptr<QTemporaryDir> m_tempDir;
    QString m_root;
    bool m_createdDir = false;
    bool m_readOnly = false;
    QString m_error;

    QString m_modelName;
    QString m_comeBackVersion;
    int m_comeBackDelayMs = 0;
    int m_takeDelayMs = 200;
    QByteArray m_expected;

    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_pollTimer = nullptr;
    bool m_lensRunning = false;
    bool m_taking = false;
    QString m_lastSeenStamp;
    QByteArray m_received;
    int m_firmwareCount = 0;
};
