// Every page, overlay, question and notice of the running window, reached
// the way a user reaches them (simulated HID lens, local firmware server,
// mounted lens volume), in Chinese and in English, written as PNG files
// into shots/ of this build folder to be looked at.

#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <memory>

#include "app/apphighdpi.h"
#include "app/apptranslators.h"
#include "app/widget.h"
#include "net/devicefirmwareprocess.h"
#include "tools/fwserver/firmwareserver.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"
#include "tools/testca/testca.h"
#include "tools/udisklens/udisklensvolume.h"
#include "tools/windowharness/testwindow.h"
#include "tools/windowharness/windowharness.h"
#include "widgets/bubblepopup.h"
#include "widgets/updateguidewidget.h"
#include "widgets/warningwidget.h"

namespace {

const QString kModel = QStringLiteral("AF 85mm F1.8 SIM");
const QString kCode = QStringLiteral("SIM85");

LensSimulator *lens()
{
    return SimulatedHidapi::lens();
}

// Saves each notice as it appears.
class NoticeCamera : public QObject
{
public:
    QString prefix;
    QStringList saved;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *popup = qobject_cast<BubblePopup *>(watched)) {
                const QString name = prefix + QStringLiteral("-notice-%1.png").arg(saved.size() + 1);
                popup->grab().save(QStringLiteral(LENS_SHOT_DIR "/") + name);
                saved << name + QLatin1String(": ") + popup->text();
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class tst_WindowScreenshots : public QObject
{
    Q_OBJECT

public:
    // As the program: before the application object exists.
    static void initMain() { AppHighDpi::configure(); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shots_data();
    void shots();

private:
    void linkAndOverlays();
    void hidUpdate();
    void questions();
    void foreignFirmwareAndNoNetwork();
    void udiskLens();

    std::unique_ptr<TestWindow> openWindow();
    bool waitUntilReady(Widget &w);
    void shoot(QWidget *w, const QString &name);
    void checkTexts(Widget &w, const QString &name);
    QWidget *part(Widget &w, const char *name) { return WindowHarness::part(&w, QLatin1String(name)); }
    QString page(Widget &w) { return WindowHarness::page(&w); }

    FirmwareServer server;
    QString language;
    // The program's and Qt's, so the question boxes have their real buttons.
    std::unique_ptr<AppTranslators> translators;
    NoticeCamera camera;
    DeviceFirmwareProcess::Endpoints endpoints;
    QByteArray image;
};

void tst_WindowScreenshots::initTestCase()
{
    WindowHarness::initApplication();
    QVERIFY(QDir().mkpath(QStringLiteral(LENS_SHOT_DIR)));
    QVERIFY(TestCa::startServer(server));
    endpoints.origin = server.origin();
    endpoints.probeUrl = server.homePageUrl();
    endpoints.probeIntervalMs = 200;
    QCoreApplication::instance()->installEventFilter(&camera);
}

void tst_WindowScreenshots::init()
{
    lens()->reset();
    server.clearModels();
    server.clearFaults();
    server.clearRequestLog();
    DeviceFirmwareProcess::resetReachability();
    image = WindowHarness::firmwareImage(kModel, 56 * 1200 + 7, 4242);
    server.addModel(kCode, QStringLiteral("V1.3.0"),
        QStringLiteral("<p>1. Faster focus in low light.</p><p>2. Fixed aperture flicker.</p>"
                       "<p>3. 修正了对焦马达的噪音。</p>"),
        QStringLiteral("AF85"), kModel, WindowHarness::lensPicture(), image);
}

void tst_WindowScreenshots::cleanup()
{
    camera.prefix.clear();
    translators.reset();
    QTest::qWait(200);
}

void tst_WindowScreenshots::shots_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("scenario");
    for (const char *lang : { "zh", "en" }) {
        for (const char *scenario : { "link", "hid", "questions", "foreign", "udisk" })
            QTest::addRow("%s-%s", lang, scenario) << lang << scenario;
    }
}

void tst_WindowScreenshots::shots()
{
    QFETCH(QString, lang);
    QFETCH(QString, scenario);
    language = lang;
    translators = std::make_unique<AppTranslators>();
    QVERIFY(translators->install(
        QLocale(lang == QLatin1String("zh") ? QStringLiteral("zh_CN") : QStringLiteral("en_US"))));
    camera.prefix = lang + QLatin1Char('-') + scenario;
    camera.saved.clear();

    if (scenario == QLatin1String("link"))
        linkAndOverlays();
    else if (scenario == QLatin1String("hid"))
        hidUpdate();
    else if (scenario == QLatin1String("questions"))
        questions();
    else if (scenario == QLatin1String("foreign"))
        foreignFirmwareAndNoNetwork();
    else
        udiskLens();
    for (const QString &notice : camera.saved)
        qDebug().noquote() << notice;
}

std::unique_ptr<TestWindow> tst_WindowScreenshots::openWindow()
{
    Widget::Workers workers;
    workers.firmware = new DeviceFirmwareProcess(endpoints);
    std::unique_ptr<TestWindow> w(new TestWindow(workers));
    w->move(0, 0);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    return w;
}

bool tst_WindowScreenshots::waitUntilReady(Widget &w)
{
    auto ready = [&w] {
        return !WindowHarness::part<QLabel>(&w, QStringLiteral("label_model_img"))
                    ->pixmap(Qt::ReturnByValue)
                    .isNull()
            && w.firmwareReady();
    };
    return QTest::qWaitFor(ready, 15000);
}

void tst_WindowScreenshots::shoot(QWidget *w, const QString &name)
{
    QTest::qWait(30);
    const QString file
        = QStringLiteral(LENS_SHOT_DIR "/") + language + QLatin1Char('-') + name + QLatin1String(".png");
    QVERIFY2(w->grab().save(file), qPrintable(file));
    if (auto *window = qobject_cast<Widget *>(w))
        checkTexts(*window, name);
}

// Visible texts of the form fit their widgets.
void tst_WindowScreenshots::checkTexts(Widget &w, const QString &name)
{
    for (const char *row : { "headWidget", "centerStackedWidget" }) {
        for (QWidget *widget : part(w, row)->findChildren<QWidget *>()) {
            if (!widget->isVisibleTo(&w) || widget->objectName().isEmpty())
                continue;
            QString text;
            int room = widget->width();
            if (auto *label = qobject_cast<QLabel *>(widget)) {
                if (label->wordWrap())
                    continue;
                text = label->text();
            } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
                text = button->text();
                room -= 16;
            }
            if (text.isEmpty())
                continue;
            QVERIFY2(QFontMetrics(widget->font()).horizontalAdvance(text) <= room,
                qPrintable(QStringLiteral("%1-%2: %3 clips \"%4\"")
                               .arg(language, name, widget->objectName(), text)));
        }
    }
}

void tst_WindowScreenshots::linkAndOverlays()
{
    lens()->unplug();
    auto w = openWindow();
    QVERIFY(w);
    shoot(w.get(), QStringLiteral("01-link"));

    // The warning, half-way and in place.
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QTest::qWait(100);
    shoot(w.get(), QStringLiteral("02-warning-sliding"));
    auto *warning = w->findChild<WarningWidget *>();
    QTRY_COMPARE(warning->pos(), QPoint(0, 40));
    shoot(w.get(), QStringLiteral("03-warning"));

    // The help overlay over it, and its pages.
    QTest::mousePress(part(*w, "label_logo"), Qt::LeftButton);
    QTest::mouseClick(part(*w, "button_help"), Qt::LeftButton);
    auto *guide = w->findChild<UpdateGuideWidget *>();
    QTRY_COMPARE(guide->pos(), QPoint(0, 40));
    shoot(w.get(), QStringLiteral("04-help-1"));
    auto *next = guide->findChild<QPushButton *>(QStringLiteral("button_next"));
    QVERIFY(next);
    for (int i = 2; i <= 5; ++i) {
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::qWait(450);
        shoot(w.get(), QStringLiteral("04-help-%1").arg(i));
    }
    QTest::mouseClick(part(*w, "button_help"), Qt::LeftButton);
    QTRY_COMPARE(guide->pos(), QPoint(0, -460));
    shoot(w.get(), QStringLiteral("05-help-gone"));

    // A lens plugged in on the link page: the page stays.
    lens()->plug();
    QVERIFY(waitUntilReady(*w));
    shoot(w.get(), QStringLiteral("06-link-lens-found"));
}

void tst_WindowScreenshots::hidUpdate()
{
    lens()->setVersionAfterUpdate(QStringLiteral("V1.3.0"));
    // Slow enough to catch the transfer and the restart on the way.
    lens()->setRestartTime(1500);
    lens()->setLatency(1000);
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    shoot(w.get(), QStringLiteral("10-ready"));

    auto *bar = WindowHarness::part<QProgressBar>(w.get(), QStringLiteral("progressBar"));
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(page(*w), QStringLiteral("updating"));
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 8, 20000);
    shoot(w.get(), QStringLiteral("11-updating-early"));
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 40, 20000);
    shoot(w.get(), QStringLiteral("12-updating"));
    QTRY_VERIFY_WITH_TIMEOUT(lens()->restartCount() == 1, 20000);
    QCOMPARE(page(*w), QStringLiteral("updating"));
    shoot(w.get(), QStringLiteral("13-restarting"));
    QTRY_COMPARE_WITH_TIMEOUT(page(*w), QStringLiteral("finished"), 20000);
    shoot(w.get(), QStringLiteral("14-finished"));
    QVERIFY(lens()->holdsImage(image));

    lens()->unplug();
    QTRY_COMPARE(page(*w), QStringLiteral("link"));
    shoot(w.get(), QStringLiteral("15-unplugged"));
}

void tst_WindowScreenshots::questions()
{
    // The same version: the re-write question.
    lens()->setFirmwareVersion(QStringLiteral("V1.3.0"));
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    int shot = 0;
    const QStringList names
        = { QStringLiteral("20-question-rewrite"), QStringLiteral("21-question-downgrade") };
    // The window's question, as the box it would show.
    auto photograph = [&](const QString &title, const QString &text) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
        box.show();
        if (QTest::qWaitForWindowExposed(&box))
            shoot(&box, names.value(shot));
        ++shot;
    };
    connect(w.get(), &TestWindow::asked, this, photograph);
    w->setDefaultAnswer(false);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(shot, 1);
    w.reset();
    QTest::qWait(200);

    // The installed release of a test build: the downgrade question.
    server.addModel(kCode, QStringLiteral("1.2.3BETA1"), QStringLiteral("<p>Test build.</p>"),
        QStringLiteral("AF85"), kModel, WindowHarness::lensPicture(), image);
    lens()->setFirmwareVersion(QStringLiteral("1.2.3"));
    w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w));
    connect(w.get(), &TestWindow::asked, this, photograph);
    w->setDefaultAnswer(false);
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QCOMPARE(shot, 2);
}

void tst_WindowScreenshots::foreignFirmwareAndNoNetwork()
{
    server.addModel(kCode, QStringLiteral("V1.3.0"), QStringLiteral("<p>Not for this lens.</p>"),
        QStringLiteral("AF85"), kModel, WindowHarness::lensPicture(),
        WindowHarness::firmwareImage(QStringLiteral("AF 50mm OTHER"), 4096, 1));
    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    shoot(w.get(), QStringLiteral("30-foreign-firmware"));

    server.setFault(FirmwareServer::Route::Page, FirmwareServer::Fault::Drop);
    QTRY_VERIFY_WITH_TIMEOUT(!part(*w, "button_update")->isEnabled(), 10000);
    shoot(w.get(), QStringLiteral("31-no-network"));
    server.clearFaults();
    QTRY_VERIFY_WITH_TIMEOUT(part(*w, "button_update")->isEnabled(), 10000);
    QTRY_VERIFY(!WindowHarness::part<QLabel>(w.get(), QStringLiteral("label_model_img"))
                     ->pixmap(Qt::ReturnByValue)
                     .isNull());
    shoot(w.get(), QStringLiteral("32-network-back"));
}

void tst_WindowScreenshots::udiskLens()
{
    QString reason;
    if (!UdiskLensVolume::canMount(&reason))
        QSKIP(qPrintable(reason));
    lens()->unplug();
    const QString model = QStringLiteral("AF 56mm F1.8 Z");
    const QString code = QStringLiteral("58G31");
    const QByteArray udiskImage = WindowHarness::firmwareImage(model, 96 * 1024, 8, true);
    server.addModel(code, QStringLiteral("V1.1.0"), QStringLiteral("<p>Sharper wide open.</p>"), code, model,
        WindowHarness::lensPicture(QColor(0xD8, 0x8F, 0x4A)), udiskImage);
    UdiskLensVolume volume;
    QVERIFY2(volume.mount(1 << 20), qPrintable(volume.errorString()));
    QVERIFY(volume.writeDeviceInformation(model, QStringLiteral("V1.0.3")));
    volume.setTakeDelay(1500);
    volume.setComeBack(QStringLiteral("V1.1.0"), 1500);
    volume.startLens();

    auto w = openWindow();
    QVERIFY(w);
    QVERIFY(waitUntilReady(*w));
    QTest::mouseClick(part(*w, "button_link"), Qt::LeftButton);
    shoot(w.get(), QStringLiteral("40-udisk-ready"));
    QTest::mouseClick(part(*w, "button_update"), Qt::LeftButton);
    QTest::qWait(300);
    shoot(w.get(), QStringLiteral("41-udisk-updating"));
    QTRY_COMPARE_WITH_TIMEOUT(page(*w), QStringLiteral("finished"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(
        WindowHarness::text(w.get(), QStringLiteral("label_newVer_F")).endsWith(QLatin1String("V1.1.0")),
        10000);
    shoot(w.get(), QStringLiteral("42-udisk-finished"));
    QCOMPARE(volume.receivedFirmware(), udiskImage);
}

QTEST_MAIN(tst_WindowScreenshots)

#include "tst_windowscreenshots.moc"
