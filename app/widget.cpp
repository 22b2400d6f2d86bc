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

#include "catalogue/lenscatalogue.h"
#include "hid/hiddeviceprocess.h"
#include "net/devicefirmwareprocess.h"
#include "protocol/updatedecision.h"
#include "protocol/updateprocess.h"
#include "protocol/versionhelper.h"
#include "udisk/udiskdevice.h"
#include "widgets/bubblepopup.h"
#include "widgets/spotfoldcircle.h"
#include "widgets/updateguidewidget.h"
#include "widgets/warningwidget.h"
#include "widgetstyle.h"

namespace {

constexpr unsigned short kLensVendorId = 0x0483;
constexpr unsigned short kLensProductId = 0xC8C0;
constexpr int kLensInfoDelayMs = 300;
constexpr int kSlideMs = 200;
constexpr int kWatchdogTickMs = 1000;

const char kFailureColour[] = "#EC4545";
const char kSuccessColour[] = "#22F517";

} // namespace

Widget::Widget(QWidget *parent)
    : Widget(Workers(), parent)
{
}

Widget::Widget(const Workers &workers, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Widget)
    , limits(workers.limits)
{
    ui->setupUi(this);

    updateGuide = new UpdateGuideWidget(this);
    warningWidget = new WarningWidget(this);

    setupWindow();

    networkAvailable = true;
    firmwareDownloaded = false;

    versionHelper = new VersionHelper;

    connect(warningWidget, &WarningWidget::button_reconnect_clicked, this, &Widget::onWarningButton_clicked);

    setupHidLink(workers.hid);
    setupUdiskMode(workers.udisk);

    ui->comboBox_language->hide();

    firmwareClient = workers.firmware ? workers.firmware : new DeviceFirmwareProcess;
    connect(firmwareClient, &DeviceFirmwareProcess::devicePictureFinished, this, &Widget::onUiLoadLensImage);
    connect(firmwareClient, &DeviceFirmwareProcess::deviceFirmwareFinished, this,
        &Widget::onDownloadFirmwareFinished);
    connect(
        firmwareClient, &DeviceFirmwareProcess::hasDeviceMessage, this, &Widget::onLensLatestInfoFlushFunc);
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

    connect(&transferWatchdog, &QTimer::timeout, this, [this] {
        const bool flashing = protocol->transferPhase() == UpdateProcess::TransferPhase::Finishing;
        setKeepPluggedHint(flashing);
        if (transferActivity.hasExpired(flashing ? limits.flashSilenceMs : limits.transferSilenceMs))
            onTransferSilent();
    });
    restartTimer.setSingleShot(true);
    connect(&restartTimer, &QTimer::timeout, this, &Widget::onRestartTimedOut);
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

    // Interrupts the U-disk handler's waits. A handler stuck in a file call
    // of the operating system is left to it: closing must not hang.
    udiskThread->requestInterruption();
    udiskThread->quit();
    if (udiskThread->wait(unsigned(limits.threadStopMs))) {
        delete udiskDevice;
    } else {
        qCWarning(lcApp) << "U-disk thread still busy at exit; left to the system";
        udiskThread->setParent(nullptr);
    }
    udiskDevice = nullptr;

    // The reader thread finishes within one read slice; the workers go with
    // it rather than with the process, so nothing runs on after the window.
    hidThread->stop();
    if (hidThread->wait(unsigned(limits.threadStopMs))) {
        delete hidThread;
        delete protocol;
    } else {
        qCWarning(lcApp) << "HID thread still busy at exit; left to the system";
    }
    hidThread = nullptr;
    protocol = nullptr;
}

LensRecord Widget::shownLens() const
{
    return activeRecord();
}

bool Widget::firmwareReady() const
{
    return lensActive() && firmwareDownloaded && offerLens == activeRecord()
        && !firmwareClient->firmwareData().isEmpty();
}

void Widget::setupHidLink(HidDeviceProcess *hid)
{
    hidThread = hid ? hid : new HidDeviceProcess;
    protocol = new UpdateProcess(hidThread);

    connect(hidThread, &HidDeviceProcess::connectState, this, &Widget::onLensConnectedFunc);
    connect(hidThread, &HidDeviceProcess::deviceRemoved, this, &Widget::onLensHidDeviceRemoved);
    connect(hidThread, &HidDeviceProcess::receiveData, protocol, &UpdateProcess::cmdReceive);
    connect(protocol, &UpdateProcess::updateProcess, this, &Widget::onLensUpdateProcessFunc);
    connect(protocol, &UpdateProcess::lensInfoFlush, this, &Widget::onLensInfoFlushFunc);
    connect(protocol, &UpdateProcess::updateStatus, this, &Widget::onLensUpdateStatusFlushFunc);

    hidThread->requestOpen(kLensVendorId, kLensProductId, nullptr);
}

void Widget::setupUdiskMode(UdiskDevice *udisk)
{
    udiskDevice = udisk ? udisk : new UdiskDevice;
    connect(udiskDevice, &UdiskDevice::isUdiskModeConnecte, this, &Widget::onLensUdiskConnecteFunc);
    connect(udiskDevice, &UdiskDevice::updateStateChanged, this, &Widget::onLensUdiskUpdateState);

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

    backgroundLabel = WidgetStyle::apply(ui, this);

    ui->centerStackedWidget->setCurrentWidget(ui->page_link);
    ui->childstackedWidget->setCurrentIndex(0);

    ui->label_logo->installEventFilter(this);
    ui->button_help->installEventFilter(this);
    ui->button_minimize->installEventFilter(this);
    ui->button_close->installEventFilter(this);

    loadingAnimation = new SpotFoldCircle(ui->label_gif);
    loadingAnimation->resize(ui->label_gif->size());
    ui->label_gif->hide();

    keepPluggedLabel = new QLabel(ui->page_updating);
    keepPluggedLabel->setObjectName(QStringLiteral("label_keepPlugged"));
    keepPluggedLabel->setGeometry(240, 275, 480, 25);
    keepPluggedLabel->setAlignment(Qt::AlignCenter);
    keepPluggedLabel->setStyleSheet(QStringLiteral("color:#F4E913"));
    keepPluggedLabel->setText(tr("镜头正在写入固件，请勿拔出镜头！"));
    keepPluggedLabel->hide();

    // Model names, versions and serial numbers come from the lens or the
    // server: never markup.
    for (QLabel *label : { ui->label_model, ui->label_model_F, ui->label_SN, ui->label_SN_F, ui->label_nowVer,
             ui->label_newVer, ui->label_newVer_F, ui->label_model_img, ui->label_progress })
        label->setTextFormat(Qt::PlainText);
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
            ui->button_help->setIcon(
                QIcon(enter ? QStringLiteral(":/res/help-light-g.png") : QStringLiteral(":/res/help-g.png")));
            return true;
        }
        if (watched == ui->button_minimize) {
            ui->button_minimize->setIcon(QIcon(
                enter ? QStringLiteral(":/res/minimize-light.png") : QStringLiteral(":/res/minimize.png")));
            return true;
        }
        if (watched == ui->button_close) {
            ui->button_close->setIcon(
                QIcon(enter ? QStringLiteral(":/res/close-light.png") : QStringLiteral(":/res/close.png")));
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
    if (askUser(tr("提示"), text))
        close();
}

// --- Update flow ------------------------------------------------------------

void Widget::showNotice(const QString &text, bool success)
{
    qCInfo(lcApp).noquote() << "notice:" << text;
    auto *popup = new BubblePopup(this);
    popup->setText(text);
    popup->setBackgroundColor(QColor(QLatin1String(success ? kSuccessColour : kFailureColour)));
    popup->showPopup(this);
    emit noticeShown(text, success ? NoticeKind::Success : NoticeKind::Failure);
}

bool Widget::askUser(const QString &title, const QString &text)
{
    return QMessageBox::question(nullptr, title, text, QMessageBox::Yes, QMessageBox::No) == QMessageBox::Yes;
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
    protocol->sendCommand(
        command, QByteArray(UpdateProcess::FRAME_DATA_SIZE, '\0'), UpdateProcess::FRAME_DATA_SIZE);
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
    ui->progressBar->setStyleSheet(WidgetStyle::progressBarStyle(radius));
}

void Widget::setKeepPluggedHint(bool shown)
{
    keepPluggedLabel->setVisible(shown);
}

// --- Which lens the window shows ---------------------------------------------

LensRecord Widget::activeRecord() const
{
    if (activeLink == LensRecord::Link::Hid)
        return hidLens;
    if (activeLink == LensRecord::Link::Udisk)
        return udiskLens;
    return LensRecord();
}

void Widget::showLensIdentity(const LensRecord &lens)
{
    const bool hid = lens.link == LensRecord::Link::Hid;
    ui->label_model->setText(tr("产品型号 ： ") + lens.modelName);
    ui->label_model_F->setText(tr("产品型号 ： ") + lens.modelName);
    ui->label_SN->setText(tr("序列号  ： ") + lens.serialNumber);
    ui->label_SN_F->setText(tr("序列号  ： ") + lens.serialNumber);
    ui->label_nowVer->setText(tr("当前版本 ： ") + lens.version);
    ui->label_newVer_F->setText(tr("当前镜头版本 ： ") + lens.version);
    ui->label_nowVer->show();
    // A lens in U-disk mode has no serial number.
    ui->label_SN->setVisible(hid);
    ui->label_SN_F->setVisible(hid);
    refreshUpdateButton();
}

void Widget::refreshUpdateButton()
{
    ui->button_update->setEnabled(lensActive() && networkAvailable);
}

void Widget::requestOfferFor(const LensRecord &lens)
{
    if (lens != offerLens) {
        // Nothing fetched for another lens, or for this one as it was
        // before, may reach it.
        firmwareClient->clearDeviceInfo();
        firmwareDownloaded = false;
        serverVersion.clear();
        offerLens = lens;
    }
    // A lens in U-disk mode has no serial number of its own.
    const bool udisk = lens.link == LensRecord::Link::Udisk;
    firmwareClient->requestLatestFirmware(
        lens.modelCode, udisk ? lens.modelCode + QStringLiteral("0000000") : lens.serialNumber, lens.version);
    emit offerChanged();
}

void Widget::dropOffer()
{
    firmwareClient->clearDeviceInfo();
    offerLens = LensRecord();
    firmwareDownloaded = false;
    serverVersion.clear();
    ui->label_model_img->clear();
    ui->textEdit_contect->clear();
    ui->label_newVer->clear();
    emit offerChanged();
}

void Widget::adoptWaitingLens()
{
    if (lensActive())
        return;
    if (hidLens.isPresent())
        activeLink = LensRecord::Link::Hid;
    else if (udiskLens.isPresent())
        activeLink = LensRecord::Link::Udisk;
    else
        return;
    const LensRecord lens = activeRecord();
    qCInfo(lcApp).noquote() << "showing the" << (activeLink == LensRecord::Link::Hid ? "HID" : "U-disk")
                            << "lens" << lens.modelName << lens.version;
    // A HID lens that has not reported yet is shown once it does.
    if (!lens.modelName.isEmpty() || activeLink == LensRecord::Link::Udisk) {
        showLensIdentity(lens);
        requestOfferFor(lens);
    } else {
        refreshUpdateButton();
        emit offerChanged();
    }
}

void Widget::lensGone(bool tell)
{
    qCInfo(lcApp) << "lens gone";
    protocol->abort();
    endUpdate();
    activeLink = LensRecord::Link::None;

    QWidget *page = ui->centerStackedWidget->currentWidget();
    if (page == ui->page_update || page == ui->page_updating) {
        ui->label_progress->clear();
        ui->centerStackedWidget->setCurrentWidget(ui->page_link);
        ui->progressBar->setValue(0);
    }
    if (tell)
        showNotice(tr("设备断开！"), false);

    dropOffer();
    ui->label_SN->hide();
    ui->label_SN_F->hide();
    ui->label_nowVer->hide();
    refreshUpdateButton();

    adoptWaitingLens();
}

void Widget::secondLensAttached()
{
    qCInfo(lcApp) << "a second lens is attached; the window stays with the first";
    showNotice(tr("已连接另一个镜头：请一次只连接一个镜头！"), false);
}

// --- The update ----------------------------------------------------------------

void Widget::watchTransfer(bool on)
{
    if (on) {
        transferActivity.start();
        const int shortest = qMin(limits.transferSilenceMs, limits.flashSilenceMs);
        transferWatchdog.start(qBound(10, shortest / 10, kWatchdogTickMs));
    } else {
        transferWatchdog.stop();
    }
}

void Widget::onTransferSilent()
{
    qCInfo(lcApp) << "the lens stopped answering during the update";
    protocol->abort();
    endUpdate();
    ui->progressBar->setValue(0);
    ui->label_progress->clear();
    onUpdateReady();
    showNotice(tr("更新失败！"), false);
}

void Widget::endUpdate()
{
    watchTransfer(false);
    restartTimer.stop();
    restartLeft = false;
    setKeepPluggedHint(false);
    stopBusyIndicator();
    phase = UpdatePhase::Idle;
}

void Widget::on_button_update_clicked()
{
    if (!lensActive() || !networkAvailable || phase != UpdatePhase::Idle)
        return;

    if (!firmwareReady()) {
        showNotice(tr("固件尚未下载完成，请稍后再试！"), false);
        return;
    }

    const LensRecord target = activeRecord();
    if (target.link == LensRecord::Link::Udisk && udiskDevice->lensVolumeCount() > 1) {
        showNotice(tr("请只连接一个镜头后再更新！"), false);
        return;
    }
    const UpdateDecision decision = UpdateDecision::decide(
        target, firmwareClient->model(), serverVersion, firmwareClient->firmwareImageModelName());
    if (decision.verdict == UpdateDecision::Refuse) {
        qCInfo(lcApp).noquote() << "firmware refused:" << decision.reason;
        ui->textEdit_contect->setPlainText(QStringLiteral("error -1"));
        return;
    }
    if (decision.verdict == UpdateDecision::AskRewrite) {
        if (!askUser(tr("提示"), tr("当前连接设备版本与软件版本一致，是否重新写入？")))
            return;
    } else if (decision.verdict == UpdateDecision::AskDowngrade) {
        const QString text
            = tr("当前连接设备版本(") + target.version + tr(")较新，是否降为 ") + serverVersion + tr("？");
        if (!askUser(tr("提示"), text))
            return;
    }

    // The lens or its firmware may have changed while the question was open.
    if (activeRecord() != target || phase != UpdatePhase::Idle)
        return;
    onFirmwareUpdate();
}

void Widget::onFirmwareUpdate()
{
    if (!firmwareReady() || phase != UpdatePhase::Idle)
        return;
    const LensRecord target = activeRecord();
    // Checked again against the lens that receives the bytes, right now.
    if (UpdateDecision::decide(
            target, firmwareClient->model(), serverVersion, firmwareClient->firmwareImageModelName())
            .verdict
        == UpdateDecision::Refuse) {
        ui->textEdit_contect->setPlainText(QStringLiteral("error -1"));
        return;
    }
    const QByteArray image = firmwareClient->firmwareData();
    installingVersion = serverVersion;

    if (target.link == LensRecord::Link::Hid) {
        qCInfo(lcApp) << "HID update of" << image.size() << "bytes";
        phase = UpdatePhase::HidTransfer;
        // A busy indicator left running by an earlier update would cover
        // the bar.
        stopBusyIndicator();
        setKeepPluggedHint(false);
        ui->progressBar->setValue(0);
        watchTransfer(true);
        protocol->startFirmwareUpdate(image);
        ui->centerStackedWidget->setCurrentWidget(ui->page_updating);
        ui->label_progress->clear();
    } else if (target.link == LensRecord::Link::Udisk) {
        qCInfo(lcApp).noquote() << "U-disk update of" << image.size() << "bytes onto" << target.volumeRoot;
        phase = UpdatePhase::UdiskWriting;
        ui->centerStackedWidget->setCurrentWidget(ui->page_updating);
        ui->label_progress->setText(tr("正在更新。。。"));
        ui->progressBar->hide();
        ui->label_gif->show();
        loadingAnimation->start();
        // Let the page paint before the U-disk thread takes over.
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
        emit udiskModeUpdateStart(image, target.volumeRoot);
    }
}

void Widget::onLensConnectedFunc(bool isConnected)
{
    if (!isConnected)
        return;
    qCInfo(lcApp) << "HID lens connected";
    hidLens = LensRecord();
    hidLens.link = LensRecord::Link::Hid;
    sendLensCommand(UpdateProcess::CMD_CONNECT);
    QTimer::singleShot(kLensInfoDelayMs, this, [this] {
        if (hidLens.isPresent())
            sendLensCommand(UpdateProcess::CMD_LENS_INFO);
    });
    if (activeLink == LensRecord::Link::Udisk && phase != UpdatePhase::UdiskWriting)
        secondLensAttached();
    else
        adoptWaitingLens();
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
        setKeepPluggedHint(true);
    }
}

void Widget::onLensInfoFlushFunc(LensInfo info)
{
    if (!hidLens.isPresent())
        return;
    hidLens.modelName = LensInfo::text(info.modelName);
    hidLens.modelCode = LensInfo::text(info.modelCode);
    hidLens.serialNumber = LensInfo::text(info.serialNumber);
    hidLens.version = LensInfo::text(info.firmwareVersion);
    qCInfo(lcApp).noquote() << "lens information:" << hidLens.modelName << hidLens.modelCode
                            << hidLens.version;

    if (activeLink != LensRecord::Link::Hid)
        return;
    showLensIdentity(hidLens);
    if (phase == UpdatePhase::AwaitingRestart)
        endRestartWait(&hidLens.version);
    if (hidLens != offerLens)
        requestOfferFor(hidLens);
}

void Widget::onLensUpdateStatusFlushFunc(uint8_t tyte)
{
    if (phase != UpdatePhase::HidTransfer)
        return;
    qCInfo(lcApp) << "update status" << tyte;
    transferActivity.start();
    if (tyte == UpdateProcess::STATUS_SUCCESS)
        onFirmwareUpdateSuccessfully();
    else if (tyte == UpdateProcess::STATUS_FAILURE)
        onFirmwareUpdateFailure();
}

void Widget::onFirmwareUpdateSuccessfully()
{
    watchTransfer(false);
    sendLensCommand(UpdateProcess::CMD_LENS_INFO);
    if (hidLens.modelCode != LensCatalogue::noRestartModelCode()) {
        phase = UpdatePhase::AwaitingRestart;
        restartLeft = false;
        restartTimer.start(limits.restartWaitMs);
        showNotice(tr("更新成功！正在重启中..."), true);
    } else {
        endUpdate();
        sendLensCommand(UpdateProcess::CMD_LENS_INFO);
        onUpdateFinished();
        showNotice(tr("更新成功！"), true);
    }
}

void Widget::onFirmwareUpdateFailure()
{
    endUpdate();
    // Back where the user can start again, rather than a spinner for ever.
    onUpdateReady();
    showNotice(tr("更新失败！"), false);
}

void Widget::endRestartWait(const QString *reportedVersion)
{
    const bool installed
        = reportedVersion && UpdateDecision::installedVersionReported(installingVersion, *reportedVersion);
    endUpdate();
    if (installed) {
        onUpdateFinished();
        showNotice(tr("更新成功！"), true);
    } else {
        // A lens that restarts with another version than the one just
        // written did not take the firmware, whatever its status said.
        qCInfo(lcApp).noquote() << "lens came back with" << (reportedVersion ? *reportedVersion : QString())
                                << "instead of" << installingVersion;
        onUpdateReady();
        showNotice(tr("更新失败！"), false);
    }
}

void Widget::onRestartTimedOut()
{
    qCInfo(lcApp) << "the lens did not come back after its update";
    endUpdate();
    ui->label_progress->clear();
    ui->progressBar->setValue(0);
    ui->centerStackedWidget->setCurrentWidget(ui->page_link);
    showNotice(tr("镜头没有重新连接：请拔下镜头后重新插入，再重新开始更新。"), false);
    if (!hidLens.isPresent())
        lensGone(false);
}

void Widget::onLensHidDeviceRemoved()
{
    if (phase == UpdatePhase::AwaitingRestart && !restartLeft) {
        qCInfo(lcApp) << "lens restarting";
        restartLeft = true;
        hidLens = LensRecord();
        return;
    }
    qCInfo(lcApp) << "HID lens removed";
    hidLens = LensRecord();
    if (activeLink == LensRecord::Link::Hid)
        lensGone(true);
}

void Widget::onLensUdiskConnecteFunc(bool isConnected)
{
    LensRecord found;
    if (isConnected) {
        found.modelCode = udiskDevice->modelCode();
        found.version = udiskDevice->firmwareVersion();
        found.modelName = udiskDevice->modelName();
        found.volumeRoot = udiskDevice->volumeRoot();
        // Only a lens the server can be asked about is a lens to update.
        if (!found.modelCode.isEmpty() && !found.version.isEmpty())
            found.link = LensRecord::Link::Udisk;
    }
    const bool presenceChanged = isConnected != udiskLastState;
    udiskLastState = isConnected;
    const bool severalLenses = isConnected && udiskDevice->lensVolumeCount() > 1;
    if (severalLenses && udiskLens.isPresent() && phase != UpdatePhase::UdiskWriting) {
        // The handler reports one of them; the lens shown stays the same.
        if (!severalUdiskLenses && activeLink == LensRecord::Link::Udisk)
            secondLensAttached();
        severalUdiskLenses = true;
        return;
    }
    severalUdiskLenses = severalLenses;
    if (found == udiskLens && !presenceChanged)
        return;

    const LensRecord before = udiskLens;
    udiskLens = found;
    if (phase == UpdatePhase::UdiskWriting) {
        // The volume goes when the lens takes the file; the final state
        // tells how the update ended.
        qCInfo(lcApp) << "U-disk lens changed during the write";
        return;
    }
    if (isConnected)
        qCInfo(lcApp).noquote() << "U-disk lens:" << found.modelName << found.modelCode << found.version
                                << found.volumeRoot;

    if (activeLink == LensRecord::Link::Udisk) {
        if (found.isPresent() && found.volumeRoot == before.volumeRoot) {
            // The same volume reports a new identity: show it, ask afresh.
            showLensIdentity(udiskLens);
            requestOfferFor(udiskLens);
            return;
        }
        lensGone(true);
        return;
    }

    if (phase == UpdatePhase::AwaitingRestart && found.isPresent()) {
        // The lens came back from its update in U-disk mode.
        activeLink = LensRecord::Link::Udisk;
        hidLens = LensRecord();
        showLensIdentity(udiskLens);
        endRestartWait(&udiskLens.version);
        requestOfferFor(udiskLens);
        return;
    }

    if (activeLink == LensRecord::Link::Hid) {
        if (found.isPresent() && !before.isPresent())
            secondLensAttached();
        return;
    }

    if (found.isPresent()) {
        adoptWaitingLens();
    } else if (!isConnected && presenceChanged) {
        // A volume we could not offer anything for went away.
        qCInfo(lcApp) << "U-disk lens removed";
        showNotice(tr("设备断开！"), false);
    } else {
        ui->button_update->setEnabled(false);
        ui->label_SN->hide();
        ui->label_SN_F->hide();
        ui->label_nowVer->hide();
    }
}

void Widget::onLensUdiskUpdateState(int state)
{
    if (phase != UpdatePhase::UdiskWriting)
        return;
    qCInfo(lcApp) << "U-disk update state" << state;
    endUpdate();

    if (state == UdiskDevice::UpdateWritten) {
        onUpdateFinished();
        showNotice(tr("更新成功！"), true);
    } else if (state == UdiskDevice::UpdateSeveralLenses) {
        onUpdateReady();
        showNotice(tr("请只连接一个镜头后再更新！"), false);
    } else {
        if (ui->centerStackedWidget->currentWidget() == ui->page_updating) {
            ui->label_progress->clear();
            ui->centerStackedWidget->setCurrentWidget(ui->page_link);
        }
        showNotice(tr("更新失败！"), false);
    }

    // Catch up with what the muted detection saw meanwhile.
    if (activeLink == LensRecord::Link::Udisk) {
        if (!udiskLens.isPresent()) {
            activeLink = LensRecord::Link::None;
            dropOffer();
            refreshUpdateButton();
            adoptWaitingLens();
        } else if (udiskLens != offerLens) {
            showLensIdentity(udiskLens);
            requestOfferFor(udiskLens);
        }
    }
}

void Widget::onLensNetworkConnectedFunc(bool isConnected)
{
    qCInfo(lcApp) << "network" << (isConnected ? "reachable" : "unreachable");
    if (isConnected) {
        showNotice(tr("网络连接已恢复！"), true);
        ui->label_model_img->clear();
        networkAvailable = true;
        // Asked again for the lens shown (with empty values when none is).
        requestOfferFor(activeRecord());
        refreshUpdateButton();
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
    if (offerLens != activeRecord())
        return;
    ui->label_newVer->show();
    ui->textEdit_contect->show();
    ui->textEdit_contect->setPlainText(firmwareClient->releaseNotes());
    ui->label_newVer->setText(tr("最新版本 ： ") + firmwareClient->latestVersion());
    serverVersion = firmwareClient->latestVersion();
    // A new reply comes with new downloads; the bytes of the last one are gone.
    firmwareDownloaded = false;
    qCInfo(lcApp).noquote() << "latest version:" << serverVersion;
    emit offerChanged();
}

void Widget::getErrorMsgHandle(QString msg)
{
    Q_UNUSED(msg)
    showNotice(tr("数据不存在!"), false);
}

void Widget::onUiLoadLensImage()
{
    if (offerLens != activeRecord())
        return;
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
    if (offerLens != activeRecord())
        return;
    if (!firmwareClient->firmwareData().isEmpty()) {
        firmwareDownloaded = true;
        qCInfo(lcApp) << "firmware ready:" << firmwareClient->firmwareData().size() << "bytes";
        emit offerChanged();
    }
}

void Widget::on_button_link_clicked()
{
    if (lensActive()) {
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

void Widget::onHelpAnimationFinished() { }

void Widget::onWarningButton_clicked()
{
    if (!lensActive())
        return;
    ui->centerStackedWidget->setCurrentWidget(ui->page_update);
    QPropertyAnimation *slide = slideOverlay(warningWidget, false);
    connect(slide, &QPropertyAnimation::finished, this, &Widget::onUpdateReady);
}
