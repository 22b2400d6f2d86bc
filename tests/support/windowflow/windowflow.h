#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "net/devicefirmwareprocess.h"
#include "tools/windowharness/testwindow.h"

class FirmwareServer;
class NoticeRecorder;

// The steps every end-to-end test of the window takes: a local HTTPS
// firmware server the window's client talks to, the window opened and shown,
// waiting until a lens's firmware is in, and one update from the ready or
// finished page to its end.
//
//     FirmwareServer server;
//     QVERIFY(WindowFlow::startServer(server));          // initTestCase
//     const QByteArray image = WindowFlow::serveModel(server, "SIM85", "V1.2.0", "AF 85mm F1.8 SIM");
//     auto w = WindowFlow::openWindow();                 // its client talks to the server
//     QVERIFY(WindowFlow::waitUntilReady(*w, "v1.2.0"));
//     QVERIFY(WindowFlow::clickUpdate(*w));               // link -> ready -> updating
//     QVERIFY(WindowFlow::waitForPage(*w, "finished"));
class WindowFlow
{
public:
    // Once per test program: the window harness, the test CA and `server`
    // listening. The windows openWindow() makes get a client that talks to
    // it (and probes its home page every probeIntervalMs; 0: never).
    static bool startServer(FirmwareServer &server, int probeIntervalMs = 500);
    // The server's endpoints, as startServer() set them.
    static DeviceFirmwareProcess::Endpoints endpoints();

    // Files firmware for a model: an image of `size` bytes naming
    // `imageModelName` in its header, release notes and a picture.
    static QByteArray serveModel(FirmwareServer &server, const QString &code, const QString &version,
        const QString &imageModelName, int size = 56 * 300 + 7,
        const QString &nickname = QStringLiteral("AF85"));

    // A shown window; a firmware client for the server unless `workers`
    // names one; its notices go to `notices` from the start.
    static std::unique_ptr<TestWindow> openWindow(
        const Widget::Workers &workers = Widget::Workers(), NoticeRecorder *notices = nullptr);

    // The latest version is shown and the firmware image is in.
    static bool waitUntilReady(Widget &window, const QString &latestVersion, int timeoutMs = 20000);
    // "link", "ready", "finished" or "updating".
    static bool waitForPage(Widget &window, const QString &page, int timeoutMs = 20000);
    // From the link page through the ready page (or from the finished page)
    // the update button is pressed; true when the updating page is up.
    static bool clickUpdate(Widget &window);
};
