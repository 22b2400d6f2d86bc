#include <QFile>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include "app/applanguage.h"
#include "app/apptranslators.h"

#include <QCoreApplication>

class tst_AppLanguage : public QObject
{
    Q_OBJECT

private slots:
    void translationFileFollowsLanguage_data();
    void translationFileFollowsLanguage();
    void defaultLocaleDecides();
    void alreadyRunningNotice();
    void qtTextsFollowLanguage_data();
    void qtTextsFollowLanguage();

    void englishTexts_data();
    void englishTexts();
    void everyEntryTranslated_data();
    void everyEntryTranslated();
};

void tst_AppLanguage::translationFileFollowsLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("file");
    // Qt's own catalogue: the program's Chinese is simplified everywhere,
    // and an English program keeps Qt's English.
    QTest::addColumn<QString>("qtCatalogue");
    const QString zh = QStringLiteral(":/Chinese.qm");
    const QString en = QStringLiteral(":/English.qm");
    const QString qtZh = QStringLiteral("qtbase_zh_CN");
    QTest::newRow("zh_CN") << "zh_CN" << zh << qtZh;
    QTest::newRow("zh_TW") << "zh_TW" << zh << qtZh;
    QTest::newRow("zh_HK") << "zh_HK" << zh << qtZh;
    QTest::newRow("zh_Hant_TW") << "zh_Hant_TW" << zh << qtZh;
    QTest::newRow("zh_SG") << "zh_SG" << zh << qtZh;
    QTest::newRow("de_DE") << "de_DE" << en << QString();
    QTest::newRow("de") << "de" << en << QString();
    QTest::newRow("ja_JP") << "ja_JP" << en << QString();
    QTest::newRow("ja") << "ja" << en << QString();
    QTest::newRow("en_US") << "en_US" << en << QString();
    QTest::newRow("C") << "C" << en << QString();
}

void tst_AppLanguage::translationFileFollowsLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QString, file);
    QFETCH(QString, qtCatalogue);
    QCOMPARE(AppLanguage::translationFile(QLocale(locale)), file);
    QCOMPARE(AppTranslators::qtCatalogue(QLocale(locale)), qtCatalogue);
    QCOMPARE(AppLanguage::isChinese(QLocale(locale)), file == QLatin1String(":/Chinese.qm"));
    // Both files are embedded.
    QVERIFY(QFile::exists(file));
}

void tst_AppLanguage::defaultLocaleDecides()
{
    // main() asks a default-constructed QLocale.
    const QLocale saved;
    QLocale::setDefault(QLocale(QStringLiteral("zh_TW")));
    QCOMPARE(AppLanguage::translationFile(QLocale()), QStringLiteral(":/Chinese.qm"));
    QLocale::setDefault(QLocale(QStringLiteral("ja_JP")));
    QCOMPARE(AppLanguage::translationFile(QLocale()), QStringLiteral(":/English.qm"));
    QLocale::setDefault(saved);
}

void tst_AppLanguage::alreadyRunningNotice()
{
    const QLocale zh(QStringLiteral("zh_TW"));
    const QLocale de(QStringLiteral("de_DE"));
    QCOMPARE(AppLanguage::alreadyRunningTitle(zh), QStringLiteral("提示"));
    QCOMPARE(AppLanguage::alreadyRunningText(zh), QStringLiteral("升级程序已启动，请勿重复打开！"));
    QCOMPARE(AppLanguage::alreadyRunningTitle(de), QStringLiteral("Tips"));
    QCOMPARE(AppLanguage::alreadyRunningText(de),
        QStringLiteral("The upgrade program has been started, do not open it again!"));
}

void tst_AppLanguage::qtTextsFollowLanguage_data()
{
    QTest::addColumn<QString>("locale");
    // Empty: the program's own translation.
    QTest::addColumn<QString>("productFile");
    QTest::addColumn<QString>("yes");
    QTest::addColumn<QString>("no");
    QTest::addColumn<QString>("connect");
    QTest::newRow("Chinese: Qt's buttons in Chinese") << "zh_CN" << QString() << "是(&Y)"
                                                      << "否(&N)"
                                                      << "开始连接";
    QTest::newRow("Traditional Chinese: the same simplified texts") << "zh_TW" << QString() << "是(&Y)"
                                                                    << "否(&N)"
                                                                    << "开始连接";
    QTest::newRow("German: all English") << "de_DE" << QString() << "&Yes"
                                         << "&No"
                                         << "Connect";
    // A product entry for one of Qt's texts wins over Qt's translation;
    // the rest still comes from Qt's.
    QTest::newRow("Chinese: the product's entry first")
        << "zh_CN" << QStringLiteral(LENS_PRODUCT_FIRST_QM) << "好"
        << "否(&N)"
        << "开始连接";
}

void tst_AppLanguage::qtTextsFollowLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QString, productFile);
    QFETCH(QString, yes);
    QFETCH(QString, no);
    QFETCH(QString, connect);

    int argc = 1;
    char name[] = "tst_applanguage";
    char *argv[] = { name, nullptr };
    QCoreApplication app(argc, argv);
    {
        AppTranslators translators;
        if (productFile.isEmpty())
            QVERIFY(translators.install(QLocale(locale)));
        else
            QVERIFY(translators.install(QLocale(locale), productFile));
        QCOMPARE(translators.qtLoaded(), !AppTranslators::qtCatalogue(QLocale(locale)).isEmpty());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), no);
        if (productFile.isEmpty())
            QCOMPARE(QCoreApplication::translate("Widget", "开始连接"), connect);
    }
    // Gone with the object.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
}

void tst_AppLanguage::englishTexts_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("english");
    QTest::newRow("connect") << "开始连接"
                             << "Connect";
    QTest::newRow("update") << "更新最新固件"
                            << "Update";
    QTest::newRow("is the latest") << "已是最新固件"
                                   << "Is the latest";
    QTest::newRow("progress placeholder") << "正在更新：00.0%"
                                          << "Upadting : 00.0%";
    QTest::newRow("hint") << "请将设备通过USB连接到电脑中"
                          << "Connect the device to your computer via USB";
    QTest::newRow("serial prefix, two spaces") << "序列号  ： "
                                               << "Serial number : ";
    QTest::newRow("latest version label") << "最新版本："
                                          << "Latest Version:";
    QTest::newRow("latest version prefix") << "最新版本 ： "
                                           << "Latest version : ";
    QTest::newRow("percent") << "%"
                             << "%";
    QTest::newRow("restarting") << "%。正在重启中..."
                                << "%.Restarting...";
    QTest::newRow("restarting notice") << "更新成功！正在重启中..."
                                       << "Update successfully!Restarting...";
    QTest::newRow("data notice, ascii bang") << "数据不存在!"
                                             << "Data does not exist!";
    QTest::newRow("downgrade, middle") << ")较新，是否降为 "
                                       << ")is newer, is it reduced to ";
    QTest::newRow("switched") << "已切换到 %1"
                              << "Has switched to %1";
    QTest::newRow("one lens only") << "请只连接一个镜头后再更新！"
                                   << "Leave only one lens attached, then update again.";
    QTest::newRow("restart") << ",请重新启动升级程序！"
                             << ",please restart the upgrade process!";
}

void tst_AppLanguage::englishTexts()
{
    QFETCH(QString, source);
    QFETCH(QString, english);
    QTranslator en;
    QVERIFY(en.load(QStringLiteral(":/English.qm")));
    QTranslator zh;
    QVERIFY(zh.load(QStringLiteral(":/Chinese.qm")));
    const QByteArray src = source.toUtf8();
    QCOMPARE(en.translate("Widget", src.constData()), english);
    QCOMPARE(zh.translate("Widget", src.constData()), source);
}

// Every entry of both sources is in the compiled file, finished; Chinese maps
// each text to itself.
void tst_AppLanguage::everyEntryTranslated_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("Chinese") << "Chinese";
    QTest::newRow("English") << "English";
}

void tst_AppLanguage::everyEntryTranslated()
{
    QFETCH(QString, language);
    QFile ts(QStringLiteral(LENS_TS_DIR "/") + language + QStringLiteral(".ts"));
    QVERIFY(ts.open(QIODevice::ReadOnly));
    QTranslator qm;
    QVERIFY(qm.load(QStringLiteral(":/") + language + QStringLiteral(".qm")));

    QXmlStreamReader xml(&ts);
    QString context;
    QString source;
    int entries = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString translation = xml.readElementText();
            QVERIFY2(type.isEmpty(), qPrintable(context + QLatin1String(": ") + source));
            QVERIFY2(!translation.isEmpty(), qPrintable(context + QLatin1String(": ") + source));
            const QByteArray ctx = context.toUtf8();
            const QByteArray src = source.toUtf8();
            QCOMPARE(qm.translate(ctx.constData(), src.constData()), translation);
            if (language == QLatin1String("Chinese"))
                QCOMPARE(translation, source);
            ++entries;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(entries >= 36);
}

QTEST_APPLESS_MAIN(tst_AppLanguage)

#include "tst_applanguage.moc"
