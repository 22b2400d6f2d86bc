#include "app/runlensupdater.h"
#include "demosetup.h"

int main(int argc, char *argv[])
{
    StartupOptions options;
    // Kept apart from the log of a real update.
    options.logName = QStringLiteral("lens-updater-demo");
    options.beforeWindow = &DemoSetup::prepare;
    options.firmwareEndpoints = DemoSetup::firmwareEndpoints();
    return runLensUpdater(argc, argv, options);
}
