#include "widget.h"
#include "ui_widget.h"

#include "applog.h"

#include <QEvent>
#include <QEventLoop>
#include <QIcon>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QThread>
#include <QTimer>

#include "bubblepopup.h"
#include "devicefirmwareprocess.h"
#include "hiddeviceprocess.h"
#include "lenscatalogue.h"
#include "spotfoldcircle.h"
#include "udiskdevice.h"
#include "updateguidewidget.h"
#include "updateprocess.h"
#include "versionhelper.h"
#include "warningwidget.h"

namespace {

constexpr unsigned short kLensVendorId = 0x0483;
constexpr unsigned short kLensProductId = 0xC8C0;
constexpr int kLensInfoDelayMs = 300;
constexpr int kSlideMs = 200;
// A real lens answers within milliseconds, even while it erases its flash
// before the first packet; this long without a word means it has stopped.
constexpr int kTransferSilenceMs = 10000;
constexpr int kWatchdogTickMs = 1000;

const char kFailureColour[] = "#EC4545";
const char kSuccessColour[] = "#22F517";

void fillBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setBrush(QPalette::Window, QBrush(colour, Qt::SolidPattern));
    widget->setAutoFillBackground(true);
    widget->setPalette(palette);
}

QString progressBarStyle(int chunkRadius)
{
    return QStringLiteral("QProgressBar{border-radius:10px; border:0px solid #3B3B3B; background-color: #3B3B3B;}"
                          "QProgressBar:chunk{border-radius:%1px; background-color:#1FEF80;}")
        .arg(chunkRadius);
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

    networkAvailable = true;
    firmwareDownloaded = false;

    versionHelper = new VersionHelper;

    connect(warningWidget, &WarningWidget::button_reconnect_clicked, this, &Widget::onWarningButton_clicked);

    setupHidLink();

    ignoreNextRemoval = false;
    awaitingRestart = false;

    setupUdiskMode();

    suppressUdiskChange = false;
    ui->comboBox_language->hide();

    firmwareClient = new DeviceFirmwareProcess;
    connect(firmwareClient, &DeviceFirmwareProcess::devicePictureFinished, this, &Widget::onUiLoadLensImage);
    connect(firmwareClient, &DeviceFirmwareProcess::deviceFirmwareFinished, this,
            &Widget::onDownloadFirmwareFinished);
    connect(firmwareClient, &DeviceFirmwareProcess::hasDeviceMessage, this, &Widget::onLensLatestInfoFlushFunc);
    connect(firmwareClient, &DeviceFirmwareProcess::networkConnectStatus, this,
            &Widget::onLensNetworkConnectedFunc);

    // The finished page's button runs the same flow as the update button.
    connect(ui->button_update_F, &QPushButton::clicked, this, &Widget::on_button_update_clicked);

    // A firmware download that fails leaves the update button without
    // anything to send: say so rather than have the button do nothing.
    connect(firmwareClient, &DeviceFirmwareProcess::getServerMessage, this,
            [this](DeviceFirmwareProcess::GetServerMsg message) {
                if (message == DeviceFirmwareProcess::FirmwareEmpty)
                    getErrorMsgHandle(QString());
            });

    transferWatchdog.setInterval(kWatchdogTickMs);
    connect(&transferWatchdog, &QTimer::timeout, this, [this] {
        if (transferActivity.hasExpired(kTransferSilenceMs))
            onTransferSilent();
    });
}

Widget::~Widget()
{
    // A slide still running would outlive its overlay.
    delete slideAnimation;
    delete firmwareClient;
    firmwareClient = nullptr;
    delete versionHelper;
    versionHelper = nullptr;
    delete updateGuide;
    updateGuide = nullptr;
    delete warningWidget;
    warningWidget = nullptr;
    delete ui;
    ui = nullptr;

    // Interrupts the U-disk handler's waits, so this returns at once even in
    // the middle of a firmware write.
    udiskThread->requestInterruption();
    udiskThread->quit();
    udiskThread->wait();

    // The reader thread finishes within one read slice; the workers go with
    // it rather than with the process, so nothing runs on after the window.
    delete hidThread;
    hidThread = nullptr;
    delete protocol;
    protocol = nullptr;
    delete udiskDevice;
    udiskDevice = nullptr;
}

void Widget::setupHidLink()
{
    hidThread = new HidDeviceProcess;
    protocol = new UpdateProcess(hidThread);
    lensConnected = false;

    connect(hidThread, &HidDeviceProcess::connectState, this, &Widget::onLensConnectedFunc);
    connect(hidThread, &HidDeviceProcess::deviceRemoved, this, &Widget::onLensHidDeviceRemoved);
    connect(hidThread, &HidDeviceProcess::receiveData, protocol, &UpdateProcess::cmdReceive);
    connect(protocol, &UpdateProcess::updateProcess, this, &Widget::onLensUpdateProcessFunc);
    connect(protocol, &UpdateProcess::lensInfoFlush, this, &Widget::onLensInfoFlushFunc);
    connect(protocol, &UpdateProcess::updateStatus, this, &Widget::onLensUpdateStatusFlushFunc);

    hidThread->requestOpen(kLensVendorId, kLensProductId, nullptr);
}

void Widget::setupUdiskMode()
{
    udiskDevice = new UdiskDevice;
    connect(udiskDevice, &UdiskDevice::isUdiskModeConnecte, this, &Widget::onLensUdiskConnecteFunc);
    connect(udiskDevice, &UdiskDevice::updateStateChanged, this, &Widget::onLensUdiskUpdateState);

    udiskModeActive = false;
    udiskLastState = false;

    udiskThread = new QThread(this);
    udiskDevice->moveToThread(udiskThread);

    connect(this, &Widget::udiskModeUpdateStart, udiskDevice, &UdiskDevice::updateHandle);

    udiskThread->start(QThread::InheritPriority);
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
    watchTransfer(false);
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

// --- Update flow ------------------------------------------------------------

void Widget::showNotice(const QString &text, bool success)
{
    qCDebug(lcApp).noquote() << "notice:" << text;
    auto *popup = new BubblePopup(this);
    popup->setText(text);
    popup->setBackgroundColor(QColor(QLatin1String(success ? kSuccessColour : kFailureColour)));
    popup->showPopup(this);
}

QPropertyAnimation *Widget::slideOverlay(QWidget *overlay, bool slideIn)
{
    const QPoint home = ui->centerStackedWidget->pos();
    const QPoint above = home - QPoint(0, ui->centerStackedWidget->height());

    slideAnimation = new QPropertyAnimation(overlay, "pos");
    slideAnimation->setEasingCurve(QEasingCurve::Linear);
    slideAnimation->setDuration(kSlideMs);
    slideAnimation->setStartValue(slideIn ? above : home);
    slideAnimation->setEndValue(slideIn ? home : above);
    slideAnimation->start();
    connect(slideAnimation, &QPropertyAnimation::finished, slideAnimation, &QObject::deleteLater);
    return slideAnimation;
}

void Widget::sendLensCommand(quint8 command)
{
    protocol->sendCommand(command, QByteArray(UpdateProcess::FRAME_DATA_SIZE, '\0'),
                          UpdateProcess::FRAME_DATA_SIZE);
}

void Widget::stopBusyIndicator()
{
    loadingAnimation->stop();
    ui->label_gif->hide();
}

void Widget::setChunkRadius(int radius)
{
    if (radius == chunkRadius)
        return;
    chunkRadius = radius;
    ui->progressBar->setStyleSheet(progressBarStyle(radius));
}

void Widget::watchTransfer(bool on)
{
    if (on) {
        transferActivity.start();
        transferWatchdog.start();
    } else {
        transferWatchdog.stop();
    }
}

void Widget::onTransferSilent()
{
    qCDebug(lcApp) << "the lens stopped answering during the update";
    watchTransfer(false);
    stopBusyIndicator();
    ui->progressBar->setValue(0);
    ui->label_progress->clear();
    onUpdateReady();
    showNotice(tr("更新失败！"), false);
}

void Widget::on_button_update_clicked()
{
    if (!lensConnected && !udiskModeActive)
        return;
    if (!networkAvailable)
        return;
    // With a second lens volume the model read back is either lens's; the
    // U-disk handler would refuse the write anyway.
    if (udiskModeActive && !lensConnected && udiskDevice->lensVolumeCount() > 1) {
        showNotice(tr("请只连接一个镜头后再更新！"), false);
        return;
    }

    if (firmwareDownloaded) {
        bool belongs = true;
        if (lensConnected && firmwareClient->firmwareImageModelName() != modelName)
            belongs = false;
        if (udiskModeActive && udiskDevice->modelName() != firmwareClient->model())
            belongs = false;
        if (!belongs) {
            qCDebug(lcApp).noquote() << "firmware is for" << firmwareClient->firmwareImageModelName()
                                     << firmwareClient->model() << "not for" << modelName;
            ui->textEdit_contect->setPlainText(QStringLiteral("error -1"));
            return;
        }
    }

    const int result = versionHelper->compareVersion(serverVersion, deviceVersion);
    if (result == 0) {
        if (QMessageBox::question(nullptr, tr("提示"), tr("当前连接设备版本与软件版本一致，是否重新写入？"),
                                  QMessageBox::Yes, QMessageBox::No)
            != QMessageBox::Yes)
            return;
    } else if (result == -1) {
        const QString text = tr("当前连接设备版本(") + deviceVersion + tr(")较新，是否降为 ") + serverVersion
            + tr("？");
        if (QMessageBox::question(nullptr, tr("提示"), text, QMessageBox::Yes, QMessageBox::No)
            != QMessageBox::Yes)
            return;
    }

    // The lens or the firmware may have gone while the question was open.
    if (firmwareDownloaded)
        onFirmwareUpdate();
}

void Widget::onFirmwareUpdate()
{
    suppressUdiskChange = true;

    if (lensConnected) {
        qCDebug(lcApp) << "HID update of" << firmwareClient->firmwareData().size() << "bytes";
        // A busy indicator left running by an earlier update would cover
        // the bar.
        stopBusyIndicator();
        ui->progressBar->setValue(0);
        watchTransfer(true);
        protocol->startFirmwareUpdate(firmwareClient->firmwareData());
        ui->centerStackedWidget->setCurrentWidget(ui->page_updating);
        ui->label_progress->clear();
    } else if (udiskModeActive) {
        qCDebug(lcApp) << "U-disk update of" << firmwareClient->firmwareData().size() << "bytes";
        ui->centerStackedWidget->setCurrentWidget(ui->page_updating);
        ui->label_progress->setText(tr("正在更新。。。"));
        ui->progressBar->hide();
        ui->label_gif->show();
        loadingAnimation->start();
        // Let the page paint before the U-disk thread takes over.
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
        emit udiskModeUpdateStart(firmwareClient->firmwareData(), udiskVolumeRoot);
    }
}

void Widget::onLensConnectedFunc(bool isConnected)
{
    if (!isConnected) {
        lensConnected = false;
        return;
    }
    qCDebug(lcApp) << "HID lens connected";
    lensConnected = true;
    sendLensCommand(UpdateProcess::CMD_CONNECT);
    QTimer::singleShot(kLensInfoDelayMs, this, [this] { sendLensCommand(UpdateProcess::CMD_LENS_INFO); });
    ui->button_update->setEnabled(true);
    ui->label_SN->show();
    ui->label_SN_F->show();
    ui->label_nowVer->show();
}

void Widget::onLensUpdateProcessFunc(float process)
{
    transferActivity.start();
    const QString value = QString::number(process, 'f', 1);
    // setText skips an unchanged text; a long image reports the same tenth
    // of a percent for many packets.
    ui->label_progress->setText(tr("正在更新 ： ") + value + tr("%"));

    // No repaint of its own: setValue() repaints when the bar looks
    // different and a new style sheet schedules one. Painting an unchanged
    // bar for each of up to 65,535 packets would hold the lens up.
    ui->progressBar->show();
    ui->progressBar->setValue(int(process));
    if (process < 20)
        setChunkRadius(int(process * 0.5f));

    if (process == 100.0f) {
        ui->progressBar->hide();
        ui->label_gif->show();
        loadingAnimation->start();
        ui->label_progress->setText(tr("正在更新 ： ") + value + tr("%。正在重启中..."));
    }
}

void Widget::onLensInfoFlushFunc(LensInfo info)
{
    modelName = LensInfo::text(info.modelName);
    lensModelCode = LensInfo::text(info.modelCode);
    serialNumber = LensInfo::text(info.serialNumber);
    lensVersion = LensInfo::text(info.firmwareVersion);
    qCDebug(lcApp).noquote() << "lens information:" << modelName << lensModelCode << serialNumber << lensVersion;

    ui->label_model->setText(tr("产品型号 ： ") + modelName);
    ui->label_SN->setText(tr("序列号  ： ") + serialNumber);
    ui->label_nowVer->setText(tr("当前版本 ： ") + lensVersion);

    deviceVersion = lensVersion;

    ui->label_model_F->setText(tr("产品型号 ： ") + modelName);
    ui->label_SN_F->setText(tr("序列号  ： ") + serialNumber);
    ui->label_newVer_F->setText(tr("当前镜头版本 ： ") + deviceVersion);

    if (awaitingRestart) {
        stopBusyIndicator();
        awaitingRestart = false;
        // A lens that restarts with another version than the one just
        // written did not take the firmware, whatever its status said.
        if (versionHelper->compareVersion(serverVersion, lensVersion) != 0) {
            qCDebug(lcApp).noquote() << "lens came back with" << lensVersion << "instead of" << serverVersion;
            onUpdateReady();
            showNotice(tr("更新失败！"), false);
        } else {
            onUpdateFinished();
            showNotice(tr("更新成功！"), true);
        }
    }

    firmwareClient->requestLatestFirmware(lensModelCode, serialNumber, lensVersion);
}

void Widget::onLensUpdateStatusFlushFunc(uint8_t tyte)
{
    qCDebug(lcApp) << "update status" << tyte;
    if (tyte == UpdateProcess::STATUS_SUCCESS || tyte == UpdateProcess::STATUS_FAILURE)
        watchTransfer(false);
    else
        transferActivity.start();
    if (tyte == UpdateProcess::STATUS_SUCCESS)
        onFirmwareUpdateSuccessfully();
    else if (tyte == UpdateProcess::STATUS_FAILURE)
        onFirmwareUpdateFailure();
}

void Widget::onLensHidDeviceRemoved()
{
    if (ignoreNextRemoval) {
        qCDebug(lcApp) << "lens restarting";
        ignoreNextRemoval = false;
        return;
    }
    qCDebug(lcApp) << "HID lens removed";
    watchTransfer(false);

    QWidget *page = ui->centerStackedWidget->currentWidget();
    if (page == ui->page_update || page == ui->page_updating) {
        ui->label_progress->clear();
        ui->centerStackedWidget->setCurrentWidget(ui->page_link);
        ui->progressBar->setValue(0);
    }

    showNotice(tr("设备断开！"), false);

    firmwareDownloaded = false;
    firmwareClient->clearDeviceInfo();

    ui->label_model_img->clear();
    ui->textEdit_contect->clear();
    ui->label_newVer->clear();
    serialNumber.clear();
}

void Widget::onLensUdiskConnecteFunc(bool isConnected)
{
    if (isConnected == udiskLastState)
        return;
    udiskLastState = isConnected;

    if (isConnected) {
        udiskModelCode = udiskDevice->modelCode();
        deviceVersion = udiskDevice->firmwareVersion();
        modelName = udiskDevice->modelName();
        qCDebug(lcApp).noquote() << "U-disk lens:" << modelName << udiskModelCode << deviceVersion;

        if (!udiskModelCode.isEmpty() && !deviceVersion.isEmpty()) {
            udiskModeActive = true;
            udiskVolumeRoot = udiskDevice->volumeRoot();
            ui->label_model->setText(tr("产品型号 ： ") + modelName);
            ui->label_model_F->setText(tr("产品型号 ： ") + modelName);
            ui->label_SN->setText(tr("序列号  ： ") + serialNumber);
            ui->label_SN_F->setText(tr("序列号  ： ") + serialNumber);
            ui->label_nowVer->setText(tr("当前版本 ： ") + deviceVersion);
            ui->label_newVer_F->setText(tr("当前镜头版本 ： ") + deviceVersion);
            ui->button_update->setEnabled(true);
            ui->label_nowVer->show();
            // A lens in U-disk mode has no serial number.
            ui->label_SN->hide();
            ui->label_SN_F->hide();
            firmwareClient->requestLatestFirmware(udiskModelCode, udiskModelCode + QStringLiteral("0000000"),
                                                  deviceVersion);
        } else if (suppressUdiskChange) {
            suppressUdiskChange = false;
        } else {
            udiskModeActive = false;
            ui->button_update->setEnabled(false);
            ui->label_SN->hide();
            ui->label_SN_F->hide();
            ui->label_nowVer->hide();
        }
        return;
    }

    if (suppressUdiskChange) {
        // The volume went because the lens took the firmware.
        qCDebug(lcApp) << "U-disk lens left after the update";
        suppressUdiskChange = false;
        return;
    }
    qCDebug(lcApp) << "U-disk lens removed";
    udiskModeActive = false;
    ui->button_update->setEnabled(false);
    ui->label_SN->hide();
    ui->label_nowVer->hide();
    if (ui->centerStackedWidget->currentWidget() == ui->page_update) {
        ui->label_progress->clear();
        ui->centerStackedWidget->setCurrentWidget(ui->page_link);
    }
    showNotice(tr("设备断开！"), false);
    firmwareDownloaded = false;
    firmwareClient->clearDeviceInfo();
    ui->label_model_img->clear();
    ui->textEdit_contect->clear();
}

void Widget::onLensUdiskUpdateState(int state)
{
    qCDebug(lcApp) << "U-disk update state" << state;
    if (state == 0) {
        stopBusyIndicator();
        onUpdateFinished();
        showNotice(tr("更新成功！"), true);
    } else if (state == UdiskDevice::UpdateWriteFailed || state == UdiskDevice::UpdateSeveralLenses) {
        suppressUdiskChange = false;
        if (ui->centerStackedWidget->currentWidget() == ui->page_updating) {
            stopBusyIndicator();
            ui->label_progress->clear();
            ui->centerStackedWidget->setCurrentWidget(ui->page_link);
        }
        showNotice(state == UdiskDevice::UpdateSeveralLenses ? tr("请只连接一个镜头后再更新！") : tr("更新失败！"),
                   false);
    }
}

void Widget::onLensNetworkConnectedFunc(bool isConnected)
{
    qCDebug(lcApp) << "network" << (isConnected ? "reachable" : "unreachable");
    if (isConnected) {
        showNotice(tr("网络连接已恢复！"), true);
        ui->label_model_img->clear();
        // Asked again for the lens last seen: a lens in U-disk mode has no
        // HID values to ask with.
        if (udiskModeActive && !lensConnected)
            firmwareClient->requestLatestFirmware(udiskModelCode, udiskModelCode + QStringLiteral("0000000"),
                                                  deviceVersion);
        else
            firmwareClient->requestLatestFirmware(lensModelCode, serialNumber, lensVersion);
        networkAvailable = true;
        ui->button_update->setEnabled(true);
    } else {
        showNotice(tr("未检测网络连接，请检查网络连接状态！"), false);
        ui->label_model_img->clear();
        ui->label_model_img->setText(tr("当前无网络连接！"));
        networkAvailable = false;
        ui->label_newVer->hide();
        ui->textEdit_contect->hide();
        ui->button_update->setEnabled(false);
    }
}

void Widget::onLensLatestInfoFlushFunc()
{
    ui->label_newVer->show();
    ui->textEdit_contect->show();
    ui->textEdit_contect->setPlainText(firmwareClient->releaseNotes());
    ui->label_newVer->setText(tr("最新版本 ： ") + firmwareClient->latestVersion());
    serverVersion = firmwareClient->latestVersion();
    qCDebug(lcApp).noquote() << "latest version:" << serverVersion;
}

void Widget::getErrorMsgHandle(QString msg)
{
    Q_UNUSED(msg)
    showNotice(tr("数据不存在!"), false);
}

void Widget::onUiLoadLensImage()
{
    const QByteArray picture = firmwareClient->pictureData();
    if (picture.isEmpty()) {
        showNotice(tr("图片不存在！"), false);
        return;
    }
    QPixmap pixmap;
    pixmap.loadFromData(picture, "png");
    ui->label_model_img->setMinimumSize(ui->label_model_img->size());
    ui->label_model_img->setPixmap(pixmap);
    ui->label_model_img->show();
}

void Widget::onDownloadFirmwareFinished()
{
    if (!firmwareClient->firmwareData().isEmpty()) {
        firmwareDownloaded = true;
        qCDebug(lcApp) << "firmware ready:" << firmwareClient->firmwareData().size() << "bytes";
    }
}

void Widget::onFirmwareUpdateSuccessfully()
{
    sendLensCommand(UpdateProcess::CMD_LENS_INFO);
    if (lensModelCode != LensCatalogue::noRestartModelCode()) {
        ignoreNextRemoval = true;
        awaitingRestart = true;
        showNotice(tr("更新成功！正在重启中..."), true);
    } else {
        stopBusyIndicator();
        sendLensCommand(UpdateProcess::CMD_LENS_INFO);
        onUpdateFinished();
        showNotice(tr("更新成功！"), true);
    }
}

void Widget::onFirmwareUpdateFailure()
{
    showNotice(tr("更新失败！"), false);
}

void Widget::on_button_link_clicked()
{
    if (lensConnected || udiskModeActive) {
        onUpdateReady();
        return;
    }
    warningWidget->show();
    warningWidget->showNoDevice();
    slideOverlay(warningWidget, true);
    ui->button_help->hide();
}

void Widget::onUpdateReady()
{
    ui->centerStackedWidget->setCurrentWidget(ui->page_update);
    ui->childstackedWidget->setCurrentWidget(ui->page_updateReady);
}

void Widget::onUpdateFinished()
{
    ui->centerStackedWidget->setCurrentWidget(ui->page_update);
    ui->childstackedWidget->setCurrentWidget(ui->page_updatefinished);
}

void Widget::on_button_help_clicked(bool checked)
{
    if (checked) {
        updateGuide->show();
        QPropertyAnimation *slide = slideOverlay(updateGuide, true);
        connect(slide, &QPropertyAnimation::finished, this, &Widget::onHelpAnimationFinished);
    } else {
        slideOverlay(updateGuide, false);
    }
}

void Widget::onHelpAnimationFinished()
{
}

void Widget::onWarningButton_clicked()
{
    if (!lensConnected && !udiskModeActive)
        return;
    ui->centerStackedWidget->setCurrentWidget(ui->page_update);
    QPropertyAnimation *slide = slideOverlay(warningWidget, false);
    connect(slide, &QPropertyAnimation::finished, this, &Widget::onUpdateReady);
}
