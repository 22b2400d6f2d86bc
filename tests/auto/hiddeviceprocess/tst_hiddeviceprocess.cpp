#include "hid/hiddeviceprocess.h"
#include "tools/lenssim/lenssimulator.h"
#include "tools/lenssim/simulatedhidapi.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <ctime>
#include <memory>
#include <thread>

namespace {

constexpr unsigned short kVendor = 0x0483;
constexpr unsigned short kProduct = 0xC8C0;

// Receives the link's signals the way the window does: queued into the GUI
// thread, in the order they were emitted.
class LinkRecorder : public QObject
{
public:
    explicit LinkRecorder(HidDeviceProcess *link)
    {
        connect(link, &HidDeviceProcess::connectState, this, [this](bool state) {
            states << state;
            events << (state ? QStringLiteral("open") : QStringLiteral("absent"));
        });
        connect(link, &HidDeviceProcess::deviceRemoved, this, [this] {
            ++removed;
            events << QStringLiteral("removed");
        });
        connect(link, &HidDeviceProcess::receiveData, this, [this](const QByteArray &bytes) {
            data << bytes;
            events << QStringLiteral("data:%1").arg(bytes.size());
            onGuiThread = onGuiThread && QThread::currentThread() == thread();
        });
    }

    void clear()
    {
        states.clear();
        events.clear();
        data.clear();
        removed = 0;
    }

    QList<bool> states;
    QStringList events;
    QList<QByteArray> data;
    int removed = 0;
    bool onGuiThread = true;
};

} // namespace

class tst_HidDeviceProcess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void isADeviceInterface();
    void lensAbsentAtStart();
    void openAttemptsArePausedNotSpun();
    void cancelledRequestWaitsWithoutSpinning();
    void unplugWhileConnected();
    void reportsReachTheGuiThread();
    void writeData_data();
    void writeData();
    void nothingMovesWhileDisconnected();
    void secondRequestOpenTakesEffect();
    void serialNumberOfTheRequest();
    void stop_data();
    void stop();
    void destructorStopsTheThread();
    void requestOpenAfterStopStartsAgain();
    void closeDeviceDropsTheLinkQuietly();
    void writesRacingUnplugs();

private:
    void connectLink();

    LensSimulator *lens = nullptr;
    std::unique_ptr<HidDeviceProcess> link;
    std::unique_ptr<LinkRecorder> recorder;
};

void tst_HidDeviceProcess::init()
{
    lens = SimulatedHidapi::lens();
    lens->reset();
    link.reset(new HidDeviceProcess);
    recorder.reset(new LinkRecorder(link.get()));
}

void tst_HidDeviceProcess::cleanup()
{
    link.reset();
    recorder.reset();
    QCOMPARE(SimulatedHidapi::openHandles(), 0);
}

void tst_HidDeviceProcess::connectLink()
{
    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
    QVERIFY(link->isConnected());
    recorder->clear();
}

void tst_HidDeviceProcess::isADeviceInterface()
{
    DeviceInterface *expected = link.get();
    QCOMPARE(static_cast<DeviceInterface *>(link->qt_metacast("DeviceInterface")), expected);
    QCOMPARE(qobject_cast<DeviceInterface *>(link.get()), expected);
    QVERIFY(!link->isRunning());
}

void tst_HidDeviceProcess::lensAbsentAtStart()
{
    lens->unplug();
    link->requestOpen(kVendor, kProduct);
    QVERIFY(link->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 3, 10000);
    QVERIFY(!recorder->states.contains(true));

    QElapsedTimer sincePlug;
    sincePlug.start();
    lens->plug();
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
    qInfo("lens found %lld ms after it was plugged in", sincePlug.elapsed());

    QTest::qWait(2 * HidDeviceProcess::ReopenPauseMs);
    QCOMPARE(recorder->states.count(true), 1);
    QCOMPARE(recorder->states.last(), true);
    QVERIFY(lens->isOpen());
}

void tst_HidDeviceProcess::openAttemptsArePausedNotSpun()
{
    lens->unplug();
    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 1, 10000);

    const int attemptsBefore = lens->openAttempts();
    const std::clock_t cpuBefore = std::clock();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(1000);
    const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    const int attempts = lens->openAttempts() - attemptsBefore;
    const qint64 elapsed = wall.elapsed();
    qInfo("%d open attempts and %.3f s of CPU in %lld ms", attempts, cpuSeconds, elapsed);

    // A busy loop would make thousands of attempts and burn the whole second.
    QVERIFY(attempts >= 1);
    QVERIFY(attempts <= elapsed / HidDeviceProcess::ReopenPauseMs + 2);
    QVERIFY(cpuSeconds < 0.25);

    // Every attempt was reported.
    link->stop();
    QVERIFY(link->wait(10000));
    QTRY_COMPARE(recorder->states.size(), lens->openAttempts());
}

void tst_HidDeviceProcess::cancelledRequestWaitsWithoutSpinning()
{
    lens->unplug();
    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 1, 10000);

    link->cancelOpenRequest();
    QTest::qWait(2 * HidDeviceProcess::ReopenPauseMs);
    const int attempts = lens->openAttempts();
    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(500);
    const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    QCOMPARE(lens->openAttempts(), attempts);
    QVERIFY(cpuSeconds < 0.15);
    QVERIFY(link->isRunning());

    // A new request wakes the waiting thread at once.
    lens->plug();
    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
}

void tst_HidDeviceProcess::unplugWhileConnected()
{
    connectLink();
    lens->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 2, 10000);

    QCOMPARE(recorder->removed, 1);
    QCOMPARE(recorder->data.size(), 1);
    QVERIFY(recorder->data.first().isEmpty());
    QCOMPARE(recorder->events.mid(0, 4), (QStringList { "data:0", "removed", "absent", "absent" }));
    QVERIFY(!recorder->states.contains(true));
    QVERIFY(!link->isConnected());

    lens->plug();
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
    QCOMPARE(recorder->removed, 1);
    QCOMPARE(lens->openCount(), 2);
}

void tst_HidDeviceProcess::reportsReachTheGuiThread()
{
    connectLink();
    lens->sendToHost(0x42, QByteArray(1, char(5)));
    lens->sendReportToHost(QByteArray("short"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder->data.size(), 2, 10000);
    QCOMPARE(recorder->data.at(0), LensSimulator::buildFrame(0x42, QByteArray(1, char(5)), 0xFFFF));
    QCOMPARE(recorder->data.at(1), QByteArray("short"));
    QVERIFY(recorder->onGuiThread);
    QCOMPARE(recorder->removed, 0);
}

void tst_HidDeviceProcess::writeData_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("onTheWire");

    QByteArray frame64(64, '\0');
    QByteArray frame70(70, '\0');
    for (int i = 0; i < 70; ++i)
        frame70[i] = char(i + 1);
    frame64 = frame70.left(64);
    const QByteArray zero(1, '\0');

    QTest::newRow("64 bytes") << frame64 << zero + frame64;
    QTest::newRow("70 bytes: cut to 64") << frame70 << zero + frame70.left(64);
    QTest::newRow("10 bytes: padded") << frame70.left(10) << zero + frame70.left(10) + QByteArray(54, '\0');
    QTest::newRow("empty: a report of zeros") << QByteArray() << QByteArray(65, '\0');
}

void tst_HidDeviceProcess::writeData()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, onTheWire);
    connectLink();
    QCOMPARE(link->writeData(frame), 65);
    QCOMPARE(lens->lastWrittenReport(), onTheWire);
}

void tst_HidDeviceProcess::nothingMovesWhileDisconnected()
{
    QByteArray frame("untouched");
    QCOMPARE(link->writeData(QByteArray(64, 'x')), -1);
    QCOMPARE(link->readData(frame), 0);

    lens->unplug();
    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 2, 10000);
    QCOMPARE(link->writeData(QByteArray(64, 'x')), -1);
    QCOMPARE(link->readData(frame), 0);

    QCOMPARE(frame, QByteArray("untouched"));
    QCOMPARE(lens->exchangeCount(), 0);
    QVERIFY(lens->writtenReports().isEmpty());
    QTest::qWait(50);
    QVERIFY(recorder->data.isEmpty());
    QCOMPARE(recorder->removed, 0);
}

void tst_HidDeviceProcess::secondRequestOpenTakesEffect()
{
    link->requestOpen(kVendor, 0x1234);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 2, 10000);
    QVERIFY(!recorder->states.contains(true));

    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
    QCOMPARE(lens->openCount(), 1);
}

void tst_HidDeviceProcess::serialNumberOfTheRequest()
{
    const QString other = QStringLiteral("SOMEONE-ELSE");
    link->requestOpen(kVendor, kProduct, &other);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 2, 10000);

    // A null serial number keeps the stored one.
    link->requestOpen(kVendor, kProduct, nullptr);
    const int seen = recorder->states.size();
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= seen + 2, 10000);
    QVERIFY(!recorder->states.contains(true));

    const QString own = lens->usbString(LensSimulator::UsbSerialNumber);
    link->requestOpen(kVendor, kProduct, &own);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
}

void tst_HidDeviceProcess::stop_data()
{
    QTest::addColumn<bool>("lensPresent");
    QTest::newRow("blocked in a read") << true;
    QTest::newRow("looking for the lens") << false;
}

void tst_HidDeviceProcess::stop()
{
    QFETCH(bool, lensPresent);
    if (!lensPresent)
        lens->unplug();
    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.size() >= 1, 10000);
    QTest::qWait(50);

    QElapsedTimer timer;
    timer.start();
    link->stop();
    QVERIFY(link->wait(10000));
    qInfo("reader thread stopped after %lld ms", timer.elapsed());
    QVERIFY(!link->isConnected());
    QCOMPARE(SimulatedHidapi::openHandles(), 0);
    QVERIFY(recorder->data.isEmpty());
    QCOMPARE(recorder->removed, 0);
}

void tst_HidDeviceProcess::destructorStopsTheThread()
{
    connectLink();
    QElapsedTimer timer;
    timer.start();
    link.reset();
    qInfo("destroyed after %lld ms", timer.elapsed());
    QCOMPARE(SimulatedHidapi::openHandles(), 0);
    QVERIFY(!lens->isOpen());
}

void tst_HidDeviceProcess::requestOpenAfterStopStartsAgain()
{
    connectLink();
    link->stop();
    QVERIFY(link->wait(10000));
    QVERIFY(!lens->isOpen());

    link->requestOpen(kVendor, kProduct);
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
    QVERIFY(lens->isOpen());
}

void tst_HidDeviceProcess::closeDeviceDropsTheLinkQuietly()
{
    connectLink();
    link->closeDevice();
    QVERIFY(!link->isConnected());
    QCOMPARE(link->writeData(QByteArray(64, 'x')), -1);

    // Still asked to be open: the reader thread closes and opens again.
    QTRY_VERIFY_WITH_TIMEOUT(recorder->states.contains(true), 10000);
    QCOMPARE(lens->openCount(), 2);
    QCOMPARE(SimulatedHidapi::openHandles(), 1);
    QVERIFY(recorder->data.isEmpty());
    QCOMPARE(recorder->removed, 0);
}

void tst_HidDeviceProcess::writesRacingUnplugs()
{
    connectLink();
    // Pulls the lens out again as soon as the link is up, so that the
    // reader thread keeps closing the handle while the GUI thread writes.
    std::atomic<bool> done { false };
    std::atomic<int> cycles { 0 };
    std::thread hand([&] {
        while (!done) {
            if (link->isConnected()) {
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                lens->unplug();
                lens->plug();
                ++cycles;
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        }
    });

    const QByteArray frame = LensSimulator::buildFrame(0xEE, QByteArray(), 0xFFFF);
    int good = 0;
    int failed = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1500) {
        const int result = link->writeData(frame);
        if (result == 65)
            ++good;
        else if (result == -1)
            ++failed;
        else
            QFAIL(qPrintable(QStringLiteral("writeData returned %1").arg(result)));
        if ((good + failed) % 64 == 0)
            QCoreApplication::processEvents();
    }
    done = true;
    hand.join();
    qInfo("%d unplugs, %d writes went through, %d met a missing lens", int(cycles), good, failed);
    QVERIFY(cycles > 10);
    QVERIFY(good > 0);

    lens->plug();
    recorder->clear();
    QTRY_VERIFY_WITH_TIMEOUT(link->isConnected(), 10000);
    QVERIFY(SimulatedHidapi::openHandles() <= 1);
}

QTEST_GUILESS_MAIN(tst_HidDeviceProcess)
#include "tst_hiddeviceprocess.moc"
