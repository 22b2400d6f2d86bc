#pragma once

#include <QByteArray>
#include <QString>

#include <hidapi.h>

// One hidapi device handle behind QByteArray/QString operations. No
// threading, framing or retrying; write, read and the feature-report calls
// must only be made while isOpen() is true.
class HidDevice
{
public:
    HidDevice();

    // A null or empty serial number opens the first device with the two ids.
    bool open(unsigned short vendorId, unsigned short productId, const QString *serialNumber = nullptr);
    void close();
    bool isOpen() const;

    // How many devices with the two ids are on the bus now.
    static int attachedCount(unsigned short vendorId, unsigned short productId);

    // `data` starts with the report id. A length of -1 means data.size().
    int write(const QByteArray &data, int length = -1);
    // Resizes `buffer` to the result: the bytes read, 0 on time-out, and
    // empty after an error (-1). A time-out of -1 blocks until a report.
    int read(QByteArray &buffer, int length, int timeoutMs);

    int sendFeatureReport(const QByteArray &data, int length = -1);
    // `buffer` keeps `length` bytes whatever the result.
    int getFeatureReport(QByteArray &buffer, int length = -1);

    // "Device Closed" while no device is open; empty when hidapi fails.
    QString serialNumber() const;
    QString manufacturer() const;
    QString product() const;

private:
    hid_device *handle;
};
