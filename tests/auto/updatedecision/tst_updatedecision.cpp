#include "protocol/updatedecision.h"

#include <QtTest>

Q_DECLARE_METATYPE(UpdateDecision::Verdict)
Q_DECLARE_METATYPE(LensRecord)

namespace {

LensRecord hidLens(const QString &model, const QString &version)
{
    LensRecord lens;
    lens.link = LensRecord::Link::Hid;
    lens.modelName = model;
    lens.modelCode = QStringLiteral("80D72");
    lens.serialNumber = QStringLiteral("80D7200000001");
    lens.version = version;
    return lens;
}

LensRecord udiskLens(const QString &model, const QString &version)
{
    LensRecord lens;
    lens.link = LensRecord::Link::Udisk;
    lens.volumeRoot = QStringLiteral("/media/lens");
    lens.modelName = model;
    lens.modelCode = QStringLiteral("56Z18");
    lens.version = version;
    return lens;
}

} // namespace

class tst_UpdateDecision : public QObject
{
    Q_OBJECT

private slots:
    void decide_data();
    void decide();
    void installedVersionReported_data();
    void installedVersionReported();
};

void tst_UpdateDecision::decide_data()
{
    QTest::addColumn<LensRecord>("lens");
    QTest::addColumn<QString>("serverModel");
    QTest::addColumn<QString>("latest");
    QTest::addColumn<QString>("imageModel");
    QTest::addColumn<UpdateDecision::Verdict>("verdict");

    const QString af85 = QStringLiteral("AF 85mm F1.8 Z");
    const QString af56 = QStringLiteral("AF 56mm F1.8 Z");
    const QString af16 = QStringLiteral("AF 16mm F2.8 Z");

    QTest::newRow("hid newer offered")
        << hidLens(af85, "V1.0.2") << af85 << "v1.0.3" << af85 << UpdateDecision::Proceed;
    QTest::newRow("hid same version")
        << hidLens(af85, "V1.0.3") << af85 << "v1.0.3" << af85 << UpdateDecision::AskRewrite;
    QTest::newRow("hid test build of installed")
        << hidLens(af85, "V1.0.3") << af85 << "v1.0.3beta1" << af85 << UpdateDecision::AskDowngrade;
    QTest::newRow("hid versions not comparable")
        << hidLens(af85, "V1.2.0-hotfix") << af85 << "v1.2.1" << af85 << UpdateDecision::Proceed;
    // A HID lens is matched against the image, whatever the reply says.
    QTest::newRow("hid image of another lens")
        << hidLens(af85, "V1.0.2") << af85 << "v1.0.3" << af56 << UpdateDecision::Refuse;
    QTest::newRow("hid reply of another lens, right image")
        << hidLens(af85, "V1.0.2") << af56 << "v1.0.3" << af85 << UpdateDecision::Proceed;
    QTest::newRow("hid image too short for a header") << hidLens(af85, "V1.0.2") << af85 << "v1.0.3"
                                                      << "error -1" << UpdateDecision::Refuse;
    QTest::newRow("hid lens without a model name")
        << hidLens(QString(), "V1.0.2") << QString() << "v1.0.3" << QString() << UpdateDecision::Refuse;
    QTest::newRow("udisk newer offered")
        << udiskLens(af56, "V2.0") << af56 << "v2.1" << QString() << UpdateDecision::Proceed;
    QTest::newRow("udisk same version")
        << udiskLens(af56, "V2.1") << af56 << "v2.1" << QString() << UpdateDecision::AskRewrite;
    QTest::newRow("udisk reply of another lens")
        << udiskLens(af16, "V2.0") << af56 << "v2.1" << af16 << UpdateDecision::Refuse;
    QTest::newRow("no lens") << LensRecord() << af85 << "v1.0.3" << af85 << UpdateDecision::Refuse;
}

void tst_UpdateDecision::decide()
{
    QFETCH(LensRecord, lens);
    QFETCH(QString, serverModel);
    QFETCH(QString, latest);
    QFETCH(QString, imageModel);
    QFETCH(UpdateDecision::Verdict, verdict);

    const UpdateDecision decision = UpdateDecision::decide(lens, serverModel, latest, imageModel);
    QCOMPARE(decision.verdict, verdict);
    // A refusal always says why; the other verdicts need no reason.
    QCOMPARE(decision.reason.isEmpty(), verdict != UpdateDecision::Refuse);
}

void tst_UpdateDecision::installedVersionReported_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("reported");
    QTest::addColumn<bool>("counts");

    QTest::newRow("same, other spelling") << "v1.0.3"
                                          << "V1.0.3" << true;
    QTest::newRow("older came back") << "v1.0.3"
                                     << "V1.0.2" << false;
    QTest::newRow("suffix reported exactly") << "V1.2.0-hotfix"
                                             << "V1.2.0-hotfix" << true;
    QTest::newRow("suffix, other case") << "v1.2.0-HOTFIX"
                                        << "V1.2.0-hotfix" << true;
    QTest::newRow("suffix, other text") << "V1.2.0-hotfix"
                                        << "V1.2.0-hotfix2" << false;
    QTest::newRow("nothing reported") << "V1.0.3"
                                      << "" << false;
    QTest::newRow("test build of the installed") << "v1.0.3beta1"
                                                 << "V1.0.3" << false;
}

void tst_UpdateDecision::installedVersionReported()
{
    QFETCH(QString, installed);
    QFETCH(QString, reported);
    QFETCH(bool, counts);
    QCOMPARE(UpdateDecision::installedVersionReported(installed, reported), counts);
}

QTEST_APPLESS_MAIN(tst_UpdateDecision)
#include "tst_updatedecision.moc"
