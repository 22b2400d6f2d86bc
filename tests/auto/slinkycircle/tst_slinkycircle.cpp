#include "widgets/slinkycircle.h"

#include <QPainter>
#include <QtMath>
#include <QtTest>

namespace {

QImage render(SlinkyCircle &spinner, double angle)
{
    spinner.setAngle(angle);
    QImage image(spinner.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    spinner.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Alpha on the arc's circle (radius 30 around (50, 50) for a 100 x 100
// spinner) at a clock position given in degrees clockwise from 12 o'clock.
int alphaAtClock(const QImage &image, double degrees)
{
    const double a = qDegreesToRadians(degrees);
    return image.pixelColor(int(50 + 30 * qSin(a)), int(50 - 30 * qCos(a))).alpha();
}

} // namespace

class TestSlinkyCircle : public QObject
{
    Q_OBJECT

private slots:
    void arc_data();
    void arc();
    void penAndRectangleFollowSize();
};

void TestSlinkyCircle::arc_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<QList<double>>("drawn");
    QTest::addColumn<QList<double>>("empty");

    // caps are round and 2.5 px deep, about 5 degrees on a 30 px radius
    QTest::newRow("45: 45 degrees clockwise from 12")
        << 45.0 << QList<double> { 3, 22.5, 42 } << QList<double> { 60, 90, 180, 270, 345 };
    QTest::newRow("315: 45 degrees anticlockwise from 12")
        << 315.0 << QList<double> { 357, 337.5, 318 } << QList<double> { 300, 270, 180, 90, 15 };
    QTest::newRow("90: 12 to 3") << 90.0 << QList<double> { 5, 45, 85 }
                                 << QList<double> { 110, 180, 250, 340 };
    QTest::newRow("180: half way, 4:30 to 7:30")
        << 180.0 << QList<double> { 140, 180, 220 } << QList<double> { 0, 90, 120, 240, 270 };
    QTest::newRow("270: 9 to 12") << 270.0 << QList<double> { 275, 315, 355 }
                                  << QList<double> { 20, 90, 180, 250 };
    QTest::newRow("0: nothing but the cap")
        << 0.0 << QList<double> {} << QList<double> { 15, 90, 180, 270, 345 };
}

void TestSlinkyCircle::arc()
{
    QFETCH(double, angle);
    QFETCH(QList<double>, drawn);
    QFETCH(QList<double>, empty);

    SlinkyCircle spinner(nullptr);
    spinner.resize(100, 100);
    const QImage image = render(spinner, angle);
    for (double at : drawn) {
        QVERIFY2(alphaAtClock(image, at) > 200, qPrintable(QStringLiteral("%1 degrees not drawn").arg(at)));
        const double a = qDegreesToRadians(at);
        QCOMPARE(
            image.pixelColor(int(50 + 30 * qSin(a)), int(50 - 30 * qCos(a))).rgb(), QColor("black").rgb());
    }
    for (double at : empty)
        QVERIFY2(alphaAtClock(image, at) == 0, qPrintable(QStringLiteral("%1 degrees drawn").arg(at)));
}

void TestSlinkyCircle::penAndRectangleFollowSize()
{
    // 200 x 200: pen 10 px, radius 60 around (100, 100)
    SlinkyCircle spinner(nullptr);
    spinner.resize(200, 200);
    const QImage image = render(spinner, 45);
    const double a = qDegreesToRadians(22.5);
    auto alphaAtRadius
        = [&](double r) { return image.pixelColor(int(100 + r * qSin(a)), int(100 - r * qCos(a))).alpha(); };
    QCOMPARE(alphaAtRadius(60), 255);
    QVERIFY(alphaAtRadius(56) > 200);
    QVERIFY(alphaAtRadius(64) > 200);
    QCOMPARE(alphaAtRadius(52), 0);
    QCOMPARE(alphaAtRadius(68), 0);
}

QTEST_MAIN(TestSlinkyCircle)
#include "tst_slinkycircle.moc"
