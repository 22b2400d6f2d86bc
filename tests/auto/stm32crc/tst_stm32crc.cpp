#include "protocol/stm32crc.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// The STM32 CRC unit as its reference manual describes it: XOR each
// little-endian word into the register, then shift 32 times.
quint32 hardwareCrc(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (int k = 0; k + 4 <= data.size(); k += 4) {
        crc ^= quint32(uchar(data[k])) | quint32(uchar(data[k + 1])) << 8 | quint32(uchar(data[k + 2])) << 16
            | quint32(uchar(data[k + 3])) << 24;
        for (int i = 0; i < 32; ++i)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

} // namespace

class tst_Stm32Crc : public QObject
{
    Q_OBJECT

private slots:
    void workedValues_data();
    void workedValues();
    void bytesAfterTheLastWordDoNotCount_data();
    void bytesAfterTheLastWordDoNotCount();
    void lengthBeyondTheDataIsClamped();
    void noStateBetweenCalls();
    void matchesTheHardwareUnit();
};

void tst_Stm32Crc::workedValues_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("crc");

    QByteArray infoRequest(60, '\0');
    infoRequest[0] = char(0x24);
    infoRequest[1] = char(0xFF);
    infoRequest[2] = char(0xFF);
    infoRequest[3] = char(0x10);

    QTest::newRow("abcd") << QByteArray("abcd") << quint32(0xA62F1C36);
    QTest::newRow("four zeros") << QByteArray(4, '\0') << quint32(0xC704DD7B);
    QTest::newRow("abc, no whole word") << QByteArray("abc") << quint32(0xFFFFFFFF);
    QTest::newRow("empty") << QByteArray() << quint32(0xFFFFFFFF);
    QTest::newRow("lens info request") << infoRequest << quint32(0x28DA5AC2);
}

void tst_Stm32Crc::workedValues()
{
    QFETCH(QByteArray, data);
    QFETCH(quint32, crc);
    QCOMPARE(Stm32Crc().calculate(data), crc);
    QCOMPARE(Stm32Crc().calculate(data, data.size()), crc);
}

void tst_Stm32Crc::bytesAfterTheLastWordDoNotCount_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("wholeWords");
    for (int length = 0; length <= 9; ++length)
        QTest::addRow("%d bytes", length) << length << (length & ~3);
}

void tst_Stm32Crc::bytesAfterTheLastWordDoNotCount()
{
    QFETCH(int, length);
    QFETCH(int, wholeWords);
    const QByteArray data("\x12\x34\x56\x78\x9A\xBC\xDE\xF0\x11", 9);
    Stm32Crc crc;
    QCOMPARE(crc.calculate(data, length), crc.calculate(data.left(wholeWords)));
    if (length < 4)
        QCOMPARE(crc.calculate(data, length), quint32(0xFFFFFFFF));
}

void tst_Stm32Crc::lengthBeyondTheDataIsClamped()
{
    const QByteArray data("abcdefgh");
    Stm32Crc crc;
    QCOMPARE(crc.calculate(data, 1000), crc.calculate(data));
    QCOMPARE(crc.calculate(data, -5), quint32(0xFFFFFFFF));
}

void tst_Stm32Crc::noStateBetweenCalls()
{
    Stm32Crc crc;
    const QByteArray data("the same bytes twice");
    const quint32 first = crc.calculate(data);
    crc.calculate(QByteArray("something else in between"));
    QCOMPARE(crc.calculate(data), first);
}

void tst_Stm32Crc::matchesTheHardwareUnit()
{
    QRandomGenerator random(20240611);
    Stm32Crc crc;
    for (int round = 0; round < 200; ++round) {
        QByteArray data(int(random.bounded(200)), '\0');
        for (char &byte : data)
            byte = char(random.bounded(256));
        QCOMPARE(crc.calculate(data), hardwareCrc(data));
    }
}

QTEST_APPLESS_MAIN(tst_Stm32Crc)
#include "tst_stm32crc.moc"
