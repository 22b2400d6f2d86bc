#include "applogfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStandardPaths>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<AppLogFile *> current { nullptr };
std::atomic<QtMessageHandler> previousHandler { nullptr };

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

} // namespace

AppLogFile::AppLogFile(const QString &path, qint64 limit)
    : m_path(path)
    , m_limit(limit)
    , m_file(path)
{
}

AppLogFile::~AppLogFile()
{
    if (m_installed) {
        current = nullptr;
        qInstallMessageHandler(m_previous);
    }
}

void AppLogFile::install()
{
    if (m_installed)
        return;
    m_installed = true;
    current = this;
    // Qt hands back its default handler when none was installed.
    m_previous = qInstallMessageHandler(&AppLogFile::handler);
    previousHandler = m_previous;
}

QString AppLogFile::path() const
{
    return m_path;
}

QString AppLogFile::previousPath() const
{
    return m_path + QStringLiteral(".1");
}

void AppLogFile::useDefaultRules()
{
    QLoggingCategory::setFilterRules(QStringLiteral("lens.*.debug=false"));
}

QString AppLogFile::defaultPath(const QString &name)
{
    QString folder;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt 5 has no location for the XDG state folder, where logs belong.
    folder = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(folder))
        folder = QStandardPaths::writableLocation(QStandardPaths::HomeLocation)
            + QStringLiteral("/.local/state");
    folder += QStringLiteral("/lens-updater");
#else
    folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/lens-updater");
#endif
    return QDir::cleanPath(folder + QLatin1Char('/') + name + QStringLiteral(".log"));
}

QString AppLogFile::redact(const QString &message)
{
    // The server query carries the lens's serial number.
    static const QRegularExpression serial(QStringLiteral("([?&]sn=)[^&#\\s\"']*"));
    QString out = message;
    out.replace(serial, QStringLiteral("\\1(hidden)"));
    // One line per message in the file.
    out.replace(QLatin1Char('\n'), QStringLiteral(" | "));
    return out;
}

void AppLogFile::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    AppLogFile *self = current.load();
    if (self && context.category && qstrncmp(context.category, "lens.", 5) == 0)
        self->write(type, context.category, message);
    if (QtMessageHandler previous = previousHandler.load())
        previous(type, context, message);
}

bool AppLogFile::openForAppend()
{
    if (m_file.isOpen())
        return true;
    if (m_failed)
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        // Said once on stderr; the program runs on without its log.
        m_failed = true;
        fprintf(
            stderr, "cannot write the log %s: %s\n", qPrintable(m_path), qPrintable(m_file.errorString()));
        return false;
    }
    return true;
}

void AppLogFile::rotate()
{
    m_file.close();
    QFile::remove(previousPath());
    QFile::rename(m_path, previousPath());
}

void AppLogFile::write(QtMsgType type, const char *category, const QString &message)
{
    const QByteArray line = QStringLiteral("%1 %2 %3: %4\n")
                                .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                                    QLatin1String(levelName(type)), QLatin1String(category), redact(message))
                                .toUtf8();
    QMutexLocker lock(&m_mutex);
    if (!openForAppend())
        return;
    if (m_file.size() > 0 && m_file.size() + line.size() > m_limit) {
        rotate();
        if (!openForAppend())
            return;
    }
    m_file.write(line.left(int(m_limit)));
    m_file.flush();
}
