#include "widgets/warningwidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTranslator>
#include <QtTest>

namespace {

bool hasHanCharacters(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF)
            return true;
        if (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF)
            return true;
    }
    return false;
}

} // namespace

class TestWarningWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void objectNames();
    void headlines_data();
    void headlines();
    void oneSignalPerClick();
    void warningPictureResolves();
    void appearance();

private:
    QTranslator *m_translator = nullptr;
    void installTranslation(const QString &language);
};

void TestWarningWidget::init()
{
    m_translator = nullptr;
}

void TestWarningWidget::cleanup()
{
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
        m_translator = nullptr;
    }
}

void TestWarningWidget::installTranslation(const QString &language)
{
    if (language.isEmpty())
        return;
    m_translator = new QTranslator;
    QVERIFY(m_translator->load(QStringLiteral(":/%1.qm").arg(language)));
    QVERIFY(QCoreApplication::installTranslator(m_translator));
}

void TestWarningWidget::objectNames()
{
    WarningWidget warning(nullptr);
    QCOMPARE(warning.objectName(), QStringLiteral("WarningWidget"));
    QCOMPARE(warning.size(), QSize(960, 500));
    auto *image = warning.findChild<QLabel *>("label_image");
    auto *hint = warning.findChild<QLabel *>("label_hint");
    auto *button = warning.findChild<QPushButton *>("button_reconnect");
    auto *reasons = warning.findChild<QTextBrowser *>("textB_reason");
    QVERIFY(image && hint && button && reasons);
}

void TestWarningWidget::headlines_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("noDevice");
    QTest::addColumn<QString>("multiple");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("reasons");

    QTest::newRow("untranslated") << QString() << QStringLiteral("未查询到任何设备")
                                  << QStringLiteral("检测到有多个设备\n请移除其他设备")
                                  << QStringLiteral("重新连接")
                                  << QStringList { QStringLiteral("原因可能如下："),
                                         QStringLiteral("1、检查设备本身故障"),
                                         QStringLiteral("5、检查USB端口") };
    QTest::newRow("Chinese") << QStringLiteral("Chinese") << QStringLiteral("未查询到任何设备")
                             << QStringLiteral("检测到有多个设备\n请移除其他设备")
                             << QStringLiteral("重新连接")
                             << QStringList { QStringLiteral("原因可能如下："),
                                    QStringLiteral("3、检查电源管理设置") };
    QTest::newRow("English") << QStringLiteral("English") << QStringLiteral("No devices found")
                             << QStringLiteral("Multiple devices detected\nRemove other devices")
                             << QStringLiteral("Reconnect")
                             << QStringList { QStringLiteral("The reasons may be as follows:"),
                                    QStringLiteral("1. Check the device itself"),
                                    QStringLiteral("2. Check the power supply"),
                                    QStringLiteral("3. Check the power management settings"),
                                    QStringLiteral("4. Check the USB device driver"),
                                    QStringLiteral("5. Check the USB port") };
}

void TestWarningWidget::headlines()
{
    QFETCH(QString, language);
    QFETCH(QString, noDevice);
    QFETCH(QString, multiple);
    QFETCH(QString, button);
    QFETCH(QStringList, reasons);
    installTranslation(language);

    WarningWidget warning(nullptr);
    auto *hint = warning.findChild<QLabel *>("label_hint");
    QCOMPARE(hint->text(), noDevice);
    QCOMPARE(warning.findChild<QPushButton *>("button_reconnect")->text(), button);

    const QString causes = warning.findChild<QTextBrowser *>("textB_reason")->toPlainText();
    for (const QString &line : reasons)
        QVERIFY2(causes.contains(line), qPrintable(causes));
    if (language == "English")
        QVERIFY2(!hasHanCharacters(causes), qPrintable(causes));

    warning.showMultipleDevices();
    QCOMPARE(hint->text(), multiple);
    QCOMPARE(hint->text().count('\n'), 1);
    QCOMPARE(hint->alignment(), Qt::AlignCenter);
    warning.showNoDevice();
    QCOMPARE(hint->text(), noDevice);
}

void TestWarningWidget::oneSignalPerClick()
{
    WarningWidget warning(nullptr);
    warning.show();
    QVERIFY(QTest::qWaitForWindowExposed(&warning));
    QSignalSpy spy(&warning, &WarningWidget::button_reconnect_clicked);
    auto *button = warning.findChild<QPushButton *>("button_reconnect");

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    button->click();
    QCOMPARE(spy.count(), 2);
    QTest::mouseClick(button, Qt::RightButton);
    QCOMPARE(spy.count(), 2);
}

void TestWarningWidget::warningPictureResolves()
{
    // the form names the picture ":res/warning-y.png", without a slash
    WarningWidget warning(nullptr);
    const QPixmap shown = warning.findChild<QLabel *>("label_image")->pixmap(Qt::ReturnByValue);
    QVERIFY(!shown.isNull());
    QCOMPARE(shown.size(), QSize(64, 58));
    QCOMPARE(shown.toImage(), QImage(":/res/warning-y.png").convertToFormat(shown.toImage().format()));
}

void TestWarningWidget::appearance()
{
    WarningWidget warning(nullptr);
    QVERIFY(warning.autoFillBackground());
    QCOMPARE(warning.palette().color(QPalette::Active, QPalette::Window), QColor("#1F2121"));
    QCOMPARE(warning.palette().color(QPalette::Inactive, QPalette::Window), QColor("#1F2121"));
    QCOMPARE(warning.palette().color(QPalette::Disabled, QPalette::Window), QColor("#1F2121"));

    const QImage image = warning.grab().toImage();
    QCOMPARE(image.pixelColor(20, 20), QColor("#1F2121"));
    // the grey pill of the reconnect button
    QCOMPARE(image.pixelColor(560, 353), QColor("#626262"));
    // headline in white
    auto *hint = warning.findChild<QLabel *>("label_hint");
    bool white = false;
    for (int x = hint->x(); x < hint->x() + hint->width() && !white; ++x)
        for (int y = hint->y(); y < hint->y() + hint->height() && !white; ++y)
            white = image.pixelColor(x, y) == QColor("#FFFFFF");
    QVERIFY(white);
}

QTEST_MAIN(TestWarningWidget)
#include "tst_warningwidget.moc"
