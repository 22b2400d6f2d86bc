#include "zoomingballs.h"

#include <QPainter>
#include <QStringList>

ZoomingBalls::ZoomingBalls(QWidget *parent)
    : LoadingAnimBase(parent)
{
}

void ZoomingBalls::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();

    static const QStringList colors = { "black", "black", "black", "black", "black" };

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const double rMin = w / 24;
    const double rMax = w / 10;
    painter.translate(w / 6, h / 2);

    for (int i = 0; i < colors.size(); ++i) {
        QColor color(colors.at(i));
        const double d = angle() - i * 45;
        double radius = rMin;
        if (d > 0 && d < 180) {
            const double t = d > 90 ? 180 - d : d;
            radius = rMin + t / 90 * (rMax - rMin);
            color.setAlphaF(1 - t / 90 * 0.8);
        }
        painter.setBrush(QBrush(color));
        painter.drawEllipse(QPointF(0, 0), radius, radius);
        painter.translate(w / 6.0, 0);
    }
}
