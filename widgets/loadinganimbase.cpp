#include "loadinganimbase.h"

LoadingAnimBase::LoadingAnimBase(QWidget *parent)
    : QWidget(parent)
    , m_animation(this, "angle")
{
    m_animation.setDuration(1500);
    m_animation.setLoopCount(-1);
    m_animation.setEasingCurve(QEasingCurve::Linear);
}

double LoadingAnimBase::angle() const
{
    return m_angle;
}

void LoadingAnimBase::setAngle(double angle)
{
    m_angle = angle;
    update();
}

void LoadingAnimBase::exec()
{
    if (m_animation.state() != QAbstractAnimation::Stopped)
        stop();
    else
        start();
}

void LoadingAnimBase::start()
{
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(360.0);
    m_animation.start(QAbstractAnimation::KeepWhenStopped);
}

void LoadingAnimBase::stop()
{
    m_animation.stop();
}
