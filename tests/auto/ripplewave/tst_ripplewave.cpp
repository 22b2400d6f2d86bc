#include "widgets/ripplewave.h"

#include <QPainter>
#include <QtTest>

namespace {

const int radii[] = { 10, 15, 22, 31, 42, 55, 70, 87 };

QImage render(RippleWave &spinner, double angle)
{
    spinner.setAngle(angle);
    QImage image(spinner.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    spinner.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

class TestRippleWave : public QObject
{
    Q_OBJECT

private slots:
    void ringWindow_data();
    void ringWindow();
};

void TestRippleWave::ringWindow_data()
{
    QTest::addColumn<int>("ring");
    QTest::addColumn<double>("offset"); // angle minus the ring's delay
    QTest::addColumn<int>("alpha"); // expected, within 8

    for (int k = 0; k < 8; ++k) {
        const QByteArray name = "ring " + QByteArray::number(k);
        if (k > 0)
            QTest::newRow(name + " before its delay") << k << -5.0 << 0;
        QTest::newRow(name + " at its delay") << k << 0.0 << 0;
        QTest::newRow(name + " fading in, half") << k << 180.0 / 7 << 128;
        QTest::newRow(name + " full") << k << 77.0 << 255;
        QTest::newRow(name + " fading out, half") << k << 900.0 / 7 << 128;
        QTest::newRow(name + " just before the end") << k << 154.0 << 1;
        QTest::newRow(name + " at the end") << k << 1080.0 / 7 << 0;
        if (k < 7)
            QTest::newRow(name + " after the end") << k << 160.0 << 0;
    }
}

void TestRippleWave::ringWindow()
{
    QFETCH(int, ring);
    QFETCH(double, offset);
    QFETCH(int, alpha);

    RippleWave spinner(nullptr);
    spinner.resize(200, 200);
    const QImage image = render(spinner, ring * 180.0 / 7 + offset);
    // the pixel just right of the centre's row at the ring's radius lies
    // wholly inside its 3 px stroke; the other rings are at least 5 px away
    const QColor pixel = image.pixelColor(100 + radii[ring], 100);
    QVERIFY2(qAbs(pixel.alpha() - alpha) <= 8,
        qPrintable(QStringLiteral("alpha %1, expected %2").arg(pixel.alpha()).arg(alpha)));
    if (alpha > 0)
        QCOMPARE(pixel.rgb(), QColor("black").rgb());
}

QTEST_MAIN(TestRippleWave)
#include "tst_ripplewave.moc"
