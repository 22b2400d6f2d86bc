// bench_transfer [runs] [idle seconds]
// bench_idle_system [idle seconds]
#include "hid/hiddeviceprocess.h"
#include "protocol/updateprocess.h"
#ifndef LENS_BENCH_IDLE_ONLY
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#endif

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr unsigned short kVendor = 0x0483;
constexpr unsigned short kProduct = 0xC8C0;

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// CPU of the whole process while `link` looks for a lens that is not there.
void measureIdle(HidDeviceProcess &link, int seconds, const char *label)
{
    int attempts = 0;
    QObject::connect(&link, &HidDeviceProcess::connectState, &link, [&attempts](bool) { ++attempts; });
    link.requestOpen(kVendor, kProduct);

    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    attempts = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    std::printf("idle, no lens (%s): %.1f ms CPU in %.1f s = %.3f %% of one core, %d open attempts\n", label,
        cpu * 1000.0, elapsed, 100.0 * cpu / elapsed, attempts);
}

#ifndef LENS_BENCH_IDLE_ONLY
QByteArray largestImage(const QString &modelName)
{
    QByteArray image(UpdateProcess::MAX_IMAGE_SIZE, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 131 + 17) % 253 + 1);
    QByteArray name = modelName.toUtf8().left(31);
    name.append(QByteArray(32 - name.size(), '\0'));
    image.replace(32, 32, name);
    return image;
}

int runTransfers(int runs, int idleSeconds)
{
    LensSimulator *lens = SimulatedHidapi::lens();
    lens->reset();
    lens->setLatency(0);
    // Stay connected between the runs.
    lens->setNoRestartModelCode(lens->modelCode());

    HidDeviceProcess link;
    UpdateProcess protocol(&link);
    QObject::connect(&link, &HidDeviceProcess::receiveData, &protocol, &UpdateProcess::cmdReceive);

    {
        QEventLoop loop;
        QObject::connect(&link, &HidDeviceProcess::connectState, &loop, [&loop](bool up) {
            if (up)
                loop.quit();
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        link.requestOpen(kVendor, kProduct);
        loop.exec();
        if (!link.isConnected()) {
            std::fprintf(stderr, "the simulated lens was not found\n");
            return 1;
        }
    }

    const QByteArray image = largestImage(lens->modelName());
    const int packets = (image.size() + UpdateProcess::FRAME_DATA_SIZE - 1) / UpdateProcess::FRAME_DATA_SIZE;
    int progressReports = 0;
    QObject::connect(&protocol, &UpdateProcess::updateProcess, &protocol, [&](float) { ++progressReports; });

    std::vector<double> perPacket;
    std::vector<double> cpuPerPacket;
    for (int run = 0; run < runs; ++run) {
        int status = -1;
        progressReports = 0;
        QEventLoop loop;
        auto connection = QObject::connect(&protocol, &UpdateProcess::updateStatus, &loop, [&](uint8_t code) {
            status = code;
            loop.quit();
        });
        QTimer::singleShot(600000, &loop, &QEventLoop::quit);

        const double cpuBefore = cpuSeconds();
        QElapsedTimer timer;
        timer.start();
        protocol.startFirmwareUpdate(image);
        loop.exec();
        const double elapsedUs = double(timer.nsecsElapsed()) / 1000.0;
        const double cpuUs = (cpuSeconds() - cpuBefore) * 1e6;
        QObject::disconnect(connection);

        if (status != UpdateProcess::STATUS_SUCCESS || !lens->holdsImage(image)
            || progressReports != packets - 1) {
            std::fprintf(
                stderr, "run %d failed: status %d, %d progress reports\n", run + 1, status, progressReports);
            return 1;
        }
        perPacket.push_back(elapsedUs / packets);
        cpuPerPacket.push_back(cpuUs / packets);
        std::printf("run %d: %d packets in %.0f ms: %.2f us per packet (process CPU %.2f us per packet)\n",
            run + 1, packets, elapsedUs / 1000.0, perPacket.back(), cpuPerPacket.back());
        std::fflush(stdout);
    }
    std::sort(perPacket.begin(), perPacket.end());
    std::sort(cpuPerPacket.begin(), cpuPerPacket.end());
    std::printf("median host time per packet: %.2f us (target <= 20 us; a lens needs >= 1000 us)\n",
        perPacket[perPacket.size() / 2]);
    std::printf("median process CPU per packet: %.2f us\n", cpuPerPacket[cpuPerPacket.size() / 2]);

    // Connected but silent: the reader waits in read slices.
    {
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(idleSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = cpuSeconds() - cpuBefore;
        const double elapsed = double(wall.elapsed()) / 1000.0;
        std::printf("idle, lens connected and silent: %.1f ms CPU in %.1f s = %.3f %% of one core\n",
            cpu * 1000.0, elapsed, 100.0 * cpu / elapsed);
    }

    lens->unplug();
    HidDeviceProcess idle;
    link.stop();
    link.wait();
    measureIdle(idle, idleSeconds, "simulated hidapi");
    return 0;
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
#ifdef LENS_BENCH_IDLE_ONLY
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    HidDeviceProcess link;
    measureIdle(link, idleSeconds, "system hidapi");
    return 0;
#else
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    return runTransfers(runs, idleSeconds);
#endif
}
