#include "noticerecorder.h"

#include <QDeadlineTimer>
#include <QSignalSpy>

#include <algorithm>

NoticeRecorder::NoticeRecorder(QObject *parent)
    : QObject(parent)
{
}

void NoticeRecorder::watch(Widget *window)
{
    connect(window, &Widget::noticeShown, this, &NoticeRecorder::record);
}

void NoticeRecorder::record(const QString &text, Widget::NoticeKind kind)
{
    const bool success = kind == Widget::NoticeKind::Success;
    m_notices.append({ text, success ? QColor(0x22, 0xF5, 0x17) : QColor(0xEC, 0x45, 0x45) });
    emit recorded(text);
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
    return int(std::count_if(
        m_notices.begin(), m_notices.end(), [&text](const Notice &notice) { return notice.text == text; }));
}

QColor NoticeRecorder::colourOf(const QString &text) const
{
    for (auto it = m_notices.rbegin(); it != m_notices.rend(); ++it) {
        if (it->text == text)
            return it->colour;
    }
    return QColor();
}

bool NoticeRecorder::waitFor(const QString &text, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QSignalSpy spy(this, &NoticeRecorder::recorded);
    while (count(text) == 0) {
        if (deadline.hasExpired() || !spy.wait(int(qMax<qint64>(1, deadline.remainingTime()))))
            return count(text) > 0;
    }
    return true;
}
