#pragma once

#include <QPixmap>
#include <QString>

// QIcon finds the "@2x" file of a picture by itself; QPixmap does not. This
// loads "name@2x.png" instead of "name.png" when the screens have twice the
// pixels (or more) and such a file exists; Qt reads its device pixel ratio
// from the name, so it is shown at the size of the plain picture.
class HighDpiPixmap
{
public:
    static QPixmap load(const QString &path);
    // The file load() would read at the given device pixel ratio.
    static QString fileFor(const QString &path, qreal devicePixelRatio);
};
