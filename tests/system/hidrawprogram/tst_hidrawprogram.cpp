// The shipped lens-updater, unchanged, over a real hidraw node: the system
// hidapi finds the lens through libudev and talks to /dev/hidraw0 with
// open, ioctl, write, poll and read, all emulated in user space by the
// hidraw lens testbed. The window is driven through the preloaded shim; the
// compiled-in server address reaches the local HTTPS server through a tunnel.
// lens-update, the command-line program, runs over the same node.

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>

#include "tools/fwserver/firmwareserver.h"
#include "tools/hidrawlens/hidrawlenstestbed.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/programdriver/connecttunnel.h"
#include "tools/programdriver/shimmedprogram.h"

namespace {

const QString kModel = QStringLiteral("AF 85mm F1.8 SIM");
const QString kCode = QStringLiteral("SIM85");
const QString kSerial = QStringLiteral("SN2024000001");
const QString kRestarting = QStringLiteral("更新成功！正在重启中...");
const QString kSuccess = QStringLiteral("更新成功！");
const QString kFailure = QStringLiteral("更新失败！");
const QString kDisconnected = QStringLiteral("设备断开！");
const QString kConnected = QStringLiteral("HID lens connected");

// An image naming the lens's model at offset 32, the rest a pattern whose
// last byte is not zero (the final packet's padding must be told apart).
QByteArray firmwareImage(int size)
{
    QByteArray image(size, '\0');
    quint32 x = 2463534242u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image[i] = char(x & 0xFF);
    }
    const QByteArray name = kModel.toUtf8();
    std::memset(image.data() + 32, 0, 32);
    std::memcpy(image.data() + 32, name.constData(), size_t(name.size()));
    image[size - 1] = '\x5A';
    return image;
}

QByteArray picture()
{
    QImage image(260, 370, QImage::Format_RGB32);
    image.fill(QColor(0x4A, 0x8F, 0xD8));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

class tst_HidrawProgram : public QObject
{
    Q_OBJECT

public:
    enum Scenario { InformationShown, FullUpdate, UnplugMidTransfer, UnplugAtRest, LensStopsAnswering };
    Q_ENUM(Scenario)

private slots:
    void initTestCase();
    void window_data();
    void window();
    void commandLine();

private:
    QProcessEnvironment environment() const;
    bool startProgram(ShimmedProgram &program, HidrawLensTestbed &testbed, const QString &path);
    // From the link page: firmware in, ready page, update pressed.
    bool startUpdate(ShimmedProgram &program);

    FirmwareServer server;
    ConnectTunnel tunnel;
    QByteArray image;
    std::unique_ptr<QTemporaryDir> tmp;
    QString skipReason;
};

void tst_HidrawProgram::initTestCase()
{
    qRegisterMetaType<QProcess::ExitStatus>("QProcess::ExitStatus");
    if (!HidrawLensTestbed::isAvailable(&skipReason))
        return;
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    QVERIFY(
        server.setCertificateFiles(ShimmedProgram::serverCertificateFile(), ShimmedProgram::serverKeyFile()));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(tunnel.start(server.port()));
    image = firmwareImage(56 * 400 + 9);
    server.addModel(kCode, QStringLiteral("V1.2.0"), QStringLiteral("<p>Faster focus in low light.</p>"),
        QStringLiteral("AF85"), kModel, picture(), image);
}

QProcessEnvironment tst_HidrawProgram::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Its own temporary folder keeps its single-instance guard apart.
    env.insert(QStringLiteral("TMPDIR"), tmp->path());
    env.insert(QStringLiteral("HOME"), tmp->path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_QPA_FONTDIR"), QStringLiteral("/usr/share/fonts"));
    // The window's own texts, untranslated.
    env.insert(QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("zh_CN.UTF-8"));
    env.remove(QStringLiteral("LANGUAGE"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("lens.*.debug=true"));
    return env;
}

bool tst_HidrawProgram::startProgram(ShimmedProgram &program, HidrawLensTestbed &testbed, const QString &path)
{
    return program.start(
        path, testbed.environment(environment(), { ShimmedProgram::shimLibrary() }), tunnel.address());
}

bool tst_HidrawProgram::startUpdate(ShimmedProgram &program)
{
    if (!program.waitForLabel(QStringLiteral("label_newVer"), QStringLiteral("最新版本 ： v1.2.0"))
        || !program.waitForOutput(QStringLiteral("firmware ready")))
        return false;
    program.click(QStringLiteral("button_link"));
    if (!program.waitForPage(QStringLiteral("ready")))
        return false;
    program.click(QStringLiteral("button_update"));
    return program.waitForPage(QStringLiteral("updating"));
}

void tst_HidrawProgram::window_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::newRow("found by itself, information shown") << InformationShown;
    QTest::newRow("full update, restart, new version") << FullUpdate;
    QTest::newRow("unplugged mid-transfer, plugged in again") << UnplugMidTransfer;
    QTest::newRow("unplugged at rest, plugged in again") << UnplugAtRest;
    QTest::newRow("lens stops answering") << LensStopsAnswering;
}

void tst_HidrawProgram::window()
{
    if (!skipReason.isEmpty())
        QSKIP(qPrintable(skipReason));
    QFETCH(Scenario, scenario);

    LensSimulator lens;
    lens.setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    lens.setRestartTime(500);
    HidrawLensTestbed testbed(&lens);
    QString why;
    if (!testbed.start(&why))
        QSKIP(qPrintable(why));
    ShimmedProgram program;
    QVERIFY(startProgram(program, testbed, QStringLiteral(LENS_UPDATER)));

    // Found by itself: the lens's information from the node.
    QVERIFY2(program.waitForLabel(QStringLiteral("label_SN"), QStringLiteral("序列号  ： ") + kSerial),
        qPrintable(program.otherOutput()));
    QCOMPARE(program.label(QStringLiteral("label_model")), QStringLiteral("产品型号 ： ") + kModel);
    QCOMPARE(program.label(QStringLiteral("label_nowVer")), QStringLiteral("当前版本 ： V1.0.0"));
    QCOMPARE(program.page(), QStringLiteral("link"));
    QVERIFY(lens.connectCommands() >= 1);
    // Every write the lens saw was report id 0 and a whole frame.
    for (const QByteArray &report : lens.writtenReports()) {
        QCOMPARE(report.size(), 65);
        QCOMPARE(report.at(0), '\0');
        QCOMPARE(uchar(report.at(1)), uchar(0x24));
    }

    switch (scenario) {
    case InformationShown:
        // The compiled-in server was asked, through the tunnel.
        QVERIFY(program.waitForLabel(QStringLiteral("label_newVer"), QStringLiteral("最新版本 ： v1.2.0")));
        QVERIFY2(tunnel.hosts().contains(QStringLiteral(LENS_SERVER_HOST) + QStringLiteral(":443")),
            qPrintable(tunnel.hosts().join(QLatin1Char(' '))));
        break;
    case FullUpdate: {
        QVERIFY(startUpdate(program));
        QVERIFY2(program.waitForNotice(kRestarting), qPrintable(program.transcript()));
        QCOMPARE(lens.lastStatus(), 5);
        QVERIFY(lens.holdsImage(image));
        QCOMPARE(lens.receivedImage(), image);
        QCOMPARE(lens.packetsReceived(), (image.size() + 55) / 56);
        const QList<int> progress = program.progress();
        QVERIFY(progress.size() > 3);
        QCOMPARE(progress.last(), 100);
        for (int i = 1; i < progress.size(); ++i)
            QVERIFY(progress.at(i) >= progress.at(i - 1));
        // The lens restarts: off the bus and back, with its new version.
        QVERIFY(program.waitForPage(QStringLiteral("finished")));
        QVERIFY(program.waitForNotice(kSuccess));
        QCOMPARE(lens.restartCount(), 1);
        QCOMPARE(testbed.plugCount(), 2);
        QCOMPARE(program.label(QStringLiteral("label_newVer_F")), QStringLiteral("当前镜头版本 ： V1.2.0"));
        QVERIFY(!program.notices().contains(kDisconnected));
        QVERIFY(!program.notices().contains(kFailure));
        break;
    }
    case UnplugMidTransfer:
        lens.unplugAtPacket(120);
        QVERIFY(startUpdate(program));
        QVERIFY2(program.waitForNotice(kDisconnected), qPrintable(program.transcript()));
        QVERIFY(program.waitForPage(QStringLiteral("link")));
        QTRY_VERIFY(!testbed.isNodePresent());
        QCOMPARE(lens.packetsReceived(), 120);
        QCOMPARE(lens.receivedData(), image.left(120 * 56));
        QVERIFY(!program.notices().contains(kSuccess));
        lens.plug();
        QVERIFY(program.waitForOutput(kConnected, 2));
        QTRY_VERIFY_WITH_TIMEOUT(lens.lensInfoRequests() >= 2, 10000);
        QCOMPARE(testbed.plugCount(), 2);
        break;
    case UnplugAtRest:
        lens.unplug();
        QVERIFY2(program.waitForNotice(kDisconnected), qPrintable(program.transcript()));
        QVERIFY(program.waitForOutput(QStringLiteral("HID lens removed")));
        lens.setFirmwareVersion(QStringLiteral("V1.1.0"));
        lens.plug();
        QVERIFY(program.waitForOutput(kConnected, 2));
        QVERIFY(program.waitForLabel(QStringLiteral("label_nowVer"), QStringLiteral("当前版本 ： V1.1.0")));
        QCOMPARE(testbed.plugCount(), 2);
        break;
    case LensStopsAnswering:
        lens.setAcknowledging(false);
        QVERIFY(startUpdate(program));
        QVERIFY2(program.waitForNotice(kFailure, 30000), qPrintable(program.transcript()));
        QCOMPARE(lens.packetsReceived(), 1);
        QVERIFY(!program.notices().contains(kSuccess));
        break;
    }

    QVERIFY(program.quit());
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(!program.otherOutput().contains(QLatin1String("QObject::")), qPrintable(program.otherOutput()));
}

// The command-line program over the same testbed: list, update against the
// local server (its address and CA given on the command line), list again.
void tst_HidrawProgram::commandLine()
{
#ifndef LENS_UPDATE_CLI
    QSKIP("the command-line program lens-update is not built in this tree");
#else
    if (!skipReason.isEmpty())
        QSKIP(qPrintable(skipReason));

    LensSimulator lens;
    lens.setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    lens.setRestartTime(500);
    HidrawLensTestbed testbed(&lens);
    QString why;
    if (!testbed.start(&why))
        QSKIP(qPrintable(why));
    QProcessEnvironment env = testbed.environment(environment());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));

    // The testbed and the server are served by this event loop while it runs.
    const auto run = [&](const QStringList &arguments, QByteArray *out, QString *all) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        QSignalSpy finished(&cli, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        cli.start(QStringLiteral(LENS_UPDATE_CLI),
            arguments
                + QStringList { QStringLiteral("--server"), server.origin(), QStringLiteral("--ca-file"),
                    ShimmedProgram::caFile(), QStringLiteral("--restart-timeout"), QStringLiteral("30"),
                    QStringLiteral("--volumes-under"), tmp->path() });
        cli.closeWriteChannel();
        const bool ended = cli.waitForStarted() && finished.wait(120000);
        *out = cli.readAllStandardOutput();
        *all = QString::fromUtf8(*out) + QLatin1Char('\n') + QString::fromUtf8(cli.readAllStandardError());
        if (!ended)
            cli.kill();
        return ended && cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    };
    const auto listed = [&](const QString &version) {
        QByteArray out;
        QString all;
        const int code = run({ QStringLiteral("list"), QStringLiteral("--json") }, &out, &all);
        QJsonParseError error;
        const QJsonObject root = QJsonDocument::fromJson(out, &error).object();
        const QJsonArray lenses = root.value(QStringLiteral("lenses")).toArray();
        const QJsonObject found = lenses.at(0).toObject();
        const bool ok = code == 0 && error.error == QJsonParseError::NoError && lenses.size() == 1
            && root.value(QStringLiteral("hidLensesAttached")).toInt() == 1
            && found.value(QStringLiteral("link")).toString() == QLatin1String("hid")
            && found.value(QStringLiteral("modelName")).toString() == kModel
            && found.value(QStringLiteral("modelCode")).toString() == kCode
            && found.value(QStringLiteral("serialNumber")).toString() == kSerial
            && found.value(QStringLiteral("version")).toString() == version;
        if (!ok)
            qWarning().noquote() << "exit code" << code << all;
        return ok;
    };

    QVERIFY(listed(QStringLiteral("V1.0.0")));

    QByteArray out;
    QString all;
    QCOMPARE(run({ QStringLiteral("update"), QStringLiteral("--yes") }, &out, &all), 0);
    for (const QString &text : { QStringLiteral("100.0 %"), QStringLiteral("Update successfully!"),
             QStringLiteral("Current lens version : V1.2.0") })
        QVERIFY2(
            all.contains(text), qPrintable(QStringLiteral("missing: ") + text + QLatin1Char('\n') + all));
    QCOMPARE(lens.lastStatus(), 5);
    QCOMPARE(lens.receivedImage(), image);
    QVERIFY(lens.holdsImage(image));
    QCOMPARE(lens.packetsReceived(), (image.size() + 55) / 56);
    QCOMPARE(lens.restartCount(), 1);
    QCOMPARE(testbed.plugCount(), 2);
    for (const QByteArray &report : lens.writtenReports()) {
        QCOMPARE(report.size(), 65);
        QCOMPARE(report.at(0), '\0');
    }

    QVERIFY(listed(QStringLiteral("V1.2.0")));
#endif
}

QTEST_GUILESS_MAIN(tst_HidrawProgram)
#include "tst_hidrawprogram.moc"
