// Two version texts into VersionHelper::compareVersion: the server's latest
// version (lower-cased, as the client hands it over) and the lens's own.
//
// Input: the two texts separated by the first zero byte, as UTF-8 (setup
// bit 0x01 of the first byte: as Latin-1, so that every byte is a letter).
//
// The result is one of 1, 0, -1, -2; "same" and "not comparable" do not
// depend on the order; a text compared with itself is the same or not
// comparable; when the offer is a test build of the installed release, the
// release offered over that test build counts as different.
#include "fuzz/common/fuzzsupport.h"

#include "protocol/versionhelper.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {

QString decode(const QByteArray &bytes, bool latin1)
{
    return latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzsupport::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool latin1 = data[0] & 0x01;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const int zero = input.indexOf('\0');
    const QString latest = decode(zero < 0 ? input : input.left(zero), latin1).toLower();
    const QString installed = decode(zero < 0 ? QByteArray() : input.mid(zero + 1), latin1);

    VersionHelper helper;
    const QString latestCopy = latest;
    const QString installedCopy = installed;
    const int forward = helper.compareVersion(latest, installed);
    const int backward = helper.compareVersion(installed, latest);
    FUZZ_CHECK(
        latest == latestCopy && installed == installedCopy, "compareVersion changed the caller's texts");
    FUZZ_CHECK(forward >= -2 && forward <= 1, "compareVersion outside 1, 0, -1, -2");
    FUZZ_CHECK((forward == 0) == (backward == 0), "'same' depends on the order");
    FUZZ_CHECK((forward == -2) == (backward == -2), "'not comparable' depends on the order");
    FUZZ_CHECK(forward != -1 || backward == 1, "the release is not 'different' from its own test build");

    const int self = helper.compareVersion(installed, installed);
    FUZZ_CHECK(self == 0 || self == -2, "a version differs from itself");

    const int numeric = VersionHelper::compareNumeric(latest, installed);
    FUZZ_CHECK(numeric == 0 || numeric == 1 || numeric == -2, "compareNumeric outside 1, 0, -2");
    return 0;
}
