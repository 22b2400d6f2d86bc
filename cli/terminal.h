#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

class ProgressMeter;

// Where lens-update talks to the person (or script) at the other end:
// results on stdout, failures on stderr, questions read from stdin, and a
// progress bar that redraws itself on a terminal and prints plain lines
// when the output goes to a file or a pipe.
class Terminal
{
public:
    Terminal();

    bool isInteractive() const { return m_interactive; }
    // Forces plain progress lines (tests, --json).
    void setInteractive(bool interactive) { m_interactive = interactive; }

    void print(const QString &text);
    void printError(const QString &text);

    // Asks a yes/no question; anything but yes (also end of input) is no.
    // With `assumeYes` the question is shown with its answer and not asked.
    bool ask(const QString &question, bool assumeYes);

    // A transfer or download: `label` once, then the meter's line.
    void startProgress(const QString &label);
    void progress(const ProgressMeter &meter, double percent);
    void endProgress();

private:
    void write(FILE *stream, const QString &text);

    bool m_interactive;
    bool m_progressShown = false;
    int m_lastPlainStep = -1;
    QString m_label;
    QElapsedTimer m_clock;
    qint64 m_lastDrawMs = -1;
};
