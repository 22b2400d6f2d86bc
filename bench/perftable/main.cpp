// The window's figures for scripts/perf.sh, one measurement per run, each
// printed as "<key> <value> ..." lines on stdout:
//
//   bench_perftable startup [runs]    start of lens-updater to its window painted
//   bench_perftable plugin [runs]     lens plugged in to its information painted
//   bench_perftable memory            peak memory of the window through the
//                                     largest image (server in another process)
//   bench_perftable_system idle [s]   CPU of the window while no lens is present
//
// plugin and memory run the real Widget against the simulated lens behind
// the stand-in hidapi; idle runs it with the system's hidapi and the built-in
// server endpoints, as the product runs.
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLoggingCategory>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/widget.h"
#include "hid/hiddeviceprocess.h"
#include "net/devicefirmwareprocess.h"
#include "tools/windowharness/windowharness.h"

#ifndef LENS_PERF_IDLE_ONLY
#include "protocol/updateprocess.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#include "tools/testca/testca.h"
#endif

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::unique_ptr<Widget> showWindow(
    const DeviceFirmwareProcess::Endpoints &endpoints = DeviceFirmwareProcess::builtInEndpoints())
{
    Widget::Workers workers;
    workers.firmware = new DeviceFirmwareProcess(endpoints);
    auto window = std::make_unique<Widget>(workers);
    window->show();
    settle(50);
    return window;
}

int measureIdle(int seconds)
{
    auto window = showWindow();
    // Start-up work (fonts, the first open attempts) is not idling.
    settle(1500);
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    settle(seconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    std::printf(
        "idle_cpu_percent %.3f cpu_ms %.1f wall_s %.1f\n", 100.0 * cpu / elapsed, cpu * 1000.0, elapsed);
    return 0;
}

#ifndef LENS_PERF_IDLE_ONLY

// Paints of a label with a given text in it, seen by an event filter.
class PaintWatch : public QObject
{
public:
    PaintWatch(QLabel *label)
        : m_label(label)
    {
        label->installEventFilter(this);
    }
    void expect(const QString &fragment)
    {
        m_fragment = fragment;
        m_painted = false;
    }
    bool painted() const { return m_painted; }
    qint64 paintedAtNs() const { return m_paintedAtNs; }
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint && !m_painted && !m_fragment.isEmpty()
            && m_label->isVisible() && m_label->text().contains(m_fragment)) {
            m_painted = true;
            m_paintedAtNs = clock.nsecsElapsed();
        }
        return false;
    }

private:
    QLabel *m_label;
    QString m_fragment;
    bool m_painted = false;
    qint64 m_paintedAtNs = 0;
};

// A field of /proc/self/status in kB ("VmHWM", "VmRSS").
long statusKb(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

const QString kModel = QStringLiteral("AF 85mm F1.8 SIM");
const QString kCode = QStringLiteral("SIM85");

bool useLocalServer(FirmwareServer &server, DeviceFirmwareProcess::Endpoints *endpoints)
{
    if (!TestCa::startServer(server)) {
        std::fprintf(stderr, "cannot start the firmware server\n");
        return false;
    }
    endpoints->origin = server.origin();
    endpoints->probeUrl = server.homePageUrl();
    return true;
}

// Two figures per plug-in: until the window holds the lens's information
// (what the ready page shows the moment the user gets there), and until it
// is painted with the ready page already up.
int measurePlugin(int runs)
{
    FirmwareServer server;
    DeviceFirmwareProcess::Endpoints endpoints;
    if (!useLocalServer(server, &endpoints))
        return 1;
    LensSimulator *lens = SimulatedHidapi::lens();
    lens->reset();
    // A real lens needs about a millisecond per exchange.
    lens->setLatency(1000);
    lens->setModelName(kModel);
    lens->setModelCode(kCode);
    lens->unplug();
    server.addModel(kCode, QStringLiteral("V9.0.0"), QStringLiteral("<p>notes</p>"), QStringLiteral("SIM"),
        kModel, WindowHarness::lensPicture(), WindowHarness::firmwareImage(kModel, 56 * 100 + 3));

    auto window = showWindow(endpoints);
    auto *label = WindowHarness::part<QLabel>(window.get(), QStringLiteral("label_nowVer"));
    auto *center = WindowHarness::part<QStackedWidget>(window.get(), QStringLiteral("centerStackedWidget"));
    QWidget *readyPage = WindowHarness::part(window.get(), QStringLiteral("page_update"));
    PaintWatch watch(label);
    watch.clock.start();
    settle(1000);

    std::vector<double> held;
    std::vector<double> painted;
    for (int run = 0; run < 2 * runs; ++run) {
        const bool showReady = run % 2 == 1;
        const QString version = QStringLiteral("V1.0.%1").arg(run + 1);
        lens->setFirmwareVersion(version);
        if (showReady)
            center->setCurrentWidget(readyPage);
        // Plugged in at any moment of the reader thread's reopen pause.
        settle(100 + int(QRandomGenerator::global()->bounded(HidDeviceProcess::ReopenPauseMs + 1)));
        watch.expect(version);
        const qint64 plugged = watch.clock.nsecsElapsed();
        lens->plug();
        const bool ok = showReady ? waitFor([&] { return watch.painted(); }, 10000)
                                  : waitFor([&] { return label->text().contains(version); }, 10000);
        if (!ok) {
            std::fprintf(stderr, "run %d: the lens information never showed (label \"%s\")\n", run + 1,
                qPrintable(label->text()));
            return 1;
        }
        const qint64 at = showReady ? watch.paintedAtNs() : watch.clock.nsecsElapsed();
        (showReady ? painted : held).push_back(double(at - plugged) / 1e6);
        std::fprintf(stderr, "plug-in run %d (%s): %.1f ms\n", run / 2 + 1, showReady ? "painted" : "held",
            double(at - plugged) / 1e6);
        // Let the server's answer and the downloads come in, then unplug.
        waitFor([&] { return window->firmwareReady(); }, 10000);
        lens->unplug();
        waitFor([&] { return window->shownLens().link == LensRecord::Link::None; }, 10000);
        settle(700);
    }
    std::printf("plugin_ms %.1f max %.1f min %.1f painted_ms %.1f painted_max %.1f runs %d\n", median(held),
        *std::max_element(held.begin(), held.end()), *std::min_element(held.begin(), held.end()),
        median(painted), *std::max_element(painted.begin(), painted.end()), runs);
    return 0;
}

// The server runs as lens-fwserver in a process of its own, so that only
// the window's memory is counted (with the simulated lens's copy of what it
// received, about 4 MB).
int measureMemory()
{
    QTemporaryDir models;
    const QString dir = models.path() + QLatin1Char('/') + kCode;
    QDir().mkpath(dir);
    // Only its checksum stays here: the bench's own copy would count as the
    // window's memory.
    QByteArray imageHash;
    int imageSize = 0;
    {
        const QByteArray image = WindowHarness::firmwareImage(kModel, UpdateProcess::MAX_IMAGE_SIZE, 4242);
        imageHash = QCryptographicHash::hash(image, QCryptographicHash::Sha256);
        imageSize = image.size();
        QFile picture(dir + QStringLiteral("/picture.png"));
        QFile firmware(dir + QStringLiteral("/firmware.dat"));
        QFile reply(dir + QStringLiteral("/reply.json"));
        if (!picture.open(QIODevice::WriteOnly) || !firmware.open(QIODevice::WriteOnly)
            || !reply.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write the model folder\n");
            return 1;
        }
        picture.write(WindowHarness::lensPicture());
        firmware.write(image);
        QJsonObject data { { QStringLiteral("vendor"), QStringLiteral("Zemtar") },
            { QStringLiteral("model"), kModel }, { QStringLiteral("nickname"), QStringLiteral("SIM") },
            { QStringLiteral("img"), QStringLiteral("picture.png") },
            { QStringLiteral("dat"), QStringLiteral("firmware.dat") },
            { QStringLiteral("version"), QStringLiteral("V9.0.0") },
            { QStringLiteral("camera_version"), QString() },
            { QStringLiteral("content"), QStringLiteral("<p>The largest image.</p>") } };
        reply.write(
            QJsonDocument(QJsonObject { { QStringLiteral("code"), 200 }, { QStringLiteral("data"), data } })
                .toJson(QJsonDocument::Compact));
    }

    QProcess serverProcess;
    serverProcess.setProcessChannelMode(QProcess::SeparateChannels);
    serverProcess.start(QStringLiteral(LENS_PERF_FWSERVER),
        { QStringLiteral("--models"), models.path(), QStringLiteral("--port"), QStringLiteral("0") });
    QString origin;
    if (!waitFor(
            [&] {
                const QByteArray line = serverProcess.readLine();
                const int at = line.indexOf("https://");
                if (line.startsWith("Serving") && at >= 0)
                    origin = QString::fromUtf8(line.mid(at)).section(QLatin1Char('/'), 0, 2);
                return !origin.isEmpty() || serverProcess.state() == QProcess::NotRunning;
            },
            15000)
        || origin.isEmpty()) {
        std::fprintf(
            stderr, "lens-fwserver did not start: %s\n", serverProcess.readAllStandardError().constData());
        return 1;
    }
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(
        ssl.caCertificates() + QSslCertificate::fromPath(QStringLiteral(LENS_PERF_FWSERVER_CA)));
    QSslConfiguration::setDefaultConfiguration(ssl);
    DeviceFirmwareProcess::Endpoints endpoints;
    endpoints.origin = origin;
    endpoints.probeUrl = QUrl(origin + QLatin1Char('/'));

    LensSimulator *lens = SimulatedHidapi::lens();
    lens->reset();
    lens->setLatency(0);
    lens->setModelName(kModel);
    lens->setModelCode(kCode);
    lens->setFirmwareVersion(QStringLiteral("V1.0.0"));
    lens->setVersionAfterUpdate(QStringLiteral("V9.0.0"));

    const long beforeWindowKb = statusKb("VmHWM");
    auto window = showWindow(endpoints);
    std::fprintf(stderr, "window shown: rss %ld kB, anon %ld kB\n", statusKb("VmRSS"), statusKb("RssAnon"));
    if (!waitFor([&] { return window->firmwareReady(); }, 60000)) {
        std::fprintf(stderr, "the window never got the firmware\n");
        return 1;
    }
    const long readyKb = statusKb("VmHWM");
    std::fprintf(stderr, "firmware ready: rss %ld kB, anon %ld kB, peak %ld kB\n", statusKb("VmRSS"),
        statusKb("RssAnon"), readyKb);
    qobject_cast<QPushButton *>(WindowHarness::part(window.get(), QStringLiteral("button_link")))->click();
    qobject_cast<QPushButton *>(WindowHarness::part(window.get(), QStringLiteral("button_update")))->click();
    if (!waitFor([&] { return WindowHarness::page(window.get()) == QLatin1String("finished"); }, 300000)) {
        std::fprintf(stderr, "the transfer did not finish (page %s, %d packets)\n",
            qPrintable(WindowHarness::page(window.get())), lens->packetsReceived());
        return 1;
    }
    const long peakKb = statusKb("VmHWM");
    const long anonKb = statusKb("RssAnon");
    std::fprintf(
        stderr, "transfer done: rss %ld kB, anon %ld kB, peak %ld kB\n", statusKb("VmRSS"), anonKb, peakKb);
    const QByteArray received = lens->receivedImage();
    if (received.size() != imageSize
        || QCryptographicHash::hash(received, QCryptographicHash::Sha256) != imageHash) {
        std::fprintf(stderr, "the lens does not hold the image\n");
        return 1;
    }
    // The simulated lens keeps what it received: not the window's memory.
    const double lensMb = lens->receivedData().size() / (1024.0 * 1024.0);
    std::printf(
        "peak_rss_mb %.1f lens_copy_mb %.1f private_mb %.1f before_window_mb %.1f firmware_ready_mb %.1f "
        "image_bytes %d\n",
        peakKb / 1024.0, lensMb, anonKb / 1024.0, beforeWindowKb / 1024.0, readyKb / 1024.0, imageSize);
    window.reset();
    serverProcess.terminate();
    serverProcess.waitForFinished(5000);
    return 0;
}

#endif

// Starts lens-updater with the probe preloaded, `runs` times, and times each
// start to its first painted window.
int measureStartup(int runs)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LENS_PERF_STARTUP_PROBE));
        if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        QElapsedTimer timer;
        bool shown = false;
        double ms = 0;
        QObject::connect(&program, &QProcess::readyReadStandardError, [&] {
            while (program.canReadLine() || program.bytesAvailable()) {
                const QByteArray line = program.readLine();
                if (line.isEmpty())
                    break;
                if (!shown && line.startsWith("shown")) {
                    shown = true;
                    ms = double(timer.nsecsElapsed()) / 1e6;
                }
            }
        });
        program.setReadChannel(QProcess::StandardError);
        timer.start();
        program.start(QStringLiteral(LENS_PERF_UPDATER), QStringList());
        if (!waitFor([&] { return shown || program.state() == QProcess::NotRunning; }, 20000) || !shown) {
            std::fprintf(stderr, "run %d: lens-updater showed no window\n", run + 1);
            program.kill();
            program.waitForFinished();
            return 1;
        }
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished();
        }
        times.push_back(ms);
        std::fprintf(stderr, "start-up run %d: %.1f ms\n", run + 1, ms);
    }
    std::printf("startup_ms %.1f max %.1f min %.1f first %.1f runs %d\n", median(times),
        *std::max_element(times.begin(), times.end()), *std::min_element(times.begin(), times.end()),
        times.front(), runs);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;

    if (mode == QLatin1String("startup"))
        return measureStartup(count ? count : 7);

    WindowHarness::initApplication();
    QLoggingCategory::setFilterRules(QStringLiteral("lens.*.debug=false\nlens.app.info=false"));
    if (mode == QLatin1String("idle"))
        return measureIdle(count ? count : 10);
#ifndef LENS_PERF_IDLE_ONLY
    if (mode == QLatin1String("plugin"))
        return measurePlugin(count ? count : 7);
    if (mode == QLatin1String("memory"))
        return measureMemory();
#endif
    std::fprintf(stderr, "usage: %s startup|plugin|memory|idle [count]\n", argv[0]);
    return 2;
}
