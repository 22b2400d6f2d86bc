#include "shimmedprogram.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

#include <functional>

#include <unistd.h>

ShimmedProgram::ShimmedProgram(QObject *parent)
    : QObject(parent)
{
    connect(&m_process, &QProcess::readyReadStandardError, this, &ShimmedProgram::collect);
}

ShimmedProgram::~ShimmedProgram()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

QString ShimmedProgram::shimLibrary()
{
    return QStringLiteral(LENS_WINDOW_SHIM);
}

QString ShimmedProgram::caFile()
{
    return QStringLiteral(LENS_PROGRAM_CERTS "/ca.pem");
}

QString ShimmedProgram::serverCertificateFile()
{
    return QStringLiteral(LENS_PROGRAM_CERTS "/server.pem");
}

QString ShimmedProgram::serverKeyFile()
{
    return QStringLiteral(LENS_PROGRAM_CERTS "/server.key");
}

bool ShimmedProgram::start(const QString &program, QProcessEnvironment env, const QString &proxy)
{
    env.insert(QStringLiteral("LENS_SHIM_CA"), caFile());
    if (!proxy.isEmpty())
        env.insert(QStringLiteral("LENS_SHIM_PROXY"), proxy);
    // The window watches every mounted volume: as root, the program gets a
    // mount namespace of its own in which lens volumes of other tests are
    // detached. The preloads only go to the program itself.
    static const bool canIsolate = ::geteuid() == 0
        && QProcess::execute(QStringLiteral("unshare"),
               { QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                   QStringLiteral("true") })
            == 0;
    if (canIsolate) {
        env.insert(QStringLiteral("LENS_SHIM_PRELOAD"), env.value(QStringLiteral("LD_PRELOAD")));
        env.remove(QStringLiteral("LD_PRELOAD"));
        const QString hideOthers
            = QStringLiteral("awk '{print $2}' /proc/self/mounts | while read -r m; do "
                             "[ -f \"$m/DeviceInformation.txt\" ] && umount -l \"$m\"; done; "
                             "LD_PRELOAD=\"$LENS_SHIM_PRELOAD\" exec \"$@\"");
        m_process.setProgram(QStringLiteral("unshare"));
        m_process.setArguments({ QStringLiteral("--mount"), QStringLiteral("--propagation"),
            QStringLiteral("private"), QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
            hideOthers, QStringLiteral("sh"), program });
    } else {
        m_process.setProgram(program);
    }
    m_process.setProcessEnvironment(env);
    // The program's stdout is not looked at; stdin carries the commands.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start();
    return m_process.waitForStarted(30000);
}

bool ShimmedProgram::quit()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.write("close\n");
    if (m_process.waitForFinished(15000)) {
        collect();
        return true;
    }
    m_process.kill();
    m_process.waitForFinished(10000);
    return false;
}

void ShimmedProgram::click(const QString &button)
{
    m_process.write("click " + button.toUtf8() + '\n');
}

bool ShimmedProgram::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning) {
            collect();
            return done();
        }
        QTest::qWait(10);
    }
    return true;
}

bool ShimmedProgram::waitForPage(const QString &page, int timeoutMs)
{
    return waitUntil([&] { return m_page == page; }, timeoutMs);
}

bool ShimmedProgram::waitForLabel(const QString &name, const QString &text, int timeoutMs)
{
    return waitUntil([&] { return m_labels.value(name) == text; }, timeoutMs);
}

bool ShimmedProgram::waitForNotice(const QString &text, int timeoutMs)
{
    return waitUntil([&] { return m_notices.contains(text); }, timeoutMs);
}

bool ShimmedProgram::waitForOutput(const QString &fragment, int count, int timeoutMs)
{
    return waitUntil([&] { return outputCount(fragment) >= count; }, timeoutMs);
}

bool ShimmedProgram::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

int ShimmedProgram::exitCode() const
{
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void ShimmedProgram::collect()
{
    m_partial += m_process.readAllStandardError();
    int end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 3 || f.at(0) != QLatin1String("shim")) {
            m_other += line + QLatin1Char('\n');
            continue;
        }
        m_transcript << line.mid(5);
        const QString &kind = f.at(1);
        if (kind == QLatin1String("page"))
            m_page = f.at(2);
        else if (kind == QLatin1String("label") && f.size() >= 4)
            m_labels.insert(f.at(2), f.mid(3).join(QLatin1Char('\t')));
        else if (kind == QLatin1String("notice"))
            m_notices << f.at(2);
        else if (kind == QLatin1String("box"))
            m_boxes << f.at(2);
        else if (kind == QLatin1String("progress"))
            m_progress << f.at(2).toInt();
    }
}
