#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

class QPixmap;

// Answers the program's questions: every QMessageBox that opens while the
// answerer is armed is recorded and answered with the chosen button.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT

public:
    explicit MessageBoxAnswerer(QObject *parent = nullptr);

    void answerWith(QMessageBox::StandardButton button);
    void disarm();

    int count() const { return m_texts.size(); }
    QStringList texts() const { return m_texts; }
    QStringList titles() const { return m_titles; }
    // The buttons each box offered.
    QList<QMessageBox::StandardButtons> buttons() const { return m_buttons; }
    void clear();

signals:
    // Emitted just before the box is answered, e.g. to take its picture.
    void boxShown(QMessageBox *box);

private:
    void poll();

    QTimer m_timer;
    QMessageBox::StandardButton m_answer = QMessageBox::NoButton;
    QStringList m_texts;
    QStringList m_titles;
    QList<QMessageBox::StandardButtons> m_buttons;
};
