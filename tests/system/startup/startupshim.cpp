// Preloaded into lens-updater by tst_startup. Registered as a start-up
// routine of QCoreApplication, it watches the program's windows and writes
// one line per event to stderr:
//   "box\t<title>\t<text>\t<standard buttons>"   a modal message box appeared
//   "window\t<button_link text>\t<label_hint text>" the main window is shown
// LENS_SHIM_ACTION says what to do then: "cancel" presses the box's Cancel
// button; "close" presses the window's close button; "watch" does nothing.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

void report(const QStringList &fields)
{
    std::fprintf(stderr, "%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData());
    std::fflush(stderr);
}

void poll()
{
    static bool windowReported = false;
    const QByteArray action = qgetenv("LENS_SHIM_ACTION");

    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        if (!box->property("lensShimSeen").toBool()) {
            box->setProperty("lensShimSeen", true);
            report({QStringLiteral("box"), box->windowTitle(), box->text(),
                    QString::number(int(box->standardButtons()), 16)});
            if (action == "cancel") {
                if (QAbstractButton *cancel = box->button(QMessageBox::Cancel))
                    QTimer::singleShot(0, cancel, &QAbstractButton::click);
            }
        }
        return;
    }

    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() != QLatin1String("Widget") || !top->isVisible() || windowReported)
            continue;
        windowReported = true;
        auto *link = top->findChild<QPushButton *>(QStringLiteral("button_link"));
        QWidget *page = top->findChild<QWidget *>(QStringLiteral("page_link"));
        auto *hint = page ? page->findChild<QLabel *>(QStringLiteral("label_hint")) : nullptr;
        report({QStringLiteral("window"), link ? link->text() : QString(), hint ? hint->text() : QString()});
        if (action == "close") {
            if (auto *close = top->findChild<QPushButton *>(QStringLiteral("button_close")))
                QTimer::singleShot(200, close, &QAbstractButton::click);
        }
    }
}

void startWatching()
{
    auto *timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, &poll);
    timer->start(20);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startWatching)
