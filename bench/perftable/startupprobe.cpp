// Preloaded into lens-updater by bench_perftable's start-up measurement: once
// the main window's first frame is painted it writes "shown" to stderr and
// ends the program, so that the next start finds no running instance. (The
// first expose of a widget window paints and flushes the whole window while
// it is handled; the probe reports right after that.)

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

class FirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Expose && isMainWindow(watched)) {
            m_seen = true;
            QTimer::singleShot(0, qApp, [] {
                std::fputs("shown\n", stderr);
                std::fflush(stderr);
                QTimer::singleShot(50, qApp, &QCoreApplication::quit);
            });
        }
        return false;
    }

private:
    static bool isMainWindow(QObject *object)
    {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("Widget") && top->windowHandle() == object)
                return true;
        }
        return false;
    }

    bool m_seen = false;
};

void install()
{
    qApp->installEventFilter(new FirstPaint(qApp));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
