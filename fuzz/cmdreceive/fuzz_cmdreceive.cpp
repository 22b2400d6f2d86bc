// Sequences of reports from the lens into UpdateProcess::cmdReceive, with
// and without an update under way.
//
// Input: a setup byte, two bytes of image size, then records
//   [flags] [64 bytes]                 a full report
//   [flags] [n] [n % 65 bytes]         flags & 0x04: a report of another length
// flags & 0x01  the harness seals the report as a frame (head 0x24, CRC of
//               bytes 0-59), so that it gets past the CRC check;
// flags & 0x02  startFirmwareUpdate(image) before this report.
// setup & 0x01  an update is started before the first report;
// setup & 0x02  the image is one of the three sizes around the largest one.
//
// Whatever arrives, everything written to the lens must be a sealed 64-byte
// frame, image packets must carry the image's own bytes at the place their
// index names (and only while an image is set), progress stays within
// 0..100 and only the status codes 1-6 are passed on.
#include "fuzz/common/fuzzsupport.h"

#include "hid/deviceinterface.h"
#include "protocol/stm32crc.h"
#include "protocol/updateprocess.h"

#include <QByteArray>
#include <QList>
#include <QtEndian>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

class RecordingLink : public DeviceInterface
{
public:
    int writeData(const QByteArray &frame) override
    {
        frames.append(frame);
        return UpdateProcess::FRAME_SIZE + 1;
    }
    int readData(QByteArray &) override { return 0; }

    QList<QByteArray> frames;
};

// Any prefix of one fixed pattern, without copying (the largest image is
// 3.6 MB).
QByteArray imageOfSize(int size)
{
    static const QByteArray pattern = [] {
        QByteArray bytes(UpdateProcess::MAX_IMAGE_SIZE + 1, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 131 + 17) % 251 + 1);
        return bytes;
    }();
    return QByteArray::fromRawData(pattern.constData(), size);
}

quint32 frameCrc(const QByteArray &frame)
{
    return Stm32Crc().calculate(frame, 60);
}

void seal(QByteArray &frame)
{
    frame[0] = char(UpdateProcess::FRAME_HEAD);
    const quint32 crc = frameCrc(frame);
    qToLittleEndian<quint32>(crc, frame.data() + 60);
}

// The image of the current update: empty while none is set.
QByteArray g_image;

void checkFrames(RecordingLink &link)
{
    for (const QByteArray &frame : qAsConst(link.frames)) {
        FUZZ_CHECK(frame.size() == UpdateProcess::FRAME_SIZE, "a frame to the lens is not 64 bytes");
        FUZZ_CHECK(uchar(frame.at(0)) == UpdateProcess::FRAME_HEAD, "a frame to the lens lacks its head");
        const auto *bytes = reinterpret_cast<const uchar *>(frame.constData());
        FUZZ_CHECK(
            qFromLittleEndian<quint32>(bytes + 60) == frameCrc(frame), "a frame to the lens has a bad CRC");
        if (bytes[3] != UpdateProcess::CMD_UPDATE_DATA)
            continue;

        FUZZ_CHECK(!g_image.isEmpty(), "an image packet went out without an image");
        const int packets
            = (g_image.size() + UpdateProcess::FRAME_DATA_SIZE - 1) / UpdateProcess::FRAME_DATA_SIZE;
        const quint16 index = qFromLittleEndian<quint16>(bytes + 1);
        const int packet = index == UpdateProcess::FRAME_LAST ? packets - 1 : int(index);
        FUZZ_CHECK(packet < packets, "an image packet lies beyond the image");
        QByteArray expected
            = g_image.mid(packet * UpdateProcess::FRAME_DATA_SIZE, UpdateProcess::FRAME_DATA_SIZE);
        expected.append(QByteArray(UpdateProcess::FRAME_DATA_SIZE - expected.size(), '\0'));
        FUZZ_CHECK(std::memcmp(bytes + 4, expected.constData(), size_t(UpdateProcess::FRAME_DATA_SIZE)) == 0,
            "an image packet carries other bytes than the image holds at its place");
    }
    link.frames.clear();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzsupport::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t setup = data[0];
    const int sizeBits = int(data[1]) << 8 | data[2];
    const int imageSize = (setup & 0x02) ? UpdateProcess::MAX_IMAGE_SIZE - 1 + sizeBits % 3 : sizeBits % 5000;
    const QByteArray image = imageOfSize(imageSize);
    const bool transferable
        = imageSize >= UpdateProcess::MIN_IMAGE_SIZE && imageSize <= UpdateProcess::MAX_IMAGE_SIZE;
    data += 3;
    size -= 3;

    RecordingLink link;
    UpdateProcess protocol(&link);
    g_image.clear();
    QObject::connect(&protocol, &UpdateProcess::updateProcess, [](float percent) {
        FUZZ_CHECK(std::isfinite(percent) && percent >= 0.0f && percent <= 100.0f, "progress outside 0..100");
    });
    QObject::connect(&protocol, &UpdateProcess::updateStatus,
        [](uint8_t status) { FUZZ_CHECK(status >= 1 && status <= 6, "a status other than 1-6 passed on"); });

    auto start = [&] {
        g_image = transferable ? image : QByteArray();
        protocol.startFirmwareUpdate(image);
        checkFrames(link);
    };
    if (setup & 0x01)
        start();

    while (size > 0) {
        const uint8_t flags = data[0];
        ++data;
        --size;
        int length = UpdateProcess::FRAME_SIZE;
        if (flags & 0x04) {
            if (size == 0)
                break;
            length = data[0] % (UpdateProcess::FRAME_SIZE + 1);
            ++data;
            --size;
        }
        length = int(qMin<size_t>(size_t(length), size));
        QByteArray report(reinterpret_cast<const char *>(data), length);
        data += length;
        size -= size_t(length);

        if (flags & 0x02)
            start();
        if ((flags & 0x01) && report.size() == UpdateProcess::FRAME_SIZE)
            seal(report);
        protocol.cmdReceive(report);
        checkFrames(link);
    }
    g_image.clear();
    return 0;
}
