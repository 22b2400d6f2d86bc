#include "widgets/qanimationstackedwidget.h"

#include <QAnimationDriver>
#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Drives every animation by hand, so positions and durations can be checked
// at exact animation times. Plain transitions only: a mask pause lets Qt fall
// back to a real timer.
class ManualClock : public QAnimationDriver
{
public:
    ManualClock() { install(); }
    ~ManualClock() override { uninstall(); }

    qint64 elapsed() const override { return m_now; }

    // Lets Qt register freshly started animations (two queued hops).
    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    void advanceBy(qint64 ms)
    {
        m_now += ms;
        advance();
    }

private:
    qint64 m_now = 0;
};

bool isAbove(QWidget *upper, QWidget *lower)
{
    const QObjectList siblings = upper->parentWidget()->children();
    return siblings.indexOf(upper) > siblings.indexOf(lower);
}

QPoint mid(const QPoint &a, const QPoint &b)
{
    return (a + b) / 2;
}

} // namespace

class TestQAnimationStackedWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void refusedRequests_data();
    void refusedRequests();
    void transitionTypes_data();
    void transitionTypes();
    void requestDuringSlideIsDropped();
    void requestFromFirstSignalOfSlideIsDropped();
    void durations();
    void offsetsFollowLastTypeCall();
    void plainRequestWithoutPlainType_data();
    void plainRequestWithoutPlainType();

    void maskSequence();
    void maskRefused_data();
    void maskRefused();
    void plainTypeAfterMaskRestoresPlainTransitions();
    void destructionReleasesAnimations_data();
    void destructionReleasesAnimations();

private:
    void addPages(QAnimationStackedWidget *stack, int count);
    void runMask(int indexmask, int indexbefore, int indexafter);

    QAnimationStackedWidget *m_stack = nullptr;
    QList<QWidget *> m_pages;
};

void TestQAnimationStackedWidget::addPages(QAnimationStackedWidget *stack, int count)
{
    for (int i = 0; i < count; ++i) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("page%1").arg(i));
        stack->addWidget(page);
        if (stack == m_stack)
            m_pages << page;
    }
}

void TestQAnimationStackedWidget::init()
{
    m_stack = new QAnimationStackedWidget(nullptr);
    m_stack->resize(200, 100);
    addPages(m_stack, 4);
    m_stack->setCurrentIndex(0);
    m_stack->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_stack));
}

void TestQAnimationStackedWidget::cleanup()
{
    delete m_stack;
    m_stack = nullptr;
    m_pages.clear();
}

void TestQAnimationStackedWidget::refusedRequests_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("page to itself") << 0 << 0;
    QTest::newRow("after equal to count") << 0 << 4;
    QTest::newRow("before equal to count") << 4 << 0;
    QTest::newRow("negative before") << -1 << 1;
    QTest::newRow("negative after") << 0 << -1;
    QTest::newRow("far out of range") << 0 << 1000;
}

void TestQAnimationStackedWidget::refusedRequests()
{
    QFETCH(int, before);
    QFETCH(int, after);
    ManualClock clock;
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);

    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(before, after);
    ManualClock::settle();
    clock.advanceBy(1000);

    QCOMPARE(spy.count(), 0);
    QCOMPARE(m_stack->currentIndex(), 0);
    for (int i = 0; i < m_pages.size(); ++i) {
        QCOMPARE(m_pages[i]->pos(), QPoint(0, 0));
        QCOMPARE(m_pages[i]->isVisible(), i == 0);
    }

    // nothing was left half-started
    m_stack->StartStackedWidgetAnimation(0, 1);
    ManualClock::settle();
    clock.advanceBy(200);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(m_stack->currentIndex(), 1);
}

void TestQAnimationStackedWidget::transitionTypes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("emits");
    QTest::addColumn<QPoint>("beforeEnd");
    QTest::addColumn<QPoint>("afterStart");
    QTest::addColumn<QString>("raised");

    const QPoint o(0, 0), l(-200, 0), r(200, 0), t(0, -100), b(0, 100);
    QTest::newRow("0 SlideRight") << 0 << 2 << r << l << "";
    QTest::newRow("1 SlideLeft") << 1 << 2 << l << r << "";
    QTest::newRow("2 SlideDown") << 2 << 2 << b << t << "";
    QTest::newRow("3 SlideUp") << 3 << 2 << t << b << "";
    QTest::newRow("4 CoverFromLeft") << 4 << 1 << o << l << "after";
    QTest::newRow("5 CoverFromRight") << 5 << 1 << o << r << "after";
    QTest::newRow("6 CoverFromTop") << 6 << 1 << o << t << "after";
    QTest::newRow("7 CoverFromBottom") << 7 << 1 << o << b << "after";
    QTest::newRow("8 UncoverToLeft") << 8 << 2 << l << o << "before";
    QTest::newRow("9 UncoverToRight") << 9 << 2 << r << o << "before";
    QTest::newRow("10 UncoverToTop") << 10 << 2 << t << o << "before";
    QTest::newRow("11 UncoverToBottom") << 11 << 2 << b << o << "before";
}

void TestQAnimationStackedWidget::transitionTypes()
{
    QFETCH(int, type);
    QFETCH(int, emits);
    QFETCH(QPoint, beforeEnd);
    QFETCH(QPoint, afterStart);
    QFETCH(QString, raised);

    ManualClock clock;
    m_stack->setCurrentIndex(2);
    QWidget *before = m_pages[2];
    QWidget *after = m_pages[3];
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);

    m_stack->setAnimationType(type);
    m_stack->StartStackedWidgetAnimation(2, 3);
    ManualClock::settle();

    QVERIFY(before->isVisible());
    QVERIFY(after->isVisible());
    QCOMPARE(before->pos(), QPoint(0, 0));
    QCOMPARE(after->pos(), afterStart);
    if (raised == "after")
        QVERIFY(isAbove(after, before));
    else if (raised == "before")
        QVERIFY(isAbove(before, after));

    clock.advanceBy(100);
    QCOMPARE(before->pos(), mid(QPoint(0, 0), beforeEnd));
    QCOMPARE(after->pos(), mid(afterStart, QPoint(0, 0)));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(m_stack->currentIndex(), 2);

    clock.advanceBy(100);
    QCOMPARE(spy.count(), emits);
    for (const QList<QVariant> &args : qAsConst(spy)) {
        QCOMPARE(args.at(0).toInt(), 2);
        QCOMPARE(args.at(1).toInt(), 3);
    }
    QCOMPARE(m_stack->currentIndex(), 3);
    QVERIFY(before->isHidden());
    QVERIFY(after->isVisible());
    QCOMPARE(after->pos(), QPoint(0, 0));
    QCOMPARE(before->pos(), beforeEnd);

    clock.advanceBy(500);
    QCOMPARE(spy.count(), emits);
}

void TestQAnimationStackedWidget::requestDuringSlideIsDropped()
{
    ManualClock clock;
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);
    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(0, 1);
    ManualClock::settle();
    clock.advanceBy(100);

    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(1, 2);
    m_stack->StartStackedWidgetAnimation(0, 2);
    ManualClock::settle();
    QCOMPARE(m_pages[2]->pos(), QPoint(0, 0));
    QVERIFY(m_pages[2]->isHidden());

    clock.advanceBy(100);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0), (QList<QVariant> { 0, 1 }));
    QCOMPARE(spy.at(1), (QList<QVariant> { 0, 1 }));
    QCOMPARE(m_stack->currentIndex(), 1);
    QVERIFY(m_pages[2]->isHidden());

    clock.advanceBy(500);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(m_stack->currentIndex(), 1);
}

void TestQAnimationStackedWidget::requestFromFirstSignalOfSlideIsDropped()
{
    // The second animation of the slide is still running while the first
    // signal is delivered; a request made then must not retarget it.
    ManualClock clock;
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);
    bool asked = false;
    connect(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished, this, [&] {
        if (asked)
            return;
        asked = true;
        m_stack->StartStackedWidgetAnimation(1, 2);
    });
    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(0, 1);
    ManualClock::settle();
    clock.advanceBy(200);
    ManualClock::settle();
    clock.advanceBy(200);

    QVERIFY(asked);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(m_stack->currentIndex(), 1);
    QCOMPARE(m_pages[1]->pos(), QPoint(0, 0));
    QVERIFY(m_pages[2]->isHidden());
}

void TestQAnimationStackedWidget::durations()
{
    ManualClock clock;
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);

    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(0, 1);
    ManualClock::settle();
    clock.advanceBy(199);
    QCOMPARE(spy.count(), 0);
    clock.advanceBy(1);
    QCOMPARE(spy.count(), 2);

    spy.clear();
    m_stack->setAnimationDuration(300);
    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(1, 2);
    ManualClock::settle();
    clock.advanceBy(150);
    QCOMPARE(m_pages[2]->pos(), QPoint(100, 0));
    clock.advanceBy(149);
    QCOMPARE(spy.count(), 0);
    clock.advanceBy(1);
    QCOMPARE(spy.count(), 2);
}

void TestQAnimationStackedWidget::offsetsFollowLastTypeCall()
{
    ManualClock clock;
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);
    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->resize(300, 100);

    m_stack->StartStackedWidgetAnimation(0, 1);
    ManualClock::settle();
    QCOMPARE(m_pages[1]->pos(), QPoint(200, 0));
    clock.advanceBy(200);
    QCOMPARE(m_pages[0]->pos(), QPoint(-200, 0));
    QCOMPARE(spy.count(), 2);

    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(1, 2);
    ManualClock::settle();
    QCOMPARE(m_pages[2]->pos(), QPoint(300, 0));
    clock.advanceBy(200);
    QCOMPARE(m_pages[1]->pos(), QPoint(-300, 0));
}

void TestQAnimationStackedWidget::plainRequestWithoutPlainType_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("mask") << 12;
    QTest::newRow("13") << 13;
    QTest::newRow("-1") << -1;
    QTest::newRow("1000") << 1000;
}

void TestQAnimationStackedWidget::plainRequestWithoutPlainType()
{
    QFETCH(int, type);
    ManualClock clock;
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);

    m_stack->setAnimationType(type);
    m_stack->StartStackedWidgetAnimation(0, 1);
    ManualClock::settle();
    clock.advanceBy(1000);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(m_stack->currentIndex(), 0);
    QVERIFY(m_pages[1]->isHidden());

    // the refusal did not leave the stack blocked
    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(0, 1);
    ManualClock::settle();
    clock.advanceBy(200);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(m_stack->currentIndex(), 1);
}

void TestQAnimationStackedWidget::runMask(int indexmask, int indexbefore, int indexafter)
{
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);
    m_stack->StartStackedWidgetMaskAnimation(indexmask, indexbefore, indexafter, 0);
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QList<QVariant> { indexbefore, indexafter }));
    QCOMPARE(m_stack->currentIndex(), indexafter);
}

void TestQAnimationStackedWidget::maskSequence()
{
    QWidget *before = m_pages[0];
    QWidget *after = m_pages[1];
    QWidget *mask = m_pages[3];
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);

    m_stack->setAnimationType(QAnimationStackedWidget::Mask);
    QElapsedTimer clock;
    clock.start();
    m_stack->StartStackedWidgetMaskAnimation(3, 0, 1, 500);

    QVERIFY(mask->isVisible());
    QVERIFY(isAbove(mask, before));
    QCOMPARE(mask->pos(), QPoint(-200, 0));
    QVERIFY(before->isVisible());
    QVERIFY(after->isHidden());

    // curtain closed: the old page is still behind it
    QTRY_COMPARE_WITH_TIMEOUT(mask->pos(), QPoint(0, 0), 5000);
    QVERIFY(clock.elapsed() >= 195);
    QVERIFY(before->isVisible());
    QVERIFY(after->isHidden());
    QCOMPARE(spy.count(), 0);

    // pause over: the pages are swapped behind the curtain
    QTRY_VERIFY_WITH_TIMEOUT(after->isVisible(), 5000);
    QVERIFY(clock.elapsed() >= 695);
    QVERIFY(before->isHidden());
    QVERIFY(mask->isVisible());
    QVERIFY(isAbove(mask, after));
    QCOMPARE(spy.count(), 0);

    QVERIFY(spy.wait(5000));
    QVERIFY(clock.elapsed() >= 895);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QList<QVariant> { 0, 1 }));
    QCOMPARE(m_stack->currentIndex(), 1);
    QVERIFY(mask->isHidden());
    QVERIFY(before->isHidden());
    QVERIFY(after->isVisible());
    QCOMPARE(mask->pos(), QPoint(-200, 0));

    QTest::qWait(300);
    QCOMPARE(spy.count(), 1);

    // a second run reuses the same animations in the same order
    m_stack->setAnimationDuration(50);
    runMask(2, 1, 0);
    QVERIFY(m_pages[2]->isHidden());
    QVERIFY(m_pages[1]->isHidden());
}

void TestQAnimationStackedWidget::maskRefused_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("indexmask");
    QTest::addColumn<int>("indexbefore");
    QTest::addColumn<int>("indexafter");
    QTest::addColumn<int>("septime");
    QTest::newRow("plain type set") << 1 << 3 << 0 << 1 << 0;
    QTest::newRow("mask out of range") << 12 << 4 << 0 << 1 << 0;
    QTest::newRow("negative mask") << 12 << -1 << 0 << 1 << 0;
    QTest::newRow("before out of range") << 12 << 3 << 7 << 1 << 0;
    QTest::newRow("negative before") << 12 << 3 << -1 << 1 << 0;
    QTest::newRow("after equal to count") << 12 << 3 << 0 << 4 << 0;
    QTest::newRow("mask is the old page") << 12 << 0 << 0 << 1 << 0;
    QTest::newRow("mask is the new page") << 12 << 1 << 0 << 1 << 0;
    QTest::newRow("old page is the new page") << 12 << 3 << 0 << 0 << 0;
    QTest::newRow("negative pause") << 12 << 3 << 0 << 1 << -5;
}

void TestQAnimationStackedWidget::maskRefused()
{
    QFETCH(int, type);
    QFETCH(int, indexmask);
    QFETCH(int, indexbefore);
    QFETCH(int, indexafter);
    QFETCH(int, septime);
    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);
    m_stack->setAnimationDuration(50);

    m_stack->setAnimationType(type);
    m_stack->StartStackedWidgetMaskAnimation(indexmask, indexbefore, indexafter, septime);
    QVERIFY(!spy.wait(300));
    QCOMPARE(m_stack->currentIndex(), 0);
    for (int i = 0; i < m_pages.size(); ++i) {
        QCOMPARE(m_pages[i]->isVisible(), i == 0);
        QCOMPARE(m_pages[i]->pos(), QPoint(0, 0));
    }

    m_stack->setAnimationType(QAnimationStackedWidget::Mask);
    runMask(3, 0, 2);
}

void TestQAnimationStackedWidget::plainTypeAfterMaskRestoresPlainTransitions()
{
    m_stack->setAnimationDuration(50);
    m_stack->setAnimationType(QAnimationStackedWidget::Mask);
    runMask(3, 0, 1);

    QSignalSpy spy(m_stack, &QAnimationStackedWidget::sStackedWidgetAnimationFinished);
    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_stack->StartStackedWidgetAnimation(1, 2);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    QCOMPARE(m_stack->currentIndex(), 2);
    QCOMPARE(m_pages[2]->pos(), QPoint(0, 0));
    QCOMPARE(m_pages[1]->pos(), QPoint(-200, 0));

    // and back: setting the mask type twice still reports a mask run once
    m_stack->setAnimationType(QAnimationStackedWidget::Mask);
    m_stack->setAnimationType(QAnimationStackedWidget::Mask);
    runMask(0, 2, 3);
    QVERIFY(!spy.wait(300));
}

void TestQAnimationStackedWidget::destructionReleasesAnimations_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("idle, never animated") << "idle";
    QTest::newRow("during a slide") << "slide";
    QTest::newRow("during a mask run") << "mask";
    QTest::newRow("after a mask run") << "after mask";
}

void TestQAnimationStackedWidget::destructionReleasesAnimations()
{
    QFETCH(QString, when);
    QPointer<QAnimationStackedWidget> stack = new QAnimationStackedWidget(nullptr);
    stack->resize(200, 100);
    addPages(stack, 3);
    stack->show();
    QSignalSpy spy(stack.data(), &QAnimationStackedWidget::sStackedWidgetAnimationFinished);

    if (when == "slide") {
        stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
        stack->StartStackedWidgetAnimation(0, 1);
        QTest::qWait(50);
    } else if (when == "mask") {
        stack->setAnimationType(QAnimationStackedWidget::Mask);
        stack->StartStackedWidgetMaskAnimation(2, 0, 1, 100);
        QTest::qWait(250);
    } else if (when == "after mask") {
        stack->setAnimationDuration(20);
        stack->setAnimationType(QAnimationStackedWidget::Mask);
        stack->StartStackedWidgetMaskAnimation(2, 0, 1, 0);
        QVERIFY(spy.wait(5000));
    }

    delete stack;
    QVERIFY(stack.isNull());
    // nothing is left behind that would still fire
    QTest::qWait(300);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestQAnimationStackedWidget)
#include "tst_qanimationstackedwidget.moc"
