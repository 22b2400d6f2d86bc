// Linked only into lens-update-simlens: before lens-update runs, sets up the
// simulated lens behind the stand-in hidapi from the environment, so that a
// test can start the built program against the lens it needs.
//
//   LENS_SIM_PLUGGED=0         no HID lens on the bus
//   LENS_SIM_MODEL_NAME, LENS_SIM_MODEL_CODE, LENS_SIM_SERIAL, LENS_SIM_VERSION
//   LENS_SIM_VERSION_AFTER     the version reported after a successful update
//   LENS_SIM_UNPLUG_AT=N       leaves the bus when data packet N arrives
//   LENS_SIM_LATENCY_US=N      delay of every answer
//   LENS_SIM_FAIL=1            the next update ends with status 6
//   LENS_SIM_SILENT=1          packets are not acknowledged (a lens that hangs)

#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"

#include <QCoreApplication>

namespace {

QString env(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

void setUpSimulatedLens()
{
    LensSimulator *lens = SimulatedHidapi::lens();
    lens->reset();
    if (qEnvironmentVariableIsSet("LENS_SIM_MODEL_NAME"))
        lens->setModelName(env("LENS_SIM_MODEL_NAME"));
    if (qEnvironmentVariableIsSet("LENS_SIM_MODEL_CODE"))
        lens->setModelCode(env("LENS_SIM_MODEL_CODE"));
    if (qEnvironmentVariableIsSet("LENS_SIM_SERIAL"))
        lens->setSerialNumber(env("LENS_SIM_SERIAL"));
    if (qEnvironmentVariableIsSet("LENS_SIM_VERSION"))
        lens->setFirmwareVersion(env("LENS_SIM_VERSION"));
    if (qEnvironmentVariableIsSet("LENS_SIM_VERSION_AFTER"))
        lens->setVersionAfterUpdate(env("LENS_SIM_VERSION_AFTER"));
    if (qEnvironmentVariableIsSet("LENS_SIM_UNPLUG_AT"))
        lens->unplugAtPacket(qEnvironmentVariableIntValue("LENS_SIM_UNPLUG_AT"));
    if (qEnvironmentVariableIsSet("LENS_SIM_LATENCY_US"))
        lens->setLatency(qEnvironmentVariableIntValue("LENS_SIM_LATENCY_US"));
    if (qEnvironmentVariableIntValue("LENS_SIM_FAIL") == 1)
        lens->failNextUpdate();
    if (qEnvironmentVariableIntValue("LENS_SIM_SILENT") == 1)
        lens->setAcknowledging(false);
    if (qEnvironmentVariableIsSet("LENS_SIM_PLUGGED")
        && qEnvironmentVariableIntValue("LENS_SIM_PLUGGED") == 0)
        lens->unplug();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(setUpSimulatedLens)
