#pragma once

#include <QByteArray>
#include <QtPlugin>

// How the protocol reaches the lens: one 64-byte frame per call.
class DeviceInterface
{
public:
    virtual ~DeviceInterface() = default;

    // Bytes written, or -1 (also when no lens is connected).
    virtual int writeData(const QByteArray &frame) = 0;
    // Bytes read, 0 when nothing could be read, -1 on failure.
    virtual int readData(QByteArray &frame) = 0;
};

Q_DECLARE_INTERFACE(DeviceInterface, "DeviceInterface")
