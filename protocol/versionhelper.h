#pragma once

#include <QObject>
#include <QString>

// Tells whether the offered firmware and the installed one are the same
// version, different ones, or whether the offer is a test build of the very
// release already installed. It does not order versions.
class VersionHelper : public QObject
{
    Q_OBJECT

public:
    explicit VersionHelper(QObject *parent = nullptr);

    // 0 same, 1 different, -1 `latest` is a BETA of exactly `installed`,
    // -2 not comparable (empty, or not a number once dots and V are gone).
    int compareVersion(QString latest, QString installed);

    // 1 different, 0 equal, -2 either is not a decimal number (dots ignored).
    static int compareNumeric(QString a, QString b);
};
