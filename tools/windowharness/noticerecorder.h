#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>

#include "app/widget.h"

// Records every notice the windows it watches show, with its colour.
class NoticeRecorder : public QObject
{
    Q_OBJECT

public:
    struct Notice
    {
        QString text;
        QColor colour;
    };

    explicit NoticeRecorder(QObject *parent = nullptr);

    // Records the notices of `window` from now on, until either goes.
    void watch(Widget *window);

    QList<Notice> notices() const { return m_notices; }
    QStringList texts() const;
    int count(const QString &text) const;
    // The colour of the last notice with this text (invalid if none).
    QColor colourOf(const QString &text) const;
    bool waitFor(const QString &text, int timeoutMs = 15000);
    void clear() { m_notices.clear(); }

signals:
    void recorded(const QString &text);

private:
    void record(const QString &text, Widget::NoticeKind kind);

    QList<Notice> m_notices;
};
