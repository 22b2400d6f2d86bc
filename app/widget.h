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

#include "protocol/lensinfo.h"
#include "protocol/lensrecord.h"

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
    // How long the window waits for a lens before it gives up on an update.
    struct Limits
    {
        int transferSilenceMs = 10000; // no answer while packets go out
        int flashSilenceMs = 60000; // no status after the end of the image: the lens writes its flash
        int restartWaitMs = 30000; // no lens back after it reported success
        int threadStopMs = 1500; // per worker thread when the window closes
    };

    // The workers the window drives. Null ones are built as usual; the
    // window owns all of them.
    struct Workers
    {
        HidDeviceProcess *hid = nullptr;
        UdiskDevice *udisk = nullptr;
        DeviceFirmwareProcess *firmware = nullptr;
        Limits limits;
    };

    enum class NoticeKind { Success, Failure };
    Q_ENUM(NoticeKind)

    explicit Widget(QWidget *parent = nullptr);
    explicit Widget(const Workers &workers, QWidget *parent = nullptr);
    ~Widget() override;

    // The lens the window shows and would update (link None when none).
    LensRecord shownLens() const;
    // The firmware for the shown lens has arrived.
    bool firmwareReady() const;

signals:
    // Hands the firmware image to the U-disk thread, for the volume whose
    // lens was checked.
    void udiskModeUpdateStart(QByteArray firmware, QString volumeRoot);
    // Every notice the user is shown.
    void noticeShown(QString text, Widget::NoticeKind kind);
    // The shown lens, or the firmware offered for it, changed.
    void offerChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

    // A yes/no question to the user; true for yes.
    virtual bool askUser(const QString &title, const QString &text);

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
    // Where an update stands, as far as the window is concerned.
    enum class UpdatePhase {
        Idle,
        HidTransfer, // image going out over HID, up to the lens's status
        AwaitingRestart, // the lens reported success and restarts
        UdiskWriting, // Fw.dat being written; U-disk presence changes are muted
    };

    void setupWindow();
    void setupHidLink(HidDeviceProcess *hid);
    void setupUdiskMode(UdiskDevice *udisk);
    void returnToLinkPage();

    void showNotice(const QString &text, bool success);
    // Slides an overlay from above the central area into it, or back up.
    QPropertyAnimation *slideOverlay(QWidget *overlay, bool slideIn);
    void sendLensCommand(quint8 command);
    void stopBusyIndicator();
    void setChunkRadius(int radius);
    void setKeepPluggedHint(bool shown);

    // The lens records and which one the window shows.
    LensRecord activeRecord() const;
    bool lensActive() const { return activeLink != LensRecord::Link::None; }
    void adoptWaitingLens();
    void showLensIdentity(const LensRecord &lens);
    void requestOfferFor(const LensRecord &lens);
    void dropOffer();
    // The shown lens left (not as part of an update): back to the link page,
    // its firmware dropped; another attached lens is shown next.
    void lensGone(bool tell);
    void secondLensAttached();
    void refreshUpdateButton();

    // The lens's silence during a HID transfer, and the wait for its restart.
    void watchTransfer(bool on);
    void onTransferSilent();
    void endRestartWait(const QString *reportedVersion);
    void onRestartTimedOut();
    void endUpdate();

    Ui::Widget *ui = nullptr;

    HidDeviceProcess *hidThread = nullptr;
    UpdateProcess *protocol = nullptr;
    UdiskDevice *udiskDevice = nullptr;
    QThread *udiskThread = nullptr;
    DeviceFirmwareProcess *firmwareClient = nullptr;
    VersionHelper *versionHelper = nullptr;
    Limits limits;

    // Overlays over the central area, kept hidden until they slide in.
    UpdateGuideWidget *updateGuide = nullptr;
    WarningWidget *warningWidget = nullptr;

    // Busy indicator of the updating page, inside label_gif.
    SpotFoldCircle *loadingAnimation = nullptr;
    // The most recent overlay slide; it deletes itself when finished.
    QPointer<QPropertyAnimation> slideAnimation;
    // The picture behind the link page.
    QLabel *backgroundLabel = nullptr;
    // "Do not unplug" under the progress while the lens writes its flash.
    QLabel *keepPluggedLabel = nullptr;

    // A left press inside dragArea moves the window with the mouse.
    QRect dragArea;
    QPoint dragStartPos;
    bool dragging = false;

    // The window's state. Legal combinations:
    // - activeLink names a present record (hidLens or udiskLens), or None.
    //   The lens attached first keeps the window; the other record may be
    //   present too but is neither shown nor updated until the first goes.
    // - offerLens is the lens the firmware client's query was made for;
    //   firmwareDownloaded and serverVersion belong to that query. An update
    //   starts only when offerLens equals the active record.
    // - phase HidTransfer and AwaitingRestart: activeLink is Hid. During
    //   AwaitingRestart hidLens may be absent (the lens restarting), and
    //   restartLeft tells that its removal has been seen.
    // - phase UdiskWriting: activeLink is Udisk (udiskLens may vanish as the
    //   lens takes the file; the window catches up at the final state).
    // - networkAvailable false: the update button is disabled.
    LensRecord hidLens; // link Hid from connection on; identity once it reported
    LensRecord udiskLens; // link Udisk while a lens volume with model code and version is mounted
    LensRecord::Link activeLink = LensRecord::Link::None;
    LensRecord offerLens;
    UpdatePhase phase = UpdatePhase::Idle;
    bool restartLeft = false;
    bool networkAvailable = true;
    bool firmwareDownloaded = false;
    // Last U-disk presence reported by the handler.
    bool udiskLastState = false;
    // More than one lens volume is mounted; the user has been told.
    bool severalUdiskLenses = false;
    // What the running update installs, to judge the lens when it is back.
    QString installingVersion;

    // Latest version of the offer, lower case.
    QString serverVersion;

    int deviceCount = 0;

    // The lens paces a transfer and the protocol has no time-out, so a lens
    // that falls silent would leave the updating page up for ever.
    QTimer transferWatchdog;
    QElapsedTimer transferActivity;
    QTimer restartTimer;

    // The chunk radius of the progress bar's style sheet now in force;
    // re-parsing the same sheet on every packet would slow the transfer.
    int chunkRadius = -1;
};
