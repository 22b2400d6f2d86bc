// lens-update: the lens firmware updater without a window, for terminals,
// SSH sessions and scripts. See lens-update --help and lens-update(1).

#include "commandline.h"
#include "commandrunner.h"
#include "exitcode.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QLoggingCategory>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTranslator>

#ifndef LENS_VERSION
#define LENS_VERSION "0"
#endif

namespace {

// The window's rule: Chinese on a Chinese system, English everywhere else.
QString translationFile()
{
    return QLocale().language() == QLocale::Chinese ? QStringLiteral(":/Chinese.qm")
                                                    : QStringLiteral(":/English.qm");
}

bool trustCa(const QString &path)
{
    const QList<QSslCertificate> cas = QSslCertificate::fromPath(path, QSsl::Pem);
    if (cas.isEmpty())
        return false;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(configuration.caCertificates() + cas);
    QSslConfiguration::setDefaultConfiguration(configuration);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lens-update"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LENS_VERSION));

    QTranslator translator;
    // A missing translation leaves the Chinese source texts.
    translator.load(translationFile(), QString(), QString(), QString());
    app.installTranslator(&translator);

    Terminal terminal;
    CliOptions options;
    QString message;
    switch (CommandLine::parse(QCoreApplication::arguments(), &options, &message)) {
    case CommandLine::Outcome::Help:
        terminal.print(CommandLine::helpText().trimmed());
        return ExitCode::Success;
    case CommandLine::Outcome::Version:
        terminal.print(CommandLine::versionText());
        return ExitCode::Success;
    case CommandLine::Outcome::Error:
        terminal.printError(QStringLiteral("lens-update: ") + message);
        terminal.printError(QCoreApplication::translate("CommandLine", "用 lens-update --help 查看用法。"));
        return ExitCode::UsageError;
    case CommandLine::Outcome::Run:
        break;
    }

    if (options.verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("lens.*=true"));
        qSetMessagePattern(QStringLiteral("%{category}: %{message}"));
    } else {
        // The program says itself what went wrong.
        QLoggingCategory::setFilterRules(
            QStringLiteral("lens.*.debug=false\nlens.*.info=false\nlens.*.warning=false"));
    }
    if (!options.caFile.isEmpty() && !trustCa(options.caFile)) {
        terminal.printError(
            QStringLiteral("lens-update: cannot read a CA certificate from ") + options.caFile);
        return ExitCode::UsageError;
    }

    CommandRunner runner(options, &terminal);
    QObject::connect(
        &runner, &CommandRunner::finished, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    runner.start();
    return app.exec();
}
