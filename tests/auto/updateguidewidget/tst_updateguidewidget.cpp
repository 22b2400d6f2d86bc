#include "widgets/qanimationstackedwidget.h"
#include "widgets/updateguidewidget.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>
#include <QTranslator>
#include <QtTest>

namespace {

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(32, 32)).toImage();
}

bool shows(QAbstractButton *button, const char *picture)
{
    return iconImage(button->icon()) == iconImage(QIcon(QString::fromLatin1(picture)));
}

bool hasHanCharacters(const QString &text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if ((u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

} // namespace

class TestUpdateGuideWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsOnHeadlinePage();
    void forwardFourTimes();
    void clickDuringSlideIsIgnored();
    void backToHeadlineHidesDots();
    void dotsNavigate();
    void dotOnHeadlinePageOnlyShowsArrows();
    void hover();
    void texts_data();
    void texts();
    void appearance();

private:
    QPushButton *button(const char *name) const { return m_guide->findChild<QPushButton *>(name); }
    QPushButton *dot(int page) const
    {
        return button(QByteArray("button" + QByteArray::number(page - 1)).constData());
    }
    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void waitForPage(int page);
    void goTo(int page);
    void checkDots(int litPage);

    UpdateGuideWidget *m_guide = nullptr;
    QAnimationStackedWidget *m_stack = nullptr;
    QSignalSpy *m_spy = nullptr;
};

void TestUpdateGuideWidget::initTestCase()
{
    // the checks below tell pictures apart by their pixels
    QVERIFY(iconImage(QIcon(":/res/dot.png")) != iconImage(QIcon(":/res/dot-light.png")));
    QVERIFY(iconImage(QIcon(":/res/next.png")) != iconImage(QIcon(":/res/next-hover.png")));
    QVERIFY(iconImage(QIcon(":/res/front.png")) != iconImage(QIcon(":/res/front-hover.png")));
}

void TestUpdateGuideWidget::init()
{
    m_guide = new UpdateGuideWidget(nullptr);
    m_guide->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_guide));
    m_stack = m_guide->findChild<QAnimationStackedWidget *>();
    QVERIFY(m_stack);
    m_spy = new QSignalSpy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);
}

void TestUpdateGuideWidget::cleanup()
{
    delete m_spy;
    m_spy = nullptr;
    delete m_guide;
    m_guide = nullptr;
}

void TestUpdateGuideWidget::waitForPage(int page)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_stack->currentIndex(), page, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_spy->count(), 2, 5000);
    m_spy->clear();
}

void TestUpdateGuideWidget::goTo(int page)
{
    while (m_stack->currentIndex() < page) {
        const int next = m_stack->currentIndex() + 1;
        click("button_next");
        waitForPage(next);
    }
}

void TestUpdateGuideWidget::checkDots(int litPage)
{
    for (int p = 1; p <= 4; ++p) {
        QVERIFY(dot(p)->isVisible());
        QVERIFY2(shows(dot(p), p == litPage ? ":/res/dot-light.png" : ":/res/dot.png"),
            qPrintable(QStringLiteral("dot of page %1").arg(p)));
    }
}

void TestUpdateGuideWidget::startsOnHeadlinePage()
{
    QCOMPARE(m_stack->count(), 5);
    QCOMPARE(m_stack->currentIndex(), 0);
    QCOMPARE(m_stack->parentWidget()->objectName(), QStringLiteral("stackedWidget"));
    QCOMPARE(m_stack->size(), QSize(711, 351));
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(m_stack->widget(i)->objectName(), QStringLiteral("page_%1").arg(i));
        QCOMPARE(m_stack->widget(i)->size(), QSize(711, 351));
    }
    QVERIFY(button("button_front")->isHidden());
    QVERIFY(button("button_next")->isVisible());
    QVERIFY(shows(button("button_next"), ":/res/next-hover.png"));
    QVERIFY(shows(button("button_front"), ":/res/front-hover.png"));
    for (int p = 1; p <= 4; ++p)
        QVERIFY(dot(p)->isHidden());
}

void TestUpdateGuideWidget::forwardFourTimes()
{
    QElapsedTimer clock;
    for (int page = 1; page <= 4; ++page) {
        clock.start();
        click("button_next");
        // the new page comes in from exactly one page width to the right
        QCOMPARE(m_stack->widget(page)->pos(), QPoint(711, 0));
        QVERIFY(button("button_front")->isVisible());
        waitForPage(page);
        QVERIFY(clock.elapsed() >= 295);
        QCOMPARE(m_stack->widget(page)->pos(), QPoint(0, 0));
        QVERIFY(m_stack->widget(page - 1)->isHidden());
        checkDots(page);
        QCOMPARE(button("button_next")->isVisible(), page < 4);
    }
    QVERIFY(shows(dot(4), ":/res/dot-light.png"));

    // nothing beyond the last page
    button("button_next")->click();
    QVERIFY(!m_spy->wait(600));
    QCOMPARE(m_stack->currentIndex(), 4);
}

void TestUpdateGuideWidget::clickDuringSlideIsIgnored()
{
    click("button_next");
    click("button_next");
    waitForPage(1);
    QVERIFY(!m_spy->wait(600));
    QCOMPARE(m_stack->currentIndex(), 1);
    QVERIFY(m_stack->widget(2)->isHidden());
}

void TestUpdateGuideWidget::backToHeadlineHidesDots()
{
    goTo(2);
    click("button_front");
    waitForPage(1);
    QVERIFY(button("button_front")->isVisible());
    checkDots(1);

    click("button_front");
    QVERIFY(button("button_front")->isHidden());
    QVERIFY(button("button_next")->isVisible());
    waitForPage(0);
    for (int p = 1; p <= 4; ++p) {
        QVERIFY(dot(p)->isHidden());
        QVERIFY(shows(dot(p), ":/res/dot.png"));
    }
    QVERIFY(m_stack->widget(0)->isVisible());
    QCOMPARE(m_stack->widget(0)->pos(), QPoint(0, 0));
}

void TestUpdateGuideWidget::dotsNavigate()
{
    goTo(1);
    click("button3");
    QVERIFY(button("button_next")->isHidden());
    waitForPage(4);
    checkDots(4);

    click("button1");
    QVERIFY(button("button_next")->isVisible());
    QCOMPARE(m_stack->widget(2)->pos(), QPoint(-711, 0)); // coming back from the left
    waitForPage(2);
    checkDots(2);

    // the lit dot of the shown page only shows the arrows
    click("button1");
    QVERIFY(!m_spy->wait(600));
    QCOMPARE(m_stack->currentIndex(), 2);
    QVERIFY(button("button_front")->isVisible());
    QVERIFY(button("button_next")->isVisible());

    click("button0");
    waitForPage(1);
    checkDots(1);
}

void TestUpdateGuideWidget::dotOnHeadlinePageOnlyShowsArrows()
{
    // hidden on page 0, but the slot may still be reached
    button("button2")->click();
    QVERIFY(!m_spy->wait(600));
    QCOMPARE(m_stack->currentIndex(), 0);
    QVERIFY(button("button_front")->isVisible());
    QVERIFY(button("button_next")->isVisible());
}

void TestUpdateGuideWidget::hover()
{
    goTo(2);
    QEvent enter(QEvent::Enter);
    QEvent leave(QEvent::Leave);

    QCoreApplication::sendEvent(dot(1), &enter);
    QVERIFY(shows(dot(1), ":/res/dot-light.png"));
    QCoreApplication::sendEvent(dot(1), &leave);
    QVERIFY(shows(dot(1), ":/res/dot.png"));

    // the dot of the shown page stays lit
    QCoreApplication::sendEvent(dot(2), &enter);
    QCoreApplication::sendEvent(dot(2), &leave);
    QVERIFY(shows(dot(2), ":/res/dot-light.png"));

    QCoreApplication::sendEvent(button("button_next"), &enter);
    QVERIFY(shows(button("button_next"), ":/res/next.png"));
    QCoreApplication::sendEvent(button("button_next"), &leave);
    QVERIFY(shows(button("button_next"), ":/res/next-hover.png"));
    QCoreApplication::sendEvent(button("button_front"), &enter);
    QVERIFY(shows(button("button_front"), ":/res/front.png"));
    QCoreApplication::sendEvent(button("button_front"), &leave);
    QVERIFY(shows(button("button_front"), ":/res/front-hover.png"));

    // with the real mouse: onto a dot and off it again
    QTest::mouseMove(dot(4));
    QTRY_VERIFY_WITH_TIMEOUT(shows(dot(4), ":/res/dot-light.png"), 5000);
    QTest::mouseMove(m_guide, QPoint(20, 480));
    QTRY_VERIFY_WITH_TIMEOUT(shows(dot(4), ":/res/dot.png"), 5000);
}

void TestUpdateGuideWidget::texts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QStringList>("sections"); // one line of each section, in order, '|' separated

    QTest::newRow("untranslated")
        << QString() << QStringLiteral("固件升级步骤解析")
        << QStringList { QStringLiteral("一、升级前的注意事项|2、在固件升级过程中，请不要断开USB连接。"),
               QStringLiteral("二、升级前的准备工作|3、备好带有数据传输功能的USB数据线"),
               QStringLiteral("三、固件升级的5个步骤|5、检查升级后的版本。"),
               QStringLiteral("四、镜头固件升级操作|1、点击[开始连接]连接到镜头对比固件。|4、升级完成。") };
    QTest::newRow("Chinese")
        << QStringLiteral("Chinese") << QStringLiteral("固件升级步骤解析")
        << QStringList { QStringLiteral(
                             "一、升级前的注意事项|"
                             "4、一旦固件升级成功，之前的固件版本将被覆盖，无法恢复至原固件版本。"),
               QStringLiteral("二、升级前的准备工作|1、准备好需要进行固件升级的镜头。"),
               QStringLiteral("三、固件升级的5个步骤|3、通过USB数据线将镜头和电脑进行连接。"),
               QStringLiteral("四、镜头固件升级操作|3、点击[更新最新固件]"
                              "传输固件数据进度条将在升级时出现。（注意：升级时不要断开USB连接线）") };
    QTest::newRow("English")
        << QStringLiteral("English") << QStringLiteral("Firmware Update Steps Explanation")
        << QStringList { QStringLiteral(
                             "A.Precautions before updating|"
                             "1. Updating carries risks. If the update fails, the lens may not function "
                             "properly, so please read the update instructions carefully.|"
                             "2. During the firmware update process, do not disconnect the USB connection.|"
                             "3. The time required for the firmware update depends on the file size, so "
                             "please be patient.|"
                             "4. Once the firmware update is successful, the previous firmware version will "
                             "be replaced."),
               QStringLiteral(
                   "B.Preparations before updating|1. Prepare the lens that requires firmware update.|"
                   "2. Please ensure that the computer network is connected.|"
                   "3. Ready with the data transmission function of USB data cable"),
               QStringLiteral("C.Five steps to firmware update|1. Check the current firmware version.|"
                              "2. Confirm whether the lens is suitable for this firmware update.|"
                              "3. Connect the lens to the computer through the USB cable.|"
                              "4. Firmware update operation.|5. Check the update version."),
               QStringLiteral(
                   "D.Lens firmware update operation|1.Click[Connect]to connect to the lens contrast "
                   "firmware.|"
                   "2, If the firmware is the latest version, there is no need to update.|"
                   "3.Click[Update]transfer firmware data progress bar will appear during the update."
                   "(Note: Do not disconnect the USB cable when updating.)|"
                   "4. The update is complete.") };
}

void TestUpdateGuideWidget::texts()
{
    QFETCH(QString, language);
    QFETCH(QString, headline);
    QFETCH(QStringList, sections);

    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(translator.load(QStringLiteral(":/%1.qm").arg(language)));
        QCoreApplication::installTranslator(&translator);
    }
    UpdateGuideWidget guide(nullptr);
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(guide.findChild<QLabel *>("label_headline")->text(), headline);
    for (int i = 0; i < 4; ++i) {
        const QString text
            = guide.findChild<QTextEdit *>(QStringLiteral("textEdit_%1").arg(i))->toPlainText();
        const QStringList lines = text.split('\n');
        for (const QString &line : sections[i].split('|'))
            QVERIFY2(
                lines.contains(line), qPrintable(QStringLiteral("missing \"%1\" in\n%2").arg(line, text)));
        if (language == "English")
            QVERIFY2(!hasHanCharacters(text), qPrintable(text));
    }
}

void TestUpdateGuideWidget::appearance()
{
    QVERIFY(m_guide->autoFillBackground());
    QCOMPARE(m_guide->palette().color(QPalette::Window), QColor("#1F2121"));
    for (int i = 0; i < 4; ++i) {
        auto *edit = m_guide->findChild<QTextEdit *>(QStringLiteral("textEdit_%1").arg(i));
        QVERIFY(edit->isReadOnly());
        QVERIFY(!edit->textCursor().hasSelection());
        const QTextBlockFormat first = edit->document()->firstBlock().blockFormat();
        QCOMPARE(first.lineHeight(), 20.0);
        QCOMPARE(first.lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    }
    const QImage image = m_guide->grab().toImage();
    QCOMPARE(image.pixelColor(5, 250), QColor("#1F2121"));

    // the headline in green on page 0
    auto *headline = m_guide->findChild<QLabel *>("label_headline");
    const QRect area(headline->mapTo(m_guide, QPoint(0, 0)), headline->size());
    bool green = false;
    for (int x = area.left(); x <= area.right() && !green; ++x)
        for (int y = area.top(); y <= area.bottom() && !green; ++y)
            green = image.pixelColor(x, y) == QColor("#1FEF80");
    QVERIFY(green);
}

QTEST_MAIN(TestUpdateGuideWidget)
#include "tst_updateguidewidget.moc"
