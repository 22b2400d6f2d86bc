#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

class LensSimulator;
class QTextStream;
class QTimer;
class UdiskLensVolume;

// The terminal of lens-sim: runs the commands a user types (plug, unplug,
// fail, version, model, pace, udisk, status ...) on the simulated lens, and
// tells what the lens goes through (opened, information requests, update
// progress every 10 %, outcome, restart), which it learns by looking at
// the lens every few tens of milliseconds.
//
// The models folder is the one lens-fwserver serves: it tells the version
// a lens gets from an update, the image the lens should receive (for the
// percentage and the comparison in `status`) and model names by code.
class LensSimConsole : public QObject
{
    Q_OBJECT

public:
    LensSimConsole(LensSimulator *lens, QTextStream *out, QObject *parent = nullptr);
    ~LensSimConsole() override;

    void setModelsFolder(const QString &folder);
    // Gives the lens this identity; the version after an update is the one
    // the models folder serves for the code (else it stays).
    void setIdentity(
        const QString &name, const QString &code, const QString &serialNumber, const QString &version);

    // Runs one command line and prints its outcome; emits quitRequested()
    // for `quit`.
    Q_INVOKABLE void execute(const QString &line);
    // Prints what happened to the lens since the last look.
    void poll();
    // Polls every `intervalMs`.
    void startWatching(int intervalMs = 50);
    // Runs the lines of stdin as commands in this object's thread, until
    // input ends or this console is gone.
    void readStandardInput();

    static QString helpText();

public slots:
    void connectionsChanged(int count);

signals:
    void quitRequested();

private:
    struct Snapshot
    {
        bool plugged = false;
        bool onBus = false;
        bool open = false;
        int connects = 0;
        int infoRequests = 0;
        int updatesStarted = 0;
        int updatesFinished = 0;
        int packets = 0;
        int restarts = 0;
    };
    struct Served
    {
        bool known = false;
        QString name;
        QString version;
        QByteArray image;
    };

    Snapshot snapshot() const;
    Served served(const QString &code);
    void say(const QString &text);
    void swapLens(const QString &what);
    void printStatus();
    void printModels();
    void startUdiskMode();
    void stopUdiskMode(bool plugHid);

    LensSimulator *m_lens;
    QTextStream *m_out;
    QTimer *m_timer;
    QString m_modelsFolder;
    QHash<QString, Served> m_served;
    Snapshot m_last;
    bool m_failArmed = false;
    bool m_restarting = false;
    int m_progressDecade = 0;
    int m_expectedSize = 0;
    int m_connections = 0;
    bool m_replugPending = false;
    // Only where U-disk mode is built in (Linux).
    UdiskLensVolume *m_volume = nullptr;
    QByteArray m_udiskImage;
    QElapsedTimer m_updateClock;
};
