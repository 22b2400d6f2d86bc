// The shipped program's pace over an emulated hidraw node, next to the
// node's own bare round trip, in one run over one testbed:
//
//   bench_hidrawnode [PACKETS]
//
// 1. bench_hidraw_roundtrip (a plain hidapi loop) sends PACKETS packets;
// 2. lens-updater, unchanged, updates the lens with an image of PACKETS
//    packets from the local server, its window driven through the shim;
//    the testbed times the packets as they arrive.
// Prints both per-packet times and their ratio.

#include "tools/fwserver/firmwareserver.h"
#include "tools/hidrawlens/hidrawlenstestbed.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/programdriver/connecttunnel.h"
#include "tools/programdriver/shimmedprogram.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QTest>

#include <cstdio>
#include <cstring>

namespace {

int fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "bench_hidrawnode: %s\n%s\n", what, detail.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int packets = argc > 1 ? qMax(10, QString::fromLocal8Bit(argv[1]).toInt()) : 3000;

    QString why;
    if (!HidrawLensTestbed::isAvailable(&why)) {
        std::printf("skipped: %s\n", why.toLocal8Bit().constData());
        return 0;
    }
    LensSimulator lens;
    lens.setRestartTime(300);
    HidrawLensTestbed testbed(&lens);
    if (!testbed.start(&why))
        return fail("no testbed", why);
    const QProcessEnvironment base = QProcessEnvironment::systemEnvironment();

    // 1. The bare loop.
    QProcess bare;
    bare.setProcessEnvironment(testbed.environment(base));
    bare.start(QStringLiteral(LENS_ROUNDTRIP), { QString::number(packets) });
    bare.waitForStarted(30000);
    while (bare.state() != QProcess::NotRunning)
        QTest::qWait(20);
    const QString bareLine = QString::fromLocal8Bit(bare.readAllStandardOutput()).trimmed();
    const QRegularExpressionMatch bareMean
        = QRegularExpression(QStringLiteral("mean ([0-9.]+) us")).match(bareLine);
    if (bare.exitCode() != 0 || !bareMean.hasMatch())
        return fail("the bare loop failed", bareLine + QString::fromLocal8Bit(bare.readAllStandardError()));
    std::printf("%s\n", bareLine.toLocal8Bit().constData());
    std::fflush(stdout);

    // 2. The program.
    FirmwareServer server;
    if (!server.setCertificateFiles(ShimmedProgram::serverCertificateFile(), ShimmedProgram::serverKeyFile())
        || !server.start())
        return fail("no server", server.errorString());
    ConnectTunnel tunnel;
    if (!tunnel.start(server.port()))
        return fail("no tunnel");
    QByteArray image(packets * 56, '\x33');
    std::memset(image.data() + 32, 0, 32);
    std::memcpy(image.data() + 32, "AF 85mm F1.8 SIM", 16);
    server.addModel(QStringLiteral("SIM85"), QStringLiteral("V1.2.0"), QStringLiteral("<p>notes</p>"),
        QStringLiteral("AF85"), QStringLiteral("AF 85mm F1.8 SIM"), QByteArray(), image);
    lens.setVersionAfterUpdate(QStringLiteral("V1.2.0"));

    QTemporaryDir tmp;
    QProcessEnvironment env = base;
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("zh_CN.UTF-8"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("lens.app.debug=true"));
    ShimmedProgram program;
    if (!program.start(QStringLiteral(LENS_UPDATER),
            testbed.environment(env, { ShimmedProgram::shimLibrary() }), tunnel.address()))
        return fail("lens-updater did not start");
    if (!program.waitForOutput(QStringLiteral("firmware ready"), 1, 60000))
        return fail("the firmware did not arrive", program.otherOutput());
    program.click(QStringLiteral("button_link"));
    program.waitForPage(QStringLiteral("ready"));
    program.click(QStringLiteral("button_update"));
    if (!program.waitForNotice(QStringLiteral("更新成功！正在重启中..."), 30000 + packets * 20))
        return fail("the update did not finish", program.transcript() + program.otherOutput());
    program.quit();
    const int sent = testbed.transferPackets();
    const double perPacket = double(testbed.transferMicroseconds()) / double(qMax(1, sent - 1));
    const double bareUs = bareMean.captured(1).toDouble();
    std::printf("node host time per packet: %.1f us over %d packets\n", perPacket, sent);
    std::printf("node ratio (program / bare round trip): %.2f\n", perPacket / bareUs);
    return 0;
}
