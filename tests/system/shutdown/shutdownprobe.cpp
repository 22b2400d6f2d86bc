// Runs the real window against the simulated lens, the local firmware
// server and (in U-disk mode) a mounted lens volume, presses the close button
// at the moment the mode names, and reports how long the way out took:
//
//     lens-shutdown-probe idle|transfer|udiskwait
//
// Prints "closed-to-exit-ms <n>" (close button to the window destroyed)
// and returns what the event loop returned.

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "app/widget.h"
#include "net/devicefirmwareprocess.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#include "tools/testca/testca.h"
#include "tools/udisklens/udisklensvolume.h"
#include "tools/windowharness/windowharness.h"

namespace {

int fail(const char *why)
{
    std::fprintf(stderr, "shutdown probe: %s\n", why);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    WindowHarness::initApplication();
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (mode != QLatin1String("idle") && mode != QLatin1String("transfer")
        && mode != QLatin1String("udiskwait"))
        return fail("mode must be idle, transfer or udiskwait");
    const bool udisk = mode == QLatin1String("udiskwait");

    FirmwareServer server;
    if (!TestCa::startServer(server))
        return fail("cannot start the firmware server");
    DeviceFirmwareProcess::Endpoints endpoints;
    endpoints.origin = server.origin();
    endpoints.probeUrl = server.homePageUrl();
    endpoints.probeIntervalMs = 500;

    LensSimulator *lens = SimulatedHidapi::lens();
    lens->reset();
    std::unique_ptr<UdiskLensVolume> volume;
    if (udisk) {
        const QString model = QStringLiteral("AF 56mm F1.8 Z");
        server.addModel(QStringLiteral("58G31"), QStringLiteral("V1.1.0"), QString(), QStringLiteral("58G31"),
            model, WindowHarness::lensPicture(), WindowHarness::firmwareImage(model, 64 * 1024, 9, true));
        lens->unplug();
        volume.reset(new UdiskLensVolume);
        if (!volume->mount(1 << 20) || !volume->writeDeviceInformation(model, QStringLiteral("V1.0.3")))
            return fail("cannot mount the lens volume");
        // Never takes the file: the U-disk thread waits its full 9 s.
        volume->setTakeDelay(-1);
        volume->startLens();
    } else {
        const QString model = lens->modelName();
        // About 3000 packets at 2 ms each: the transfer runs for seconds.
        server.addModel(lens->modelCode(), QStringLiteral("V9.0.0"), QString(), QStringLiteral("AF85"), model,
            WindowHarness::lensPicture(), WindowHarness::firmwareImage(model, 56 * 3000 + 1, 9));
        lens->setLatency(2000);
    }

    Widget::Workers workers;
    workers.firmware = new DeviceFirmwareProcess(endpoints);
    auto window = std::make_unique<Widget>(workers);
    window->show();
    auto *link
        = qobject_cast<QPushButton *>(WindowHarness::part(window.get(), QStringLiteral("button_link")));
    auto *update
        = qobject_cast<QPushButton *>(WindowHarness::part(window.get(), QStringLiteral("button_update")));
    auto *close
        = qobject_cast<QPushButton *>(WindowHarness::part(window.get(), QStringLiteral("button_close")));
    auto *bar
        = qobject_cast<QProgressBar *>(WindowHarness::part(window.get(), QStringLiteral("progressBar")));

    QElapsedTimer sinceClose;
    bool updateStarted = false;
    QTimer step;
    step.setInterval(20);
    QObject::connect(&step, &QTimer::timeout, [&] {
        const bool ready = window->firmwareReady();
        bool closeNow = false;
        if (mode == QLatin1String("idle")) {
            closeNow = ready;
        } else if (!updateStarted) {
            if (ready) {
                link->click();
                update->click();
                updateStarted = true;
            }
        } else if (udisk) {
            closeNow = volume->firmwareCount() > 0;
        } else {
            closeNow = bar->value() >= 5 && lens->packetsReceived() > 0;
        }
        if (closeNow) {
            step.stop();
            std::printf("closing at %d%%, %d packets\n", bar->value(), lens->packetsReceived());
            sinceClose.start();
            close->click();
        }
    });
    step.start();
    QTimer::singleShot(30000, [] {
        std::fprintf(stderr, "shutdown probe: never got to close\n");
        QCoreApplication::exit(3);
    });

    const int result = app.exec();
    window.reset();
    std::printf("closed-to-exit-ms %lld\n", sinceClose.isValid() ? sinceClose.elapsed() : -1LL);
    std::fflush(stdout);
    return result;
}
