#include "protocol/lensinfo.h"

#include <QtTest>

#include <cstddef>

class tst_LensInfo : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void fromBytesTakesTheFirst304Bytes();
    void shortInputIsZeroPadded();
    void text_data();
    void text();
    void setTextKeepsATerminatorAndWholeCharacters();
    void travelsInAVariant();
};

void tst_LensInfo::layout_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("expectedOffset");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("expectedWidth");

#define FIELD(name, off, w)                                                                                  \
    QTest::newRow(#name) << int(offsetof(LensInfo, name)) << (off) << int(sizeof(LensInfo::name)) << (w)
    FIELD(text0, 0, 16);
    FIELD(text16, 16, 32);
    FIELD(modelName, 48, 32);
    FIELD(modelCode, 80, 16);
    FIELD(serialNumber, 96, 16);
    FIELD(text112, 112, 16);
    FIELD(text128, 128, 16);
    FIELD(text144, 144, 16);
    FIELD(text160, 160, 16);
    FIELD(text176, 176, 16);
    FIELD(text192, 192, 16);
    FIELD(text208, 208, 16);
    FIELD(text224, 224, 48);
    FIELD(firmwareVersion, 272, 16);
    FIELD(text288, 288, 16);
#undef FIELD
}

void tst_LensInfo::layout()
{
    QFETCH(int, offset);
    QFETCH(int, expectedOffset);
    QFETCH(int, width);
    QFETCH(int, expectedWidth);
    QCOMPARE(offset, expectedOffset);
    QCOMPARE(width, expectedWidth);
    QCOMPARE(int(sizeof(LensInfo)), 304);
}

void tst_LensInfo::fromBytesTakesTheFirst304Bytes()
{
    QByteArray bytes(1024, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + 1);
    const LensInfo info = LensInfo::fromBytes(bytes);
    QCOMPARE(info.toBytes(), bytes.left(304));
    QCOMPARE(LensInfo::fromBytes(info.toBytes()), info);
}

void tst_LensInfo::shortInputIsZeroPadded()
{
    const LensInfo info = LensInfo::fromBytes(QByteArray(50, 'x'));
    const QByteArray bytes = info.toBytes();
    QCOMPARE(bytes.left(50), QByteArray(50, 'x'));
    QCOMPARE(bytes.mid(50), QByteArray(254, '\0'));
    QCOMPARE(LensInfo().toBytes(), QByteArray(304, '\0'));
}

void tst_LensInfo::text_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("ends at the zero") << QByteArray("V1.2.3\0garbage\0\0\0", 18).left(16) << "V1.2.3";
    QTest::newRow("surrounding spaces") << QByteArray("  SN123 \0\0\0\0\0\0\0\0", 16) << "SN123";
    QTest::newRow("fills the field") << QByteArray("0123456789ABCDEF") << "0123456789ABCDEF";
    QTest::newRow("utf-8") << QByteArray("\xE9\x95\x9C\xE5\xA4\xB4\0\0\0\0\0\0\0\0\0\0", 16)
                           << QString::fromUtf8("镜头");
    QTest::newRow("empty") << QByteArray(16, '\0') << "";
}

void tst_LensInfo::text()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    LensInfo info;
    memcpy(info.firmwareVersion, field.constData(), 16);
    QCOMPARE(LensInfo::text(info.firmwareVersion), text);
    // The next field must not leak into a field without a terminator.
    memcpy(info.text288, "NEXT", 4);
    QCOMPARE(LensInfo::text(info.firmwareVersion), text);
}

void tst_LensInfo::setTextKeepsATerminatorAndWholeCharacters()
{
    LensInfo info;
    LensInfo::setText(info.modelCode, QStringLiteral("ABCDEFGHIJKLMNOPQRSTU"));
    QCOMPARE(LensInfo::text(info.modelCode), QStringLiteral("ABCDEFGHIJKLMNO"));
    QCOMPARE(info.modelCode[15], '\0');

    // 5 three-byte characters need 15 bytes; the sixth would split.
    LensInfo::setText(info.serialNumber, QString::fromUtf8("镜头镜头镜头"));
    QCOMPARE(LensInfo::text(info.serialNumber), QString::fromUtf8("镜头镜头镜"));
    QCOMPARE(info.modelName[0], '\0');
}

void tst_LensInfo::travelsInAVariant()
{
    LensInfo info;
    LensInfo::setText(info.modelName, QStringLiteral("AF 50"));
    const QVariant variant = QVariant::fromValue(info);
    QCOMPARE(variant.value<LensInfo>(), info);
}

QTEST_APPLESS_MAIN(tst_LensInfo)
#include "tst_lensinfo.moc"
