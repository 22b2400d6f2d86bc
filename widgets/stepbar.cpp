#include "stepbar.h"

#include <QPainter>

StepBar::StepBar(QWidget *parent)
    : QWidget(parent)
    , m_backgroundColor("#1F2121")
    , m_progressColor("#FFFFFF")
    , m_dividerColor("#1F2121")
{
}

void StepBar::setStepCount(int count)
{
    m_stepCount = count;
    update();
}

void StepBar::setCurrentStep(int step)
{
    m_currentStep = step;
    update();
}

void StepBar::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void StepBar::setProgressColor(const QColor &color)
{
    m_progressColor = color;
    update();
}

void StepBar::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();

    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(m_backgroundColor));
    painter.drawRect(0, 0, w, h);
    painter.restore();

    // Without steps there is nothing to divide: the bare track is all there is.
    if (m_stepCount <= 0)
        return;

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(m_progressColor));
    painter.drawRect(0, 0, int(qint64(w) * m_currentStep / m_stepCount), h);
    painter.restore();

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(m_dividerColor));
    const int stepWidth = w / m_stepCount;
    for (int i = 1; i < m_stepCount; ++i) {
        painter.drawRect(i * stepWidth, 0, 2, h);
        if (stepWidth == 0)
            break; // more steps than pixels: every further divider lands on x = 0
    }
    painter.restore();
}
