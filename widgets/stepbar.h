#pragma once

#include <QColor>
#include <QWidget>

// A thin bar divided into equal steps: a track, a filled part proportional to
// the current step and narrow dividers between the steps.
class StepBar : public QWidget
{
    Q_OBJECT

public:
    explicit StepBar(QWidget *parent);

    void setStepCount(int count);
    void setCurrentStep(int step);
    void setBackgroundColor(const QColor &color);
    void setProgressColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backgroundColor;
    QColor m_progressColor;
    QColor m_dividerColor;
    int m_stepCount = 0;
    int m_currentStep = 0;
};
