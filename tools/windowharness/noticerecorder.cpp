#include "noticerecorder.h"

#include "widgets/bubblepopup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QTest>

NoticeRecorder::NoticeRecorder(QObject *parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

NoticeRecorder::~NoticeRecorder()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

QStringList NoticeRecorder::texts() const
{
    QStringList result;
    for (const Notice &notice : m_notices)
        result << notice.text;
    return result;
}

int NoticeRecorder::count(const QString &text) const
{
    return int(std::count_if(m_notices.begin(), m_notices.end(),
                             [&text](const Notice &notice) { return notice.text == text; }));
}

QColor NoticeRecorder::colourOf(const QString &text) const
{
    for (auto it = m_notices.rbegin(); it != m_notices.rend(); ++it) {
        if (it->text == text)
            return it->colour;
    }
    return QColor();
}

bool NoticeRecorder::waitFor(const QString &text, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (count(text) == 0) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

bool NoticeRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *popup = qobject_cast<BubblePopup *>(watched)) {
            // Its fill, beside the text and clear of the rounded corners.
            const QImage picture = popup->grab().toImage();
            const QColor colour = picture.isNull() ? QColor() : picture.pixelColor(3, picture.height() / 2);
            m_notices.append({popup->text(), colour});
        }
    }
    return QObject::eventFilter(watched, event);
}
