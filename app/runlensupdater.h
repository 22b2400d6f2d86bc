#pragma once

#include "startupoptions.h"

// The whole start-up of the program: application object, high-DPI setup,
// log file, translations, single-instance guard, main window and event
// loop. Returns the event loop's result, or -1 when another copy runs.
int runLensUpdater(int argc, char **argv, const StartupOptions &options);
