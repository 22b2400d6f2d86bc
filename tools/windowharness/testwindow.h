#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "app/widget.h"

// The main window with its questions answered by the test: each question
// takes the next queued answer, or the default one when none is queued, and
// is recorded with its title.
class TestWindow : public Widget
{
    Q_OBJECT

public:
    explicit TestWindow(const Workers &workers = Workers(), QWidget *parent = nullptr);

    void setDefaultAnswer(bool yes) { m_defaultAnswer = yes; }
    void queueAnswer(bool yes) { m_queued.append(yes); }

    int questionCount() const { return m_texts.size(); }
    QStringList questions() const { return m_texts; }
    QStringList questionTitles() const { return m_titles; }
    void clearQuestions();

signals:
    // Emitted before the question is answered.
    void asked(const QString &title, const QString &text);

protected:
    bool askUser(const QString &title, const QString &text) override;

private:
    bool m_defaultAnswer = true;
    QList<bool> m_queued;
    QStringList m_texts;
    QStringList m_titles;
};
