#include "hidapistandin.h"

#include <hidapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

hid_device_info *HidapiStandIn::deviceInfo(const char *path, unsigned short vendorId,
    unsigned short productId, const QString &serialNumber, const QString &manufacturer,
    const QString &product)
{
    auto *info = new hid_device_info {};
    const size_t size = std::strlen(path) + 1;
    info->path = new char[size];
    std::memcpy(info->path, path, size);
    info->vendor_id = vendorId;
    info->product_id = productId;
    info->serial_number = copyWide(serialNumber);
    info->manufacturer_string = copyWide(manufacturer);
    info->product_string = copyWide(product);
    info->interface_number = 0;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

void HidapiStandIn::freeEnumeration(hid_device_info *devs)
{
    while (devs) {
        hid_device_info *next = devs->next;
        delete[] devs->path;
        delete[] devs->serial_number;
        delete[] devs->manufacturer_string;
        delete[] devs->product_string;
        delete devs;
        devs = next;
    }
}

wchar_t *HidapiStandIn::copyWide(const QString &text)
{
    const std::wstring wide = text.toStdWString();
    auto *copy = new wchar_t[wide.size() + 1];
    std::wmemcpy(copy, wide.c_str(), wide.size() + 1);
    return copy;
}

int HidapiStandIn::copyString(const QString &text, wchar_t *string, size_t maxlen)
{
    if (!string || maxlen == 0)
        return -1;
    const std::wstring wide = text.toStdWString();
    const size_t n = std::min(wide.size(), maxlen - 1);
    std::wmemcpy(string, wide.c_str(), n);
    string[n] = 0;
    return 0;
}
