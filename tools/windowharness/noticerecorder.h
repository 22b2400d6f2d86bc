#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>

// Records every notice (BubblePopup) the program shows, with its colour,
// from the moment it is constructed until it is destroyed.
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
    ~NoticeRecorder() override;

    QList<Notice> notices() const { return m_notices; }
    QStringList texts() const;
    int count(const QString &text) const;
    // The colour of the last notice with this text (invalid if none).
    QColor colourOf(const QString &text) const;
    bool waitFor(const QString &text, int timeoutMs = 15000) const;
    void clear() { m_notices.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<Notice> m_notices;
};
