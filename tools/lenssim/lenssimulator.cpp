#include "lenssimulator.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr quint8 kHead = 0x24;
constexpr quint16 kLast = 0xFFFF;
constexpr int kDataSize = 56;
constexpr int kCrcOffset = 60;
constexpr int kLogLimit = 4096;

constexpr quint8 kConnect = 0xEE;
constexpr quint8 kLensInfo = 0x10;
constexpr quint8 kCrcError = 0x1F;
constexpr quint8 kDataAck = 0x40;
constexpr quint8 kUpdateStatus = 0x42;
constexpr quint8 kUpdateStart = 0x80;
constexpr quint8 kUpdateData = 0x81;
constexpr quint8 kUpdateEnd = 0x82;

constexpr int kOffsets[LensSimulator::FieldCount + 1]
    = { 0, 16, 48, 80, 96, 112, 128, 144, 160, 176, 192, 208, 224, 272, 288, 304 };

quint16 frameIndex(const QByteArray &frame)
{
    return quint16(uchar(frame.at(1)) | (uchar(frame.at(2)) << 8));
}

quint32 storedCrc(const QByteArray &frame)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uchar(frame.at(kCrcOffset + i));
    return value;
}

QString recordText(const QByteArray &record, LensSimulator::Field field)
{
    const int offset = kOffsets[field];
    const int width = kOffsets[field + 1] - offset;
    QByteArray bytes = record.mid(offset, width);
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes).trimmed();
}

QByteArray defaultRecord()
{
    QByteArray record(LensSimulator::RecordSize, '\0');
    auto put = [&record](LensSimulator::Field field, const char *text) {
        std::memcpy(record.data() + kOffsets[field], text, std::strlen(text));
    };
    put(LensSimulator::Text0, "ZLENS");
    put(LensSimulator::Text16, "Simulated lens");
    put(LensSimulator::ModelName, "AF 85mm F1.8 SIM");
    put(LensSimulator::ModelCode, "SIM85");
    put(LensSimulator::SerialNumber, "SN2024000001");
    put(LensSimulator::FirmwareVersion, "V1.0.0");
    return record;
}

} // namespace

struct LensSimulator::State
{
    struct Pending
    {
        QByteArray report;
        Clock::time_point readyAt;
    };

    // Identity and behaviour.
    quint16 vendorId = DefaultVendorId;
    quint16 productId = DefaultProductId;
    QString usbStrings[3] = { QStringLiteral("Lens Simulator"), QStringLiteral("Simulated AF Lens"),
        QStringLiteral("SIM0001") };
    QByteArray record = defaultRecord();
    QString versionAfterUpdate;
    QString noRestartModelCode;
    int restartMs = 300;
    int nameOffset = 32;
    int nameWidth = 32;
    std::chrono::microseconds latency { 0 };

    // Bus.
    bool plugged = true;
    bool restartPending = false; // status 5 sent, leaves once it has been read
    bool offBus = false;
    Clock::time_point backOnBusAt;
    QString pendingVersion;
    quint64 epoch = 1; // bumped whenever the lens leaves the bus
    Handle nextHandle = 1;
    std::map<Handle, quint64> handles;
    std::deque<Pending> toHost;
    std::map<quint8, QByteArray> featureReports;

    // Faults.
    int unplugAtPacket = -1;
    bool acknowledging = true;
    bool reportingStatus = true;
    bool corruptToHost = false;
    bool corruptFromHost = false;
    bool extraAck = false;
    bool failNext = false;

    // Update in progress.
    bool updating = false;
    QByteArray received;
    std::vector<bool> packetSeen;
    bool haveIndex = false;
    quint16 lastIndex = 0;
    bool finalSeen = false;
    int finalEnd = 0; // end of the final packet in `received`
    int packets = 0;

    // Counters and log.
    int updatesStarted = 0;
    int updatesFinished = 0;
    int lastStatus = -1;
    int restarts = 0;
    int exchanges = 0;
    int framesToHost = 0;
    int openAttempts = 0;
    int opens = 0;
    int crcErrors = 0;
    int crcNotices = 0;
    std::map<quint8, int> commands;
    std::deque<QByteArray> log;

    void resetUpdate()
    {
        received.clear();
        packetSeen.clear();
        haveIndex = false;
        lastIndex = 0;
        finalSeen = false;
        finalEnd = 0;
        packets = 0;
    }

    // The restart ends by itself once its time is up.
    void refresh(Clock::time_point now)
    {
        if (offBus && now >= backOnBusAt) {
            offBus = false;
            if (!pendingVersion.isEmpty())
                setRecordText(FirmwareVersion, pendingVersion);
            pendingVersion.clear();
        }
    }

    bool onBus() const { return plugged && !offBus; }

    bool valid(Handle handle) const
    {
        auto it = handles.find(handle);
        return it != handles.end() && it->second == epoch && onBus();
    }

    bool anyValidHandle() const
    {
        for (const auto &entry : handles) {
            if (valid(entry.first))
                return true;
        }
        return false;
    }

    bool matches(quint16 vid, quint16 pid, const QString &serial) const
    {
        return onBus() && vid == vendorId && pid == productId
            && (serial.isEmpty() || serial == usbStrings[UsbSerialNumber]);
    }

    void leaveBus()
    {
        ++epoch;
        toHost.clear();
        restartPending = false;
        updating = false;
    }

    void setRecordText(Field field, const QString &text)
    {
        const int offset = kOffsets[field];
        const int width = kOffsets[field + 1] - offset;
        QByteArray utf8 = text.toUtf8();
        int length = qMin(utf8.size(), width - 1);
        while (length > 0 && length < utf8.size() && (uchar(utf8.at(length)) & 0xC0) == 0x80)
            --length;
        std::memset(record.data() + offset, 0, size_t(width));
        std::memcpy(record.data() + offset, utf8.constData(), size_t(length));
    }

    void queueReport(QByteArray report, Clock::time_point now)
    {
        toHost.push_back({ std::move(report), now + latency });
    }

    void queueFrame(quint8 command, const QByteArray &data, quint16 index, Clock::time_point now)
    {
        QByteArray frame = buildFrame(command, data, index);
        if (corruptToHost) {
            corruptToHost = false;
            frame[kCrcOffset] = char(frame.at(kCrcOffset) ^ 0xFF);
        }
        queueReport(frame, now);
    }

    void storePacket(const QByteArray &frame)
    {
        const quint16 index = frameIndex(frame);
        int position;
        if (index == kLast) {
            position = haveIndex ? lastIndex + 1 : 0;
            finalSeen = true;
        } else {
            position = index;
            haveIndex = true;
            lastIndex = index;
        }
        const int offset = position * kDataSize;
        if (received.size() < offset + kDataSize)
            received.append(QByteArray(offset + kDataSize - received.size(), '\0'));
        std::memcpy(received.data() + offset, frame.constData() + 4, kDataSize);
        if (index == kLast) {
            finalEnd = offset + kDataSize;
        } else {
            if (packetSeen.size() <= size_t(position))
                packetSeen.resize(size_t(position) + 1, false);
            packetSeen[size_t(position)] = true;
        }
    }

    // 5 when the image is whole and carries the lens's model name, else 6.
    int judgeImage()
    {
        if (failNext) {
            failNext = false;
            return 6;
        }
        if (!finalSeen)
            return 6;
        const size_t finalPosition = size_t(finalEnd / kDataSize - 1);
        for (size_t i = 0; i < finalPosition; ++i) {
            if (i >= packetSeen.size() || !packetSeen[i])
                return 6;
        }
        const QByteArray image = received.left(finalEnd);
        if (image.size() < nameOffset + nameWidth)
            return 6;
        QByteArray name = image.mid(nameOffset, nameWidth);
        const int zero = name.indexOf('\0');
        if (zero >= 0)
            name.truncate(zero);
        const QString imageModel = QString::fromUtf8(name).trimmed();
        return imageModel == recordText(record, ModelName) ? 5 : 6;
    }
};

LensSimulator::LensSimulator(QObject *parent)
    : QObject(parent)
    , d(new State)
{
}

LensSimulator::~LensSimulator() = default;

void LensSimulator::reset()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        const quint64 epoch = d->epoch + 1;
        const Handle nextHandle = d->nextHandle;
        d.reset(new State);
        d->epoch = epoch;
        d->nextHandle = nextHandle;
    }
    changed.notify_all();
}

void LensSimulator::setUsbIds(quint16 vendorId, quint16 productId)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->vendorId = vendorId;
    d->productId = productId;
}

quint16 LensSimulator::vendorId() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->vendorId;
}

quint16 LensSimulator::productId() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->productId;
}

void LensSimulator::setUsbString(UsbString which, const QString &text)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->usbStrings[which] = text;
}

QString LensSimulator::usbString(UsbString which) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->usbStrings[which];
}

void LensSimulator::setField(Field field, const QString &text)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->setRecordText(field, text);
}

QString LensSimulator::field(Field field) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return recordText(d->record, field);
}

void LensSimulator::setRecord(const QByteArray &record)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->record = record.left(RecordSize);
    d->record.append(QByteArray(RecordSize - d->record.size(), '\0'));
}

QByteArray LensSimulator::record() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->record;
}

int LensSimulator::fieldOffset(Field field)
{
    return kOffsets[field];
}

int LensSimulator::fieldWidth(Field field)
{
    return kOffsets[field + 1] - kOffsets[field];
}

void LensSimulator::setVersionAfterUpdate(const QString &version)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->versionAfterUpdate = version;
}

QString LensSimulator::versionAfterUpdate() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->versionAfterUpdate;
}

void LensSimulator::setNoRestartModelCode(const QString &code)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->noRestartModelCode = code;
}

void LensSimulator::setRestartTime(int milliseconds)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->restartMs = qMax(0, milliseconds);
}

int LensSimulator::restartTime() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->restartMs;
}

void LensSimulator::setImageModelNameField(int offset, int width)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->nameOffset = qMax(0, offset);
    d->nameWidth = qMax(1, width);
}

void LensSimulator::setLatency(int microseconds)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->latency = std::chrono::microseconds(qMax(0, microseconds));
}

int LensSimulator::latency() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return int(d->latency.count());
}

void LensSimulator::plug()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        d->plugged = true;
    }
    changed.notify_all();
}

void LensSimulator::unplug()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        d->plugged = false;
        d->leaveBus();
    }
    changed.notify_all();
}

bool LensSimulator::isPlugged() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->plugged;
}

bool LensSimulator::isRestarting() const
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    return d->restartPending || d->offBus;
}

bool LensSimulator::isOnBus() const
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    return d->onBus();
}

bool LensSimulator::isOpen() const
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    return d->anyValidHandle();
}

bool LensSimulator::wouldOpen(quint16 vendorId, quint16 productId, const QString &serialNumber) const
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    return d->matches(vendorId, productId, serialNumber);
}

void LensSimulator::unplugAtPacket(int packet)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->unplugAtPacket = packet;
}

void LensSimulator::setAcknowledging(bool acknowledging)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->acknowledging = acknowledging;
}

void LensSimulator::setReportingStatus(bool reporting)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->reportingStatus = reporting;
}

void LensSimulator::corruptNextFrameToHost()
{
    std::lock_guard<std::mutex> lock(mutex);
    d->corruptToHost = true;
}

void LensSimulator::corruptNextFrameFromHost()
{
    std::lock_guard<std::mutex> lock(mutex);
    d->corruptFromHost = true;
}

void LensSimulator::sendExtraAcknowledgement()
{
    std::lock_guard<std::mutex> lock(mutex);
    d->extraAck = true;
}

void LensSimulator::failNextUpdate()
{
    std::lock_guard<std::mutex> lock(mutex);
    d->failNext = true;
}

void LensSimulator::sendToHost(quint8 command, const QByteArray &data, quint16 index)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        d->refresh(Clock::now());
        if (!d->anyValidHandle())
            return;
        d->queueFrame(command, data, index, Clock::now());
    }
    changed.notify_all();
}

void LensSimulator::sendReportToHost(const QByteArray &report)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        d->refresh(Clock::now());
        if (!d->anyValidHandle())
            return;
        d->queueReport(report.left(FrameSize), Clock::now());
    }
    changed.notify_all();
}

QByteArray LensSimulator::buildFrame(quint8 command, const QByteArray &data, quint16 index)
{
    QByteArray frame(FrameSize, '\0');
    frame[0] = char(kHead);
    frame[1] = char(index & 0xFF);
    frame[2] = char(index >> 8);
    frame[3] = char(command);
    std::memcpy(frame.data() + 4, data.constData(), size_t(qMin(data.size(), kDataSize)));
    const quint32 value = crc(frame, kCrcOffset);
    for (int i = 0; i < 4; ++i)
        frame[kCrcOffset + i] = char((value >> (8 * i)) & 0xFF);
    return frame;
}

quint32 LensSimulator::crc(const QByteArray &data, int length)
{
    // The STM32 CRC unit: each little-endian word is XORed into the register,
    // then 32 shifts through 0x04C11DB7.
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    quint32 value = 0xFFFFFFFFu;
    for (int k = 0; k + 4 <= qMin(length, data.size()); k += 4) {
        value ^= quint32(bytes[k]) | quint32(bytes[k + 1]) << 8 | quint32(bytes[k + 2]) << 16
            | quint32(bytes[k + 3]) << 24;
        for (int bit = 0; bit < 32; ++bit)
            value = (value & 0x80000000u) ? (value << 1) ^ 0x04C11DB7u : value << 1;
    }
    return value;
}

QByteArray LensSimulator::receivedData() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->finalSeen ? d->received.left(d->finalEnd) : d->received;
}

QByteArray LensSimulator::receivedImage() const
{
    QByteArray data = receivedData();
    const int finalStart = qMax(0, data.size() - kDataSize);
    int end = data.size();
    while (end > finalStart && data.at(end - 1) == '\0')
        --end;
    data.truncate(end);
    return data;
}

bool LensSimulator::holdsImage(const QByteArray &image) const
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!d->finalSeen || image.isEmpty())
        return false;
    const int packets = (image.size() + kDataSize - 1) / kDataSize;
    if (d->finalEnd != packets * kDataSize)
        return false;
    const QByteArray data = d->received.left(d->finalEnd);
    for (int i = 0; i < packets - 1; ++i) {
        if (size_t(i) >= d->packetSeen.size() || !d->packetSeen[size_t(i)])
            return false;
    }
    return data.startsWith(image) && data.mid(image.size()) == QByteArray(data.size() - image.size(), '\0');
}

int LensSimulator::packetsReceived() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->packets;
}

int LensSimulator::updatesStarted() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->updatesStarted;
}

int LensSimulator::updatesFinished() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->updatesFinished;
}

int LensSimulator::lastStatus() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->lastStatus;
}

int LensSimulator::restartCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->restarts;
}

int LensSimulator::exchangeCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->exchanges;
}

int LensSimulator::framesToHost() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->framesToHost;
}

int LensSimulator::pendingFramesToHost() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return int(d->toHost.size());
}

int LensSimulator::openAttempts() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->openAttempts;
}

int LensSimulator::openCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->opens;
}

int LensSimulator::crcErrorsDetected() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->crcErrors;
}

int LensSimulator::crcErrorNotices() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->crcNotices;
}

int LensSimulator::connectCommands() const
{
    return commandCount(kConnect);
}

int LensSimulator::lensInfoRequests() const
{
    return commandCount(kLensInfo);
}

int LensSimulator::commandCount(quint8 command) const
{
    std::lock_guard<std::mutex> lock(mutex);
    auto it = d->commands.find(command);
    return it == d->commands.end() ? 0 : it->second;
}

QList<QByteArray> LensSimulator::writtenReports() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return QList<QByteArray>(d->log.begin(), d->log.end());
}

QByteArray LensSimulator::lastWrittenReport() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return d->log.empty() ? QByteArray() : d->log.back();
}

void LensSimulator::clearLog()
{
    std::lock_guard<std::mutex> lock(mutex);
    d->log.clear();
}

LensSimulator::Handle LensSimulator::open(quint16 vendorId, quint16 productId, const QString &serialNumber)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    ++d->openAttempts;
    if (!d->matches(vendorId, productId, serialNumber))
        return 0;
    // Like hidraw, a new reader only gets reports sent after it opened.
    if (!d->anyValidHandle())
        d->toHost.clear();
    const Handle handle = d->nextHandle++;
    d->handles[handle] = d->epoch;
    ++d->opens;
    return handle;
}

void LensSimulator::close(Handle handle)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        d->handles.erase(handle);
    }
    changed.notify_all();
}

int LensSimulator::write(Handle handle, const unsigned char *data, size_t length)
{
    int status = -1;
    int result = -1;
    {
        std::lock_guard<std::mutex> lock(mutex);
        State &s = *d;
        const Clock::time_point now = Clock::now();
        s.refresh(now);
        if (!s.valid(handle) || length < 1 || length > size_t(ReportSize) || data[0] != 0)
            return -1;

        QByteArray report(reinterpret_cast<const char *>(data), int(length));
        s.log.push_back(report);
        if (s.log.size() > size_t(kLogLimit))
            s.log.pop_front();
        ++s.exchanges;
        result = int(length);

        QByteArray frame = report.mid(1);
        frame.append(QByteArray(FrameSize - frame.size(), '\0'));
        if (s.corruptFromHost) {
            s.corruptFromHost = false;
            frame[kCrcOffset] = char(frame.at(kCrcOffset) ^ 0xFF);
        }

        if (uchar(frame.at(0)) == kHead) {
            const quint32 calculated = crc(frame, kCrcOffset);
            if (calculated != storedCrc(frame)) {
                ++s.crcErrors;
                s.queueFrame(kCrcError, QByteArray(1, char(calculated & 0xFF)), kLast, now);
            } else if (!s.restartPending) {
                const quint8 command = uchar(frame.at(3));
                ++s.commands[command];
                switch (command) {
                case kLensInfo:
                    for (int i = 0; i < 6; ++i)
                        s.queueFrame(kLensInfo, s.record.mid(i * kDataSize, kDataSize),
                            i < 5 ? quint16(i) : kLast, now);
                    break;
                case kCrcError:
                    ++s.crcNotices;
                    break;
                case kUpdateStart:
                    s.resetUpdate();
                    s.updating = true;
                    ++s.updatesStarted;
                    s.queueFrame(kUpdateStatus, QByteArray(1, '\0'), kLast, now);
                    break;
                case kUpdateData:
                    if (!s.updating)
                        break;
                    if (s.unplugAtPacket == s.packets) {
                        s.unplugAtPacket = -1;
                        s.plugged = false;
                        s.leaveBus();
                        result = -1;
                        break;
                    }
                    ++s.packets;
                    s.storePacket(frame);
                    if (frameIndex(frame) != kLast && s.acknowledging) {
                        s.queueFrame(kDataAck, QByteArray(), kLast, now);
                        if (s.extraAck) {
                            s.extraAck = false;
                            s.queueFrame(kDataAck, QByteArray(), kLast, now);
                        }
                    }
                    break;
                case kUpdateEnd:
                    if (!s.updating)
                        break;
                    s.updating = false;
                    if (!s.reportingStatus)
                        break;
                    status = s.judgeImage();
                    s.lastStatus = status;
                    ++s.updatesFinished;
                    s.queueFrame(kUpdateStatus, QByteArray(1, char(status)), kLast, now);
                    if (status == 5) {
                        if (!s.noRestartModelCode.isEmpty()
                            && recordText(s.record, ModelCode) == s.noRestartModelCode) {
                            if (!s.versionAfterUpdate.isEmpty())
                                s.setRecordText(FirmwareVersion, s.versionAfterUpdate);
                        } else {
                            s.restartPending = true;
                            s.pendingVersion = s.versionAfterUpdate;
                        }
                    }
                    break;
                default:
                    break;
                }
            }
        }
    }
    changed.notify_all();
    if (status >= 0)
        emit updateFinished(status);
    return result;
}

int LensSimulator::read(Handle handle, unsigned char *data, size_t length, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex);
    const bool waitForever = timeoutMs < 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitForever ? 0 : timeoutMs);
    for (;;) {
        const Clock::time_point now = Clock::now();
        State &s = *d;
        s.refresh(now);
        if (!s.valid(handle))
            return -1;

        Clock::time_point wakeAt = Clock::time_point::max();
        if (!s.toHost.empty()) {
            if (s.toHost.front().readyAt <= now) {
                const QByteArray report = std::move(s.toHost.front().report);
                s.toHost.pop_front();
                ++s.framesToHost;
                const size_t n = std::min(length, size_t(report.size()));
                std::memcpy(data, report.constData(), n);
                return int(n);
            }
            wakeAt = s.toHost.front().readyAt;
        } else if (s.restartPending) {
            // The host has the status; now the lens restarts.
            s.leaveBus();
            s.offBus = true;
            s.backOnBusAt = now + std::chrono::milliseconds(s.restartMs);
            ++s.restarts;
            lock.unlock();
            changed.notify_all();
            lock.lock();
            continue;
        }

        if (!waitForever) {
            if (now >= deadline)
                return 0;
            wakeAt = std::min(wakeAt, deadline);
        }
        if (wakeAt == Clock::time_point::max())
            changed.wait(lock);
        else
            changed.wait_until(lock, wakeAt);
    }
}

int LensSimulator::sendFeatureReport(Handle handle, const unsigned char *data, size_t length)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    if (!d->valid(handle) || length < 1)
        return -1;
    d->featureReports[data[0]] = QByteArray(reinterpret_cast<const char *>(data), int(length));
    return int(length);
}

int LensSimulator::getFeatureReport(Handle handle, unsigned char *data, size_t length)
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    if (!d->valid(handle) || length < 1)
        return -1;
    auto it = d->featureReports.find(data[0]);
    if (it == d->featureReports.end())
        return -1;
    const size_t n = std::min(length, size_t(it->second.size()));
    std::memcpy(data, it->second.constData(), n);
    return int(n);
}

bool LensSimulator::usbString(Handle handle, UsbString which, QString *text) const
{
    std::lock_guard<std::mutex> lock(mutex);
    d->refresh(Clock::now());
    if (!d->valid(handle))
        return false;
    *text = d->usbStrings[which];
    return true;
}
