#include "hid/hiddevice.h"
#include "hid/hiddeviceprocess.h"
#include "protocol/updateprocess.h"
#include "tools/demo/lenssimserver.h"
#include "tools/demo/lenssimwire.h"
#include "tools/demo/sockethidapi.h"
#include "tools/lenssim/lenssimulator.h"

#include <hidapi.h>

#include <QDataStream>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr unsigned short kVendor = 0x0483;
constexpr unsigned short kProduct = 0xC8C0;

// lens-sim's server, on a thread of its own: the client blocks its calling
// thread, and the server needs an event loop to accept connections.
class ServerThread
{
public:
    ServerThread(LensSimulator *lens, const QString &name)
    {
        thread.start();
        server = new LensSimServer(lens);
        server->moveToThread(&thread);
        QMetaObject::invokeMethod(
            server, [this, name] { listening = server->listen(name); }, Qt::BlockingQueuedConnection);
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(
            server, [this] { delete server; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    void close()
    {
        QMetaObject::invokeMethod(
            server, [this] { server->close(); }, Qt::BlockingQueuedConnection);
    }
    int connections() const { return server->connectionCount(); }

    QThread thread;
    LensSimServer *server = nullptr;
    bool listening = false;
};

QByteArray report(quint8 command, const QByteArray &data = QByteArray(56, '\0'))
{
    return QByteArray(1, '\0') + LensSimulator::buildFrame(command, data, 0xFFFF);
}

int write(hid_device *dev, const QByteArray &bytes)
{
    return hid_write(dev, reinterpret_cast<const unsigned char *>(bytes.constData()), size_t(bytes.size()));
}

QByteArray read(hid_device *dev, int timeoutMs, int *result)
{
    QByteArray buffer(65, '\0');
    *result = hid_read_timeout(dev, reinterpret_cast<unsigned char *>(buffer.data()), 65, timeoutMs);
    buffer.resize(qMax(0, *result));
    return buffer;
}

QByteArray message(const QByteArray &body)
{
    return LensSimWire::frame(body);
}

} // namespace

class tst_SocketHidapi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wireFraming();
    void lensInformationRoundTrip();
    void absentLensAndAbsentServer();
    void readTimesOut();
    void blockedReadEndsWhenTheLensLeaves();
    void writeWhileTheReaderIsBlocked();
    void blockedReadEndsWhenTheServerGoes();
    void handlesOfAnEarlierServerAreStale();
    void aClientThatGoesAwayLeavesNoReader();
    void onlyTheOpeningConnectionCloses();
    void stringsAndFeatureReports();
    void wholeUpdateThroughTheReaderThread();

private:
    QString name;
    std::unique_ptr<LensSimulator> lens;
    std::unique_ptr<ServerThread> server;
};

void tst_SocketHidapi::init()
{
    static int run = 0;
    name = QStringLiteral("tst_sockethidapi-%1-%2").arg(QCoreApplication::applicationPid()).arg(++run);
    lens = std::make_unique<LensSimulator>();
    server = std::make_unique<ServerThread>(lens.get(), name);
    QVERIFY(server->listening);
    SocketHidapi::setServerName(name);
}

void tst_SocketHidapi::cleanup()
{
    SocketHidapi::disconnectThisThread();
    server.reset();
    lens.reset();
    if (!QTest::currentTestFailed())
        QCOMPARE(SocketHidapi::openHandles(), 0);
}

void tst_SocketHidapi::wireFraming()
{
    QByteArray buffer = message("abc") + message(QByteArray()) + message("de").left(5);
    QByteArray body;
    bool bad = true;
    QVERIFY(LensSimWire::takeMessage(buffer, &body, &bad));
    QCOMPARE(body, QByteArray("abc"));
    QVERIFY(LensSimWire::takeMessage(buffer, &body, &bad));
    QCOMPARE(body, QByteArray());
    QVERIFY(!LensSimWire::takeMessage(buffer, &body, &bad));
    QVERIFY(!bad);
    buffer += "e";
    QVERIFY(LensSimWire::takeMessage(buffer, &body, &bad));
    QCOMPARE(body, QByteArray("de"));
    QVERIFY(buffer.isEmpty());

    QByteArray garbage("\xff\xff\xff\xff", 4);
    QVERIFY(!LensSimWire::takeMessage(garbage, &body, &bad));
    QVERIFY(bad);
}

void tst_SocketHidapi::lensInformationRoundTrip()
{
    lens->setModelName(QStringLiteral("AF 85mm F4 M43"));
    lens->setFirmwareVersion(QStringLiteral("V1.0.3"));
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    QVERIFY(lens->isOpen());
    QCOMPARE(write(dev, report(UpdateProcess::CMD_LENS_INFO)), 65);

    QByteArray record;
    for (int i = 0; i < 6; ++i) {
        int result = 0;
        const QByteArray frame = read(dev, 5000, &result);
        QCOMPARE(result, 64);
        QCOMPARE(quint8(frame.at(3)), UpdateProcess::CMD_LENS_INFO);
        record += frame.mid(4, 56);
    }
    QCOMPARE(record.left(LensSimulator::RecordSize), lens->record());
    QCOMPARE(lens->lastWrittenReport(), report(UpdateProcess::CMD_LENS_INFO));
    hid_close(dev);
    QTRY_VERIFY(!lens->isOpen());
}

void tst_SocketHidapi::absentLensAndAbsentServer()
{
    lens->unplug();
    QVERIFY(!hid_open(kVendor, kProduct, nullptr));
    lens->plug();
    QVERIFY(!hid_open(kVendor, 0x1234, nullptr));
    const std::wstring wrongSerial = L"nope";
    QVERIFY(!hid_open(kVendor, kProduct, wrongSerial.c_str()));
    QVERIFY(hid_enumerate(kVendor, 0x1234) == nullptr);
    hid_device_info *info = hid_enumerate(kVendor, kProduct);
    QVERIFY(info);
    QCOMPARE(QString::fromWCharArray(info->product_string), lens->usbString(LensSimulator::Product));
    hid_free_enumeration(info);

    SocketHidapi::setServerName(name + QStringLiteral("-nobody"));
    QVERIFY(!SocketHidapi::serverReachable());
    SocketHidapi::disconnectThisThread();
    QVERIFY(!hid_open(kVendor, kProduct, nullptr));
    QCOMPARE(SocketHidapi::openHandles(), 0);
}

void tst_SocketHidapi::readTimesOut()
{
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    int result = -2;
    read(dev, 0, &result);
    QCOMPARE(result, 0);
    read(dev, 150, &result);
    QCOMPARE(result, 0);
    hid_set_nonblocking(dev, 1);
    QByteArray buffer(65, '\0');
    QCOMPARE(hid_read(dev, reinterpret_cast<unsigned char *>(buffer.data()), 65), 0);
    hid_close(dev);
}

void tst_SocketHidapi::blockedReadEndsWhenTheLensLeaves()
{
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    std::atomic<int> result { -2 };
    std::thread reader([&] {
        int r = 0;
        read(dev, -1, &r);
        result = r;
    });
    // Well past every slice of the server: still waiting.
    QTest::qWait(400);
    QCOMPARE(result.load(), -2);
    lens->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(result.load(), -1, 10000);
    reader.join();
    // The handle stays stale after the lens comes back.
    lens->plug();
    QCOMPARE(write(dev, report(UpdateProcess::CMD_CONNECT)), -1);
    hid_close(dev);
}

void tst_SocketHidapi::writeWhileTheReaderIsBlocked()
{
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    std::atomic<int> frames { 0 };
    std::atomic<bool> ok { true };
    std::thread reader([&] {
        for (int i = 0; i < 6; ++i) {
            int r = 0;
            const QByteArray frame = read(dev, -1, &r);
            ok = ok && r == 64 && quint8(frame.at(3)) == UpdateProcess::CMD_LENS_INFO;
            ++frames;
        }
    });
    QTest::qWait(250);
    QCOMPARE(write(dev, report(UpdateProcess::CMD_LENS_INFO)), 65);
    QTRY_COMPARE_WITH_TIMEOUT(frames.load(), 6, 10000);
    reader.join();
    QVERIFY(ok);
    hid_close(dev);
}

void tst_SocketHidapi::blockedReadEndsWhenTheServerGoes()
{
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    std::atomic<int> result { -2 };
    std::thread reader([&] {
        int r = 0;
        read(dev, -1, &r);
        result = r;
        SocketHidapi::disconnectThisThread();
    });
    QTest::qWait(200);
    server->close();
    QTRY_COMPARE_WITH_TIMEOUT(result.load(), -1, 10000);
    reader.join();
    QCOMPARE(write(dev, report(UpdateProcess::CMD_CONNECT)), -1);
    QVERIFY(!hid_open(kVendor, kProduct, nullptr));
    QVERIFY(!lens->isOpen());
    hid_close(dev);
}

void tst_SocketHidapi::handlesOfAnEarlierServerAreStale()
{
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    // lens-sim restarted: a new run under the same name, whose handle
    // numbers start again where the old one's did.
    server.reset();
    server = std::make_unique<ServerThread>(lens.get(), name);
    QVERIFY(server->listening);
    QCOMPARE(write(dev, report(UpdateProcess::CMD_CONNECT)), -1);
    hid_device *fresh = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(fresh);
    QCOMPARE(write(dev, report(UpdateProcess::CMD_CONNECT)), -1);
    QCOMPARE(write(fresh, report(UpdateProcess::CMD_CONNECT)), 65);
    hid_close(dev);
    hid_close(fresh);
}

void tst_SocketHidapi::aClientThatGoesAwayLeavesNoReader()
{
    // A client that dies while its read waits: the server closes the
    // handle, and the next client gets every report.
    QLocalSocket raw;
    raw.connectToServer(name);
    QVERIFY(raw.waitForConnected(5000));
    auto call = [&raw](const QByteArray &body, QByteArray *reply) {
        raw.write(message(body));
        raw.flush();
        QByteArray buffer;
        bool bad = false;
        while (!LensSimWire::takeMessage(buffer, reply, &bad)) {
            if (bad || !raw.waitForReadyRead(5000))
                return false;
            buffer += raw.readAll();
        }
        return true;
    };
    QByteArray body, reply;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << quint8(LensSimWire::Open) << quint16(kVendor) << quint16(kProduct) << QString();
    QVERIFY(call(body, &reply));
    QVERIFY(lens->isOpen());
    quint64 handle = 0;
    {
        QDataStream in(&reply, QIODevice::ReadOnly);
        in.setVersion(QDataStream::Qt_5_15);
        qint32 found = 0;
        in >> found >> handle;
        QCOMPARE(found, 1);
    }
    body.clear();
    QDataStream readRequest(&body, QIODevice::WriteOnly);
    readRequest.setVersion(QDataStream::Qt_5_15);
    readRequest << quint8(LensSimWire::Read) << handle << quint32(65) << qint32(-1);
    raw.write(message(body));
    raw.flush();
    QTest::qWait(150);
    raw.abort();
    QTRY_VERIFY_WITH_TIMEOUT(!lens->isOpen(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(server->connections(), 0, 10000);

    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    QCOMPARE(write(dev, report(UpdateProcess::CMD_LENS_INFO)), 65);
    for (int i = 0; i < 6; ++i) {
        int result = 0;
        read(dev, 5000, &result);
        QCOMPARE(result, 64);
    }
    hid_close(dev);
}

void tst_SocketHidapi::onlyTheOpeningConnectionCloses()
{
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    // Another thread's connection writes on the handle, but its going away
    // does not take the handle with it.
    std::thread other([&] {
        write(dev, report(UpdateProcess::CMD_CONNECT));
        SocketHidapi::disconnectThisThread();
    });
    other.join();
    QTRY_COMPARE_WITH_TIMEOUT(server->connections(), 1, 10000);
    QCOMPARE(lens->connectCommands(), 1);
    QVERIFY(lens->isOpen());
    hid_close(dev);
    QVERIFY(!lens->isOpen());
}

void tst_SocketHidapi::stringsAndFeatureReports()
{
    lens->setUsbString(LensSimulator::Manufacturer, QStringLiteral("Zemtar"));
    lens->setUsbString(LensSimulator::UsbSerialNumber, QStringLiteral("SN-42"));
    HidDevice device;
    const QString serial = QStringLiteral("SN-42");
    QVERIFY(device.open(kVendor, kProduct, &serial));
    QCOMPARE(device.manufacturer(), QStringLiteral("Zemtar"));
    QCOMPARE(device.serialNumber(), QStringLiteral("SN-42"));
    QCOMPARE(device.product(), lens->usbString(LensSimulator::Product));

    device.close();

    // The report id in the buffer's first byte picks the report to get.
    hid_device *dev = hid_open(kVendor, kProduct, nullptr);
    QVERIFY(dev);
    const QByteArray feature = QByteArray("\x03") + QByteArray("feature");
    QCOMPARE(hid_send_feature_report(
                 dev, reinterpret_cast<const unsigned char *>(feature.constData()), size_t(feature.size())),
        feature.size());
    QByteArray back(32, '\0');
    back[0] = 3;
    QCOMPARE(hid_get_feature_report(dev, reinterpret_cast<unsigned char *>(back.data()), size_t(back.size())),
        feature.size());
    QCOMPARE(back.left(feature.size()), feature);
    back[0] = 4;
    QCOMPARE(
        hid_get_feature_report(dev, reinterpret_cast<unsigned char *>(back.data()), size_t(back.size())), -1);

    wchar_t tiny[3] = {};
    QCOMPARE(hid_get_manufacturer_string(dev, tiny, 3), 0);
    QCOMPARE(QString::fromWCharArray(tiny), QStringLiteral("Ze"));
    hid_close(dev);
}

void tst_SocketHidapi::wholeUpdateThroughTheReaderThread()
{
    lens->setModelName(QStringLiteral("AF 85mm F4 M43"));
    lens->setVersionAfterUpdate(QStringLiteral("V1.1.0"));
    lens->setRestartTime(100);
    QByteArray image(56 * 300 + 17, '\0');
    for (int i = 64; i < image.size(); ++i)
        image[i] = char((i * 7 + 3) & 0xFF);
    std::memcpy(image.data() + 32, "AF 85mm F4 M43", 14);
    image[image.size() - 1] = char(0x5A);

    auto link = std::make_unique<HidDeviceProcess>();
    UpdateProcess protocol(link.get());
    connect(link.get(), &HidDeviceProcess::receiveData, &protocol, &UpdateProcess::cmdReceive);
    QSignalSpy connected(link.get(), &HidDeviceProcess::connectState);
    QSignalSpy status(&protocol, &UpdateProcess::updateStatus);
    QSignalSpy removed(link.get(), &HidDeviceProcess::deviceRemoved);
    QSignalSpy info(&protocol, &UpdateProcess::lensInfoFlush);
    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(connected.count() > 0 && connected.last().first().toBool(), 10000);

    protocol.startFirmwareUpdate(image);
    QTRY_VERIFY_WITH_TIMEOUT(!status.isEmpty(), 60000);
    QCOMPARE(status.first().first().value<uint8_t>(), uint8_t(5));
    QVERIFY(lens->holdsImage(image));
    QCOMPARE(lens->packetsReceived(), 301);

    // The restart: the link drops, comes back and reports the new version.
    QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(lens->isOpen(), 10000);
    protocol.sendCommand(UpdateProcess::CMD_LENS_INFO, QByteArray(56, '\0'), 56);
    QTRY_COMPARE_WITH_TIMEOUT(info.count(), 1, 10000);
    const LensInfo after = protocol.currentLensInfo();
    QCOMPARE(LensInfo::text(after.firmwareVersion), QStringLiteral("V1.1.0"));

    // The reader thread's connection ends with the thread; the GUI
    // thread's (this one's) stays.
    link->stop();
    link->wait();
    link.reset();
    QTRY_COMPARE_WITH_TIMEOUT(server->connections(), 1, 10000);
}

QTEST_GUILESS_MAIN(tst_SocketHidapi)
#include "tst_sockethidapi.moc"
