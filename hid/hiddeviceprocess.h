#pragma once

#include "deviceinterface.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

class HidDevice;

// Keeps the lens's HID link alive: a thread that opens the lens by vendor
// and product id, reads its input reports and hands each one over as
// receiveData, notices the lens leaving and looks for it until it is back.
// The protocol writes its frames through DeviceInterface from the GUI thread.
//
// Reports: 65 bytes out (report id 0, then the 64-byte frame); in, hidapi
// strips the report id, so a full report is the 64-byte frame.
class HidDeviceProcess : public QThread, public DeviceInterface
{
    Q_OBJECT
    Q_INTERFACES(DeviceInterface)

public:
    static constexpr int ReportSize = 65;
    static constexpr int FrameSize = 64;
    // Pause after an open attempt that found no lens: no busy polling, and a
    // lens that is plugged in is still found well within half a second.
    static constexpr int ReopenPauseMs = 150;
    // A blocking read cannot be interrupted portably (closing the handle
    // under it frees memory the read still uses), so the read waits for a
    // report in slices of this length and looks at the stop flag in between.
    // An expired slice is not a report: nothing is emitted for it.
    static constexpr int ReadSliceMs = 200;

    explicit HidDeviceProcess(QObject *parent = nullptr);
    // Stops the reader thread and waits for it (at most one read slice).
    ~HidDeviceProcess() override;

    // Stores the ids (and the serial number if given; null keeps the stored
    // one) and starts the reader thread unless it is running. A second call
    // takes effect at the next open attempt.
    void requestOpen(
        unsigned short vendorId, unsigned short productId, const QString *serialNumber = nullptr);
    // Stores the request and makes one open attempt, reported through
    // connectState. Meant for the reader thread.
    bool openDevice(unsigned short vendorId, unsigned short productId, const QString &serialNumber);
    // Drops the link; the reader thread closes the handle within one read
    // slice and, while an open is requested, looks for the lens again.
    void closeDevice();
    void cancelOpenRequest();

    // Asks the reader thread to finish; QThread::wait() then returns within
    // one read slice or reopen pause. requestOpen() after wait() restarts it.
    void stop();

    bool isConnected() const { return connected; }

    // -1 without touching the device while no lens is connected. The frame
    // is padded with zeros or cut to 64 bytes behind the report id.
    int writeData(const QByteArray &frame) override;
    // 0 and no signal while not connected. Otherwise blocks until a report
    // arrives or the device fails, then emits receiveData (empty after a
    // failure, followed by deviceRemoved). Reader thread only.
    int readData(QByteArray &frame) override;

signals:
    void connectState(bool connected);
    void deviceRemoved();
    void receiveData(QByteArray data);

protected:
    void run() override;

private:
    bool attemptOpen(unsigned short vendorId, unsigned short productId, const QString &serialNumber);
    void releaseDevice();
    void pauseBeforeReopen();

    HidDevice *device;
    std::atomic<bool> openRequested;
    std::atomic<bool> connected;
    unsigned short vendorId;
    unsigned short productId;
    QString serialNumber;

    std::atomic<bool> stopRequested;
    // Guards the open request (ids, serial number, openRequested) and wakes
    // the reader thread when it changes or a stop is asked for.
    QMutex requestMutex;
    QWaitCondition requestChanged;
    // The GUI thread's write and the reader thread's close must not overlap:
    // hid_close frees the handle a write would still be using.
    QMutex handleMutex;
};
