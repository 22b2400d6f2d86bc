#include "udiskdevice.h"
#include "udisklensvolume.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

namespace {

// Counts of "information file gone after N checks" lines from the device.
QMutex g_logMutex;
QList<int> g_takeChecks;
QtMessageHandler g_previousHandler = nullptr;

void captureUdiskLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "lens.udisk") == 0) {
        static const QRegularExpression checks(QStringLiteral("after (\\d+) checks"));
        const QRegularExpressionMatch m = checks.match(message);
        if (m.hasMatch()) {
            QMutexLocker locker(&g_logMutex);
            g_takeChecks.append(m.captured(1).toInt());
        }
    }
    g_previousHandler(type, context, message);
}

QList<int> takeChecks()
{
    QMutexLocker locker(&g_logMutex);
    return g_takeChecks;
}

// The real volume list, narrowed to the lens volumes this process mounted,
// so that volumes of tests running beside this one are left alone.
QStringList ownMountedVolumes()
{
    const QString prefix = QDir::tempPath() + QLatin1String("/udisklens-")
        + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-');
    QStringList roots;
    const QStringList all = UdiskDevice::mountedVolumeRoots();
    for (const QString &root : all) {
        if (root.startsWith(prefix))
            roots << root;
    }
    return roots;
}

// Collects the device's signals on the test thread, in arrival order.
class Relay : public QObject
{
    Q_OBJECT
public:
    explicit Relay(UdiskDevice *device)
    {
        connect(device, &UdiskDevice::isUdiskModeConnecte, this, &Relay::connected, Qt::QueuedConnection);
        connect(device, &UdiskDevice::updateStateChanged, this, &Relay::state, Qt::QueuedConnection);
        connect(this, &Relay::connected, this, [this](bool c) { events << (c ? QStringLiteral("connected") : QStringLiteral("gone")); });
        connect(this, &Relay::state, this, [this](int s) {
            events << QStringLiteral("state %1").arg(s);
            stateClock = clock.elapsed();
        });
        clock.start();
    }
    QStringList events;
    QElapsedTimer clock;
    qint64 stateClock = -1;
signals:
    void connected(bool connected);
    void state(int state);
};

// UdiskDevice as the window runs it: moved onto a thread of its own, its
// detection timer left on this thread.
class DeviceOnThread
{
public:
    explicit DeviceOnThread(UdiskDevice::VolumeLister lister = ownMountedVolumes)
        : device(new UdiskDevice(std::move(lister)))
    {
        device->moveToThread(&thread);
        relay.reset(new Relay(device));
        thread.start();
    }
    ~DeviceOnThread()
    {
        thread.requestInterruption();
        thread.quit();
        thread.wait();
        relay.reset();
        delete device;
    }
    void update(const QByteArray &firmware)
    {
        QMetaObject::invokeMethod(device, "updateHandle", Qt::QueuedConnection, Q_ARG(QByteArray, firmware));
    }

    QThread thread;
    UdiskDevice *device;
    std::unique_ptr<Relay> relay;
};

QByteArray testImage(int size)
{
    QByteArray image(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 131 + i / 251) & 0xff);
    return image;
}

void runPass(UdiskDevice &device)
{
    QVERIFY(QMetaObject::invokeMethod(&device, "timerUdiskModeDetect", Qt::DirectConnection));
}

const int kLongWait = 30000;

} // namespace

#define REQUIRE_MOUNT()                                                                            \
    do {                                                                                           \
        QString reason;                                                                            \
        if (!UdiskLensVolume::canMount(&reason))                                                   \
            QSKIP(qPrintable(reason));                                                             \
    } while (false)

class TestUdiskDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // Information file on plain folders and on mounted volumes.
    void parse_data();
    void parse();
    void parseOnMountedVolume_data() { parse_data(); }
    void parseOnMountedVolume();
    void unreadableFileCountsAsFound();
    void valuesKeptWhenLensGoes();
    void lastLensVolumeWins();
    void accessorsAcrossThreads();

    // Detection on real mounts.
    void defaultListSeesNewMounts();
    void detectionFollowsTheVolume();

    // Firmware write.
    void noLensVolume_data();
    void noLensVolume();
    void lensTakesFirmware();
    void lensKeepsItsFile();
    void lensComesBackWithNewVersion();
    void readOnlyVolume();
    void fullVolume_data();
    void fullVolume();
    void zeroBytesAreNoUpdate();
    void everyLensVolumeGetsTheWholeImage_data();
    void everyLensVolumeGetsTheWholeImage();
    void secondUpdateWaitsForTheFirst();
};

void TestUdiskDevice::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("lens.udisk.debug=true"));
    g_previousHandler = qInstallMessageHandler(captureUdiskLog);
}

void TestUdiskDevice::parse_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("code");

    const QByteArray lead1 = "Lens model        : "; // 20 characters
    const QByteArray lead4 = "Firmware version: ";   // 18 characters
    QCOMPARE(lead1.size(), 20);
    QCOMPARE(lead4.size(), 18);
    const QByteArray mid = "Hardware revision : H1.0\nLoader            : B1.2\n";

    QTest::newRow("as the lens writes it")
        << UdiskLensVolume::deviceInformationText(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3"))
        << "AF 56mm F1.8 Z" << "V1.0.3" << "58G31";
    QTest::newRow("LF line ends")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\n" + mid + lead4 + "V1.0.3\nMode : U-disk\n")
        << "AF 56mm F1.8 Z" << "V1.0.3" << "58G31";
    QTest::newRow("four lines, no final line end")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\n" + mid + lead4 + "V1.0.3")
        << "AF 56mm F1.8 Z" << "V1.0.3" << "58G31";
    QTest::newRow("white space around values")
        << QByteArray(lead1 + "  \t AF 56mm F1.8 Z \t \r\n" + mid + lead4 + " \tV1.0.3  \r\n")
        << "AF 56mm F1.8 Z" << "V1.0.3" << "58G31";
    QTest::newRow("white space inside values kept")
        << QByteArray(lead1 + "AF  56mm F1.8 Z\r\n" + mid + lead4 + "V1.0 beta 2\r\n")
        << "AF  56mm F1.8 Z" << "V1.0 beta 2" << "";
    QTest::newRow("first line of 20 characters")
        << QByteArray(lead1 + "\r\n" + mid + lead4 + "V1.0.3\r\n") << "" << "V1.0.3" << "";
    QTest::newRow("first line shorter than its lead")
        << QByteArray("Lens: AF 56mm\r\n" + mid + lead4 + "V1.0.3\r\n") << "" << "V1.0.3" << "";
    QTest::newRow("first line of 21 characters")
        << QByteArray(lead1 + "Q\r\n" + mid + lead4 + "V1.0.3\r\n") << "Q" << "V1.0.3" << "";
    QTest::newRow("fourth line of 18 characters")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\r\n" + mid + lead4 + "\r\n") << "AF 56mm F1.8 Z" << "" << "58G31";
    QTest::newRow("three lines")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\r\n" + mid) << "AF 56mm F1.8 Z" << "" << "58G31";
    QTest::newRow("one line") << QByteArray(lead1 + "AF 56mm F1.8 Z") << "AF 56mm F1.8 Z" << "" << "58G31";
    QTest::newRow("empty file") << QByteArray() << "" << "" << "";
    QTest::newRow("zero byte ends a line")
        << QByteArray(lead1 + "AF 56mm F1.8 Z" + QByteArray(1, '\0') + "junk\r\n" + mid + lead4 + "V1.0.3"
                      + QByteArray(1, '\0') + "\r\n")
        << "AF 56mm F1.8 Z" << "V1.0.3" << "58G31";
    QTest::newRow("lines after the fifth ignored")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\r\n" + mid + lead4 + "V1.0.3\r\nfive\r\n" + lead4 + "V9\r\n")
        << "AF 56mm F1.8 Z" << "V1.0.3" << "58G31";
    // The test runs with a UTF-8 locale, so the local code page is UTF-8;
    // leads count characters, not bytes.
    QTest::newRow("local code page")
        << QByteArray(lead1 + "镜头 AF 35mm\r\n" + mid + lead4 + "V2.0\r\n") << "镜头 AF 35mm" << "V2.0" << "";
    QTest::newRow("lead of wide characters")
        << QByteArray(QString(20, QChar(0x578B)).toUtf8() + "AF 56mm F1.8 Z\r\n" + mid + lead4 + "V2.0\r\n")
        << "AF 56mm F1.8 Z" << "V2.0" << "58G31";
    QTest::newRow("over-long first line keeps the line count")
        << QByteArray(lead1 + QByteArray(100000, 'x') + "\r\n" + mid + lead4 + "V1.0.3\r\n")
        << QString(4096 - 20, QLatin1Char('x')) << "V1.0.3" << "";
}

static void checkParse(const QStringList &roots, const QString &root, const QByteArray &contents)
{
    QFETCH(QString, name);
    QFETCH(QString, version);
    QFETCH(QString, code);

    QFile file(root + QLatin1String("/DeviceInformation.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), qint64(contents.size()));
    file.close();

    UdiskDevice device([roots] { return roots; });
    QSignalSpy connected(&device, &UdiskDevice::isUdiskModeConnecte);
    runPass(device);
    QCOMPARE(connected.size(), 1);
    QCOMPARE(connected.at(0).at(0).toBool(), true);
    QCOMPARE(device.modelName(), name);
    QCOMPARE(device.firmwareVersion(), version);
    QCOMPARE(device.modelCode(), code);
}

void TestUdiskDevice::parse()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir empty, lens;
    QVERIFY(empty.isValid() && lens.isValid());
    checkParse({empty.path(), lens.path()}, lens.path(), contents);
}

void TestUdiskDevice::parseOnMountedVolume()
{
    REQUIRE_MOUNT();
    QFETCH(QByteArray, contents);
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    checkParse(ownMountedVolumes(), volume.rootPath(), contents);
}

void TestUdiskDevice::unreadableFileCountsAsFound()
{
    QTemporaryDir good, bad;
    QVERIFY(good.isValid() && bad.isValid());
    QFile file(good.filePath(QStringLiteral("DeviceInformation.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(UdiskLensVolume::deviceInformationText(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1")));
    file.close();
    // Root reads any file; a folder of that name cannot be opened as one.
    QVERIFY(QDir(bad.path()).mkdir(QStringLiteral("DeviceInformation.txt")));

    UdiskDevice device([&] { return QStringList{good.path(), bad.path()}; });
    QSignalSpy connected(&device, &UdiskDevice::isUdiskModeConnecte);
    runPass(device);
    QCOMPARE(connected.takeFirst().at(0).toBool(), true);
    QCOMPARE(device.modelName(), QString());
    QCOMPARE(device.firmwareVersion(), QString());
}

void TestUdiskDevice::valuesKeptWhenLensGoes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString info = dir.filePath(QStringLiteral("DeviceInformation.txt"));
    UdiskDevice device([&] { return QStringList{dir.path()}; });
    QSignalSpy connected(&device, &UdiskDevice::isUdiskModeConnecte);

    runPass(device);
    QCOMPARE(connected.takeFirst().at(0).toBool(), false);
    QVERIFY(device.modelName().isEmpty());
    QVERIFY(device.firmwareVersion().isEmpty());
    QVERIFY(device.modelCode().isEmpty());

    QFile file(info);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(UdiskLensVolume::deviceInformationText(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.2")));
    file.close();
    runPass(device);
    QCOMPARE(connected.takeFirst().at(0).toBool(), true);

    QVERIFY(QFile::remove(info));
    runPass(device);
    runPass(device);
    QCOMPARE(connected.size(), 2);
    QCOMPARE(connected.at(0).at(0).toBool(), false);
    QCOMPARE(connected.at(1).at(0).toBool(), false);
    QCOMPARE(device.modelName(), QStringLiteral("AF 56mm F1.8 Z"));
    QCOMPARE(device.firmwareVersion(), QStringLiteral("V1.2"));
    QCOMPARE(device.modelCode(), QStringLiteral("58G31"));
}

void TestUdiskDevice::lastLensVolumeWins()
{
    QTemporaryDir a, b, none;
    QVERIFY(a.isValid() && b.isValid() && none.isValid());
    for (auto [dir, name] : {std::pair<QTemporaryDir *, const char *>{&a, "AF 56mm F1.8 Z"},
                             std::pair<QTemporaryDir *, const char *>{&b, "AF 16mm F1.2 XF Pro"}}) {
        QFile file(dir->filePath(QStringLiteral("DeviceInformation.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(UdiskLensVolume::deviceInformationText(QLatin1String(name), QLatin1String(name).right(2)));
    }
    QStringList order{a.path(), b.path(), none.path()};
    UdiskDevice device([&] { return order; });
    runPass(device);
    QCOMPARE(device.modelName(), QStringLiteral("AF 16mm F1.2 XF Pro"));
    QCOMPARE(device.firmwareVersion(), QStringLiteral("ro"));
    QCOMPARE(device.modelCode(), QStringLiteral("73U45"));
    order = QStringList{b.path(), a.path()};
    runPass(device);
    QCOMPARE(device.modelName(), QStringLiteral("AF 56mm F1.8 Z"));
    QCOMPARE(device.firmwareVersion(), QStringLiteral("Z"));
}

void TestUdiskDevice::accessorsAcrossThreads()
{
    // Passes on the device's thread alternate between two lenses while this
    // thread reads; every value read must be one a pass stored.
    QTemporaryDir a, b;
    QVERIFY(a.isValid() && b.isValid());
    const QString nameA = QStringLiteral("AF 56mm F1.8 Z"), nameB = QStringLiteral("AF 16mm F1.2 XF Pro");
    for (auto [dir, name] : {std::pair<QTemporaryDir *, QString>{&a, nameA}, std::pair<QTemporaryDir *, QString>{&b, nameB}}) {
        QFile file(dir->filePath(QStringLiteral("DeviceInformation.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(UdiskLensVolume::deviceInformationText(name, name + QLatin1String(" v")));
    }
    std::atomic<int> passes{0};
    const QString pathA = a.path(), pathB = b.path();
    DeviceOnThread run([&passes, pathA, pathB] {
        return QStringList{(passes++ % 2) ? pathA : pathB};
    });
    std::atomic<bool> done{false};
    QMetaObject::invokeMethod(run.device, [&run, &done] {
        for (int i = 0; i < 400; ++i)
            QMetaObject::invokeMethod(run.device, "timerUdiskModeDetect", Qt::DirectConnection);
        done = true;
    }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    while (!done) {
        const QString name = run.device->modelName();
        const QString version = run.device->firmwareVersion();
        const QString code = run.device->modelCode();
        QVERIFY(name.isEmpty() || name == nameA || name == nameB);
        QVERIFY(version.isEmpty() || version == nameA + QLatin1String(" v") || version == nameB + QLatin1String(" v"));
        QVERIFY(code.isEmpty() || code == QLatin1String("58G31") || code == QLatin1String("73U45"));
        QVERIFY(clock.elapsed() < kLongWait);
    }
    QVERIFY(passes >= 400);
}

void TestUdiskDevice::defaultListSeesNewMounts()
{
    REQUIRE_MOUNT();
    UdiskLensVolume volume;
    QVERIFY(!UdiskDevice::mountedVolumeRoots().isEmpty());
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    const QString root = volume.rootPath();
    QVERIFY(UdiskDevice::mountedVolumeRoots().contains(root));
    QVERIFY(volume.unmount());
    QVERIFY(!UdiskDevice::mountedVolumeRoots().contains(root));
}

void TestUdiskDevice::detectionFollowsTheVolume()
{
    REQUIRE_MOUNT();
    DeviceOnThread run;
    QSignalSpy connected(run.relay.get(), &Relay::connected);
    // Reported on every tick, changed or not.
    QTRY_VERIFY_WITH_TIMEOUT(connected.size() >= 2, kLongWait);
    QCOMPARE(connected.last().at(0).toBool(), false);

    // Mounted after the device started: a fresh volume list on every pass.
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(QStringLiteral("AF 16mm F1.2 XF Pro"), QStringLiteral("V2.1.0")));
    QTRY_VERIFY_WITH_TIMEOUT(connected.last().at(0).toBool(), kLongWait);
    QCOMPARE(run.device->modelName(), QStringLiteral("AF 16mm F1.2 XF Pro"));
    QCOMPARE(run.device->firmwareVersion(), QStringLiteral("V2.1.0"));
    QCOMPARE(run.device->modelCode(), QStringLiteral("73U45"));

    QVERIFY(volume.removeDeviceInformation());
    QTRY_VERIFY_WITH_TIMEOUT(!connected.last().at(0).toBool(), kLongWait);

    QVERIFY(volume.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.0")));
    QTRY_VERIFY_WITH_TIMEOUT(connected.last().at(0).toBool(), kLongWait);
    QCOMPARE(run.device->modelCode(), QStringLiteral("58G31"));

    // Unplugged with its file: the volume leaves the list.
    QVERIFY(volume.unmount());
    QTRY_VERIFY_WITH_TIMEOUT(!connected.last().at(0).toBool(), kLongWait);
    QCOMPARE(run.device->modelName(), QStringLiteral("AF 56mm F1.8 Z"));
    QCOMPARE(run.device->firmwareVersion(), QStringLiteral("V1.0.0"));
}

void TestUdiskDevice::noLensVolume_data()
{
    QTest::addColumn<QByteArray>("firmware");
    QTest::addColumn<int>("state");
    QTest::newRow("no bytes") << QByteArray() << 4;
    QTest::newRow("bytes") << testImage(1000) << 5;
}

void TestUdiskDevice::noLensVolume()
{
    QFETCH(QByteArray, firmware);
    QFETCH(int, state);

    // A plain folder and, where possible, a mounted volume, neither a lens.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    UdiskLensVolume volume;
    QStringList roots{folder.path()};
    QString reason;
    if (UdiskLensVolume::canMount(&reason)) {
        QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
        roots << volume.rootPath();
    }
    DeviceOnThread run([roots] { return roots; });
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(firmware);
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), state);
    QVERIFY(QDir(folder.path()).isEmpty());
    QVERIFY(volume.entries().isEmpty());
}

void TestUdiskDevice::lensTakesFirmware()
{
    REQUIRE_MOUNT();
    const QByteArray image = testImage(300 * 1024 + 17);
    UdiskLensVolume lens;
    QVERIFY2(lens.mount(1 << 20), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    lens.setExpectedFirmware(image);
    lens.setTakeDelay(200);
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    qint64 removedAt = -1;
    connect(&lens, &UdiskLensVolume::deviceInformationRemoved, this,
            [&] { removedAt = run.relay->clock.elapsed(); });
    const int checksBefore = takeChecks().size();

    run.update(image);
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(0).at(0).toInt(), 0);
    QCOMPARE(lens.firmwareCount(), 1);
    QCOMPARE(lens.receivedFirmware(), image);

    // The wait ended on the file going, then paused a full second, with
    // detection running all the while.
    QVERIFY(removedAt >= 0);
    QVERIFY2(run.relay->stateClock - removedAt >= 990,
             qPrintable(QStringLiteral("%1 ms").arg(run.relay->stateClock - removedAt)));
    const QStringList events = run.relay->events;
    const int stateAt = events.indexOf(QStringLiteral("state 0"));
    QVERIFY(events.mid(0, stateAt).contains(QStringLiteral("gone")));

    const QList<int> checks = takeChecks().mid(checksBefore);
    QCOMPARE(checks.size(), 1);
    // The lens removes its file 200 ms after the write: the fourth or fifth
    // 50 ms check sees it gone. A loaded machine can deliver the lens's
    // timer a little late, hence the margin above five.
    qInfo("information file gone after %d checks", checks.at(0));
    QVERIFY2(checks.at(0) >= 4 && checks.at(0) <= 8, qPrintable(QString::number(checks.at(0))));
}

void TestUdiskDevice::lensKeepsItsFile()
{
    REQUIRE_MOUNT();
    const QByteArray image = testImage(4096);
    UdiskLensVolume lens;
    QVERIFY2(lens.mount(1 << 20), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    lens.setTakeDelay(-1);
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    const int checksBefore = takeChecks().size();
    run.update(image);
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(0).at(0).toInt(), 0);
    QCOMPARE(takeChecks().mid(checksBefore), QList<int>{160});
    QCOMPARE(lens.receivedFirmware(), image);
    QVERIFY(lens.hasDeviceInformation());
    QCOMPARE(lens.entries(), (QStringList{QStringLiteral("DeviceInformation.txt"), QStringLiteral("Fw.dat")}));
}

void TestUdiskDevice::lensComesBackWithNewVersion()
{
    REQUIRE_MOUNT();
    const QByteArray image = testImage(64 * 1024);
    UdiskLensVolume lens;
    QVERIFY2(lens.mount(1 << 20), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 16mm F1.2 XF Pro"), QStringLiteral("V1.0.0")));
    lens.setTakeDelay(100);
    lens.setComeBack(QStringLiteral("V1.1.0"), 300);
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    QSignalSpy back(&lens, &UdiskLensVolume::cameBack);
    QTRY_COMPARE_WITH_TIMEOUT(run.device->firmwareVersion(), QStringLiteral("V1.0.0"), kLongWait);
    run.update(image);
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(0).at(0).toInt(), 0);
    QVERIFY(back.size() == 1 || back.wait(kLongWait));
    QTRY_COMPARE_WITH_TIMEOUT(run.device->firmwareVersion(), QStringLiteral("V1.1.0"), kLongWait);
    QCOMPARE(run.device->modelCode(), QStringLiteral("73U45"));
    QCOMPARE(lens.entries(), QStringList{QStringLiteral("DeviceInformation.txt")});
}

void TestUdiskDevice::readOnlyVolume()
{
    REQUIRE_MOUNT();
    UdiskLensVolume lens;
    QVERIFY2(lens.mount(1 << 20, true), qPrintable(lens.errorString()));
    QVERIFY2(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")),
             qPrintable(lens.errorString()));
    QVERIFY(lens.isReadOnly());
    QVERIFY(!QFile(lens.rootPath() + QLatin1String("/probe")).open(QIODevice::WriteOnly));
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(testImage(8192));
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), 1);
    QCOMPARE(lens.entries(), QStringList{QStringLiteral("DeviceInformation.txt")});
    QCOMPARE(lens.firmwareCount(), 0);
}

void TestUdiskDevice::fullVolume_data()
{
    QTest::addColumn<qint64>("volumeSize");
    QTest::addColumn<qint64>("leaveFree");
    QTest::addColumn<int>("imageSize");

    QTest::newRow("image larger than the volume") << qint64(64 * 1024) << qint64(-1) << 256 * 1024;
    QTest::newRow("nearly full, large image") << qint64(1 << 20) << qint64(16 * 1024) << 200 * 1024;
    QTest::newRow("nearly full, small image") << qint64(1 << 20) << qint64(4096) << 10 * 1024;
    QTest::newRow("full") << qint64(1 << 20) << qint64(0) << 100;
}

void TestUdiskDevice::fullVolume()
{
    REQUIRE_MOUNT();
    QFETCH(qint64, volumeSize);
    QFETCH(qint64, leaveFree);
    QFETCH(int, imageSize);

    UdiskLensVolume lens;
    QVERIFY2(lens.mount(volumeSize), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    QStringList expected{QStringLiteral("DeviceInformation.txt")};
    if (leaveFree >= 0) {
        QVERIFY2(lens.fill(leaveFree), qPrintable(lens.errorString()));
        QVERIFY(lens.bytesAvailable() < imageSize);
        expected << QStringLiteral("filler.bin");
    }
    const qint64 freeBefore = lens.bytesAvailable();
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(testImage(imageSize));
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), 1);
    // Nothing partial left for the lens, and the space is given back.
    QCOMPARE(lens.entries(), expected);
    QCOMPARE(lens.bytesAvailable(), freeBefore);
    QCOMPARE(lens.firmwareCount(), 0);
}

void TestUdiskDevice::zeroBytesAreNoUpdate()
{
    REQUIRE_MOUNT();
    UdiskLensVolume lens;
    QVERIFY2(lens.mount(1 << 20), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(QByteArray());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), 1);
    QCOMPARE(lens.entries(), QStringList{QStringLiteral("DeviceInformation.txt")});
    QCOMPARE(lens.firmwareCount(), 0);
}

void TestUdiskDevice::everyLensVolumeGetsTheWholeImage_data()
{
    QTest::addColumn<bool>("firstReadOnly");
    QTest::addColumn<bool>("secondReadOnly");
    QTest::addColumn<int>("state");
    QTest::newRow("both writable") << false << false << 0;
    QTest::newRow("last read-only") << false << true << 1;
    QTest::newRow("first read-only") << true << false << 0;
}

void TestUdiskDevice::everyLensVolumeGetsTheWholeImage()
{
    REQUIRE_MOUNT();
    QFETCH(bool, firstReadOnly);
    QFETCH(bool, secondReadOnly);
    QFETCH(int, state);

    const QByteArray image = testImage(128 * 1024 + 3);
    // Mounted in this order, so listed in this order.
    UdiskLensVolume first, second;
    QVERIFY2(first.mount(1 << 20, firstReadOnly), qPrintable(first.errorString()));
    QVERIFY2(second.mount(1 << 20, secondReadOnly), qPrintable(second.errorString()));
    QCOMPARE(ownMountedVolumes(), (QStringList{first.rootPath(), second.rootPath()}));
    for (UdiskLensVolume *lens : {&first, &second}) {
        QVERIFY(lens->writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
        lens->setTakeDelay(200);
        lens->startLens();
    }

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(image);
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), state);
    QCOMPARE(first.receivedFirmware(), firstReadOnly ? QByteArray() : image);
    QCOMPARE(second.receivedFirmware(), secondReadOnly ? QByteArray() : image);
}

void TestUdiskDevice::secondUpdateWaitsForTheFirst()
{
    REQUIRE_MOUNT();
    const QByteArray image = testImage(50000);
    UdiskLensVolume lens;
    QVERIFY2(lens.mount(1 << 20), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    lens.setTakeDelay(200);
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(image);
    run.update(image);
    QTRY_COMPARE_WITH_TIMEOUT(states.size(), 2, kLongWait);
    // The first write was taken; the lens had gone before the second began.
    QCOMPARE(states.at(0).at(0).toInt(), 0);
    QCOMPARE(states.at(1).at(0).toInt(), 5);
    QCOMPARE(lens.firmwareCount(), 1);
    QTest::qWait(100);
    QCOMPARE(states.size(), 2);
}

QTEST_GUILESS_MAIN(TestUdiskDevice)
#include "tst_udiskdevice.moc"
