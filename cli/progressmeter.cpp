#include "progressmeter.h"

#include <QCoreApplication>

#include <cmath>

ProgressMeter::ProgressMeter(qint64 totalBytes)
    : m_total(totalBytes)
{
}

QString ProgressMeter::text(double percent, qint64 elapsedMs) const
{
    const double clamped = qBound(0.0, percent, 100.0);
    const qint64 done = qint64(std::floor(double(m_total) * clamped / 100.0));
    QString line = QStringLiteral("%1 %").arg(clamped, 5, 'f', 1);
    line += QStringLiteral("  %1 / %2").arg(bytes(done), bytes(m_total));
    // Under half a second the rate says nothing yet.
    if (elapsedMs >= 500 && done > 0) {
        const double perSecond = double(done) * 1000.0 / double(elapsedMs);
        line += QStringLiteral("  %1/s").arg(bytes(qint64(perSecond)));
        const qint64 left = qint64(std::ceil(double(m_total - done) / perSecond));
        line += QStringLiteral("  ")
            + QCoreApplication::translate("ProgressMeter", "剩余 %1").arg(duration(left));
    }
    return line;
}

QString ProgressMeter::bar(double percent, int width)
{
    const int filled = qBound(0, int(std::floor(qBound(0.0, percent, 100.0) * width / 100.0)), width);
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('-'))
        + QLatin1Char(']');
}

QString ProgressMeter::bytes(qint64 count)
{
    if (count < 1024)
        return QStringLiteral("%1 B").arg(count);
    if (count < 1024 * 1024)
        return QStringLiteral("%1 KiB").arg(double(count) / 1024.0, 0, 'f', 1);
    return QStringLiteral("%1 MiB").arg(double(count) / (1024.0 * 1024.0), 0, 'f', 1);
}

QString ProgressMeter::duration(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
