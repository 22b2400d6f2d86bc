#pragma once

#include "loadinganimbase.h"

// Five green dots chasing each other once around a circle per cycle.
class SpotFoldCircle : public LoadingAnimBase
{
    Q_OBJECT

public:
    explicit SpotFoldCircle(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
