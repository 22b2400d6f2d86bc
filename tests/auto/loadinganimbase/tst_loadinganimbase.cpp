#include "widgets/loadinganimbase.h"
#include "widgets/slinkycircle.h"
#include "widgets/spotfoldcircle.h"

#include <QtTest>

namespace {

// Counts the calls that exec() makes through the virtual table.
class CountingSpinner : public LoadingAnimBase
{
public:
    CountingSpinner()
        : LoadingAnimBase(nullptr)
    {
    }
    void start() override
    {
        ++starts;
        LoadingAnimBase::start();
    }
    void stop() override
    {
        ++stops;
        LoadingAnimBase::stop();
    }
    QAbstractAnimation::State state() const { return m_animation.state(); }
    const QPropertyAnimation &animation() const { return m_animation; }
    int starts = 0;
    int stops = 0;
};

class OpenSlinky : public SlinkyCircle
{
public:
    OpenSlinky()
        : SlinkyCircle(nullptr)
    {
    }
    const QPropertyAnimation &animation() const { return m_animation; }
};

} // namespace

class TestLoadingAnimBase : public QObject
{
    Q_OBJECT

private slots:
    void animationSetup();
    void angleProperty();
    void startRunsFromZeroAndLoops();
    void stopFreezesAngle();
    void execToggles();
    void startWhileRunningChangesNothing();
};

void TestLoadingAnimBase::animationSetup()
{
    CountingSpinner spinner;
    QCOMPARE(spinner.animation().targetObject(), &spinner);
    QCOMPARE(spinner.animation().propertyName(), QByteArray("angle"));
    QCOMPARE(spinner.animation().duration(), 1500);
    QCOMPARE(spinner.animation().loopCount(), -1);
    QCOMPARE(spinner.animation().easingCurve().type(), QEasingCurve::Linear);
    QCOMPARE(spinner.state(), QAbstractAnimation::Stopped);
    QCOMPARE(spinner.angle(), 0.0);

    OpenSlinky slinky;
    QCOMPARE(slinky.animation().easingCurve().type(), QEasingCurve::InOutCubic);
    QCOMPARE(slinky.animation().duration(), 1500);
}

void TestLoadingAnimBase::angleProperty()
{
    SpotFoldCircle spinner(nullptr);
    QVERIFY(spinner.setProperty("angle", 123.5));
    QCOMPARE(spinner.angle(), 123.5);
    QCOMPARE(spinner.property("angle").toDouble(), 123.5);
}

void TestLoadingAnimBase::startRunsFromZeroAndLoops()
{
    CountingSpinner spinner;
    spinner.setAngle(200);
    spinner.start();
    QCOMPARE(spinner.state(), QAbstractAnimation::Running);
    QCOMPARE(spinner.angle(), 0.0);

    // the angle climbs, wraps round after 360 and keeps going
    double highest = 0;
    bool wrapped = false;
    QTRY_VERIFY_WITH_TIMEOUT(
        (highest = qMax(highest, spinner.angle()),
            wrapped = wrapped || (highest > 180 && spinner.angle() < highest - 90), wrapped),
        10000);
    QVERIFY(highest <= 360);
    QCOMPARE(spinner.state(), QAbstractAnimation::Running);
}

void TestLoadingAnimBase::stopFreezesAngle()
{
    CountingSpinner spinner;
    spinner.start();
    QTRY_VERIFY_WITH_TIMEOUT(spinner.angle() > 0, 5000);
    spinner.stop();
    const double frozen = spinner.angle();
    QTest::qWait(200);
    QCOMPARE(spinner.angle(), frozen);
    QCOMPARE(spinner.state(), QAbstractAnimation::Stopped);
}

void TestLoadingAnimBase::execToggles()
{
    CountingSpinner spinner;
    spinner.exec();
    QCOMPARE(spinner.starts, 1);
    QCOMPARE(spinner.state(), QAbstractAnimation::Running);

    QTRY_VERIFY_WITH_TIMEOUT(spinner.angle() > 0, 5000);
    spinner.exec();
    QCOMPARE(spinner.stops, 1);
    QCOMPARE(spinner.state(), QAbstractAnimation::Stopped);
    QVERIFY(spinner.angle() > 0);

    spinner.exec();
    QCOMPARE(spinner.starts, 2);
    QCOMPARE(spinner.state(), QAbstractAnimation::Running);
    QCOMPARE(spinner.angle(), 0.0);
}

void TestLoadingAnimBase::startWhileRunningChangesNothing()
{
    CountingSpinner spinner;
    spinner.start();
    QTRY_VERIFY_WITH_TIMEOUT(spinner.angle() > 30, 5000);
    const int before = spinner.animation().currentLoopTime();
    spinner.start();
    QVERIFY(spinner.animation().currentLoopTime() >= before);
    QVERIFY(spinner.angle() > 30 || spinner.animation().currentLoop() > 0);
}

QTEST_MAIN(TestLoadingAnimBase)
#include "tst_loadinganimbase.moc"
