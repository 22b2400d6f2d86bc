#pragma once

// Shared by the fuzz harnesses: one application object for the whole run,
// quiet logging, and a check that turns a broken promise into a crash the
// fuzzer records.

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                                          \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", __FILE__, __LINE__, what);              \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace fuzzsupport {

inline void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "qFatal: %s\n", qPrintable(message));
        std::abort();
    }
}

// Call from LLVMFuzzerInitialize. Debug output per input would slow the run
// down by orders of magnitude and says nothing the checks do not.
template <typename Application = QCoreApplication> inline void startApplication(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    // Kept for the whole run (and reachable, so not a leak).
    static Application *app = new Application(*argc, *argv);
    (void)app;
}

} // namespace fuzzsupport
