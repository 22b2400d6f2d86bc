#include "widgets/spotfoldcircle.h"

#include <QPainter>
#include <QtMath>
#include <QtTest>

namespace {

const int scale = 8; // rendered eight times larger, so edges can be found to 1/8 pixel

QImage render(SpotFoldCircle &spinner, double angle)
{
    spinner.setAngle(angle);
    QImage image(spinner.size() * scale, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(scale, scale);
    spinner.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Coverage (alpha) at a point given in widget coordinates.
int alphaAt(const QImage &image, const QPointF &p)
{
    return image.pixelColor(int(p.x() * scale), int(p.y() * scale)).alpha();
}

const double delays[] = { 0, 15, 28, 40, 50 };
const double radii[] = { 10, 8, 6.4, 5.12, 4.1 };

} // namespace

class TestSpotFoldCircle : public QObject
{
    Q_OBJECT

private slots:
    void colour();
    void dots_data();
    void dots();
};

void TestSpotFoldCircle::colour()
{
    SpotFoldCircle spinner(nullptr);
    spinner.resize(120, 120);
    const QImage image = render(spinner, 0);
    QCOMPARE(image.pixelColor(60 * scale, 20 * scale), QColor("#23DE79"));
    QCOMPARE(image.pixelColor(60 * scale, 60 * scale).alpha(), 0);
}

void TestSpotFoldCircle::dots_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<QList<int>>("checked"); // dots whose edges no other dot covers

    QTest::newRow("0: all wait at the top") << 0.0 << QList<int> { 0 };
    QTest::newRow("100: all on their way") << 100.0 << QList<int> { 0, 1, 2, 3, 4 };
    QTest::newRow("200: all on their way") << 200.0 << QList<int> { 0, 1, 2, 3, 4 };
    QTest::newRow("330: first two back at the top") << 330.0 << QList<int> { 0, 3, 4 };
    QTest::newRow("360: all back at the top") << 360.0 << QList<int> { 0 };
}

void TestSpotFoldCircle::dots()
{
    QFETCH(double, angle);
    QFETCH(QList<int>, checked);

    SpotFoldCircle spinner(nullptr);
    spinner.resize(120, 120);
    const QImage image = render(spinner, angle);
    const QPointF centre(60, 60);
    const double orbit = 40; // -(120 / 2) + 2 * (120 / 12)

    for (int k : checked) {
        const double d = angle - delays[k];
        const double turn = (d > 0 && d < 310) ? d * 360 / 310 : 0;
        const QPointF out(qSin(qDegreesToRadians(turn)), -qCos(qDegreesToRadians(turn)));
        const double r = radii[k];
        const QString where = QStringLiteral("dot %1 at angle %2").arg(k + 1).arg(angle);

        QVERIFY2(alphaAt(image, centre + out * orbit) == 255, qPrintable(where + ": centre"));
        QVERIFY2(alphaAt(image, centre + out * (orbit + r - 0.4)) > 200,
            qPrintable(where + ": outer edge inside"));
        QVERIFY2(alphaAt(image, centre + out * (orbit + r + 0.4)) < 55,
            qPrintable(where + ": outer edge outside"));
        QVERIFY2(alphaAt(image, centre + out * (orbit - r + 0.4)) > 200,
            qPrintable(where + ": inner edge inside"));
        QVERIFY2(alphaAt(image, centre + out * (orbit - r - 0.4)) < 55,
            qPrintable(where + ": inner edge outside"));
    }
}

QTEST_MAIN(TestSpotFoldCircle)
#include "tst_spotfoldcircle.moc"
