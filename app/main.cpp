#include "runlensupdater.h"

int main(int argc, char *argv[])
{
    return runLensUpdater(argc, argv, StartupOptions());
}
