// Faults during an update, end to end over the real window: the lens leaving
// at every tenth of a transfer, frames corrupted in either direction, a lens
// that stops acknowledging or acknowledges twice, a lens that says success
// and comes back unchanged, the server cutting the firmware download, and a
// U-disk lens volume that goes away, turns read-only, has its Fw.dat lead
// off the volume or gets a second lens beside it during an update.
//
// Every case must end with a notice the user can read, leave the window
// usable (the next update goes through) and never announce "更新成功！"
// while the lens holds other bytes than the served image.

#include <QFile>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include "firmwareserver.h"
#include "lenssimulator.h"
#include "messageboxanswerer.h"
#include "noticerecorder.h"
#include "simulatedhidapi.h"
#include "udisklensvolume.h"
#include "updateprocess.h"
#include "widget.h"
#include "windowflow.h"
#include "windowharness.h"

namespace {

const QString kModel = QStringLiteral("AF 85mm F1.8 SIM");
const QString kCode = QStringLiteral("SIM85");
const QString kOld = QStringLiteral("V1.0.0");
const QString kNew = QStringLiteral("V1.2.0");
const QColor kRed(0xEC, 0x45, 0x45);

const QString kSuccess = QStringLiteral("更新成功！");
const QString kRestarting = QStringLiteral("更新成功！正在重启中...");
const QString kFailure = QStringLiteral("更新失败！");
const QString kDisconnected = QStringLiteral("设备断开！");
const QString kOneLensOnly = QStringLiteral("请只连接一个镜头后再更新！");

// The U-disk lens: a catalogue model, whose image names it in the short field.
const QString kUdiskModel = QStringLiteral("AF 56mm F1.8 Z");
const QString kUdiskCode = QStringLiteral("58G31");

constexpr int kImageSize = 56 * 300 + 7; // 301 packets
constexpr int kPackets = (kImageSize + 55) / 56;

LensSimulator *lens()
{
    return SimulatedHidapi::lens();
}

// Arms `fault` once when the progress bar first reaches `percent`.
class AtProgress : public QObject
{
public:
    AtProgress(QProgressBar *bar, int percent, std::function<void()> fault)
    {
        connect(bar, &QProgressBar::valueChanged, this, [this, percent, fault](int value) {
            if (!m_fired && value >= percent) {
                m_fired = true;
                fault();
            }
        });
    }
    bool fired() const { return m_fired; }

private:
    bool m_fired = false;
};

} // namespace

class tst_FaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unplugDuringTransfer_data();
    void unplugDuringTransfer();
    void corruptedFrame_data();
    void corruptedFrame();
    void lensStopsAcknowledging();
    void extraAcknowledgement_data();
    void extraAcknowledgement();
    void successButOldVersion();
    void downloadCut_data();
    void downloadCut();
    void volumeFaultDuringUpdate_data();
    void volumeFaultDuringUpdate();

private:
    std::unique_ptr<Widget> readyWindow();
    QProgressBar *bar(Widget &w) { return WindowHarness::part<QProgressBar>(&w, QStringLiteral("progressBar")); }
    // No success was announced unless the lens holds `image`.
    void checkNoFalseSuccess(const QByteArray &image);
    // After a fault: the lens plugged in again and working, the next update
    // goes through and the lens holds the image.
    void nextUpdateSucceeds(Widget &w, const QByteArray &image, bool replug);
    // A fault that leaves the transfer hanging must still end with a notice.
    void checkStallEnds(Widget &w);

    FirmwareServer server;
    std::unique_ptr<NoticeRecorder> notices;
    // Re-writing the version the lens already runs is asked first: yes.
    MessageBoxAnswerer answerer;
    QByteArray image;
};

void tst_FaultMatrix::initTestCase()
{
    QVERIFY(WindowFlow::startServer(server));
}

void tst_FaultMatrix::init()
{
    lens()->reset();
    lens()->setRestartTime(300);
    lens()->setModelName(kModel);
    lens()->setModelCode(kCode);
    lens()->setFirmwareVersion(kOld);
    lens()->setVersionAfterUpdate(kNew);
    server.clearModels();
    server.clearFaults();
    server.clearRequestLog();
    image = WindowFlow::serveModel(server, kCode, kNew, kModel, kImageSize);
    WindowHarness::clearAppLog();
    notices.reset(new NoticeRecorder);
    answerer.clear();
    answerer.answerWith(QMessageBox::Yes);
}

void tst_FaultMatrix::cleanup()
{
    answerer.disarm();
    notices.reset();
    QTest::qWait(100);
}

std::unique_ptr<Widget> tst_FaultMatrix::readyWindow()
{
    auto w = WindowFlow::openWindow();
    if (w && !WindowFlow::waitUntilReady(*w, kNew.toLower()))
        return nullptr;
    return w;
}

void tst_FaultMatrix::checkNoFalseSuccess(const QByteArray &served)
{
    if (notices->count(kSuccess) > 0)
        QVERIFY2(lens()->holdsImage(served), "success announced while the lens holds other bytes");
}

void tst_FaultMatrix::nextUpdateSucceeds(Widget &w, const QByteArray &served, bool replug)
{
    if (replug) {
        lens()->setAcknowledging(true);
        if (lens()->isPlugged()) {
            lens()->unplug();
            QVERIFY(notices->waitFor(kDisconnected));
        }
        WindowHarness::clearAppLog();
        lens()->plug();
    }
    QVERIFY(WindowFlow::waitUntilReady(w, kNew.toLower()));
    notices->clear();
    QVERIFY(WindowFlow::clickUpdate(w));
    QVERIFY(notices->waitFor(kSuccess, 30000));
    QVERIFY(lens()->holdsImage(served));
    QCOMPARE(WindowHarness::page(&w), QStringLiteral("finished"));
}

void tst_FaultMatrix::checkStallEnds(Widget &w)
{
    // Whatever the lens does not say, the user is told within a bound and
    // the updating page does not stay up for ever.
    QVERIFY(notices->waitFor(kFailure, 15000));
    QVERIFY(WindowHarness::page(&w) != QLatin1String("updating"));
    QCOMPARE(notices->count(kSuccess), 0);
}

void tst_FaultMatrix::unplugDuringTransfer_data()
{
    QTest::addColumn<int>("percent");
    for (int percent = 0; percent <= 100; percent += 10)
        QTest::addRow("%d %%", percent) << percent;
}

void tst_FaultMatrix::unplugDuringTransfer()
{
    QFETCH(int, percent);
    // Packet p is sent when the progress shows p / (packets - 1); 100 % is
    // the final packet.
    lens()->unplugAtPacket((kPackets - 1) * percent / 100);
    auto w = readyWindow();
    QVERIFY(w);
    QVERIFY(WindowFlow::clickUpdate(*w));

    QVERIFY(notices->waitFor(kDisconnected));
    QCOMPARE(notices->colourOf(kDisconnected), kRed);
    QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("link")));
    QCOMPARE(notices->count(kSuccess) + notices->count(kRestarting), 0);
    QVERIFY(!lens()->holdsImage(image));
    QCOMPARE(lens()->updatesFinished(), 0);

    nextUpdateSucceeds(*w, image, true);
}

void tst_FaultMatrix::corruptedFrame_data()
{
    QTest::addColumn<bool>("toHost");
    QTest::addColumn<int>("percent");
    QTest::newRow("lens to host, first answer") << true << -1;
    QTest::newRow("lens to host, mid-transfer") << true << 40;
    QTest::newRow("host to lens, first packet") << false << -1;
    QTest::newRow("host to lens, mid-transfer") << false << 40;
}

void tst_FaultMatrix::corruptedFrame()
{
    QFETCH(bool, toHost);
    QFETCH(int, percent);
    auto corrupt = [toHost] {
        if (toHost)
            lens()->corruptNextFrameToHost();
        else
            lens()->corruptNextFrameFromHost();
    };
    auto w = readyWindow();
    QVERIFY(w);
    std::unique_ptr<AtProgress> arm;
    if (percent < 0)
        corrupt();
    else
        arm.reset(new AtProgress(bar(*w), percent, corrupt));
    QVERIFY(WindowFlow::clickUpdate(*w));
    QTRY_VERIFY_WITH_TIMEOUT(lens()->crcErrorsDetected() + lens()->crcErrorNotices() > 0, 10000);

    checkStallEnds(*w);
    checkNoFalseSuccess(image);
    nextUpdateSucceeds(*w, image, true);
}

void tst_FaultMatrix::lensStopsAcknowledging()
{
    auto w = readyWindow();
    QVERIFY(w);
    AtProgress arm(bar(*w), 40, [] { lens()->setAcknowledging(false); });
    QVERIFY(WindowFlow::clickUpdate(*w));
    QTRY_VERIFY_WITH_TIMEOUT(arm.fired(), 10000);

    checkStallEnds(*w);
    checkNoFalseSuccess(image);
    nextUpdateSucceeds(*w, image, true);
}

void tst_FaultMatrix::extraAcknowledgement_data()
{
    QTest::addColumn<int>("percent");
    QTest::newRow("first packet") << 0;
    QTest::newRow("mid-transfer") << 50;
    QTest::newRow("last packet") << 99;
}

void tst_FaultMatrix::extraAcknowledgement()
{
    QFETCH(int, percent);
    auto w = readyWindow();
    QVERIFY(w);
    std::unique_ptr<AtProgress> arm;
    if (percent == 0)
        lens()->sendExtraAcknowledgement();
    else
        arm.reset(new AtProgress(bar(*w), percent, [] { lens()->sendExtraAcknowledgement(); }));
    QVERIFY(WindowFlow::clickUpdate(*w));

    // Every packet still arrives once at its place: the update takes.
    QVERIFY(notices->waitFor(kSuccess, 30000));
    QVERIFY(lens()->holdsImage(image));
    QCOMPARE(lens()->lastStatus(), 5);
    QCOMPARE(notices->count(kFailure), 0);
    QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("finished")));

    nextUpdateSucceeds(*w, image, false);
}

void tst_FaultMatrix::successButOldVersion()
{
    lens()->setVersionAfterUpdate(QString());
    auto w = readyWindow();
    QVERIFY(w);
    QVERIFY(WindowFlow::clickUpdate(*w));

    QVERIFY(notices->waitFor(kFailure, 30000));
    QCOMPARE(notices->colourOf(kFailure), kRed);
    QCOMPARE(notices->count(kSuccess), 0);
    QCOMPARE(lens()->restartCount(), 1);
    QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("ready")));

    lens()->setVersionAfterUpdate(kNew);
    nextUpdateSucceeds(*w, image, false);
}

void tst_FaultMatrix::downloadCut_data()
{
    QTest::addColumn<FirmwareServer::Fault>("fault");
    QTest::newRow("cut half-way") << FirmwareServer::Fault::Truncate;
    QTest::newRow("dropped") << FirmwareServer::Fault::Drop;
    QTest::newRow("error page") << FirmwareServer::Fault::ErrorPage;
}

void tst_FaultMatrix::downloadCut()
{
    QFETCH(FirmwareServer::Fault, fault);
    server.setFault(FirmwareServer::Route::Firmware, fault);
    auto w = WindowFlow::openWindow();
    QVERIFY(w);
    QTRY_VERIFY_WITH_TIMEOUT(!server.requests(FirmwareServer::Route::Firmware).isEmpty(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(WindowHarness::text(w.get(), QStringLiteral("label_newVer")),
                              QStringLiteral("最新版本 ： ") + kNew.toLower(), 20000);
    QTest::qWait(500);
    QVERIFY(WindowHarness::appLog().filter(QStringLiteral("firmware ready")).isEmpty());

    // The update button sends nothing of a broken image.
    QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_link")), Qt::LeftButton);
    QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("ready"));
    QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_update")), Qt::LeftButton);
    QTest::qWait(500);
    QCOMPARE(lens()->updatesStarted(), 0);
    QCOMPARE(notices->count(kSuccess), 0);
    QVERIFY(!notices->notices().isEmpty());

    // Once the server behaves, the lens plugged in again gets the firmware.
    server.clearFaults();
    nextUpdateSucceeds(*w, image, true);
}

void tst_FaultMatrix::volumeFaultDuringUpdate_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("volume removed while the lens has not taken the image") << "remove";
    QTest::newRow("volume read-only when the write starts") << "readonly";
    QTest::newRow("Fw.dat a file of another volume mounted over the name") << "offvolume";
    QTest::newRow("a second lens plugged in before the update") << "secondlens";
}

void tst_FaultMatrix::volumeFaultDuringUpdate()
{
    QFETCH(QString, fault);
    const bool remove = fault == QLatin1String("remove");
    QString reason;
    if (!UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));
    lens()->unplug();
    const QByteArray udiskImage =
        WindowHarness::firmwareImage(kUdiskModel, 64 * 1024 + 9, 77, true);
    server.addModel(kUdiskCode, kNew, QStringLiteral("<p>U-disk</p>"), kUdiskCode, kUdiskModel,
                    WindowHarness::lensPicture(), udiskImage);

    auto volume = std::make_unique<UdiskLensVolume>();
    QVERIFY2(volume->mount(1 << 20), qPrintable(volume->errorString()));
    QVERIFY(volume->writeDeviceInformation(kUdiskModel, kOld));
    // This lens never takes the image by itself.
    volume->setTakeDelay(-1);
    volume->startLens();

    auto w = WindowFlow::openWindow();
    QVERIFY(w);
    QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
    QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_link")), Qt::LeftButton);
    QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("ready"));

    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    const QString victim = outside.filePath(QStringLiteral("victim"));
    const QByteArray victimBytes("outside the lens\n");
    {
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(victimBytes);
    }
    UdiskLensVolume second;

    QByteArray onVolume;
    if (fault == QLatin1String("offvolume")) {
        QVERIFY2(volume->bindOver(QStringLiteral("Fw.dat"), victim), qPrintable(volume->errorString()));
        QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_update")), Qt::LeftButton);
    } else if (fault == QLatin1String("secondlens")) {
        QVERIFY2(second.mount(1 << 20), qPrintable(second.errorString()));
        QVERIFY(second.writeDeviceInformation(QStringLiteral("AF 16mm F1.2 XF Pro"), kOld));
        second.startLens();
        QTest::qWait(2 * 500 + 200);
        QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_update")), Qt::LeftButton);
    } else if (remove) {
        QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_update")), Qt::LeftButton);
        const QString fw = volume->rootPath() + QStringLiteral("/Fw.dat");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(fw), 10000);
        QFile file(fw);
        QVERIFY(file.open(QIODevice::ReadOnly));
        onVolume = file.readAll();
        file.close();
        QVERIFY(volume->unmount());
    } else {
        QVERIFY(volume->setReadOnly(true));
        QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_update")), Qt::LeftButton);
    }

    // A notice either way, and the window is not left on the updating page.
    QTRY_VERIFY_WITH_TIMEOUT(notices->count(kSuccess) + notices->count(kFailure) + notices->count(kDisconnected)
                                     + notices->count(kOneLensOnly)
                                 > 0,
                             30000);
    QTRY_VERIFY_WITH_TIMEOUT(WindowHarness::page(w.get()) != QLatin1String("updating"), 30000);
    if (notices->count(kSuccess) > 0)
        QCOMPARE(onVolume, udiskImage);
    if (fault == QLatin1String("readonly")) {
        QVERIFY(notices->waitFor(kFailure));
        QCOMPARE(notices->count(kSuccess), 0);
        QVERIFY(!volume->entries().contains(QStringLiteral("Fw.dat")));
    } else if (fault == QLatin1String("offvolume")) {
        QVERIFY(notices->waitFor(kFailure));
        QCOMPARE(notices->count(kSuccess), 0);
        QCOMPARE(volume->firmwareCount(), 0);
        QFile file(victim);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), victimBytes);
    } else if (fault == QLatin1String("secondlens")) {
        QVERIFY(notices->waitFor(kOneLensOnly));
        QCOMPARE(notices->colourOf(kOneLensOnly), kRed);
        QCOMPARE(notices->count(kSuccess) + notices->count(kFailure), 0);
        QVERIFY(!volume->entries().contains(QStringLiteral("Fw.dat")));
        QVERIFY(!second.entries().contains(QStringLiteral("Fw.dat")));
        QVERIFY(second.unmount());
    }

    // A lens volume that works: the next update goes through.
    if (volume->isMounted())
        QVERIFY(volume->unmount());
    // Two detection passes without a lens volume, so that the next one is
    // a new lens to the window.
    QTest::qWait(2 * 500 + 200);
    WindowHarness::clearAppLog();
    volume.reset(new UdiskLensVolume);
    QVERIFY2(volume->mount(1 << 20), qPrintable(volume->errorString()));
    QVERIFY(volume->writeDeviceInformation(kUdiskModel, kOld));
    volume->setTakeDelay(200);
    volume->setComeBack(kNew, 300);
    volume->startLens();
    QVERIFY(WindowHarness::waitForAppLog(QStringLiteral("U-disk lens: ") + kUdiskModel));
    QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
    notices->clear();
    QVERIFY(WindowFlow::clickUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess, 30000));
    QCOMPARE(volume->receivedFirmware(), udiskImage);
}

QTEST_MAIN(tst_FaultMatrix)
#include "tst_faultmatrix.moc"
