#include "updateprocess.h"

#include "hid/deviceinterface.h"
#include "protocollog.h"
#include "stm32crc.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr int kCrcOffset = 60;
constexpr int kDataOffset = 4;
// Non-final frames beyond this index would not fit the reply buffer.
constexpr int kMaxFrameIndex = UpdateProcess::REPLY_BUFFER_SIZE / UpdateProcess::FRAME_DATA_SIZE - 1;

} // namespace

UpdateProcess::UpdateProcess(DeviceInterface *link, QObject *parent)
    : QObject(parent)
    , link(link)
    , packetIndex(0)
    , lastPacketIndex(0)
    , multiFrame(false)
    , lastFrameIndex(0)
    , replyComplete(false)
    , replyCommand(0)
    , replyData(REPLY_BUFFER_SIZE, '\0')
{
    qRegisterMetaType<LensInfo>("LensInfo");
    qRegisterMetaType<uint8_t>("uint8_t");
}

QByteArray UpdateProcess::buildFrame(quint8 command, const char *data, int dataSize, quint16 index) const
{
    uchar bytes[FRAME_SIZE] = {};
    bytes[0] = FRAME_HEAD;
    bytes[1] = uchar(index & 0xFFu);
    bytes[2] = uchar(index >> 8);
    bytes[3] = command;
    if (dataSize > 0)
        std::memcpy(bytes + kDataOffset, data, size_t(qMin(dataSize, FRAME_DATA_SIZE)));
    QByteArray frame(reinterpret_cast<const char *>(bytes), FRAME_SIZE);
    const quint32 crc = Stm32Crc().calculate(frame, kCrcOffset);
    for (int i = 0; i < 4; ++i)
        frame[kCrcOffset + i] = char(uchar(crc >> (8 * i)));
    return frame;
}

void UpdateProcess::sendCommand(quint8 command, const QByteArray &data, uint length)
{
    const uint frames = length / FRAME_DATA_SIZE + (length % FRAME_DATA_SIZE ? 1 : 0);
    for (uint i = 0; i < frames; ++i) {
        const bool last = i == frames - 1;
        const int start = int(i) * FRAME_DATA_SIZE;
        const int chunk = last ? int(length) - start : FRAME_DATA_SIZE;
        // Bytes past the end of `data` count as zeros.
        const int available = qBound(0, data.size() - start, chunk);
        link->writeData(
            buildFrame(command, data.constData() + start, available, last ? FRAME_LAST : quint16(i)));
    }
}

void UpdateProcess::sendFrame(quint8 command, const QByteArray &data, quint16 index)
{
    link->writeData(buildFrame(command, data.constData(), data.size(), index));
}

void UpdateProcess::sendCrcError(quint8 code)
{
    QByteArray data(FRAME_DATA_SIZE, '\0');
    data[0] = char(code);
    sendCommand(CMD_CRC_ERROR, data, FRAME_DATA_SIZE);
}

void UpdateProcess::cmdReceive(QByteArray data)
{
    if (data.size() < FRAME_SIZE || uchar(data.at(0)) != FRAME_HEAD)
        return;

    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const quint32 crc = Stm32Crc().calculate(data, kCrcOffset);
    if (crc != qFromLittleEndian<quint32>(bytes + kCrcOffset)) {
        qCInfo(lcProtocol) << "frame with a bad CRC";
        sendCrcError(quint8(crc & 0xFFu));
        return;
    }

    const quint16 index = qFromLittleEndian<quint16>(bytes + 1);
    const char *payload = data.constData() + kDataOffset;
    if (index != FRAME_LAST) {
        if (index > kMaxFrameIndex)
            return;
        multiFrame = true;
        replyComplete = false;
        lastFrameIndex = index;
        std::memcpy(replyData.data() + index * FRAME_DATA_SIZE, payload, FRAME_DATA_SIZE);
        return;
    }

    const int offset = multiFrame ? (lastFrameIndex + 1) * FRAME_DATA_SIZE : 0;
    if (offset + FRAME_DATA_SIZE > REPLY_BUFFER_SIZE)
        return;
    replyCommand = bytes[3];
    std::memcpy(replyData.data() + offset, payload, FRAME_DATA_SIZE);
    multiFrame = false;
    replyComplete = true;
    const QByteArray reply(replyData.constData(), REPLY_BUFFER_SIZE);
    replyData.fill('\0');
    dispatchReply(replyCommand, reply);
}

void UpdateProcess::dispatchReply(quint8 command, const QByteArray &data)
{
    switch (command) {
    case CMD_LENS_INFO:
        lensInfo = LensInfo::fromBytes(data);
        emit lensInfoFlush(lensInfo);
        break;
    case CMD_DATA_ACK:
        if (phase == TransferPhase::Idle || phase == TransferPhase::AwaitingReady) {
            qCDebug(lcProtocol) << "acknowledgement outside the packet phase ignored";
            break;
        }
        sendNextPacket();
        reportProgress();
        break;
    case CMD_UPDATE_STATUS:
        if (!data.isEmpty())
            handleUpdateStatus(quint8(data.at(0)));
        break;
    default:
        break;
    }
}

void UpdateProcess::startFirmwareUpdate(const QByteArray &newImage)
{
    if (newImage.size() < MIN_IMAGE_SIZE || newImage.size() > MAX_IMAGE_SIZE) {
        qCWarning(lcProtocol) << "firmware image of" << newImage.size() << "bytes cannot be transferred";
        endTransfer();
        emit updateStatus(STATUS_FAILURE);
        return;
    }
    endTransfer();
    image = newImage;
    phase = TransferPhase::AwaitingReady;
    sendCommand(CMD_UPDATE_START, QByteArray(FRAME_DATA_SIZE, '\0'), FRAME_DATA_SIZE);
}

void UpdateProcess::sendImagePacket(quint16 packet, quint16 frameIndex)
{
    const int start = int(packet) * FRAME_DATA_SIZE;
    if (start >= image.size())
        return;
    const int size = qMin(FRAME_DATA_SIZE, image.size() - start);
    link->writeData(buildFrame(CMD_UPDATE_DATA, image.constData() + start, size, frameIndex));
}

void UpdateProcess::sendFirstPacket()
{
    if (image.isEmpty()) {
        endTransfer();
        return;
    }
    phase = TransferPhase::SendingPackets;
    lastPacketIndex = quint16((image.size() + FRAME_DATA_SIZE - 1) / FRAME_DATA_SIZE - 1);
    packetIndex = 0;
    sendImagePacket(0, 0);
}

void UpdateProcess::sendNextPacket()
{
    // An acknowledgement after the final packet starts the image again.
    phase = TransferPhase::SendingPackets;
    ++packetIndex;
    if (packetIndex == lastPacketIndex) {
        const quint16 finalPacket = packetIndex;
        packetIndex = FRAME_LAST;
        phase = TransferPhase::Finishing;
        sendImagePacket(finalPacket, FRAME_LAST);
        sendCommand(CMD_UPDATE_END, QByteArray(FRAME_DATA_SIZE, '\0'), FRAME_DATA_SIZE);
    } else {
        sendImagePacket(packetIndex, packetIndex);
    }
}

void UpdateProcess::reportProgress()
{
    // No transfer set up yet: there is nothing to report (and no divisor).
    if (lastPacketIndex == 0)
        return;
    const float percent
        = packetIndex == FRAME_LAST ? 100.0f : float(double(packetIndex) / double(lastPacketIndex) * 100.0);
    emit updateProcess(percent);
}

void UpdateProcess::handleUpdateStatus(quint8 code)
{
    if (phase == TransferPhase::Idle) {
        qCDebug(lcProtocol) << "update status" << code << "outside a transfer ignored";
        return;
    }
    if (code == STATUS_READY) {
        // The lens may ask for the image again from the start.
        sendFirstPacket();
        return;
    }
    if (code > STATUS_FAILURE)
        return;
    if (code == STATUS_SUCCESS || code == STATUS_FAILURE)
        endTransfer();
    emit updateStatus(code);
}

void UpdateProcess::abort()
{
    if (phase != TransferPhase::Idle)
        qCDebug(lcProtocol) << "transfer aborted in phase" << phase;
    endTransfer();
}

void UpdateProcess::endTransfer()
{
    phase = TransferPhase::Idle;
    image.clear();
    packetIndex = 0;
    lastPacketIndex = 0;
}
