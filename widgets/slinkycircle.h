#pragma once

#include "loadinganimbase.h"

// A black arc that grows from 12 o'clock, travels round and shrinks away.
class SlinkyCircle : public LoadingAnimBase
{
    Q_OBJECT

public:
    explicit SlinkyCircle(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
