// The main window over the HID link, end to end: the real Widget with its
// reader thread, a simulated lens behind the stand-in hidapi and the local
// HTTPS firmware server.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QTranslator>

#include <memory>

#include "app/widget.h"
#include "net/devicefirmwareprocess.h"
#include "tests/support/windowflow/windowflow.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#include "tools/testca/testca.h"
#include "tools/windowharness/noticerecorder.h"
#include "tools/windowharness/windowharness.h"
#include "widgets/bubblepopup.h"
#include "widgets/spotfoldcircle.h"
#include "widgets/updateguidewidget.h"
#include "widgets/warningwidget.h"

namespace {

const QString kModel = QStringLiteral("AF 85mm F1.8 SIM");
const QString kCode = QStringLiteral("SIM85");
const QString kSerial = QStringLiteral("SN2024000001");
const QColor kRed(0xEC, 0x45, 0x45);
const QColor kGreen(0x22, 0xF5, 0x17);

const QString kRestarting = QStringLiteral("更新成功！正在重启中...");
const QString kSuccess = QStringLiteral("更新成功！");
const QString kFailure = QStringLiteral("更新失败！");
const QString kDisconnected = QStringLiteral("设备断开！");

LensSimulator *lens()
{
    return SimulatedHidapi::lens();
}

QString widgetTr(const char *text)
{
    return QCoreApplication::translate("Widget", text);
}

} // namespace

class tst_HidFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lensFoundOnLinkPage();
    void updateToNewVersion_data();
    void updateToNewVersion();
    void sameVersionAsksBeforeRewrite_data();
    void sameVersionAsksBeforeRewrite();
    void betaOfInstalledAsksBeforeDowngrade();
    void foreignFirmwareIsNotSent();
    void updateBeforeFirmwareArrives();
    void unplugDuringTransfer();
    void lensReportsFailure();
    void noRestartModelFinishesAtOnce();
    void lensBackWithOldVersion();
    void progressReports_data();
    void progressReports();
    void helpOverlaySlides();
    void languageQuestion();
    void noticesWithoutSender();

private:
    // Serves firmware for the simulated lens; returns the image.
    QByteArray serveLens(const QString &version, const QString &imageModel = kModel, int size = 56 * 120 + 17,
        const QString &code = kCode, const QString &modelName = kModel);
    std::unique_ptr<TestWindow> openWindow();
    // The lens reported, the server answered and the firmware is in.
    bool waitUntilReady(Widget &w, const QString &latestVersion);
    // From the ready page through the transfer to the finished page.
    bool runUpdate(Widget &w);
    QWidget *part(Widget &w, const char *name) { return WindowHarness::part(&w, QLatin1String(name)); }
    QString text(Widget &w, const char *name) { return WindowHarness::text(&w, QLatin1String(name)); }
    QString page(Widget &w) { return WindowHarness::page(&w); }

    FirmwareServer server;
    std::unique_ptr<NoticeRecorder> notices;
};

void tst_HidFlow::initTestCase()
{
    QVERIFY(WindowFlow::startServer(server, 500));
}

void tst_HidFlow::init()
{
    lens()->reset();
    lens()->setRestartTime(300);
    server.clearModels();
    server.clearFaults();
    server.clearRequestLog();
    DeviceFirmwareProcess::resetReachability();
    notices.reset(new NoticeRecorder);
}

void tst_HidFlow::cleanup()
{
    notices.reset();
    // Requests the closed window had in flight land before the next test.
    QTest::qWait(200);
}

QByteArray tst_HidFlow::serveLens(const QString &version, const QString &imageModel, int size,
    const QString &code, const QString &modelName)
{
    const QByteArray image = WindowHarness::firmwareImage(imageModel, size, quint32(size) * 7919u);
    server.addModel(code, version,
        QStringLiteral("<p>Faster focus in low light.</p><p>Quieter aperture.</p>"), QStringLiteral("AF85"),
        modelName, WindowHarness::lensPicture(), image);
    return image;
}

std::unique_ptr<TestWindow> tst_HidFlow::openWindow()
{
    return WindowFlow::openWindow({}, notices.get());
}

bool tst_HidFlow::waitUntilReady(Widget &w, const QString &latestVersion)
{
    return WindowFlow::waitUntilReady(w, latestVersion, 30000);
}

bool tst_HidFlow::runUpdate(Widget &w)
{
    QTest::mouseClick(part(w, "button_update"), Qt::LeftButton);
    if (page(w) != QLatin1String("updating"))
        return false;
    return WindowFlow::waitForPage(w, QStringLiteral("finished"), 20000);
}

void tst_HidFlow::lensFoundOnLinkPage()
{
    serveLens(QStringLiteral("V1.2.0"));
    lens()->unplug();
    auto w = openWindow();
    QVERIFY(w);
    auto *warning = w->findChild<WarningWidget *>();
    auto *reconnect = warning->findChild<QPushButton *>(QStringLiteral("button_reconnect"));
    const QPoint home = part(*w, "centerStackedWidget")->pos();
    const QPoint above = home - QPoint(0, 500);
    QCOMPARE(home, QPoint(0, 40));

    // No lens: the warning slides in from above and the help button goes.
    QCOMPARE(page(*w), QStringLiteral("link"));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QVERIFY(warning->isVisible());
    QCOMPARE(warning->pos(), above);
    QVERIFY(part(*w, "button_help")->isHidden());
    QTRY_COMPARE(warning->pos(), home);
    QCOMPARE(warning->findChild<QLabel *>(QStringLiteral("label_hint"))->text(),
        QStringLiteral("未查询到任何设备"));

    // Reconnecting without a lens changes nothing.
    QTest::mouseClick(reconnect, Qt::LeftButton);
    QTest::qWait(300);
    QCOMPARE(warning->pos(), home);
    QCOMPARE(page(*w), QStringLiteral("link"));

    // The lens is plugged in: the labels fill behind the overlay, the page
    // stays as it is.
    lens()->plug();
    QTRY_COMPARE(text(*w, "label_model"), QStringLiteral("产品型号 ： ") + kModel);
    QCOMPARE(text(*w, "label_SN"), QStringLiteral("序列号  ： ") + kSerial);
    QCOMPARE(text(*w, "label_nowVer"), QStringLiteral("当前版本 ： V1.0.0"));
    QCOMPARE(text(*w, "label_model_F"), QStringLiteral("产品型号 ： ") + kModel);
    QCOMPARE(text(*w, "label_SN_F"), QStringLiteral("序列号  ： ") + kSerial);
    QCOMPARE(text(*w, "label_newVer_F"), QStringLiteral("当前镜头版本 ： V1.0.0"));
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QCOMPARE(text(*w, "textEdit_contect"), QStringLiteral("Faster focus in low light.\nQuieter aperture."));
    QTRY_VERIFY(!WindowHarness::part<QLabel>(w.get(), QStringLiteral("label_model_img"))
                     ->pixmap(Qt::ReturnByValue)
                     .isNull());
    QCOMPARE(page(*w), QStringLiteral("link"));
    QVERIFY(lens()->connectCommands() >= 1);
    QVERIFY(lens()->lensInfoRequests() >= 1);

    // The server was asked for this lens.
    const QList<FirmwareServer::Request> queries = server.requests(FirmwareServer::Route::Query);
    QVERIFY(!queries.isEmpty());
    QCOMPARE(queries.last().modelCode, kCode);
    QCOMPARE(queries.last().query.queryItemValue(QStringLiteral("sn")), kSerial.toUpper());
    QCOMPARE(queries.last().query.queryItemValue(QStringLiteral("ver")), QStringLiteral("V1.0.0"));

    // Now the reconnect button brings the ready page as the overlay leaves.
    QTest::mouseClick(reconnect, Qt::LeftButton);
    QCOMPARE(part(*w, "centerStackedWidget")->property("currentIndex").toInt(), 1);
    QTRY_COMPARE(warning->pos(), above);
    QTRY_COMPARE(page(*w), QStringLiteral("ready"));
    QVERIFY(part(*w, "button_help")->isHidden());

    // The logo leads back; the connect button then opens the ready page.
    QTest::mousePress(part(*w, "label_logo"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("link"));
    QVERIFY(!part(*w, "button_help")->isHidden());
    QVERIFY(warning->isHidden());
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QVERIFY(warning->isHidden());
    QVERIFY(part(*w, "button_update")->isEnabled());
    QCOMPARE(notices->count(kDisconnected), 0);
}

void tst_HidFlow::updateToNewVersion_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("two packets") << 65;
    QTest::newRow("whole packets") << 56 * 150;
    QTest::newRow("short final packet") << 56 * 150 + 1;
    QTest::newRow("ten thousand packets") << 56 * 10000 - 3;
}

void tst_HidFlow::updateToNewVersion()
{
    QFETCH(int, size);
    const QByteArray image = serveLens(QStringLiteral("V1.2.0"), kModel, size);
    lens()->setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    // Long enough to look at the page while the lens is away.
    lens()->setRestartTime(1500);

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));

    auto *bar = WindowHarness::part<QProgressBar>(w.get(), QStringLiteral("progressBar"));
    QSignalSpy values(bar, &QProgressBar::valueChanged);
    // Different versions: no question.
    w->setDefaultAnswer(false);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("updating"));

    QVERIFY(notices->waitFor(kRestarting));
    QCOMPARE(notices->colourOf(kRestarting), kGreen);
    QCOMPARE(w->questionCount(), 0);
    QCOMPARE(lens()->lastStatus(), 5);
    QVERIFY(lens()->holdsImage(image));
    QCOMPARE(lens()->receivedImage(), image);

    // At 100 % the bar gives way to the busy indicator until the lens is back.
    QCOMPARE(page(*w), QStringLiteral("updating"));
    QCOMPARE(text(*w, "label_progress"), QStringLiteral("正在更新 ： 100.0%。正在重启中..."));
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->value(), 100);
    QVERIFY(!part(*w, "label_gif")->isHidden());
    auto *spinner = w->findChild<SpotFoldCircle *>();
    const double angle = spinner->angle();
    QTRY_VERIFY(spinner->angle() != angle);
    QVERIFY(!values.isEmpty());
    for (int i = 1; i < values.size(); ++i)
        QVERIFY(values.at(i).at(0).toInt() >= values.at(i - 1).at(0).toInt());

    // The lens restarts: no disconnection notice; back, it shows the new
    // version on the finished page.
    QTRY_COMPARE(lens()->restartCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(page(*w), QStringLiteral("finished"), 15000);
    QVERIFY(notices->waitFor(kSuccess));
    QCOMPARE(notices->colourOf(kSuccess), kGreen);
    QCOMPARE(notices->count(kDisconnected), 0);
    QCOMPARE(notices->count(kFailure), 0);
    QCOMPARE(text(*w, "label_newVer_F"), QStringLiteral("当前镜头版本 ： V1.2.0"));
    QCOMPARE(text(*w, "label_nowVer"), QStringLiteral("当前版本 ： V1.2.0"));
    QVERIFY(part(*w, "label_gif")->isHidden());
    QCOMPARE(lens()->updatesStarted(), 1);

    // The returned lens is asked for again with its new version.
    QTRY_COMPARE(
        server.requests(FirmwareServer::Route::Query).last().query.queryItemValue(QStringLiteral("ver")),
        QStringLiteral("V1.2.0"));

    // A second unplug is an unplug.
    lens()->unplug();
    QVERIFY(notices->waitFor(kDisconnected));
    QCOMPARE(notices->colourOf(kDisconnected), kRed);
    QCOMPARE(page(*w), QStringLiteral("link"));
}

void tst_HidFlow::sameVersionAsksBeforeRewrite_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("latest");
    QTest::newRow("equal") << "V1.2.0"
                           << "V1.2.0";
    QTest::newRow("case and leading V do not count") << "1.2.0"
                                                     << "v1.2.0";
}

void tst_HidFlow::sameVersionAsksBeforeRewrite()
{
    QFETCH(QString, installed);
    QFETCH(QString, latest);
    const QByteArray image = serveLens(latest);
    lens()->setFirmwareVersion(installed);

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, latest.toLower()));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);

    // No: nothing happens.
    w->setDefaultAnswer(false);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(w->questionCount(), 1);
    QCOMPARE(w->questionTitles().first(), QStringLiteral("提示"));
    QCOMPARE(w->questions().first(), QStringLiteral("当前连接设备版本与软件版本一致，是否重新写入？"));
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QTest::qWait(200);
    QCOMPARE(lens()->updatesStarted(), 0);
    QCOMPARE(lens()->commandCount(0x80), 0);

    // Yes: the same firmware is written again.
    w->setDefaultAnswer(true);
    QVERIFY(runUpdate(*w));
    QCOMPARE(w->questionCount(), 2);
    QVERIFY(notices->waitFor(kSuccess));
    QVERIFY(lens()->holdsImage(image));
    QCOMPARE(lens()->updatesStarted(), 1);
}

void tst_HidFlow::betaOfInstalledAsksBeforeDowngrade()
{
    const QByteArray image = serveLens(QStringLiteral("1.2.3BETA1"));
    lens()->setFirmwareVersion(QStringLiteral("1.2.3"));
    lens()->setVersionAfterUpdate(QStringLiteral("1.2.3BETA1"));

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("1.2.3beta1")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);

    w->setDefaultAnswer(false);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(w->questionCount(), 1);
    QCOMPARE(w->questionTitles().first(), QStringLiteral("提示"));
    QCOMPARE(w->questions().first(), QStringLiteral("当前连接设备版本(1.2.3)较新，是否降为 1.2.3beta1？"));
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QTest::qWait(200);
    QCOMPARE(lens()->updatesStarted(), 0);

    w->setDefaultAnswer(true);
    QVERIFY(runUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess));
    QCOMPARE(notices->count(kFailure), 0);
    QVERIFY(lens()->holdsImage(image));
    QCOMPARE(text(*w, "label_newVer_F"), QStringLiteral("当前镜头版本 ： 1.2.3BETA1"));
}

void tst_HidFlow::foreignFirmwareIsNotSent()
{
    serveLens(QStringLiteral("V1.2.0"), QStringLiteral("AF 50mm F1.4 OTHER"));
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);

    w->setDefaultAnswer(true);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(text(*w, "textEdit_contect"), QStringLiteral("error -1"));
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QCOMPARE(w->questionCount(), 0);
    QTest::qWait(200);
    QCOMPARE(lens()->updatesStarted(), 0);
    QCOMPARE(lens()->commandCount(0x80), 0);
    QCOMPARE(lens()->commandCount(0x81), 0);
}

void tst_HidFlow::updateBeforeFirmwareArrives()
{
    const QByteArray image = serveLens(QStringLiteral("V1.2.0"));
    server.setFault(FirmwareServer::Route::Firmware, FirmwareServer::Fault::Delay, 1500, 1);
    lens()->setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    auto w = openWindow();
    QVERIFY(w);
    QTRY_COMPARE_WITH_TIMEOUT(text(*w, "label_newVer"), QStringLiteral("最新版本 ： v1.2.0"), 15000);
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QVERIFY(!w->firmwareReady());

    // The button says why it does nothing yet.
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QVERIFY(notices->waitFor(QStringLiteral("固件尚未下载完成，请稍后再试！")));
    QCOMPARE(lens()->updatesStarted(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(w->firmwareReady(), 15000);
    QVERIFY(runUpdate(*w));
    QVERIFY(lens()->holdsImage(image));
}

void tst_HidFlow::unplugDuringTransfer()
{
    const QByteArray image = serveLens(QStringLiteral("V1.2.0"), kModel, 56 * 400 + 5);
    lens()->setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    lens()->unplugAtPacket(150);

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    auto *bar = WindowHarness::part<QProgressBar>(w.get(), QStringLiteral("progressBar"));
    QSignalSpy values(bar, &QProgressBar::valueChanged);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);

    QVERIFY(notices->waitFor(kDisconnected));
    QCOMPARE(notices->colourOf(kDisconnected), kRed);
    QCOMPARE(page(*w), QStringLiteral("link"));
    QCOMPARE(bar->value(), 0);
    QVERIFY(text(*w, "label_progress").isEmpty());
    QVERIFY(text(*w, "textEdit_contect").isEmpty());
    QVERIFY(text(*w, "label_newVer").isEmpty());
    QVERIFY(WindowHarness::part<QLabel>(w.get(), QStringLiteral("label_model_img"))
                ->pixmap(Qt::ReturnByValue)
                .isNull());
    bool moved = false;
    for (const QList<QVariant> &value : values)
        moved = moved || value.at(0).toInt() > 0;
    QVERIFY(moved);
    QCOMPARE(notices->count(kSuccess) + notices->count(kRestarting) + notices->count(kFailure), 0);

    // Plugged in again, the lens updates normally.
    lens()->plug();
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QVERIFY(runUpdate(*w));
    QVERIFY(lens()->holdsImage(image));
}

void tst_HidFlow::lensReportsFailure()
{
    const QByteArray image = serveLens(QStringLiteral("V1.2.0"));
    lens()->setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    lens()->failNextUpdate();

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);

    QVERIFY(notices->waitFor(kFailure));
    QCOMPARE(notices->colourOf(kFailure), kRed);
    QCOMPARE(lens()->lastStatus(), 6);
    // Back on the ready page, where the user can start again.
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QVERIFY(!WindowHarness::isShown(w.get(), QStringLiteral("label_gif")));
    QCOMPARE(notices->count(kSuccess) + notices->count(kRestarting), 0);
    QCOMPARE(lens()->restartCount(), 0);

    // Back through the logo, the next update goes through.
    QTest::mousePress(part(*w, "label_logo"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("link"));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QVERIFY(runUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess));
    QVERIFY(lens()->holdsImage(image));
    QVERIFY(part(*w, "label_gif")->isHidden());
}

void tst_HidFlow::noRestartModelFinishesAtOnce()
{
    const QString model = QStringLiteral("AF 16mm F1.2 XF Pro");
    const QString code = QStringLiteral("73U45");
    const QByteArray image = serveLens(QStringLiteral("V2.0.0"), model, 56 * 200 + 9, code, model);
    lens()->setModelName(model);
    lens()->setModelCode(code);
    lens()->setNoRestartModelCode(code);
    lens()->setVersionAfterUpdate(QStringLiteral("V2.0.0"));

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v2.0.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QVERIFY(runUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess));
    QCOMPARE(notices->colourOf(kSuccess), kGreen);
    QCOMPARE(notices->count(kRestarting), 0);
    QVERIFY(part(*w, "label_gif")->isHidden());
    QVERIFY(lens()->holdsImage(image));
    // The lens answers the information requests with its new version.
    QTRY_COMPARE(text(*w, "label_newVer_F"), QStringLiteral("当前镜头版本 ： V2.0.0"));
    QTest::qWait(500);
    QCOMPARE(lens()->restartCount(), 0);
    QCOMPARE(notices->count(kDisconnected), 0);
    QCOMPARE(page(*w), QStringLiteral("finished"));
}

void tst_HidFlow::lensBackWithOldVersion()
{
    const QByteArray image = serveLens(QStringLiteral("V1.2.0"));
    // Says success, restarts, and still runs its old firmware.
    lens()->setVersionAfterUpdate(QString());

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("updating"));

    QVERIFY(notices->waitFor(kRestarting));
    QVERIFY(notices->waitFor(kFailure));
    QCOMPARE(notices->colourOf(kFailure), kRed);
    QCOMPARE(notices->count(kSuccess), 0);
    QCOMPARE(notices->count(kDisconnected), 0);
    QCOMPARE(lens()->restartCount(), 1);
    // The ready page, with the version the lens really runs.
    QCOMPARE(page(*w), QStringLiteral("ready"));
    QCOMPARE(text(*w, "label_nowVer"), QStringLiteral("当前版本 ： V1.0.0"));
    QVERIFY(part(*w, "label_gif")->isHidden());

    // And it stays usable: the next update takes.
    lens()->setVersionAfterUpdate(QStringLiteral("V1.2.0"));
    QVERIFY(waitUntilReady(*w, QStringLiteral("v1.2.0")));
    QVERIFY(runUpdate(*w));
    QVERIFY(notices->waitFor(kSuccess));
    QCOMPARE(text(*w, "label_newVer_F"), QStringLiteral("当前镜头版本 ： V1.2.0"));
    QVERIFY(lens()->holdsImage(image));
}

void tst_HidFlow::progressReports_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("barValue");
    QTest::addColumn<int>("radius");

    QTest::newRow("zh start") << "Chinese" << 0.5f << "正在更新 ： 0.5%" << 0 << 0;
    QTest::newRow("zh 12.4") << "Chinese" << 12.4f << "正在更新 ： 12.4%" << 12 << 6;
    QTest::newRow("zh 19.99") << "Chinese" << 19.99f << "正在更新 ： 20.0%" << 19 << 9;
    QTest::newRow("zh 20 keeps") << "Chinese" << 20.0f << "正在更新 ： 20.0%" << 20 << 9;
    QTest::newRow("zh 99.98") << "Chinese" << 99.98f << "正在更新 ： 100.0%" << 99 << 9;
    QTest::newRow("en 12.4") << "English" << 12.4f << "Updating : 12.4%" << 12 << 6;
}

void tst_HidFlow::progressReports()
{
    QFETCH(QString, language);
    QFETCH(float, value);
    QFETCH(QString, label);
    QFETCH(int, barValue);
    QFETCH(int, radius);

    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/") + language + QStringLiteral(".qm")));
    QCoreApplication::installTranslator(&translator);
    lens()->unplug();
    auto w = openWindow();
    QVERIFY(w);
    auto *bar = WindowHarness::part<QProgressBar>(w.get(), QStringLiteral("progressBar"));
    auto *center = WindowHarness::part<QStackedWidget>(w.get(), QStringLiteral("centerStackedWidget"));
    center->setCurrentWidget(part(*w, "page_updating"));

    // The chunk radius follows the value below 20 % and stays from there on.
    for (float before : { 3.0f, 19.0f }) {
        if (before < value)
            QMetaObject::invokeMethod(w.get(), "onLensUpdateProcessFunc", Q_ARG(float, before));
    }
    QMetaObject::invokeMethod(w.get(), "onLensUpdateProcessFunc", Q_ARG(float, value));
    QCOMPARE(text(*w, "label_progress"), label);
    QCOMPARE(bar->value(), barValue);
    QVERIFY(!bar->isHidden());
    QVERIFY(!bar->isTextVisible());
    const QString sheet = QStringLiteral(
        "QProgressBar{border-radius:10px; border:0px solid #3B3B3B; background-color: #3B3B3B;}"
        "QProgressBar:chunk{border-radius:%1px; background-color:#1FEF80;}");
    QCOMPARE(bar->styleSheet(), sheet.arg(radius));
    QVERIFY(part(*w, "label_gif")->isHidden());

    // 100 hands over to the busy indicator.
    QMetaObject::invokeMethod(w.get(), "onLensUpdateProcessFunc", Q_ARG(float, 100.0f));
    QVERIFY(bar->isHidden());
    QVERIFY(!part(*w, "label_gif")->isHidden());
    QCOMPARE(text(*w, "label_progress"),
        widgetTr("正在更新 ： ") + QStringLiteral("100.0") + widgetTr("%。正在重启中..."));
    QCOMPARE(text(*w, "label_progress"),
        language == QLatin1String("Chinese") ? QStringLiteral("正在更新 ： 100.0%。正在重启中...")
                                             : QStringLiteral("Updating : 100.0%.Restarting..."));
    w.reset();
    QCoreApplication::removeTranslator(&translator);
}

void tst_HidFlow::helpOverlaySlides()
{
    lens()->unplug();
    auto w = openWindow();
    QVERIFY(w);
    auto *guide = w->findChild<UpdateGuideWidget *>();
    auto *help = WindowHarness::part<QPushButton>(w.get(), QStringLiteral("button_help"));
    QVERIFY(guide->isHidden());

    QTest::mouseClick(help, Qt::LeftButton);
    QVERIFY(help->isChecked());
    QVERIFY(guide->isVisible());
    QCOMPARE(guide->pos(), QPoint(0, -460));
    QTRY_COMPARE(guide->pos(), QPoint(0, 40));
    QCOMPARE(page(*w), QStringLiteral("link"));

    // Toggled off, it slides back up and stays there unhidden.
    QTest::mouseClick(help, Qt::LeftButton);
    QVERIFY(!help->isChecked());
    QTRY_COMPARE(guide->pos(), QPoint(0, -460));
    QVERIFY(!guide->isHidden());

    QTest::mouseClick(help, Qt::LeftButton);
    QTRY_COMPARE(guide->pos(), QPoint(0, 40));
    QTest::mousePress(part(*w, "label_logo"), Qt::LeftButton);
    QVERIFY(guide->isHidden());
    QVERIFY(!help->isChecked());
    QCOMPARE(page(*w), QStringLiteral("link"));
}

void tst_HidFlow::languageQuestion()
{
    lens()->unplug();
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(part(*w, "comboBox_language")->isHidden());

    w->setDefaultAnswer(false);
    QMetaObject::invokeMethod(
        w.get(), "comboBox_language_currentTextChanged", Q_ARG(QString, QStringLiteral("English")));
    QCOMPARE(w->questionCount(), 1);
    QCOMPARE(w->questions().first(), QStringLiteral("已切换到 English,请重新启动升级程序！"));
    QVERIFY(w->isVisible());

    w->setDefaultAnswer(true);
    QMetaObject::invokeMethod(
        w.get(), "comboBox_language_currentTextChanged", Q_ARG(QString, QStringLiteral("English")));
    QCOMPARE(w->questionCount(), 2);
    QVERIFY(!w->isVisible());
}

void tst_HidFlow::noticesWithoutSender()
{
    lens()->unplug();
    auto w = openWindow();
    QVERIFY(w);
    QMetaObject::invokeMethod(w.get(), "getErrorMsgHandle", Q_ARG(QString, QStringLiteral("ignored")));
    QCOMPARE(notices->count(QStringLiteral("数据不存在!")), 1);
    QCOMPARE(notices->colourOf(QStringLiteral("数据不存在!")), kRed);
    // A picture signal with no picture held.
    QMetaObject::invokeMethod(w.get(), "onUiLoadLensImage");
    QCOMPARE(notices->count(QStringLiteral("图片不存在！")), 1);
    QCOMPARE(notices->colourOf(QStringLiteral("图片不存在！")), kRed);
    // Notices belong to the window and go by themselves.
    QCOMPARE(w->findChildren<BubblePopup *>().size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(w->findChildren<BubblePopup *>().size(), 0, 5000);
}

QTEST_MAIN(tst_HidFlow)

#include "tst_hidflow.moc"
