#include "warningwidget.h"
#include "ui_warningwidget.h"

#include "highdpipixmap.h"

#include <QPalette>

WarningWidget::WarningWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::WarningWidget)
{
    ui->setupUi(this);
    ui->label_image->setPixmap(HighDpiPixmap::load(QStringLiteral(":/res/warning-y.png")));

    QPalette pal = palette();
    pal.setBrush(QPalette::Window, QBrush(QColor("#1F2121")));
    setPalette(pal);
    setAutoFillBackground(true);

    setStyleSheet("color:#FFFFFF;");
    ui->button_reconnect->setStyleSheet(
        "QPushButton {border:1px solid #1F2121; border-radius:23px; color:#FFFFFF;background-color:#626262;}"
        "QPushButton:hover {border:1px solid #000000; color:#FFFFFF; background-color:#000000;}"
        "QPushButton:pressed, QPushButton:checked {border:1px solid #000000; color:#FFFFFF; "
        "background-color:#000000;}");
    ui->textB_reason->setStyleSheet("QTextBrowser{border:none;background:transparent;}");
}

WarningWidget::~WarningWidget()
{
    delete ui;
}

void WarningWidget::showNoDevice()
{
    ui->label_hint->setText(tr("未查询到任何设备"));
}

void WarningWidget::showMultipleDevices()
{
    ui->label_hint->setText(tr("检测到有多个设备\n请移除其他设备"));
}

void WarningWidget::on_button_reconnect_clicked()
{
    emit button_reconnect_clicked();
}
