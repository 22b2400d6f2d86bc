#include "hiddeviceprocess.h"

#include "hiddevice.h"
#include "hidlog.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

#include <cstring>

HidDeviceProcess::HidDeviceProcess(QObject *parent)
    : QThread(parent)
    , device(new HidDevice)
    , openRequested(false)
    , connected(false)
    , vendorId(0)
    , productId(0)
    , stopRequested(false)
{
}

HidDeviceProcess::~HidDeviceProcess()
{
    stop();
    wait();
    releaseDevice();
    delete device;
}

void HidDeviceProcess::requestOpen(
    unsigned short vendorId, unsigned short productId, const QString *serialNumber)
{
    {
        QMutexLocker locker(&requestMutex);
        this->vendorId = vendorId;
        this->productId = productId;
        if (serialNumber)
            this->serialNumber = *serialNumber;
        openRequested = true;
        requestChanged.wakeAll();
    }
    if (!isRunning()) {
        stopRequested = false;
        start(QThread::InheritPriority);
    }
}

bool HidDeviceProcess::openDevice(
    unsigned short vendorId, unsigned short productId, const QString &serialNumber)
{
    {
        QMutexLocker locker(&requestMutex);
        this->vendorId = vendorId;
        this->productId = productId;
        this->serialNumber = serialNumber;
    }
    return attemptOpen(vendorId, productId, serialNumber);
}

bool HidDeviceProcess::attemptOpen(
    unsigned short vendorId, unsigned short productId, const QString &serialNumber)
{
    {
        QMutexLocker locker(&handleMutex);
        if (!device->isOpen())
            device->open(vendorId, productId, &serialNumber);
        connected = device->isOpen();
    }
    if (connected && !isRunning())
        start(QThread::InheritPriority);
    // Failed attempts are the normal state without a lens: not worth a line each.
    if (connected)
        qCInfo(lcHid) << "opened" << Qt::hex << vendorId << productId;
    emit connectState(connected);
    return connected;
}

void HidDeviceProcess::closeDevice()
{
    connected = false;
    if (QThread::currentThread() == this || !isRunning())
        releaseDevice();
}

void HidDeviceProcess::cancelOpenRequest()
{
    openRequested = false;
}

void HidDeviceProcess::stop()
{
    stopRequested = true;
    QMutexLocker locker(&requestMutex);
    requestChanged.wakeAll();
}

int HidDeviceProcess::writeData(const QByteArray &frame)
{
    QMutexLocker locker(&handleMutex);
    if (!connected || !device->isOpen())
        return -1;
    QByteArray report(ReportSize, '\0');
    std::memcpy(report.data() + 1, frame.constData(), size_t(qMin(frame.size(), FrameSize)));
    return device->write(report);
}

int HidDeviceProcess::readData(QByteArray &frame)
{
    if (!connected)
        return 0;
    QByteArray report;
    int result;
    do {
        result = device->read(report, ReportSize, ReadSliceMs);
    } while (result == 0 && connected && !stopRequested);
    if (result == 0)
        return 0;

    emit receiveData(report);
    frame = report;
    if (result == -1) {
        qCInfo(lcHid) << "read failed: lens removed";
        emit deviceRemoved();
    }
    return result;
}

void HidDeviceProcess::run()
{
    while (!stopRequested) {
        QByteArray frame;
        while (connected && !stopRequested) {
            if (readData(frame) == -1)
                releaseDevice();
        }
        // Dropped by closeDevice() from another thread, or stopping.
        releaseDevice();

        unsigned short vid;
        unsigned short pid;
        QString serial;
        {
            QMutexLocker locker(&requestMutex);
            while (!openRequested && !stopRequested)
                requestChanged.wait(&requestMutex);
            vid = vendorId;
            pid = productId;
            serial = serialNumber;
        }
        if (stopRequested)
            break;

        // Not openDevice(): storing the copied request again could undo a
        // requestOpen() made in the meantime.
        if (!attemptOpen(vid, pid, serial))
            pauseBeforeReopen();
    }
    releaseDevice();
}

void HidDeviceProcess::releaseDevice()
{
    QMutexLocker locker(&handleMutex);
    connected = false;
    if (device->isOpen())
        device->close();
}

void HidDeviceProcess::pauseBeforeReopen()
{
    QDeadlineTimer deadline(ReopenPauseMs);
    QMutexLocker locker(&requestMutex);
    // A new request or a stop cuts the pause short.
    bool changed = false;
    while (!changed && !stopRequested && !deadline.hasExpired())
        changed = requestChanged.wait(&requestMutex, deadline);
}
