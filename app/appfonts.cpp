#include "appfonts.h"

#include <QFont>
#include <QStringList>

void AppFonts::installSubstitutes()
{
    const QStringList substitutes = {
        QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Source Han Sans SC"),
        QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("Droid Sans Fallback"),
    };
    for (const QString &family : { QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
             QStringLiteral("Microsoft YaHei UI") }) {
        if (QFont::substitutes(family).isEmpty())
            QFont::insertSubstitutions(family, substitutes);
    }
}
