#pragma once

#include "lensinfo.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>

class DeviceInterface;

// The lens protocol: 64-byte CRC-sealed frames out through DeviceInterface,
// arriving frames through cmdReceive, reassembly of multi-frame replies, the
// lens information, and the packet-by-packet firmware transfer paced by the
// lens's acknowledgements. Lives and is called in the GUI thread only.
//
// Frame: 0x24, index (LE16, 0xFFFF = final frame), command, 56 data bytes,
// STM32 CRC of bytes 0-59 (LE32).
class UpdateProcess : public QObject
{
    Q_OBJECT

public:
    static constexpr quint8 FRAME_HEAD = 0x24;
    static constexpr quint16 FRAME_LAST = 0xFFFF;
    static constexpr int FRAME_SIZE = 64;
    static constexpr int FRAME_DATA_SIZE = 56;
    static constexpr int REPLY_BUFFER_SIZE = 1024;

    static constexpr quint8 CMD_CONNECT = 0xEE;
    static constexpr quint8 CMD_LENS_INFO = 0x10;
    static constexpr quint8 CMD_CRC_ERROR = 0x1F;
    static constexpr quint8 CMD_DATA_ACK = 0x40;
    static constexpr quint8 CMD_UPDATE_STATUS = 0x42;
    static constexpr quint8 CMD_UPDATE_START = 0x80;
    static constexpr quint8 CMD_UPDATE_DATA = 0x81;
    static constexpr quint8 CMD_UPDATE_END = 0x82;

    // What the lens reports in CMD_UPDATE_STATUS.
    enum UpdateStatus : quint8 {
        STATUS_READY = 0,
        STATUS_SUCCESS = 5,
        STATUS_FAILURE = 6,
    };
    Q_ENUM(UpdateStatus)

    // Where a transfer this object started stands. Ready, acknowledgement
    // and status frames outside a transfer are ignored, so a lens can never
    // pull an image nobody is sending it, nor report an update nobody ran.
    enum class TransferPhase {
        Idle,
        AwaitingReady, // CMD_UPDATE_START sent
        SendingPackets, // packets go out one per acknowledgement
        Finishing, // the final packet and CMD_UPDATE_END sent; the lens writes its flash
    };
    Q_ENUM(TransferPhase)

    // Packet numbers must fit 16 bits below the final-frame marker, and an
    // image needs at least two packets.
    static constexpr int MIN_IMAGE_SIZE = FRAME_DATA_SIZE + 1;
    static constexpr int MAX_IMAGE_SIZE = 65535 * FRAME_DATA_SIZE; // 3,669,960

    explicit UpdateProcess(DeviceInterface *link, QObject *parent = nullptr);

    // ceil(length / 56) frames, the last one with index 0xFFFF; nothing for 0.
    void sendCommand(quint8 command, const QByteArray &data, uint length);
    // One frame with the given index and up to 56 bytes of data.
    void sendFrame(quint8 command, const QByteArray &data, quint16 index);
    void sendCrcError(quint8 code);
    void dispatchReply(quint8 command, const QByteArray &data);

    // Sends CMD_UPDATE_START; packets follow the lens's STATUS_READY. An image
    // outside MIN_IMAGE_SIZE..MAX_IMAGE_SIZE sends nothing and reports
    // updateStatus(STATUS_FAILURE).
    void startFirmwareUpdate(const QByteArray &image);
    void sendFirstPacket();
    void sendNextPacket();
    void reportProgress();
    void handleUpdateStatus(quint8 code);

    // Ends a running transfer at once and drops its image; nothing more is
    // sent until the next startFirmwareUpdate(). The lens is not told.
    void abort();
    TransferPhase transferPhase() const { return phase; }
    bool transferRunning() const { return phase != TransferPhase::Idle; }

    LensInfo currentLensInfo() const { return lensInfo; }

signals:
    void updateStatus(uint8_t status);
    void updateProcess(float percent);
    void lensInfoFlush(LensInfo info);

public slots:
    void cmdReceive(QByteArray data);

private:
    QByteArray buildFrame(quint8 command, const char *data, int dataSize, quint16 index) const;
    void sendImagePacket(quint16 packet, quint16 frameIndex);
    void endTransfer();

    DeviceInterface *link;
    QByteArray image;
    TransferPhase phase = TransferPhase::Idle;
    quint16 packetIndex;
    quint16 lastPacketIndex;
    bool multiFrame;
    quint16 lastFrameIndex;
    bool replyComplete;
    quint8 replyCommand;
    QByteArray replyData;
    LensInfo lensInfo;
};
