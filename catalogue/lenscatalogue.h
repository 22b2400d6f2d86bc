#pragma once

#include "lensmodel.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The fixed table of lens models the tool knows. Its one job at run time:
// a lens in U-disk mode names only its model, and the server files firmware
// under a model code.
class LensCatalogue
{
public:
    // All rows, in their significant order.
    static const QVector<LensModel> &models();

    // Code of the last row whose model name equals name exactly; empty when
    // none does.
    static QString modelCode(const QString &name);

    // The one model whose lens keeps its USB connection after an update.
    static QString noRestartModelCode();

    // The two nicknames under which the server files the model whose image
    // header carries its name in the short field: its code, and the code
    // behind a four-character prefix.
    static QStringList shortHeaderNicknames();
};
