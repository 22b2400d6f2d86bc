#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

namespace {

const char kLensCode[] = "99S93";

// One of the demo's processes, its output gathered line by line.
class Process
{
public:
    Process(const QString &program, const QStringList &args, const QProcessEnvironment &env)
    {
        process.setProgram(program);
        process.setArguments(args);
        process.setProcessEnvironment(env);
    }

    // A test that failed half-way: lens-sim unmounts its volume on SIGTERM.
    ~Process()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(10000)) {
                process.kill();
                process.waitForFinished(10000);
            }
        }
    }

    bool start()
    {
        process.start();
        return process.waitForStarted(30000);
    }

    // Waits for a line of stdout that contains `text`; returns it (empty on
    // time-out or when the process ended first).
    QString waitFor(const QString &text, int ms = 60000)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            while (next < lines.size()) {
                const QString line = lines.at(next++);
                if (line.contains(text))
                    return line;
            }
            if (deadline.hasExpired())
                return QString();
            if (process.state() == QProcess::NotRunning) {
                collect();
                if (next == lines.size())
                    return QString();
                continue;
            }
            process.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), 1000)));
            collect();
        }
    }

    void send(const QByteArray &line)
    {
        process.write(line + '\n');
        process.waitForBytesWritten(10000);
    }

    bool finish(int ms = 60000)
    {
        const bool done = process.waitForFinished(ms);
        collect();
        return done;
    }

    QString errors()
    {
        errorText += QString::fromUtf8(process.readAllStandardError());
        return errorText;
    }

    QString log() const { return lines.join(QLatin1Char('\n')); }

    QProcess process;
    QStringList lines;

private:
    void collect()
    {
        partial += process.readAllStandardOutput();
        int end;
        while ((end = partial.indexOf('\n')) >= 0) {
            lines << QString::fromUtf8(partial.left(end));
            partial.remove(0, end + 1);
        }
        errors();
    }

    QByteArray partial;
    QString errorText;
    int next = 0;
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString sha256(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

// The base64 body of the demo CA: what a binary that embedded the
// certificate in PEM form would contain.
QByteArray demoCaBody()
{
    QByteArray pem = fileBytes(QStringLiteral(LENS_DEMO_CERTS) + QStringLiteral("/ca.pem"));
    const int begin = pem.indexOf('\n') + 1;
    return pem.mid(begin, 64);
}

} // namespace

class tst_Demo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void productCarriesNoDemo();
    void demoUpdate_data();
    void demoUpdate();

private:
    QProcessEnvironment environment() const;

    std::unique_ptr<QTemporaryDir> tmp;
    // lens-sim and the program share a mount namespace of their own: no
    // lens volume of another test shows up there, and theirs (U-disk mode)
    // nowhere else.
    bool isolate = false;
    bool canMount = false;
};

void tst_Demo::initTestCase()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    const QString firmware = QStringLiteral(LENS_DEMO_MODELS) + QLatin1Char('/') + QLatin1String(kLensCode)
        + QStringLiteral("/firmware.dat");
    QVERIFY2(QFile::exists(firmware), "the demo models are missing");
    QVERIFY(QFile::exists(QStringLiteral(LENS_DEMO_CERTS) + QStringLiteral("/ca.pem")));
    canMount = ::geteuid() == 0;
    isolate = canMount && !QStandardPaths::findExecutable(QStringLiteral("nsenter")).isEmpty()
        && QProcess::execute(QStringLiteral("unshare"),
               { QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                   QStringLiteral("true") })
            == 0;
}

QProcessEnvironment tst_Demo::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The instance guard and the simulator's socket live in the temporary
    // folder: one of the test's own keeps a demo someone runs out of it.
    env.insert(QStringLiteral("TMPDIR"), tmp->path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("LANGUAGE"));
    return env;
}

void tst_Demo::productCarriesNoDemo()
{
    const QByteArray product = fileBytes(QStringLiteral(LENS_PRODUCT));
    const QByteArray demo = fileBytes(QStringLiteral(LENS_DEMO_PROGRAM));
    const QByteArray sim = fileBytes(QStringLiteral(LENS_SIM));
    QVERIFY(!product.isEmpty() && !demo.isEmpty() && !sim.isEmpty());

    // Each marker is looked for where it must be too, so that a marker that
    // could never be found proves nothing.
    struct Marker
    {
        QByteArray text;
        const QByteArray *where;
    };
    const QByteArray caBody = demoCaBody();
    QVERIFY(caBody.size() == 64);
    const Marker markers[] = {
        { "SocketHidapi", &demo },
        { "DemoSetup", &demo },
        { "DemoAutopilot", &demo },
        { "LENS_DEMO_AUTOPILOT", &demo },
        { QByteArray(LENS_DEMO_CERTS) + "/ca.pem", &demo },
        { "https://127.0.0.1:%1", &demo },
        { "LensSimulator", &sim },
        { "LensSimServer", &sim },
        { "SimulatedHidapi", nullptr },
        { caBody, nullptr },
        { "Lens Updater Demo CA", nullptr },
    };
    // As plain bytes, and as the UTF-16 of a QStringLiteral.
    auto holds = [](const QByteArray &binary, const QByteArray &text) {
        const QString s = QString::fromLatin1(text);
        return binary.contains(text)
            || binary.contains(QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2));
    };
    for (const Marker &m : markers) {
        QVERIFY2(!holds(product, m.text), m.text.constData());
        if (m.where)
            QVERIFY2(holds(*m.where, m.text), m.text.constData());
    }

    // The product goes to the system hidapi and the configured server.
    QVERIFY(holds(product, "libhidapi-hidraw.so"));
    QVERIFY(!holds(demo, "libhidapi-hidraw.so"));
    QVERIFY(holds(product, LENS_SERVER_ORIGIN));
}

void tst_Demo::demoUpdate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("fail");
    QTest::addColumn<bool>("udisk");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("lensVersionAfter");
    // Typed into lens-sim's console first; empty keeps its real-lens pace.
    QTest::addColumn<QString>("pace");
    // The program's debug lines on, into its log file as well.
    QTest::addColumn<bool>("debugLog");

    QTest::newRow("update, Chinese") << "zh_CN.UTF-8" << false << false << QStringLiteral("更新成功！")
                                     << "V1.1.0" << QString() << true;
    QTest::newRow("failed update, English") << "en_US.UTF-8" << true << false << "Update failed!"
                                            << "V1.0.3"
                                            << "0.5" << false;
    QTest::newRow("U-disk update, English") << "en_US.UTF-8" << false << true << "Update successfully!"
                                            << "V1.1.0" << QString() << false;
}

void tst_Demo::demoUpdate()
{
    QFETCH(QString, locale);
    QFETCH(bool, fail);
    QFETCH(bool, udisk);
    QFETCH(QString, notice);
    if (udisk && !canMount)
        QSKIP("U-disk mode mounts a volume, which needs root");
    QFETCH(QString, lensVersionAfter);
    QFETCH(QString, pace);
    QFETCH(bool, debugLog);

    {
        QTcpServer probe;
        QVERIFY2(probe.listen(QHostAddress::LocalHost, LENS_DEMO_PORT),
            qPrintable(QStringLiteral("port %1 is busy: is a demo running?").arg(LENS_DEMO_PORT)));
    }
    const QProcessEnvironment env = environment();
    const QString models = QStringLiteral(LENS_DEMO_MODELS);
    const QString certs = QStringLiteral(LENS_DEMO_CERTS);

    Process server(QStringLiteral(LENS_FWSERVER),
        { QStringLiteral("--models"), models, QStringLiteral("--port"), QString::number(LENS_DEMO_PORT),
            QStringLiteral("--cert"), certs + QStringLiteral("/server.pem"), QStringLiteral("--key"),
            certs + QStringLiteral("/server.key") },
        env);
    QVERIFY(server.start());
    QVERIFY2(
        !server.waitFor(QStringLiteral("Serving https://127.0.0.1")).isEmpty(), qPrintable(server.errors()));

    const QStringList simArgs { QStringLiteral(LENS_SIM), QStringLiteral("--models"), models };
    // In the new namespace, first hide every lens volume that is not ours.
    const QString hideOthers
        = QStringLiteral("awk '{print $2}' /proc/self/mounts | while read -r m; do "
                         "[ -f \"$m/DeviceInformation.txt\" ] && umount -l \"$m\"; done; exec \"$@\"");
    Process sim(isolate ? QStringLiteral("unshare") : simArgs.first(),
        isolate ? QStringList { QStringLiteral("--mount"), QStringLiteral("--propagation"),
                      QStringLiteral("private"), QStringLiteral("--"), QStringLiteral("sh"),
                      QStringLiteral("-c"), hideOthers, QStringLiteral("lens-sim") }
                + simArgs
                : simArgs.mid(1),
        env);
    QVERIFY(sim.start());
    QVERIFY2(!sim.waitFor(QStringLiteral("serving")).isEmpty(), qPrintable(sim.errors()));
    if (!pace.isEmpty()) {
        sim.send("pace " + pace.toLatin1());
        QVERIFY2(
            !sim.waitFor(QStringLiteral("The lens answers each report after %1 ms.").arg(pace)).isEmpty(),
            qPrintable(sim.log()));
    }
    if (fail) {
        sim.send("fail");
        QVERIFY(!sim.waitFor(QStringLiteral("The next update will fail")).isEmpty());
    }
    if (udisk) {
        sim.send("udisk");
        QVERIFY2(!sim.waitFor(QStringLiteral("U-disk mode: the lens left USB HID")).isEmpty(),
            qPrintable(sim.log()));
    }

    QProcessEnvironment programEnv = env;
    programEnv.insert(QStringLiteral("LANG"), locale);
    programEnv.insert(QStringLiteral("LC_ALL"), locale);
    programEnv.insert(QStringLiteral("QT_QPA_FONTDIR"), QStringLiteral("/usr/share/fonts"));
    programEnv.insert(QStringLiteral("LENS_DEMO_AUTOPILOT"), QStringLiteral("1"));
    const QString stateHome
        = tmp->path() + QStringLiteral("/state-") + QString::fromLatin1(QTest::currentDataTag());
    programEnv.insert(QStringLiteral("XDG_STATE_HOME"), stateHome);
    if (debugLog)
        programEnv.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("lens.*.debug=true"));
    const QString shot = QStringLiteral(LENS_SCREENSHOT_DIR)
        + QStringLiteral("/demo-%1.png")
              .arg(fail       ? QStringLiteral("failed")
                      : udisk ? QStringLiteral("udisk")
                              : QStringLiteral("finished"));
    QFile::remove(shot);
    programEnv.insert(QStringLiteral("LENS_DEMO_AUTOPILOT_SCREENSHOT"), shot);
    Process program(isolate ? QStringLiteral("nsenter") : QStringLiteral(LENS_DEMO_PROGRAM),
        isolate ? QStringList { QStringLiteral("--mount=/proc/%1/ns/mnt").arg(sim.process.processId()),
            QStringLiteral("--"), QStringLiteral(LENS_DEMO_PROGRAM) }
                : QStringList(),
        programEnv);
    QVERIFY(program.start());

    const QString result = program.waitFor(QStringLiteral("autopilot\tresult"), 240000);
    if (result.isEmpty()) {
        // Everything the three processes said, for the post-mortem.
        program.process.kill();
        program.finish();
        sim.waitFor(QStringLiteral("\n"), 100);
        server.waitFor(QStringLiteral("\n"), 100);
        const QString path = shot + QStringLiteral(".log");
        QFile log(path);
        if (log.open(QIODevice::WriteOnly)) {
            log.write((QStringLiteral("--- lens-updater-demo, stdout:\n") + program.log()
                + QStringLiteral("\n--- stderr:\n") + program.errors() + QStringLiteral("\n--- lens-sim:\n")
                + sim.log() + QStringLiteral("\n--- lens-fwserver:\n") + server.log())
                          .toUtf8());
        }
        QFAIL(qPrintable(QStringLiteral("the update did not come to an end; see ") + path));
    }
    QCOMPARE(
        result.section(QLatin1Char('\t'), 2), fail ? QStringLiteral("failure") : QStringLiteral("success"));
    QVERIFY(program.finish());
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);

    // What the window went through, from its own state.
    QStringList pages, notices;
    QHash<QString, QString> labels;
    QString screenshot;
    for (const QString &line : qAsConst(program.lines)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 3 || f.at(0) != QLatin1String("autopilot"))
            continue;
        if (f.at(1) == QLatin1String("page"))
            pages << f.at(2);
        else if (f.at(1) == QLatin1String("notice"))
            notices << f.at(2);
        else if (f.at(1) == QLatin1String("label") && f.size() == 4)
            labels.insert(f.at(2), f.at(3));
        else if (f.at(1) == QLatin1String("screenshot"))
            screenshot = f.at(2);
    }
    QStringList expectedPages { "page_link", "page_updateReady", "page_updating" };
    // A failed update goes back to the ready page, where it can be started again.
    expectedPages << (fail ? QStringLiteral("page_updateReady") : QStringLiteral("page_updatefinished"));
    QCOMPARE(pages, expectedPages);
    QVERIFY2(notices.contains(notice), qPrintable(notices.join(QLatin1Char('|'))));
    if (!fail && !udisk) {
        QVERIFY(notices.contains(QStringLiteral("更新成功！正在重启中...")));
        QCOMPARE(labels.value(QStringLiteral("label_newVer_F")), QStringLiteral("当前镜头版本 ： V1.1.0"));
        QCOMPARE(labels.value(QStringLiteral("label_model_F")), QStringLiteral("产品型号 ： AF 85mm F4 M43"));
    }
    QCOMPARE(screenshot, shot);
    const QImage image(shot);
    QCOMPARE(image.size(), QSize(960, 540));
    // The reader thread and the GUI thread keep to their own connections.
    QVERIFY2(!program.errors().contains(QLatin1String("Cannot queue")), qPrintable(program.errors()));

    // The simulator holds exactly the image the server served.
    const QByteArray served
        = fileBytes(models + QLatin1Char('/') + QLatin1String(kLensCode) + "/firmware.dat");
    QVERIFY(!served.isEmpty());
    if (udisk)
        QVERIFY2(!sim.waitFor(QStringLiteral("U-disk: back, now running")).isEmpty(), qPrintable(sim.log()));
    sim.send("status");
    const QString lensLine = sim.waitFor(QStringLiteral("lens: "));
    const QString updatesLine = sim.waitFor(QStringLiteral("updates: "));
    const QString imageLine = sim.waitFor(QStringLiteral("image: "));
    const QString servedLine = sim.waitFor(QStringLiteral("served image: "));
    QVERIFY2(!servedLine.isEmpty(), qPrintable(sim.log()));
    QVERIFY2(lensLine.endsWith(QStringLiteral("version ") + lensVersionAfter), qPrintable(lensLine));
    const QString simLog = sim.log();
    if (udisk) {
        const QString udiskLine = sim.waitFor(QStringLiteral("U-disk image: "));
        QCOMPARE(udiskLine,
            QStringLiteral("U-disk image: %1 bytes, sha256 %2").arg(served.size()).arg(sha256(served)));
        QCOMPARE(updatesLine, QStringLiteral("updates: 0 started, 0 finished, last status none"));
    } else {
        QCOMPARE(
            updatesLine, QStringLiteral("updates: 1 started, 1 finished, last status %1").arg(fail ? 6 : 5));
        const int packets = (served.size() + 55) / 56;
        QCOMPARE(imageLine,
            QStringLiteral("image: %1 bytes in %2 packets, sha256 %3")
                .arg(served.size())
                .arg(packets)
                .arg(sha256(served)));
        QVERIFY2(servedLine.endsWith(QLatin1String("held exactly")), qPrintable(servedLine));
        QVERIFY(simLog.contains(QLatin1String("Receiving firmware: 50 %")));
        QCOMPARE(simLog.contains(QLatin1String("Restarting: the lens leaves the bus")), !fail);
        if (!fail && pace.isEmpty()) {
            // At about 2 ms a packet the transfer can be watched for seconds.
            const QRegularExpressionMatch took
                = QRegularExpression(QStringLiteral("Update succeeded .* in ([0-9.]+) s\\.")).match(simLog);
            QVERIFY2(took.hasMatch(), qPrintable(simLog));
            QVERIFY2(took.captured(1).toDouble() >= packets * 0.002 * 0.9, qPrintable(took.captured(0)));
            QVERIFY2(took.captured(1).toDouble() >= 5.0, qPrintable(took.captured(0)));
        }
    }

    // The log a user could send: what happened, and never the serial number.
    const QByteArray logFile = fileBytes(stateHome + QStringLiteral("/lens-updater/lens-updater-demo.log"));
    QVERIFY2(logFile.contains(" info lens.app: started"), logFile.constData());
    QVERIFY2(logFile.contains(" info lens.app: notice: " + notice.toUtf8()), logFile.constData());
    QVERIFY2(!logFile.contains("D0000417"), logFile.constData());
    QCOMPARE(logFile.contains(" debug lens."), debugLog);
    if (debugLog)
        QVERIFY2(logFile.contains("?sn=(hidden)&ver="), logFile.constData());
    sim.send("quit");
    QVERIFY(sim.finish());
    QCOMPARE(sim.process.exitCode(), 0);

    server.process.terminate();
    QVERIFY(server.finish());
    // A lens in U-disk mode has no serial number of its own.
    const QString query
        = QStringLiteral("GET /zemtar/pc/v1/firmware/latest/version/%1?sn=%1%2&ver=V1.0.3 -> 200")
              .arg(QLatin1String(kLensCode), udisk ? QStringLiteral("0000000") : QStringLiteral("D0000417"));
    QVERIFY2(server.log().contains(query), qPrintable(server.log()));
}

QTEST_GUILESS_MAIN(tst_Demo)
#include "tst_demo.moc"
