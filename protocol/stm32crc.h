#pragma once

#include <QByteArray>
#include <QObject>

// The CRC the lens's STM32 computes in hardware: CRC-32, polynomial
// 0x04C11DB7, fed 32-bit little-endian words MSB first, no reflection, no
// final inversion. Trailing bytes that do not fill a word are not covered.
class Stm32Crc : public QObject
{
    Q_OBJECT

public:
    explicit Stm32Crc(QObject *parent = nullptr);

    quint32 calculate(const QByteArray &data) const;
    // CRC of the first `length` bytes (clamped to the array).
    quint32 calculate(const QByteArray &data, int length) const;

private:
    quint32 polynomial;
    quint32 initialValue;
};
