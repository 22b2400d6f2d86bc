#include "widgets/stepbar.h"

#include <QImage>
#include <QtTest>

namespace {

struct Span
{
    int from;
    int to; // inclusive
    char what; // 't' track, 'p' progress, 'd' divider
};

const QColor track("#FF0000"); // set so that the dividers stand out
const QColor progress("#FFFFFF");
const QColor divider("#1F2121");

QImage render(StepBar &bar)
{
    QImage image(bar.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    bar.render(&image);
    return image;
}

} // namespace

Q_DECLARE_METATYPE(QVector<Span>)

class TestStepBar : public QObject
{
    Q_OBJECT

private slots:
    void pixels_data();
    void pixels();
    void defaultColours();
    void withoutStepsBareTrack_data();
    void withoutStepsBareTrack();
};

void TestStepBar::pixels_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("step");
    QTest::addColumn<QVector<Span>>("spans");

    QTest::newRow("4 steps on 400, step 1")
        << 400 << 4 << 1
        << QVector<Span> { { 0, 99, 'p' }, { 100, 101, 'd' }, { 102, 199, 't' }, { 200, 201, 'd' },
               { 202, 299, 't' }, { 300, 301, 'd' }, { 302, 399, 't' } };
    QTest::newRow("4 steps on 400, step 0")
        << 400 << 4 << 0
        << QVector<Span> { { 0, 99, 't' }, { 100, 101, 'd' }, { 102, 199, 't' }, { 200, 201, 'd' },
               { 202, 299, 't' }, { 300, 301, 'd' }, { 302, 399, 't' } };
    QTest::newRow("4 steps on 400, full")
        << 400 << 4 << 4
        << QVector<Span> { { 0, 99, 'p' }, { 100, 101, 'd' }, { 102, 199, 'p' }, { 200, 201, 'd' },
               { 202, 299, 'p' }, { 300, 301, 'd' }, { 302, 399, 'p' } };
    QTest::newRow("one step, empty") << 50 << 1 << 0 << QVector<Span> { { 0, 49, 't' } };
    QTest::newRow("one step, full") << 50 << 1 << 1 << QVector<Span> { { 0, 49, 'p' } };
    // s = 99 / 5 = 19; fill = 99 * 2 / 5 = 39 pixels, the divider at 38 on top
    QTest::newRow("5 steps on 99, step 2")
        << 99 << 5 << 2
        << QVector<Span> { { 0, 18, 'p' }, { 19, 20, 'd' }, { 21, 37, 'p' }, { 38, 39, 'd' }, { 40, 56, 't' },
               { 57, 58, 'd' }, { 59, 75, 't' }, { 76, 77, 'd' }, { 78, 98, 't' } };
    // fill = 99 * 4 / 5 = 79 pixels, one past the divider at 76 (not 4 * 19 = 76)
    QTest::newRow("5 steps on 99, step 4")
        << 99 << 5 << 4
        << QVector<Span> { { 59, 75, 'p' }, { 76, 77, 'd' }, { 78, 78, 'p' }, { 79, 98, 't' } };
    // more steps than pixels: s = 0, every divider at x = 0
    QTest::newRow("1000 steps on 100, step 500")
        << 100 << 1000 << 500 << QVector<Span> { { 0, 1, 'd' }, { 2, 49, 'p' }, { 50, 99, 't' } };
}

void TestStepBar::pixels()
{
    QFETCH(int, width);
    QFETCH(int, count);
    QFETCH(int, step);
    QFETCH(QVector<Span>, spans);

    StepBar bar(nullptr);
    bar.resize(width, 6);
    bar.setBackgroundColor(track);
    bar.setProgressColor(progress);
    bar.setStepCount(count);
    bar.setCurrentStep(step);
    const QImage image = render(bar);

    for (const Span &span : spans) {
        const QColor expected = span.what == 'p' ? progress : span.what == 'd' ? divider : track;
        for (int x = span.from; x <= span.to; ++x) {
            for (int y = 0; y < 6; ++y) {
                if (image.pixelColor(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, expected %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(image.pixelColor(x, y).name(), expected.name())));
            }
        }
    }
}

void TestStepBar::defaultColours()
{
    StepBar bar(nullptr);
    bar.resize(100, 4);
    bar.setStepCount(2);
    bar.setCurrentStep(1);
    const QImage image = render(bar);
    QCOMPARE(image.pixelColor(10, 1), QColor("#FFFFFF"));
    QCOMPARE(image.pixelColor(50, 1), QColor("#1F2121"));
    QCOMPARE(image.pixelColor(80, 1), QColor("#1F2121"));
}

void TestStepBar::withoutStepsBareTrack_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("step");
    QTest::newRow("never set") << 0 << 0;
    QTest::newRow("zero steps, step 3") << 0 << 3;
    QTest::newRow("negative steps") << -4 << 1;
    QTest::newRow("negative steps, negative step") << -1 << -1;
}

void TestStepBar::withoutStepsBareTrack()
{
    QFETCH(int, count);
    QFETCH(int, step);
    StepBar bar(nullptr);
    bar.resize(120, 5);
    bar.setBackgroundColor(track);
    if (count != 0 || step != 0) {
        bar.setStepCount(count);
        bar.setCurrentStep(step);
    }
    const QImage image = render(bar);
    for (int x = 0; x < 120; ++x)
        QCOMPARE(image.pixelColor(x, 2), track);
}

QTEST_MAIN(TestStepBar)
#include "tst_stepbar.moc"
