// Faults during an update, end to end over the real window: the lens leaving
// at every tenth of a transfer, frames corrupted in either direction, a lens
// that stops acknowledging or acknowledges twice, a lens that says success
// and comes back unchanged, the server cutting the firmware download, and a
// U-disk lens volume that goes away, turns read-only, has its Fw.dat lead
// off the volume or gets a second lens beside it during an update; lenses
// swapped, attached together or talking out of turn, a lens that falls
// silent or does not come back from its restart, and closing the window in
// every phase.
//
// Every case must end with a notice the user can read, leave the window
// usable (the next update goes through) and never announce "更新成功！"
// while the lens holds other bytes than the served image.

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include "app/widget.h"
#include "catalogue/lenscatalogue.h"
#include "net/devicefirmwareprocess.h"
#include "protocol/updateprocess.h"
#include "tests/support/windowflow/windowflow.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#include "tools/udisklens/udisklensvolume.h"
#include "tools/windowharness/noticerecorder.h"
#include "tools/windowharness/windowharness.h"

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
const QString kNotYet = QStringLiteral("固件尚未下载完成，请稍后再试！");
const QString kSecondLens = QStringLiteral("已连接另一个镜头：请一次只连接一个镜头！");
const QString kNotBack = QStringLiteral("镜头没有重新连接：请拔下镜头后重新插入，再重新开始更新。");

// Short limits, so that a silent lens ends a row in seconds.
Widget::Limits testLimits()
{
    Widget::Limits limits;
    limits.transferSilenceMs = 2000;
    limits.flashSilenceMs = 3000;
    limits.restartWaitMs = 3000;
    return limits;
}

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
    void lensFallsSilent_data();
    void lensFallsSilent();
    void extraAcknowledgement_data();
    void extraAcknowledgement();
    void versionAfterRestart_data();
    void versionAfterRestart();
    void restartWait_data();
    void restartWait();
    void lensSwappedMidDownload_data();
    void lensSwappedMidDownload();
    void twoLensesAttached_data();
    void twoLensesAttached();
    void framesOutOfTurn_data();
    void framesOutOfTurn();
    void udiskLensAfterHidUpdate();
    void closeDuringPhase_data();
    void closeDuringPhase();
    void downloadCut_data();
    void downloadCut();
    void volumeFaultDuringUpdate_data();
    void volumeFaultDuringUpdate();

private:
    std::unique_ptr<Widget> readyWindow(Widget::Workers workers = Widget::Workers());
    // A mounted U-disk lens volume whose lens takes Fw.dat after 200 ms and
    // comes back with `comeBack` (empty: never), served by the server.
    std::unique_ptr<UdiskLensVolume> udiskLens(const QString &model, const QString &code,
        const QString &version, QByteArray *served, const QString &comeBack = QString());
    QProgressBar *bar(Widget &w)
    {
        return WindowHarness::part<QProgressBar>(&w, QStringLiteral("progressBar"));
    }
    // No success was announced unless the lens holds `image`.
    void checkNoFalseSuccess(const QByteArray &image);
    // After a fault: the lens plugged in again and working, the next update
    // goes through and the lens holds the image.
    void nextUpdateSucceeds(Widget &w, const QByteArray &image, bool replug);
    // A fault that leaves the transfer hanging must still end with a notice.
    void checkStallEnds(Widget &w);

    FirmwareServer server;
    // Re-writing the version the lens already runs is asked first: the
    // test windows answer yes.
    std::unique_ptr<NoticeRecorder> notices;
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
    notices.reset(new NoticeRecorder);
}

void tst_FaultMatrix::cleanup()
{
    notices.reset();
    QTest::qWait(100);
}

std::unique_ptr<Widget> tst_FaultMatrix::readyWindow(Widget::Workers workers)
{
    workers.limits = testLimits();
    auto w = WindowFlow::openWindow(workers, notices.get());
    if (w && !WindowFlow::waitUntilReady(*w, kNew.toLower()))
        return nullptr;
    return w;
}

std::unique_ptr<UdiskLensVolume> tst_FaultMatrix::udiskLens(const QString &model, const QString &code,
    const QString &version, QByteArray *served, const QString &comeBack)
{
    *served = WindowHarness::firmwareImage(model, 64 * 1024 + 9, quint32(qHash(model)), true);
    server.addModel(
        code, kNew, QStringLiteral("<p>U-disk</p>"), code, model, WindowHarness::lensPicture(), *served);
    auto volume = std::make_unique<UdiskLensVolume>();
    if (!volume->mount(1 << 20) || !volume->writeDeviceInformation(model, version))
        return nullptr;
    volume->setTakeDelay(200);
    if (!comeBack.isEmpty())
        volume->setComeBack(comeBack, 300);
    volume->startLens();
    return volume;
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

void tst_FaultMatrix::lensFallsSilent_data()
{
    // -1: the lens takes the whole image and then never reports a status.
    QTest::addColumn<int>("percent");
    QTest::newRow("at 0 %") << 0;
    QTest::newRow("at 50 %") << 50;
    QTest::newRow("while it writes its flash") << -1;
}

void tst_FaultMatrix::lensFallsSilent()
{
    QFETCH(int, percent);
    auto w = readyWindow();
    QVERIFY(w);
    std::unique_ptr<AtProgress> arm;
    if (percent == 0)
        lens()->setAcknowledging(false);
    else if (percent > 0)
        arm.reset(new AtProgress(bar(*w), percent, [] { lens()->setAcknowledging(false); }));
    else
        lens()->setReportingStatus(false);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(WindowFlow::clickUpdate(*w));
    if (percent < 0) {
        // Writing its flash, the lens gets the longer limit, and the user is
        // asked to leave it plugged in.
        QTRY_VERIFY_WITH_TIMEOUT(WindowHarness::isShown(w.get(), QStringLiteral("label_keepPlugged")), 10000);
        QTest::qWait(testLimits().transferSilenceMs + 500);
        QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("updating"));
        QCOMPARE(notices->count(kFailure), 0);
    }

    checkStallEnds(*w);
    qInfo("silence ended after %lld ms", clock.elapsed());
    QVERIFY(!WindowHarness::isShown(w.get(), QStringLiteral("label_keepPlugged")));
    QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("ready"));

    // A late acknowledgement resumes nothing.
    const int packets = lens()->commandCount(UpdateProcess::CMD_UPDATE_DATA);
    lens()->sendToHost(UpdateProcess::CMD_DATA_ACK);
    lens()->sendToHost(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, '\5'));
    QTest::qWait(300);
    QCOMPARE(lens()->commandCount(UpdateProcess::CMD_UPDATE_DATA), packets);
    QCOMPARE(notices->count(kSuccess) + notices->count(kRestarting), 0);
    QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("ready"));

    lens()->setReportingStatus(true);
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

void tst_FaultMatrix::versionAfterRestart_data()
{
    QTest::addColumn<QString>("served"); // the version the server offers
    QTest::addColumn<QString>("reported"); // what the lens reports after its restart
    QTest::addColumn<bool>("success");
    QTest::newRow("old version") << kNew << QString() << false;
    QTest::newRow("suffixed version reported exactly") << "V1.2.0-hotfix"
                                                       << "V1.2.0-hotfix" << true;
    QTest::newRow("another suffixed version") << "V1.2.0-hotfix"
                                              << "V1.2.0-hotfix2" << false;
}

void tst_FaultMatrix::versionAfterRestart()
{
    QFETCH(QString, served);
    QFETCH(QString, reported);
    QFETCH(bool, success);
    image = WindowFlow::serveModel(server, kCode, served, kModel, kImageSize);
    lens()->setVersionAfterUpdate(reported);
    Widget::Workers workers;
    workers.limits = testLimits();
    auto w = WindowFlow::openWindow(workers, notices.get());
    QVERIFY(w);
    QVERIFY(WindowFlow::waitUntilReady(*w, served.toLower()));
    QVERIFY(WindowFlow::clickUpdate(*w));

    const QString outcome = success ? kSuccess : kFailure;
    QVERIFY(notices->waitFor(outcome, 30000));
    QCOMPARE(notices->count(success ? kFailure : kSuccess), 0);
    QCOMPARE(lens()->restartCount(), 1);
    QVERIFY(lens()->holdsImage(image));
    QVERIFY(WindowFlow::waitForPage(*w, success ? QStringLiteral("finished") : QStringLiteral("ready")));
}

void tst_FaultMatrix::restartWait_data()
{
    QTest::addColumn<QString>("lensDoes");
    QTest::newRow("gone for good") << "gone";
    QTest::newRow("back in U-disk mode") << "udisk";
    QTest::newRow("never leaves, then unplugged") << "stays";
}

void tst_FaultMatrix::restartWait()
{
    QFETCH(QString, lensDoes);
    std::unique_ptr<UdiskLensVolume> volume;
    QByteArray udiskImage;
    if (lensDoes == QLatin1String("udisk")) {
        QString reason;
        if (!UdiskLensVolume::canMount(&reason))
            QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));
        // The same lens as a catalogue model, so that it can come back as a
        // volume.
        lens()->setModelName(kUdiskModel);
        lens()->setModelCode(kUdiskCode);
        image = WindowFlow::serveModel(server, kUdiskCode, kNew, kUdiskModel, kImageSize);
    }
    if (lensDoes == QLatin1String("stays"))
        lens()->setNoRestartModelCode(lens()->modelCode());
    else
        lens()->setRestartTime(10 * 60 * 1000);

    auto w = readyWindow();
    QVERIFY(w);
    QElapsedTimer clock;
    QVERIFY(WindowFlow::clickUpdate(*w));
    if (lensDoes == QLatin1String("udisk")) {
        QTRY_VERIFY_WITH_TIMEOUT(lens()->isRestarting(), 20000);
        volume = std::make_unique<UdiskLensVolume>();
        QVERIFY2(volume->mount(1 << 20), qPrintable(volume->errorString()));
        QVERIFY(volume->writeDeviceInformation(kUdiskModel, kNew));
        QVERIFY(notices->waitFor(kSuccess, 20000));
        QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("finished")));
        QCOMPARE(w->shownLens().link, LensRecord::Link::Udisk);
        QCOMPARE(notices->count(kNotBack) + notices->count(kFailure), 0);
        // Its volume leaving later is reported as any lens leaving.
        QVERIFY(volume->unmount());
        QVERIFY(notices->waitFor(kDisconnected));
        return;
    }
    if (lensDoes == QLatin1String("stays")) {
        // The lens answers at once with the new version.
        QVERIFY(notices->waitFor(kSuccess, 20000));
        QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("finished")));
        notices->clear();
        lens()->unplug();
        QVERIFY(notices->waitFor(kDisconnected));
        QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("link")));
        QCOMPARE(w->shownLens().link, LensRecord::Link::None);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(lens()->isRestarting(), 20000);
    clock.start();
    QVERIFY(notices->waitFor(kNotBack, 20000));
    qInfo("restart wait ended after %lld ms", clock.elapsed());
    QCOMPARE(notices->colourOf(kNotBack), kRed);
    QCOMPARE(notices->count(kSuccess), 0);
    QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("link")));
    QCOMPARE(w->shownLens().link, LensRecord::Link::None);
    // The lens plugged in again is a lens like any other.
    lens()->reset();
    lens()->setModelName(kModel);
    lens()->setModelCode(kCode);
    lens()->setFirmwareVersion(kOld);
    lens()->setVersionAfterUpdate(kNew);
    lens()->setRestartTime(300);
    lens()->plug();
    nextUpdateSucceeds(*w, image, false);
}

void tst_FaultMatrix::lensSwappedMidDownload_data()
{
    QTest::addColumn<bool>("udisk");
    QTest::newRow("HID to HID of another model") << false;
    QTest::newRow("U-disk to U-disk of another model") << true;
}

void tst_FaultMatrix::lensSwappedMidDownload()
{
    QFETCH(bool, udisk);
    QString reason;
    if (udisk && !UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));

    const QString otherModel = udisk ? QStringLiteral("AF 16mm F2.8 Z") : QStringLiteral("AF 16mm F2.8 SIM");
    const QString otherCode = udisk ? LensCatalogue::modelCode(otherModel) : QStringLiteral("SIM16");
    QByteArray firstImage = image;
    QByteArray otherImage;
    std::unique_ptr<UdiskLensVolume> volume;
    if (udisk) {
        lens()->unplug();
        volume = udiskLens(kUdiskModel, kUdiskCode, kOld, &firstImage);
        QVERIFY(volume);
    }
    // The first lens's image comes slowly.
    server.setFault(FirmwareServer::Route::Firmware, FirmwareServer::Fault::Delay, 1500, 1);
    Widget::Workers workers;
    workers.limits = testLimits();
    auto w = WindowFlow::openWindow(workers, notices.get());
    QVERIFY(w);
    QTRY_VERIFY_WITH_TIMEOUT(!server.requests(FirmwareServer::Route::Firmware).isEmpty(), 20000);
    QVERIFY(!w->firmwareReady());

    // Swapped for another model while its image is on the way.
    if (udisk) {
        QVERIFY(volume->unmount());
        QVERIFY(notices->waitFor(kDisconnected));
        volume = udiskLens(otherModel, otherCode, kOld, &otherImage);
        QVERIFY(volume);
    } else {
        otherImage = WindowFlow::serveModel(server, otherCode, kNew, otherModel, kImageSize + 560);
        lens()->unplug();
        QVERIFY(notices->waitFor(kDisconnected));
        lens()->setModelName(otherModel);
        lens()->setModelCode(otherCode);
        lens()->plug();
    }
    QTRY_COMPARE_WITH_TIMEOUT(w->shownLens().modelName, otherModel, 20000);
    // Until the first image is certainly in, and long after.
    QTest::qWait(1800);
    QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
    notices->clear();
    QVERIFY(WindowFlow::clickUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess, 30000));
    if (udisk) {
        QCOMPARE(volume->receivedFirmware(), otherImage);
    } else {
        QVERIFY(lens()->holdsImage(otherImage));
        QCOMPARE(lens()->updatesStarted(), 1);
    }
}

void tst_FaultMatrix::twoLensesAttached_data()
{
    QTest::addColumn<bool>("hidFirst");
    QTest::newRow("HID lens first") << true;
    QTest::newRow("U-disk lens first") << false;
}

void tst_FaultMatrix::twoLensesAttached()
{
    QFETCH(bool, hidFirst);
    QString reason;
    if (!UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));

    QByteArray udiskImage;
    std::unique_ptr<UdiskLensVolume> volume;
    std::unique_ptr<Widget> w;
    if (hidFirst) {
        w = readyWindow();
        QVERIFY(w);
        volume = udiskLens(kUdiskModel, kUdiskCode, kOld, &udiskImage);
        QVERIFY(volume);
    } else {
        lens()->unplug();
        volume = udiskLens(kUdiskModel, kUdiskCode, kOld, &udiskImage);
        QVERIFY(volume);
        Widget::Workers workers;
        workers.limits = testLimits();
        w = WindowFlow::openWindow(workers, notices.get());
        QVERIFY(w);
        QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
        lens()->plug();
    }
    // The second lens is named, and the first keeps the window.
    QVERIFY(notices->waitFor(kSecondLens));
    QTest::qWait(700);
    QCOMPARE(w->shownLens().link, hidFirst ? LensRecord::Link::Hid : LensRecord::Link::Udisk);
    QCOMPARE(w->shownLens().modelName, hidFirst ? kModel : kUdiskModel);
    QVERIFY(w->firmwareReady());

    QVERIFY(WindowFlow::clickUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess, 30000));
    if (hidFirst) {
        QVERIFY(lens()->holdsImage(image));
        QVERIFY(volume->receivedFirmware().isEmpty());
        QVERIFY(!volume->entries().contains(QStringLiteral("Fw.dat")));
    } else {
        QCOMPARE(volume->receivedFirmware(), udiskImage);
        QCOMPARE(lens()->updatesStarted(), 0);
        QCOMPARE(lens()->commandCount(UpdateProcess::CMD_UPDATE_DATA), 0);
    }
}

void tst_FaultMatrix::framesOutOfTurn_data()
{
    QTest::addColumn<bool>("afterUpdate");
    QTest::newRow("after a finished update") << true;
    QTest::newRow("from a newly plugged lens") << false;
}

void tst_FaultMatrix::framesOutOfTurn()
{
    QFETCH(bool, afterUpdate);
    auto w = readyWindow();
    QVERIFY(w);
    if (afterUpdate) {
        QVERIFY(WindowFlow::clickUpdate(*w));
        QVERIFY(notices->waitFor(kSuccess, 30000));
        QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
    }
    const int packets = lens()->commandCount(UpdateProcess::CMD_UPDATE_DATA);
    notices->clear();
    // Ready, acknowledgements and a success nobody asked for.
    lens()->sendToHost(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, '\0'));
    lens()->sendToHost(UpdateProcess::CMD_DATA_ACK);
    lens()->sendToHost(UpdateProcess::CMD_DATA_ACK);
    lens()->sendToHost(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, '\5'));
    QTRY_COMPARE_WITH_TIMEOUT(lens()->pendingFramesToHost(), 0, 5000);
    QTest::qWait(300);
    QCOMPARE(lens()->commandCount(UpdateProcess::CMD_UPDATE_DATA), packets);
    QCOMPARE(notices->count(kSuccess) + notices->count(kRestarting) + notices->count(kFailure), 0);
    QVERIFY(WindowHarness::page(w.get()) != QLatin1String("updating"));
}

void tst_FaultMatrix::udiskLensAfterHidUpdate()
{
    QString reason;
    if (!UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));
    auto w = readyWindow();
    QVERIFY(w);
    QVERIFY(WindowFlow::clickUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess, 30000));
    lens()->unplug();
    QVERIFY(notices->waitFor(kDisconnected));
    notices->clear();

    QByteArray udiskImage;
    auto volume = udiskLens(kUdiskModel, kUdiskCode, kOld, &udiskImage);
    QVERIFY(volume);
    QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
    QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_link")), Qt::LeftButton);
    QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("ready"));
    QVERIFY(volume->unmount());
    QVERIFY(notices->waitFor(kDisconnected));
    QVERIFY(WindowFlow::waitForPage(*w, QStringLiteral("link")));
    QVERIFY(!WindowHarness::part(w.get(), QStringLiteral("button_update"))->isEnabled());
}

void tst_FaultMatrix::closeDuringPhase_data()
{
    QTest::addColumn<QString>("phase");
    QTest::newRow("packets going out") << "transfer";
    QTest::newRow("lens writing its flash") << "flash";
    QTest::newRow("waiting for the restart") << "restart";
    QTest::newRow("U-disk write") << "udisk";
}

void tst_FaultMatrix::closeDuringPhase()
{
    QFETCH(QString, phase);
    std::unique_ptr<UdiskLensVolume> volume;
    QByteArray udiskImage;
    if (phase == QLatin1String("udisk")) {
        QString reason;
        if (!UdiskLensVolume::canMount(&reason))
            QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));
        lens()->unplug();
        volume = udiskLens(kUdiskModel, kUdiskCode, kOld, &udiskImage);
        QVERIFY(volume);
        volume->setTakeDelay(-1);
    }
    if (phase == QLatin1String("transfer"))
        lens()->setAcknowledging(false);
    if (phase == QLatin1String("flash"))
        lens()->setReportingStatus(false);
    if (phase == QLatin1String("restart"))
        lens()->setRestartTime(10 * 60 * 1000);

    Widget::Workers workers;
    workers.limits = testLimits();
    // Long enough that no limit ends the phase before the close.
    workers.limits.transferSilenceMs = workers.limits.flashSilenceMs = workers.limits.restartWaitMs = 60000;
    auto w = WindowFlow::openWindow(workers, notices.get());
    QVERIFY(w);
    QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
    QVERIFY(WindowFlow::clickUpdate(*w));
    if (phase == QLatin1String("flash"))
        QTRY_VERIFY_WITH_TIMEOUT(WindowHarness::isShown(w.get(), QStringLiteral("label_keepPlugged")), 10000);
    else if (phase == QLatin1String("restart"))
        QTRY_VERIFY_WITH_TIMEOUT(lens()->isRestarting(), 10000);
    else if (phase == QLatin1String("udisk"))
        QTRY_VERIFY_WITH_TIMEOUT(volume->entries().contains(QStringLiteral("Fw.dat")), 10000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(lens()->commandCount(UpdateProcess::CMD_UPDATE_DATA) > 0, 10000);
    QTest::qWait(100);

    QElapsedTimer clock;
    clock.start();
    w->close();
    w.reset();
    qInfo("closed in %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() < 2000);
}

void tst_FaultMatrix::downloadCut_data()
{
    QTest::addColumn<FirmwareServer::Route>("route");
    QTest::addColumn<FirmwareServer::Fault>("fault");
    QTest::addColumn<int>("limit"); // bytes the client accepts; 0: as built
    const auto firmware = FirmwareServer::Route::Firmware;
    QTest::newRow("cut half-way") << firmware << FirmwareServer::Fault::Truncate << 0;
    QTest::newRow("dropped") << firmware << FirmwareServer::Fault::Drop << 0;
    QTest::newRow("error page") << firmware << FirmwareServer::Fault::ErrorPage << 0;
    QTest::newRow("plain http addresses")
        << FirmwareServer::Route::Query << FirmwareServer::Fault::PlainHttpLinks << 0;
    QTest::newRow("announced beyond the limit") << firmware << FirmwareServer::Fault::None << kImageSize - 1;
    QTest::newRow("endless body") << firmware << FirmwareServer::Fault::Endless << kImageSize;
}

void tst_FaultMatrix::downloadCut()
{
    QFETCH(FirmwareServer::Route, route);
    QFETCH(FirmwareServer::Fault, fault);
    QFETCH(int, limit);
    server.setFault(route, fault);
    Widget::Workers workers;
    workers.limits = testLimits();
    if (limit > 0) {
        DeviceFirmwareProcess::Endpoints endpoints = WindowFlow::endpoints();
        endpoints.maxFirmwareBytes = limit;
        workers.firmware = new DeviceFirmwareProcess(endpoints);
    }
    auto w = WindowFlow::openWindow(workers, notices.get());
    QVERIFY(w);
    QTRY_COMPARE_WITH_TIMEOUT(WindowHarness::text(w.get(), QStringLiteral("label_newVer")),
        QStringLiteral("最新版本 ： ") + kNew.toLower(), 20000);
    // The client gives up on the image and says so.
    QVERIFY(notices->waitFor(QStringLiteral("数据不存在!"), 20000));
    QVERIFY(!w->firmwareReady());

    // The update button sends nothing of a broken image, and says why. A
    // slow machine may have lost the probe meanwhile: the button works again
    // once the network is back.
    QTRY_VERIFY_WITH_TIMEOUT(WindowHarness::part(w.get(), QStringLiteral("button_update"))->isEnabled(), 30000);
    QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_link")), Qt::LeftButton);
    QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("ready"));
    QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_update")), Qt::LeftButton);
    QVERIFY(notices->waitFor(kNotYet));
    QCOMPARE(WindowHarness::page(w.get()), QStringLiteral("ready"));
    QCOMPARE(lens()->updatesStarted(), 0);
    QCOMPARE(notices->count(kSuccess), 0);
    if (limit > 0)
        return;

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
    QTest::newRow("volume removed just before the write") << "beforewrite";
}

void tst_FaultMatrix::volumeFaultDuringUpdate()
{
    QFETCH(QString, fault);
    const bool remove = fault == QLatin1String("remove");
    QString reason;
    if (!UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));
    lens()->unplug();
    const QByteArray udiskImage = WindowHarness::firmwareImage(kUdiskModel, 64 * 1024 + 9, 77, true);
    server.addModel(kUdiskCode, kNew, QStringLiteral("<p>U-disk</p>"), kUdiskCode, kUdiskModel,
        WindowHarness::lensPicture(), udiskImage);

    auto volume = std::make_unique<UdiskLensVolume>();
    QVERIFY2(volume->mount(1 << 20), qPrintable(volume->errorString()));
    QVERIFY(volume->writeDeviceInformation(kUdiskModel, kOld));
    // This lens never takes the image by itself.
    volume->setTakeDelay(-1);
    volume->startLens();

    auto w = WindowFlow::openWindow({}, notices.get());
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
    if (fault == QLatin1String("beforewrite")) {
        // Gone before the window has seen it go: nothing to write onto.
        QVERIFY(volume->unmount());
        QTest::mouseClick(WindowHarness::part(w.get(), QStringLiteral("button_update")), Qt::LeftButton);
        QVERIFY(notices->waitFor(kFailure));
        QTRY_VERIFY_WITH_TIMEOUT(WindowHarness::page(w.get()) == QLatin1String("link"), 10000);
        QCOMPARE(notices->count(kSuccess), 0);
    } else if (fault == QLatin1String("offvolume")) {
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
        // The name appears before the bytes do.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(fw).size() == udiskImage.size(), 10000);
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
    QTRY_VERIFY_WITH_TIMEOUT(notices->count(kSuccess) + notices->count(kFailure)
                + notices->count(kDisconnected) + notices->count(kOneLensOnly)
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
    volume.reset(new UdiskLensVolume);
    QVERIFY2(volume->mount(1 << 20), qPrintable(volume->errorString()));
    QVERIFY(volume->writeDeviceInformation(kUdiskModel, kOld));
    volume->setTakeDelay(200);
    volume->setComeBack(kNew, 300);
    volume->startLens();
    QTRY_COMPARE_WITH_TIMEOUT(w->shownLens().modelName, kUdiskModel, 15000);
    QVERIFY(WindowFlow::waitUntilReady(*w, kNew.toLower()));
    notices->clear();
    QVERIFY(WindowFlow::clickUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess, 30000));
    QCOMPARE(volume->receivedFirmware(), udiskImage);
}

QTEST_MAIN(tst_FaultMatrix)
#include "tst_faultmatrix.moc"
