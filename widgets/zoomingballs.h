#pragma once

#include "loadinganimbase.h"

// A row of five dots that swell and fade in turn, left to right.
class ZoomingBalls : public LoadingAnimBase
{
    Q_OBJECT

public:
    explicit ZoomingBalls(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
