#include "udisklensvolume.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kInfoFile[] = "DeviceInformation.txt";
const char kFirmwareFile[] = "Fw.dat";
const char kFillerFile[] = "filler.bin";
const qint64 kPage = 4096;
const int kPollMs = 10;

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

// Mounts left behind by test processes that died before their clean-up.
void reapStaleMounts()
{
    QFile mounts(QStringLiteral("/proc/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return;
    const QRegularExpression own(QLatin1Char('^') + QRegularExpression::escape(tempFolderPrefix())
                                 + QLatin1String("(\\d+)-[^/]+/vol$"));
    const QList<QByteArray> lines = mounts.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3 || fields.at(2) != "tmpfs")
            continue;
        const QString mountPoint = QString::fromLocal8Bit(fields.at(1));
        const QRegularExpressionMatch m = own.match(mountPoint);
        if (!m.hasMatch() || QFileInfo::exists(QLatin1String("/proc/") + m.captured(1)))
            continue;
        if (runCommand({QStringLiteral("umount"), QStringLiteral("-l"), mountPoint}, nullptr))
            QDir(QFileInfo(mountPoint).path()).removeRecursively();
    }
}

} // namespace

UdiskLensVolume::UdiskLensVolume(QObject *parent)
    : QObject(parent)
{
}

UdiskLensVolume::~UdiskLensVolume()
{
    stopLens();
    if (isMounted() && !unmount() && m_tempDir)
        m_tempDir->setAutoRemove(false); // never recurse into a live mount
}

bool UdiskLensVolume::canMount(QString *reason)
{
    static QString whyNot;
    static const bool can = [] {
        if (::geteuid() != 0) {
            whyNot = QStringLiteral("mounting a tmpfs volume needs root");
            return false;
        }
        reapStaleMounts();
        UdiskLensVolume probe;
        if (!probe.mount(kPage)) {
            whyNot = QStringLiteral("cannot mount a tmpfs volume: ") + probe.errorString();
            return false;
        }
        if (!probe.unmount()) {
            whyNot = QStringLiteral("cannot unmount a tmpfs volume: ") + probe.errorString();
            return false;
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
    m_tempDir.reset(new QTemporaryDir(tempFolderPrefix() + QString::number(QCoreApplication::applicationPid())
                                      + QLatin1String("-XXXXXX")));
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
    const QString options = QStringLiteral("size=%1,mode=0755").arg(sizeBytes);
    if (!run({QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
              options, QStringLiteral("tmpfs"), path})) {
        if (m_createdDir)
            QDir().rmdir(path);
        return false;
    }
    m_root = path;
    m_readOnly = false;
    return !readOnly || setReadOnly(true);
}

bool UdiskLensVolume::unmount()
{
    if (!isMounted())
        return true;
    stopLens();
    if (!run({QStringLiteral("umount"), m_root})
        && !run({QStringLiteral("umount"), QStringLiteral("-l"), m_root}))
        return false;
    if (m_createdDir)
        QDir().rmdir(m_root);
    m_root.clear();
    m_readOnly = false;
    m_tempDir.reset();
    return true;
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
    return run({QStringLiteral("mount"), QStringLiteral("-o"),
                readOnly ? QStringLiteral("remount,ro") : QStringLiteral("remount,rw"), m_root});
}

// Runs f with the volume writable, whatever the test asked of the mount.
template <typename F>
bool UdiskLensVolume::writable(F &&f)
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
    const qint64 fillBytes = (bytesAvailable() - leaveFreeBytes) / kPage * kPage;
    if (fillBytes < 0)
        return fail(QStringLiteral("less than %1 bytes free already").arg(leaveFreeBytes));
    return writable([&] { return writeFile(QLatin1String(kFillerFile), QByteArray(int(fillBytes), '\0')); });
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
    return writable([&] { return writeFile(QLatin1String(kInfoFile), contents); });
}

bool UdiskLensVolume::removeDeviceInformation()
{
    return writable([&] {
        const QString path = m_root + QLatin1Char('/') + QLatin1String(kInfoFile);
        return !QFileInfo::exists(path) || QFile::remove(path) || fail(QStringLiteral("cannot remove ") + path);
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
    return QDir(m_root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                  QDir::Name);
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
    m_lensRunning = true;
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &UdiskLensVolume::checkForFirmware);
    }
    m_watcher->addPath(m_root);
    // inotify may coalesce or miss events; the poll makes sure.
    if (!m_pollTimer) {
        m_pollTimer = new QTimer(this);
        m_pollTimer->setInterval(kPollMs);
        connect(m_pollTimer, &QTimer::timeout, this, &UdiskLensVolume::checkForFirmware);
    }
    m_pollTimer->start();
    m_lastSeenStamp.clear();
    checkForFirmware();
}

void UdiskLensVolume::stopLens()
{
    m_lensRunning = false;
    if (m_pollTimer)
        m_pollTimer->stop();
    if (m_watcher && !m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
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

bool UdiskLensVolume::writeFile(const QString &name, const QByteArray &contents)
{
    QFile file(m_root + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("cannot create ") + file.fileName() + QLatin1String(": ") + file.errorString());
    const qint64 written = file.write(contents);
    const bool flushed = file.flush();
    file.close();
    if (written != contents.size() || !flushed)
        return fail(QStringLiteral("cannot write ") + file.fileName() + QLatin1String(": ") + file.errorString());
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
