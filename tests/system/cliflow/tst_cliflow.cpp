#include "tools/fwserver/firmwareserver.h"
#include "tools/testca/testca.h"
#include "tools/udisklens/udisklensvolume.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

const QString kHidModel = QStringLiteral("AF 85mm F1.8 Test");
const QString kHidCode = QStringLiteral("85T01");
const QString kUdiskModel = QStringLiteral("AF 56mm F1.8 Z");
const QString kUdiskCode = QStringLiteral("58G31");
// Long enough that a transfer with a little latency runs for seconds.
const int kImageSize = 56 * 1500 + 13;

// An image whose header names `model` where the lens looks for it.
QByteArray image(const QString &model, int nameOffset, int seed)
{
    QByteArray bytes(kImageSize, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 31 + seed * 7) & 0xFF);
    const int width = nameOffset == 16 ? 16 : 32;
    QByteArray name = model.toUtf8().left(width - 1);
    name.append(QByteArray(width - name.size(), '\0'));
    bytes.replace(nameOffset, width, name);
    return bytes;
}

// "a/0/b" in a JSON document.
QJsonValue lookUp(const QJsonDocument &document, const QString &path)
{
    QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    for (const QString &part : path.split(QLatin1Char('/'))) {
        bool isIndex = false;
        const int index = part.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(part);
    }
    return value;
}

} // namespace

// lens-update as a built program: list, check and update over HID and in
// U-disk mode, the checks that refuse, faults on the way, Ctrl-C, --json.
class tst_CliFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();
    void productProgramStarts();

private:
    FirmwareServer m_server;
    QTemporaryDir m_files;
    int m_volumes = 0;
};

void tst_CliFlow::initTestCase()
{
    qRegisterMetaType<QProcess::ExitStatus>("QProcess::ExitStatus");
    QVERIFY(m_files.isValid());
    QVERIFY(TestCa::startServer(m_server));
    QFile foreign(m_files.filePath(QStringLiteral("foreign.dat")));
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write(image(QStringLiteral("AF 24mm F2.8 Other"), 32, 3));
    foreign.close();
    QFile own(m_files.filePath(QStringLiteral("own.dat")));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write(image(kHidModel, 32, 4));
    own.close();
}

void tst_CliFlow::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("lens"); // KEY=VALUE for the simulated HID lens
    QTest::addColumn<QString>("server"); // version offered for both models; "down": not listening
    QTest::addColumn<bool>("udisk"); // a lens volume is mounted
    QTest::addColumn<QByteArray>("input"); // stdin; closed after it
    QTest::addColumn<bool>("interrupt"); // Ctrl-C once the transfer shows progress
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected"); // in stdout + stderr; "json:path=value" in the stdout JSON

    const QStringList hid { QStringLiteral("LENS_SIM_VERSION_AFTER=V1.1.0") };
    const QStringList none { QStringLiteral("LENS_SIM_PLUGGED=0") };
    const QString latest = QStringLiteral("V1.1.0");

    QTest::newRow("list, HID") << QStringList { "list" } << hid << latest << false << QByteArray() << false
                               << 0
                               << QStringList { "Lens (HID)", "Product model : " + kHidModel,
                                      "Model code : " + kHidCode, "Serial number : SN0001",
                                      "Current version : V1.0.0" };
    QTest::newRow("list --json, HID")
        << QStringList { "list", "--json" } << hid << latest << false << QByteArray() << false << 0
        << QStringList { "json:lenses/0/link=hid", "json:lenses/0/modelName=" + kHidModel,
               "json:lenses/0/serialNumber=SN0001", "json:lenses/0/version=V1.0.0",
               "json:hidLensesAttached=1" };
    QTest::newRow("list, Chinese locale")
        << QStringList { "list", "LANG=zh_CN.UTF-8" } << hid << latest << false << QByteArray() << false << 0
        << QStringList { "镜头（HID）", "产品型号 ： " + kHidModel, "当前版本 ： V1.0.0" };
    QTest::newRow("list, no lens") << QStringList { "list", "--wait", "1" } << none << latest << false
                                   << QByteArray() << false << 3 << QStringList { "No lens found" };
    QTest::newRow("check, HID") << QStringList { "check" } << hid << latest << false << QByteArray() << false
                                << 0
                                << QStringList { "Latest version : v1.1.0", "An update is available",
                                       "Sharper focus." };
    QTest::newRow("check --json, HID")
        << QStringList { "check", "--json" } << hid << latest << false << QByteArray() << false << 0
        << QStringList { "json:lenses/0/latestVersion=v1.1.0", "json:lenses/0/comparison=different",
               "json:lenses/0/releaseNotes=Sharper focus." };
    QTest::newRow("check, server down") << QStringList { "check" } << hid << "down" << false << QByteArray()
                                        << false << 4 << QStringList { "Cannot reach the firmware server" };
    QTest::newRow("update, HID") << QStringList { "update" } << hid << latest << false << QByteArray()
                                 << false << 0
                                 << QStringList { "Updating", "100.0 %", "Update successfully!",
                                        "Current lens version : V1.1.0" };
    QTest::newRow("update, server down") << QStringList { "update" } << hid << "down" << false << QByteArray()
                                         << false << 4 << QStringList { "Cannot reach the firmware server" };
    QTest::newRow("update --firmware, foreign image")
        << QStringList { "update", "--firmware", "%foreign%" } << hid << latest << false << QByteArray()
        << false << 5 << QStringList { "error -1", "AF 24mm F2.8 Other" };
    QTest::newRow("update --firmware, own image")
        << QStringList { "update", "--firmware", "%own%", "--firmware-version", "V1.1.0" } << hid << "down"
        << false << QByteArray() << false << 0
        << QStringList { "Update successfully!", "Current lens version : V1.1.0" };
    QTest::newRow("update, downgrade without --yes")
        << QStringList { "update" } << hid << "V1.0.0beta1" << false << QByteArray() << false << 5
        << QStringList { "Current connected device version (V1.0.0)is newer, is it reduced to v1.0.0beta1?",
               "Not updated" };
    QTest::newRow("update, downgrade with --yes")
        << QStringList { "update", "--yes" } << (QStringList { "LENS_SIM_VERSION_AFTER=V1.0.0beta1" })
        << "V1.0.0beta1" << false << QByteArray() << false << 0
        << QStringList { "is it reduced to v1.0.0beta1? [y/N] y (--yes)",
               "Current lens version : V1.0.0beta1" };
    QTest::newRow("update, same version answered yes on the terminal")
        << QStringList { "update" } << QStringList() << "V1.0.0" << false << QByteArray("y\n") << false << 0
        << QStringList { "Do you want to re-write the device? [y/N]", "Update successfully!" };
    QTest::newRow("update, unplugged mid-transfer")
        << QStringList { "update" } << (hid + QStringList { "LENS_SIM_UNPLUG_AT=700" }) << latest << false
        << QByteArray() << false << 1
        << QStringList { "Device disconnected!", "The transfer stopped at 46.", "keeps version V1.0.0" };
    QTest::newRow("update, lens reports failure")
        << QStringList { "update" } << (hid + QStringList { "LENS_SIM_FAIL=1" }) << latest << false
        << QByteArray() << false << 1 << QStringList { "Update failed!" };
    QTest::newRow("update, old version after the restart")
        << QStringList { "update" } << QStringList() << latest << false << QByteArray() << false << 1
        << QStringList { "reports version V1.0.0 after the update instead of v1.1.0" };
    QTest::newRow("update, Ctrl-C mid-transfer")
        << QStringList { "update" } << (hid + QStringList { "LENS_SIM_LATENCY_US=1500" }) << latest << false
        << QByteArray() << true << 1
        << QStringList { "Interrupted.", "The transfer stopped at", "keeps version V1.0.0" };
    QTest::newRow("list, U-disk") << QStringList { "list" } << none << latest << true << QByteArray() << false
                                  << 0
                                  << QStringList { "Lens (U-disk mode)", "Product model : " + kUdiskModel,
                                         "Model code : " + kUdiskCode, "Current version : V1.0.3",
                                         "Volume : %volume%" };
    QTest::newRow("check --json, U-disk")
        << QStringList { "check", "--json" } << none << latest << true << QByteArray() << false << 0
        << QStringList { "json:lenses/0/link=udisk", "json:lenses/0/volume=%volume%",
               "json:lenses/0/latestVersion=v1.1.0" };
    QTest::newRow("update, U-disk") << QStringList { "update" } << none << latest << true << QByteArray()
                                    << false << 0
                                    << QStringList { "Writing Fw.dat to %volume%", "Update successfully!" };
    QTest::newRow("update, HID and U-disk lens at once")
        << QStringList { "update" } << hid << latest << true << QByteArray() << false << 5
        << QStringList { "More than one lens is connected" };
    QTest::newRow("usage error") << QStringList { "update", "--json" } << hid << latest << false
                                 << QByteArray() << false << 2
                                 << QStringList { "--json is only for list and check" };
    QTest::newRow("help") << QStringList { "--help" } << hid << latest << false << QByteArray() << false << 0
                          << QStringList { "Exit codes:", "4  The firmware server cannot be reached" };
}

void tst_CliFlow::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lens);
    QFETCH(QString, server);
    QFETCH(bool, udisk);
    QFETCH(QByteArray, input);
    QFETCH(bool, interrupt);
    QFETCH(int, exitCode);
    QFETCH(QStringList, expected);

    std::unique_ptr<UdiskLensVolume> volume;
    if (udisk) {
        QString reason;
        if (!UdiskLensVolume::canMount(&reason))
            QSKIP(qPrintable(reason));
        volume.reset(new UdiskLensVolume);
        // Below our own folder: other programs' lens volumes are not looked at.
        QVERIFY2(volume->mount(m_files.filePath(QStringLiteral("vol%1").arg(++m_volumes)), 4 << 20),
            qPrintable(volume->errorString()));
        QVERIFY(volume->writeDeviceInformation(kUdiskModel, QStringLiteral("V1.0.3")));
        volume->startLens();
    }

    m_server.clearModels();
    m_server.clearFaults();
    if (server == QLatin1String("down")) {
        m_server.stop();
    } else {
        if (!m_server.isListening())
            QVERIFY(m_server.start());
        const QString notes = QStringLiteral("<p>Sharper focus.</p>");
        m_server.addModel(
            kHidCode, server, notes, kHidCode, kHidModel, QByteArray("png"), image(kHidModel, 32, 1));
        m_server.addModel(
            kUdiskCode, server, notes, kUdiskCode, kUdiskModel, QByteArray("png"), image(kUdiskModel, 16, 2));
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.insert(QStringLiteral("LENS_SIM_MODEL_NAME"), kHidModel);
    environment.insert(QStringLiteral("LENS_SIM_MODEL_CODE"), kHidCode);
    environment.insert(QStringLiteral("LENS_SIM_SERIAL"), QStringLiteral("SN0001"));
    environment.insert(QStringLiteral("LENS_SIM_VERSION"), QStringLiteral("V1.0.0"));
    for (const QString &setting : lens)
        environment.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    QStringList args;
    for (QString argument : arguments) {
        if (argument.startsWith(QLatin1String("LANG="))) {
            environment.insert(QStringLiteral("LANG"), argument.mid(5));
            continue;
        }
        argument.replace(QLatin1String("%foreign%"), m_files.filePath(QStringLiteral("foreign.dat")));
        argument.replace(QLatin1String("%own%"), m_files.filePath(QStringLiteral("own.dat")));
        args << argument;
    }
    args << QStringLiteral("--server") << m_server.origin() << QStringLiteral("--ca-file")
         << TestCa::directory() + QStringLiteral("/ca.pem") << QStringLiteral("--restart-timeout")
         << QStringLiteral("20") << QStringLiteral("--volumes-under") << m_files.path();

    QProcess program;
    program.setProcessEnvironment(environment);
    QByteArray out;
    QByteArray err;
    bool interrupted = false;
    connect(&program, &QProcess::readyReadStandardOutput, this, [&] {
        out += program.readAllStandardOutput();
        if (interrupt && !interrupted
            && QRegularExpression(QStringLiteral("[1-9]\\d*\\.\\d %"))
                   .match(QString::fromUtf8(out))
                   .hasMatch()) {
            interrupted = true;
            ::kill(pid_t(program.processId()), SIGINT);
        }
    });
    connect(
        &program, &QProcess::readyReadStandardError, this, [&] { err += program.readAllStandardError(); });
    QSignalSpy finished(&program, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    program.start(QStringLiteral(LENS_UPDATE_SIMLENS), args);
    QVERIFY(program.waitForStarted());
    program.write(input);
    program.closeWriteChannel();
    // The event loop keeps turning: the server and the lens volume live here.
    QVERIFY2(finished.wait(120000), "lens-update did not end");
    out += program.readAllStandardOutput();
    err += program.readAllStandardError();

    const QString stdoutText = QString::fromUtf8(out);
    const QString all = stdoutText + QLatin1Char('\n') + QString::fromUtf8(err);
    const QString context = QStringLiteral("\n--- output ---\n") + all.right(3000);
    if (qEnvironmentVariableIsSet("CLIFLOW_SHOW"))
        qDebug().noquote() << all;
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == exitCode,
        qPrintable(
            QStringLiteral("exit code %1, expected %2").arg(program.exitCode()).arg(exitCode) + context));
    if (interrupt)
        QVERIFY(interrupted);

    const QString volumeRoot = volume ? volume->rootPath() : QString();
    for (QString text : expected) {
        text.replace(QLatin1String("%volume%"), volumeRoot);
        if (text.startsWith(QLatin1String("json:"))) {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(out, &error);
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + context));
            const QString path = text.mid(5).section(QLatin1Char('='), 0, 0);
            const QString value = text.section(QLatin1Char('='), 1);
            const QJsonValue found = lookUp(document, path);
            const QString foundText = found.isDouble() ? QString::number(found.toInt()) : found.toString();
            QVERIFY2(foundText == value,
                qPrintable(path + QStringLiteral(" is '") + foundText + QStringLiteral("', expected '")
                    + value + QLatin1Char('\'') + context));
        } else {
            QVERIFY2(all.contains(text), qPrintable(QStringLiteral("missing: ") + text + context));
        }
    }
    if (udisk && arguments.first() == QLatin1String("update") && exitCode == 0)
        QVERIFY(volume->firmwareCount() > 0);
}

// The product's own program (system hidapi) starts and answers for itself.
void tst_CliFlow::productProgramStarts()
{
    QProcess program;
    program.start(QStringLiteral(LENS_UPDATE), { QStringLiteral("--version") });
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardOutput().startsWith("lens-update "));
}

QTEST_GUILESS_MAIN(tst_CliFlow)

#include "tst_cliflow.moc"
