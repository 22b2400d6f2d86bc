#include "widget.h"
#include "ui_widget.h"

#include "applog.h"

#include <QEvent>
#include <QIcon>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>

#include "spotfoldcircle.h"
#include "updateguidewidget.h"
#include "warningwidget.h"

namespace {

void fillBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::Window, QBrush(colour, Qt::SolidPattern));
    widget->setAutoFillBackground(true);
    widget->setPalette(palette);
}

} // namespace

Widget::Widget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Widget)
{
    ui->setupUi(this);

    updateGuide = new UpdateGuideWidget(this);
    warningWidget = new WarningWidget(this);

    setupWindow();

    // The workers belong here, in this order: the VersionHelper, the warning
    // page's reconnect signal, the HID link (setupHidLink: HidDeviceProcess
    // and UpdateProcess, wired before the reader thread starts), the U-disk
    // handler (setupUdiskMode: UdiskDevice on a thread of its own), then the
    // firmware server client and button_update_F.

    ui->comboBox_language->hide();
}

Widget::~Widget()
{
    // The firmware client and the VersionHelper go before the overlays; the
    // U-disk thread is stopped and waited for after the form is gone.
    delete updateGuide;
    delete warningWidget;
    delete ui;
}

void Widget::setupWindow()
{
    setWindowFlags(Qt::FramelessWindowHint);
    setMaximumSize(size());
    setMinimumSize(size());

    dragArea = QRect(QPoint(0, 0), size());
    dragging = false;

    // Overlays slide in underneath the title bar.
    updateGuide->hide();
    warningWidget->hide();
    ui->headWidget->raise();

    ui->label_logo->setScaledContents(true);
    ui->label_logo->setPixmap(QPixmap(QStringLiteral(":/res/logo.png")));

    backgroundLabel = new QLabel(ui->page_link);
    backgroundLabel->lower();
    backgroundLabel->resize(960, 500);
    backgroundLabel->setScaledContents(true);
    backgroundLabel->setPixmap(QPixmap(QStringLiteral(":/res/main.png")));

    ui->label_welcom->setScaledContents(true);
    ui->label_welcom->setPixmap(QPixmap(QStringLiteral(":/res/logo@4x@2x.png")));

    const QString chromeButton = QStringLiteral("QPushButton{border:none;background:transparent;}");
    ui->button_help->setStyleSheet(chromeButton);
    ui->button_minimize->setStyleSheet(chromeButton);
    ui->button_close->setStyleSheet(chromeButton);

    ui->comboBox_language->setStyleSheet(QStringLiteral(
        "QComboBox{border:none;background:transparent;combobox-popup:0}"
        "QComboBox QAbstractItemView{border:none;background:transparent;}"
        "QComboBox QAbstractItemView:item{border:none;background:#1F2121;}"));

    fillBackground(ui->headWidget, QColor(QStringLiteral("#000000")));
    fillBackground(ui->centerStackedWidget, QColor(QStringLiteral("#1F2121")));

    ui->button_link->setStyleSheet(QStringLiteral(
        "QPushButton {border:1px solid #1F7548; border-radius:23px; color:#F0F0F0;background-color:#1F7548;}"
        "QPushButton:hover {border:1px solid #1FEF80; color:#FFFFFF; background-color:#1FEF80;}"
        "QPushButton:pressed, QPushButton:checked {border:1px solid #1FEF80; color:#FFFFFF; "
        "background-color:#1FEF80;}"));

    setStyleSheet(QStringLiteral("color:#FFFFFF"));

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

    ui->centerStackedWidget->setCurrentWidget(ui->page_link);
    ui->childstackedWidget->setCurrentIndex(0);

    ui->label_logo->installEventFilter(this);
    ui->button_help->installEventFilter(this);
    ui->button_minimize->installEventFilter(this);
    ui->button_close->installEventFilter(this);

    loadingAnimation = new SpotFoldCircle(ui->label_gif);
    loadingAnimation->resize(ui->label_gif->size());
    ui->label_gif->hide();
}

bool Widget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool hover = type == QEvent::Enter || type == QEvent::Leave;

    if (watched == ui->label_logo) {
        if (hover)
            return true;
        if (type == QEvent::MouseButtonPress) {
            returnToLinkPage();
            return true;
        }
    } else if (hover) {
        const bool enter = type == QEvent::Enter;
        if (watched == ui->button_help) {
            ui->button_help->setIcon(QIcon(enter ? QStringLiteral(":/res/help-light-g.png")
                                                 : QStringLiteral(":/res/help-g.png")));
            return true;
        }
        if (watched == ui->button_minimize) {
            ui->button_minimize->setIcon(QIcon(enter ? QStringLiteral(":/res/minimize-light.png")
                                                     : QStringLiteral(":/res/minimize.png")));
            return true;
        }
        if (watched == ui->button_close) {
            ui->button_close->setIcon(QIcon(enter ? QStringLiteral(":/res/close-light.png")
                                                  : QStringLiteral(":/res/close.png")));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Widget::returnToLinkPage()
{
    // setChecked() does not emit clicked(), so the help overlay is not slid.
    ui->button_help->setChecked(false);
    ui->centerStackedWidget->setCurrentWidget(ui->page_link);
    updateGuide->hide();
    warningWidget->hide();
    ui->button_help->show();
}

void Widget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragStartPos = event->localPos().toPoint();
    dragging = dragArea.contains(dragStartPos);
}

void Widget::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging)
        move(pos() + (event->localPos().toPoint() - dragStartPos));
}

void Widget::mouseReleaseEvent(QMouseEvent *)
{
    dragging = false;
}

void Widget::on_button_minimize_clicked()
{
    showMinimized();
}

void Widget::on_button_close_clicked()
{
    close();
}

void Widget::onZemtarDeviceCount(int count)
{
    deviceCount = count;
}

// The language follows the system locale at start-up; this only tells the
// user to restart. Nothing connects it at present.
void Widget::comboBox_language_currentTextChanged(QString language)
{
    const QString text = tr("已切换到 %1").arg(language) + tr(",请重新启动升级程序！");
    if (QMessageBox::question(nullptr, tr("提示"), text, QMessageBox::Yes, QMessageBox::No)
        == QMessageBox::Yes)
        close();
}
