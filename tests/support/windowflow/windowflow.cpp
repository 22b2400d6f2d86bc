#include "windowflow.h"

#include "app/widget.h"
#include "net/devicefirmwareprocess.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/testca/testca.h"
#include "tools/windowharness/noticerecorder.h"
#include "tools/windowharness/windowharness.h"

#include <QDebug>
#include <QTest>

namespace {

DeviceFirmwareProcess::Endpoints g_endpoints = DeviceFirmwareProcess::builtInEndpoints();

} // namespace

bool WindowFlow::startServer(FirmwareServer &server, int probeIntervalMs)
{
    WindowHarness::initApplication();
    if (!TestCa::startServer(server))
        return false;
    g_endpoints = DeviceFirmwareProcess::Endpoints();
    g_endpoints.origin = server.origin();
    g_endpoints.probeUrl = server.homePageUrl();
    g_endpoints.probeIntervalMs = probeIntervalMs;
    return true;
}

DeviceFirmwareProcess::Endpoints WindowFlow::endpoints()
{
    return g_endpoints;
}

QByteArray WindowFlow::serveModel(FirmwareServer &server, const QString &code, const QString &version,
    const QString &imageModelName, int size, const QString &nickname)
{
    const QByteArray image = WindowHarness::firmwareImage(imageModelName, size, quint32(size) * 7919u);
    server.addModel(code, version, QStringLiteral("<p>Faster focus in low light.</p>"), nickname,
        imageModelName, WindowHarness::lensPicture(), image);
    return image;
}

std::unique_ptr<TestWindow> WindowFlow::openWindow(const Widget::Workers &workers, NoticeRecorder *notices)
{
    Widget::Workers given = workers;
    if (!given.firmware)
        given.firmware = new DeviceFirmwareProcess(g_endpoints);
    std::unique_ptr<TestWindow> window(new TestWindow(given));
    if (notices)
        notices->watch(window.get());
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

bool WindowFlow::waitUntilReady(Widget &window, const QString &latestVersion, int timeoutMs)
{
    const QString expected = QStringLiteral("最新版本 ： ") + latestVersion;
    const bool ready = QTest::qWaitFor(
        [&] {
            return WindowHarness::text(&window, QStringLiteral("label_newVer")) == expected
                && window.firmwareReady();
        },
        timeoutMs);
    if (!ready)
        qWarning() << "latest version shown:" << WindowHarness::text(&window, QStringLiteral("label_newVer"))
                   << "firmware ready:" << window.firmwareReady();
    return ready;
}

bool WindowFlow::waitForPage(Widget &window, const QString &page, int timeoutMs)
{
    return QTest::qWaitFor([&] { return WindowHarness::page(&window) == page; }, timeoutMs);
}

bool WindowFlow::clickUpdate(Widget &window)
{
    const QString page = WindowHarness::page(&window);
    if (page == QLatin1String("link"))
        QTest::mouseClick(WindowHarness::part(&window, QStringLiteral("button_link")), Qt::LeftButton);
    const bool finished = WindowHarness::page(&window) == QLatin1String("finished");
    QWidget *button = WindowHarness::part(
        &window, finished ? QStringLiteral("button_update_F") : QStringLiteral("button_update"));
    if (!button || (!finished && WindowHarness::page(&window) != QLatin1String("ready")))
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return WindowHarness::page(&window) == QLatin1String("updating");
}
