#include "widgets/bubblepopup.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

class TestBubblePopup : public QObject
{
    Q_OBJECT

private slots:
    void setup();
    void sizeFollowsText_data();
    void sizeFollowsText();
    void marginsApplyAtNextText();
    void fontSize();
    void placementWithoutAnchor();
    void anchoredPopupIsNotMoved();
    void painting();
    void goneTwoSecondsAfterConstruction_data();
    void goneTwoSecondsAfterConstruction();
};

void TestBubblePopup::setup()
{
    QWidget parent;
    auto *popup = new BubblePopup(&parent);
    QVERIFY(popup->isWindow());
    QVERIFY(popup->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(popup->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(popup->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(popup->font().pointSize(), 15);
    QCOMPARE(popup->displayTime(), 1000);

    auto *withText = new BubblePopup(QStringLiteral("Hello"), &parent);
    QCOMPARE(withText->text(), QStringLiteral("Hello"));
}

void TestBubblePopup::sizeFollowsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("notice") << QStringLiteral("Device disconnected!");
    QTest::newRow("chinese notice") << QStringLiteral("设备断开！");
    QTest::newRow("empty") << QString();
}

void TestBubblePopup::sizeFollowsText()
{
    QFETCH(QString, text);
    BubblePopup popup(nullptr);
    popup.setText(text);

    const QFontMetrics metrics(popup.font());
    QCOMPARE(popup.size(), QSize(metrics.horizontalAdvance(text) + 20, metrics.height() + 20));
    QCOMPARE(popup.minimumSize(), popup.maximumSize());
    QCOMPARE(popup.text(), text);
    if (text.isEmpty())
        QCOMPARE(popup.width(), 20);
}

void TestBubblePopup::marginsApplyAtNextText()
{
    BubblePopup popup(nullptr);
    popup.setText(QStringLiteral("Update failed!"));
    const QSize before = popup.size();
    popup.setMargins(60, 4);
    QCOMPARE(popup.size(), before);
    popup.setText(QStringLiteral("Update failed!"));
    QCOMPARE(popup.size(), before + QSize(40, -16));
}

void TestBubblePopup::fontSize()
{
    BubblePopup popup(nullptr);
    popup.setFontSize(30);
    QCOMPARE(popup.font().pointSize(), 30);
    popup.setText(QStringLiteral("Big"));
    const QFontMetrics metrics(popup.font());
    QCOMPARE(popup.height(), metrics.height() + 20);
}

void TestBubblePopup::placementWithoutAnchor()
{
    BubblePopup popup(nullptr);
    popup.setText(QStringLiteral("Network connection restored!"));
    popup.showPopup(nullptr);

    const QRect screen = QGuiApplication::screens().first()->geometry();
    const QPoint expected(
        ((screen.right() - screen.left()) - (popup.width() - 1)) / 2, (screen.bottom() - screen.top()) - 199);
    QCOMPARE(popup.pos(), expected);
    QVERIFY(popup.isVisible());
}

void TestBubblePopup::anchoredPopupIsNotMoved()
{
    QWidget window;
    window.resize(960, 540);
    window.show();
    auto *popup = new BubblePopup(&window);
    popup->setText(QStringLiteral("Update successfully!"));
    popup->move(123, 45);
    popup->showPopup(&window);
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->pos(), QPoint(123, 45));
}

void TestBubblePopup::painting()
{
    BubblePopup popup(nullptr);
    popup.setText(QStringLiteral("MMMM"));
    popup.setBackgroundColor(QColor("#EC4545"));

    QImage image(popup.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    popup.render(&painter);
    painter.end();

    const int w = popup.width(), h = popup.height();
    // rounded corners (radius 6) stay clear, the edges are filled
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(w - 1, h - 1).alpha(), 0);
    QCOMPARE(image.pixelColor(w / 2, 1), QColor("#EC4545"));
    QCOMPARE(image.pixelColor(1, h / 2), QColor("#EC4545"));
    // white text somewhere in the middle
    bool white = false;
    for (int x = 10; x < w - 10 && !white; ++x)
        white = image.pixelColor(x, h / 2) == QColor(Qt::white);
    QVERIFY(white);

    // default fill: black at alpha 175
    BubblePopup plain(nullptr);
    plain.setText(QString());
    QImage second(plain.size(), QImage::Format_ARGB32);
    second.fill(Qt::transparent);
    QPainter p2(&second);
    plain.render(&p2);
    p2.end();
    QCOMPARE(second.pixelColor(10, plain.height() / 2), QColor(0, 0, 0, 175));
}

void TestBubblePopup::goneTwoSecondsAfterConstruction_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("shown") << true;
    QTest::newRow("never shown") << false;
}

void TestBubblePopup::goneTwoSecondsAfterConstruction()
{
    QFETCH(bool, shown);
    QWidget window;
    window.show();

    QElapsedTimer clock;
    clock.start();
    QPointer<BubblePopup> popup = new BubblePopup(QStringLiteral("Device disconnected!"), &window);
    QSignalSpy finished(popup.data(), &BubblePopup::finished);
    if (shown)
        popup->showPopup(&window);

    // one second steady: the fade begins, the popup is still there
    QTRY_VERIFY_WITH_TIMEOUT(popup && popup->windowOpacity() < 1.0, 10000);
    QVERIFY(clock.elapsed() >= 950);
    QCOMPARE(finished.count(), 0);

    // one second fading, then finished() and the deletion
    QVERIFY(finished.wait(10000));
    QVERIFY(clock.elapsed() >= 1900);
    QTRY_VERIFY_WITH_TIMEOUT(popup.isNull(), 5000);
    QVERIFY(window.isVisible());
}

QTEST_MAIN(TestBubblePopup)
#include "tst_bubblepopup.moc"
