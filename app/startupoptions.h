#pragma once

#include <QString>

#include <functional>

#include "net/devicefirmwareprocess.h"

// What differs between the programs that start the updater's window: the
// product passes the defaults; the demo names its own log and prepares its
// simulated lens and server before the window exists.
struct StartupOptions
{
    // Base name of the log file in the user's state folder.
    QString logName = QStringLiteral("lens-updater");

    // The firmware server the window's client talks to.
    DeviceFirmwareProcess::Endpoints firmwareEndpoints = DeviceFirmwareProcess::builtInEndpoints();

    // Runs after the single-instance guard is taken, before the window is
    // made. Returning false ends the program with exit code 1.
    std::function<bool()> beforeWindow;
};
