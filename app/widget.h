#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>

#include "lensinfo.h"

namespace Ui {
class Widget;
}

class DeviceFirmwareProcess;
class HidDeviceProcess;
class QLabel;
class QPropertyAnimation;
class QThread;
class SpotFoldCircle;
class UdiskDevice;
class UpdateGuideWidget;
class UpdateProcess;
class VersionHelper;
class WarningWidget;

// The program's only window and its controller: a frameless 960 x 540 form
// with its own title bar (logo, help, minimize and close), dragged by its
// background. It owns one of every worker, runs the HID reader and the
// U-disk handler on threads of their own, and drives the pages through an
// update over HID or in U-disk mode.
class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

signals:
    // Hands the firmware image to the U-disk thread, with the root of the
    // lens volume it is meant for.
    void udiskModeUpdateStart(QByteArray firmware, QString volumeRoot);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private slots:
    void on_button_update_clicked();
    void onFirmwareUpdate();
    void onLensConnectedFunc(bool isConnected);
    void onLensUpdateProcessFunc(float process);
    void onLensInfoFlushFunc(LensInfo info);
    void onLensUpdateStatusFlushFunc(uint8_t tyte);
    void onLensHidDeviceRemoved();
    void onLensUdiskConnecteFunc(bool isConnected);
    void onLensUdiskUpdateState(int state);
    void onLensNetworkConnectedFunc(bool isConnected);
    void onLensLatestInfoFlushFunc();
    void getErrorMsgHandle(QString msg);
    void onUiLoadLensImage();
    void onDownloadFirmwareFinished();
    void onFirmwareUpdateSuccessfully();
    void onFirmwareUpdateFailure();
    void on_button_link_clicked();
    void onUpdateReady();
    void onUpdateFinished();
    void on_button_help_clicked(bool checked);
    void onHelpAnimationFinished();
    void onWarningButton_clicked();
    void on_button_minimize_clicked();
    void on_button_close_clicked();
    void onZemtarDeviceCount(int count);
    void comboBox_language_currentTextChanged(QString language);

private:
    void setupWindow();
    void setupHidLink();
    void setupUdiskMode();
    void returnToLinkPage();

    void showNotice(const QString &text, bool success);
    // Slides an overlay from above the central area into it, or back up.
    QPropertyAnimation *slideOverlay(QWidget *overlay, bool slideIn);
    void sendLensCommand(quint8 command);
    void stopBusyIndicator();
    void setChunkRadius(int radius);
    void watchTransfer(bool on);
    void onTransferSilent();

    Ui::Widget *ui = nullptr;

    HidDeviceProcess *hidThread = nullptr;
    UpdateProcess *protocol = nullptr;
    UdiskDevice *udiskDevice = nullptr;
    QThread *udiskThread = nullptr;
    DeviceFirmwareProcess *firmwareClient = nullptr;
    VersionHelper *versionHelper = nullptr;

    // Overlays over the central area, kept hidden until they slide in.
    UpdateGuideWidget *updateGuide = nullptr;
    WarningWidget *warningWidget = nullptr;

    // Busy indicator of the updating page, inside label_gif.
    SpotFoldCircle *loadingAnimation = nullptr;
    // The most recent overlay slide; it deletes itself when finished.
    QPointer<QPropertyAnimation> slideAnimation;
    // The picture behind the link page.
    QLabel *backgroundLabel = nullptr;

    // A left press inside dragArea moves the window with the mouse.
    QRect dragArea;
    QPoint dragStartPos;
    bool dragging = false;

    bool lensConnected = false;
    bool networkAvailable = true;
    bool firmwareDownloaded = false;
    bool udiskModeActive = false;
    bool udiskLastState = false;
    // The next HID removal is the lens restarting after a successful update.
    bool ignoreNextRemoval = false;
    // A successful update waits for the restarted lens to report again.
    bool awaitingRestart = false;
    // The next U-disk presence change follows an update and is not reported.
    bool suppressUdiskChange = false;

    QString modelName;
    QString serialNumber;
    QString lensModelCode;
    QString lensVersion;
    QString deviceVersion;
    QString serverVersion;
    QString udiskModelCode;
    // Root of the lens volume whose model and version were accepted.
    QString udiskVolumeRoot;

    int deviceCount = 0;

    // The lens paces a transfer and the protocol has no time-out, so a lens
    // that falls silent would leave the updating page up for ever.
    QTimer transferWatchdog;
    QElapsedTimer transferActivity;

    // The chunk radius of the progress bar's style sheet now in force;
    // re-parsing the same sheet on every packet would slow the transfer.
    int chunkRadius = -1;
};
