// Preloaded into lens-updater by tst_startup. Registered as a start-up
// routine of QCoreApplication, it watches the program's windows and writes
// one line per event to stderr:
//   "box\t<title>\t<text>\t<standard buttons>\t<Cancel's text>"   a modal message box appeared
//   "window\t<button_link text>\t<label_hint text>\t<high-DPI scaling on>\t<device pixel ratio>\t<w>x<h>"
//                                                 the main window is shown
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
            QAbstractButton *cancel = box->button(QMessageBox::Cancel);
            report({ QStringLiteral("box"), box->windowTitle(), box->text(),
                QString::number(int(box->standardButtons()), 16), cancel ? cancel->text() : QString() });
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
        report({ QStringLiteral("window"), link ? link->text() : QString(), hint ? hint->text() : QString(),
            QString::number(int(QCoreApplication::testAttribute(Qt::AA_EnableHighDpiScaling))),
            QString::number(top->devicePixelRatioF()),
            QStringLiteral("%1x%2").arg(top->width()).arg(top->height()) });
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
