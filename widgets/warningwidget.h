#pragma once

#include <QWidget>

namespace Ui {
class WarningWidget;
}

// The page laid over the window when no lens (or more than one) is found:
// icon, headline, possible causes and a reconnect button.
class WarningWidget : public QWidget
{
    Q_OBJECT

public:
    explicit WarningWidget(QWidget *parent);
    ~WarningWidget() override;

    void showNoDevice();
    void showMultipleDevices();

signals:
    void button_reconnect_clicked();

private slots:
    void on_button_reconnect_clicked();

private:
    Ui::WarningWidget *ui;
};
