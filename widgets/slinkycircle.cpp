#include "slinkycircle.h"

#include <QPainter>

SlinkyCircle::SlinkyCircle(QWidget *parent)
    : LoadingAnimBase(parent)
{
    m_animation.setEasingCurve(QEasingCurve::InOutCubic);
}

void SlinkyCircle::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    QPen pen(QColor("black"));
    pen.setWidth(w / 20);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.translate(w / 2, h / 2);

    const QRect arc(-(w / 2) + w / 5, -(h / 2) + h / 5, w - 2 * (w / 5), h - 2 * (h / 5));
    const double m = angle();

    // 1440 sixteenths is 12 o'clock; negative spans run clockwise.
    if (m < 90) {
        painter.drawArc(arc, 1440, int(-(m * 16)));
    } else if (m > 270) {
        painter.drawArc(arc, 1440, int((360 - m) * 16));
    } else {
        painter.rotate((m - 90) * 270 / 180);
        painter.drawArc(arc, 1440, -1440);
    }
}
