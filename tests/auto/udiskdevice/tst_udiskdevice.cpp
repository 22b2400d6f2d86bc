#include "tools/udisklens/udisklensvolume.h"
#include "udisk/udiskdevice.h"

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

#include <sys/stat.h>
#include <sys/sysmacros.h>

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
// so that volumes of tests running beside this one are left alone. Their
// file system types are the platform's: the device itself must pass over
// the tmpfs ones.
QList<UdiskDevice::Volume> ownMountedVolumes()
{
    const QString prefix = QDir::tempPath() + QLatin1String("/udisklens-")
        + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-');
    QList<UdiskDevice::Volume> own;
    const QList<UdiskDevice::Volume> all = UdiskDevice::mountedVolumes();
    for (const UdiskDevice::Volume &volume : all) {
        if (volume.rootPath.startsWith(prefix))
            own << volume;
    }
    return own;
}

QStringList rootsOf(const QList<UdiskDevice::Volume> &volumes)
{
    QStringList roots;
    for (const UdiskDevice::Volume &volume : volumes)
        roots << volume.rootPath;
    return roots;
}

// Folders presented to the device as FAT volumes.
UdiskDevice::VolumeLister asFat(const QStringList &roots)
{
    return [roots] {
        QList<UdiskDevice::Volume> volumes;
        for (const QString &root : roots)
            volumes << UdiskDevice::Volume { root, QStringLiteral("vfat") };
        return volumes;
    };
}

bool writeInfo(const QString &root, const QString &name, const QString &version)
{
    QFile file(root + QLatin1String("/DeviceInformation.txt"));
    return file.open(QIODevice::WriteOnly)
        && file.write(UdiskLensVolume::deviceInformationText(name, version)) > 0;
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
        connect(this, &Relay::connected, this,
            [this](bool c) { events << (c ? QStringLiteral("connected") : QStringLiteral("gone")); });
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
    void update(const QByteArray &firmware, const QString &volumeRoot)
    {
        QMetaObject::invokeMethod(device, "updateHandle", Qt::QueuedConnection, Q_ARG(QByteArray, firmware),
            Q_ARG(QString, volumeRoot));
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

#define REQUIRE_MOUNT()                                                                                      \
    do {                                                                                                     \
        QString reason;                                                                                      \
        if (!UdiskLensVolume::canMount(&reason))                                                             \
            QSKIP(qPrintable(reason));                                                                       \
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
    void infoFileThatIsNoFile_data();
    void infoFileThatIsNoFile();
    void valuesKeptWhenLensGoes();
    void lastLensVolumeWins();
    void accessorsAcrossThreads();

    // Detection on real mounts.
    void defaultListSeesNewMounts();
    void onlyFatVolumesAreLenses();
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
    void severalLensVolumesGetNothing_data();
    void severalLensVolumesGetNothing();
    void onlyTheCheckedLensIsWritten_data();
    void onlyTheCheckedLensIsWritten();
    void firmwareNameThatIsNoFile_data();
    void firmwareNameThatIsNoFile();
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
    const QByteArray lead4 = "Firmware version: "; // 18 characters
    QCOMPARE(lead1.size(), 20);
    QCOMPARE(lead4.size(), 18);
    const QByteArray mid = "Hardware revision : H1.0\nLoader            : B1.2\n";

    QTest::newRow("as the lens writes it")
        << UdiskLensVolume::deviceInformationText(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3"))
        << "AF 56mm F1.8 Z"
        << "V1.0.3"
        << "58G31";
    QTest::newRow("LF line ends") << QByteArray(
        lead1 + "AF 56mm F1.8 Z\n" + mid + lead4 + "V1.0.3\nMode : U-disk\n")
                                  << "AF 56mm F1.8 Z"
                                  << "V1.0.3"
                                  << "58G31";
    QTest::newRow("four lines, no final line end")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\n" + mid + lead4 + "V1.0.3") << "AF 56mm F1.8 Z"
        << "V1.0.3"
        << "58G31";
    QTest::newRow("white space around values")
        << QByteArray(lead1 + "  \t AF 56mm F1.8 Z \t \r\n" + mid + lead4 + " \tV1.0.3  \r\n")
        << "AF 56mm F1.8 Z"
        << "V1.0.3"
        << "58G31";
    QTest::newRow("white space inside values kept")
        << QByteArray(lead1 + "AF  56mm F1.8 Z\r\n" + mid + lead4 + "V1.0 beta 2\r\n") << "AF  56mm F1.8 Z"
        << "V1.0 beta 2"
        << "";
    QTest::newRow("first line of 20 characters")
        << QByteArray(lead1 + "\r\n" + mid + lead4 + "V1.0.3\r\n") << ""
        << "V1.0.3"
        << "";
    QTest::newRow("first line shorter than its lead")
        << QByteArray("Lens: AF 56mm\r\n" + mid + lead4 + "V1.0.3\r\n") << ""
        << "V1.0.3"
        << "";
    QTest::newRow("first line of 21 characters")
        << QByteArray(lead1 + "Q\r\n" + mid + lead4 + "V1.0.3\r\n") << "Q"
        << "V1.0.3"
        << "";
    QTest::newRow("fourth line of 18 characters")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\r\n" + mid + lead4 + "\r\n") << "AF 56mm F1.8 Z"
        << ""
        << "58G31";
    QTest::newRow("three lines") << QByteArray(lead1 + "AF 56mm F1.8 Z\r\n" + mid) << "AF 56mm F1.8 Z"
                                 << ""
                                 << "58G31";
    QTest::newRow("one line") << QByteArray(lead1 + "AF 56mm F1.8 Z") << "AF 56mm F1.8 Z"
                              << ""
                              << "58G31";
    QTest::newRow("empty file") << QByteArray() << ""
                                << ""
                                << "";
    QTest::newRow("zero byte ends a line") << QByteArray(lead1 + "AF 56mm F1.8 Z" + QByteArray(1, '\0')
        + "junk\r\n" + mid + lead4 + "V1.0.3" + QByteArray(1, '\0') + "\r\n")
                                           << "AF 56mm F1.8 Z"
                                           << "V1.0.3"
                                           << "58G31";
    QTest::newRow("lines after the fifth ignored")
        << QByteArray(lead1 + "AF 56mm F1.8 Z\r\n" + mid + lead4 + "V1.0.3\r\nfive\r\n" + lead4 + "V9\r\n")
        << "AF 56mm F1.8 Z"
        << "V1.0.3"
        << "58G31";
    // The test runs with a UTF-8 locale, so the local code page is UTF-8;
    // leads count characters, not bytes.
    QTest::newRow("local code page") << QByteArray(lead1 + "镜头 AF 35mm\r\n" + mid + lead4 + "V2.0\r\n")
                                     << "镜头 AF 35mm"
                                     << "V2.0"
                                     << "";
    QTest::newRow("lead of wide characters")
        << QByteArray(QString(20, QChar(0x578B)).toUtf8() + "AF 56mm F1.8 Z\r\n" + mid + lead4 + "V2.0\r\n")
        << "AF 56mm F1.8 Z"
        << "V2.0"
        << "58G31";
    // A lens writes a few short lines; a larger file is not read at all,
    // yet still shows a lens, of no known model.
    const QByteArray longLine = lead1 + QByteArray(3900, 'x') + "\r\n" + mid + lead4 + "V1.0.3\r\n";
    QTest::newRow("long first line, file within 4 KiB")
        << longLine << QString(3900, QLatin1Char('x')) << "V1.0.3"
        << "";
    const QByteArray exact = longLine + QByteArray(4096 - longLine.size(), 'y');
    QTest::newRow("file of exactly 4 KiB") << exact << QString(3900, QLatin1Char('x')) << "V1.0.3"
                                           << "";
    QTest::newRow("file one byte over 4 KiB") << QByteArray(exact + "y") << ""
                                              << ""
                                              << "";
    QTest::newRow("oversized file") << QByteArray(
        lead1 + "AF 56mm F1.8 Z\r\n" + mid + lead4 + "V1.0.3\r\n" + QByteArray(64 * 1024, 'z'))
                                    << ""
                                    << ""
                                    << "";
}

static void checkParse(
    const UdiskDevice::VolumeLister &lister, const QString &root, const QByteArray &contents)
{
    QFETCH(QString, name);
    QFETCH(QString, version);
    QFETCH(QString, code);

    QFile file(root + QLatin1String("/DeviceInformation.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), qint64(contents.size()));
    file.close();

    UdiskDevice device(lister);
    QSignalSpy connected(&device, &UdiskDevice::isUdiskModeConnecte);
    runPass(device);
    QCOMPARE(connected.size(), 1);
    QCOMPARE(connected.at(0).at(0).toBool(), true);
    QCOMPARE(device.volumeRoot(), root);
    QCOMPARE(device.lensVolumeCount(), 1);
    QCOMPARE(device.modelName(), name);
    QCOMPARE(device.firmwareVersion(), version);
    QCOMPARE(device.modelCode(), code);
}

void TestUdiskDevice::parse()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir empty, lens;
    QVERIFY(empty.isValid() && lens.isValid());
    checkParse(asFat({ empty.path(), lens.path() }), lens.path(), contents);
}

void TestUdiskDevice::parseOnMountedVolume()
{
    REQUIRE_MOUNT();
    QFETCH(QByteArray, contents);
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    checkParse(ownMountedVolumes, volume.rootPath(), contents);
}

void TestUdiskDevice::infoFileThatIsNoFile_data()
{
    // What sits under the name, and whether the volume then counts as a
    // lens (of no known model) or not at all.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("found");
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("symlink to a lens's file") << "symlink" << false;
    QTest::newRow("dangling symlink") << "dangling" << false;
    QTest::newRow("FIFO") << "fifo" << false;
    QTest::newRow("character device") << "device" << false;
    QTest::newRow("file of another volume mounted over it (FAT)") << "bind" << false;
    QTest::newRow("FIFO mounted over it (FAT)") << "bindfifo" << false;
    QTest::newRow("oversized regular file") << "oversized" << true;
}

void TestUdiskDevice::infoFileThatIsNoFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, found);

    QTemporaryDir good, outside;
    QVERIFY(good.isValid() && outside.isValid());
    QVERIFY(writeInfo(good.path(), QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1")));
    const QString outsideInfo = outside.filePath(QStringLiteral("DeviceInformation.txt"));
    QVERIFY(writeInfo(outside.path(), QStringLiteral("AF 16mm F1.2 XF Pro"), QStringLiteral("V9")));
    const QString fifo = outside.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    // The hostile volume: a folder shown as FAT, or a real FAT volume for
    // the mounts.
    QTemporaryDir plain;
    QVERIFY(plain.isValid());
    UdiskLensVolume volume;
    QString bad = plain.path();
    const QString badInfo = bad + QLatin1String("/DeviceInformation.txt");
    const QByteArray badPath = QFile::encodeName(badInfo);
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(bad).mkdir(QStringLiteral("DeviceInformation.txt")));
    } else if (kind == QLatin1String("symlink")) {
        QVERIFY(QFile::link(outsideInfo, badInfo));
    } else if (kind == QLatin1String("dangling")) {
        QVERIFY(QFile::link(outside.filePath(QStringLiteral("none")), badInfo));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(badPath.constData(), 0600), 0);
    } else if (kind == QLatin1String("device")) {
        if (::mknod(badPath.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) // like /dev/null
            QSKIP("cannot make a device node here");
    } else if (kind == QLatin1String("oversized")) {
        QFile file(badInfo);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(UdiskLensVolume::deviceInformationText(
            QStringLiteral("AF 16mm F1.2 XF Pro"), QStringLiteral("V9")));
        file.write(QByteArray(UdiskDevice::MaxInfoFileBytes, ' '));
    } else {
        REQUIRE_MOUNT();
        QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
        bad = volume.rootPath();
        QVERIFY2(volume.bindOver(QStringLiteral("DeviceInformation.txt"),
                     kind == QLatin1String("bind") ? outsideInfo : fifo),
            qPrintable(volume.errorString()));
    }

    // Alone, and listed after a real lens whose values it must not replace.
    const QList<QStringList> orders { { bad }, { good.path(), bad } };
    for (const QStringList &order : orders) {
        const QString goodRoot = order.size() > 1 ? order.first() : QString();
        UdiskDevice device(asFat(order));
        QSignalSpy connected(&device, &UdiskDevice::isUdiskModeConnecte);
        QElapsedTimer clock;
        clock.start();
        runPass(device);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        QCOMPARE(connected.size(), 1);
        QCOMPARE(connected.at(0).at(0).toBool(), found || order.size() > 1);
        QCOMPARE(device.lensVolumeCount(), order.size() - (found ? 0 : 1));
        if (found) {
            QCOMPARE(device.volumeRoot(), bad);
            QCOMPARE(device.modelName(), QString());
            QCOMPARE(device.firmwareVersion(), QString());
        } else {
            QCOMPARE(device.volumeRoot(), goodRoot);
            QCOMPARE(device.modelName(), goodRoot.isEmpty() ? QString() : QStringLiteral("AF 56mm F1.8 Z"));
        }
    }
}

void TestUdiskDevice::valuesKeptWhenLensGoes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString info = dir.filePath(QStringLiteral("DeviceInformation.txt"));
    UdiskDevice device(asFat({ dir.path() }));
    QSignalSpy connected(&device, &UdiskDevice::isUdiskModeConnecte);

    runPass(device);
    QCOMPARE(connected.takeFirst().at(0).toBool(), false);
    QVERIFY(device.modelName().isEmpty());
    QVERIFY(device.firmwareVersion().isEmpty());
    QVERIFY(device.modelCode().isEmpty());

    QFile file(info);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        UdiskLensVolume::deviceInformationText(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.2")));
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
    QCOMPARE(device.volumeRoot(), QString());
    QCOMPARE(device.lensVolumeCount(), 0);
}

void TestUdiskDevice::lastLensVolumeWins()
{
    QTemporaryDir a, b, none;
    QVERIFY(a.isValid() && b.isValid() && none.isValid());
    for (auto [dir, name] : { std::pair<QTemporaryDir *, const char *> { &a, "AF 56mm F1.8 Z" },
             std::pair<QTemporaryDir *, const char *> { &b, "AF 16mm F1.2 XF Pro" } }) {
        QFile file(dir->filePath(QStringLiteral("DeviceInformation.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(UdiskLensVolume::deviceInformationText(QLatin1String(name), QLatin1String(name).right(2)));
    }
    QStringList order { a.path(), b.path(), none.path() };
    UdiskDevice device([&] { return asFat(order)(); });
    runPass(device);
    QCOMPARE(device.lensVolumeCount(), 2);
    QCOMPARE(device.volumeRoot(), b.path());
    QCOMPARE(device.modelName(), QStringLiteral("AF 16mm F1.2 XF Pro"));
    QCOMPARE(device.firmwareVersion(), QStringLiteral("ro"));
    QCOMPARE(device.modelCode(), QStringLiteral("73U45"));
    order = QStringList { b.path(), a.path() };
    runPass(device);
    QCOMPARE(device.volumeRoot(), a.path());
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
    for (auto [dir, name] : { std::pair<QTemporaryDir *, QString> { &a, nameA },
             std::pair<QTemporaryDir *, QString> { &b, nameB } }) {
        QFile file(dir->filePath(QStringLiteral("DeviceInformation.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(UdiskLensVolume::deviceInformationText(name, name + QLatin1String(" v")));
    }
    std::atomic<int> passes { 0 };
    const QString pathA = a.path(), pathB = b.path();
    DeviceOnThread run([&passes, pathA, pathB] { return asFat({ (passes++ % 2) ? pathA : pathB })(); });
    std::atomic<bool> done { false };
    QMetaObject::invokeMethod(
        run.device,
        [&run, &done] {
            for (int i = 0; i < 400; ++i)
                QMetaObject::invokeMethod(run.device, "timerUdiskModeDetect", Qt::DirectConnection);
            done = true;
        },
        Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    while (!done) {
        const QString name = run.device->modelName();
        const QString version = run.device->firmwareVersion();
        const QString code = run.device->modelCode();
        const QString root = run.device->volumeRoot();
        QVERIFY(root.isEmpty() || root == pathA || root == pathB);
        QVERIFY(name.isEmpty() || name == nameA || name == nameB);
        QVERIFY(version.isEmpty() || version == nameA + QLatin1String(" v")
            || version == nameB + QLatin1String(" v"));
        QVERIFY(code.isEmpty() || code == QLatin1String("58G31") || code == QLatin1String("73U45"));
        QVERIFY(clock.elapsed() < kLongWait);
    }
    QVERIFY(passes >= 400);
}

void TestUdiskDevice::defaultListSeesNewMounts()
{
    REQUIRE_MOUNT();
    QVERIFY(!UdiskDevice::mountedVolumes().isEmpty());
    UdiskLensVolume fat, tmpfs(UdiskLensVolume::Tmpfs);
    QVERIFY2(fat.mount(1 << 20), qPrintable(fat.errorString()));
    QVERIFY2(tmpfs.mount(1 << 20), qPrintable(tmpfs.errorString()));
    const auto typeOf = [](const QString &root) {
        QStringList types;
        const QList<UdiskDevice::Volume> all = UdiskDevice::mountedVolumes();
        for (const UdiskDevice::Volume &volume : all) {
            if (volume.rootPath == root)
                types << volume.fileSystemType;
        }
        return types;
    };
    QCOMPARE(typeOf(fat.rootPath()), QStringList { QStringLiteral("fuse.fusefat") });
    QCOMPARE(typeOf(tmpfs.rootPath()), QStringList { QStringLiteral("tmpfs") });
    QVERIFY(UdiskDevice::isLensFileSystem(QStringLiteral("fuse.fusefat")));
    QVERIFY(!UdiskDevice::isLensFileSystem(QStringLiteral("tmpfs")));
    // A read-only volume stacked onto itself is still one volume.
    QVERIFY(fat.setReadOnly(true));
    QCOMPARE(typeOf(fat.rootPath()), QStringList { QStringLiteral("fuse.fusefat") });
    const QString root = fat.rootPath();
    QVERIFY(fat.unmount());
    QVERIFY(typeOf(root).isEmpty());
}

void TestUdiskDevice::onlyFatVolumesAreLenses()
{
    REQUIRE_MOUNT();
    // A tmpfs "lens" on either side of a FAT one, mounted in this order.
    UdiskLensVolume before(UdiskLensVolume::Tmpfs), fat, after(UdiskLensVolume::Tmpfs);
    for (UdiskLensVolume *volume : { &before, &fat, &after })
        QVERIFY2(volume->mount(1 << 20), qPrintable(volume->errorString()));
    QVERIFY(before.writeDeviceInformation(QStringLiteral("AF 85mm F1.4 X"), QStringLiteral("V7.0")));
    QVERIFY(after.writeDeviceInformation(QStringLiteral("AF 16mm F1.2 XF Pro"), QStringLiteral("V8.0")));

    UdiskDevice device(ownMountedVolumes);
    QSignalSpy connected(&device, &UdiskDevice::isUdiskModeConnecte);
    runPass(device);
    QCOMPARE(connected.takeFirst().at(0).toBool(), false);
    QCOMPARE(device.modelName(), QString());

    QVERIFY(fat.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    runPass(device);
    QCOMPARE(connected.takeFirst().at(0).toBool(), true);
    QCOMPARE(device.lensVolumeCount(), 1);
    QCOMPARE(device.volumeRoot(), fat.rootPath());
    QCOMPARE(device.modelName(), QStringLiteral("AF 56mm F1.8 Z"));
    QCOMPARE(device.firmwareVersion(), QStringLiteral("V1.0.3"));
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
    QStringList roots { folder.path() };
    QString reason;
    if (UdiskLensVolume::canMount(&reason)) {
        QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
        roots << volume.rootPath();
    }
    DeviceOnThread run(asFat(roots));
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(firmware, roots.last());
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

    run.update(image, lens.rootPath());
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
    const QByteArray image = testImage(200 * 1024 + 5);
    UdiskLensVolume lens;
    QVERIFY2(lens.mount(1 << 20), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    lens.setTakeDelay(-1);
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    const int checksBefore = takeChecks().size();
    run.update(image, lens.rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(0).at(0).toInt(), 0);
    QCOMPARE(takeChecks().mid(checksBefore), QList<int> { 160 });
    QCOMPARE(lens.receivedFirmware(), image);
    QVERIFY(lens.hasDeviceInformation());
    QCOMPARE(
        lens.entries(), (QStringList { QStringLiteral("DeviceInformation.txt"), QStringLiteral("Fw.dat") }));
    // On the FAT image itself, whole and alone.
    QVERIFY2(lens.replug(), qPrintable(lens.errorString()));
    QCOMPARE(lens.readFile(QStringLiteral("Fw.dat")), image);
    QCOMPARE(
        lens.entries(), (QStringList { QStringLiteral("DeviceInformation.txt"), QStringLiteral("Fw.dat") }));
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
    run.update(image, lens.rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(0).at(0).toInt(), 0);
    QVERIFY(back.size() == 1 || back.wait(kLongWait));
    QTRY_COMPARE_WITH_TIMEOUT(run.device->firmwareVersion(), QStringLiteral("V1.1.0"), kLongWait);
    QCOMPARE(run.device->modelCode(), QStringLiteral("73U45"));
    QCOMPARE(lens.entries(), QStringList { QStringLiteral("DeviceInformation.txt") });
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
    run.update(testImage(8192), lens.rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), 1);
    QCOMPARE(lens.entries(), QStringList { QStringLiteral("DeviceInformation.txt") });
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
    QStringList expected { QStringLiteral("DeviceInformation.txt") };
    if (leaveFree >= 0) {
        QVERIFY2(lens.fill(leaveFree), qPrintable(lens.errorString()));
        QVERIFY(lens.bytesAvailable() < imageSize);
        expected << QStringLiteral("filler.bin");
    }
    const qint64 freeBefore = lens.bytesAvailable();
    lens.startLens();

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(testImage(imageSize), lens.rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), 1);
    // Nothing partial left for the lens, and the space is given back.
    QVERIFY2(lens.entries() == expected, qPrintable(lens.entries().join(QLatin1Char(' '))));
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
    run.update(QByteArray(), lens.rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), 1);
    QCOMPARE(lens.entries(), QStringList { QStringLiteral("DeviceInformation.txt") });
    QCOMPARE(lens.firmwareCount(), 0);
}

void TestUdiskDevice::severalLensVolumesGetNothing_data()
{
    QTest::addColumn<QString>("secondModel");
    QTest::addColumn<bool>("secondReadOnly");
    QTest::addColumn<bool>("checkSecond");
    QTest::newRow("two lenses of different models") << "AF 16mm F1.2 XF Pro" << false << false;
    QTest::newRow("two lenses of different models, the second checked")
        << "AF 16mm F1.2 XF Pro" << false << true;
    QTest::newRow("two lenses of one model") << "AF 56mm F1.8 Z" << false << false;
    QTest::newRow("the other lens read-only") << "AF 16mm F1.2 XF Pro" << true << false;
}

void TestUdiskDevice::severalLensVolumesGetNothing()
{
    REQUIRE_MOUNT();
    QFETCH(QString, secondModel);
    QFETCH(bool, secondReadOnly);
    QFETCH(bool, checkSecond);

    const QByteArray image = testImage(128 * 1024 + 3);
    UdiskLensVolume first, second;
    QVERIFY2(first.mount(1 << 20), qPrintable(first.errorString()));
    QVERIFY2(second.mount(1 << 20, secondReadOnly), qPrintable(second.errorString()));
    QCOMPARE(rootsOf(ownMountedVolumes()), (QStringList { first.rootPath(), second.rootPath() }));
    QVERIFY(first.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    QVERIFY(second.writeDeviceInformation(secondModel, QStringLiteral("V2.0.0")));
    for (UdiskLensVolume *lens : { &first, &second }) {
        lens->setTakeDelay(200);
        lens->startLens();
    }

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    QTRY_COMPARE_WITH_TIMEOUT(run.device->lensVolumeCount(), 2, kLongWait);
    run.update(image, (checkSecond ? second : first).rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).toInt(), int(UdiskDevice::UpdateSeveralLenses));
    QCOMPARE(first.entries(), QStringList { QStringLiteral("DeviceInformation.txt") });
    QCOMPARE(second.entries(), QStringList { QStringLiteral("DeviceInformation.txt") });
    QCOMPARE(first.firmwareCount() + second.firmwareCount(), 0);

    // With the other lens unplugged, the one checked gets the image.
    QVERIFY((checkSecond ? first : second).unmount());
    UdiskLensVolume &left = checkSecond ? second : first;
    run.update(image, left.rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(1).at(0).toInt(), int(UdiskDevice::UpdateWritten));
    QCOMPARE(left.receivedFirmware(), image);
}

void TestUdiskDevice::onlyTheCheckedLensIsWritten_data()
{
    QTest::addColumn<QString>("named");
    QTest::newRow("a lens swapped for another at a new place") << "gone";
    QTest::newRow("no volume named") << "";
    QTest::newRow("a volume that is no lens") << "tmpfs";
}

void TestUdiskDevice::onlyTheCheckedLensIsWritten()
{
    REQUIRE_MOUNT();
    QFETCH(QString, named);

    auto checked = std::make_unique<UdiskLensVolume>();
    QVERIFY2(checked->mount(1 << 20), qPrintable(checked->errorString()));
    QVERIFY(checked->writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    UdiskLensVolume notLens(UdiskLensVolume::Tmpfs);
    QVERIFY2(notLens.mount(1 << 20), qPrintable(notLens.errorString()));
    QVERIFY(notLens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    QString root = checked->rootPath();
    if (named.isEmpty())
        root.clear();
    else if (named == QLatin1String("tmpfs"))
        root = notLens.rootPath();
    // Another lens, where the checked one was not.
    QVERIFY(checked->unmount());
    checked.reset();
    UdiskLensVolume other;
    QVERIFY2(other.mount(1 << 20), qPrintable(other.errorString()));
    QVERIFY(other.writeDeviceInformation(QStringLiteral("AF 16mm F1.2 XF Pro"), QStringLiteral("V2.0.0")));
    other.startLens();
    QVERIFY(other.rootPath() != root);

    DeviceOnThread run;
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(testImage(20000), root);
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(0).at(0).toInt(), int(UdiskDevice::UpdateNoLens));
    QCOMPARE(other.entries(), QStringList { QStringLiteral("DeviceInformation.txt") });
    QCOMPARE(notLens.entries(), QStringList { QStringLiteral("DeviceInformation.txt") });
    QCOMPARE(other.firmwareCount(), 0);
}

void TestUdiskDevice::firmwareNameThatIsNoFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("symlink to a file outside (tmpfs)") << "symlink";
    QTest::newRow("dangling symlink to a path outside (tmpfs)") << "dangling";
    QTest::newRow("folder (FAT)") << "folder";
    QTest::newRow("FIFO (tmpfs)") << "fifo";
    QTest::newRow("file outside mounted over it (FAT)") << "bind";
}

void TestUdiskDevice::firmwareNameThatIsNoFile()
{
    REQUIRE_MOUNT();
    QFETCH(QString, kind);

    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    const QString victim = outside.filePath(QStringLiteral("victim"));
    const QByteArray victimBytes("not to be touched\n");
    {
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(victimBytes);
    }
    const QString absent = outside.filePath(QStringLiteral("absent"));

    const bool onFat = kind == QLatin1String("folder") || kind == QLatin1String("bind");
    UdiskLensVolume lens(onFat ? UdiskLensVolume::Fat : UdiskLensVolume::Tmpfs);
    QVERIFY2(lens.mount(1 << 20), qPrintable(lens.errorString()));
    QVERIFY(lens.writeDeviceInformation(QStringLiteral("AF 56mm F1.8 Z"), QStringLiteral("V1.0.3")));
    const QString fw = lens.filePath(QStringLiteral("Fw.dat"));
    if (kind == QLatin1String("symlink"))
        QVERIFY(lens.makeSymlink(QStringLiteral("Fw.dat"), victim));
    else if (kind == QLatin1String("dangling"))
        QVERIFY(lens.makeSymlink(QStringLiteral("Fw.dat"), absent));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir(lens.rootPath()).mkdir(QStringLiteral("Fw.dat")));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(fw).constData(), 0600), 0);
    else
        QVERIFY2(lens.bindOver(QStringLiteral("Fw.dat"), victim), qPrintable(lens.errorString()));
    lens.startLens();

    // The tmpfs volume shown as FAT: symlinks and FIFOs exist there.
    DeviceOnThread run(onFat ? UdiskDevice::VolumeLister(ownMountedVolumes) : asFat({ lens.rootPath() }));
    QSignalSpy states(run.relay.get(), &Relay::state);
    run.update(testImage(30000), lens.rootPath());
    QVERIFY(states.wait(kLongWait));
    QCOMPARE(states.at(0).at(0).toInt(), int(UdiskDevice::UpdateWriteFailed));
    QCOMPARE(lens.firmwareCount(), 0);
    QVERIFY(!QFileInfo::exists(absent));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), victimBytes);
    // Left as it was.
    const QFileInfo after(fw);
    QCOMPARE(after.isSymLink(), kind == QLatin1String("symlink") || kind == QLatin1String("dangling"));
    if (kind == QLatin1String("folder"))
        QVERIFY(after.isDir());
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
    run.update(image, lens.rootPath());
    run.update(image, lens.rootPath());
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
