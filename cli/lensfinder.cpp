#include "lensfinder.h"

#include "catalogue/lenscatalogue.h"
#include "clilog.h"
#include "hid/hiddevice.h"
#include "hid/hiddeviceprocess.h"
#include "protocol/lensinfo.h"
#include "protocol/updateprocess.h"
#include "udisk/udiskdevice.h"

LensFinder::LensFinder(QObject *parent)
    : QObject(parent)
    , m_hid(new HidDeviceProcess)
    , m_protocol(new UpdateProcess(m_hid, this))
{
    connect(m_hid, &HidDeviceProcess::receiveData, m_protocol, &UpdateProcess::cmdReceive);
    connect(m_hid, &HidDeviceProcess::connectState, this, [this](bool connected) {
        m_hidConnected = connected;
        if (connected) {
            qCDebug(lcCli) << "HID lens connected";
            m_awaitingInfo = true;
            m_protocol->sendCommand(UpdateProcess::CMD_CONNECT,
                QByteArray(UpdateProcess::FRAME_DATA_SIZE, '\0'), UpdateProcess::FRAME_DATA_SIZE);
            m_infoTimer.start();
        }
        emit hidConnectionChanged(connected);
        emit changed();
    });
    connect(m_hid, &HidDeviceProcess::deviceRemoved, this, [this] {
        qCDebug(lcCli) << "HID lens removed";
        m_hidConnected = false;
        m_awaitingInfo = false;
        m_infoTimer.stop();
        m_hidLens = LensRecord();
        emit hidLensRemoved();
        emit changed();
    });
    connect(m_protocol, &UpdateProcess::lensInfoFlush, this, [this](const LensInfo &info) {
        LensRecord lens;
        lens.link = LensRecord::Link::Hid;
        lens.modelName = LensInfo::text(info.modelName);
        lens.modelCode = LensInfo::text(info.modelCode);
        lens.serialNumber = LensInfo::text(info.serialNumber);
        lens.version = LensInfo::text(info.firmwareVersion);
        qCDebug(lcCli) << "HID lens reports" << lens.modelName << lens.modelCode << lens.serialNumber
                       << lens.version;
        m_awaitingInfo = false;
        m_hidLens = lens;
        emit hidLensReported(lens);
        emit changed();
    });

    m_infoTimer.setSingleShot(true);
    m_infoTimer.setInterval(InfoDelayMs);
    connect(&m_infoTimer, &QTimer::timeout, this, &LensFinder::requestLensInfo);

    // A lens volume mounted after the start is picked up as well.
    m_volumeTimer.setInterval(UdiskDevice::DetectIntervalMs);
    connect(&m_volumeTimer, &QTimer::timeout, this, &LensFinder::watchNewVolumes);
}

LensFinder::~LensFinder()
{
    m_hid->stop();
    m_hid->wait();
    delete m_protocol;
    m_protocol = nullptr;
    delete m_hid;
    for (const Volume &volume : qAsConst(m_volumes))
        delete volume.device;
}

void LensFinder::start()
{
    m_hid->requestOpen(VendorId, ProductId);
    watchNewVolumes();
    m_volumeTimer.start();
}

void LensFinder::requestLensInfo()
{
    m_protocol->sendCommand(UpdateProcess::CMD_LENS_INFO, QByteArray(UpdateProcess::FRAME_DATA_SIZE, '\0'),
        UpdateProcess::FRAME_DATA_SIZE);
}

void LensFinder::watchNewVolumes()
{
    const QList<UdiskDevice::Volume> mounted = UdiskDevice::mountedVolumes();
    for (const UdiskDevice::Volume &mount : mounted) {
        const QString root = mount.rootPath;
        // Only FAT-family volumes can be a lens.
        if (!UdiskDevice::isLensFileSystem(mount.fileSystemType))
            continue;
        if (m_volumes.contains(root))
            continue;
        if (!m_volumeFilter.isEmpty() && !root.startsWith(m_volumeFilter + QLatin1Char('/')))
            continue;
        m_roots.append(root);
        // One detection per volume: the handler keeps only the last lens it
        // saw, and a write must go to exactly this root.
        Volume volume;
        volume.device = new UdiskDevice([mount] { return QList<UdiskDevice::Volume> { mount }; });
        connect(volume.device, &UdiskDevice::isUdiskModeConnecte, this,
            [this, root](bool present) { onUdiskPass(root, present); });
        m_volumes.insert(root, volume);
    }
}

void LensFinder::onUdiskPass(const QString &root, bool present)
{
    Volume &volume = m_volumes[root];
    LensRecord lens;
    if (present) {
        lens.link = LensRecord::Link::Udisk;
        lens.volumeRoot = root;
        lens.modelName = volume.device->modelName();
        lens.modelCode = LensCatalogue::modelCode(lens.modelName);
        lens.version = volume.device->firmwareVersion();
    }
    const bool firstPass = !volume.seen;
    volume.seen = true;
    if (!firstPass && lens == volume.lens)
        return;
    const bool wasPresent = volume.lens.isPresent();
    volume.lens = lens;
    if (present || wasPresent) {
        qCDebug(lcCli) << "U-disk lens" << (present ? "on" : "gone from") << root << lens.modelName
                       << lens.version;
        emit udiskLensChanged(root, present);
    }
    emit changed();
}

QList<LensRecord> LensFinder::lenses() const
{
    QList<LensRecord> found;
    if (m_hidConnected && m_hidLens.isPresent())
        found.append(m_hidLens);
    for (const QString &root : m_roots) {
        const LensRecord &lens = m_volumes[root].lens;
        if (lens.isPresent())
            found.append(lens);
    }
    return found;
}

bool LensFinder::settled() const
{
    if (m_hidConnected && m_awaitingInfo)
        return false;
    for (const Volume &volume : m_volumes) {
        if (!volume.seen)
            return false;
    }
    return true;
}

int LensFinder::hidLensCount() const
{
    return HidDevice::attachedCount(VendorId, ProductId);
}
