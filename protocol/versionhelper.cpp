#include "versionhelper.h"

#include <QStringList>

namespace {

const QString kBeta = QStringLiteral("BETA");

QString releasePart(QString version)
{
    return version.replace(kBeta, QStringLiteral(",")).split(QLatin1Char(',')).first();
}

} // namespace

VersionHelper::VersionHelper(QObject *parent)
    : QObject(parent)
{
}

int VersionHelper::compareNumeric(QString a, QString b)
{
    a.remove(QLatin1Char('.'));
    b.remove(QLatin1Char('.'));
    bool okA = false;
    bool okB = false;
    const int numberA = a.toInt(&okA, 10);
    const int numberB = b.toInt(&okB, 10);
    if (!okA || !okB)
        return -2;
    return numberA != numberB ? 1 : 0;
}

int VersionHelper::compareVersion(QString latest, QString installed)
{
    if (latest.isEmpty() || installed.isEmpty())
        return -2;

    latest = latest.toUpper().remove(QLatin1Char('V'));
    installed = installed.toUpper().remove(QLatin1Char('V'));

    const bool latestBeta = latest.contains(kBeta);
    const bool installedBeta = installed.contains(kBeta);

    if (!latestBeta && !installedBeta)
        return compareNumeric(latest, installed);

    if (latestBeta && installedBeta) {
        latest.replace(kBeta, QStringLiteral("."));
        installed.replace(kBeta, QStringLiteral("."));
        return compareNumeric(latest, installed);
    }

    if (latestBeta) {
        const int result = compareNumeric(releasePart(latest), installed);
        return result == 0 ? -1 : result;
    }

    const int result = compareNumeric(latest, releasePart(installed));
    return result == 0 ? 1 : result;
}
