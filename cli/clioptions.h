#pragma once

#include <QString>

// What the command line asked for.
struct CliOptions
{
    enum class Command { List, Check, Update };

    Command command = Command::List;
    bool json = false;
    bool assumeYes = false;
    bool verbose = false;
    QString firmwareFile; // update from this image instead of the server's
    QString firmwareVersion; // the version that image holds, when known
    int waitMs = 3000; // how long to wait for a lens to appear
    int restartTimeoutMs = 60000;
    int stallTimeoutMs = 15000;
    QString serverOrigin; // empty: the built-in server
    QString caFile; // an extra CA to trust (test servers)
    QString volumesUnder; // only volumes below this folder count (tests beside other mounts)
};
