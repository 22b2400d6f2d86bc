#pragma once

class LensSimulator;

// The stand-in hidapi: every hid_* call of the process goes to one simulated
// lens in the same process instead of the operating system. A test program
// links it in place of the system hidapi, after lens_hid:
//
//     lens_add_qtest(tst_x SOURCES tst_x.cpp LIBS lens_protocol lens_hidapi_sim)
//
// and drives the lens from the test thread while HidDevice and
// HidDeviceProcess run unchanged on their own threads:
//
//     LensSimulator *lens = SimulatedHidapi::lens();
//     lens->reset();        // a fresh default lens, plugged in
//     lens->unplug();       // ... lens->plug(), faults, identity
//
// Implemented: hid_init, hid_exit, hid_enumerate, hid_free_enumeration,
// hid_open, hid_close, hid_write, hid_read, hid_read_timeout,
// hid_set_nonblocking, hid_send_feature_report, hid_get_feature_report,
// hid_get_manufacturer_string, hid_get_product_string,
// hid_get_serial_number_string, hid_error.
class SimulatedHidapi
{
public:
    // The process's lens; created on first use and never destroyed, so that
    // a reader thread still running at exit never sees it go away.
    static LensSimulator *lens();
    // hid_device handles opened and not yet closed (leak checks).
    static int openHandles();
    static int initCalls();
};
