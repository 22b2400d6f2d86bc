#include "applanguage.h"

bool AppLanguage::isChinese(const QLocale &locale)
{
    return locale.language() == QLocale::Chinese;
}

QString AppLanguage::translationFile(const QLocale &locale)
{
    return isChinese(locale) ? QStringLiteral(":/Chinese.qm") : QStringLiteral(":/English.qm");
}

QString AppLanguage::alreadyRunningTitle(const QLocale &locale)
{
    return isChinese(locale) ? QStringLiteral("提示") : QStringLiteral("Tips");
}

QString AppLanguage::alreadyRunningText(const QLocale &locale)
{
    return isChinese(locale) ? QStringLiteral("升级程序已启动，请勿重复打开！")
                             : QStringLiteral("The upgrade program has been started, do not open it again!");
}
