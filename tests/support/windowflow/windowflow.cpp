#include "windowflow.h"

#include "net/devicefirmwareprocess.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/testca/testca.h"
#include "app/widget.h"
#include "tools/windowharness/windowharness.h"

#include <QElapsedTimer>
#include <QTest>

bool WindowFlow::startServer(FirmwareServer &server, int probeIntervalMs)
{
    WindowHarness::initApplication();
    if (!TestCa::startServer(server))
        return false;
    DeviceFirmwareProcess::Endpoints endpoints;
    endpoints.origin = server.origin();
    endpoints.probeUrl = server.homePageUrl();
    endpoints.probeIntervalMs = probeIntervalMs;
    DeviceFirmwareProcess::setDefaultEndpoints(endpoints);
    return true;
}

QByteArray WindowFlow::serveModel(FirmwareServer &server, const QString &code, const QString &version,
                                  const QString &imageModelName, int size, const QString &nickname)
{
    const QByteArray image = WindowHarness::firmwareImage(imageModelName, size, quint32(size) * 7919u);
    server.addModel(code, version, QStringLiteral("<p>Faster focus in low light.</p>"), nickname, imageModelName,
                    WindowHarness::lensPicture(), image);
    return image;
}

std::unique_ptr<Widget> WindowFlow::openWindow(const Widget::Workers &workers)
{
    std::unique_ptr<Widget> window(new Widget(workers));
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

bool WindowFlow::waitUntilReady(Widget &window, const QString &latestVersion, int timeoutMs)
{
    const QString expected = QStringLiteral("最新版本 ： ") + latestVersion;
    QElapsedTimer timer;
    timer.start();
    while (WindowHarness::text(&window, QStringLiteral("label_newVer")) != expected) {
        if (timer.elapsed() > timeoutMs) {
            qWarning() << "latest version shown:" << WindowHarness::text(&window, QStringLiteral("label_newVer"));
            return false;
        }
        QTest::qWait(10);
    }
    while (!window.firmwareReady()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

bool WindowFlow::waitForPage(Widget &window, const QString &page, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (WindowHarness::page(&window) != page) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

bool WindowFlow::clickUpdate(Widget &window)
{
    const QString page = WindowHarness::page(&window);
    if (page == QLatin1String("link"))
        QTest::mouseClick(WindowHarness::part(&window, QStringLiteral("button_link")), Qt::LeftButton);
    const bool finished = WindowHarness::page(&window) == QLatin1String("finished");
    QWidget *button = WindowHarness::part(&window, finished ? QStringLiteral("button_update_F")
                                                            : QStringLiteral("button_update"));
    if (!button || (!finished && WindowHarness::page(&window) != QLatin1String("ready")))
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return WindowHarness::page(&window) == QLatin1String("updating");
}
