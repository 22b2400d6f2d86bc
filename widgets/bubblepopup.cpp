#include "bubblepopup.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>

BubblePopup::BubblePopup(QWidget *parent)
    : QLabel(parent)
    , m_font(font())
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);

    m_font.setPointSize(15);
    setFont(m_font);
    m_horizontalMargin = 20;
    m_verticalMargin = 20;

    m_textColor = QColor(255, 255, 255, 255);
    m_backgroundColor = QColor(0, 0, 0, 175);

    connect(&m_displayTimer, &QTimer::timeout, this, &BubblePopup::closeAnimation);
    m_displayTimer.setInterval(1000);
    m_displayTimer.start();
}

BubblePopup::BubblePopup(const QString &text, QWidget *parent)
    : BubblePopup(parent)
{
    setText(text);
}

void BubblePopup::setMargins(int horizontal, int vertical)
{
    m_horizontalMargin = horizontal;
    m_verticalMargin = vertical;
}

void BubblePopup::setFontSize(int pointSize)
{
    m_font.setPointSize(pointSize);
    setFont(m_font);
}

void BubblePopup::setTextColor(const QColor &color)
{
    m_textColor = color;
    update();
}

void BubblePopup::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

int BubblePopup::displayTime() const
{
    return m_displayTimer.interval();
}

void BubblePopup::setText(const QString &text)
{
    const QFontMetrics metrics(m_font);
    setFixedSize(metrics.horizontalAdvance(text) + m_horizontalMargin, metrics.height() + m_verticalMargin);
    QLabel::setText(text);
}

void BubblePopup::showPopup(QWidget *anchor)
{
    if (!anchor) {
        const QList<QScreen *> screens = QGuiApplication::screens();
        const QRect screen = screens.isEmpty() ? QRect() : screens.first()->geometry();
        const QRect own = geometry();
        move(((screen.right() - screen.left()) - (own.right() - own.left())) / 2,
            (screen.bottom() - screen.top()) - 199);
    }
    show();
}

void BubblePopup::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(m_backgroundColor));
    painter.drawRoundedRect(QRectF(0, 0, width(), height()), 6.0, 6.0, Qt::AbsoluteSize);

    painter.setPen(m_textColor);
    painter.drawText(QRect(0, 0, width(), height()), Qt::AlignCenter, text());
}

void BubblePopup::closeAnimation()
{
    m_displayTimer.stop();

    auto *fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(1000);
    fade->setStartValue(1);
    fade->setEndValue(0);
    fade->setEasingCurve(QEasingCurve::Linear);
    // close() only schedules the deletion, so finished() still reaches receivers.
    connect(fade, &QPropertyAnimation::finished, this, &BubblePopup::close);
    connect(fade, &QPropertyAnimation::finished, this, &BubblePopup::finished);
    fade->start();
}
