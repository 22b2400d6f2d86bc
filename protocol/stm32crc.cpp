#include "stm32crc.h"

#include <array>

namespace {

constexpr quint32 kPolynomial = 0x04C11DB7u;

constexpr std::array<quint32, 256> makeTable()
{
    std::array<quint32, 256> table {};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 reg = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 0x80000000u) ? (reg << 1) ^ kPolynomial : (reg << 1);
        table[i] = reg;
    }
    return table;
}

constexpr std::array<quint32, 256> kTable = makeTable();
static_assert(kTable[1] == 0x04C11DB7u, "CRC table");
static_assert(kTable[255] == 0xB1F740B4u, "CRC table");

} // namespace

Stm32Crc::Stm32Crc(QObject *parent)
    : QObject(parent)
    , polynomial(kPolynomial)
    , initialValue(0xFFFFFFFFu)
{
}

quint32 Stm32Crc::calculate(const QByteArray &data) const
{
    return calculate(data, data.size());
}

quint32 Stm32Crc::calculate(const QByteArray &data, int length) const
{
    if (length > data.size())
        length = data.size();
    const int words = length > 0 ? length & ~3 : 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());

    quint32 crc = initialValue;
    for (int k = 0; k < words; k += 4) {
        // The little-endian word enters from its most significant byte down.
        for (int b = 3; b >= 0; --b)
            crc = (crc << 8) ^ kTable[((crc >> 24) ^ bytes[k + b]) & 0xFFu];
    }
    return crc;
}
