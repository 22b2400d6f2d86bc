#pragma once

#include <QStackedWidget>
#include <QString>

// The page a window shows, by the short names the tests use: link, ready,
// updating, finished (else the page's object name). Shared by the harness
// that holds a window and the shim that sits inside a shipped program.
inline QString windowPageName(const QStackedWidget *center, const QStackedWidget *sub)
{
    if (!center || !center->currentWidget())
        return QString();
    const QString name = center->currentWidget()->objectName();
    if (name == QLatin1String("page_link"))
        return QStringLiteral("link");
    if (name == QLatin1String("page_updating"))
        return QStringLiteral("updating");
    if (name == QLatin1String("page_update") && sub)
        return sub->currentIndex() == 0 ? QStringLiteral("ready") : QStringLiteral("finished");
    return name;
}
