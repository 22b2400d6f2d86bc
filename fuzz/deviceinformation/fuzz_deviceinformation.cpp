// DeviceInformation.txt as a lens volume might hold it, through the real
// detection pass of UdiskDevice: the input is written as the file into a
// folder that the volume lister hands out as the only mounted volume, and
// one detection pass reads it.
//
// The pass must find the volume, and what it keeps must be trimmed text of
// bounded length; the model code is empty or a catalogue code.
#include "fuzz/common/fuzzsupport.h"

#include "catalogue/lenscatalogue.h"
#include "udisk/udiskdevice.h"

#include <QFile>
#include <QMetaObject>
#include <QSet>
#include <QTemporaryDir>

#include <cstdint>

namespace {

QTemporaryDir *g_volume = nullptr;
QSet<QString> g_codes;

bool isTrimmed(const QString &text)
{
    return text == text.trimmed();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzsupport::startApplication(argc, argv);
    g_volume = new QTemporaryDir;
    if (!g_volume->isValid()) {
        std::fprintf(stderr, "no temporary folder for the volume\n");
        std::abort();
    }
    for (const LensModel &model : LensCatalogue::models())
        g_codes.insert(model.modelCode);
    std::atexit([] { delete g_volume; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString root = g_volume->path();
    {
        QFile file(root + QStringLiteral("/DeviceInformation.txt"));
        FUZZ_CHECK(
            file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the information file");
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
            "cannot write the information file");
    }

    // The folder is handed out as a FAT volume, as a lens's would be.
    UdiskDevice device([root] {
        return QList<UdiskDevice::Volume> { { QStringLiteral("/nonexistent-volume"), QStringLiteral("vfat") },
            { root, QStringLiteral("vfat") } };
    });
    int found = -1;
    QObject::connect(
        &device, &UdiskDevice::isUdiskModeConnecte, [&found](bool connected) { found = connected; });
    FUZZ_CHECK(QMetaObject::invokeMethod(&device, "timerUdiskModeDetect", Qt::DirectConnection),
        "the detection pass cannot be called");
    FUZZ_CHECK(found == 1, "a volume with an information file was not found");
    FUZZ_CHECK(device.volumeRoot() == root, "the lens volume is not the one found");

    const QString name = device.modelName();
    const QString version = device.firmwareVersion();
    FUZZ_CHECK(isTrimmed(name) && isTrimmed(version), "the information is not trimmed");
    FUZZ_CHECK(
        name.size() <= 4096 && version.size() <= 4096, "an information line is longer than a line may be");
    const QString code = device.modelCode();
    FUZZ_CHECK(code.isEmpty() || g_codes.contains(code), "a model code that is not in the catalogue");
    return 0;
}
