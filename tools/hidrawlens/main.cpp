// lens-hidraw-testbed: a simulated lens on an emulated /dev/hidraw node.
//
//   lens-hidraw-testbed [--name N] [--code C] [--serial S] [--version V] [--after V]
//                       [--restart-ms MS] [--latency-us US] [--models DIR] [--preload LIB]...
//                       [-- PROGRAM ARGS...]
//
// With a program, starts it under the umockdev preload (it finds the lens
// by itself through the system hidapi) and ends with its exit code;
// without one, prints the environment a program needs. Takes the lens-sim
// commands on stdin (type help); the node follows the lens's bus.

#include "hidrawlenstestbed.h"
#include "tools/demo/lenssimconsole.h"
#include "tools/lenssim/lenssimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcess>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lens-hidraw-testbed"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated lens on an emulated /dev/hidraw node for programs that link the system hidapi."));
    parser.addHelpOption();
    QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("Model name."),
        QStringLiteral("name"), QStringLiteral("AF 85mm F1.8 SIM"));
    QCommandLineOption codeOption(QStringLiteral("code"), QStringLiteral("Model code."),
        QStringLiteral("code"), QStringLiteral("SIM85"));
    QCommandLineOption serialOption(QStringLiteral("serial"), QStringLiteral("Serial number."),
        QStringLiteral("serial"), QStringLiteral("SN2024000001"));
    QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Firmware version."),
        QStringLiteral("version"), QStringLiteral("V1.0.0"));
    QCommandLineOption afterOption(
        QStringLiteral("after"), QStringLiteral("Version after an update."), QStringLiteral("version"));
    QCommandLineOption restartOption(QStringLiteral("restart-ms"),
        QStringLiteral("Time off the bus when restarting."), QStringLiteral("ms"), QStringLiteral("300"));
    QCommandLineOption latencyOption(QStringLiteral("latency-us"), QStringLiteral("The lens's answer time."),
        QStringLiteral("us"), QStringLiteral("0"));
    QCommandLineOption modelsOption(
        QStringLiteral("models"), QStringLiteral("The folder lens-fwserver serves."), QStringLiteral("dir"));
    QCommandLineOption preloadOption(QStringLiteral("preload"),
        QStringLiteral("A further library to preload into the program."), QStringLiteral("lib"));
    parser.addOptions({ nameOption, codeOption, serialOption, versionOption, afterOption, restartOption,
        latencyOption, modelsOption, preloadOption });
    parser.addPositionalArgument(QStringLiteral("program"), QStringLiteral("Program to run, after --."),
        QStringLiteral("[-- program args...]"));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);

    LensSimulator lens;
    lens.setRestartTime(parser.value(restartOption).toInt());
    lens.setLatency(parser.value(latencyOption).toInt());
    LensSimConsole console(&lens, &out);
    console.setModelsFolder(parser.value(modelsOption));
    console.setIdentity(parser.value(nameOption), parser.value(codeOption), parser.value(serialOption),
        parser.value(versionOption));
    if (parser.isSet(afterOption))
        lens.setVersionAfterUpdate(parser.value(afterOption));
    QObject::connect(&console, &LensSimConsole::quitRequested, &app, &QCoreApplication::quit);

    HidrawLensTestbed testbed(&lens);
    QObject::connect(&testbed, &HidrawLensTestbed::nodeAdded, &app, [&] {
        out << "testbed: node " << testbed.nodePath() << " added\n";
        out.flush();
    });
    QObject::connect(&testbed, &HidrawLensTestbed::nodeRemoved, &app, [&] {
        out << "testbed: node " << testbed.nodePath() << " removed\n";
        out.flush();
    });
    QString why;
    if (!testbed.start(&why)) {
        err << "lens-hidraw-testbed: " << why << "\n";
        return 77;
    }
    const QProcessEnvironment env
        = testbed.environment(QProcessEnvironment::systemEnvironment(), parser.values(preloadOption));

    QProcess program;
    const QStringList command = parser.positionalArguments();
    if (command.isEmpty()) {
        out << "testbed: UMOCKDEV_DIR=" << env.value(QStringLiteral("UMOCKDEV_DIR")) << "\n"
            << "testbed: LD_PRELOAD=" << env.value(QStringLiteral("LD_PRELOAD")) << "\n";
    } else {
        program.setProgram(command.first());
        program.setArguments(command.mid(1));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(&program, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &app,
            [&](int code, QProcess::ExitStatus status) {
                out << "testbed: the program ended (" << (status == QProcess::NormalExit ? code : -1)
                    << ")\n";
                out.flush();
                app.exit(status == QProcess::NormalExit ? code : 1);
            });
        program.start();
        if (!program.waitForStarted(30000)) {
            err << "lens-hidraw-testbed: cannot start " << command.first() << ": " << program.errorString()
                << "\n";
            return 1;
        }
        out << "testbed: started " << command.first() << " (pid " << program.processId() << ")\n";
    }
    out.flush();
    console.startWatching();
    console.readStandardInput();

    const int result = app.exec();
    if (program.state() != QProcess::NotRunning) {
        program.terminate();
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished(10000);
        }
    }
    return result;
}
