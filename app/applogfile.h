#pragma once

#include <QFile>
#include <QMutex>
#include <QString>
#include <QtGlobal>

// A small log a user can send with a question: every message of the
// program's own categories (lens.*) that is enabled goes, besides stderr,
// into <state folder>/<name>.log. By default that is info and above;
// QT_LOGGING_RULES="lens.*.debug=true" adds the debug lines. When the file
// would grow past its limit it becomes <name>.log.1 (replacing the older
// one) and a new file starts, so at most two files are kept.
//
// Serial numbers stay out of it: the sn= value of a URL is masked. The
// file is only written, never sent anywhere.
class AppLogFile
{
public:
    static constexpr qint64 defaultLimit = 1024 * 1024;

    explicit AppLogFile(const QString &path, qint64 limit = defaultLimit);
    ~AppLogFile();

    // Becomes the message handler of the process; the previous one still
    // gets every message. One instance at a time; the destructor restores
    // the previous handler.
    void install();

    QString path() const;
    QString previousPath() const;

    // Debug lines of lens.* off unless the environment's rules turn them on
    // (those are applied after these).
    static void useDefaultRules();

    // <XDG_STATE_HOME or ~/.local/state>/lens-updater/<name>.log on Linux,
    // the local application data folder elsewhere.
    static QString defaultPath(const QString &name);

    // The line as written into the file (without the time stamp).
    static QString redact(const QString &message);

    // Writes one line directly (what the handler does for a lens.* message).
    void write(QtMsgType type, const char *category, const QString &message);

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    bool openForAppend();
    void rotate();

    QString m_path;
    qint64 m_limit;
    QFile m_file;
    QMutex m_mutex;
    QtMessageHandler m_previous = nullptr;
    bool m_installed = false;
    bool m_failed = false;
};
