// The main window with a lens in U-disk mode, end to end: the real Widget
// and its U-disk thread, a lens simulated on a real mounted FAT volume and
// the local HTTPS firmware server. No HID lens is plugged in.

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

#include "app/widget.h"
#include "net/devicefirmwareprocess.h"
#include "tests/support/windowflow/windowflow.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#include "tools/testca/testca.h"
#include "tools/udisklens/udisklensvolume.h"
#include "tools/windowharness/noticerecorder.h"
#include "tools/windowharness/windowharness.h"
#include "udisk/udiskdevice.h"
#include "widgets/warningwidget.h"

namespace {

const QString kModel = QStringLiteral("AF 56mm F1.8 Z");
const QString kCode = QStringLiteral("58G31");
const QColor kRed(0xEC, 0x45, 0x45);
const QColor kGreen(0x22, 0xF5, 0x17);
const QString kSuccess = QStringLiteral("更新成功！");
const QString kFailure = QStringLiteral("更新失败！");
const QString kDisconnected = QStringLiteral("设备断开！");
const QString kOneLensOnly = QStringLiteral("请只连接一个镜头后再更新！");

} // namespace

class tst_UdiskFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lensUpdates();
    void writeFails_data();
    void writeFails();
    void unknownModelIsNotOffered();
    void removedOnReadyPage();
    void firmwareOfAnotherModel();
    void volumeBeside_data();
    void volumeBeside();

private:
    QByteArray serve(const QString &version, const QString &modelName = kModel, int size = 48 * 1024 + 5);
    std::unique_ptr<TestWindow> openWindow(const Widget::Workers &workers = Widget::Workers());
    bool waitUntilReady(Widget &w, const QString &latestVersion);
    QWidget *part(Widget &w, const char *name) { return WindowHarness::part(&w, QLatin1String(name)); }
    QString text(Widget &w, const char *name) { return WindowHarness::text(&w, QLatin1String(name)); }
    QString page(Widget &w) { return WindowHarness::page(&w); }

    FirmwareServer server;
    std::unique_ptr<NoticeRecorder> notices;
};

void tst_UdiskFlow::initTestCase()
{
    QString reason;
    if (!UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));
    QVERIFY(WindowFlow::startServer(server, 1000));
}

void tst_UdiskFlow::init()
{
    SimulatedHidapi::lens()->reset();
    SimulatedHidapi::lens()->unplug();
    server.clearModels();
    server.clearFaults();
    server.clearRequestLog();
    DeviceFirmwareProcess::resetReachability();
    notices.reset(new NoticeRecorder);
}

void tst_UdiskFlow::cleanup()
{
    notices.reset();
    // Requests the closed window had in flight land before the next test.
    QTest::qWait(200);
}

QByteArray tst_UdiskFlow::serve(const QString &version, const QString &modelName, int size)
{
    const QByteArray image = WindowHarness::firmwareImage(modelName, size, quint32(size) * 31u, true);
    server.addModel(kCode, version, QStringLiteral("<p>Sharper wide open.</p>"), kCode, modelName,
        WindowHarness::lensPicture(QColor(0xD8, 0x8F, 0x4A)), image);
    return image;
}

std::unique_ptr<TestWindow> tst_UdiskFlow::openWindow(const Widget::Workers &workers)
{
    return WindowFlow::openWindow(workers, notices.get());
}

bool tst_UdiskFlow::waitUntilReady(Widget &w, const QString &latestVersion)
{
    return WindowFlow::waitUntilReady(w, latestVersion, 30000);
}

void tst_UdiskFlow::lensUpdates()
{
    const QByteArray image = serve(QStringLiteral("V1.1.0"));
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(kModel, QStringLiteral("V1.0.3")));
    volume.setTakeDelay(200);
    // Away long enough for a detection pass to see it gone.
    volume.setComeBack(QStringLiteral("V1.1.0"), 1500);
    volume.startLens();

    auto w = openWindow();
    QVERIFY(w);
    // Found by itself; the page stays.
    QTRY_COMPARE_WITH_TIMEOUT(text(*w, "label_model"), QStringLiteral("产品型号 ： ") + kModel, 10000);
    QCOMPARE(text(*w, "label_model_F"), QStringLiteral("产品型号 ： ") + kModel);
    QCOMPARE(text(*w, "label_nowVer"), QStringLiteral("当前版本 ： V1.0.3"));
    QCOMPARE(text(*w, "label_newVer_F"), QStringLiteral("当前镜头版本 ： V1.0.3"));
    QVERIFY(part(*w, "label_SN")->isHidden());
    QVERIFY(part(*w, "label_SN_F")->isHidden());
    QVERIFY(!part(*w, "label_nowVer")->isHidden());
    QVERIFY(part(*w, "button_update")->isEnabled());
    QCOMPARE(page(*w), QStringLiteral("link"));
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.1.0")));

    // Asked for with the catalogue's code and the code as serial number.
    const FirmwareServer::Request query = server.requests(FirmwareServer::Route::Query).first();
    QCOMPARE(query.modelCode, kCode);
    QCOMPARE(query.query.queryItemValue(QStringLiteral("sn")), kCode + QStringLiteral("0000000"));
    QCOMPARE(query.query.queryItemValue(QStringLiteral("ver")), QStringLiteral("V1.0.3"));

    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));

    QSignalSpy received(&volume, &UdiskLensVolume::firmwareReceived);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("updating"));
    QCOMPARE(text(*w, "label_progress"), QStringLiteral("正在更新。。。"));
    QVERIFY(part(*w, "progressBar")->isHidden());
    QVERIFY(!part(*w, "label_gif")->isHidden());

    QVERIFY(received.wait(10000));
    QCOMPARE(received.first().at(0).toByteArray(), image);
    QVERIFY(received.first().at(1).toBool());

    QVERIFY(notices->waitFor(kSuccess, 20000));
    QCOMPARE(notices->colourOf(kSuccess), kGreen);
    QCOMPARE(page(*w), QStringLiteral("finished"));
    // The volume's disappearance while the lens took the image is no unplug.
    QCOMPARE(notices->count(kDisconnected), 0);
    QCOMPARE(notices->count(kFailure), 0);
    QCOMPARE(volume.receivedFirmware(), image);
    QCOMPARE(volume.firmwareCount(), 1);
    QVERIFY(part(*w, "label_gif")->isHidden());

    // Back with its new version.
    QTRY_COMPARE_WITH_TIMEOUT(text(*w, "label_newVer_F"), QStringLiteral("当前镜头版本 ： V1.1.0"), 10000);

    // Now the lens leaves for good: reported.
    QVERIFY(volume.unmount());
    QVERIFY(notices->waitFor(kDisconnected, 10000));
    QCOMPARE(notices->colourOf(kDisconnected), kRed);
    QCOMPARE(page(*w), QStringLiteral("link"));
    QVERIFY(!part(*w, "button_update")->isEnabled());
}

void tst_UdiskFlow::writeFails_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("read-only volume") << true;
    QTest::newRow("volume full") << false;
}

void tst_UdiskFlow::writeFails()
{
    QFETCH(bool, readOnly);
    const QByteArray image = serve(QStringLiteral("V1.1.0"), kModel, 160 * 1024 + 3);
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20, readOnly), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(kModel, QStringLiteral("V1.0.3")));
    if (!readOnly)
        QVERIFY(volume.fill(64 * 1024));
    volume.setTakeDelay(200);
    volume.startLens();

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.1.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("updating"));

    QVERIFY(notices->waitFor(kFailure, 20000));
    QCOMPARE(notices->colourOf(kFailure), kRed);
    QCOMPARE(page(*w), QStringLiteral("link"));
    QCOMPARE(notices->count(kSuccess), 0);
    QCOMPARE(volume.firmwareCount(), 0);
    QVERIFY(!volume.entries().contains(QStringLiteral("Fw.dat")));
    QVERIFY(part(*w, "label_gif")->isHidden());

    // With room to write, the next update goes through.
    if (readOnly)
        QVERIFY(volume.setReadOnly(false));
    else
        QVERIFY(QFile::remove(volume.rootPath() + QStringLiteral("/filler.bin")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QVERIFY(notices->waitFor(kSuccess, 20000));
    QCOMPARE(page(*w), QStringLiteral("finished"));
    QCOMPARE(volume.receivedFirmware(), image);
    QCOMPARE(notices->count(kDisconnected), 0);
}

void tst_UdiskFlow::unknownModelIsNotOffered()
{
    serve(QStringLiteral("V1.1.0"));
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(QStringLiteral("AF 99mm F0.9 Unknown"), QStringLiteral("V1.0.0")));
    volume.startLens();

    // The window has taken the handler's report of the volume once this
    // receiver, connected after the window, has.
    Widget::Workers workers;
    workers.udisk = new UdiskDevice;
    QObject receiver;
    bool reported = false;
    connect(
        workers.udisk, &UdiskDevice::isUdiskModeConnecte, &receiver,
        [&](bool connected) { reported = reported || connected; }, Qt::QueuedConnection);
    auto w = openWindow(workers);
    QVERIFY(w);
    QTRY_VERIFY_WITH_TIMEOUT(reported, 15000);
    QCOMPARE(w->shownLens().link, LensRecord::Link::None);
    QTest::qWait(300);
    QVERIFY(!part(*w, "button_update")->isEnabled());
    QVERIFY(part(*w, "label_nowVer")->isHidden());
    QVERIFY(part(*w, "label_SN")->isHidden());
    QVERIFY(server.requests(FirmwareServer::Route::Query).isEmpty());

    // Not offered: the connect button finds nothing.
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QVERIFY(w->findChild<WarningWidget *>()->isVisible());
    QCOMPARE(page(*w), QStringLiteral("link"));

    // Its going is still an unplug.
    QVERIFY(volume.unmount());
    QVERIFY(notices->waitFor(kDisconnected, 10000));
}

void tst_UdiskFlow::removedOnReadyPage()
{
    serve(QStringLiteral("V1.1.0"));
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(kModel, QStringLiteral("V1.0.3")));
    volume.startLens();

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.1.0")));
    QTRY_VERIFY(!WindowHarness::part<QLabel>(w.get(), QStringLiteral("label_model_img"))
                     ->pixmap(Qt::ReturnByValue)
                     .isNull());
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));

    QVERIFY(volume.unmount());
    QVERIFY(notices->waitFor(kDisconnected, 10000));
    QCOMPARE(notices->colourOf(kDisconnected), kRed);
    QCOMPARE(page(*w), QStringLiteral("link"));
    QVERIFY(!part(*w, "button_update")->isEnabled());
    QVERIFY(text(*w, "textEdit_contect").isEmpty());
    QVERIFY(WindowHarness::part<QLabel>(w.get(), QStringLiteral("label_model_img"))
                ->pixmap(Qt::ReturnByValue)
                .isNull());

    // Nothing is written when the button is pressed now.
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("link"));
}

void tst_UdiskFlow::firmwareOfAnotherModel()
{
    serve(QStringLiteral("V1.1.0"), QStringLiteral("AF 56mm F1.8 Z II"));
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(kModel, QStringLiteral("V1.0.3")));
    volume.startLens();

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.1.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(text(*w, "textEdit_contect"), QStringLiteral("error -1"));
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QTest::qWait(500);
    QCOMPARE(volume.firmwareCount(), 0);
    QVERIFY(!volume.entries().contains(QStringLiteral("Fw.dat")));
}

void tst_UdiskFlow::volumeBeside_data()
{
    // What is mounted beside the lens once the window has accepted it, and
    // whether the update is then held back for two lenses.
    QTest::addColumn<QString>("beside");
    QTest::addColumn<bool>("held");
    QTest::newRow("a second lens of another model") << "lens" << true;
    QTest::newRow("a tmpfs volume holding a lens's file") << "tmpfs" << false;
    QTest::newRow("a FAT volume whose information file is a FIFO") << "fifo" << false;
    QTest::newRow("a FAT volume with an oversized information file") << "oversized" << true;
}

void tst_UdiskFlow::volumeBeside()
{
    QFETCH(QString, beside);
    QFETCH(bool, held);
    const QByteArray image = serve(QStringLiteral("V1.1.0"));
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(kModel, QStringLiteral("V1.0.3")));
    volume.setTakeDelay(200);
    volume.startLens();

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.1.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));

    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    const QString fifo = outside.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    UdiskLensVolume other(beside == QLatin1String("tmpfs") ? UdiskLensVolume::Tmpfs : UdiskLensVolume::Fat);
    QVERIFY2(other.mount(1 << 20), qPrintable(other.errorString()));
    if (beside == QLatin1String("fifo")) {
        QVERIFY2(
            other.bindOver(QStringLiteral("DeviceInformation.txt"), fifo), qPrintable(other.errorString()));
    } else if (beside == QLatin1String("oversized")) {
        QVERIFY(other.writeDeviceInformationRaw(
            UdiskLensVolume::deviceInformationText(kModel, QStringLiteral("V1")) + QByteArray(8192, ' ')));
    } else {
        QVERIFY(
            other.writeDeviceInformation(QStringLiteral("AF 16mm F1.2 XF Pro"), QStringLiteral("V2.0.0")));
    }
    other.startLens();
    // Two detection passes with it mounted.
    QTest::qWait(2 * 500 + 200);

    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    if (held) {
        QVERIFY(notices->waitFor(kOneLensOnly, 20000));
        QCOMPARE(notices->colourOf(kOneLensOnly), kRed);
        QTRY_VERIFY(page(*w) != QLatin1String("updating"));
        QCOMPARE(volume.firmwareCount() + other.firmwareCount(), 0);
        QVERIFY(!volume.entries().contains(QStringLiteral("Fw.dat")));
        QVERIFY(!other.entries().contains(QStringLiteral("Fw.dat")));
        QCOMPARE(notices->count(kSuccess), 0);
        // With the other one unplugged, the lens checked gets the image.
        QVERIFY(other.unmount());
        QTest::qWait(2 * 500 + 200);
        if (page(*w) != QLatin1String("ready"))
            QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
        QCOMPARE(page(*w), QStringLiteral("ready"));
        QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    }
    QVERIFY(notices->waitFor(kSuccess, 20000));
    QCOMPARE(volume.receivedFirmware(), image);
    QCOMPARE(other.firmwareCount(), 0);
    if (other.isMounted())
        QVERIFY(!other.entries().contains(QStringLiteral("Fw.dat")));
    QCOMPARE(notices->count(kFailure), 0);
}

QTEST_MAIN(tst_UdiskFlow)

#include "tst_udiskflow.moc"
