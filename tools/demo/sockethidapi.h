#pragma once

#include <QString>

// A stand-in hidapi whose hid_* calls go over a local socket to lens-sim,
// the process that holds the simulated lens (see LensSimServer). The demo
// program links it in place of the system hidapi, so HidDevice and
// HidDeviceProcess run unchanged on their own threads while the lens lives
// in another process.
//
// hid_read_timeout(-1) blocks until the lens sends a report, leaves the bus
// (-1) or lens-sim goes away (-1). Every thread talks over a connection of
// its own, so the reader thread's blocked read never delays a write of the
// GUI thread.
//
// While lens-sim is not there, hid_open fails at once, like an absent lens.
//
// Implemented: hid_init, hid_exit, hid_enumerate, hid_free_enumeration,
// hid_open, hid_close, hid_write, hid_read, hid_read_timeout,
// hid_set_nonblocking, hid_send_feature_report, hid_get_feature_report,
// hid_get_manufacturer_string, hid_get_product_string,
// hid_get_serial_number_string, hid_error.
class SocketHidapi
{
public:
    // The server to talk to (LensSimWire::defaultServerName() until set).
    // Connections already made keep theirs.
    static void setServerName(const QString &name);
    static QString serverName();
    // Whether a lens simulator answers under serverName() now.
    static bool serverReachable();
    // Drops the calling thread's connection (tests: a client going away).
    static void disconnectThisThread();
    // hid_device handles opened and not yet closed.
    static int openHandles();
};
