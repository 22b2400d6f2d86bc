#include "udiskfiles.h"

#include "udisklog.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#ifdef Q_OS_WIN
#include <io.h>
#endif
#endif

namespace UdiskFiles {

namespace {

    const char kInfoFileName[] = "DeviceInformation.txt";
    const char kFirmwareFileName[] = "Fw.dat";
    // Small pieces, so that a stop request is seen quickly even on a slow volume.
    const int kWritePiece = 64 * 1024;

#ifdef Q_OS_UNIX

    QString errnoText(int error)
    {
        return QString::fromLocal8Bit(std::strerror(error));
    }

    bool statRoot(const QString &root, struct stat *st)
    {
        return ::stat(QFile::encodeName(root).constData(), st) == 0 && S_ISDIR(st->st_mode);
    }

    // A regular file on the volume itself, not one of another file system
    // mounted over the name.
    bool isVolumeFile(const struct stat &st, const struct stat &rootSt)
    {
        return S_ISREG(st.st_mode) && st.st_dev == rootSt.st_dev;
    }

    // Takes away the file this call created, unless the name has become
    // something else meanwhile.
    void removeOwnFile(const QByteArray &path, const struct stat &rootSt)
    {
        struct stat now;
        if (::lstat(path.constData(), &now) != 0)
            return;
        if (!isVolumeFile(now, rootSt)) {
            qCWarning(lcUdisk) << path << "changed while it was written; left alone";
            return;
        }
        if (::unlink(path.constData()) != 0)
            qCWarning(lcUdisk) << "cannot remove" << path << errnoText(errno);
    }

    int closeKeepingErrno(int fd)
    {
        const int saved = errno;
        const int result = ::close(fd);
        errno = saved;
        return result;
    }

#endif

} // namespace

QString filePath(const QString &root, const char *name)
{
    return root.endsWith(QLatin1Char('/')) ? root + QLatin1String(name)
                                           : root + QLatin1Char('/') + QLatin1String(name);
}

#ifdef Q_OS_UNIX

InfoFile readInfoFile(const QString &root, int maxBytes)
{
    InfoFile info;
    struct stat rootSt;
    if (!statRoot(root, &rootSt))
        return info;
    const QByteArray path = QFile::encodeName(filePath(root, kInfoFileName));
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return info;
    if (!isVolumeFile(st, rootSt)) {
        info.status = InfoStatus::NotAFile;
        return info;
    }
    info.status = InfoStatus::Unreadable;
    if (st.st_size > maxBytes)
        return info;

    // Non-blocking and no-follow: the name may have been swapped since.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENXIO)
            info.status = InfoStatus::NotAFile;
        return info;
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0) {
        ::close(fd);
        return info;
    }
    if (!isVolumeFile(opened, rootSt) || opened.st_ino != st.st_ino) {
        info.status = InfoStatus::NotAFile;
        ::close(fd);
        return info;
    }
    QByteArray contents(maxBytes + 1, Qt::Uninitialized);
    int got = 0;
    while (got < contents.size()) {
        const ssize_t n = ::read(fd, contents.data() + got, size_t(contents.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return info;
        }
        if (n == 0)
            break;
        got += int(n);
    }
    ::close(fd);
    if (got > maxBytes)
        return info; // grew since it was looked at
    contents.truncate(got);
    info.status = InfoStatus::Read;
    info.contents = contents;
    return info;
}

bool hasInfoFile(const QString &root)
{
    struct stat rootSt;
    struct stat st;
    return statRoot(root, &rootSt)
        && ::lstat(QFile::encodeName(filePath(root, kInfoFileName)).constData(), &st) == 0
        && isVolumeFile(st, rootSt);
}

bool writeFirmware(
    const QString &root, const QByteArray &firmware, const std::function<bool()> &keepGoing, QString *error)
{
    const QString name = filePath(root, kFirmwareFileName);
    const QByteArray path = QFile::encodeName(name);
    struct stat rootSt;
    if (!statRoot(root, &rootSt)) {
        *error = QStringLiteral("the volume is gone");
        return false;
    }

    // An earlier image goes first, so that the new one has its room; what
    // is not a regular file of this volume is left alone.
    struct stat st;
    if (::lstat(path.constData(), &st) == 0) {
        if (!isVolumeFile(st, rootSt)) {
            *error = name + QLatin1String(" is not a regular file of the volume");
            return false;
        }
        if (::unlink(path.constData()) != 0) {
            *error = QStringLiteral("cannot remove the old ") + name + QLatin1String(": ") + errnoText(errno);
            return false;
        }
    }

    // O_EXCL: a name that reappeared meanwhile, symlink or not, is not ours.
    const int fd = ::open(
        path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = QStringLiteral("cannot create ") + name + QLatin1String(": ") + errnoText(errno);
        return false;
    }
    struct stat created;
    if (::fstat(fd, &created) != 0 || !isVolumeFile(created, rootSt)) {
        ::close(fd);
        *error = name + QLatin1String(" is not a regular file of the volume");
        return false;
    }

    // From here on the file is ours; on failure it is emptied and removed,
    // while still open, so that no short image is ever left for the lens.
    const auto discard = [&](const QString &why) {
        *error = why;
        if (::ftruncate(fd, 0) != 0) {
            // Nothing more to do: the unlink below still takes the name away.
        }
        removeOwnFile(path, rootSt);
        ::close(fd);
        return false;
    };

    const char *data = firmware.constData();
    qint64 left = firmware.size();
    while (left > 0) {
        if (keepGoing && !keepGoing())
            return discard(QStringLiteral("stopped while writing ") + name);
        const ssize_t n = ::write(fd, data, size_t(qMin<qint64>(left, kWritePiece)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return discard(QStringLiteral("wrote %1 of %2 bytes to %3: %4")
                               .arg(firmware.size() - left)
                               .arg(firmware.size())
                               .arg(name, n < 0 ? errnoText(errno) : QStringLiteral("no room")));
        data += n;
        left -= n;
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        return discard(QStringLiteral("cannot sync ") + name + QLatin1String(": ") + errnoText(errno));
    struct stat written;
    if (::fstat(fd, &written) != 0 || written.st_size != firmware.size())
        return discard(name + QLatin1String(" does not hold the whole image"));
    if (closeKeepingErrno(fd) != 0) {
        *error = QStringLiteral("cannot complete ") + name + QLatin1String(": ") + errnoText(errno);
        removeOwnFile(path, rootSt);
        return false;
    }
    return true;
}

#else

// FAT has neither symlinks nor special files; what can be checked through
// the toolkit is checked.

InfoFile readInfoFile(const QString &root, int maxBytes)
{
    InfoFile info;
    const QFileInfo fi(filePath(root, kInfoFileName));
    if (!fi.exists() && !fi.isSymLink())
        return info;
    if (fi.isSymLink() || !fi.isFile()) {
        info.status = InfoStatus::NotAFile;
        return info;
    }
    info.status = InfoStatus::Unreadable;
    if (fi.size() > maxBytes)
        return info;
    QFile file(fi.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return info;
    const QByteArray contents = file.read(maxBytes + 1);
    if (contents.size() > maxBytes)
        return info;
    info.status = InfoStatus::Read;
    info.contents = contents;
    return info;
}

bool hasInfoFile(const QString &root)
{
    const QFileInfo fi(filePath(root, kInfoFileName));
    return fi.isFile() && !fi.isSymLink();
}

bool writeFirmware(
    const QString &root, const QByteArray &firmware, const std::function<bool()> &keepGoing, QString *error)
{
    const QString name = filePath(root, kFirmwareFileName);
    const QFileInfo old(name);
    if (old.exists() || old.isSymLink()) {
        if (old.isSymLink() || !old.isFile()) {
            *error = name + QLatin1String(" is not a regular file of the volume");
            return false;
        }
        if (!QFile::remove(name)) {
            *error = QStringLiteral("cannot remove the old ") + name;
            return false;
        }
    }
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        *error = QStringLiteral("cannot create ") + name + QLatin1String(": ") + file.errorString();
        return false;
    }
    const auto discard = [&](const QString &why) {
        *error = why;
        file.resize(0);
        file.close();
        QFile::remove(name);
        return false;
    };
    qint64 done = 0;
    while (done < firmware.size()) {
        if (keepGoing && !keepGoing())
            return discard(QStringLiteral("stopped while writing ") + name);
        const qint64 n
            = file.write(firmware.constData() + done, qMin<qint64>(firmware.size() - done, kWritePiece));
        if (n <= 0)
            return discard(QStringLiteral("wrote %1 of %2 bytes to %3: %4")
                               .arg(done)
                               .arg(firmware.size())
                               .arg(name, file.errorString()));
        done += n;
    }
#ifdef Q_OS_WIN
    if (_commit(file.handle()) != 0)
        return discard(QStringLiteral("cannot sync ") + name);
#endif
    if (file.size() != firmware.size())
        return discard(name + QLatin1String(" does not hold the whole image"));
    file.close();
    if (file.error() != QFileDevice::NoError || QFileInfo(name).size() != firmware.size()) {
        *error = QStringLiteral("cannot complete ") + name;
        QFile::remove(name);
        return false;
    }
    return true;
}

#endif

} // namespace UdiskFiles
