#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <list>
#include <memory>
#include <mutex>

class LensSimulator;
class QLocalServer;

// Serves a LensSimulator over a local socket to the socket hidapi of
// another process (see LensSimWire for the protocol).
//
// Every connection gets a thread of its own that makes the simulator calls
// exactly as the client asked for them, so a read blocked for the client's
// reader thread blocks only that connection. Handles a connection opened
// are closed when it goes away, so a program that dies while it reads
// leaves no reader behind that could take the next program's reports.
//
//     LensSimulator lens;
//     LensSimServer server(&lens);
//     if (!server.listen("lens-sim")) ... server.errorString()
class LensSimServer : public QObject
{
    Q_OBJECT

public:
    explicit LensSimServer(LensSimulator *lens, QObject *parent = nullptr);
    ~LensSimServer() override;

    // A plain name is a socket in the temporary folder on Unix (QLocalServer's
    // rules). Refuses a name under which another server still answers; a
    // socket left behind by a crashed run is taken over.
    bool listen(const QString &name);
    // Stops listening and ends every connection (their blocked reads return
    // -1 to the client within a tenth of a second).
    void close();
    bool isListening() const;
    QString fullServerName() const;
    QString errorString() const;
    // Sent to every client; differs from run to run.
    quint64 session() const;
    // Connections of clients that greeted (LensSimWire::Hello).
    int connectionCount() const;

signals:
    // Emitted on the connection's thread; receivers in the owner's thread
    // get it queued.
    void connectionsChanged(int count);

private:
    class Listener;
    struct Worker;

    void startWorker(quintptr descriptor);
    void serve(quintptr descriptor);
    void reapWorkers(bool all);

    LensSimulator *m_lens;
    Listener *m_listener;
    QString m_error;
    quint64 m_session;
    std::atomic<bool> m_stopping { false };
    std::atomic<int> m_connections { 0 };
    std::mutex m_workersMutex;
    std::list<std::unique_ptr<Worker>> m_workers;
};
