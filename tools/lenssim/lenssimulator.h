#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

// A simulated autofocus lens on the USB HID link.
//
// The core only knows reports and handles: a transport (the stand-in hidapi
// of SimulatedHidapi, or a socket server in another process) forwards the
// host's open/close/write/read calls to open(), close(), write() and read().
// Everything is thread-safe: the host's reader thread may block in read()
// while its GUI thread writes and a test reconfigures the lens.
//
// What the lens does:
//  - enumerates as 0483:C8C0 (setUsbIds) while plugged and not restarting;
//    a handle becomes stale (reads and writes fail with -1) once the lens
//    leaves the bus, and the host has to open it again;
//  - takes 65-byte output reports (report id 0 + 64-byte frame) and answers
//    with 64-byte input reports; every frame it gets is CRC-checked, a bad
//    one is answered with CMD_CRC_ERROR (data byte 0 = low byte of the CRC
//    it calculated) and otherwise dropped;
//  - CMD_CONNECT: counted, no answer;
//  - CMD_LENS_INFO: its 304-byte record in six frames, indices 0-4 and 0xFFFF;
//  - CMD_UPDATE_START: clears what it received and answers status 0;
//  - CMD_UPDATE_DATA: stores the packet where its index says (the final
//    packet, index 0xFFFF, right after the last one) and acknowledges every
//    packet but the final one;
//  - CMD_UPDATE_END: status 5, or 6 when told to fail, when packets are
//    missing or when the image does not carry the lens's model name at
//    offsets 32-63 (setImageModelNameField); after 5 the version becomes
//    versionAfterUpdate() and the lens restarts: once the host has read the
//    status it drops off the bus for restartTime() ms and comes back. A lens
//    whose model code is the no-restart model code keeps its connection.
//
// Typical test (in-process, through the stand-in hidapi):
//     LensSimulator *lens = SimulatedHidapi::lens();
//     lens->reset();
//     lens->setFirmwareVersion("V1.0.0");
//     lens->setVersionAfterUpdate("V1.1.0");
//     ... run HidDeviceProcess + UpdateProcess, start an update ...
//     QVERIFY(lens->holdsImage(image));
class LensSimulator : public QObject
{
    Q_OBJECT

public:
    // The fields of the lens's 304-byte record, in record order.
    enum Field {
        Text0,
        Text16,
        ModelName,
        ModelCode,
        SerialNumber,
        Text112,
        Text128,
        Text144,
        Text160,
        Text176,
        Text192,
        Text208,
        Text224,
        FirmwareVersion,
        Text288,
        FieldCount
    };
    enum UsbString { Manufacturer, Product, UsbSerialNumber };

    using Handle = quint64; // 0 is never a valid handle

    static constexpr quint16 DefaultVendorId = 0x0483;
    static constexpr quint16 DefaultProductId = 0xC8C0;
    static constexpr int ReportSize = 65;
    static constexpr int FrameSize = 64;
    static constexpr int RecordSize = 304;

    explicit LensSimulator(QObject *parent = nullptr);
    ~LensSimulator() override;

    // --- Identity and behaviour (any thread) --------------------------------

    // Back to a fresh default lens: plugged in, no faults, no latency, counters
    // and log cleared, default identity, restart time 300 ms. Open handles
    // become stale.
    void reset();

    void setUsbIds(quint16 vendorId, quint16 productId);
    quint16 vendorId() const;
    quint16 productId() const;
    // What hid_get_*_string report; the USB serial number is also what
    // hid_open matches a requested serial number against.
    void setUsbString(UsbString which, const QString &text);
    QString usbString(UsbString which) const;

    // Record fields are stored as UTF-8, cut to fit their width with a zero.
    void setField(Field field, const QString &text);
    QString field(Field field) const;
    void setModelName(const QString &name) { setField(ModelName, name); }
    void setModelCode(const QString &code) { setField(ModelCode, code); }
    void setSerialNumber(const QString &serial) { setField(SerialNumber, serial); }
    void setFirmwareVersion(const QString &version) { setField(FirmwareVersion, version); }
    QString modelName() const { return field(ModelName); }
    QString modelCode() const { return field(ModelCode); }
    QString serialNumber() const { return field(SerialNumber); }
    QString firmwareVersion() const { return field(FirmwareVersion); }
    // The whole record at once (cut or zero-padded to 304 bytes).
    void setRecord(const QByteArray &record);
    QByteArray record() const;
    static int fieldOffset(Field field);
    static int fieldWidth(Field field);

    // The version the lens reports after a successful update; empty (the
    // default) keeps the version it had.
    void setVersionAfterUpdate(const QString &version);
    QString versionAfterUpdate() const;
    // The model code of the one model that keeps its connection after an
    // update (compared case-sensitively with the model code); empty: none.
    void setNoRestartModelCode(const QString &code);
    // How long a restarting lens stays off the bus.
    void setRestartTime(int milliseconds);
    int restartTime() const;
    // Where the lens looks for its model name in an image (default 32, 32).
    void setImageModelNameField(int offset, int width);
    // Delay between a report from the host and the lens's answer to it
    // (a real lens needs at least 1 ms per exchange). Default 0.
    void setLatency(int microseconds);
    int latency() const;

    // --- Bus ------------------------------------------------------------------

    void plug();
    // Leaves the bus now: blocked reads return -1, handles become stale.
    void unplug();
    bool isPlugged() const;
    bool isRestarting() const;
    // Plugged and not restarting: hid_open would find it.
    bool isOnBus() const;
    // The host holds a handle that still works.
    bool isOpen() const;
    // hid_open would succeed (counts no attempt).
    bool wouldOpen(quint16 vendorId, quint16 productId, const QString &serialNumber = QString()) const;

    // --- Faults ---------------------------------------------------------------

    // Leave the bus (stay unplugged) when data packet `packet` arrives, before
    // acknowledging it; 0 is the first packet after CMD_UPDATE_START. Fires
    // once; -1 disarms.
    void unplugAtPacket(int packet);
    // false: packets are still stored but no longer acknowledged.
    void setAcknowledging(bool acknowledging);
    // false: CMD_UPDATE_END is taken but no status follows, as if the lens
    // wrote its flash for ever.
    void setReportingStatus(bool reporting);
    // The next frame to the host goes out with a wrong CRC.
    void corruptNextFrameToHost();
    // The next frame from the host arrives with a wrong CRC.
    void corruptNextFrameFromHost();
    // The next acknowledgement is sent twice.
    void sendExtraAcknowledgement();
    // The next update ends with status 6 whatever it received.
    void failNextUpdate();

    // --- Frames the test makes the lens send -----------------------------------

    // Queued for the host like the lens's own answers; dropped while the host
    // has no working handle (nobody would read it).
    // A proper frame (CRC included) carrying up to 56 bytes of data.
    void sendToHost(quint8 command, const QByteArray &data = QByteArray(), quint16 index = 0xFFFF);
    // Any input report as it stands (at most 64 bytes), e.g. short or foreign.
    void sendReportToHost(const QByteArray &report);
    static QByteArray buildFrame(quint8 command, const QByteArray &data, quint16 index);
    // The lens's own CRC (bitwise, word by word as the STM32 unit does it).
    static quint32 crc(const QByteArray &data, int length);

    // --- What happened -----------------------------------------------------------

    // The packets of the last update as received: whole packets, so the
    // final one carries its zero padding.
    QByteArray receivedData() const;
    // The same with the final packet's trailing zero bytes removed.
    QByteArray receivedImage() const;
    // Exactly `image` arrived in the last update: its bytes, in the number
    // of packets it needs, the final one padded with zeros only.
    bool holdsImage(const QByteArray &image) const;
    int packetsReceived() const; // data packets of the last update
    int updatesStarted() const;
    int updatesFinished() const;
    int lastStatus() const; // status of the last finished update, -1 none
    int restartCount() const;
    int exchangeCount() const; // reports the host wrote successfully
    int framesToHost() const; // input reports the host has read
    int pendingFramesToHost() const;
    int openAttempts() const; // hid_open calls
    int openCount() const; // hid_open calls that returned a handle
    int crcErrorsDetected() const; // bad frames from the host
    int crcErrorNotices() const; // CMD_CRC_ERROR frames from the host
    int connectCommands() const;
    int lensInfoRequests() const;
    int commandCount(quint8 command) const; // good frames from the host by command
    // The last (up to 4096) reports as the host wrote them, report id first.
    QList<QByteArray> writtenReports() const;
    QByteArray lastWrittenReport() const;
    void clearLog();

    // --- Transport side ---------------------------------------------------------

    // 0 when no matching lens is on the bus. An empty serial number matches any.
    Handle open(quint16 vendorId, quint16 productId, const QString &serialNumber);
    void close(Handle handle);
    // hid_write: `length` or -1 (stale handle, report id not 0, too long).
    int write(Handle handle, const unsigned char *data, size_t length);
    // hid_read_timeout: bytes read, 0 when `timeoutMs` expired (-1 waits for
    // ever), -1 once the lens has left the bus.
    int read(Handle handle, unsigned char *data, size_t length, int timeoutMs);
    // Feature reports are kept per report id (byte 0) and read back.
    int sendFeatureReport(Handle handle, const unsigned char *data, size_t length);
    int getFeatureReport(Handle handle, unsigned char *data, size_t length);
    // false for a stale handle.
    bool usbString(Handle handle, UsbString which, QString *text) const;

signals:
    // Emitted on the thread that wrote CMD_UPDATE_END.
    void updateFinished(int status);

private:
    struct State;
    std::unique_ptr<State> d;
    mutable std::mutex mutex;
    std::condition_variable changed;
};
