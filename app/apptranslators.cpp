#include "apptranslators.h"

#include "applanguage.h"
#include "applog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

AppTranslators::AppTranslators() = default;

AppTranslators::~AppTranslators()
{
    if (m_installed && QCoreApplication::instance()) {
        QCoreApplication::removeTranslator(&m_product);
        QCoreApplication::removeTranslator(&m_qt);
    }
}

QString AppTranslators::qtCatalogue(const QLocale &locale)
{
    // The program's Chinese is simplified whatever the country, so Qt's
    // buttons match it.
    return AppLanguage::isChinese(locale) ? QStringLiteral("qtbase_zh_CN") : QString();
}

QStringList AppTranslators::qtCatalogueFolders()
{
    return { QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
        QLibraryInfo::location(QLibraryInfo::TranslationsPath) };
}

bool AppTranslators::install(const QLocale &locale)
{
    return install(locale, AppLanguage::translationFile(locale));
}

bool AppTranslators::install(const QLocale &locale, const QString &productFile)
{
    const QString catalogue = qtCatalogue(locale);
    if (!catalogue.isEmpty()) {
        for (const QString &folder : qtCatalogueFolders()) {
            if (m_qt.load(catalogue, folder))
                break;
        }
        if (m_qt.isEmpty())
            qCInfo(lcApp).noquote() << "Qt's own" << catalogue << "translation not found in"
                                    << qtCatalogueFolders().join(QStringLiteral(", "));
    }
    const bool productLoaded = m_product.load(productFile, QString(), QString(), QString());
    // Installed in this order: the last one installed is asked first.
    QCoreApplication::installTranslator(&m_qt);
    QCoreApplication::installTranslator(&m_product);
    m_installed = true;
    return productLoaded;
}

bool AppTranslators::qtLoaded() const
{
    return !m_qt.isEmpty();
}

QString AppTranslators::qtFile() const
{
    return m_qt.filePath();
}
