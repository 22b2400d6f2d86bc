#include "udisklensvolume.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kInfoFile[] = "DeviceInformation.txt";
const char kFirmwareFile[] = "Fw.dat";
const char kFillerFile[] = "filler.bin";
const qint64 kProbeSize = 1 << 20;
const char kFatType[] = "fuse.fusefat";
// fusefat is mounted single-threaded (-s), so requests are served in the
// order the kernel sends them. Multi-threaded, the release of a file removed
// while open could come after a later listing, which then showed the
// file's hidden stand-in (.fuse_hidden…).

QString tempFolderPrefix()
{
    return QDir::tempPath() + QLatin1String("/udisklens-");
}

// Identity of a file's current contents: a rewrite or a rename over it
// changes at least one of these.
QString fileStamp(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    return QStringLiteral("%1:%2:%3.%4")
        .arg(qulonglong(st.st_ino))
        .arg(qlonglong(st.st_size))
        .arg(qlonglong(st.st_mtim.tv_sec))
        .arg(qlonglong(st.st_mtim.tv_nsec));
}

bool runCommand(const QStringList &args, QString *error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(args.first(), args.mid(1));
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        if (error) {
            *error = args.join(QLatin1Char(' ')) + QLatin1String(": ")
                + QString::fromLocal8Bit(process.readAll()).trimmed() + process.errorString();
        }
        return false;
    }
    return true;
}

// Mounts left behind by test processes that died before their clean-up:
// the volume and whatever was stacked on it or mounted inside it.
void reapStaleMounts()
{
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return;
    const QRegularExpression own(QLatin1Char('^') + QRegularExpression::escape(tempFolderPrefix())
        + QLatin1String("(\\d+)-[^/]+/vol(/.*)?$"));
    QStringList stale;
    const QList<QByteArray> lines = mounts.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        const QString mountPoint = QString::fromLocal8Bit(fields.at(1));
        const QRegularExpressionMatch m = own.match(mountPoint);
        if (m.hasMatch() && !QFileInfo::exists(QLatin1String("/proc/") + m.captured(1)))
            stale.prepend(mountPoint); // last mounted first
    }
    for (const QString &mountPoint : qAsConst(stale))
        runCommand({ QStringLiteral("umount"), QStringLiteral("-l"), mountPoint }, nullptr);
    for (const QString &mountPoint : qAsConst(stale)) {
        if (mountPoint.endsWith(QLatin1String("/vol")))
            QDir(QFileInfo(mountPoint).path()).removeRecursively();
    }
}

// Whether dir is a mount point of the given type.
bool mountedAt(const QString &dir, const QString &type)
{
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    const QByteArray path = QFile::encodeName(dir);
    const QList<QByteArray> lines = mounts.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 3 && fields.at(1) == path && QString::fromLatin1(fields.at(2)) == type)
            return true;
    }
    return false;
}

} // namespace

UdiskLensVolume::UdiskLensVolume(QObject *parent)
    : UdiskLensVolume(Fat, parent)
{
}

UdiskLensVolume::UdiskLensVolume(FileSystem fileSystem, QObject *parent)
    : QObject(parent)
    , m_fileSystem(fileSystem)
{
}

UdiskLensVolume::~UdiskLensVolume()
{
    stopLens();
    if (isMounted() && !unmount() && m_tempDir)
        m_tempDir->setAutoRemove(false); // never recurse into a live mount
    if (m_inotify >= 0)
        ::close(m_inotify);
}

QString UdiskLensVolume::fileSystemType() const
{
    return m_fileSystem == Fat ? QLatin1String(kFatType) : QStringLiteral("tmpfs");
}

QString UdiskLensVolume::filePath(const QString &name) const
{
    return m_root + QLatin1Char('/') + name;
}

bool UdiskLensVolume::canMount(QString *reason)
{
    static QString whyNot;
    static const bool can = [] {
        if (::geteuid() != 0) {
            whyNot = QStringLiteral("mounting lens volumes needs root");
            return false;
        }
        reapStaleMounts();
        for (FileSystem fs : { Fat, Tmpfs }) {
            UdiskLensVolume probe(fs);
            if (!probe.mount(kProbeSize)) {
                whyNot = QStringLiteral("cannot mount a %1 volume: %2")
                             .arg(probe.fileSystemType(), probe.errorString());
                return false;
            }
            if (!probe.setReadOnly(true) || !probe.setReadOnly(false)) {
                whyNot = QStringLiteral("cannot make a %1 volume read-only: %2")
                             .arg(probe.fileSystemType(), probe.errorString());
                return false;
            }
            if (!probe.unmount()) {
                whyNot = QStringLiteral("cannot unmount a %1 volume: %2")
                             .arg(probe.fileSystemType(), probe.errorString());
                return false;
            }
        }
        return true;
    }();
    if (reason)
        *reason = whyNot;
    return can;
}

bool UdiskLensVolume::mount(qint64 sizeBytes, bool readOnly)
{
    if (isMounted())
        return fail(QStringLiteral("already mounted at ") + m_root);
    m_tempDir.reset(new QTemporaryDir(
        tempFolderPrefix() + QString::number(QCoreApplication::applicationPid()) + QLatin1String("-XXXXXX")));
    if (!m_tempDir->isValid())
        return fail(QStringLiteral("cannot create a temporary folder: ") + m_tempDir->errorString());
    return mount(m_tempDir->path() + QLatin1String("/vol"), sizeBytes, readOnly);
}

bool UdiskLensVolume::mount(const QString &dir, qint64 sizeBytes, bool readOnly)
{
    if (isMounted())
        return fail(QStringLiteral("already mounted at ") + m_root);
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    m_createdDir = !QFileInfo::exists(path);
    if (m_createdDir && !QDir().mkpath(path))
        return fail(QStringLiteral("cannot create ") + path);
    bool mounted = false;
    if (m_fileSystem == Fat) {
        mounted = mountFat(path, sizeBytes);
    } else {
        const QString options = QStringLiteral("size=%1,mode=0755").arg(sizeBytes);
        mounted = run({ QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"),
            QStringLiteral("-o"), options, QStringLiteral("tmpfs"), path });
    }
    if (!mounted) {
        if (m_createdDir)
            QDir().rmdir(path);
        return false;
    }
    m_root = path;
    m_readOnly = false;
    return !readOnly || setReadOnly(true);
}

bool UdiskLensVolume::mountFat(const QString &path, qint64 sizeBytes)
{
    // The image lives beside the mount point, never on it.
    if (!m_tempDir) {
        m_tempDir.reset(new QTemporaryDir(tempFolderPrefix()
            + QString::number(QCoreApplication::applicationPid()) + QLatin1String("-XXXXXX")));
        if (!m_tempDir->isValid())
            return fail(QStringLiteral("cannot create a temporary folder: ") + m_tempDir->errorString());
    }
    const QString image = m_tempDir->path() + QLatin1String("/volume.fat");
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.resize(sizeBytes))
        return fail(QStringLiteral("cannot create ") + image + QLatin1String(": ") + file.errorString());
    file.close();
    // No volume label: fusefat would show it as a file in the root.
    if (!run({ QStringLiteral("mkfs.fat"), image }))
        return false;
    if (!run({ QStringLiteral("fusefat"), QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("rw+"),
            image, path }))
        return false;
    if (!mountedAt(path, QLatin1String(kFatType)))
        return fail(QStringLiteral("fusefat did not mount ") + path);
    m_imagePath = image;
    return true;
}

bool UdiskLensVolume::unmountBinds()
{
    while (!m_binds.isEmpty()) {
        const QString target = m_binds.last();
        if (!run({ QStringLiteral("umount"), target })
            && !run({ QStringLiteral("umount"), QStringLiteral("-l"), target }))
            return false;
        m_binds.removeLast();
    }
    return true;
}

bool UdiskLensVolume::unmount()
{
    if (!isMounted())
        return true;
    stopLens();
    if (!unmountBinds())
        return false;
    if (m_readOnly && !remount(false))
        return false;
    if (!run({ QStringLiteral("umount"), m_root })
        && !run({ QStringLiteral("umount"), QStringLiteral("-l"), m_root }))
        return false;
    if (m_createdDir)
        QDir().rmdir(m_root);
    m_root.clear();
    m_imagePath.clear();
    m_readOnly = false;
    m_tempDir.reset();
    return true;
}

bool UdiskLensVolume::replug()
{
    if (!isMounted() || m_fileSystem != Fat)
        return fail(QStringLiteral("no FAT volume mounted"));
    stopLens();
    const bool readOnly = m_readOnly;
    if (!unmountBinds() || (m_readOnly && !remount(false)))
        return false;
    m_readOnly = false;
    if (!run({ QStringLiteral("umount"), m_root }))
        return false;
    // fusefat writes the image back as it goes away.
    for (int i = 0; i < 500 && mountedAt(m_root, QLatin1String(kFatType)); ++i)
        QThread::msleep(10);
    if (!run({ QStringLiteral("fsck.fat"), QStringLiteral("-n"), m_imagePath }))
        return false;
    if (!run({ QStringLiteral("fusefat"), QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("rw+"),
            m_imagePath, m_root })
        || !mountedAt(m_root, QLatin1String(kFatType)))
        return fail(QStringLiteral("fusefat did not mount ") + m_root + QLatin1String(" again: ") + m_error);
    return !readOnly || setReadOnly(true);
}

bool UdiskLensVolume::setReadOnly(bool readOnly)
{
    if (!isMounted())
        return fail(QStringLiteral("not mounted"));
    if (readOnly == m_readOnly)
        return true;
    if (!remount(readOnly))
        return false;
    m_readOnly = readOnly;
    return true;
}

bool UdiskLensVolume::remount(bool readOnly)
{
    if (m_fileSystem == Tmpfs)
        return run({ QStringLiteral("mount"), QStringLiteral("-o"),
            readOnly ? QStringLiteral("remount,ro") : QStringLiteral("remount,rw"), m_root });
    // FUSE has no remount: a read-only bind of the volume onto itself,
    // taken off again to make it writable. Mounts made inside the volume
    // stay reachable only below the bind, so they go first.
    if (!unmountBinds())
        return false;
    if (!readOnly)
        return run({ QStringLiteral("umount"), m_root });
    if (!run({ QStringLiteral("mount"), QStringLiteral("--bind"), m_root, m_root }))
        return false;
    if (!run({ QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), m_root })) {
        run({ QStringLiteral("umount"), m_root });
        return false;
    }
    return true;
}

// Runs f with the volume writable, whatever the test asked of the mount.
template <typename F> bool UdiskLensVolume::writable(F &&f)
{
    if (!isMounted())
        return fail(QStringLiteral("not mounted"));
    if (!m_readOnly)
        return f();
    if (!remount(false))
        return false;
    const bool ok = f();
    return remount(true) && ok;
}

qint64 UdiskLensVolume::bytesAvailable() const
{
    return isMounted() ? QStorageInfo(m_root).bytesAvailable() : -1;
}

bool UdiskLensVolume::fill(qint64 leaveFreeBytes)
{
    if (!isMounted())
        return fail(QStringLiteral("not mounted"));
    const qint64 block = qMax(1, QStorageInfo(m_root).blockSize());
    const qint64 fillBytes = (bytesAvailable() - leaveFreeBytes) / block * block;
    if (fillBytes < 0)
        return fail(QStringLiteral("less than %1 bytes free already").arg(leaveFreeBytes));
    return writable(
        [&] { return writeRootFile(QLatin1String(kFillerFile), QByteArray(int(fillBytes), '\0')); });
}

QByteArray UdiskLensVolume::deviceInformationText(const QString &modelName, const QString &version)
{
    // Leads of exactly 20 and 18 characters.
    QByteArray text;
    text += "Lens model        : " + modelName.toLocal8Bit() + "\r\n";
    text += "Hardware revision : H1.0\r\n";
    text += "Loader            : B1.2\r\n";
    text += "Firmware version: " + version.toLocal8Bit() + "\r\n";
    text += "Mode              : U-disk\r\n";
    return text;
}

bool UdiskLensVolume::writeDeviceInformation(const QString &modelName, const QString &version)
{
    m_modelName = modelName;
    return writeDeviceInformationRaw(deviceInformationText(modelName, version));
}

bool UdiskLensVolume::writeDeviceInformationRaw(const QByteArray &contents)
{
    return writable([&] { return writeRootFile(QLatin1String(kInfoFile), contents); });
}

bool UdiskLensVolume::writeFile(const QString &name, const QByteArray &contents)
{
    return writable([&] { return writeRootFile(name, contents); });
}

QByteArray UdiskLensVolume::readFile(const QString &name) const
{
    QFile file(filePath(name));
    return isMounted() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool UdiskLensVolume::makeSymlink(const QString &name, const QString &target)
{
    return writable([&] {
        return QFile::link(target, filePath(name))
            || fail(QStringLiteral("cannot make the symlink ") + filePath(name));
    });
}

bool UdiskLensVolume::bindOver(const QString &name, const QString &source)
{
    const QString target = filePath(name);
    if (!QFileInfo::exists(target) && !writeFile(name, QByteArray()))
        return false;
    // Stacked above a read-only bind, if there is one; taken off with it.
    if (!run({ QStringLiteral("mount"), QStringLiteral("--bind"), source, target }))
        return false;
    m_binds.append(target);
    return true;
}

bool UdiskLensVolume::removeDeviceInformation()
{
    return writable([&] {
        const QString path = m_root + QLatin1Char('/') + QLatin1String(kInfoFile);
        return !QFileInfo::exists(path) || QFile::remove(path)
            || fail(QStringLiteral("cannot remove ") + path);
    });
}

bool UdiskLensVolume::hasDeviceInformation() const
{
    return isMounted() && QFileInfo::exists(m_root + QLatin1Char('/') + QLatin1String(kInfoFile));
}

QStringList UdiskLensVolume::entries() const
{
    if (!isMounted())
        return {};
    return QDir(m_root).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

void UdiskLensVolume::setComeBack(const QString &newVersion, int comeBackDelayMs)
{
    m_comeBackVersion = newVersion;
    m_comeBackDelayMs = comeBackDelayMs;
}

void UdiskLensVolume::startLens()
{
    if (!isMounted() || m_lensRunning)
        return;
    // The lens looks at Fw.dat once its writer has closed it, as a lens
    // waits for the computer to finish writing.
    if (m_inotify < 0) {
        m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_inotify < 0) {
            fail(QStringLiteral("no inotify"));
            return;
        }
        m_notifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &UdiskLensVolume::readEvents);
    }
    if (::inotify_add_watch(m_inotify, QFile::encodeName(m_root).constData(), IN_CLOSE_WRITE | IN_MOVED_TO)
        < 0) {
        fail(QStringLiteral("cannot watch ") + m_root);
        return;
    }
    m_lensRunning = true;
    m_lastSeenStamp.clear();
    checkForFirmware();
}

void UdiskLensVolume::stopLens()
{
    m_lensRunning = false;
    if (m_inotify >= 0) {
        // Dropping every watch: a fresh descriptor for the next start.
        delete m_notifier;
        m_notifier = nullptr;
        ::close(m_inotify);
        m_inotify = -1;
    }
}

void UdiskLensVolume::readEvents()
{
    alignas(struct inotify_event) char buffer[4096];
    bool firmware = false;
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + at);
            if (event->len > 0 && qstrcmp(event->name, kFirmwareFile) == 0)
                firmware = true;
            at += ssize_t(sizeof(struct inotify_event) + event->len);
        }
    }
    if (firmware)
        checkForFirmware();
}

void UdiskLensVolume::checkForFirmware()
{
    if (!m_lensRunning || m_taking)
        return;
    const QString path = m_root + QLatin1Char('/') + QLatin1String(kFirmwareFile);
    const QString stamp = fileStamp(path);
    if (stamp == m_lastSeenStamp)
        return;
    m_lastSeenStamp = stamp;
    if (stamp.isEmpty())
        return;
    // Like the lens, only a plain file is read (a FIFO would hang the test).
    // Nor one of another file system mounted over the name.
    struct stat fileSt, rootSt;
    if (::lstat(QFile::encodeName(path).constData(), &fileSt) != 0 || !S_ISREG(fileSt.st_mode)
        || ::stat(QFile::encodeName(m_root).constData(), &rootSt) != 0 || fileSt.st_dev != rootSt.st_dev)
        return;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_received = file.readAll();
    ++m_firmwareCount;
    const bool accepted = !m_received.isEmpty() && (m_expected.isEmpty() || m_received == m_expected);
    emit firmwareReceived(m_received, accepted);
    if (!accepted || m_takeDelayMs < 0)
        return;
    m_taking = true;
    QTimer::singleShot(m_takeDelayMs, Qt::PreciseTimer, this, &UdiskLensVolume::takeFirmware);
}

void UdiskLensVolume::takeFirmware()
{
    m_taking = false;
    if (!isMounted())
        return;
    writable([&] {
        QFile::remove(m_root + QLatin1Char('/') + QLatin1String(kInfoFile));
        QFile::remove(m_root + QLatin1Char('/') + QLatin1String(kFirmwareFile));
        return true;
    });
    m_lastSeenStamp.clear();
    emit deviceInformationRemoved();
    if (!m_comeBackVersion.isEmpty())
        QTimer::singleShot(m_comeBackDelayMs, this, &UdiskLensVolume::comeBack);
}

void UdiskLensVolume::comeBack()
{
    if (!isMounted())
        return;
    if (writeDeviceInformation(m_modelName, m_comeBackVersion))
        emit cameBack(m_comeBackVersion);
}

bool UdiskLensVolume::writeRootFile(const QString &name, const QByteArray &contents)
{
    QFile file(m_root + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(
            QStringLiteral("cannot create ") + file.fileName() + QLatin1String(": ") + file.errorString());
    const qint64 written = file.write(contents);
    const bool flushed = file.flush();
    file.close();
    if (written != contents.size() || !flushed)
        return fail(
            QStringLiteral("cannot write ") + file.fileName() + QLatin1String(": ") + file.errorString());
    return true;
}

bool UdiskLensVolume::run(const QStringList &args)
{
    QString error;
    if (runCommand(args, &error))
        return true;
    return fail(error);
}

bool UdiskLensVolume::fail(const QString &message)
{
    m_error = message;
    return false;
}
