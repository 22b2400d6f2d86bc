// Preloaded into the unchanged lens-updater by ShimmedProgram. Registered
// as a start-up routine of QCoreApplication, before the window exists:
//  - trusts the CA in LENS_SHIM_CA and sends every request through the
//    HTTP proxy LENS_SHIM_PROXY (host:port), so the program's compiled-in
//    server and probe reach the test's own server;
//  - reports on stderr, one line each, what the window shows:
//      "shim\tpage\t<link|ready|updating|finished>"
//      "shim\tlabel\t<object name>\t<text>"      when a watched label changes
//      "shim\tprogress\t<value>"                  when the progress bar moves
//      "shim\tnotice\t<text>"                      a toast appeared
//      "shim\tbox\t<text>"                         a message box appeared
//  - takes commands on stdin: "click <button object name>", "close".

#include "tools/windowharness/windowpage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStackedWidget>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

const char *const kLabels[] = { "label_model", "label_SN", "label_nowVer", "label_newVer", "label_model_F",
    "label_SN_F", "label_newVer_F", "label_progress" };

void report(const QStringList &fields)
{
    std::fprintf(stderr, "shim\t%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData());
    std::fflush(stderr);
}

QWidget *mainWindow()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("Widget"))
            return top;
    }
    return nullptr;
}

// The form's own widgets: the overlays reuse some names.
template <typename T> T *part(QWidget *window, const char *name)
{
    for (const char *row : { "headWidget", "centerStackedWidget" }) {
        auto *rowWidget = window->findChild<QWidget *>(QLatin1String(row), Qt::FindDirectChildrenOnly);
        if (!rowWidget)
            continue;
        if (rowWidget->objectName() == QLatin1String(name))
            return qobject_cast<T *>(rowWidget);
        if (T *found = rowWidget->findChild<T *>(QLatin1String(name)))
            return found;
    }
    return nullptr;
}

QString page(QWidget *window)
{
    return windowPageName(part<QStackedWidget>(window, "centerStackedWidget"),
        part<QStackedWidget>(window, "childstackedWidget"));
}

class Shim : public QObject
{
public:
    Shim()
        : QObject(QCoreApplication::instance())
    {
        qApp->installEventFilter(this);
        connect(&timer, &QTimer::timeout, this, &Shim::look);
        timer.start(10);
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(input, &QSocketNotifier::activated, this, &Shim::readCommands);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->inherits("BubblePopup")) {
            if (auto *label = qobject_cast<QLabel *>(watched))
                report({ QStringLiteral("notice"), label->text() });
        }
        return false;
    }

private:
    void look()
    {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (!box->property("lensShimSeen").toBool()) {
                box->setProperty("lensShimSeen", true);
                report({ QStringLiteral("box"), box->text() });
            }
        }
        QWidget *window = mainWindow();
        if (!window || !window->isVisible())
            return;
        const QString now = page(window);
        if (now != lastPage) {
            lastPage = now;
            report({ QStringLiteral("page"), now });
        }
        for (const char *name : kLabels) {
            auto *label = part<QLabel>(window, name);
            const QString text = label ? label->text() : QString();
            if (text != labels.value(QLatin1String(name))) {
                labels.insert(QLatin1String(name), text);
                report({ QStringLiteral("label"), QLatin1String(name), text });
            }
        }
        if (auto *bar = part<QProgressBar>(window, "progressBar")) {
            if (bar->value() != progress) {
                progress = bar->value();
                report({ QStringLiteral("progress"), QString::number(progress) });
            }
        }
    }

    void readCommands()
    {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n <= 0) {
            sender()->deleteLater();
            return;
        }
        pending.append(buffer, int(n));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            run(line);
        }
    }

    void run(const QString &line)
    {
        QWidget *window = mainWindow();
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        const QString name = line.section(QLatin1Char(' '), 1);
        QAbstractButton *button = nullptr;
        if (window && command == QLatin1String("click"))
            button = part<QAbstractButton>(window, name.toLatin1().constData());
        else if (window && command == QLatin1String("close"))
            button = part<QAbstractButton>(window, "button_close");
        if (button && button->isEnabled())
            button->click();
        else
            report({ QStringLiteral("refused"), line });
    }

    QTimer timer;
    QString lastPage;
    QHash<QString, QString> labels;
    int progress = -1;
    QByteArray pending;
};

void startShim()
{
    const QByteArray ca = qgetenv("LENS_SHIM_CA");
    if (!ca.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(QSslCertificate::fromPath(QString::fromLocal8Bit(ca)));
        QSslConfiguration::setDefaultConfiguration(ssl);
    }
    const QByteArray proxy = qgetenv("LENS_SHIM_PROXY");
    if (!proxy.isEmpty()) {
        const int colon = proxy.lastIndexOf(':');
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy,
            QString::fromLatin1(proxy.left(colon)), quint16(proxy.mid(colon + 1).toUInt())));
    }
    new Shim;
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startShim)
