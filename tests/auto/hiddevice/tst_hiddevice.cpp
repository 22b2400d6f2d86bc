#include "hid/hiddevice.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

constexpr unsigned short kVendor = 0x0483;
constexpr unsigned short kProduct = 0xC8C0;

QByteArray report(const QByteArray &frame)
{
    return QByteArray(1, '\0') + frame;
}

} // namespace

class tst_HidDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void constructorInitialisesHidapi();
    void open_data();
    void open();
    void closeReleasesTheHandle();
    void stringsOfAClosedDevice();
    void stringsOfAnOpenDevice();
    void writePassesTheBytesAndTheLength_data();
    void writePassesTheBytesAndTheLength();
    void readWithoutTimeoutWaitsForAReport();
    void readTimesOut();
    void readLengthMinusOneUsesTheBufferSize();
    void readAfterUnplugFailsWithAnEmptyBuffer();
    void unplugWakesABlockedRead();
    void featureReports();

private:
    LensSimulator *lens = nullptr;
};

void tst_HidDevice::init()
{
    lens = SimulatedHidapi::lens();
    lens->reset();
}

void tst_HidDevice::cleanup()
{
    QCOMPARE(SimulatedHidapi::openHandles(), 0);
}

void tst_HidDevice::constructorInitialisesHidapi()
{
    const int before = SimulatedHidapi::initCalls();
    HidDevice device;
    QCOMPARE(SimulatedHidapi::initCalls(), before + 1);
    QVERIFY(!device.isOpen());
}

void tst_HidDevice::open_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("productId");
    QTest::addColumn<bool>("passSerial");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("opened");

    QTest::newRow("null serial") << true << int(kProduct) << false << QString() << true;
    QTest::newRow("empty serial") << true << int(kProduct) << true << QString() << true;
    QTest::newRow("matching serial") << true << int(kProduct) << true << QStringLiteral("SIM0001") << true;
    QTest::newRow("other serial") << true << int(kProduct) << true << QStringLiteral("SIM0002") << false;
    QTest::newRow("other product") << true << 0xC8C1 << false << QString() << false;
    QTest::newRow("lens absent") << false << int(kProduct) << false << QString() << false;
}

void tst_HidDevice::open()
{
    QFETCH(bool, present);
    QFETCH(int, productId);
    QFETCH(bool, passSerial);
    QFETCH(QString, serial);
    QFETCH(bool, opened);

    if (!present)
        lens->unplug();
    HidDevice device;
    QCOMPARE(device.open(kVendor, quint16(productId), passSerial ? &serial : nullptr), opened);
    QCOMPARE(device.isOpen(), opened);
    QCOMPARE(lens->isOpen(), opened);
    if (device.isOpen())
        device.close();
}

void tst_HidDevice::closeReleasesTheHandle()
{
    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));
    QCOMPARE(SimulatedHidapi::openHandles(), 1);
    device.close();
    QVERIFY(!device.isOpen());
    QVERIFY(!lens->isOpen());
    QCOMPARE(SimulatedHidapi::openHandles(), 0);
}

void tst_HidDevice::stringsOfAClosedDevice()
{
    HidDevice device;
    QCOMPARE(device.serialNumber(), QStringLiteral("Device Closed"));
    QCOMPARE(device.manufacturer(), QStringLiteral("Device Closed"));
    QCOMPARE(device.product(), QStringLiteral("Device Closed"));
}

void tst_HidDevice::stringsOfAnOpenDevice()
{
    lens->setUsbString(LensSimulator::Manufacturer, QStringLiteral("Zoom Works"));
    lens->setUsbString(LensSimulator::Product, QString::fromUtf8("自动对焦镜头"));
    // Longer than the 50-character buffer: cut, still terminated.
    lens->setUsbString(LensSimulator::UsbSerialNumber, QString(60, QLatin1Char('7')));

    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));
    QCOMPARE(device.manufacturer(), QStringLiteral("Zoom Works"));
    QCOMPARE(device.product(), QString::fromUtf8("自动对焦镜头"));
    QCOMPARE(device.serialNumber(), QString(49, QLatin1Char('7')));

    // A failing hidapi call gives an empty text.
    lens->unplug();
    QCOMPARE(device.manufacturer(), QString());
    device.close();
}

void tst_HidDevice::writePassesTheBytesAndTheLength_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("written");
    QTest::newRow("-1: the whole array") << -1 << 65;
    QTest::newRow("explicit length") << 10 << 10;
    QTest::newRow("length beyond the array") << 100 << 65;
}

void tst_HidDevice::writePassesTheBytesAndTheLength()
{
    QFETCH(int, length);
    QFETCH(int, written);

    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));
    const QByteArray data = report(LensSimulator::buildFrame(0xEE, QByteArray(56, '\0'), 0xFFFF));
    QCOMPARE(device.write(data, length), written);
    QCOMPARE(lens->lastWrittenReport(), data.left(written));
    device.close();
}

void tst_HidDevice::readWithoutTimeoutWaitsForAReport()
{
    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));

    const QByteArray frame = LensSimulator::buildFrame(0x42, QByteArray(1, char(5)), 0xFFFF);
    std::atomic<bool> returned { false };
    QByteArray buffer;
    int result = 0;
    QThread *reader = QThread::create([&] {
        result = device.read(buffer, 65, -1);
        returned = true;
    });
    reader->start();
    QTest::qWait(100);
    QVERIFY(!returned);

    lens->sendToHost(0x42, QByteArray(1, char(5)));
    QVERIFY(reader->wait(10000));
    delete reader;
    QCOMPARE(result, 64);
    QCOMPARE(buffer, frame);
    device.close();
}

void tst_HidDevice::readTimesOut()
{
    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));
    QByteArray buffer("stale");
    QCOMPARE(device.read(buffer, 65, 20), 0);
    QVERIFY(buffer.isEmpty());
    device.close();
}

void tst_HidDevice::readLengthMinusOneUsesTheBufferSize()
{
    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));
    lens->sendToHost(0x42, QByteArray(1, char(5)));
    QByteArray buffer(8, 'x');
    QCOMPARE(device.read(buffer, -1, 1000), 8);
    QCOMPARE(buffer, LensSimulator::buildFrame(0x42, QByteArray(1, char(5)), 0xFFFF).left(8));
    device.close();
}

void tst_HidDevice::readAfterUnplugFailsWithAnEmptyBuffer()
{
    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));
    lens->unplug();
    QByteArray buffer("stale bytes");
    QCOMPARE(device.read(buffer, 65, -1), -1);
    QVERIFY(buffer.isEmpty());
    // The lens coming back does not revive the old handle.
    lens->plug();
    QCOMPARE(device.read(buffer, 65, 0), -1);
    QCOMPARE(device.write(report(QByteArray(64, '\0'))), -1);
    device.close();
}

void tst_HidDevice::unplugWakesABlockedRead()
{
    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));
    int result = 0;
    QByteArray buffer;
    QThread *reader = QThread::create([&] { result = device.read(buffer, 65, -1); });
    reader->start();
    QTest::qWait(50);
    lens->unplug();
    QVERIFY(reader->wait(10000));
    delete reader;
    QCOMPARE(result, -1);
    QVERIFY(buffer.isEmpty());
    device.close();
}

void tst_HidDevice::featureReports()
{
    HidDevice device;
    QVERIFY(device.open(kVendor, kProduct));

    // The buffer is zero-filled before the call, so report id 0 is asked for.
    QByteArray buffer("\x03", 1);
    QCOMPARE(device.getFeatureReport(buffer, 16), -1);
    QCOMPARE(buffer, QByteArray(16, '\0'));

    const QByteArray feature("\x00settings", 9);
    QCOMPARE(device.sendFeatureReport(feature), 9);
    QCOMPARE(device.sendFeatureReport(feature, 4), 4);
    QCOMPARE(device.getFeatureReport(buffer, 16), 4);
    QCOMPARE(buffer.size(), 16);
    QCOMPARE(buffer.left(4), feature.left(4));
    QCOMPARE(buffer.mid(4), QByteArray(12, '\0'));

    QByteArray small(2, 'x');
    QCOMPARE(device.getFeatureReport(small), 2);
    QCOMPARE(small, feature.left(2));
    device.close();
}

QTEST_GUILESS_MAIN(tst_HidDevice)
#include "tst_hiddevice.moc"
