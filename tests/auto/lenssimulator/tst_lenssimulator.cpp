// The simulated lens as the program meets it: the real reader thread, the
// queued receiveData and UpdateProcess, with the stand-in hidapi underneath.
#include "hid/hiddeviceprocess.h"
#include "protocol/updateprocess.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr unsigned short kVendor = 0x0483;
constexpr unsigned short kProduct = 0xC8C0;

QByteArray firmware(int size, const QString &modelName)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 131 + 17) % 253 + 1);
    QByteArray name = modelName.toUtf8().left(31);
    name.append(QByteArray(32 - name.size(), '\0'));
    if (size >= 64)
        image.replace(32, 32, name);
    return image;
}

// Runs the event loop until `done` holds. Unlike QTest::qWaitFor it does not
// sleep between rounds, so a transfer runs at the pace of the lens.
template <typename Predicate> bool waitUntil(Predicate done, int timeoutMs = 30000)
{
    QEventLoop loop;
    QTimer check;
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    if (!done())
        loop.exec();
    return done();
}

// The program's HID side, wired as the main window wires it.
class Host : public QObject
{
public:
    Host()
        : protocol(&link)
    {
        connect(&link, &HidDeviceProcess::receiveData, &protocol, &UpdateProcess::cmdReceive);
        connect(&link, &HidDeviceProcess::connectState, this, [this](bool state) { states << state; });
        connect(&link, &HidDeviceProcess::deviceRemoved, this, [this] { ++removed; });
        connect(
            &protocol, &UpdateProcess::updateStatus, this, [this](uint8_t code) { statuses << int(code); });
        connect(
            &protocol, &UpdateProcess::updateProcess, this, [this](float percent) { progress << percent; });
        connect(
            &protocol, &UpdateProcess::lensInfoFlush, this, [this](const LensInfo &info) { infos << info; });
    }

    bool connectToLens()
    {
        link.requestOpen(kVendor, kProduct);
        return waitUntil([this] { return states.contains(true); });
    }

    void send(quint8 command) { protocol.sendCommand(command, QByteArray(56, '\0'), 56); }

    // Greets the lens and asks for its information, as the window does.
    bool readLensInfo()
    {
        const int before = infos.size();
        send(UpdateProcess::CMD_CONNECT);
        send(UpdateProcess::CMD_LENS_INFO);
        return waitUntil([&] { return infos.size() > before; }, 10000);
    }

    bool update(const QByteArray &image)
    {
        const int before = statuses.size();
        protocol.startFirmwareUpdate(image);
        return waitUntil([&] { return statuses.size() > before; }, 60000);
    }

    HidDeviceProcess link;
    UpdateProcess protocol;
    QList<bool> states;
    QList<int> statuses;
    QList<float> progress;
    QList<LensInfo> infos;
    int removed = 0;
};

int dataFramesIn(const QList<QByteArray> &reports)
{
    int count = 0;
    for (const QByteArray &report : reports)
        count += report.size() > 4 && uchar(report[4]) == UpdateProcess::CMD_UPDATE_DATA;
    return count;
}

} // namespace

class tst_LensSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lensInfoOverTheWire();
    void fullTransfer_data();
    void fullTransfer();
    void restartReportsTheNewVersion();
    void noRestartModelKeepsItsConnection();
    void imageOfAnotherModelFails();
    void modelNameFieldCanMove();
    void failNextUpdate();
    void unplugAtPacket();
    void stopAcknowledging();
    void corruptFrameToTheHost();
    void corruptFrameFromTheHost();
    void extraAcknowledgement();
    void latencyPerExchange();
    void statusCodesFromTheLens();
    void reportsThatAreNotFramesGetNoAnswer();
    void otherUsbIdsAreNotFound();
    void reportsBeforeTheHostOpensAreLost();

private:
    LensSimulator *lens = nullptr;
    std::unique_ptr<Host> host;
};

void tst_LensSimulator::init()
{
    lens = SimulatedHidapi::lens();
    lens->reset();
    lens->setRestartTime(100);
    host.reset(new Host);
}

void tst_LensSimulator::cleanup()
{
    host.reset();
    QCOMPARE(SimulatedHidapi::openHandles(), 0);
}

void tst_LensSimulator::lensInfoOverTheWire()
{
    lens->setModelName(QString::fromUtf8("自动对焦 AF 35mm F1.4"));
    lens->setModelCode(QStringLiteral("ZM35"));
    lens->setSerialNumber(QStringLiteral("SN35000042"));
    lens->setFirmwareVersion(QStringLiteral("V3.2.1"));
    lens->setField(LensSimulator::Text224, QString(60, QLatin1Char('w')));
    lens->setField(LensSimulator::Text288, QStringLiteral("last"));

    QVERIFY(host->connectToLens());
    QVERIFY(host->readLensInfo());
    QCOMPARE(host->infos.size(), 1);
    const LensInfo info = host->infos.first();
    QCOMPARE(LensInfo::text(info.modelName), QString::fromUtf8("自动对焦 AF 35mm F1.4"));
    QCOMPARE(LensInfo::text(info.modelCode), QStringLiteral("ZM35"));
    QCOMPARE(LensInfo::text(info.serialNumber), QStringLiteral("SN35000042"));
    QCOMPARE(LensInfo::text(info.firmwareVersion), QStringLiteral("V3.2.1"));
    QCOMPARE(LensInfo::text(info.text224), QString(47, QLatin1Char('w')));
    QCOMPARE(LensInfo::text(info.text288), QStringLiteral("last"));
    QCOMPARE(info.toBytes(), lens->record());
    QCOMPARE(lens->connectCommands(), 1);
    QCOMPARE(lens->lensInfoRequests(), 1);
    QCOMPARE(lens->framesToHost(), 6);
}

void tst_LensSimulator::fullTransfer_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("57 bytes") << 57;
    QTest::newRow("112 bytes") << 112;
    QTest::newRow("113 bytes") << 113;
    QTest::newRow("250 bytes") << 250;
    QTest::newRow("5000 bytes") << 5000;
    QTest::newRow("65543 bytes") << 65543;
}

void tst_LensSimulator::fullTransfer()
{
    QFETCH(int, size);
    const QByteArray image = firmware(size, size >= 64 ? lens->modelName() : QString());
    if (size < 64)
        lens->setImageModelNameField(0, 1); // too short for a name: any first byte will do
    if (size < 64)
        lens->setModelName(QString(QChar(uchar(image[0]))));

    QVERIFY(host->connectToLens());
    QVERIFY(host->update(image));
    QCOMPARE(host->statuses, QList<int> { 5 });
    QVERIFY(lens->holdsImage(image));
    QCOMPARE(lens->receivedImage(), image);
    const int packets = (size + 55) / 56;
    QCOMPARE(lens->packetsReceived(), packets);
    QCOMPARE(host->progress.size(), packets - 1);
    QCOMPARE(host->progress.last(), 100.0f);
    QVERIFY(std::is_sorted(host->progress.begin(), host->progress.end()));
}

void tst_LensSimulator::restartReportsTheNewVersion()
{
    lens->setFirmwareVersion(QStringLiteral("V1.0.0"));
    lens->setVersionAfterUpdate(QStringLiteral("V1.1.0"));
    lens->setRestartTime(300);
    QVERIFY(host->connectToLens());
    QVERIFY(host->readLensInfo());

    QVERIFY(host->update(firmware(3000, lens->modelName())));
    QCOMPARE(host->statuses, QList<int> { 5 });
    // The window asks again at once; the restarting lens does not answer.
    host->send(UpdateProcess::CMD_LENS_INFO);
    host->states.clear();

    QTRY_COMPARE_WITH_TIMEOUT(host->removed, 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(host->states.contains(true), 10000);
    QCOMPARE(host->states.first(), false);
    QCOMPARE(host->states.count(true), 1);
    QCOMPARE(lens->restartCount(), 1);
    QCOMPARE(host->infos.size(), 1);

    QVERIFY(host->readLensInfo());
    QCOMPARE(LensInfo::text(host->infos.last().firmwareVersion), QStringLiteral("V1.1.0"));
    QCOMPARE(host->removed, 1);
}

void tst_LensSimulator::noRestartModelKeepsItsConnection()
{
    lens->setNoRestartModelCode(lens->modelCode());
    lens->setVersionAfterUpdate(QStringLiteral("V9.9.9"));
    QVERIFY(host->connectToLens());

    QVERIFY(host->update(firmware(1000, lens->modelName())));
    QCOMPARE(host->statuses, QList<int> { 5 });
    QVERIFY(host->readLensInfo());
    QCOMPARE(LensInfo::text(host->infos.last().firmwareVersion), QStringLiteral("V9.9.9"));
    QCOMPARE(host->removed, 0);
    QCOMPARE(lens->restartCount(), 0);
    QCOMPARE(host->states, QList<bool> { true });
}

void tst_LensSimulator::imageOfAnotherModelFails()
{
    lens->setFirmwareVersion(QStringLiteral("V1.0.0"));
    lens->setVersionAfterUpdate(QStringLiteral("V2.0.0"));
    QVERIFY(host->connectToLens());

    QVERIFY(host->update(firmware(1000, QStringLiteral("Some other lens"))));
    QCOMPARE(host->statuses, QList<int> { 6 });
    QVERIFY(host->readLensInfo());
    QCOMPARE(LensInfo::text(host->infos.last().firmwareVersion), QStringLiteral("V1.0.0"));
    QCOMPARE(host->removed, 0);
    QCOMPARE(lens->lastStatus(), 6);
}

void tst_LensSimulator::modelNameFieldCanMove()
{
    lens->setImageModelNameField(16, 16);
    lens->setModelName(QStringLiteral("SHORT16"));
    lens->setNoRestartModelCode(lens->modelCode());
    QByteArray image = firmware(500, QStringLiteral("not here"));
    image.replace(16, 16, QByteArray("SHORT16") + QByteArray(9, '\0'));

    QVERIFY(host->connectToLens());
    QVERIFY(host->update(image));
    QCOMPARE(host->statuses, QList<int> { 5 });
}

void tst_LensSimulator::failNextUpdate()
{
    lens->setNoRestartModelCode(lens->modelCode());
    const QByteArray image = firmware(800, lens->modelName());
    QVERIFY(host->connectToLens());

    lens->failNextUpdate();
    QVERIFY(host->update(image));
    QVERIFY(host->update(image));
    QCOMPARE(host->statuses, (QList<int> { 6, 5 }));
    QVERIFY(lens->holdsImage(image));
    QCOMPARE(lens->updatesFinished(), 2);
}

void tst_LensSimulator::unplugAtPacket()
{
    QVERIFY(host->connectToLens());
    lens->unplugAtPacket(10);
    host->protocol.startFirmwareUpdate(firmware(50 * 56, lens->modelName()));

    QTRY_COMPARE_WITH_TIMEOUT(host->removed, 1, 10000);
    QCOMPARE(lens->packetsReceived(), 10);
    QVERIFY(host->statuses.isEmpty());
    // Packets 0-9 were acknowledged and sent on; packet 10 met no lens.
    QCOMPARE(host->progress.size(), 10);
    QVERIFY(host->progress.last() < 100.0f);
    QVERIFY(!lens->isPlugged());

    host->states.clear();
    lens->plug();
    QTRY_VERIFY_WITH_TIMEOUT(host->states.contains(true), 10000);
}

void tst_LensSimulator::stopAcknowledging()
{
    lens->setNoRestartModelCode(lens->modelCode());
    const QByteArray image = firmware(20 * 56, lens->modelName());
    QVERIFY(host->connectToLens());

    lens->setAcknowledging(false);
    host->protocol.startFirmwareUpdate(image);
    QTRY_COMPARE_WITH_TIMEOUT(lens->packetsReceived(), 1, 10000);
    QTest::qWait(200);
    QCOMPARE(lens->packetsReceived(), 1);
    QVERIFY(host->progress.isEmpty());

    // Only the lens can move the transfer on.
    lens->setAcknowledging(true);
    lens->sendToHost(UpdateProcess::CMD_DATA_ACK);
    QVERIFY(waitUntil([this] { return !host->statuses.isEmpty(); }, 10000));
    QCOMPARE(host->statuses, QList<int> { 5 });
    QVERIFY(lens->holdsImage(image));
}

void tst_LensSimulator::corruptFrameToTheHost()
{
    lens->setNoRestartModelCode(lens->modelCode());
    const QByteArray image = firmware(600, lens->modelName());
    QVERIFY(host->connectToLens());

    // The lens's "ready" arrives damaged: the host complains and waits.
    lens->corruptNextFrameToHost();
    host->protocol.startFirmwareUpdate(image);
    QTRY_COMPARE_WITH_TIMEOUT(lens->crcErrorNotices(), 1, 10000);
    const QByteArray complaint = lens->lastWrittenReport();
    QCOMPARE(uchar(complaint[4]), UpdateProcess::CMD_CRC_ERROR);
    const QByteArray ready
        = LensSimulator::buildFrame(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, '\0'), 0xFFFF);
    QCOMPARE(uchar(complaint[5]), uchar(LensSimulator::crc(ready, 60) & 0xFF));
    QTest::qWait(100);
    QCOMPARE(lens->packetsReceived(), 0);

    lens->sendToHost(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, '\0'));
    QVERIFY(waitUntil([this] { return !host->statuses.isEmpty(); }, 10000));
    QCOMPARE(host->statuses, QList<int> { 5 });
    QVERIFY(lens->holdsImage(image));
}

void tst_LensSimulator::corruptFrameFromTheHost()
{
    lens->setNoRestartModelCode(lens->modelCode());
    const QByteArray image = firmware(600, lens->modelName());
    QVERIFY(host->connectToLens());

    lens->corruptNextFrameFromHost();
    host->protocol.startFirmwareUpdate(image);
    QTRY_COMPARE_WITH_TIMEOUT(lens->framesToHost(), 1, 10000);
    QCOMPARE(lens->crcErrorsDetected(), 1);
    QCOMPARE(lens->updatesStarted(), 0);
    // The lens's CMD_CRC_ERROR means nothing to the host: nothing is repeated.
    QTest::qWait(100);
    QCOMPARE(lens->exchangeCount(), 1);
    QVERIFY(host->statuses.isEmpty());

    QVERIFY(host->update(image));
    QCOMPARE(host->statuses, QList<int> { 5 });
}

void tst_LensSimulator::extraAcknowledgement()
{
    lens->setNoRestartModelCode(lens->modelCode());
    const QByteArray image = firmware(30 * 56 + 9, lens->modelName());
    QVERIFY(host->connectToLens());

    lens->sendExtraAcknowledgement();
    QVERIFY(host->update(image));
    QCOMPARE(host->statuses, QList<int> { 5 });
    QVERIFY(lens->holdsImage(image));
    QVERIFY(host->progress.contains(100.0f));
    // The surplus acknowledgement made the host start over with packet 0.
    QTRY_COMPARE_WITH_TIMEOUT(dataFramesIn(lens->writtenReports()), 31 + 1, 10000);
    QCOMPARE(host->progress.last(), 0.0f);
}

void tst_LensSimulator::latencyPerExchange()
{
    lens->setNoRestartModelCode(lens->modelCode());
    lens->setLatency(2000);
    const QByteArray image = firmware(30 * 56, lens->modelName());
    QVERIFY(host->connectToLens());

    QElapsedTimer timer;
    timer.start();
    QVERIFY(host->update(image));
    const qint64 elapsed = timer.elapsed();
    qInfo("30 packets in %lld ms at 2 ms per exchange", elapsed);
    // Start, 29 acknowledged packets, end: 31 answers, each 2 ms late.
    QVERIFY(elapsed >= 31 * 2);
    QCOMPARE(host->statuses, QList<int> { 5 });
    QVERIFY(lens->holdsImage(image));
}

void tst_LensSimulator::statusCodesFromTheLens()
{
    QVERIFY(host->connectToLens());
    // Outside a transfer nothing is passed on.
    lens->sendToHost(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, char(5)));
    QVERIFY(host->readLensInfo());
    QVERIFY(host->statuses.isEmpty());

    lens->setAcknowledging(false);
    host->protocol.startFirmwareUpdate(firmware(10 * 56, lens->modelName()));
    QTRY_VERIFY_WITH_TIMEOUT(lens->commandCount(UpdateProcess::CMD_UPDATE_DATA) > 0, 10000);
    for (int code = 1; code <= 9; ++code)
        lens->sendToHost(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, char(code)));
    QVERIFY(host->readLensInfo());
    // Success ends the transfer: the 6 after it belongs to none.
    QCOMPARE(host->statuses, (QList<int> { 1, 2, 3, 4, 5 }));
}

void tst_LensSimulator::reportsThatAreNotFramesGetNoAnswer()
{
    QVERIFY(host->connectToLens());
    lens->sendReportToHost(QByteArray("short report"));
    QByteArray foreign
        = LensSimulator::buildFrame(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, char(5)), 0xFFFF);
    foreign[0] = '#';
    lens->sendReportToHost(foreign);
    QVERIFY(host->readLensInfo());
    QCOMPARE(lens->exchangeCount(), 2); // the greeting and the request only
    QVERIFY(host->statuses.isEmpty());
}

void tst_LensSimulator::otherUsbIdsAreNotFound()
{
    lens->setUsbIds(0x1234, 0x5678);
    host->link.requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(host->states.size() >= 2, 10000);
    QVERIFY(!host->states.contains(true));

    host->link.requestOpen(0x1234, 0x5678);
    QTRY_VERIFY_WITH_TIMEOUT(host->states.contains(true), 10000);
}

void tst_LensSimulator::reportsBeforeTheHostOpensAreLost()
{
    lens->sendToHost(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, char(5)));
    QVERIFY(host->connectToLens());
    QVERIFY(host->readLensInfo());
    QVERIFY(host->statuses.isEmpty());
    QCOMPARE(lens->framesToHost(), 6);
}

QTEST_GUILESS_MAIN(tst_LensSimulator)
#include "tst_lenssimulator.moc"
