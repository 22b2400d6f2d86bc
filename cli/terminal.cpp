#include "terminal.h"

#include "progressmeter.h"

#include <QCoreApplication>

#include <cmath>
#include <iostream>
#include <string>

#ifdef Q_OS_WIN
#include <io.h>
#define LENS_ISATTY _isatty
#define LENS_FILENO _fileno
#else
#include <unistd.h>
#define LENS_ISATTY isatty
#define LENS_FILENO fileno
#endif

namespace {

constexpr int kBarWidth = 30;
// Redraw no more often than this; a transfer acknowledges far faster.
constexpr qint64 kRedrawMs = 100;
// Plain lines every this many percent.
constexpr int kPlainStep = 10;

} // namespace

Terminal::Terminal()
    : m_interactive(LENS_ISATTY(LENS_FILENO(stdout)) != 0)
{
}

void Terminal::write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void Terminal::print(const QString &text)
{
    endProgress();
    write(stdout, text + QLatin1Char('\n'));
}

void Terminal::printError(const QString &text)
{
    endProgress();
    write(stderr, text + QLatin1Char('\n'));
}

bool Terminal::ask(const QString &question, bool assumeYes)
{
    endProgress();
    const QString prompt
        = question + QLatin1Char(' ') + QCoreApplication::translate("Terminal", "[y/N]") + QLatin1Char(' ');
    if (assumeYes) {
        write(stdout, prompt + QCoreApplication::translate("Terminal", "y (--yes)") + QLatin1Char('\n'));
        return true;
    }
    write(stdout, prompt);
    std::string line;
    if (!std::getline(std::cin, line)) {
        write(stdout, QCoreApplication::translate("Terminal", "n (no answer)") + QLatin1Char('\n'));
        return false;
    }
    const QString answer = QString::fromLocal8Bit(line.c_str()).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes") || answer == QStringLiteral("是");
}

void Terminal::startProgress(const QString &label)
{
    endProgress();
    m_label = label;
    m_lastPlainStep = -1;
    m_lastDrawMs = -1;
    m_clock.start();
    m_progressShown = true;
    if (!m_interactive)
        write(stdout, label + QLatin1Char('\n'));
}

void Terminal::progress(const ProgressMeter &meter, double percent)
{
    if (!m_progressShown)
        startProgress(QString());
    const qint64 now = m_clock.elapsed();
    if (m_interactive) {
        if (m_lastDrawMs >= 0 && now - m_lastDrawMs < kRedrawMs && percent < 100.0)
            return;
        m_lastDrawMs = now;
        // \r and the erase-to-end-of-line sequence keep it on one line.
        write(stdout,
            QStringLiteral("\r\x1b[K") + m_label + QLatin1Char(' ') + ProgressMeter::bar(percent, kBarWidth)
                + QLatin1Char(' ') + meter.text(percent, now));
        return;
    }
    const int step = int(std::floor(percent / kPlainStep));
    if (step <= m_lastPlainStep)
        return;
    m_lastPlainStep = step;
    write(stdout, QStringLiteral("  ") + meter.text(percent, now) + QLatin1Char('\n'));
}

void Terminal::endProgress()
{
    if (!m_progressShown)
        return;
    m_progressShown = false;
    if (m_interactive)
        write(stdout, QStringLiteral("\n"));
}
