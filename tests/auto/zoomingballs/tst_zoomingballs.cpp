#include "widgets/zoomingballs.h"

#include <QPainter>
#include <QtTest>

namespace {

QImage render(ZoomingBalls &spinner, double angle)
{
    spinner.setAngle(angle);
    QImage image(spinner.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    spinner.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

class TestZoomingBalls : public QObject
{
    Q_OBJECT

private slots:
    void balls_data();
    void balls();
};

void TestZoomingBalls::balls_data()
{
    // 240 x 120: rMin 10, rMax 24, balls at x = 40, 80, 120, 160, 200 on y = 60
    QTest::addColumn<double>("angle");
    QTest::addColumn<QList<double>>("radius");
    QTest::addColumn<QList<int>>("alpha");

    QTest::newRow("0: all at rest") << 0.0 << QList<double> { 10, 10, 10, 10, 10 }
                                    << QList<int> { 255, 255, 255, 255, 255 };
    QTest::newRow("90: first at its top")
        << 90.0 << QList<double> { 24, 17, 10, 10, 10 } << QList<int> { 51, 153, 255, 255, 255 };
    QTest::newRow("225: fourth at its top")
        << 225.0 << QList<double> { 10, 10, 17, 24, 17 } << QList<int> { 255, 255, 153, 51, 153 };
}

void TestZoomingBalls::balls()
{
    QFETCH(double, angle);
    QFETCH(QList<double>, radius);
    QFETCH(QList<int>, alpha);

    ZoomingBalls spinner(nullptr);
    spinner.resize(240, 120);
    const QImage image = render(spinner, angle);
    for (int i = 0; i < 5; ++i) {
        const int x = 40 + 40 * i;
        const QString ball = QStringLiteral("ball %1: ").arg(i);
        QVERIFY2(qAbs(image.pixelColor(x, 60).alpha() - alpha[i]) <= 3, qPrintable(ball + "opacity"));
        // the top edge, one pixel inside and one pixel outside
        QVERIFY2(qAbs(image.pixelColor(x, int(60 - radius[i] + 1)).alpha() - alpha[i]) <= 3,
            qPrintable(ball + "inside"));
        QVERIFY2(image.pixelColor(x, int(60 - radius[i] - 2)).alpha() == 0, qPrintable(ball + "outside"));
    }
}

QTEST_MAIN(TestZoomingBalls)
#include "tst_zoomingballs.moc"
