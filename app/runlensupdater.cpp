#include "runlensupdater.h"

#include "appfonts.h"
#include "apphighdpi.h"
#include "applanguage.h"
#include "applog.h"
#include "applogfile.h"
#include "apptranslators.h"
#include "net/devicefirmwareprocess.h"
#include "singleinstanceguard.h"
#include "widget.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

int runLensUpdater(int argc, char **argv, const StartupOptions &options)
{
    // Must be decided before the application object exists.
    AppHighDpi::configure();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(LENS_VERSION));

    AppLogFile::useDefaultRules();
    AppLogFile log(AppLogFile::defaultPath(options.logName));
    log.install();

    AppFonts::installSubstitutes();
    AppTranslators translators;
    QLocale locale;
    // A missing translation leaves the Chinese source texts on screen.
    translators.install(locale);

    qCInfo(lcApp).noquote() << "started" << QCoreApplication::applicationVersion() << "language"
                            << (AppLanguage::isChinese(locale) ? "Chinese" : "English") << "Qt" << qVersion()
                            << "scale" << app.devicePixelRatio();

    if (!SingleInstanceGuard::application().acquire()) {
        qCInfo(lcApp) << "another copy is running";
        QMessageBox::information(nullptr, AppLanguage::alreadyRunningTitle(locale),
            AppLanguage::alreadyRunningText(locale), QMessageBox::Cancel, QMessageBox::NoButton);
        QCoreApplication::quit();
        return -1;
    }

    if (options.beforeWindow && !options.beforeWindow())
        return 1;

    Widget::Workers workers;
    workers.firmware = new DeviceFirmwareProcess(options.firmwareEndpoints);
    Widget window(workers);
    window.show();
    const int result = app.exec();
    qCInfo(lcApp) << "ended with" << result;
    return result;
}
