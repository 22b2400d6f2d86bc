#include "highdpipixmap.h"

#include <QFile>
#include <QGuiApplication>

QString HighDpiPixmap::fileFor(const QString &path, qreal devicePixelRatio)
{
    if (devicePixelRatio < 1.5)
        return path;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return path;
    const QString doubled = path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
    return QFile::exists(doubled) ? doubled : path;
}

QPixmap HighDpiPixmap::load(const QString &path)
{
    return QPixmap(fileFor(path, qApp ? qApp->devicePixelRatio() : 1.0));
}
