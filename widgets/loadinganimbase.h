#pragma once

#include <QPropertyAnimation>
#include <QWidget>

// Base of the busy indicators: runs the property "angle" from 0 to 360 every
// 1500 ms without end; subclasses paint themselves from the current angle.
class LoadingAnimBase : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double angle READ angle WRITE setAngle)

public:
    explicit LoadingAnimBase(QWidget *parent);

    double angle() const;
    void setAngle(double angle);

public slots:
    virtual void exec();
    virtual void start();
    virtual void stop();

protected:
    QPropertyAnimation m_animation;

private:
    double m_angle = 0;
};
