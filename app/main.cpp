#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "appfonts.h"
#include "applanguage.h"
#include "singleinstanceguard.h"
#include "widget.h"

#ifdef LENS_DEMO
#include "demosetup.h"
#endif

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppFonts::installSubstitutes();
    QTranslator translator;
    QLocale locale;

    // A missing translation leaves the Chinese source texts on screen.
    translator.load(AppLanguage::translationFile(locale), QString(), QString(), QString());
    app.installTranslator(&translator);

    if (!SingleInstanceGuard::application().acquire()) {
        QMessageBox::information(nullptr, AppLanguage::alreadyRunningTitle(locale),
                                 AppLanguage::alreadyRunningText(locale), QMessageBox::Cancel,
                                 QMessageBox::NoButton);
        QCoreApplication::quit();
        return -1;
    }

#ifdef LENS_DEMO
    if (!DemoSetup::prepare())
        return 1;
#endif

    Widget window;
    window.show();
    return app.exec();
}
