#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

// The two translations of the running program: the product's own embedded
// one (":/Chinese.qm" or ":/English.qm") and Qt's for its standard texts
// (the Yes, No and Cancel of the question boxes, the context menus), so a
// Chinese window has Chinese buttons. The product's is installed last and
// is therefore asked first: its texts win over Qt's.
class AppTranslators
{
public:
    AppTranslators();
    ~AppTranslators();

    // Loads and installs both for the language the locale selects. False
    // when the product's translation could not be loaded; a missing Qt
    // translation only leaves Qt's texts in English.
    bool install(const QLocale &locale);
    // The same with another product file (tests).
    bool install(const QLocale &locale, const QString &productFile);

    // Qt's catalogue for the program's language ("qtbase_zh_CN"), or empty
    // for English, Qt's own language.
    static QString qtCatalogue(const QLocale &locale);
    // Where Qt's catalogues are looked for: beside the program first (the
    // Windows package ships them there), then Qt's own folder.
    static QStringList qtCatalogueFolders();

    bool qtLoaded() const;
    QString qtFile() const;

private:
    QTranslator m_qt;
    QTranslator m_product;
    bool m_installed = false;
};
