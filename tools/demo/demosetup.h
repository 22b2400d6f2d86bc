#pragma once

#include <QString>

#include "net/devicefirmwareprocess.h"

// The demo build's start-up: before the window exists, points the program
// at the lens simulator process and trusts the demo's CA; the window's
// firmware client gets the local server's endpoints. The values are fixed when the demo is built
// (LENS_DEMO_PORT, LENS_DEMO_SOCKET, LENS_DEMO_CA_FILE).
//
// With LENS_DEMO_AUTOPILOT=1 in the environment it also starts a
// DemoAutopilot that presses the buttons itself (a run without anyone at
// the screen). Only the demo build links this; the product reads no
// environment.
class DemoSetup
{
public:
    // False, after saying why on stderr, when the demo cannot run.
    static bool prepare();

    static QString serverOrigin();
    static QString simulatorName();
    static QString caFile();
    // The demo's server, for the window's firmware client.
    static DeviceFirmwareProcess::Endpoints firmwareEndpoints();
};
