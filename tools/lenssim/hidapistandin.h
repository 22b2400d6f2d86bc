#pragma once

#include <QString>

#include <cstddef>

struct hid_device_info;

// What the two stand-ins of the hidapi calls (SimulatedHidapi in this
// process, SocketHidapi over a socket to lens-sim) do alike: the
// enumeration records they hand out and take back, and the wide strings.
class HidapiStandIn
{
public:
    // One enumeration record as hidapi makes it (USB, interface 0); freed
    // with freeEnumeration().
    static hid_device_info *deviceInfo(const char *path, unsigned short vendorId, unsigned short productId,
        const QString &serialNumber, const QString &manufacturer, const QString &product);
    static void freeEnumeration(hid_device_info *devs);
    // A new[]-allocated, zero-terminated copy.
    static wchar_t *copyWide(const QString &text);
    // `text` into a caller's buffer of `maxlen` characters, cut to fit and
    // zero-terminated, as hid_get_*_string do: 0, or -1 without a buffer.
    static int copyString(const QString &text, wchar_t *string, size_t maxlen);
};
