#pragma once

#include "loadinganimbase.h"

// Eight concentric rings lighting up from the centre outwards.
class RippleWave : public LoadingAnimBase
{
    Q_OBJECT

public:
    explicit RippleWave(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
