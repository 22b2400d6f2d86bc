#include "messageboxanswerer.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxAnswerer::MessageBoxAnswerer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
}

void MessageBoxAnswerer::answerWith(QMessageBox::StandardButton button)
{
    m_answer = button;
    m_timer.start();
}

void MessageBoxAnswerer::disarm()
{
    m_timer.stop();
    m_answer = QMessageBox::NoButton;
}

void MessageBoxAnswerer::clear()
{
    m_texts.clear();
    m_titles.clear();
    m_buttons.clear();
}

void MessageBoxAnswerer::poll()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (!box || !box->isVisible() || box->property("lens_answered").toBool())
            continue;
        QAbstractButton *button = box->button(m_answer);
        if (!button)
            continue;
        box->setProperty("lens_answered", true);
        m_texts << box->text();
        m_titles << box->windowTitle();
        m_buttons << box->standardButtons();
        emit boxShown(box);
        button->click();
    }
}
