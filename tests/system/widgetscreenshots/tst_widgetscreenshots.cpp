#include "app/appfonts.h"
#include "app/apphighdpi.h"
#include "widgets/bubblepopup.h"
#include "widgets/qanimationstackedwidget.h"
#include "widgets/ripplewave.h"
#include "widgets/slinkycircle.h"
#include "widgets/spotfoldcircle.h"
#include "widgets/stepbar.h"
#include "widgets/updateguidewidget.h"
#include "widgets/warningwidget.h"
#include "widgets/zoomingballs.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTranslator>
#include <QtTest>

namespace {

QString shotPath(const QString &name)
{
    return QStringLiteral(LENS_SHOT_DIR "/%1.png").arg(name);
}

void save(const QImage &image, const QString &name)
{
    QVERIFY2(image.save(shotPath(name)), qPrintable(shotPath(name)));
}

// Text cut off by a widget without scroll bars would simply be lost.
void checkFits(QTextEdit *edit, const QString &where)
{
    const qreal needed = edit->document()->size().height();
    QVERIFY2(needed <= edit->viewport()->height(),
        qPrintable(QStringLiteral("%1: text needs %2 px, %3 px shown")
                       .arg(where)
                       .arg(needed)
                       .arg(edit->viewport()->height())));
}

void checkFits(QLabel *label, const QString &where)
{
    const QSize needed = label->fontMetrics().size(0, label->text());
    QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height() + 12,
        qPrintable(QStringLiteral("%1: \"%2\" needs %3 x %4")
                       .arg(where, label->text())
                       .arg(needed.width())
                       .arg(needed.height())));
}

} // namespace

class tst_WidgetScreenshots : public QObject
{
    Q_OBJECT

public:
    // As the program: before the application object exists.
    static void initMain() { AppHighDpi::configure(); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void guidePages_data();
    void guidePages();
    void warningPage_data();
    void warningPage();
    void notices_data();
    void notices();
    void busyIndicatorsAndStepBar();

private:
    void useLanguage();
    QTranslator *m_translator = nullptr;
};

void tst_WidgetScreenshots::initTestCase()
{
    AppFonts::installSubstitutes();
    QVERIFY(QDir().mkpath(QStringLiteral(LENS_SHOT_DIR)));
}

void tst_WidgetScreenshots::init()
{
    m_translator = nullptr;
}

void tst_WidgetScreenshots::cleanup()
{
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
        m_translator = nullptr;
    }
}

void tst_WidgetScreenshots::useLanguage()
{
    QFETCH(QString, language);
    m_translator = new QTranslator;
    QVERIFY(m_translator->load(QStringLiteral(":/%1.qm").arg(language)));
    QCoreApplication::installTranslator(m_translator);
}

void tst_WidgetScreenshots::guidePages_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("zh") << QStringLiteral("Chinese");
    QTest::newRow("en") << QStringLiteral("English");
}

void tst_WidgetScreenshots::guidePages()
{
    QFETCH(QString, language);
    useLanguage();
    const QString lang = language == "English" ? "en" : "zh";

    UpdateGuideWidget guide(nullptr);
    guide.show();
    QVERIFY(QTest::qWaitForWindowExposed(&guide));
    auto *stack = guide.findChild<QAnimationStackedWidget *>();
    QSignalSpy finished(stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);

    save(guide.grab().toImage(), QStringLiteral("guide-%1-page0").arg(lang));
    checkFits(guide.findChild<QLabel *>("label_headline"), "headline");
    for (int page = 1; page <= 4; ++page) {
        QTest::mouseClick(guide.findChild<QPushButton *>("button_next"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(stack->currentIndex(), page, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2 * page, 5000);
        save(guide.grab().toImage(), QStringLiteral("guide-%1-page%2").arg(lang).arg(page));
        checkFits(guide.findChild<QTextEdit *>(QStringLiteral("textEdit_%1").arg(page - 1)),
            QStringLiteral("%1 page %2").arg(lang).arg(page));
    }

    // half way through a slide back, with the mouse on a dot
    QTest::mouseClick(guide.findChild<QPushButton *>("button_front"), Qt::LeftButton);
    QTest::mouseMove(guide.findChild<QPushButton *>("button1"));
    QTest::qWait(150);
    save(guide.grab().toImage(), QStringLiteral("guide-%1-sliding").arg(lang));
    QTRY_COMPARE_WITH_TIMEOUT(stack->currentIndex(), 3, 5000);
}

void tst_WidgetScreenshots::warningPage_data()
{
    guidePages_data();
}

void tst_WidgetScreenshots::warningPage()
{
    QFETCH(QString, language);
    useLanguage();
    const QString lang = language == "English" ? "en" : "zh";

    WarningWidget warning(nullptr);
    warning.show();
    QVERIFY(QTest::qWaitForWindowExposed(&warning));
    auto *hint = warning.findChild<QLabel *>("label_hint");

    warning.showNoDevice();
    save(warning.grab().toImage(), QStringLiteral("warning-%1-nodevice").arg(lang));
    checkFits(hint, "no device");
    // The two-line headline is taller than its 35 px label and is cut at
    // top and bottom; the window never shows it, so it is only pictured.
    warning.showMultipleDevices();
    save(warning.grab().toImage(), QStringLiteral("warning-%1-multiple").arg(lang));
    checkFits(warning.findChild<QTextBrowser *>("textB_reason"), "causes");

    auto *button = warning.findChild<QPushButton *>("button_reconnect");
    QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 20);
}

void tst_WidgetScreenshots::notices_data()
{
    guidePages_data();
}

void tst_WidgetScreenshots::notices()
{
    QFETCH(QString, language);
    useLanguage();
    const QString lang = language == "English" ? "en" : "zh";

    struct Notice
    {
        const char *text;
        const char *colour;
    };
    const Notice notices[] = {
        { "设备断开！", "#EC4545" }, { "网络连接已恢复！", "#22F517" },
        { "未检测网络连接，请检查网络连接状态！", "#EC4545" }, { nullptr, nullptr }, // the default look
    };

    // laid over the window's dark background, as the program shows them
    QImage sheet(960, 300, QImage::Format_ARGB32);
    sheet.fill(QColor("#1F2121"));
    QPainter painter(&sheet);
    int y = 20;
    for (const Notice &n : notices) {
        auto *popup = new BubblePopup(nullptr);
        popup->setText(
            n.text ? QCoreApplication::translate("Widget", n.text) : QStringLiteral("BubblePopup"));
        if (n.colour)
            popup->setBackgroundColor(QColor(n.colour));
        popup->showPopup(nullptr);
        popup->render(&painter, QPoint((960 - popup->width()) / 2, y));
        y += popup->height() + 20;
        popup->close();
    }
    painter.end();
    save(sheet, QStringLiteral("notices-%1").arg(lang));
}

void tst_WidgetScreenshots::busyIndicatorsAndStepBar()
{
    QImage sheet(960, 300, QImage::Format_ARGB32);
    sheet.fill(QColor("#D0D0D0"));
    QPainter painter(&sheet);
    const double angles[] = { 0, 45, 100, 180, 250, 315 };
    for (int i = 0; i < 6; ++i) {
        SpotFoldCircle spot(nullptr);
        spot.resize(80, 80);
        spot.setAngle(angles[i]);
        spot.render(&painter, QPoint(20 + 150 * i, 10), QRegion(), QWidget::DrawChildren);
        SlinkyCircle slinky(nullptr);
        slinky.resize(60, 60);
        slinky.setAngle(angles[i]);
        slinky.render(&painter, QPoint(100 + 150 * i, 20), QRegion(), QWidget::DrawChildren);
    }
    for (int i = 0; i < 3; ++i) {
        RippleWave ripple(nullptr);
        ripple.resize(180, 180);
        ripple.setAngle(60 + 100 * i);
        ripple.render(&painter, QPoint(20 + 190 * i, 100), QRegion(), QWidget::DrawChildren);
    }
    ZoomingBalls balls(nullptr);
    balls.resize(300, 60);
    balls.setAngle(135);
    balls.render(&painter, QPoint(620, 120), QRegion(), QWidget::DrawChildren);
    StepBar bar(nullptr);
    bar.resize(300, 8);
    bar.setStepCount(5);
    bar.setCurrentStep(2);
    bar.render(&painter, QPoint(620, 220));
    painter.end();
    save(sheet, QStringLiteral("busy-indicators-and-step-bar"));
}

QTEST_MAIN(tst_WidgetScreenshots)
#include "tst_widgetscreenshots.moc"
