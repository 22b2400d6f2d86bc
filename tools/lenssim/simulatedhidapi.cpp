#include "simulatedhidapi.h"

#include "hidapistandin.h"
#include "lenssimulator.h"

#include <hidapi.h>

#include <QString>

#include <atomic>

struct hid_device_
{
    LensSimulator::Handle handle;
    std::atomic<bool> nonBlocking { false };
};

namespace {

std::atomic<int> g_openHandles { 0 };
std::atomic<int> g_initCalls { 0 };

int getString(hid_device *dev, LensSimulator::UsbString which, wchar_t *string, size_t maxlen)
{
    if (!dev || !string || maxlen == 0)
        return -1;
    QString text;
    if (!SimulatedHidapi::lens()->usbString(dev->handle, which, &text))
        return -1;
    return HidapiStandIn::copyString(text, string, maxlen);
}

} // namespace

LensSimulator *SimulatedHidapi::lens()
{
    static LensSimulator *instance = new LensSimulator;
    return instance;
}

int SimulatedHidapi::openHandles()
{
    return g_openHandles;
}

int SimulatedHidapi::initCalls()
{
    return g_initCalls;
}

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    ++g_initCalls;
    SimulatedHidapi::lens();
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(
    unsigned short vendor_id, unsigned short product_id)
{
    LensSimulator *lens = SimulatedHidapi::lens();
    // 0 matches any id, as in hidapi.
    const quint16 vendor = vendor_id ? vendor_id : lens->vendorId();
    const quint16 product = product_id ? product_id : lens->productId();
    if (!lens->wouldOpen(vendor, product))
        return nullptr;
    return HidapiStandIn::deviceInfo("sim:lens", vendor, product,
        lens->usbString(LensSimulator::UsbSerialNumber), lens->usbString(LensSimulator::Manufacturer),
        lens->usbString(LensSimulator::Product));
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    HidapiStandIn::freeEnumeration(devs);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open(
    unsigned short vendor_id, unsigned short product_id, const wchar_t *serial_number)
{
    const QString serial = serial_number ? QString::fromWCharArray(serial_number) : QString();
    const LensSimulator::Handle handle = SimulatedHidapi::lens()->open(vendor_id, product_id, serial);
    if (!handle)
        return nullptr;
    ++g_openHandles;
    auto *dev = new hid_device_;
    dev->handle = handle;
    return dev;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    if (!dev)
        return;
    SimulatedHidapi::lens()->close(dev->handle);
    --g_openHandles;
    delete dev;
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    if (!dev || !data)
        return -1;
    return SimulatedHidapi::lens()->write(dev->handle, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(
    hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    if (!dev || !data)
        return -1;
    return SimulatedHidapi::lens()->read(dev->handle, data, length, milliseconds);
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    if (!dev)
        return -1;
    return hid_read_timeout(dev, data, length, dev->nonBlocking ? 0 : -1);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    if (!dev)
        return -1;
    dev->nonBlocking = nonblock != 0;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(
    hid_device *dev, const unsigned char *data, size_t length)
{
    if (!dev || !data)
        return -1;
    return SimulatedHidapi::lens()->sendFeatureReport(dev->handle, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *data, size_t length)
{
    if (!dev || !data)
        return -1;
    return SimulatedHidapi::lens()->getFeatureReport(dev->handle, data, length);
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return getString(dev, LensSimulator::Manufacturer, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return getString(dev, LensSimulator::Product, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return getString(dev, LensSimulator::UsbSerialNumber, string, maxlen);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    if (!dev)
        return L"Success";
    return SimulatedHidapi::lens()->isOpen() ? L"Success" : L"Simulated lens is not on the bus";
}

} // extern "C"
