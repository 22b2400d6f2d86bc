// The bare round trip over a hidraw node: a plain loop of hid_write and
// hid_read_timeout through the system hidapi, no reader thread, no Qt
// event loop. Run under the hidraw lens testbed's preload:
//
//   bench_hidraw_roundtrip PACKETS
//
// Starts an update on the lens and sends PACKETS data packets, each one
// after the acknowledgement of the one before; prints the median and the
// mean, median and best time from a packet's write to its acknowledgement.

#include "tools/lenssim/lenssimulator.h"

#include <hidapi.h>

#include <QByteArray>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool send(hid_device *dev, quint8 command, quint16 index, const QByteArray &data = QByteArray())
{
    QByteArray report(1, '\0');
    report += LensSimulator::buildFrame(command, data, index);
    return hid_write(dev, reinterpret_cast<const unsigned char *>(report.constData()), size_t(report.size()))
        == report.size();
}

// The next report carrying `command`; false on error or after 5 s.
bool await(hid_device *dev, quint8 command)
{
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    unsigned char buffer[65];
    while (Clock::now() < deadline) {
        const int n = hid_read_timeout(dev, buffer, sizeof(buffer), 200);
        if (n < 0)
            return false;
        if (n == 64 && buffer[0] == 0x24 && buffer[3] == command)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    const int packets = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1000;
    hid_init();
    hid_device *dev = nullptr;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!(dev = hid_open(0x0483, 0xC8C0, nullptr)) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!dev) {
        std::fprintf(stderr, "no lens found\n");
        return 1;
    }
    if (!send(dev, 0x80, 0xFFFF) || !await(dev, 0x42)) {
        std::fprintf(stderr, "the lens did not get ready\n");
        return 1;
    }
    std::vector<double> times;
    times.reserve(size_t(packets));
    const QByteArray data(56, '\x5A');
    for (int i = 0; i < packets; ++i) {
        const auto start = Clock::now();
        if (!send(dev, 0x81, quint16(i), data) || !await(dev, 0x40)) {
            std::fprintf(stderr, "packet %d was not acknowledged\n", i);
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    hid_close(dev);
    hid_exit();
    double sum = 0;
    for (double t : times)
        sum += t;
    std::sort(times.begin(), times.end());
    std::printf("bare round trip per packet: mean %.1f us, median %.1f us, best %.1f us, %d packets\n",
        sum / double(times.size()), times[times.size() / 2], times.front(), packets);
    return 0;
}
