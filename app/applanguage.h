#pragma once

#include <QLocale>
#include <QString>

// The program speaks Chinese on a Chinese system (any country or script)
// and English everywhere else.
class AppLanguage
{
public:
    static bool isChinese(const QLocale &locale);

    // ":/Chinese.qm" or ":/English.qm".
    static QString translationFile(const QLocale &locale);

    // The notice of a second start. It is shown before anything is
    // translated and never goes through the translator.
    static QString alreadyRunningTitle(const QLocale &locale);
    static QString alreadyRunningText(const QLocale &locale);
};
