#include "testwindow.h"

TestWindow::TestWindow(const Workers &workers, QWidget *parent)
    : Widget(workers, parent)
{
}

void TestWindow::clearQuestions()
{
    m_texts.clear();
    m_titles.clear();
}

bool TestWindow::askUser(const QString &title, const QString &text)
{
    m_titles << title;
    m_texts << text;
    emit asked(title, text);
    return m_queued.isEmpty() ? m_defaultAnswer : m_queued.takeFirst();
}
