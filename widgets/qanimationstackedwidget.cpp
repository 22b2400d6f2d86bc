#include "qanimationstackedwidget.h"

#include <QPauseAnimation>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>

QAnimationStackedWidget::QAnimationStackedWidget(QWidget *parent)
    : QStackedWidget(parent)
{
    m_beforeAnimation = new QPropertyAnimation(this, "pos");
    m_afterAnimation = new QPropertyAnimation(this, "pos");
    m_pause = new QPauseAnimation(this);
    m_group = new QSequentialAnimationGroup(this);

    // All completion handlers stay connected for good; each one ignores the
    // finishes that do not belong to its kind of transition, so switching
    // between the plain types and the mask type needs no rewiring.
    connect(
        m_afterAnimation, &QPropertyAnimation::finished, this, &QAnimationStackedWidget::OnAnimationFinished);
    connect(m_beforeAnimation, &QPropertyAnimation::finished, this,
        &QAnimationStackedWidget::OnAnimationFinished);
    connect(m_pause, &QPauseAnimation::finished, this, &QAnimationStackedWidget::OnPauseAnimationFinished);
    connect(m_group, &QSequentialAnimationGroup::finished, this,
        &QAnimationStackedWidget::OnGroupAnimationFinished);
}

QAnimationStackedWidget::~QAnimationStackedWidget()
{
    m_group->stop();
    m_beforeAnimation->stop();
    m_afterAnimation->stop();
    // The group owns whatever was added to it; take everything back first so
    // that each animation is deleted exactly once.
    while (m_group->animationCount() > 0)
        m_group->takeAnimation(0);
    delete m_beforeAnimation;
    delete m_afterAnimation;
    delete m_pause;
    delete m_group;
}

void QAnimationStackedWidget::setAnimationType(int type)
{
    m_animationType = type;
    const int w = width();
    const int h = height();
    m_left = QPointF(-w, 0);
    m_right = QPointF(w, 0);
    m_top = QPointF(0, -h);
    m_bottom = QPointF(0, h);
    m_origin = QPointF(0, 0);
}

void QAnimationStackedWidget::setAnimationDuration(int ms)
{
    m_duration = ms;
    m_beforeAnimation->setDuration(ms);
}

bool QAnimationStackedWidget::isPage(int index) const
{
    return index >= 0 && index < count();
}

// Pages may have been removed while a transition ran.
void QAnimationStackedWidget::hidePage(int index)
{
    if (QWidget *page = widget(index))
        page->hide();
}

void QAnimationStackedWidget::showPage(int index)
{
    if (QWidget *page = widget(index))
        page->show();
}

void QAnimationStackedWidget::StartStackedWidgetAnimation(int indexbefore, int indexafter)
{
    if (m_animating || m_maskAnimating)
        return;
    if (!isPage(indexbefore) || !isPage(indexafter) || indexbefore == indexafter)
        return;
    // Mask or unknown type: there is no plain transition to run, and nothing
    // would ever report its end, so the request is refused.
    if (m_animationType < SlideRight || m_animationType > UncoverToBottom)
        return;

    m_indexBefore = indexbefore;
    m_indexAfter = indexafter;
    m_beforeAnimation->setDuration(m_duration);
    m_afterAnimation->setDuration(m_duration);
    m_animating = true;
    m_pendingFinishes = (m_animationType >= CoverFromLeft && m_animationType <= CoverFromBottom) ? 1 : 2;

    QWidget *before = widget(indexbefore);
    QWidget *after = widget(indexafter);
    m_beforeAnimation->setTargetObject(before);
    m_afterAnimation->setTargetObject(after);
    before->show();
    after->show();

    auto run = [](QPropertyAnimation *animation, const QPointF &from, const QPointF &to) {
        animation->setStartValue(from);
        animation->setEndValue(to);
        animation->start();
    };
    auto slide = [&](const QPointF &out, const QPointF &in) {
        run(m_beforeAnimation, m_origin, out);
        run(m_afterAnimation, in, m_origin);
    };
    auto cover = [&](const QPointF &from) {
        run(m_afterAnimation, from, m_origin);
        after->raise();
    };
    auto uncover = [&](const QPointF &to) {
        run(m_beforeAnimation, m_origin, to);
        run(m_afterAnimation, m_origin, m_origin);
        before->raise();
    };

    switch (m_animationType) {
    case SlideRight:
        slide(m_right, m_left);
        break;
    case SlideLeft:
        slide(m_left, m_right);
        break;
    case SlideDown:
        slide(m_bottom, m_top);
        break;
    case SlideUp:
        slide(m_top, m_bottom);
        break;
    case CoverFromLeft:
        cover(m_left);
        break;
    case CoverFromRight:
        cover(m_right);
        break;
    case CoverFromTop:
        cover(m_top);
        break;
    case CoverFromBottom:
        cover(m_bottom);
        break;
    case UncoverToLeft:
        uncover(m_left);
        break;
    case UncoverToRight:
        uncover(m_right);
        break;
    case UncoverToTop:
        uncover(m_top);
        break;
    case UncoverToBottom:
        uncover(m_bottom);
        break;
    }
}

void QAnimationStackedWidget::OnAnimationFinished()
{
    if (m_pendingFinishes <= 0)
        return;
    // Busy until the last animation of the transition is done: a request made
    // from a receiver of the first of a slide's two signals would otherwise
    // retarget the animation that is still running.
    m_animating = --m_pendingFinishes > 0;
    hidePage(m_indexBefore);
    if (QWidget *after = widget(m_indexAfter)) {
        after->show();
        after->raise();
    }
    setCurrentIndex(m_indexAfter);
    emit sStackedWidgetAnimationFinished(m_indexBefore, m_indexAfter);
}

void QAnimationStackedWidget::StartStackedWidgetMaskAnimation(
    int indexmask, int indexbefore, int indexafter, int septime)
{
    if (m_animating || m_maskAnimating)
        return;
    // The curtain's offsets are those taken when the mask type was set.
    if (m_animationType != Mask)
        return;
    if (!isPage(indexmask) || !isPage(indexbefore) || !isPage(indexafter))
        return;
    if (indexmask == indexbefore || indexmask == indexafter || indexbefore == indexafter || septime < 0)
        return;

    m_maskAnimating = true;
    m_indexMask = indexmask;
    m_indexBefore = indexbefore;
    m_indexAfter = indexafter;

    QWidget *mask = widget(indexmask);
    m_beforeAnimation->setTargetObject(mask);
    m_afterAnimation->setTargetObject(mask);
    m_beforeAnimation->setStartValue(m_left);
    m_beforeAnimation->setEndValue(m_origin);
    m_afterAnimation->setStartValue(m_origin);
    m_afterAnimation->setEndValue(m_left);
    m_beforeAnimation->setDuration(m_duration);
    m_afterAnimation->setDuration(m_duration);
    m_pause->setDuration(septime);

    // Adding an animation the group already holds moves it to the end, so
    // the order stays the same on every run.
    m_group->addAnimation(m_beforeAnimation);
    m_group->addAnimation(m_pause);
    m_group->addAnimation(m_afterAnimation);
    m_group->start();

    mask->show();
    mask->raise();
    widget(indexbefore)->show();
}

void QAnimationStackedWidget::OnPauseAnimationFinished()
{
    if (!m_maskAnimating)
        return;
    // The curtain is closed: put the new page behind it.
    hidePage(m_indexBefore);
    showPage(m_indexAfter);
    showPage(m_indexMask);
    if (QWidget *after = widget(m_indexAfter))
        after->lower();
    if (QWidget *mask = widget(m_indexMask))
        mask->raise();
}

void QAnimationStackedWidget::OnGroupAnimationFinished()
{
    if (!m_maskAnimating)
        return;
    hidePage(m_indexMask);
    hidePage(m_indexBefore);
    showPage(m_indexAfter);
    setCurrentIndex(m_indexAfter);
    m_maskAnimating = false;
    emit sStackedWidgetAnimationFinished(m_indexBefore, m_indexAfter);
}
