// The main window when the network or the firmware server lets it down:
// the real Widget, the simulated HID lens, the local HTTPS server (whose
// home page is the connectivity probe) and, for a lens in U-disk mode, a
// real mounted volume.

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

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

namespace {

const QString kModel = QStringLiteral("AF 85mm F1.8 SIM");
const QString kCode = QStringLiteral("SIM85");
const QColor kRed(0xEC, 0x45, 0x45);
const QColor kGreen(0x22, 0xF5, 0x17);
const QString kLost = QStringLiteral("未检测网络连接，请检查网络连接状态！");
const QString kBack = QStringLiteral("网络连接已恢复！");

LensSimulator *lens()
{
    return SimulatedHidapi::lens();
}

} // namespace

class tst_NetworkFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lostAndBack();
    void lostAndBackWithoutLens();
    void lostAndBackWithUdiskLens();
    void modelUnknownToServer();
    void firmwareDownloadCut();

private:
    QByteArray serveLens(const QString &version);
    std::unique_ptr<TestWindow> openWindow(const Widget::Workers &workers = Widget::Workers());
    bool waitUntilReady(Widget &w, const QString &latestVersion);
    void loseNetwork() { server.setFault(FirmwareServer::Route::Page, FirmwareServer::Fault::Drop); }
    void restoreNetwork() { server.setFault(FirmwareServer::Route::Page, FirmwareServer::Fault::None); }
    QWidget *part(Widget &w, const char *name) { return WindowHarness::part(&w, QLatin1String(name)); }
    QString text(Widget &w, const char *name) { return WindowHarness::text(&w, QLatin1String(name)); }
    QString page(Widget &w) { return WindowHarness::page(&w); }
    bool hasPicture(Widget &w)
    {
        return !WindowHarness::part<QLabel>(&w, QStringLiteral("label_model_img"))
                    ->pixmap(Qt::ReturnByValue)
                    .isNull();
    }

    FirmwareServer server;
    std::unique_ptr<NoticeRecorder> notices;
};

void tst_NetworkFlow::initTestCase()
{
    QVERIFY(WindowFlow::startServer(server, 200));
}

void tst_NetworkFlow::init()
{
    lens()->reset();
    lens()->setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    server.clearModels();
    server.clearFaults();
    server.clearRequestLog();
    DeviceFirmwareProcess::resetReachability();
    notices.reset(new NoticeRecorder);
}

void tst_NetworkFlow::cleanup()
{
    notices.reset();
    // Requests the closed window had in flight land before the next test.
    QTest::qWait(200);
}

QByteArray tst_NetworkFlow::serveLens(const QString &version)
{
    const QByteArray image = WindowHarness::firmwareImage(kModel, 56 * 300 + 11, 77);
    server.addModel(kCode, version, QStringLiteral("<p>Faster focus.</p>"), QStringLiteral("AF85"), kModel,
        WindowHarness::lensPicture(), image);
    return image;
}

std::unique_ptr<TestWindow> tst_NetworkFlow::openWindow(const Widget::Workers &workers)
{
    return WindowFlow::openWindow(workers, notices.get());
}

bool tst_NetworkFlow::waitUntilReady(Widget &w, const QString &latestVersion)
{
    const QString expected = QStringLiteral("最新版本 ： ") + latestVersion;
    if (!QTest::qWaitFor([&] { return text(w, "label_newVer") == expected && hasPicture(w); }, 15000))
        return false;
    return QTest::qWaitFor([&] { return w.firmwareReady(); }, 15000);
}

void tst_NetworkFlow::lostAndBack()
{
    const QByteArray image = serveLens(QStringLiteral("V1.2.0"));
    // The window's client, to tell when the firmware asked for again is in.
    Widget::Workers workers;
    auto *client = new DeviceFirmwareProcess(WindowFlow::endpoints());
    workers.firmware = client;
    auto w = openWindow(workers);
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));

    loseNetwork();
    QVERIFY(notices->waitFor(kLost));
    QCOMPARE(notices->colourOf(kLost), kRed);
    QVERIFY(!part(*w, "button_update")->isEnabled());
    QVERIFY(part(*w, "label_newVer")->isHidden());
    QVERIFY(part(*w, "textEdit_contect")->isHidden());
    QCOMPARE(text(*w, "label_model_img"), QStringLiteral("当前无网络连接！"));
    QVERIFY(!hasPicture(*w));
    // Told once, not on every probe.
    QTest::qWait(1000);
    QCOMPARE(notices->count(kLost), 1);

    // Without network the update does nothing at all, not even ask.
    QMetaObject::invokeMethod(w.get(), "on_button_update_clicked");
    QTest::qWait(200);
    QCOMPARE(w->questionCount(), 0);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QCOMPARE(lens()->updatesStarted(), 0);

    // Back: told, and the lens last seen is asked for again.
    const int queries = server.requests(FirmwareServer::Route::Query).size();
    QSignalSpy downloaded(client, &DeviceFirmwareProcess::deviceFirmwareFinished);
    restoreNetwork();
    QVERIFY(notices->waitFor(kBack));
    QCOMPARE(notices->colourOf(kBack), kGreen);
    QVERIFY(part(*w, "button_update")->isEnabled());
    QTRY_VERIFY(server.requests(FirmwareServer::Route::Query).size() > queries);
    const FirmwareServer::Request query = server.requests(FirmwareServer::Route::Query).last();
    QCOMPARE(query.modelCode, kCode);
    QCOMPARE(query.query.queryItemValue(QStringLiteral("sn")), QStringLiteral("SN2024000001"));
    QCOMPARE(query.query.queryItemValue(QStringLiteral("ver")), QStringLiteral("V1.0.0"));
    QTRY_VERIFY_WITH_TIMEOUT(downloaded.count() > 0, 15000);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QVERIFY(!part(*w, "label_newVer")->isHidden());
    QVERIFY(!part(*w, "textEdit_contect")->isHidden());
    QCOMPARE(notices->count(kBack), 1);

    // And the update runs.
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page(*w), QStringLiteral("finished"), 20000);
    QVERIFY(lens()->holdsImage(image));
}

void tst_NetworkFlow::lostAndBackWithoutLens()
{
    serveLens(QStringLiteral("V1.2.0"));
    lens()->unplug();
    auto w = openWindow();
    QVERIFY(w);

    loseNetwork();
    QVERIFY(notices->waitFor(kLost));
    QCOMPARE(text(*w, "label_model_img"), QStringLiteral("当前无网络连接！"));
    QCOMPARE(page(*w), QStringLiteral("link"));

    restoreNetwork();
    QVERIFY(notices->waitFor(kBack));
    // Asked with nothing: the server knows no such lens, nothing is shown.
    auto askedWithNothing = [this] {
        for (const FirmwareServer::Request &query : server.requests(FirmwareServer::Route::Query)) {
            if (query.modelCode.isEmpty() && query.query.queryItemValue(QStringLiteral("sn")).isEmpty())
                return true;
        }
        return false;
    };
    QTRY_VERIFY(askedWithNothing());
    QTest::qWait(300);
    QVERIFY(part(*w, "label_newVer")->isHidden());
    QVERIFY(text(*w, "label_model_img").isEmpty());
    QCOMPARE(page(*w), QStringLiteral("link"));
}

void tst_NetworkFlow::lostAndBackWithUdiskLens()
{
    QString reason;
    if (!UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(QStringLiteral("cannot mount lens volumes here: ") + reason));
    lens()->unplug();
    const QString model = QStringLiteral("AF 56mm F1.8 Z");
    const QString code = QStringLiteral("58G31");
    server.addModel(code, QStringLiteral("V1.1.0"), QStringLiteral("<p>Sharper.</p>"), code, model,
        WindowHarness::lensPicture(), WindowHarness::firmwareImage(model, 4096, 3, true));
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(model, QStringLiteral("V1.0.3")));
    volume.startLens();

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.1.0")));
    loseNetwork();
    QVERIFY(notices->waitFor(kLost));
    const int queries = server.requests(FirmwareServer::Route::Query).size();
    restoreNetwork();
    QVERIFY(notices->waitFor(kBack));

    // The lens on the volume is the one asked for again.
    QTRY_VERIFY(server.requests(FirmwareServer::Route::Query).size() > queries);
    const FirmwareServer::Request query = server.requests(FirmwareServer::Route::Query).last();
    QCOMPARE(query.modelCode, code);
    QCOMPARE(query.query.queryItemValue(QStringLiteral("sn")), code + QStringLiteral("0000000"));
    QCOMPARE(query.query.queryItemValue(QStringLiteral("ver")), QStringLiteral("V1.0.3"));
    QTRY_VERIFY(hasPicture(*w));
    QVERIFY(!part(*w, "label_newVer")->isHidden());
}

void tst_NetworkFlow::modelUnknownToServer()
{
    // The server files no firmware for this lens.
    auto w = openWindow();
    QVERIFY(w);
    QTRY_COMPARE(text(*w, "label_model"), QStringLiteral("产品型号 ： ") + kModel);
    QTRY_COMPARE(server.requests(FirmwareServer::Route::Query).size(), 1);
    QCOMPARE(server.requests(FirmwareServer::Route::Query).first().status, 404);
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QCOMPARE(text(*w, "label_newVer"), QStringLiteral("最新版本："));

    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QTest::qWait(300);
    QCOMPARE(w->questionCount(), 0);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QCOMPARE(lens()->updatesStarted(), 0);
}

void tst_NetworkFlow::firmwareDownloadCut()
{
    serveLens(QStringLiteral("V1.2.0"));
    server.setFault(FirmwareServer::Route::Firmware, FirmwareServer::Fault::Truncate);
    auto w = openWindow();
    QVERIFY(w);
    QTRY_COMPARE_WITH_TIMEOUT(text(*w, "label_newVer"), QStringLiteral("最新版本 ： v1.2.0"), 15000);
    QTRY_VERIFY(!server.requests(FirmwareServer::Route::Firmware).isEmpty());
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);

    // Half an image is no image: nothing reaches the lens.
    QTest::qWait(1000);
    QMetaObject::invokeMethod(w.get(), "on_button_update_clicked");
    QTest::qWait(300);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QCOMPARE(lens()->updatesStarted(), 0);
    QCOMPARE(lens()->packetsReceived(), 0);
    QVERIFY(!w->firmwareReady());
}

QTEST_MAIN(tst_NetworkFlow)

#include "tst_networkflow.moc"
