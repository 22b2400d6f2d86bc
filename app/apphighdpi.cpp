#include "apphighdpi.h"

#include <QCoreApplication>

bool AppHighDpi::scalesByItself()
{
#ifdef Q_OS_WIN
    return false;
#else
    return true;
#endif
}

void AppHighDpi::configure()
{
    if (scalesByItself())
        QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    // Icons take their @2x files where the screen has twice the pixels.
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
}
