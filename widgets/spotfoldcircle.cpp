#include "spotfoldcircle.h"

#include <QPainter>

SpotFoldCircle::SpotFoldCircle(QWidget *parent)
    : LoadingAnimBase(parent)
{
}

void SpotFoldCircle::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(QColor("#23DE79")));
    painter.translate(w / 2, h / 2);

    const double baseRadius = w / 12;
    const double y0 = -(h / 2) + 2 * (w / 12);

    struct Dot
    {
        double delay;
        double factor;
    };
    static const Dot dots[] = { { 0, 1.0 }, { 15, 0.8 }, { 28, 0.64 }, { 40, 0.512 }, { 50, 0.41 } };

    for (const Dot &dot : dots) {
        const double r = baseRadius * dot.factor;
        const QRectF ellipse(-r, y0 - r, 2 * r, 2 * r);
        const double d = angle() - dot.delay;
        if (d > 0 && d < 310) {
            // one full turn while the angle covers 310 degrees
            const double turn = d * 360 / 310;
            painter.rotate(turn);
            painter.drawEllipse(ellipse);
            painter.rotate(-turn);
        } else {
            painter.drawEllipse(ellipse);
        }
    }
}
