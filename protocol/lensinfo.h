#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <cstddef>

// What the lens says about itself in its CMD_LENS_INFO reply: fifteen
// fixed-width fields of zero-terminated UTF-8 text, 304 bytes in all. Only
// model name, model code, serial number and firmware version are used; the
// other fields are carried as they came.
struct LensInfo
{
    char text0[16];
    char text16[32];
    char modelName[32];
    char modelCode[16];
    char serialNumber[16];
    char text112[16];
    char text128[16];
    char text144[16];
    char text160[16];
    char text176[16];
    char text192[16];
    char text208[16];
    char text224[48];
    char firmwareVersion[16];
    char text288[16];

    static constexpr int Size = 304;

    LensInfo();

    // The first 304 bytes of a reassembled reply; missing bytes count as zero.
    static LensInfo fromBytes(const QByteArray &bytes);
    QByteArray toBytes() const;

    // Text of a field up to its first zero byte (or its end), trimmed.
    template <std::size_t N> static QString text(const char (&field)[N]) { return fieldText(field, int(N)); }

    // Stores `value` as UTF-8, cut so that a terminating zero always fits.
    template <std::size_t N> static void setText(char (&field)[N], const QString &value)
    {
        setFieldText(field, int(N), value);
    }

    static QString fieldText(const char *field, int width);
    static void setFieldText(char *field, int width, const QString &value);

    bool operator==(const LensInfo &other) const;
    bool operator!=(const LensInfo &other) const { return !(*this == other); }
};

static_assert(sizeof(LensInfo) == LensInfo::Size, "LensInfo must match the lens's 304-byte record");

Q_DECLARE_METATYPE(LensInfo)
