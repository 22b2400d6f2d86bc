#pragma once

#include <QObject>
#include <QTimer>

// Turns Ctrl-C (SIGINT) into a signal of the event loop, so that a running
// transfer can be ended cleanly instead of the process dying under it.
// One per process.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

signals:
    // Once per Ctrl-C.
    void interrupted();

private:
    void poll();

    QTimer m_poll;
};
