#include "lensinfo.h"

#include <cstring>

LensInfo::LensInfo()
{
    std::memset(static_cast<void *>(this), 0, sizeof(LensInfo));
}

LensInfo LensInfo::fromBytes(const QByteArray &bytes)
{
    LensInfo info;
    std::memcpy(static_cast<void *>(&info), bytes.constData(), size_t(qMin(bytes.size(), Size)));
    return info;
}

QByteArray LensInfo::toBytes() const
{
    return QByteArray(reinterpret_cast<const char *>(this), Size);
}

QString LensInfo::fieldText(const char *field, int width)
{
    const void *end = std::memchr(field, 0, size_t(width));
    const int length = end ? int(static_cast<const char *>(end) - field) : width;
    return QString::fromUtf8(field, length).trimmed();
}

void LensInfo::setFieldText(char *field, int width, const QString &value)
{
    std::memset(field, 0, size_t(width));
    QByteArray utf8 = value.toUtf8();
    int length = qMin(utf8.size(), width - 1);
    // Never split a multi-byte character.
    while (length > 0 && length < utf8.size() && (uchar(utf8.at(length)) & 0xC0) == 0x80)
        --length;
    std::memcpy(field, utf8.constData(), size_t(length));
}

bool LensInfo::operator==(const LensInfo &other) const
{
    return std::memcmp(this, &other, sizeof(LensInfo)) == 0;
}
