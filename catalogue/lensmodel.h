#pragma once

#include <QString>

// One row of the lens catalogue.
struct LensModel
{
    QString modelName;
    QString firmwareFilePattern;
    QString calibrationFilePattern;
    QString firmwareFilePrefix;
    QString modelCode;
};
