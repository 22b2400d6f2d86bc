#include "ripplewave.h"

#include <QPainter>

RippleWave::RippleWave(QWidget *parent)
    : LoadingAnimBase(parent)
{
}

void RippleWave::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    QPen pen(QColor("black"));
    pen.setWidth(3);
    painter.setPen(pen);
    painter.translate(w / 2, h / 2);

    static const int radii[] = { 10, 15, 22, 31, 42, 55, 70, 87 };
    const double life = 1080.0 / 7;
    const double fade = 360.0 / 7;

    for (int k = 0; k < 8; ++k) {
        const double d = angle() - k * 180.0 / 7;
        if (!(d > 0 && d < life))
            continue;
        double opacity = d < fade ? d / fade : 1.0;
        if (d > 720.0 / 7)
            opacity = (life - d) / fade;

        QColor color("black");
        color.setAlphaF(opacity);
        pen.setColor(color);
        painter.setPen(pen);
        painter.drawEllipse(QPointF(0, 0), radii[k], radii[k]);
    }
}
