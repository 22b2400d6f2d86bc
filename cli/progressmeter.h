#pragma once

#include <QString>
#include <QtGlobal>

// The numbers of a transfer line: percentage, bytes, rate and time left.
// Pure: the caller hands in the clock.
class ProgressMeter
{
public:
    explicit ProgressMeter(qint64 totalBytes = 0);

    void setTotal(qint64 totalBytes) { m_total = totalBytes; }
    qint64 total() const { return m_total; }

    // "  37.5 %  12.3 KiB / 32.8 KiB  4.1 KiB/s  0:05 left"; the rate and
    // time left appear once a little time has passed.
    QString text(double percent, qint64 elapsedMs) const;
    // A bar of `width` cells for the percentage: "[#####-----]".
    static QString bar(double percent, int width);

    static QString bytes(qint64 count);
    static QString duration(qint64 seconds);

private:
    qint64 m_total;
};
