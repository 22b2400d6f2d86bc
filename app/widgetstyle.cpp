#include "widgetstyle.h"
#include "ui_widget.h"

#include <QBrush>
#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QPixmap>

#include "widgets/highdpipixmap.h"

namespace {

void fillBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::Window, QBrush(colour, Qt::SolidPattern));
    widget->setAutoFillBackground(true);
    widget->setPalette(palette);
}

} // namespace

QLabel *WidgetStyle::apply(Ui::Widget *ui, QWidget *window)
{
    ui->label_logo->setScaledContents(true);
    ui->label_logo->setPixmap(QPixmap(QStringLiteral(":/res/logo.png")));

    auto *backgroundLabel = new QLabel(ui->page_link);
    backgroundLabel->lower();
    backgroundLabel->resize(960, 500);
    backgroundLabel->setScaledContents(true);
    backgroundLabel->setPixmap(HighDpiPixmap::load(QStringLiteral(":/res/main.png")));

    ui->label_welcom->setScaledContents(true);
    ui->label_welcom->setPixmap(QPixmap(QStringLiteral(":/res/logo@4x@2x.png")));

    const QString chromeButton = QStringLiteral("QPushButton{border:none;background:transparent;}");
    ui->button_help->setStyleSheet(chromeButton);
    ui->button_minimize->setStyleSheet(chromeButton);
    ui->button_close->setStyleSheet(chromeButton);

    ui->comboBox_language->setStyleSheet(
        QStringLiteral("QComboBox{border:none;background:transparent;combobox-popup:0}"
                       "QComboBox QAbstractItemView{border:none;background:transparent;}"
                       "QComboBox QAbstractItemView:item{border:none;background:#1F2121;}"));

    fillBackground(ui->headWidget, QColor(QStringLiteral("#000000")));
    fillBackground(ui->centerStackedWidget, QColor(QStringLiteral("#1F2121")));

    ui->button_link->setStyleSheet(QStringLiteral(
        "QPushButton {border:1px solid #1F7548; border-radius:23px; color:#F0F0F0;background-color:#1F7548;}"
        "QPushButton:hover {border:1px solid #1FEF80; color:#FFFFFF; background-color:#1FEF80;}"
        "QPushButton:pressed, QPushButton:checked {border:1px solid #1FEF80; color:#FFFFFF; "
        "background-color:#1FEF80;}"));

    window->setStyleSheet(QStringLiteral("color:#FFFFFF"));

    ui->textEdit_contect->setStyleSheet(QStringLiteral("QTextEdit {border:none;background:transparent;}"));

    ui->button_update->setStyleSheet(QStringLiteral(
        "QPushButton {border:1px solid #1F2121; border-radius:23px; color:#F4E913;background-color:#626262;}"
        "QPushButton:hover {border:1px solid #000000; color:#F4E913; background-color:#000000;}"
        "QPushButton:pressed, QPushButton:checked {border:1px solid #000000; color:#F4E913; "
        "background-color:#000000;}"));
    ui->button_update_F->setStyleSheet(QStringLiteral(
        "QPushButton {border:1px solid #1F2121; border-radius:23px; color:#1EE97C;background-color:#626262;}"
        "QPushButton:hover {border:1px solid #000000; color:#1EE97C; background-color:#000000;}"
        "QPushButton:pressed, QPushButton:checked {border:1px solid #000000; color:#1EE97C; "
        "background-color:#000000;}"));

    ui->label_model_img->setScaledContents(true);
    ui->label_model_img->setWordWrap(true);

    ui->label_gif->hide();
    ui->label_gif->setScaledContents(true);
    ui->label_nowVer->setMinimumSize(ui->label_nowVer->size());
    ui->label_progress->setScaledContents(true);

    ui->progressBar->setStyleSheet(QStringLiteral(
        "QProgressBar{border-radius:10px; border:0px solid #3B3B3B; background-color: #3B3B3B;}"
        "QProgressBar:chunk{border-radius:10px; background-color:#1FEF80;}"));

    return backgroundLabel;
}

QString WidgetStyle::progressBarStyle(int chunkRadius)
{
    return QStringLiteral(
        "QProgressBar{border-radius:10px; border:0px solid #3B3B3B; background-color: #3B3B3B;}"
        "QProgressBar:chunk{border-radius:%1px; background-color:#1FEF80;}")
        .arg(chunkRadius);
}
