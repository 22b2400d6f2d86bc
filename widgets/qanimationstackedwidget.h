#pragma once

#include <QPointF>
#include <QStackedWidget>

class QPauseAnimation;
class QPropertyAnimation;
class QSequentialAnimationGroup;

// A stacked widget whose page changes slide, cover or uncover instead of
// switching at once. Mask mode slides a third page over the current one as a
// curtain, swaps the pages behind it and slides the curtain away again.
class QAnimationStackedWidget : public QStackedWidget
{
    Q_OBJECT

public:
    enum AnimationType {
        SlideRight = 0,
        SlideLeft = 1,
        SlideDown = 2,
        SlideUp = 3,
        CoverFromLeft = 4,
        CoverFromRight = 5,
        CoverFromTop = 6,
        CoverFromBottom = 7,
        UncoverToLeft = 8,
        UncoverToRight = 9,
        UncoverToTop = 10,
        UncoverToBottom = 11,
        Mask = 12
    };

    explicit QAnimationStackedWidget(QWidget *parent);
    ~QAnimationStackedWidget() override;

    void setAnimationType(int type);
    void setAnimationDuration(int ms);

signals:
    void sStackedWidgetAnimationFinished(int indexbefore, int indexcurrent);

public slots:
    void StartStackedWidgetAnimation(int indexbefore, int indexafter);
    void StartStackedWidgetMaskAnimation(int indexmask, int indexbefore, int indexafter, int septime);

private slots:
    void OnAnimationFinished();
    void OnPauseAnimationFinished();
    void OnGroupAnimationFinished();

private:
    bool isPage(int index) const;
    void hidePage(int index);
    void showPage(int index);

    QPropertyAnimation *m_beforeAnimation = nullptr;
    QPropertyAnimation *m_afterAnimation = nullptr;
    QPauseAnimation *m_pause = nullptr;
    QSequentialAnimationGroup *m_group = nullptr;
    int m_duration = 200;
    int m_animationType = SlideRight;
    int m_indexBefore = 0;
    int m_indexAfter = 0;
    int m_indexMask = 0;
    bool m_animating = false;
    bool m_maskAnimating = false;
    QPointF m_left;
    QPointF m_right;
    QPointF m_top;
    QPointF m_bottom;
    QPointF m_origin;
    // Position animations of the running plain transition that have yet to
    // finish; their finishes inside the mask group are not counted.
    int m_pendingFinishes = 0;
};
