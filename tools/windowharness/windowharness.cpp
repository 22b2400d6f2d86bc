#include "windowharness.h"

#include "app/appfonts.h"
#include "windowpage.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>

#include <cstring>

#ifdef Q_OS_LINUX
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace {

QtMessageHandler g_previousHandler = nullptr;

void filterMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // What the offscreen platform cannot do (fade a notice, size a message
    // box) it says every time.
    if (message.startsWith(QLatin1String("This plugin does not support setting window opacity"))
        || message.startsWith(QLatin1String("This plugin does not support propagateSizeHints")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

bool WindowHarness::isolateVolumes()
{
#ifdef Q_OS_LINUX
    static const bool isolated = [] {
        if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0)
            return false;
        // Nothing mounted from here on travels in either direction.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return false;
        QFile mounts(QStringLiteral("/proc/self/mounts"));
        if (!mounts.open(QIODevice::ReadOnly))
            return true;
        const QList<QByteArray> lines = mounts.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() < 2 || fields.at(1) == "/")
                continue;
            // Mount points come octal-escaped; lens volumes of other test
            // programs live under plain temporary paths.
            const QByteArray point = fields.at(1);
            if (QFileInfo::exists(QString::fromLocal8Bit(point) + QStringLiteral("/DeviceInformation.txt")))
                ::umount2(point.constData(), MNT_DETACH);
        }
        return true;
    }();
    return isolated;
#else
    return false;
#endif
}

void WindowHarness::initApplication()
{
    isolateVolumes();
    AppFonts::installSubstitutes();
    if (qEnvironmentVariableIntValue("LENS_APP_LOG") != 0)
        QLoggingCategory::setFilterRules(QStringLiteral("lens.app.debug=true"));
    else
        QLoggingCategory::setFilterRules(QStringLiteral("lens.app.debug=false\nlens.app.info=false"));
    if (!g_previousHandler)
        g_previousHandler = qInstallMessageHandler(filterMessage);
}

QWidget *WindowHarness::part(QWidget *window, const QString &name)
{
    for (const char *row : { "headWidget", "centerStackedWidget" }) {
        auto *rowWidget = window->findChild<QWidget *>(QLatin1String(row), Qt::FindDirectChildrenOnly);
        if (!rowWidget)
            continue;
        if (rowWidget->objectName() == name)
            return rowWidget;
        if (auto *found = rowWidget->findChild<QWidget *>(name))
            return found;
    }
    return nullptr;
}

QString WindowHarness::text(QWidget *window, const QString &name)
{
    QWidget *widget = part(window, name);
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *edit = qobject_cast<QTextEdit *>(widget))
        return edit->toPlainText();
    return QString();
}

bool WindowHarness::isShown(QWidget *window, const QString &name)
{
    QWidget *widget = part(window, name);
    return widget && !widget->isHidden();
}

QString WindowHarness::page(QWidget *window)
{
    return windowPageName(part<QStackedWidget>(window, QStringLiteral("centerStackedWidget")),
        part<QStackedWidget>(window, QStringLiteral("childstackedWidget")));
}

bool WindowHarness::clickUntil(QWidget *button, const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        if (button->isEnabled() && button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        if (QTest::qWaitFor(done, 200))
            break;
    }
    return true;
}

QByteArray WindowHarness::firmwareImage(const QString &modelName, int size, quint32 seed, bool shortHeader)
{
    QByteArray image(size, '\0');
    quint32 state = seed ? seed : 1;
    for (int i = 0; i < size; ++i) {
        // xorshift32
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image[i] = char(state >> 24);
    }
    const int offset = shortHeader ? 16 : 32;
    const int width = shortHeader ? 16 : 32;
    if (size >= offset + width) {
        const QByteArray name = modelName.toUtf8().left(width - 1);
        std::memset(image.data() + offset, 0, size_t(width));
        std::memcpy(image.data() + offset, name.constData(), size_t(name.size()));
    }
    if (size > 0 && image.at(size - 1) == '\0')
        image[size - 1] = char(0x5A);
    return image;
}

QByteArray WindowHarness::lensPicture(const QColor &colour)
{
    QImage picture(260, 370, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour.darker(160));
        painter.drawRoundedRect(QRectF(55, 40, 150, 290), 18, 18);
        painter.setBrush(colour);
        painter.drawRoundedRect(QRectF(65, 60, 130, 60), 10, 10);
        painter.drawRoundedRect(QRectF(65, 250, 130, 60), 10, 10);
        painter.setBrush(QColor(0x10, 0x10, 0x10));
        painter.drawEllipse(QPointF(130, 185), 48, 48);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return png;
}
