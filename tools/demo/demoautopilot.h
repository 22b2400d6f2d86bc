#pragma once

#include <QObject>
#include <QString>

class QTimer;
class QWidget;

// Drives the demo program's window through one update the way a user
// would: waits for the lens and the server's answer, presses the connect
// button, presses the update button until the update runs, answers a
// question with Yes, and ends on the finished page or a failure notice.
//
// Reports on stdout, one line each, "autopilot<TAB>kind<TAB>value":
//   page <name>                  the page shown (page_link, page_updateReady, ...)
//   pressed <button>             a button it pressed
//   notice <text>                a notice the window showed
//   question <text>              a question box (answered Yes)
//   progress <text>              the progress text, every 10 %
//   label <name> <text>          the finished page's labels, at the end
//   result success|failure
//   screenshot <path>            the window, rendered at the end
// and then quits the program. The screenshot goes to
// $LENS_DEMO_AUTOPILOT_SCREENSHOT, else into the temporary folder.
class DemoAutopilot : public QObject
{
    Q_OBJECT

public:
    explicit DemoAutopilot(QObject *parent = nullptr);

    void start();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Stage { WaitingForLens, Ready, Updating, Done };

    void step();
    void finish(bool success);
    QWidget *window() const;
    QString currentPage(QWidget *window) const;
    void report(const QString &kind, const QString &value);

    QTimer *m_timer;
    Stage m_stage = Stage::WaitingForLens;
    QString m_page;
    int m_progressDecade = -1;
    int m_ticksSincePress = 0;
    bool m_successNotice = false;
    bool m_failureNotice = false;
};
