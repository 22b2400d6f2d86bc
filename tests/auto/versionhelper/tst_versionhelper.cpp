#include "protocol/versionhelper.h"

#include <QtTest>

class tst_VersionHelper : public QObject
{
    Q_OBJECT

private slots:
    void compareVersion_data();
    void compareVersion();
    void compareNumeric_data();
    void compareNumeric();
    void callerStringsAreUntouched();
};

void tst_VersionHelper::compareVersion_data()
{
    QTest::addColumn<QString>("latest");
    QTest::addColumn<QString>("installed");
    QTest::addColumn<int>("result");

    QTest::newRow("V against v") << "V1.2.3"
                                 << "v1.2.3" << 0;
    QTest::newRow("no V against V") << "1.2.3"
                                    << "V1.2.3" << 0;
    QTest::newRow("dots carry no weight") << "1.2.3"
                                          << "1.23" << 0;
    QTest::newRow("newer offered") << "1.2.4"
                                   << "1.2.3" << 1;
    QTest::newRow("older offered") << "1.2.3"
                                   << "1.2.4" << 1;
    QTest::newRow("beta of installed release") << "1.2.3BETA1"
                                               << "1.2.3" << -1;
    QTest::newRow("small beta of installed release") << "1.2.3beta1"
                                                     << "1.2.3" << -1;
    QTest::newRow("server lower case") << "v1.2.3beta1"
                                       << "V1.2.3" << -1;
    QTest::newRow("beta of another release") << "1.2.4BETA1"
                                             << "1.2.3" << 1;
    QTest::newRow("release over installed beta") << "1.2.3"
                                                 << "1.2.3BETA1" << 1;
    QTest::newRow("other release over installed beta") << "1.2.4"
                                                       << "1.2.3BETA1" << 1;
    QTest::newRow("same beta") << "1.2.3BETA1"
                               << "1.2.3BETA1" << 0;
    QTest::newRow("other beta") << "1.2.3BETA1"
                                << "1.2.3BETA2" << 1;
    QTest::newRow("empty latest") << ""
                                  << "1.2.3" << -2;
    QTest::newRow("empty installed") << "1.2.3"
                                     << "" << -2;
    QTest::newRow("letters") << "1.2a"
                             << "1.2" << -2;
    QTest::newRow("beta with letters in release") << "1.2aBETA1"
                                                  << "1.2" << -2;
    QTest::newRow("installed beta with letters") << "1.2"
                                                 << "1.xBETA1" << -2;
    QTest::newRow("beyond 32 bits") << "99.999.999.999"
                                    << "1.0" << -2;
    QTest::newRow("only a V") << "V"
                              << "1.0" << -2;
}

void tst_VersionHelper::compareVersion()
{
    QFETCH(QString, latest);
    QFETCH(QString, installed);
    QFETCH(int, result);
    VersionHelper helper(nullptr);
    QCOMPARE(helper.compareVersion(latest, installed), result);
}

void tst_VersionHelper::compareNumeric_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("result");
    QTest::newRow("equal") << "1.0.2"
                           << "102" << 0;
    QTest::newRow("different") << "1.0.2"
                               << "1.0.3" << 1;
    QTest::newRow("leading zeros") << "01.2"
                                   << "12" << 0;
    QTest::newRow("not a number") << "1.x"
                                  << "1" << -2;
    QTest::newRow("empty") << ""
                           << "1" << -2;
    QTest::newRow("only dots") << "..."
                               << "1" << -2;
}

void tst_VersionHelper::compareNumeric()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, result);
    QCOMPARE(VersionHelper::compareNumeric(a, b), result);
}

void tst_VersionHelper::callerStringsAreUntouched()
{
    VersionHelper helper(nullptr);
    const QString latest = QStringLiteral("v1.2.3beta1");
    const QString installed = QStringLiteral("V1.2.3");
    helper.compareVersion(latest, installed);
    QCOMPARE(latest, QStringLiteral("v1.2.3beta1"));
    QCOMPARE(installed, QStringLiteral("V1.2.3"));
}

QTEST_APPLESS_MAIN(tst_VersionHelper)
#include "tst_versionhelper.moc"
