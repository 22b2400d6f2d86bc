#include "hiddevice.h"

#include <QSet>

#include <cwchar>
#include <string>

namespace {

constexpr int kStringChars = 50;

// An explicit length is never allowed to reach past the array.
int boundedLength(const QByteArray &data, int length)
{
    return (length < 0 || length > data.size()) ? data.size() : length;
}

template <typename Getter> QString deviceString(hid_device *handle, Getter getter)
{
    if (!handle)
        return QStringLiteral("Device Closed");
    wchar_t buffer[kStringChars] = {};
    if (getter(handle, buffer, kStringChars) != 0)
        return QString();
    buffer[kStringChars - 1] = 0;
    return QString::fromWCharArray(buffer, int(std::wcslen(buffer)));
}

} // namespace

HidDevice::HidDevice()
    : handle(nullptr)
{
    hid_init();
}

int HidDevice::attachedCount(unsigned short vendorId, unsigned short productId)
{
    hid_init();
    hid_device_info *devices = hid_enumerate(vendorId, productId);
    // A lens with several HID interfaces is listed once per interface; they
    // share its USB serial number.
    QSet<QString> lenses;
    for (const hid_device_info *device = devices; device; device = device->next) {
        const QString serial
            = device->serial_number ? QString::fromWCharArray(device->serial_number) : QString();
        lenses.insert(serial.isEmpty() ? QString::fromLocal8Bit(device->path) : serial);
    }
    hid_free_enumeration(devices);
    return lenses.size();
}

bool HidDevice::open(unsigned short vendorId, unsigned short productId, const QString *serialNumber)
{
    if (serialNumber && !serialNumber->isEmpty()) {
        const std::wstring serial = serialNumber->toStdWString();
        handle = hid_open(vendorId, productId, serial.c_str());
    } else {
        handle = hid_open(vendorId, productId, nullptr);
    }
    return handle != nullptr;
}

void HidDevice::close()
{
    hid_close(handle);
    handle = nullptr;
}

bool HidDevice::isOpen() const
{
    return handle != nullptr;
}

int HidDevice::write(const QByteArray &data, int length)
{
    return hid_write(handle, reinterpret_cast<const unsigned char *>(data.constData()),
        size_t(boundedLength(data, length)));
}

int HidDevice::read(QByteArray &buffer, int length, int timeoutMs)
{
    if (length < 0)
        length = buffer.size();
    buffer.fill('\0', length);
    const int result = hid_read_timeout(
        handle, reinterpret_cast<unsigned char *>(buffer.data()), size_t(length), timeoutMs);
    buffer.resize(result > 0 ? result : 0);
    return result;
}

int HidDevice::sendFeatureReport(const QByteArray &data, int length)
{
    return hid_send_feature_report(handle, reinterpret_cast<const unsigned char *>(data.constData()),
        size_t(boundedLength(data, length)));
}

int HidDevice::getFeatureReport(QByteArray &buffer, int length)
{
    if (length < 0)
        length = buffer.size();
    buffer.fill('\0', length);
    return hid_get_feature_report(handle, reinterpret_cast<unsigned char *>(buffer.data()), size_t(length));
}

QString HidDevice::serialNumber() const
{
    return deviceString(handle, hid_get_serial_number_string);
}

QString HidDevice::manufacturer() const
{
    return deviceString(handle, hid_get_manufacturer_string);
}

QString HidDevice::product() const
{
    return deviceString(handle, hid_get_product_string);
}
