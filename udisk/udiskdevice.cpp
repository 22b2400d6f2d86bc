#include "udiskdevice.h"

#include "catalogue/lenscatalogue.h"
#include "udiskfiles.h"
#include "udisklog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

namespace {

const int kModelNameLead = 20;
const int kVersionLead = 18;

// Line `index` (from 0) of the information file as text: up to its first
// zero byte, in the local 8-bit code page; empty when the file has fewer.
QString infoLine(const QList<QByteArray> &lines, int index)
{
    if (index >= lines.size())
        return QString();
    QByteArray line = lines.at(index);
    const int zero = line.indexOf('\0');
    if (zero >= 0)
        line.truncate(zero);
    return QString::fromLocal8Bit(line);
}

QString valueAfterLead(const QString &line, int lead)
{
    return line.size() > lead ? line.mid(lead).trimmed() : QString();
}

QString cleanRoot(const QString &root)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(root));
}

bool sameRoot(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return !a.isEmpty() && !b.isEmpty() && cleanRoot(a).compare(cleanRoot(b), cs) == 0;
}

#ifdef Q_OS_LINUX
// /proc/self/mounts writes space, tab, line feed and backslash as \ooo.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size() && field.at(i + 1) >= '0' && field.at(i + 1) <= '3') {
            bool ok = false;
            const int c = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(c));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QFile::decodeName(out);
}
#endif

} // namespace

UdiskDevice::UdiskDevice(QObject *parent)
    : UdiskDevice(VolumeLister(), parent)
{
}

UdiskDevice::UdiskDevice(VolumeLister volumeLister, QObject *parent)
    : QObject(parent)
    , m_volumeLister(volumeLister ? std::move(volumeLister) : VolumeLister(&UdiskDevice::mountedVolumes))
{
    // No parent: the timer stays on this thread when the object is moved.
    m_detectTimer = new QTimer;
    m_detectTimer->setInterval(DetectIntervalMs);
    connect(m_detectTimer, &QTimer::timeout, this, &UdiskDevice::timerUdiskModeDetect);
    m_detectTimer->start();
}

UdiskDevice::~UdiskDevice()
{
    // A timer may only be stopped from its own thread.
    if (m_detectTimer->thread() == QThread::currentThread())
        delete m_detectTimer;
    else
        m_detectTimer->deleteLater();
}

QList<UdiskDevice::Volume> UdiskDevice::mountedVolumes()
{
    QList<Volume> volumes;
    const auto add = [&volumes](const QString &root, const QString &type) {
        // The mount stacked last on a mount point is the one seen there.
        for (int i = 0; i < volumes.size(); ++i) {
            if (volumes.at(i).rootPath == root) {
                volumes.removeAt(i);
                break;
            }
        }
        volumes.append(Volume { root, type });
    };
#ifdef Q_OS_LINUX
    // Read straight from the kernel: QStorageInfo would also ask every
    // volume for its size, which waits for as long as a dead one hangs.
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (mounts.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = mounts.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() >= 3)
                add(unescapeMountField(fields.at(1)), unescapeMountField(fields.at(2)));
        }
        return volumes;
    }
#endif
    const QList<QStorageInfo> infos = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &info : infos)
        add(info.rootPath(), QString::fromLatin1(info.fileSystemType()));
    return volumes;
}

const QStringList &UdiskDevice::lensFileSystemTypes()
{
    // Linux mount types (kernel and FUSE drivers), then Windows file
    // system names. A lens presents a small FAT volume; a directory of any
    // other file system holding DeviceInformation.txt is not a lens (world-
    // writable tmpfs folders would let anyone plant one).
    static const QStringList types {
        QStringLiteral("vfat"),
        QStringLiteral("msdos"),
        QStringLiteral("exfat"),
        QStringLiteral("fuseblk"),
        QStringLiteral("fuse.fusefat"),
        QStringLiteral("fuse.exfat"),
        QStringLiteral("FAT"),
        QStringLiteral("FAT32"),
        QStringLiteral("exFAT"),
    };
    return types;
}

bool UdiskDevice::isLensFileSystem(const QString &fileSystemType)
{
    return lensFileSystemTypes().contains(fileSystemType, Qt::CaseInsensitive);
}

QString UdiskDevice::modelName() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_modelName;
}

QString UdiskDevice::firmwareVersion() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_firmwareVersion;
}

QString UdiskDevice::modelCode() const
{
    return LensCatalogue::modelCode(modelName());
}

QString UdiskDevice::volumeRoot() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_volumeRoot;
}

int UdiskDevice::lensVolumeCount() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_lensVolumeCount;
}

QList<UdiskDevice::Lens> UdiskDevice::findLenses() const
{
    QList<Lens> lenses;
    const QList<Volume> volumes = m_volumeLister();
    for (const Volume &volume : volumes) {
        if (!isLensFileSystem(volume.fileSystemType))
            continue;
        const UdiskFiles::InfoFile info = UdiskFiles::readInfoFile(volume.rootPath, MaxInfoFileBytes);
        if (info.status == UdiskFiles::InfoStatus::Missing)
            continue;
        if (info.status == UdiskFiles::InfoStatus::NotAFile) {
            qCDebug(lcUdisk) << "not a lens:" << volume.rootPath
                             << "holds an information file that is no regular file";
            continue;
        }
        Lens lens;
        lens.rootPath = volume.rootPath;
        if (info.status == UdiskFiles::InfoStatus::Read) {
            const QList<QByteArray> lines = info.contents.split('\n');
            lens.modelName = valueAfterLead(infoLine(lines, 0), kModelNameLead);
            lens.firmwareVersion = valueAfterLead(infoLine(lines, 3), kVersionLead);
        } else {
            qCDebug(lcUdisk) << "cannot read the information file of" << volume.rootPath;
        }
        lenses.append(lens);
    }
    return lenses;
}

void UdiskDevice::timerUdiskModeDetect()
{
    const QList<Lens> lenses = findLenses();
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_lensVolumeCount = lenses.size();
        if (lenses.isEmpty()) {
            m_volumeRoot.clear();
        } else {
            m_modelName = lenses.last().modelName;
            m_firmwareVersion = lenses.last().firmwareVersion;
            m_volumeRoot = lenses.last().rootPath;
        }
    }
    emit isUdiskModeConnecte(!lenses.isEmpty());
}

void UdiskDevice::updateHandle(QByteArray firmware, QString volumeRoot)
{
    // Detection passes run inside the waits below, and so would a second
    // update arriving meanwhile; it waits its turn instead of writing the
    // same Fw.dat at the same time.
    if (m_updating) {
        m_pendingUpdates.append(PendingUpdate { firmware, volumeRoot });
        return;
    }
    m_updating = true;
    emit updateStateChanged(updateOnce(firmware, volumeRoot));
    while (!m_pendingUpdates.isEmpty()) {
        const PendingUpdate next = m_pendingUpdates.takeFirst();
        emit updateStateChanged(updateOnce(next.firmware, next.volumeRoot));
    }
    m_updating = false;
}

int UdiskDevice::updateOnce(const QByteArray &firmware, const QString &volumeRoot)
{
    const QList<Lens> lenses = findLenses();
    if (lenses.isEmpty())
        return firmware.isEmpty() ? UpdateNoFirmware : UpdateNoLens;
    // Which of them the window checked cannot be told by the user; none
    // gets an image meant for one.
    if (lenses.size() > 1) {
        qCWarning(lcUdisk) << lenses.size() << "lens volumes mounted; nothing written";
        return UpdateSeveralLenses;
    }
    const QString root = lenses.first().rootPath;
    if (!sameRoot(root, volumeRoot)) {
        qCWarning(lcUdisk) << "the lens checked at" << volumeRoot << "is gone; another is at" << root;
        return UpdateNoLens;
    }
    // An empty Fw.dat would be taken by the lens as its new firmware.
    if (firmware.isEmpty()) {
        qCWarning(lcUdisk) << "no firmware to write onto" << root;
        return UpdateWriteFailed;
    }

    QThread *thread = QThread::currentThread();
    QString error;
    if (!UdiskFiles::writeFirmware(
            root, firmware, [thread] { return !thread->isInterruptionRequested(); }, &error)) {
        qCWarning(lcUdisk).noquote() << error;
        return UpdateWriteFailed;
    }
    waitForLensToTake(root);
    return UpdateWritten;
}

bool UdiskDevice::waitForLensToTake(const QString &root)
{
    int checks = 0;
    bool taken = false;
    while (checks < TakeCheckCount && !taken) {
        if (!localWait(TakeCheckIntervalMs))
            return false;
        ++checks;
        taken = !UdiskFiles::hasInfoFile(root);
    }
    if (taken)
        qCDebug(lcUdisk, "information file gone after %d checks", checks);
    else
        qCDebug(lcUdisk, "information file still there after %d checks", checks);
    return localWait(SettleMs);
}

// A local event loop, so that this thread keeps serving its queued calls.
// Waits in short slices so that a stop request is seen within one; false
// when the thread is asked to stop or its event loop is told to quit.
bool UdiskDevice::localWait(int ms)
{
    QThread *thread = QThread::currentThread();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (thread->isInterruptionRequested())
            return false;
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return true;
        QEventLoop loop;
        QTimer::singleShot(
            int(qMin<qint64>(left, TakeCheckIntervalMs)), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        // Once the thread has been told to quit, every loop on it ends at
        // once and later ones do not start.
        if (loop.exec() != 0)
            return false;
    }
}
