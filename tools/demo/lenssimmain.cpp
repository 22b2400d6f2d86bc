// lens-sim: a simulated lens for the demo program, in a process of its own.
//
//   lens-sim [--socket NAME] [--models DIR] [--model CODE] [--version V]
//            [--restart-ms MS] [--latency-us US] [--watch-pid PID]
//
// Serves the lens over a local socket to the demo program's socket hidapi
// and takes commands on stdin (type help).

#include "demolenses.h"
#include "lenssimconsole.h"
#include "lenssimserver.h"
#include "tools/lenssim/lenssimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPointer>
#include <QTextStream>
#include <QTimer>

#include <cerrno>
#include <csignal>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <sys/types.h>
#endif

#ifndef LENS_SIM_DEFAULT_SOCKET
#define LENS_SIM_DEFAULT_SOCKET "lens-sim"
#endif

namespace {

volatile std::sig_atomic_t g_signalled = 0;

void onSignal(int)
{
    g_signalled = 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lens-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated autofocus lens for the demo program, served over a local socket. Type help for its "
        "commands."));
    parser.addHelpOption();
    const DemoLens &lens0 = kDefaultDemoLens;
    QCommandLineOption socketOption(QStringLiteral("socket"), QStringLiteral("Local socket name."),
        QStringLiteral("name"), QStringLiteral(LENS_SIM_DEFAULT_SOCKET));
    QCommandLineOption modelsOption(QStringLiteral("models"),
        QStringLiteral("The folder lens-fwserver serves (versions, images)."), QStringLiteral("dir"));
    QCommandLineOption modelOption(QStringLiteral("model"), QStringLiteral("Model code to start as."),
        QStringLiteral("code"), QString::fromLatin1(lens0.code));
    QCommandLineOption versionOption(QStringLiteral("version"),
        QStringLiteral("Firmware version to start with."), QStringLiteral("version"));
    QCommandLineOption restartOption(QStringLiteral("restart-ms"),
        QStringLiteral("Time off the bus when restarting."), QStringLiteral("ms"), QStringLiteral("1500"));
    QCommandLineOption latencyOption(QStringLiteral("latency-us"),
        QStringLiteral("The lens's answer time per report (a real lens: about 2 ms)."), QStringLiteral("us"),
        QStringLiteral("2000"));
    QCommandLineOption watchOption(QStringLiteral("watch-pid"),
        QStringLiteral("End when this process has ended."), QStringLiteral("pid"));
    parser.addOptions({ socketOption, modelsOption, modelOption, versionOption, restartOption, latencyOption,
        watchOption });
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);

    LensSimulator lens;
    lens.setRestartTime(parser.value(restartOption).toInt());
    lens.setLatency(parser.value(latencyOption).toInt());

    LensSimConsole console(&lens, &out);
    console.setModelsFolder(parser.value(modelsOption));
    const QString code = parser.value(modelOption);
    const DemoLens *start = nullptr;
    for (const DemoLens &l : kDemoLenses) {
        if (code == QLatin1String(l.code))
            start = &l;
    }
    if (!start) {
        err << "lens-sim: " << code << " is not a demo lens; start with one and use the model command\n";
        return 2;
    }
    console.setIdentity(QString::fromUtf8(start->name), code, QString::fromLatin1(start->serialNumber),
        parser.isSet(versionOption) ? parser.value(versionOption) : QString::fromLatin1(start->lensVersion));

    LensSimServer server(&lens);
    QObject::connect(
        &server, &LensSimServer::connectionsChanged, &console, &LensSimConsole::connectionsChanged);
    if (!server.listen(parser.value(socketOption))) {
        err << "lens-sim: cannot serve \"" << parser.value(socketOption) << "\": " << server.errorString()
            << "\n";
        return 1;
    }

    QObject::connect(&console, &LensSimConsole::quitRequested, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer housekeeping;
    const qint64 watched = parser.isSet(watchOption) ? parser.value(watchOption).toLongLong() : 0;
    QObject::connect(&housekeeping, &QTimer::timeout, &app, [&] {
        if (g_signalled) {
            app.quit();
            return;
        }
#ifdef Q_OS_UNIX
        if (watched > 0 && ::kill(pid_t(watched), 0) != 0 && errno == ESRCH) {
            out << "The program has ended.\n";
            out.flush();
            app.quit();
        }
#else
        Q_UNUSED(watched)
#endif
    });
    housekeeping.start(200);

    out << "lens-sim: " << lens.modelName() << " (" << lens.modelCode() << "), version "
        << lens.firmwareVersion() << ", serving " << server.fullServerName() << "\n";
    out << "Type help for the commands.\n";
    out.flush();
    console.startWatching();

    console.readStandardInput();

    const int result = app.exec();
    server.close();
    return result;
}
