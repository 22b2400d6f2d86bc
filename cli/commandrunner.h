#pragma once

#include "clioptions.h"
#include "progressmeter.h"
#include "protocol/lensrecord.h"
#include "protocol/updatedecision.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QTimer>

class DeviceFirmwareProcess;
class InterruptWatcher;
class LensFinder;
class Terminal;

// Runs one lens-update command to its end and reports the exit code. The
// same steps as the window: find the lens, ask the server, download, check
// the image and the versions through UpdateDecision, transfer over HID or
// write Fw.dat, wait for the restart and check the version the lens then
// reports.
class CommandRunner : public QObject
{
    Q_OBJECT

public:
    CommandRunner(const CliOptions &options, Terminal *terminal, QObject *parent = nullptr);
    ~CommandRunner() override;

    void start();

signals:
    void finished(int exitCode);

private:
    enum class Phase {
        Finding,
        Querying, // check: one lens after the other
        Downloading, // update: query and firmware download
        Transferring, // HID packets
        Writing, // U-disk Fw.dat and the wait for the lens to take it
        Restarting, // HID: status 5 arrived, waiting for the lens to report again
        Done,
    };

    // The server's answer for one lens.
    struct Offer
    {
        bool answered = false;
        bool unreachable = false;
        QString error;
        QString model;
        QString nickname;
        QString version;
        QString releaseNotes;
    };

    void onFinderChanged();
    void lensesFound();
    void runList();
    void runCheck();
    void queryNext();
    void runUpdate();
    void startQuery(const LensRecord &lens);
    void onQueryAnswered();
    void onQueryFailed();
    void onFirmwareReady(const QByteArray &image);
    void decideAndStart();
    void startHidTransfer();
    void startUdiskWrite();
    void onTransferProgress(float percent);
    void onUpdateStatus(quint8 status);
    void onHidRemoved();
    void onHidReported(const LensRecord &lens);
    void onUdiskState(int state);
    void onInterrupted();
    void onStalled();
    void finish(int exitCode);

    DeviceFirmwareProcess *firmwareClient();
    QString describe(const LensRecord &lens) const;
    QJsonObject lensJson(const LensRecord &lens) const;
    static QString linkName(const LensRecord &lens);
    QString comparisonText(const QString &latest, const QString &installed) const;
    QString transferState() const;

    CliOptions m_options;
    Terminal *m_terminal;
    Phase m_phase = Phase::Finding;
    LensFinder *m_finder = nullptr;
    InterruptWatcher *m_interrupts = nullptr;
    DeviceFirmwareProcess *m_client = nullptr;
    QElapsedTimer m_sinceStart;
    QTimer m_waitTimer;
    QTimer m_stallTimer;
    QTimer m_restartTimer;
    int m_interruptCount = 0;

    // check
    QList<LensRecord> m_queue;
    QJsonArray m_checkResults;
    int m_checkExit = 0;
    bool m_networkFailed = false;
    QNetworkReply::NetworkError m_networkError = QNetworkReply::NoError;
    LensRecord m_current;
    Offer m_offer;

    // update
    LensRecord m_target;
    QByteArray m_image;
    QString m_offeredVersion;
    ProgressMeter m_meter;
    double m_percent = 0.0;
    bool m_reconnected = false;
    QString m_lastReportedVersion;
};
