#include "catalogue/lenscatalogue.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TestLensCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void tableShape();
    void rowForms();
    void fileNamingForms();
    void repeatedNameLaterRowWins();
    void sharedCodes();
    void lookup_data();
    void lookup();
    void everyNameFindsItsLastRow();
    void specialCodes();
};

static QHash<QString, int> countBy(const QVector<LensModel> &models, QString LensModel::*field)
{
    QHash<QString, int> counts;
    for (const LensModel &m : models)
        ++counts[m.*field];
    return counts;
}

void TestLensCatalogue::tableShape()
{
    const QVector<LensModel> &models = LensCatalogue::models();
    QCOMPARE(models.size(), 146);
    // The same table object every time: it is built once.
    QCOMPARE(&LensCatalogue::models(), &models);
}

void TestLensCatalogue::rowForms()
{
    const QRegularExpression name(QStringLiteral("^[A-Za-z0-9 ./]{8,26}$"));
    const QRegularExpression prefix(QStringLiteral("^UPD[0-9A-Z]{1,8}$"));
    const QRegularExpression code(QStringLiteral(
        "^(\\d\\d[A-Z]\\d\\d|\\d{3}[A-Z]\\d\\d|[A-Z]{4}\\d{3,4}|[A-Z]{3}\\d{3}|\\d{3}[A-Z]{2}\\d)$"));
    const QRegularExpression mostCommon(QStringLiteral("^\\d\\d[A-Z]\\d\\d$"));

    int common = 0;
    QSet<QString> codeForms;
    for (const LensModel &m : LensCatalogue::models()) {
        QVERIFY2(name.match(m.modelName).hasMatch(), qPrintable(m.modelName));
        QCOMPARE(m.modelName, m.modelName.trimmed());
        QVERIFY2(prefix.match(m.firmwareFilePrefix).hasMatch(), qPrintable(m.firmwareFilePrefix));
        QVERIFY2(code.match(m.modelCode).hasMatch(), qPrintable(m.modelCode));
        QVERIFY(m.firmwareFilePattern.endsWith(QLatin1String(".DAT")));
        if (mostCommon.match(m.modelCode).hasMatch())
            ++common;
        QString shape = m.modelCode;
        shape.replace(QRegularExpression(QStringLiteral("\\d")), QStringLiteral("9"));
        shape.replace(QRegularExpression(QStringLiteral("[A-Z]")), QStringLiteral("A"));
        codeForms.insert(shape);
    }
    QVERIFY(common > 146 / 2);
    // Every code shape in use is represented.
    for (const char *shape : { "99A99", "999A99", "AAAA999", "AAAA9999", "AAA999", "999AA9" })
        QVERIFY2(codeForms.contains(QLatin1String(shape)), shape);
}

void TestLensCatalogue::fileNamingForms()
{
    int standard = 0, noCalibration = 0, freeMiddle = 0, tVariant = 0, tSuffix = 0;
    for (const LensModel &m : LensCatalogue::models()) {
        const QString &p = m.firmwareFilePrefix;
        const QString cal = p + QLatin1String("V???_CALIBRATION*.DAT");
        if (m.firmwareFilePattern == p + QLatin1String("V*.DAT") && m.calibrationFilePattern == cal) {
            ++standard;
        } else if (m.firmwareFilePattern == p + QLatin1String("V*.DAT")
            && m.calibrationFilePattern.isEmpty()) {
            ++noCalibration;
        } else if (m.firmwareFilePattern == p + QLatin1String("*V*.DAT") && m.calibrationFilePattern == cal) {
            ++freeMiddle;
        } else if (p.endsWith(QLatin1Char('T'))
            && m.firmwareFilePattern == p.chopped(1) + QLatin1String("V???T*.DAT")
            && m.calibrationFilePattern == p.chopped(1) + QLatin1String("V???T_CALIBRATION*.DAT")) {
            ++tVariant;
        } else if (m.firmwareFilePattern == p + QLatin1String("V*T.DAT")
            && m.calibrationFilePattern == p + QLatin1String("V???T_CALIBRATION*.DAT")) {
            ++tSuffix;
        } else {
            QFAIL(qPrintable(QStringLiteral("row %1 follows no naming form").arg(m.modelName)));
        }
    }
    QCOMPARE(standard, 117);
    QCOMPARE(noCalibration, 3);
    QCOMPARE(freeMiddle, 15);
    QCOMPARE(tVariant, 10);
    QCOMPARE(tSuffix, 1);
}

void TestLensCatalogue::repeatedNameLaterRowWins()
{
    const QVector<LensModel> &models = LensCatalogue::models();
    const QHash<QString, int> names = countBy(models, &LensModel::modelName);
    QStringList repeated;
    for (auto it = names.begin(); it != names.end(); ++it) {
        QVERIFY(it.value() <= 2);
        if (it.value() == 2)
            repeated << it.key();
    }
    QCOMPARE(repeated.size(), 2);

    for (const QString &name : qAsConst(repeated)) {
        QString first, last;
        for (const LensModel &m : models) {
            if (m.modelName == name) {
                if (first.isNull())
                    first = m.modelCode;
                last = m.modelCode;
            }
        }
        QVERIFY2(first != last, qPrintable(name));
        QCOMPARE(LensCatalogue::modelCode(name), last);
    }
    // One of them, spelled out, so that a reordered table shows up.
    QCOMPARE(LensCatalogue::modelCode(QStringLiteral("AF 28mm F2.8 EF STM")), QStringLiteral("SXP993"));
}

void TestLensCatalogue::sharedCodes()
{
    const QVector<LensModel> &models = LensCatalogue::models();
    const QHash<QString, int> codes = countBy(models, &LensModel::modelCode);
    int shared = 0;
    for (auto it = codes.begin(); it != codes.end(); ++it) {
        QVERIFY(it.value() <= 2);
        if (it.value() != 2)
            continue;
        ++shared;
        QStringList names;
        for (const LensModel &m : models) {
            if (m.modelCode == it.key())
                names << m.modelName;
        }
        QCOMPARE(names.size(), 2);
        QVERIFY(names.at(0) != names.at(1));
        for (const QString &name : qAsConst(names))
            QCOMPARE(LensCatalogue::modelCode(name), it.key());
    }
    QCOMPARE(shared, 5);
}

void TestLensCatalogue::lookup_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code");

    QTest::newRow("exact") << QStringLiteral("AF 56mm F1.8 Z") << QStringLiteral("58G31");
    QTest::newRow("slash and dots") << QStringLiteral("AF/MF 12mm F2 RF ED") << QStringLiteral("21S34");
    QTest::newRow("unknown") << QStringLiteral("AF 57mm F1.8 Z") << QString();
    QTest::newRow("empty") << QString(QLatin1String("")) << QString();
    QTest::newRow("null") << QString() << QString();
    QTest::newRow("lower case") << QStringLiteral("af 56mm f1.8 z") << QString();
    QTest::newRow("upper case") << QStringLiteral("AF 56MM F1.8 Z") << QString();
    QTest::newRow("leading blank") << QStringLiteral(" AF 56mm F1.8 Z") << QString();
    QTest::newRow("trailing blank") << QStringLiteral("AF 56mm F1.8 Z ") << QString();
    QTest::newRow("trailing CR") << QStringLiteral("AF 56mm F1.8 Z\r") << QString();
    QTest::newRow("double inner blank") << QStringLiteral("AF  56mm F1.8 Z") << QString();
    QTest::newRow("prefix of a name") << QStringLiteral("AF 56mm F1.8") << QString();
    QTest::newRow("a code is no name") << QStringLiteral("58G31") << QString();
}

void TestLensCatalogue::lookup()
{
    QFETCH(QString, name);
    QFETCH(QString, code);
    const QString result = LensCatalogue::modelCode(name);
    QCOMPARE(result, code);
    if (code.isEmpty())
        QVERIFY(result.isNull());
}

void TestLensCatalogue::everyNameFindsItsLastRow()
{
    const QVector<LensModel> &models = LensCatalogue::models();
    for (int i = 0; i < models.size(); ++i) {
        bool later = false;
        for (int j = i + 1; j < models.size(); ++j)
            later = later || models.at(j).modelName == models.at(i).modelName;
        if (!later)
            QCOMPARE(LensCatalogue::modelCode(models.at(i).modelName), models.at(i).modelCode);
    }
}

void TestLensCatalogue::specialCodes()
{
    const QHash<QString, int> codes = countBy(LensCatalogue::models(), &LensModel::modelCode);

    const QString noRestart = LensCatalogue::noRestartModelCode();
    QCOMPARE(codes.value(noRestart), 1);

    const QStringList nicknames = LensCatalogue::shortHeaderNicknames();
    QCOMPARE(nicknames.size(), 2);
    const QString code = nicknames.at(0);
    QCOMPARE(code.size(), 5);
    QCOMPARE(codes.value(code), 1);
    QCOMPARE(nicknames.at(1).size(), 9);
    QVERIFY(nicknames.at(1).endsWith(code));
    QVERIFY(codes.value(nicknames.at(1)) == 0);
    QVERIFY(code != noRestart);
}

QTEST_APPLESS_MAIN(TestLensCatalogue)
#include "tst_lenscatalogue.moc"
