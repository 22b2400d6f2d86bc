// bench_windowprogress [runs, default 5]
//
// Runs the largest image through the real window as the user would (the
// update button of the ready page, then the one of the finished page), with
// the simulated lens answering at once, and prints the host time per packet
// and the CPU it took. Then feeds the window's progress slot the same
// sequence of values on its own.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "app/widget.h"
#include "catalogue/lenscatalogue.h"
#include "net/devicefirmwareprocess.h"
#include "protocol/updateprocess.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#include "tools/testca/testca.h"
#include "tools/windowharness/windowharness.h"

namespace {

double processCpuUs()
{
    return double(std::clock()) * 1e6 / CLOCKS_PER_SEC;
}

double threadCpuUs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

// Runs the event loop until `done` holds or `timeoutMs` passed. Looks only
// every 50 ms, so that the loop sleeps between packets as the program's
// own would.
bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer check;
    check.setInterval(50);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || timer.elapsed() > timeoutMs)
            loop.quit();
    });
    check.start();
    if (!done())
        loop.exec();
    return done();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    WindowHarness::initApplication();
    QLoggingCategory::setFilterRules(QStringLiteral("lens.*.debug=false\nlens.app.info=false"));
    QTranslator translator;
    translator.load(QStringLiteral(":/English.qm"));
    app.installTranslator(&translator);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    FirmwareServer server;
    if (!TestCa::startServer(server)) {
        std::fprintf(stderr, "cannot start the firmware server\n");
        return 1;
    }
    DeviceFirmwareProcess::Endpoints endpoints;
    endpoints.origin = server.origin();
    endpoints.probeUrl = server.homePageUrl();
    endpoints.probeIntervalMs = 0; // no probes during the runs

    // The model that keeps its connection, so that the runs follow each
    // other without restarts.
    LensSimulator *lens = SimulatedHidapi::lens();
    lens->reset();
    lens->setLatency(0);
    const QString code = LensCatalogue::noRestartModelCode();
    lens->setModelCode(code);
    lens->setNoRestartModelCode(code);
    const QByteArray image
        = WindowHarness::firmwareImage(lens->modelName(), UpdateProcess::MAX_IMAGE_SIZE, 12345);
    server.addModel(code, QStringLiteral("V9.9.9"), QStringLiteral("<p>Benchmark</p>"),
        QStringLiteral("BENCH"), lens->modelName(), WindowHarness::lensPicture(), image);
    const int packets = (image.size() + UpdateProcess::FRAME_DATA_SIZE - 1) / UpdateProcess::FRAME_DATA_SIZE;

    Widget::Workers workers;
    workers.firmware = new DeviceFirmwareProcess(endpoints);
    auto window = std::make_unique<Widget>(workers);
    window->show();
    auto button = [&](const char *name) {
        return qobject_cast<QPushButton *>(WindowHarness::part(window.get(), QLatin1String(name)));
    };
    auto firmwareReady = [&] { return window->firmwareReady(); };
    if (!waitFor(firmwareReady, 30000)) {
        std::fprintf(stderr, "the window never got the firmware\n");
        return 1;
    }
    button("button_link")->click();

    std::vector<double> wallPerPacket;
    std::vector<double> processCpuPerPacket;
    std::vector<double> guiCpuPerPacket;
    for (int run = 0; run < runs; ++run) {
        QPushButton *start = WindowHarness::page(window.get()) == QLatin1String("finished")
            ? button("button_update_F")
            : button("button_update");
        const int finishedBefore = lens->updatesFinished();
        const double processBefore = processCpuUs();
        const double guiBefore = threadCpuUs();
        QElapsedTimer timer;
        timer.start();
        start->click();
        if (!waitFor(
                [&] {
                    return WindowHarness::page(window.get()) == QLatin1String("finished")
                        && lens->updatesFinished() > finishedBefore;
                },
                120000)) {
            std::fprintf(stderr,
                "run %d did not finish: page %s, %d packets at the lens, status %d, "
                "%d frames waiting, progress \"%s\"\n",
                run + 1, qPrintable(WindowHarness::page(window.get())), lens->packetsReceived(),
                lens->lastStatus(), lens->pendingFramesToHost(),
                qPrintable(WindowHarness::text(window.get(), QStringLiteral("label_progress"))));
            return 1;
        }
        const double wallUs = double(timer.nsecsElapsed()) / 1e3;
        const double processUs = processCpuUs() - processBefore;
        const double guiUs = threadCpuUs() - guiBefore;
        if (lens->lastStatus() != 5 || !lens->holdsImage(image)) {
            std::fprintf(stderr, "run %d: the lens does not hold the image\n", run + 1);
            return 1;
        }
        wallPerPacket.push_back(wallUs / packets);
        processCpuPerPacket.push_back(processUs / packets);
        guiCpuPerPacket.push_back(guiUs / packets);
        std::printf(
            "run %d: %d packets in %.0f ms: %.2f us per packet (process CPU %.2f us, GUI thread %.2f us)\n",
            run + 1, packets, wallUs / 1e3, wallPerPacket.back(), processCpuPerPacket.back(),
            guiCpuPerPacket.back());
        std::fflush(stdout);
        // The finished lens reports again (the same identity: the window
        // keeps its firmware); let that settle outside the measurement.
        if (!waitFor(firmwareReady, 60000)) {
            std::fprintf(stderr, "the window never got the firmware again\n");
            return 1;
        }
    }
    std::printf("median host time per packet through the window: %.2f us (target <= 20 us), best %.2f us\n",
        median(wallPerPacket), *std::min_element(wallPerPacket.begin(), wallPerPacket.end()));
    std::printf("median CPU per packet: process %.2f us, GUI thread %.2f us\n", median(processCpuPerPacket),
        median(guiCpuPerPacket));

    // The progress slot alone, with the values one transfer reports, on the
    // shown updating page; painting happens as the event loop gets to it.
    auto *center = qobject_cast<QStackedWidget *>(
        WindowHarness::part(window.get(), QStringLiteral("centerStackedWidget")));
    center->setCurrentWidget(WindowHarness::part(window.get(), QStringLiteral("page_updating")));
    const int last = packets - 1;
    QElapsedTimer timer;
    timer.start();
    for (int packet = 1; packet < last; ++packet) {
        QMetaObject::invokeMethod(window.get(), "onLensUpdateProcessFunc",
            Q_ARG(float, float(double(packet) / double(last) * 100.0)));
        QCoreApplication::processEvents();
    }
    std::printf("progress slot alone, with event processing: %.2f us per report\n",
        double(timer.nsecsElapsed()) / 1e3 / (last - 1));
    timer.start();
    for (int packet = 1; packet < last; ++packet)
        QMetaObject::invokeMethod(window.get(), "onLensUpdateProcessFunc",
            Q_ARG(float, float(double(packet) / double(last) * 100.0)));
    std::printf("progress slot alone, no event processing: %.2f us per report\n",
        double(timer.nsecsElapsed()) / 1e3 / (last - 1));
    QCoreApplication::processEvents();
    timer.start();
    for (int packet = 1; packet < last; ++packet)
        QCoreApplication::processEvents();
    std::printf(
        "event processing alone: %.2f us per pass\n", double(timer.nsecsElapsed()) / 1e3 / (last - 1));
    return 0;
}
