#include "hid/deviceinterface.h"
#include "protocol/stm32crc.h"
#include "protocol/updateprocess.h"

#include <QtTest>

namespace {

// Records every frame the protocol writes.
class RecordingLink : public DeviceInterface
{
public:
    int writeData(const QByteArray &frame) override
    {
        ++writes;
        if (keepFrames)
            frames.append(frame);
        last = frame;
        return result;
    }
    int readData(QByteArray &) override { return 0; }

    QList<QByteArray> take()
    {
        QList<QByteArray> taken = frames;
        frames.clear();
        return taken;
    }

    QList<QByteArray> frames;
    QByteArray last;
    int writes = 0;
    int result = 65;
    bool keepFrames = true;
};

quint16 indexOf(const QByteArray &frame)
{
    return quint16(uchar(frame[1]) | uchar(frame[2]) << 8);
}

quint8 commandOf(const QByteArray &frame)
{
    return quint8(frame[3]);
}

QByteArray dataOf(const QByteArray &frame)
{
    return frame.mid(4, 56);
}

quint32 crcField(const QByteArray &frame)
{
    return quint32(uchar(frame[60])) | quint32(uchar(frame[61])) << 8 | quint32(uchar(frame[62])) << 16
        | quint32(uchar(frame[63])) << 24;
}

// A frame as the lens would send it.
QByteArray lensFrame(quint8 command, const QByteArray &data, quint16 index = 0xFFFF)
{
    QByteArray frame(64, '\0');
    frame[0] = char(0x24);
    frame[1] = char(index & 0xFF);
    frame[2] = char(index >> 8);
    frame[3] = char(command);
    frame.replace(4, qMin(56, data.size()), data.left(56));
    const quint32 crc = Stm32Crc().calculate(frame, 60);
    for (int i = 0; i < 4; ++i)
        frame[60 + i] = char(crc >> (8 * i));
    return frame;
}

QByteArray status(quint8 code)
{
    return lensFrame(UpdateProcess::CMD_UPDATE_STATUS, QByteArray(1, char(code)));
}

QByteArray ack()
{
    return lensFrame(UpdateProcess::CMD_DATA_ACK, QByteArray());
}

QByteArray pattern(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 31 + 7) % 251 + 1);
    return image;
}

QByteArray padded(const QByteArray &bytes)
{
    return bytes + QByteArray(56 - bytes.size(), '\0');
}

void verifyWellFormed(const QByteArray &frame)
{
    QCOMPARE(frame.size(), 64);
    QCOMPARE(uchar(frame[0]), uchar(0x24));
    QCOMPARE(crcField(frame), Stm32Crc().calculate(frame, 60));
}

} // namespace

class tst_UpdateProcess : public QObject
{
    Q_OBJECT

private slots:
    void lensInfoRequestFrame();
    void sendCommandSplitsIntoFrames_data();
    void sendCommandSplitsIntoFrames();
    void badCrcIsAnsweredAndDropped();
    void singleFinalFrameIsDispatchedAtOnce();
    void lensInfoFromSixFrames();
    void bufferIsClearedAfterEachMessage();
    void reportsThatAreNotFramesAreIgnored_data();
    void reportsThatAreNotFramesAreIgnored();
    void framesBeyondTheBufferAreDropped();
    void unknownCommandsAreIgnored();

    void transferOf112Bytes();
    void transferOf113Bytes();
    void progressInQuarters();
    void readyMidTransferStartsAgain();
    void extraAcknowledgementAfterTheFinalPacket();
    void statusCodes_data();
    void statusCodes();
    void imagesOutsideTheLimits_data();
    void imagesOutsideTheLimits();
    void largestImageUsesEveryPacketNumber();
    void strayFramesOutsideATransfer_data();
    void strayFramesOutsideATransfer();
    void failedWritesStillAdvance();
};

void tst_UpdateProcess::lensInfoRequestFrame()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    protocol.sendCommand(UpdateProcess::CMD_LENS_INFO, QByteArray(56, '\0'), 56);

    QByteArray expected
        = QByteArray::fromHex("24FFFF10") + QByteArray(56, '\0') + QByteArray::fromHex("C25ADA28");
    QCOMPARE(link.frames.size(), 1);
    QCOMPARE(link.frames.first().toHex(), expected.toHex());
}

void tst_UpdateProcess::sendCommandSplitsIntoFrames_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("indices");
    QTest::newRow("0 bytes: nothing") << 0 << QList<int> {};
    QTest::newRow("1 byte") << 1 << QList<int> { 0xFFFF };
    QTest::newRow("56 bytes") << 56 << QList<int> { 0xFFFF };
    QTest::newRow("57 bytes") << 57 << QList<int> { 0, 0xFFFF };
    QTest::newRow("112 bytes") << 112 << QList<int> { 0, 0xFFFF };
    QTest::newRow("304 bytes") << 304 << QList<int> { 0, 1, 2, 3, 4, 0xFFFF };
}

void tst_UpdateProcess::sendCommandSplitsIntoFrames()
{
    QFETCH(int, length);
    QFETCH(QList<int>, indices);

    RecordingLink link;
    UpdateProcess protocol(&link);
    const QByteArray message = pattern(400);
    protocol.sendCommand(0x33, message, uint(length));

    QCOMPARE(link.frames.size(), indices.size());
    for (int i = 0; i < indices.size(); ++i) {
        const QByteArray frame = link.frames.at(i);
        verifyWellFormed(frame);
        QCOMPARE(int(indexOf(frame)), indices.at(i));
        QCOMPARE(commandOf(frame), quint8(0x33));
        const int start = i * 56;
        QCOMPARE(dataOf(frame), padded(message.mid(start, qMin(56, length - start))));
    }
}

void tst_UpdateProcess::badCrcIsAnsweredAndDropped()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy info(&protocol, &UpdateProcess::lensInfoFlush);

    const QByteArray record = pattern(304);
    protocol.cmdReceive(lensFrame(0x10, record.mid(0, 56), 0));

    QByteArray bad = lensFrame(0x10, QByteArray(56, 'X'), 1);
    bad[61] = char(bad[61] ^ 0x40);
    protocol.cmdReceive(bad);

    QCOMPARE(link.frames.size(), 1);
    const QByteArray answer = link.frames.first();
    verifyWellFormed(answer);
    QCOMPARE(commandOf(answer), UpdateProcess::CMD_CRC_ERROR);
    QCOMPARE(indexOf(answer), quint16(0xFFFF));
    QCOMPARE(uchar(answer[4]), uchar(Stm32Crc().calculate(bad, 60) & 0xFF));
    QCOMPARE(dataOf(answer).mid(1), QByteArray(55, '\0'));

    // The dropped frame left the half-built message alone.
    for (int i = 1; i < 5; ++i)
        protocol.cmdReceive(lensFrame(0x10, record.mid(i * 56, 56), quint16(i)));
    protocol.cmdReceive(lensFrame(0x10, record.mid(280, 24)));
    QCOMPARE(info.size(), 1);
    QCOMPARE(info.first().first().value<LensInfo>().toBytes(), record);
}

void tst_UpdateProcess::singleFinalFrameIsDispatchedAtOnce()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy statusSpy(&protocol, &UpdateProcess::updateStatus);
    protocol.startFirmwareUpdate(pattern(200));
    link.take();
    protocol.cmdReceive(status(5));
    QCOMPARE(statusSpy.size(), 1);
    QCOMPARE(statusSpy.first().first().value<uint8_t>(), uint8_t(5));
    QVERIFY(link.frames.isEmpty());
}

void tst_UpdateProcess::lensInfoFromSixFrames()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy info(&protocol, &UpdateProcess::lensInfoFlush);

    LensInfo sent;
    LensInfo::setText(sent.modelName, QString::fromUtf8("镜头 AF 85"));
    LensInfo::setText(sent.modelCode, QStringLiteral("ZM85"));
    LensInfo::setText(sent.serialNumber, QStringLiteral("SN0001"));
    LensInfo::setText(sent.firmwareVersion, QStringLiteral("V2.0.1"));
    LensInfo::setText(sent.text288, QStringLiteral("tail"));
    const QByteArray record = sent.toBytes();

    for (int i = 0; i < 5; ++i) {
        protocol.cmdReceive(lensFrame(0x10, record.mid(i * 56, 56), quint16(i)));
        QCOMPARE(info.size(), 0);
    }
    protocol.cmdReceive(lensFrame(0x10, record.mid(280, 24)));

    QCOMPARE(info.size(), 1);
    const LensInfo received = info.first().first().value<LensInfo>();
    QCOMPARE(received, sent);
    QCOMPARE(LensInfo::text(received.modelName), QString::fromUtf8("镜头 AF 85"));
    QCOMPARE(protocol.currentLensInfo(), sent);
    QVERIFY(link.frames.isEmpty());
}

void tst_UpdateProcess::bufferIsClearedAfterEachMessage()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy info(&protocol, &UpdateProcess::lensInfoFlush);

    for (int i = 0; i < 5; ++i)
        protocol.cmdReceive(lensFrame(0x10, QByteArray(56, 'A'), quint16(i)));
    protocol.cmdReceive(lensFrame(0x10, QByteArray(56, 'A')));
    // A one-frame reply must not show anything of the first one.
    protocol.cmdReceive(lensFrame(0x10, QByteArray("short")));

    QCOMPARE(info.size(), 2);
    const QByteArray second = info.at(1).first().value<LensInfo>().toBytes();
    QCOMPARE(second, QByteArray("short") + QByteArray(299, '\0'));
}

void tst_UpdateProcess::reportsThatAreNotFramesAreIgnored_data()
{
    QTest::addColumn<QByteArray>("report");
    QByteArray foreign = status(5);
    foreign[0] = char(0x23);
    QTest::newRow("empty, as after a failed read") << QByteArray();
    QTest::newRow("63 bytes") << status(5).left(63);
    QTest::newRow("foreign head") << foreign;
    QTest::newRow("foreign head, bad crc") << QByteArray(64, 'z');
}

void tst_UpdateProcess::reportsThatAreNotFramesAreIgnored()
{
    QFETCH(QByteArray, report);
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy statusSpy(&protocol, &UpdateProcess::updateStatus);
    QSignalSpy info(&protocol, &UpdateProcess::lensInfoFlush);
    protocol.cmdReceive(report);
    QVERIFY(link.frames.isEmpty());
    QCOMPARE(statusSpy.size(), 0);
    QCOMPARE(info.size(), 0);
}

void tst_UpdateProcess::framesBeyondTheBufferAreDropped()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy info(&protocol, &UpdateProcess::lensInfoFlush);

    protocol.cmdReceive(lensFrame(0x10, QByteArray(56, 'B'), 18));
    protocol.cmdReceive(lensFrame(0x10, QByteArray("final")));
    QCOMPARE(info.size(), 1);
    QCOMPARE(info.first().first().value<LensInfo>().toBytes().left(5), QByteArray("final"));

    // Index 17 still fits; a final frame after it would end beyond 1024.
    protocol.cmdReceive(lensFrame(0x10, QByteArray(56, 'C'), 17));
    protocol.cmdReceive(lensFrame(0x10, QByteArray("x")));
    QCOMPARE(info.size(), 1);
}

void tst_UpdateProcess::unknownCommandsAreIgnored()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy statusSpy(&protocol, &UpdateProcess::updateStatus);
    QSignalSpy info(&protocol, &UpdateProcess::lensInfoFlush);
    protocol.cmdReceive(lensFrame(0x1F, QByteArray(1, 'x')));
    protocol.cmdReceive(lensFrame(0x77, QByteArray(1, char(5))));
    QVERIFY(link.frames.isEmpty());
    QCOMPARE(statusSpy.size() + info.size(), 0);
}

void tst_UpdateProcess::transferOf112Bytes()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);
    const QByteArray image = pattern(112);

    protocol.startFirmwareUpdate(image);
    QList<QByteArray> frames = link.take();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(commandOf(frames[0]), UpdateProcess::CMD_UPDATE_START);
    QCOMPARE(indexOf(frames[0]), quint16(0xFFFF));
    QCOMPARE(dataOf(frames[0]), QByteArray(56, '\0'));

    protocol.cmdReceive(status(0));
    frames = link.take();
    QCOMPARE(frames.size(), 1);
    verifyWellFormed(frames[0]);
    QCOMPARE(commandOf(frames[0]), UpdateProcess::CMD_UPDATE_DATA);
    QCOMPARE(indexOf(frames[0]), quint16(0));
    QCOMPARE(dataOf(frames[0]), image.left(56));
    QCOMPARE(progress.size(), 0);

    protocol.cmdReceive(ack());
    frames = link.take();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(commandOf(frames[0]), UpdateProcess::CMD_UPDATE_DATA);
    QCOMPARE(indexOf(frames[0]), quint16(0xFFFF));
    QCOMPARE(dataOf(frames[0]), image.mid(56));
    QCOMPARE(commandOf(frames[1]), UpdateProcess::CMD_UPDATE_END);
    QCOMPARE(indexOf(frames[1]), quint16(0xFFFF));
    QCOMPARE(dataOf(frames[1]), QByteArray(56, '\0'));
    QCOMPARE(progress.size(), 1);
    QCOMPARE(progress.first().first().toFloat(), 100.0f);
}

void tst_UpdateProcess::transferOf113Bytes()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);
    const QByteArray image = pattern(113);

    protocol.startFirmwareUpdate(image);
    protocol.cmdReceive(status(0));
    protocol.cmdReceive(ack());
    protocol.cmdReceive(ack());
    const QList<QByteArray> frames = link.take();
    QCOMPARE(frames.size(), 5);
    QCOMPARE(indexOf(frames[1]), quint16(0));
    QCOMPARE(indexOf(frames[2]), quint16(1));
    QCOMPARE(dataOf(frames[2]), image.mid(56, 56));
    QCOMPARE(indexOf(frames[3]), quint16(0xFFFF));
    QCOMPARE(dataOf(frames[3]), padded(image.mid(112)));
    QCOMPARE(commandOf(frames[4]), UpdateProcess::CMD_UPDATE_END);
    QCOMPARE(progress.size(), 2);
    QCOMPARE(progress.at(0).first().toFloat(), 50.0f);
    QCOMPARE(progress.at(1).first().toFloat(), 100.0f);
}

void tst_UpdateProcess::progressInQuarters()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);

    protocol.startFirmwareUpdate(pattern(250)); // five packets, the last is 4
    protocol.cmdReceive(status(0));
    for (int i = 0; i < 4; ++i)
        protocol.cmdReceive(ack());

    QList<float> values;
    for (const QList<QVariant> &arguments : progress)
        values << arguments.first().toFloat();
    QCOMPARE(values, (QList<float> { 25.0f, 50.0f, 75.0f, 100.0f }));
}

void tst_UpdateProcess::readyMidTransferStartsAgain()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);
    const QByteArray image = pattern(250);

    protocol.startFirmwareUpdate(image);
    protocol.cmdReceive(status(0));
    protocol.cmdReceive(ack());
    protocol.cmdReceive(ack());
    link.take();

    protocol.cmdReceive(status(0));
    QList<QByteArray> frames = link.take();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(indexOf(frames[0]), quint16(0));
    QCOMPARE(dataOf(frames[0]), image.left(56));

    protocol.cmdReceive(ack());
    frames = link.take();
    QCOMPARE(indexOf(frames[0]), quint16(1));
    QCOMPARE(progress.last().first().toFloat(), 25.0f);
}

void tst_UpdateProcess::extraAcknowledgementAfterTheFinalPacket()
{
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);
    const QByteArray image = pattern(112);

    protocol.startFirmwareUpdate(image);
    protocol.cmdReceive(status(0));
    protocol.cmdReceive(ack());
    link.take();

    protocol.cmdReceive(ack());
    const QList<QByteArray> frames = link.take();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(commandOf(frames[0]), UpdateProcess::CMD_UPDATE_DATA);
    QCOMPARE(indexOf(frames[0]), quint16(0));
    QCOMPARE(dataOf(frames[0]), image.left(56));
    QCOMPARE(progress.last().first().toFloat(), 0.0f);
}

void tst_UpdateProcess::statusCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("signalled");
    QTest::newRow("0 ready") << 0 << false;
    for (int code = 1; code <= 6; ++code)
        QTest::addRow("%d", code) << code << true;
    QTest::newRow("7") << 7 << false;
    QTest::newRow("8") << 8 << false;
    QTest::newRow("255") << 255 << false;
}

void tst_UpdateProcess::statusCodes()
{
    QFETCH(int, code);
    QFETCH(bool, signalled);

    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy statusSpy(&protocol, &UpdateProcess::updateStatus);
    protocol.startFirmwareUpdate(pattern(200));
    link.take();

    protocol.cmdReceive(status(quint8(code)));
    QCOMPARE(statusSpy.size(), signalled ? 1 : 0);
    if (signalled)
        QCOMPARE(int(statusSpy.first().first().value<uint8_t>()), code);
    // Only STATUS_READY sends anything.
    QCOMPARE(link.frames.size(), code == 0 ? 1 : 0);
}

void tst_UpdateProcess::imagesOutsideTheLimits_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("1 byte") << 1 << false;
    QTest::newRow("56 bytes, one packet") << 56 << false;
    QTest::newRow("57 bytes") << 57 << true;
    QTest::newRow("65535 packets") << UpdateProcess::MAX_IMAGE_SIZE << true;
    QTest::newRow("one byte too many") << UpdateProcess::MAX_IMAGE_SIZE + 1 << false;
}

void tst_UpdateProcess::imagesOutsideTheLimits()
{
    QFETCH(int, size);
    QFETCH(bool, accepted);

    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy statusSpy(&protocol, &UpdateProcess::updateStatus);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);

    // A good transfer first, so a rejected image cannot fall back to it.
    protocol.startFirmwareUpdate(pattern(300));
    protocol.cmdReceive(status(0));
    protocol.cmdReceive(ack());
    link.take();
    progress.clear();

    protocol.startFirmwareUpdate(QByteArray(size, 'f'));
    if (accepted) {
        QCOMPARE(link.frames.size(), 1);
        QCOMPARE(commandOf(link.frames.first()), UpdateProcess::CMD_UPDATE_START);
        QCOMPARE(statusSpy.size(), 0);
        return;
    }
    QVERIFY(link.frames.isEmpty());
    QCOMPARE(statusSpy.size(), 1);
    QCOMPARE(statusSpy.first().first().value<uint8_t>(), UpdateProcess::STATUS_FAILURE);

    // Late answers of the lens send nothing either.
    protocol.cmdReceive(status(0));
    protocol.cmdReceive(ack());
    QVERIFY(link.frames.isEmpty());
    QCOMPARE(progress.size(), 0);
}

void tst_UpdateProcess::largestImageUsesEveryPacketNumber()
{
    RecordingLink link;
    link.keepFrames = false;
    UpdateProcess protocol(&link);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);
    const QByteArray image = pattern(UpdateProcess::MAX_IMAGE_SIZE);

    protocol.startFirmwareUpdate(image);
    protocol.cmdReceive(status(0));
    const QByteArray acknowledgement = ack();
    for (int packet = 1; packet < 65534; ++packet) {
        protocol.cmdReceive(acknowledgement);
        if (indexOf(link.last) != packet)
            QFAIL(qPrintable(QStringLiteral("packet %1 went out as %2").arg(packet).arg(indexOf(link.last))));
    }
    QCOMPARE(dataOf(link.last), image.mid(65533 * 56, 56));

    link.keepFrames = true;
    protocol.cmdReceive(acknowledgement);
    QCOMPARE(link.frames.size(), 2);
    QCOMPARE(indexOf(link.frames[0]), quint16(0xFFFF));
    QCOMPARE(dataOf(link.frames[0]), image.mid(65534 * 56));
    QCOMPARE(commandOf(link.frames[1]), UpdateProcess::CMD_UPDATE_END);
    QCOMPARE(link.writes, 1 + 65535 + 1);
    QCOMPARE(progress.last().first().toFloat(), 100.0f);
}

void tst_UpdateProcess::strayFramesOutsideATransfer_data()
{
    // How the last transfer ended before the lens spoke out of turn.
    QTest::addColumn<QString>("before");
    QTest::newRow("never started") << "none";
    QTest::newRow("after success") << "success";
    QTest::newRow("after failure") << "failure";
    QTest::newRow("aborted while sending") << "abort";
    QTest::newRow("aborted while the lens writes") << "abort at end";
}

void tst_UpdateProcess::strayFramesOutsideATransfer()
{
    QFETCH(QString, before);
    RecordingLink link;
    UpdateProcess protocol(&link);
    QSignalSpy progress(&protocol, &UpdateProcess::updateProcess);
    QSignalSpy statusSpy(&protocol, &UpdateProcess::updateStatus);

    if (before != QLatin1String("none")) {
        protocol.startFirmwareUpdate(pattern(200));
        protocol.cmdReceive(status(0));
        QCOMPARE(protocol.transferPhase(), UpdateProcess::TransferPhase::SendingPackets);
        if (before == QLatin1String("abort")) {
            protocol.abort();
        } else {
            for (int i = 0; i < 3; ++i)
                protocol.cmdReceive(ack());
            QCOMPARE(protocol.transferPhase(), UpdateProcess::TransferPhase::Finishing);
            if (before == QLatin1String("abort at end"))
                protocol.abort();
            else
                protocol.cmdReceive(status(before == QLatin1String("success") ? 5 : 6));
        }
    }
    QVERIFY(!protocol.transferRunning());
    link.take();
    progress.clear();
    statusSpy.clear();

    // The next lens's ready, acknowledgements and statuses pull nothing.
    protocol.cmdReceive(status(0));
    protocol.cmdReceive(ack());
    protocol.cmdReceive(ack());
    protocol.cmdReceive(status(5));
    protocol.cmdReceive(status(6));
    QVERIFY(link.frames.isEmpty());
    QCOMPARE(progress.size(), 0);
    QCOMPARE(statusSpy.size(), 0);

    // A new update sends the new image only.
    const QByteArray next = pattern(120).replace('\x01', '\x7f');
    protocol.startFirmwareUpdate(next);
    protocol.cmdReceive(status(0));
    const QList<QByteArray> frames = link.take();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(dataOf(frames[1]), next.left(56));
}

void tst_UpdateProcess::failedWritesStillAdvance()
{
    RecordingLink link;
    link.result = -1;
    UpdateProcess protocol(&link);
    protocol.startFirmwareUpdate(pattern(250));
    protocol.cmdReceive(status(0));
    protocol.cmdReceive(ack());
    protocol.cmdReceive(ack());
    QCOMPARE(indexOf(link.frames.last()), quint16(2));
}

QTEST_APPLESS_MAIN(tst_UpdateProcess)
#include "tst_updateprocess.moc"
