#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The two files of a lens volume, handled so that no file call waits on
// what a hostile or broken volume puts under their names: symlinks are
// never followed, FIFOs and devices never opened for real, and a name that
// leads off the volume (a mount stacked onto it) is not the lens's file.
namespace UdiskFiles {

enum class InfoStatus {
    Missing, // no DeviceInformation.txt (or the volume cannot be looked at)
    NotAFile, // something else than a regular file of this volume
    Unreadable, // a regular file that cannot be read, or a larger one than a lens writes
    Read,
};

struct InfoFile
{
    InfoStatus status = InfoStatus::Missing;
    QByteArray contents;
};

QString filePath(const QString &root, const char *name);

// DeviceInformation.txt of the volume at root, read whole when it is a
// regular file of at most maxBytes.
InfoFile readInfoFile(const QString &root, int maxBytes);
// Whether root still holds DeviceInformation.txt as a regular file.
bool hasInfoFile(const QString &root);

// Writes firmware as Fw.dat into root, in full and synced, replacing a
// regular Fw.dat of that volume and nothing else. keepGoing is asked
// between pieces; false stops the write. On failure no Fw.dat of ours is
// left and *error says why.
bool writeFirmware(
    const QString &root, const QByteArray &firmware, const std::function<bool()> &keepGoing, QString *error);

} // namespace UdiskFiles
