#include "udiskdevice.h"

#include "lenscatalogue.h"
#include "udisklog.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

namespace {

const char kInfoFileName[] = "/DeviceInformation.txt";
const char kFirmwareFileName[] = "/Fw.dat";
const int kModelNameLead = 20;
const int kVersionLead = 18;
// The lens writes short lines; anything longer is cut so that a stray
// multi-gigabyte file cannot be pulled into memory.
const qint64 kMaxLineBytes = 4096;

// One line of the information file as text: up to its first zero byte, in
// the local 8-bit code page. The rest of an over-long line is skipped.
QString readInfoLine(QFile &file)
{
    QByteArray line = file.readLine(kMaxLineBytes + 1);
    if (!line.endsWith('\n')) {
        while (!file.atEnd()) {
            const QByteArray rest = file.readLine(kMaxLineBytes + 1);
            if (rest.isEmpty() || rest.endsWith('\n'))
                break;
        }
    }
    const int zero = line.indexOf('\0');
    if (zero >= 0)
        line.truncate(zero);
    return QString::fromLocal8Bit(line);
}

QString valueAfterLead(const QString &line, int lead)
{
    return line.size() > lead ? line.mid(lead).trimmed() : QString();
}

} // namespace

UdiskDevice::UdiskDevice(QObject *parent)
    : UdiskDevice(VolumeLister(), parent)
{
}

UdiskDevice::UdiskDevice(VolumeLister volumeLister, QObject *parent)
    : QObject(parent)
    , m_volumeLister(volumeLister ? std::move(volumeLister) : VolumeLister(&UdiskDevice::mountedVolumeRoots))
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

QStringList UdiskDevice::mountedVolumeRoots()
{
    QStringList roots;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    roots.reserve(volumes.size());
    for (const QStorageInfo &volume : volumes)
        roots.append(volume.rootPath());
    return roots;
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

void UdiskDevice::timerUdiskModeDetect()
{
    bool found = false;
    QString name;
    QString version;
    QString lensRoot;

    const QStringList roots = m_volumeLister();
    for (const QString &root : roots) {
        const QString infoPath = root + QLatin1String(kInfoFileName);
        if (!QFileInfo::exists(infoPath))
            continue;
        found = true;
        name.clear();
        version.clear();
        lensRoot = root;

        QFile file(infoPath);
        if (!file.open(QIODevice::ReadOnly)) {
            qCDebug(lcUdisk) << "cannot open" << infoPath << file.errorString();
            continue;
        }
        name = valueAfterLead(readInfoLine(file), kModelNameLead);
        readInfoLine(file);
        readInfoLine(file);
        version = valueAfterLead(readInfoLine(file), kVersionLead);
        readInfoLine(file);
    }

    if (found) {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_modelName = name;
        m_firmwareVersion = version;
    }
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_volumeRoot = lensRoot;
    }
    emit isUdiskModeConnecte(found);
}

void UdiskDevice::updateHandle(QByteArray firmware, QString volumeRoot)
{
    Q_UNUSED(volumeRoot)
    updateHandle(firmware);
}

QString UdiskDevice::volumeRoot() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_volumeRoot;
}

void UdiskDevice::updateHandle(QByteArray firmware)
{
    // Detection passes run inside the waits below, and so would a second
    // update arriving meanwhile; it waits its turn instead of writing the
    // same Fw.dat at the same time.
    if (m_updating) {
        m_pendingUpdates.append(firmware);
        return;
    }
    m_updating = true;
    emit updateStateChanged(updateOnce(firmware));
    while (!m_pendingUpdates.isEmpty())
        emit updateStateChanged(updateOnce(m_pendingUpdates.takeFirst()));
    m_updating = false;
}

int UdiskDevice::updateOnce(const QByteArray &firmware)
{
    int state = firmware.isEmpty() ? 4 : 5;

    const QStringList roots = m_volumeLister();
    for (const QString &root : roots) {
        const QString infoPath = root + QLatin1String(kInfoFileName);
        if (!QFileInfo::exists(infoPath))
            continue;

        // An empty Fw.dat would be taken by the lens as its new firmware.
        if (firmware.isEmpty()) {
            qCWarning(lcUdisk) << "no firmware to write onto" << root;
            state = 1;
            continue;
        }
        if (!writeFirmwareFile(root, firmware)) {
            state = 1;
            continue;
        }
        if (!waitForLensToTake(infoPath))
            break;
        state = 0;
    }
    return state;
}

bool UdiskDevice::writeFirmwareFile(const QString &root, const QByteArray &firmware)
{
    // Written under a temporary name and renamed when complete, so the lens
    // never finds a partial Fw.dat; a failed write leaves nothing behind.
    // Unbuffered, because a buffered QSaveFile can miss a failing flush and
    // commit a short file.
    const QString path = root + QLatin1String(kFirmwareFileName);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCWarning(lcUdisk) << "cannot create" << path << file.errorString();
        return false;
    }
    const qint64 written = file.write(firmware);
    if (written != firmware.size()) {
        qCWarning(lcUdisk) << "wrote" << written << "of" << firmware.size() << "bytes to" << path
                           << (file.error() == QFileDevice::NoError ? QString() : file.errorString());
        return false; // the temporary file goes with the uncommitted QSaveFile
    }
    if (!file.commit()) {
        qCWarning(lcUdisk) << "cannot complete" << path << file.errorString();
        return false;
    }
    if (QFileInfo(path).size() != firmware.size()) {
        qCWarning(lcUdisk) << path << "does not hold the whole image";
        QFile::remove(path);
        return false;
    }
    return true;
}

bool UdiskDevice::waitForLensToTake(const QString &infoPath)
{
    int checks = 0;
    bool taken = false;
    while (checks < TakeCheckCount && !taken) {
        if (!localWait(TakeCheckIntervalMs))
            return false;
        ++checks;
        taken = !QFileInfo::exists(infoPath);
    }
    if (taken)
        qCDebug(lcUdisk, "information file gone after %d checks", checks);
    else
        qCDebug(lcUdisk, "information file still there after %d checks", checks);
    return localWait(SettleMs);
}

// A local event loop, so that this thread keeps serving its queued calls.
// False when the thread is asked to stop.
bool UdiskDevice::localWait(int ms)
{
    QThread *thread = QThread::currentThread();
    if (thread->isInterruptionRequested())
        return false;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return !thread->isInterruptionRequested();
}
