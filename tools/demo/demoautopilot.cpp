#include "demoautopilot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kTickMs = 100;
// Pressing update again while the firmware is still on its way is what a
// user would do too; the window ignores a press without firmware.
constexpr int kPressEveryTicks = 10;
// Lets the page slide and the notice fade in before the picture is taken.
constexpr int kSettleMs = 1200;

template <typename T> T *find(QWidget *window, const char *name)
{
    return window ? window->findChild<T *>(QString::fromLatin1(name)) : nullptr;
}

} // namespace

DemoAutopilot::DemoAutopilot(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &DemoAutopilot::step);
}

void DemoAutopilot::start()
{
    qApp->installEventFilter(this);
    m_timer->start(kTickMs);
    report(QStringLiteral("started"), QString());
}

void DemoAutopilot::report(const QString &kind, const QString &value)
{
    const QByteArray line = (QStringLiteral("autopilot\t") + kind + QLatin1Char('\t') + value).toUtf8();
    std::fprintf(stdout, "%s\n", line.constData());
    std::fflush(stdout);
}

QWidget *DemoAutopilot::window() const
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("Widget") && w->isVisible())
            return w;
    }
    return nullptr;
}

QString DemoAutopilot::currentPage(QWidget *window) const
{
    auto *center = find<QStackedWidget>(window, "centerStackedWidget");
    auto *child = find<QStackedWidget>(window, "childstackedWidget");
    if (!center || !center->currentWidget())
        return QString();
    const QString page = center->currentWidget()->objectName();
    if (page == QLatin1String("page_update") && child && child->currentWidget())
        return child->currentWidget()->objectName();
    return page;
}

bool DemoAutopilot::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->inherits("BubblePopup")) {
        const QString text = static_cast<QLabel *>(watched)->text();
        report(QStringLiteral("notice"), text);
        if (m_stage == Stage::Updating) {
            if (text == QCoreApplication::translate("Widget", "更新成功！"))
                m_successNotice = true;
            else if (text == QCoreApplication::translate("Widget", "更新失败！"))
                m_failureNotice = true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void DemoAutopilot::step()
{
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        report(QStringLiteral("question"), box->text());
        if (QAbstractButton *yes = box->button(QMessageBox::Yes))
            yes->click();
        return;
    }

    QWidget *w = window();
    if (!w)
        return;
    const QString page = currentPage(w);
    if (page != m_page) {
        m_page = page;
        report(QStringLiteral("page"), page);
    }

    switch (m_stage) {
    case Stage::WaitingForLens: {
        // The server has answered for a lens: the latest version is shown
        // behind its prefix (the form's own text has none).
        const QString prefix = QCoreApplication::translate("Widget", "最新版本 ： ");
        auto *latest = find<QLabel>(w, "label_newVer");
        auto *link = find<QAbstractButton>(w, "button_link");
        if (latest && link && !latest->isHidden() && latest->text().startsWith(prefix)
            && latest->text().size() > prefix.size() && page == QLatin1String("page_link")) {
            report(QStringLiteral("pressed"), QStringLiteral("button_link"));
            link->click();
            m_stage = Stage::Ready;
            m_ticksSincePress = kPressEveryTicks;
        }
        break;
    }
    case Stage::Ready: {
        if (page == QLatin1String("page_updating")) {
            m_stage = Stage::Updating;
            break;
        }
        auto *update = find<QAbstractButton>(w, "button_update");
        if (page == QLatin1String("page_updateReady") && update && update->isEnabled()
            && ++m_ticksSincePress >= kPressEveryTicks) {
            m_ticksSincePress = 0;
            report(QStringLiteral("pressed"), QStringLiteral("button_update"));
            update->click();
            if (currentPage(w) == QLatin1String("page_updating"))
                m_stage = Stage::Updating;
        }
        break;
    }
    case Stage::Updating: {
        if (auto *progress = find<QLabel>(w, "label_progress")) {
            static const QRegularExpression number(QStringLiteral("(\\d+)\\.\\d"));
            const QRegularExpressionMatch m = number.match(progress->text());
            const int decade = m.hasMatch() ? m.captured(1).toInt() / 10 : -1;
            if (decade > m_progressDecade) {
                m_progressDecade = decade;
                report(QStringLiteral("progress"), progress->text());
            }
        }
        if (m_successNotice && page == QLatin1String("page_updatefinished"))
            finish(true);
        else if (m_failureNotice)
            finish(false);
        break;
    }
    case Stage::Done:
        break;
    }
}

void DemoAutopilot::finish(bool success)
{
    m_stage = Stage::Done;
    QTimer::singleShot(kSettleMs, this, [this, success] {
        QWidget *w = window();
        if (success) {
            for (const char *name : { "label_model_F", "label_SN_F", "label_newVer_F" }) {
                if (auto *label = find<QLabel>(w, name))
                    report(QStringLiteral("label"),
                        QString::fromLatin1(name) + QLatin1Char('\t') + label->text());
            }
        }
        report(QStringLiteral("result"), success ? QStringLiteral("success") : QStringLiteral("failure"));
        QString path = qEnvironmentVariable("LENS_DEMO_AUTOPILOT_SCREENSHOT");
        if (path.isEmpty())
            path = QDir::temp().filePath(QStringLiteral("lens-updater-demo.png"));
        if (w && w->grab().save(path, "PNG"))
            report(QStringLiteral("screenshot"), path);
        else
            report(QStringLiteral("screenshot"), QString());
        QTimer::singleShot(300, qApp, &QCoreApplication::quit);
    });
}
